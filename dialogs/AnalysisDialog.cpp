#include "dialogs/AnalysisDialog.h"

#include <QPointer>
#include <cmath>
#include <charconv>
#include <filesystem>
#include <memory>

#include "dialogs/ChannelDialogs.h"
#include "dialogs/PickLists.h"
#include "dialogs/ShellDialogs.h"
#include "display/RangeView.h"
#include "display/ViewProperties.h"
#include "instrument/ScannerModule.h"
#include "model/MeasureUnitTables.h"
#include "model/Range.h"
#include "model/Services.h"
#include "model/TranslationKey.h"
#include "model/Utils.h"
#include "shell/MainFrm.h"
#include "traces/LimitLine.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"
#include "traces/TimeDomainSettings.h"
#include "widgets/DialogSkin.h"
#include "widgets/DriveListFrm.h"
#include "widgets/LbButton.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kFunctionWords[] = {"Impedance Z", "Admittance Y", "Inverse 1/S", "Conjugation"};
constexpr const char* kGateTypeWords[] = {"BandPass", "Notch"};
constexpr const char* kGateShapeWords[] = {"Minimum", "Normal", "Wide", "Maximum"};

// The browser's kind for two-port Touchstone files.
constexpr int kTwoPortKind = 4;

ui::Panel* MakeGroup(QWidget* parent, const std::string& name) {
  auto* p = new ui::Panel(parent);
  p->SetName(name);
  p->SetColor(TTouchForm::kFormColor);
  return p;
}

int DistanceUnit() { return ScannerModule != nullptr ? ScannerModule->MetricSystem : TScannerModule::UnitMetres; }

bool KnownDistanceUnit(int unit) { return unit >= TScannerModule::UnitSeconds && unit <= TScannerModule::UnitFeet; }

// The fixture file as the row shows it: without its folder (a name written on Windows too).
std::string FileLabel(const std::string& file) {
  if (file.empty()) return "-";
  const size_t cut = file.find_last_of("/\\");
  return cut == std::string::npos ? file : file.substr(cut + 1);
}

// Strips trailing zeros of a fraction, and the point when nothing follows it.
std::string WithoutTrailingZeros(std::string text) {
  if (text.find('.') == std::string::npos) return text;
  while (!text.empty() && text.back() == '0') text.pop_back();
  if (!text.empty() && text.back() == '.') text.pop_back();
  return text;
}

}  // namespace

std::string TAnalysisFrm::ImpedanceText(double ohm) {
  if (!std::isfinite(ohm)) return std::isnan(ohm) ? "NAN" : (ohm > 0 ? "INF" : "-INF");
  if (ohm == 0) return "0";
  // to_chars: the decimal point whatever the process's locale says.
  char buffer[400];
  const double rounded = RoundToSignificantDigits(6, ohm);
  if (std::fabs(rounded) >= 1e6 || std::fabs(ohm) < 1e-5) {
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, ohm, std::chars_format::scientific, 5).ptr;
    std::string text(buffer, end);
    const size_t e = text.find('e');
    // At least two exponent digits, as "E+06".
    std::string exponent = text.substr(e + 2);
    if (exponent.size() < 2) exponent.insert(0, "0");
    return WithoutTrailingZeros(text.substr(0, e)) + "E" + text[e + 1] + exponent;
  }
  const int magnitude = static_cast<int>(std::floor(std::log10(std::fabs(rounded))));
  const int decimals = std::max(0, 5 - magnitude);
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, rounded, std::chars_format::fixed, decimals).ptr;
  return WithoutTrailingZeros(std::string(buffer, end));
}

double TAnalysisFrm::GateToUnit(double seconds) {
  return KnownDistanceUnit(DistanceUnit()) ? TTimeDomainSettings::TimeToUnit(seconds) : seconds;
}

double TAnalysisFrm::UnitToGate(double value) {
  return KnownDistanceUnit(DistanceUnit()) ? TTimeDomainSettings::UnitToTime(value) : value;
}

TRangeView* TAnalysisFrm::ActiveView() {
  TMainFrm* main = LiveMainFrm();
  return main != nullptr ? main->GetActiveView() : nullptr;
}

TRange* TAnalysisFrm::ActiveChannel() {
  TRangeView* view = ActiveView();
  return view != nullptr ? view->GetRange() : nullptr;
}

TMeasurement* TAnalysisFrm::ActiveTrace() {
  TRangeView* view = ActiveView();
  if (view == nullptr || view->GetTraces() == nullptr) return nullptr;
  return view->GetTraces()->GetActive();
}

TLimitLine* TAnalysisFrm::ActiveLimitLine() {
  TMeasurement* trace = ActiveTrace();
  return trace != nullptr ? trace->LimitLine : nullptr;
}

void TAnalysisFrm::MakeRow(ui::Panel* group, ui::Panel*& caption, ui::Panel*& value, const std::string& name,
                           const char* english) {
  caption = MakeCaptionPanel(name, english);
  value = MakeValuePanel(name + "Value");
  caption->setParent(group);
  value->setParent(group);
}

TAnalysisFrm::TAnalysisFrm(QWidget* owner) : TTouchDialogFrm(owner, TranslationKey("Analysis")) {
  SetName("AnalysisFrm");
  SetKeyHandler(true);
  bt1Fixture = MakeButton(this, "bt1Fixture", TranslateText(TranslationKey("Fixture Simulator")));
  bt2Conversion = MakeButton(this, "bt2Conversion", TranslateText(TranslationKey("Conversion")));
  bt3LimitTest = MakeButton(this, "bt3LimitTest", TranslateText(TranslationKey("Limit Test")));
  bt4RippleTest = MakeButton(this, "bt4RippleTest", TranslateText(TranslationKey("Ripple Test")));
  btGating = MakeButton(this, "btGating", TranslateText(TranslationKey("Gating")));
  pn1 = MakeGroup(this, "pn1");
  pn2 = MakeGroup(this, "pn2");
  pn3 = MakeGroup(this, "pn3");
  pn4 = MakeGroup(this, "pn4");
  pn5 = MakeGroup(this, "pn5");

  // Fixture simulator of port 1.
  MakeRow(pn1, pnPortZConversion, pnPortZConversionValue, "pnPortZConversion", TranslationKey("Port ZConversion"));
  MakeRow(pn1, pnPortZ0, pnPortZ0Value, "pnPortZ0", TranslationKey("Port Z0"));
  MakeRow(pn1, pnDeEmbedding, pnDeEmbeddingValue, "pnDeEmbedding", TranslationKey("De-Embedding"));
  MakeRow(pn1, pnDESparam, pnDESparamValue, "pnDESparam", TranslationKey("S-parameters File"));
  MakeRow(pn1, pnEmbedding, pnEmbeddingValue, "pnEmbedding", TranslationKey("Embedding"));
  MakeRow(pn1, pnESparam, pnESparamValue, "pnESparam", TranslationKey("S-parameters File"));
  BindRow(*pnPortZConversion, *pnPortZConversionValue, [this] {
    if (TRange* ch = ActiveChannel()) ch->SetZConversionEnabled(!ch->ZConvEnabled);
    RefreshValues();
  });
  QPointer<TAnalysisFrm> self(this);
  // A keypad writes only into the target it was opened for: when automation deleted or
  // replaced that one meanwhile, the value typed is dropped rather than given to another.
  BindRow(*pnPortZ0, *pnPortZ0Value, [this, self] {
    OpenKeypad(
        TranslateText(TranslationKey("Port Z0")), 0, ukNone,
        [self, opened = ActiveChannel()](double x) {
          if (TRange* ch = ActiveChannel(); ch != nullptr && ch == opened) ch->SetZConversionValue(0, x);
          if (self) self->RefreshValues();
        },
        [] {
          const TRange* ch = ActiveChannel();
          return ch != nullptr ? ch->GetZConversionValue(0) : 0.0;
        });
    RefreshValues();
  });
  BindRow(*pnDeEmbedding, *pnDeEmbeddingValue, [this] {
    if (TRange* ch = ActiveChannel()) ch->SetDeembeddingEnabled(0, !ch->GetDeembeddingEnabled(0));
    RefreshValues();
  });
  BindRow(*pnDESparam, *pnDESparamValue, [this] { LoadFixture(false); });
  BindRow(*pnEmbedding, *pnEmbeddingValue, [this] {
    if (TRange* ch = ActiveChannel()) ch->SetEmbeddingEnabled(0, !ch->GetEmbeddingEnabled(0));
    RefreshValues();
  });
  BindRow(*pnESparam, *pnESparamValue, [this] { LoadFixture(true); });

  // Conversion of the active trace.
  MakeRow(pn2, pnConversionState, pnConversionValue, "pnConversionState", TranslationKey("Conversion"));
  MakeRow(pn2, pnFunction, pnFunctionValue, "pnFunction", TranslationKey("Function"));
  BindTraceSwitch(
      *pnConversionState, *pnConversionValue, [](const TMeasurement& t) { return t.ConversionOn; },
      [](TMeasurement& t, bool on) { t.SetConversionOn(on); });
  BindRow(*pnFunction, *pnFunctionValue, [this] {
    if (TMainFrm* main = LiveMainFrm()) {
      ui::Form& owner = *main;
      RunSubDialog([&owner] { return RunConversionList(owner); });
    }
    RefreshValues();
  });

  // Limit test.
  MakeRow(pn3, pnLimitTestState, pnLimitTestValue, "pnLimitTestState", TranslationKey("Limit Test"));
  MakeRow(pn3, pnLimitLine, pnLimitLineValue, "pnLimitLine", TranslationKey("Limit Line"));
  MakeRow(pn3, pnFailSign, pnFailSignValue, "pnFailSign", TranslationKey("Fail Sign"));
  MakeRow(pn3, pnStimulusOffset, pnStimulusOffsetValue, "pnStimulusOffset", TranslationKey("Stimulus Offset"));
  MakeRow(pn3, pnResponseOffset, pnResponseOffsetValue, "pnResponseOffset", TranslationKey("Response Offset"));
  btEditLimitLine = MakeButton(pn3, "btEditLimitLine", TranslateText(TranslationKey("Edit Limit Line")));
  BindTraceSwitch(
      *pnLimitTestState, *pnLimitTestValue, [](const TMeasurement& t) { return t.LimitTest; },
      [](TMeasurement& t, bool on) { t.SetLimitTest(on); });
  BindTraceSwitch(
      *pnLimitLine, *pnLimitLineValue, [](const TMeasurement& t) { return t.ShowLimit; },
      [](TMeasurement& t, bool on) { t.SetShowLimit(on); });
  BindTraceSwitch(
      *pnFailSign, *pnFailSignValue, [](const TMeasurement& t) { return t.ShowFailSign; },
      [](TMeasurement& t, bool on) { t.SetShowFailSign(on); });
  BindRow(*pnStimulusOffset, *pnStimulusOffsetValue, [this, self] {
    OpenKeypad(
        TranslateText(TranslationKey("Stimulus Offset")), 0, ukNone,
        [self, opened = ActiveLimitLine()](double x) {
          if (TLimitLine* line = ActiveLimitLine(); line != nullptr && line == opened) line->SetRelativeArgument(x);
          if (self) self->RefreshValues();
        },
        [] {
          const TLimitLine* line = ActiveLimitLine();
          return line != nullptr ? line->GetRelativeArgument() : 0.0;
        });
    RefreshValues();
  });
  BindRow(*pnResponseOffset, *pnResponseOffsetValue, [this, self] {
    OpenKeypad(
        TranslateText(TranslationKey("Response Offset")), 0, ukNone,
        [self, opened = ActiveLimitLine()](double x) {
          if (TLimitLine* line = ActiveLimitLine(); line != nullptr && line == opened) line->SetRelativeValue(x);
          if (self) self->RefreshValues();
        },
        [] {
          const TLimitLine* line = ActiveLimitLine();
          return line != nullptr ? line->GetRelativeValue() : 0.0;
        });
    RefreshValues();
  });
  BindButton(*btEditLimitLine, [this] { RunEditor("TLimitEditFrm"); });

  // Ripple test.
  MakeRow(pn4, pnRippleTestState, pnRippleTestValue, "pnRippleTestState", TranslationKey("Ripple Test"));
  MakeRow(pn4, pnRippleLine, pnRippleLineValue, "pnRippleLine", TranslationKey("Limit Line"));
  MakeRow(pn4, pnRippleFailSign, pnRippleFailSignValue, "pnRippleFailSign", TranslationKey("Fail Sign"));
  btEditRippleLimit = MakeButton(pn4, "btEditRippleLimit", TranslateText(TranslationKey("Edit Ripple Limit")));
  BindTraceSwitch(
      *pnRippleTestState, *pnRippleTestValue, [](const TMeasurement& t) { return t.RippleTest; },
      [](TMeasurement& t, bool on) { t.SetRippleTest(on); });
  BindTraceSwitch(
      *pnRippleLine, *pnRippleLineValue, [](const TMeasurement& t) { return t.ShowRippleLimit; },
      [](TMeasurement& t, bool on) { t.SetShowRippleLimit(on); });
  BindTraceSwitch(
      *pnRippleFailSign, *pnRippleFailSignValue, [](const TMeasurement& t) { return t.ShowRippleFailSign; },
      [](TMeasurement& t, bool on) { t.SetShowRippleFailSign(on); });
  BindButton(*btEditRippleLimit, [this] { RunEditor("TRippleEditFrm"); });

  // Time gate of the channel window.
  MakeRow(pn5, pnGating, pnGatingValue, "pnGating", TranslationKey("Gating"));
  MakeRow(pn5, pnStart, pnStartValue, "pnStart", TranslationKey("Start"));
  MakeRow(pn5, pnStop, pnStopValue, "pnStop", TranslationKey("Stop"));
  MakeRow(pn5, pnType, pnTypeValue, "pnType", TranslationKey("Type"));
  MakeRow(pn5, pnShape, pnShapeValue, "pnShape", TranslationKey("Shape"));
  BindRow(*pnGating, *pnGatingValue, [this] {
    if (TRangeView* view = ActiveView()) view->SetGatingEnabled(!view->TimeDomain.EnableGating);
    RefreshValues();
  });
  BindRow(*pnStart, *pnStartValue, [this] { GateKeypad(TranslationKey("Start"), false); });
  BindRow(*pnStop, *pnStopValue, [this] { GateKeypad(TranslationKey("Stop"), true); });
  BindRow(*pnType, *pnTypeValue, [this] {
    TMainFrm* main = LiveMainFrm();
    TRangeView* view = ActiveView();
    if (main != nullptr && view != nullptr) {
      int choice = view->TimeDomain.GatingType;
      ui::Form& owner = *main;
      if (RunSubDialog([&owner, &choice] { return RunGatingTypeList(owner, choice); }) == ui::mrOk) {
        if (TRangeView* now = ActiveView(); now == view) now->SetGatingType(choice);
      }
    }
    RefreshValues();
  });
  BindRow(*pnShape, *pnShapeValue, [this] {
    TMainFrm* main = LiveMainFrm();
    TRangeView* view = ActiveView();
    if (main != nullptr && view != nullptr) {
      int choice = view->TimeDomain.GatingShape;
      ui::Form& owner = *main;
      if (RunSubDialog([&owner, &choice] { return RunGatingShapeList(owner, choice); }) == ui::mrOk) {
        if (TRangeView* now = ActiveView(); now == view) now->SetGatingShape(choice);
      }
    }
    RefreshValues();
  });

  btOk = MakeButton(this, "btOk", TranslateText(TranslationKey("Ok")));
  BindButton(*btOk, [this] { OkAction(); });

  Groups.Add(*bt1Fixture, *pn1);
  Groups.Add(*bt2Conversion, *pn2);
  Groups.Add(*bt3LimitTest, *pn3);
  Groups.Add(*bt4RippleTest, *pn4);
  Groups.Add(*btGating, *pn5);
  Groups.Select(0);

  RefreshValues();
  ArrangeControls();
}

void TAnalysisFrm::BindTraceSwitch(ui::Panel& caption, ui::Panel& value, bool (*get)(const TMeasurement&),
                                   void (*set)(TMeasurement&, bool)) {
  BindRow(caption, value, [this, get, set] {
    if (TMeasurement* t = ActiveTrace()) set(*t, !get(*t));
    RefreshValues();
  });
}

void TAnalysisFrm::LoadFixture(bool embedding) {
  TRange* ch = ActiveChannel();
  if (ch == nullptr) {
    RefreshValues();
    return;
  }
  const std::string current = embedding ? ch->GetEmbeddingFile(0) : ch->GetDeembeddingFile(0);
  std::string name = current.empty() ? std::string() : FileLabel(current);
  const int result = RunSubDialog([this, &name]() -> int {
    TDriveListFrm browser(MainOwner(), TranslateText(TranslationKey("Load Touchstone File")), name, kTwoPortKind);
    return browser.ShowModal();
  });
  if (result == ui::mrOk && !name.empty()) {
    // The name loaded is the name checked: a bare "fix" means "fix.s2p", and only a file that
    // is there may replace the fixture the port has.
    const std::string path = SetDefaultExtension(name, ".s2p");
    std::error_code ec;
    if (fs::is_regular_file(fs::path(path), ec)) {
      if (TRange* now = ActiveChannel()) {
        if (embedding) {
          now->LoadEmbeddingFile(0, path);
        } else {
          now->LoadDeembeddingFile(0, path);
        }
      }
    }
  }
  RefreshValues();
}

void TAnalysisFrm::GateKeypad(const char* english, bool stop) {
  int kind = ukNone;
  int index = 0;
  switch (DistanceUnit()) {
    case TScannerModule::UnitSeconds: kind = ukTime, index = 3; break;
    case TScannerModule::UnitMetres: kind = ukMetricLength, index = 0; break;
    case TScannerModule::UnitFeet: kind = ukImperialLength, index = 1; break;
    default: break;
  }
  OpenKeypad(TranslateText(english), index, kind, GateSetter(stop), [stop] {
    const TRangeView* view = ActiveView();
    if (view == nullptr) return 0.0;
    return GateToUnit(stop ? view->TimeDomain.GatingStop : view->TimeDomain.GatingStart);
  });
  RefreshValues();
}

TTouchDialogFrm::TSetter TAnalysisFrm::GateSetter(bool stop) {
  QPointer<TAnalysisFrm> self(this);
  return [self, stop, opened = ActiveView()](double x) {
    if (TRangeView* view = ActiveView(); view != nullptr && view == opened) {
      const double t = UnitToGate(x);
      if (stop) {
        view->SetGatingStop(t);
      } else {
        view->SetGatingStart(t);
      }
    }
    if (self) self->RefreshValues();
  };
}

void TAnalysisFrm::RunEditor(const char* dialogClass) {
  TMainFrm* main = LiveMainFrm();
  if (main == nullptr) return;
  // The editor's changes show with the next refreshing click, not on the way back.
  struct THold {
    QPointer<TAnalysisFrm> self;
    explicit THold(TAnalysisFrm* dialog) : self(dialog) { self->holdValues_ = true; }
    ~THold() {
      if (self) self->holdValues_ = false;
    }
  } hold(this);
  RunFactoryDialog(*this, *main, dialogClass);
}

void TAnalysisFrm::ArrangeControls() {
  ArrangeFrame(11);
  const int w = Width();
  const int m = Margin();
  const int f = FieldHeight();
  const auto half = [&](int row, bool right) {
    const ui::Rect r = RowRect(row, w);
    return right ? ui::Rect((w + m) / 2, r.Top, w - m, r.Bottom) : ui::Rect(m, r.Top, (w - m) / 2, r.Bottom);
  };
  bt1Fixture->SetBoundsRect(half(2, false));
  bt3LimitTest->SetBoundsRect(half(2, true));
  bt2Conversion->SetBoundsRect(half(3, false));
  bt4RippleTest->SetBoundsRect(half(3, true));
  btGating->SetBoundsRect(RowRect(4, w));
  // The groups share the place from under the group buttons to the top of the Ok row; inside,
  // the rows keep the dialog's pitch.
  const ui::Rect area(1, RowRect(4, w).Bottom, w - 1, RowRect(11, w).Top);
  const auto inGroup = [&](int k) {
    const int top = m + (k - 1) * (f + m);
    return ui::Rect(m - 1, top, w - m - 1, top + f);
  };
  struct TPair {
    ui::Panel* Caption;
    ui::Panel* Value;
  };
  const auto place = [&](ui::Panel* group, std::initializer_list<TPair> rows, TLbButton* button) {
    group->SetBoundsRect(area);
    int k = 1;
    for (const TPair& row : rows) PlaceCaptionPanels(*row.Caption, *row.Value, inGroup(k++));
    if (button != nullptr) button->SetBoundsRect(inGroup(k));
  };
  place(pn1,
        {{pnPortZConversion, pnPortZConversionValue},
         {pnPortZ0, pnPortZ0Value},
         {pnDeEmbedding, pnDeEmbeddingValue},
         {pnDESparam, pnDESparamValue},
         {pnEmbedding, pnEmbeddingValue},
         {pnESparam, pnESparamValue}},
        nullptr);
  place(pn2, {{pnConversionState, pnConversionValue}, {pnFunction, pnFunctionValue}}, nullptr);
  place(pn3,
        {{pnLimitTestState, pnLimitTestValue},
         {pnLimitLine, pnLimitLineValue},
         {pnFailSign, pnFailSignValue},
         {pnStimulusOffset, pnStimulusOffsetValue},
         {pnResponseOffset, pnResponseOffsetValue}},
        btEditLimitLine);
  place(pn4,
        {{pnRippleTestState, pnRippleTestValue}, {pnRippleLine, pnRippleLineValue},
         {pnRippleFailSign, pnRippleFailSignValue}},
        btEditRippleLimit);
  place(pn5,
        {{pnGating, pnGatingValue},
         {pnStart, pnStartValue},
         {pnStop, pnStopValue},
         {pnType, pnTypeValue},
         {pnShape, pnShapeValue}},
        nullptr);
  btOk->SetBoundsRect(RowRect(11, w));
}

void TAnalysisFrm::RefreshValues() {
  if (holdValues_) return;
  if (const TRange* ch = ActiveChannel()) {
    SetValueText(*pnPortZConversionValue, OnOffWord(ch->ZConvEnabled));
    SetValueText(*pnPortZ0Value,
                 ImpedanceText(ch->GetZConversionValue(0)) + " " + TranslateText(TranslationKey("Ohm")));
    SetValueText(*pnDeEmbeddingValue, OnOffWord(ch->GetDeembeddingEnabled(0)));
    SetValueText(*pnDESparamValue, FileLabel(ch->GetDeembeddingFile(0)));
    SetValueText(*pnEmbeddingValue, OnOffWord(ch->GetEmbeddingEnabled(0)));
    SetValueText(*pnESparamValue, FileLabel(ch->GetEmbeddingFile(0)));
  }
  if (const TMeasurement* t = ActiveTrace()) {
    SetValueText(*pnConversionValue, OnOffWord(t->ConversionOn));
    const char* function = WordOf(kFunctionWords, t->ConversionType);
    SetValueText(*pnFunctionValue, *function != '\0' ? TranslateText(function) : std::string());
    SetValueText(*pnLimitTestValue, OnOffWord(t->LimitTest));
    SetValueText(*pnLimitLineValue, OnOffWord(t->ShowLimit));
    SetValueText(*pnFailSignValue, OnOffWord(t->ShowFailSign));
    if (const TLimitLine* line = t->LimitLine; line != nullptr && ViewProperties != nullptr) {
      SetValueText(*pnStimulusOffsetValue, FormatNumberWithUnit(ViewProperties->ArgumentDigits,
                                                                t->GetStimulusUnitText(), line->GetRelativeArgument()));
      SetValueText(*pnResponseOffsetValue, FormatNumberWithUnit(ViewProperties->ValueDigits,
                                                                t->GetResponseUnitText(), line->GetRelativeValue()));
    }
    SetValueText(*pnRippleTestValue, OnOffWord(t->RippleTest));
    SetValueText(*pnRippleLineValue, OnOffWord(t->ShowRippleLimit));
    SetValueText(*pnRippleFailSignValue, OnOffWord(t->ShowRippleFailSign));
  }
  if (const TRangeView* view = ActiveView()) {
    const TTimeDomainSettings& gate = view->TimeDomain;
    SetValueText(*pnGatingValue, OnOffWord(gate.EnableGating));
    if (const char* word = WordOf(kGateTypeWords, gate.GatingType); *word != '\0') {
      SetValueText(*pnTypeValue, TranslateText(word));
    }
    if (const char* word = WordOf(kGateShapeWords, gate.GatingShape); *word != '\0') {
      SetValueText(*pnShapeValue, TranslateText(word));
    }
    int kind = -1;
    switch (DistanceUnit()) {
      case TScannerModule::UnitSeconds: kind = ukTime; break;
      case TScannerModule::UnitMetres: kind = ukMetricLength; break;
      case TScannerModule::UnitFeet: kind = ukImperialLength; break;
      default: break;
    }
    if (kind >= 0) {
      // Seconds in the time table; the one-way length in metres or feet otherwise.
      const auto shown = [kind](double t) { return kind == ukTime ? t : TTimeDomainSettings::TimeToUnit(t); };
      SetValueText(*pnStartValue, FormatKindValue(shown(gate.GatingStart), kind));
      SetValueText(*pnStopValue, FormatKindValue(shown(gate.GatingStop), kind));
    }
  }
}
