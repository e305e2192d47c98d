#include "display/RangeView.h"

#include <QResizeEvent>
#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

#include "calibration/Calibr.h"
#include "display/DrawingPlane.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "model/CalRange.h"
#include "model/CustomIniFile.h"
#include "model/EAbort.h"
#include "model/ICalibrationFacade.h"
#include "model/ITranslation.h"
#include "model/Range.h"
#include "model/Services.h"
#include "model/Utils.h"
#include "platform/Clock.h"
#include "platform/ui/Panel.h"
#include "platform/ui/Timer.h"
#include "traces/KeywordPrefix.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"
#include "traces/MemoryList.h"

namespace {

constexpr const char* kOldStateSection = "Network analyzer";
constexpr const char* kOldCalibrationKey = "CalibrationData";
constexpr const char* kCalibrationKey = "CalData";
constexpr const char* kPointDataKey = "RangeData";

uint32_t NowMs() { return static_cast<uint32_t>(platform::Clock::get().steadyMs()); }

// The texts of the calibration status codes 0..4: short and long, English and Russian.
struct TStatusTexts {
  const char* ShortEnglish;
  const char* ShortRussian;
  const char* LongEnglish;
  const char* LongRussian;
};

constexpr std::array<TStatusTexts, 5> kStatusTexts = {{
    {"--", "--", "No Calibration", "Калибровки нет"},
    {"Off", "Отк", "Correction Off", "Коррекция откл"},
    {"Cor", "Кор", "Correction", "Коррекция"},
    {"C?", "К?", "Interpolation", "Интерполяция"},
    {"C!", "К!", "Extrapolation", "Экстраполяция"},
}};

// The status texts are English while no translation is in force (and without a language
// module, whose absence leaves every text English).
bool StatusInEnglish() {
  const ITranslation* lang = Services().LangModule;
  return lang == nullptr || lang->IsEnglish();
}

bool SaveTypeHasCalibration(int saveType) { return saveType == 1 || saveType == 3; }
bool SaveTypeHasPointData(int saveType) { return saveType == 2 || saveType == 3; }

// Value of every hex digit, -1 for any other byte.
struct THexDigits {
  int8_t Value[256];
  THexDigits() {
    for (int c = 0; c < 256; ++c) Value[c] = -1;
    for (int c = 0; c < 10; ++c) Value['0' + c] = static_cast<int8_t>(c);
    for (int c = 0; c < 6; ++c) {
      Value['A' + c] = static_cast<int8_t>(10 + c);
      Value['a' + c] = static_cast<int8_t>(10 + c);
    }
  }
};
const THexDigits kHexDigits;

// The bytes of hex text of whole bytes; false (bytes emptied) for anything else.
bool DecodeHex(std::string_view text, std::vector<uint8_t>& bytes) {
  bytes.clear();
  if (text.size() % 2 != 0) return false;
  bytes.resize(text.size() / 2);
  const auto* src = reinterpret_cast<const unsigned char*>(text.data());
  uint8_t* dst = bytes.data();
  int bad = 0;
  for (size_t i = 0, n = bytes.size(); i < n; ++i) {
    const int hi = kHexDigits.Value[src[2 * i]];
    const int lo = kHexDigits.Value[src[2 * i + 1]];
    bad |= hi | lo;  // negative once any digit was not one
    dst[i] = static_cast<uint8_t>(hi * 16 + lo);
  }
  if (bad < 0) {
    bytes.clear();
    return false;
  }
  return true;
}

template <typename Fn>
void ForEachTrace(const TMeasureList* list, Fn&& fn) {
  if (list == nullptr) return;
  for (int i = 0; i < list->GetCount(); ++i) {
    if (TMeasurement* t = list->GetMeasurement(i)) fn(*t);
  }
}

}  // namespace

// ---- Construction -------------------------------------------------------------------------------

TRangeView::TRangeView(QWidget* parent) : ui::Control(parent), TFObject(nullptr) {
  // The frame and its components, hidden until the main window lays the windows out.
  SetColor(FrameColor);
  SetFont(ui::Font("Lucida Console", -13));
  BasePanel = new ui::Panel(this);
  BasePanel->setObjectName("BasePanel");
  BasePanel->SetColor(FrameColor);
  UpdateWatchDog = new ui::Timer(this);
  UpdateWatchDog->setObjectName("UpdateWatchDog");
  UpdateWatchDog->SetInterval(RedrawIntervalMs);
  SetVisible(false);
  CalibrationStatus = CalNone;

  // The channel on the scanner, the calibration and the trace list, with the closures.
  Range = new TRange(::ScannerModule ? &::ScannerModule->GetScanner() : nullptr);
  UserCalibration = new TCalibr();
  Measurements = new TMeasureList(this, this);
  timeDomainOwner_ = std::make_unique<TTimeDomainOwner>(Measurements, this);
  InstallClosures();

  // The chart (it reads the channel from its first moment), the timer and the chart's mouse
  // events; the view settings keep their declared defaults.
  DrawingPlane = new TDrawingPlane(this, BasePanel);
  DrawingPlane->setObjectName("DrawingPlane");
  DrawingPlane->SetColor(FrameColor);
  DrawingPlane->SetFont(ui::Font("Tahoma", -11));
  UpdateWatchDog->OnTimer = [this](ui::Timer&) { UpdateWatchDogTimer(); };
  DrawingPlane->OnMouseDown = [this](ui::Control&, ui::MouseButton button, ui::ShiftState shift, int x, int y) {
    TranslateMouseDown(button, shift, x, y);
  };
  DrawingPlane->OnDblClick = [this](ui::Control&) { TranslateDblClick(); };

  // The first trace: S11 in Return Loss.
  Measurements->AddMeasurement(0, 16);
  LayoutChildren();
}

TRangeView::~TRangeView() {
  // Nothing may reach the window once its parts start to go: neither a timer tick nor a paint.
  delete UpdateWatchDog;
  UpdateWatchDog = nullptr;
  delete DrawingPlane;
  DrawingPlane = nullptr;
  RemoveClosures();
  delete Range;
  Range = nullptr;
  delete UserCalibration;
  UserCalibration = nullptr;
  delete Measurements;
  Measurements = nullptr;
}

void TRangeView::InstallClosures() {
  Range->OnChange = [this](TFObject* sender) { RangeChanged(sender); };
  Range->OnResweep = [this](TFObject* sender) { RangeResweep(sender); };
  Range->OnSweepDone = [this](TFObject* sender) { RangeSweepDone(sender); };
  Range->OnPointData = [this](TFObject* sender) { RangeDataUpdated(sender); };
  Range->OnRedraw = [this](TFObject* sender) { RangeRedraw(sender); };
  UserCalibration->OnChange = [this](TFObject* sender) { CalibrationChanged(sender); };
}

void TRangeView::RemoveClosures() {
  if (Range) {
    Range->OnChange = nullptr;
    Range->OnResweep = nullptr;
    Range->OnSweepDone = nullptr;
    Range->OnPointData = nullptr;
    Range->OnRedraw = nullptr;
  }
  if (UserCalibration) UserCalibration->OnChange = nullptr;
}

void TRangeView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  LayoutChildren();
}

void TRangeView::LayoutChildren() {
  if (BasePanel) BasePanel->SetBounds(0, 0, Width(), Height());
  if (DrawingPlane) DrawingPlane->SetBounds(0, 0, Width(), Height());
}

// ---- Repaint ----------------------------------------------------------------------------------------

void TRangeView::RequestRedraw() {
  if (parentWidget() == nullptr) return;
  const uint32_t d = NowMs() - LastRepaintTime;
  if (d <= static_cast<uint32_t>(RedrawIntervalMs) || ChartPaintPending()) {
    if (!UpdateWatchDog->Enabled()) {
      UpdateWatchDog->SetInterval(RedrawIntervalMs);
      UpdateWatchDog->SetEnabled(true);
    }
    return;
  }
  UpdateWatchDog->SetEnabled(false);
  InvalidateChart();
  LastRepaintTime = NowMs();
}

void TRangeView::UpdateWatchDogTimer() {
  UpdateWatchDog->SetEnabled(false);
  if (parentWidget() == nullptr) return;
  InvalidateChart();
  LastRepaintTime = NowMs();
}

void TRangeView::InvalidateChart() {
  ++InvalidationCount;
  if (DrawingPlane) DrawingPlane->Invalidate();
}

// A hidden chart gets no paint, so its unserved invalidation does not hold requests back.
bool TRangeView::ChartPaintPending() const {
  return DrawingPlane && DrawingPlane->IsPaintPending() && DrawingPlane->isVisible();
}

// ---- Calibration status -----------------------------------------------------------------------------

void TRangeView::UpdateCalibrationStatus() {
  const ICalibrationFacade* module = Services().CalibratorModule;
  if (module && module->IsUserCorrectionDisabled()) {
    SetCalibrationStatus(CalOff);
    return;
  }
  const TCalRange* table = UserCalibration->Terms;
  Range->AttachCalibration(table);
  const int m = table ? table->GetCount() : 0;
  if (m == 0) {
    SetCalibrationStatus(CalNone);
    return;
  }
  const int n = Range->GetCount();
  if (n == 0) {
    SetCalibrationStatus(CalInterpolation);
    return;
  }
  const double r0 = Range->GetPointFrequency(0);
  const double r1 = Range->GetPointFrequency(n - 1);
  const double c0 = table->GetFrequency(0);
  const double c1 = table->GetFrequency(m - 1);
  int32_t status = CalCorrection;
  if (r0 < c0 || r1 > c1) {
    status = CalExtrapolation;
  } else if (r0 > c0 || r1 < c1 || n != m) {
    status = CalInterpolation;
  } else {
    for (int i = 0; i < n; ++i) {
      if (!NearlyEqual(Range->GetPointFrequency(i), table->GetFrequency(i))) {
        status = CalInterpolation;
        break;
      }
    }
  }
  SetCalibrationStatus(status);
}

void TRangeView::SetCalibrationStatus(int32_t code) {
  if (code == CalibrationStatus) return;
  CalibrationStatus = code;
  RequestRedraw();
}

std::string TRangeView::CalibrationStatusShort(int32_t code, bool english) {
  if (code < 0 || code >= static_cast<int32_t>(kStatusTexts.size())) return {};
  const TStatusTexts& t = kStatusTexts[static_cast<size_t>(code)];
  return english ? t.ShortEnglish : t.ShortRussian;
}

std::string TRangeView::CalibrationStatusText(int32_t code, bool english) {
  if (code < 0 || code >= static_cast<int32_t>(kStatusTexts.size())) return {};
  const TStatusTexts& t = kStatusTexts[static_cast<size_t>(code)];
  return english ? t.LongEnglish : t.LongRussian;
}

std::string TRangeView::GetCalibrationStatusShort() const {
  return CalibrationStatusShort(CalibrationStatus, StatusInEnglish());
}

std::string TRangeView::GetCalibrationStatusText() const {
  return CalibrationStatusText(CalibrationStatus, StatusInEnglish());
}

std::string TRangeView::GetCalibrationMethodName(int port) const {
  if (port < 0 || port >= TCalibr::SlotCount) return {};
  return UserCalibration->GetMethodName(port);
}

void TRangeView::ClearCalibration() {
  UserCalibration->Clear();
  RequestRedraw();
}

// ---- View settings ----------------------------------------------------------------------------------

int32_t TRangeView::LimitDivisions(int32_t n) { return std::clamp((n / 2) * 2, MinDivisions, MaxDivisions); }

void TRangeView::SetDivisions(int32_t n) {
  const int32_t v = LimitDivisions(n);
  if (v == Divisions) return;
  Divisions = v;
  RequestRedraw();
  FireChange();
}

void TRangeView::SetMarkerAlign(int align) {
  if (align < AlignVert || align > AlignNone) return;
  if (align == AlignHor && !Measurements->MarkerCouple) return;
  if (align == MarkerAlign) return;
  MarkerAlign = align;
  RequestRedraw();
  FireChange();
}

std::string TRangeView::GetMarkerAlignText() const {
  switch (MarkerAlign) {
    case AlignVert:
      return "VERT";
    case AlignHor:
      return "HOR";
    default:
      return "NONE";
  }
}

void TRangeView::SetMarkerAlignText(const std::string& text) {
  if (StartsWithKeyword(text, "VERT")) {
    SetMarkerAlign(AlignVert);
  } else if (StartsWithKeyword(text, "HOR")) {
    SetMarkerAlign(AlignHor);
  } else if (StartsWithKeyword(text, "NONE")) {
    SetMarkerAlign(AlignNone);
  }
}

void TRangeView::SetOneMeasurementMarkers(bool on) {
  if (parentWidget() == nullptr || on == OneMeasurementMarkers) return;
  OneMeasurementMarkers = on;
  RequestRedraw();
  FireChange();
}

void TRangeView::SetShowCaption(bool on) {
  if (parentWidget() == nullptr || on == ShowCaption) return;
  ShowCaption = on;
  RequestRedraw();
  FireChange();
}

void TRangeView::SetMeasCaption(const std::string& caption) {
  MeasCaption = caption;
  RequestRedraw();
}

void TRangeView::FireChange() { Changed(this); }

// A change without a named sender is the window's own.
void TRangeView::Changed(TFObject* sender) {
  if (OnChange) {
    const TNotifyEvent handler = OnChange;
    handler(sender ? sender : this);
  }
}

TScreenRect TRangeView::GetMarkerTableArea() const {
  if (DrawingPlane == nullptr) return {};
  const ui::Rect& plot = DrawingPlane->PlotRect;
  return TScreenRect{plot.Left + DrawingPlane->ScaleLabelWidth, plot.Top, plot.Right, plot.Bottom};
}

// ---- Whole-window operations --------------------------------------------------------------------

void TRangeView::Preset() {
  MeasCaption.clear();
  ShowCaption = false;
  Divisions = DefaultDivisions;
  OneMeasurementMarkers = true;
  MarkerAlign = DefaultMarkerAlign;
  TimeDomain = TTimeDomainSettings{};

  {
    TRange defaults(::ScannerModule ? &::ScannerModule->GetScanner() : nullptr);
    Range->CopySettingsFrom(defaults, true);
  }
  UserCalibration->Clear();
  Measurements->Reset();
}

void TRangeView::RecalculateTraces() {
  // A trace's recalculation brings its memories along.
  ForEachTrace(Measurements, [](TMeasurement& t) { t.Recalculate(); });
}

// ---- Channel and calibration events -------------------------------------------------------------

void TRangeView::RangeChanged(TFObject* sender) {
  if (sender == nullptr) return;
  TScannerModule* module = ::ScannerModule;
  if (module) {
    module->StopSweep();
    module->RebuildScanList();
  }
  Range->PowerMeterPoint = 0;
  if (module && Range->ChangeNotify) {
    const TScanList& list = module->GetScanner().ScanList;
    for (size_t i = 0; i < list.size(); ++i) {
      if (list[i].Range == Range) {
        module->CurrentScanIndex = static_cast<int>(i);
        break;
      }
    }
  }
  if (Range->SweepMode != TRange::Lin || Range->GetSpan() == 0.0) {
    TimeDomain.EnableGating = false;
  } else {
    const double tmin = TTimeDomainSettings::TimeMin(Range);
    const double tmax = TTimeDomainSettings::TimeMax(Range);
    TimeDomain.TransformStart = std::max(TimeDomain.TransformStart, tmin);
    TimeDomain.TransformStop = std::min(TimeDomain.TransformStop, tmax);
    TimeDomain.GatingStart = std::max(TimeDomain.GatingStart, tmin);
    TimeDomain.GatingStop = std::min(TimeDomain.GatingStop, tmax);
    // Both ends of a range beyond the same limit would leave it inside out; the loaded-value
    // clamp puts such a range back in order (and leaves ordered ones as they are).
    if (TimeDomain.TransformStart >= TimeDomain.TransformStop || TimeDomain.GatingStart > TimeDomain.GatingStop) {
      TimeDomain.ClampLoaded(Range);
    }
  }
  if (!replacingTraces_) ForEachTrace(Measurements, [](TMeasurement& t) { t.ResizeToChannel(); });
  SlowSweep = true;
  UpdateCalibrationStatus();
  RequestRedraw();
  FireChange();
  if (module) module->StartSweep(module->CurrentScanIndex);
}

void TRangeView::RangeResweep(TFObject* sender) {
  if (sender == nullptr) return;
  TScannerModule* module = ::ScannerModule;
  if (module == nullptr) return;
  module->StopSweep();
  TScanner& scanner = module->GetScanner();
  const int i = scanner.FindScanItem(Range);
  if (i >= 0) {
    scanner.BuildScanItem(scanner.ScanList[static_cast<size_t>(i)]);
    module->CurrentScanIndex = i;
  }
  module->StartSweep(module->CurrentScanIndex);
}

void TRangeView::RangeDataUpdated(TFObject*) {
  ForEachTrace(Measurements, [](TMeasurement& t) { t.ProcessSweepPoint(); });
}

void TRangeView::RangeSweepDone(TFObject*) {
  ForEachTrace(Measurements, [](TMeasurement& t) { t.FinishSweep(); });
}

void TRangeView::RangeRedraw(TFObject*) { RequestRedraw(); }

void TRangeView::CalibrationChanged(TFObject*) {
  UpdateCalibrationStatus();
  if (OnCalibrationChange) {
    const TNotifyEvent handler = OnCalibrationChange;
    handler(this);
  }
}

// ---- Chart mouse events -------------------------------------------------------------------------

void TRangeView::TranslateMouseDown(ui::MouseButton button, ui::ShiftState shift, int x, int y) {
  if (OnMouseDown) {
    const MouseEvent handler = OnMouseDown;
    handler(*this, button, shift, x, y);
  }
}

void TRangeView::TranslateDblClick() {
  if (OnDblClick) {
    const NotifyEvent handler = OnDblClick;
    handler(*this);
  }
}

// ---- State section ------------------------------------------------------------------------------

bool TRangeView::ReadHexValue(const TCustomIniFile& ini, const std::string& section, const std::string& key,
                              std::vector<uint8_t>& bytes) {
  bytes.clear();
  std::string scratch;
  std::string_view text;
  if (!ini.ReadValueView(section, key, scratch, text)) return false;
  return DecodeHex(text, bytes);
}

void TRangeView::SaveToIni(TCustomIniFile& ini, const std::string& section, int saveType) {
  Range->SaveState(ini, section + "Range");

  ini.WriteInteger(section, "Divisions", Divisions);
  ini.WriteString(section, "MeasCaption", MeasCaption);
  ini.WriteBool(section, "ShowCaption", ShowCaption);
  ini.WriteBool(section, "OneMeasurementMarkers", OneMeasurementMarkers);
  ini.WriteInteger(section, "MarkerAlign", MarkerAlign);
  const TTimeDomainSettings& td = TimeDomain;
  ini.WriteBool(section, "EnableGating", td.EnableGating);
  ini.WriteFloat(section, "GatingStart", td.GatingStart);
  ini.WriteFloat(section, "GatingStop", td.GatingStop);
  ini.WriteInteger(section, "GatingType", td.GatingType);
  ini.WriteInteger(section, "GatingShape", td.GatingShape);
  ini.WriteFloat(section, "TransformStart", td.TransformStart);
  ini.WriteFloat(section, "TransformStop", td.TransformStop);
  ini.WriteInteger(section, "ResponseType", td.ResponseType);
  ini.WriteFloat(section, "Beta", td.Beta);
  ini.WriteBool(section, "TimeCenterPriority", td.TimeCenterPriority);
  ini.WriteBool(section, "GatingCenterPriority", td.GatingCenterPriority);

  Measurements->SaveToIni(ini, section);

  if (SaveTypeHasCalibration(saveType)) {
    std::vector<uint8_t> stream;
    UserCalibration->WriteToStream(stream);
    ini.WriteBinaryStream(section, kCalibrationKey, stream);
  }
  if (SaveTypeHasPointData(saveType)) {
    std::vector<uint8_t> stream;
    Range->SavePointData(stream);
    ini.WriteBinaryStream(section, kPointDataKey, stream);
  }
}

void TRangeView::LoadFromIni(TCustomIniFile& ini, const std::string& section, int saveType) {
  // The view keys, brought into what the setters allow.
  Divisions = LimitDivisions(ini.ReadInteger(section, "Divisions", DefaultDivisions));
  MeasCaption = ini.ReadString(section, "MeasCaption", std::string());
  ShowCaption = ini.ReadBool(section, "ShowCaption", false);
  OneMeasurementMarkers = ini.ReadBool(section, "OneMeasurementMarkers", true);
  MarkerAlign = ini.ReadInteger(section, "MarkerAlign", DefaultMarkerAlign);
  if (MarkerAlign < AlignVert || MarkerAlign > AlignNone) MarkerAlign = DefaultMarkerAlign;
  const TTimeDomainSettings defaults;
  TTimeDomainSettings& td = TimeDomain;
  td.EnableGating = ini.ReadBool(section, "EnableGating", defaults.EnableGating);
  td.GatingStart = ini.ReadFloat(section, "GatingStart", defaults.GatingStart);
  td.GatingStop = ini.ReadFloat(section, "GatingStop", defaults.GatingStop);
  td.GatingType = ini.ReadInteger(section, "GatingType", defaults.GatingType);
  td.GatingShape = ini.ReadInteger(section, "GatingShape", defaults.GatingShape);
  td.TransformStart = ini.ReadFloat(section, "TransformStart", defaults.TransformStart);
  td.TransformStop = ini.ReadFloat(section, "TransformStop", defaults.TransformStop);
  td.ResponseType = ini.ReadInteger(section, "ResponseType", defaults.ResponseType);
  td.Beta = ini.ReadFloat(section, "Beta", defaults.Beta);
  td.GatingCenterPriority = ini.ReadBool(section, "GatingCenterPriority", defaults.GatingCenterPriority);
  SetTimeCenterPriority(ini.ReadBool(section, "TimeCenterPriority", defaults.TimeCenterPriority));

  // The channel, then the time-domain values brought into its alias-free range.
  replacingTraces_ = true;
  try {
    Range->LoadState(ini, section + "Range");
  } catch (...) {
    replacingTraces_ = false;
    ForEachTrace(Measurements, [](TMeasurement& t) { t.ResizeToChannel(); });
    throw;
  }
  replacingTraces_ = false;
  TimeDomain.ClampLoaded(Range);

  // The traces (and their memories, unless the recalculation at the end of a whole state's
  // load computes them).
  Measurements->LoadFromIni(ini, section, !DeferRecalculation);

  // A state brings its own calibration or none.
  ClearCalibration();

  // What CheckIni read of this very document and section, when it was kept.
  TCheckedValues checked = std::move(checked_);
  checked_ = TCheckedValues{};
  const bool useChecked = checked.Ini == &ini && checked.Section == section && checked.SaveType == saveType;

  // The calibration: the older layout's key first, then the window's own.
  if (SaveTypeHasCalibration(saveType)) {
    std::vector<uint8_t> stream;
    if (ReadHexValue(ini, kOldStateSection, kOldCalibrationKey, stream) && !stream.empty()) {
      UserCalibration->ReadFromStream(stream);
    }
    if (useChecked) {
      if (checked.HasCalibration) UserCalibration->AdoptForm(checked.CalForm, checked.CalResult);
    } else if (ReadHexValue(ini, section, kCalibrationKey, stream) && !stream.empty()) {
      UserCalibration->ReadFromStream(stream);
    }
  }

  // The measured points, with the sweep held so that they stay on screen. The traces take them
  // in one recalculation instead of one step per trace for every point.
  if (SaveTypeHasPointData(saveType)) {
    if (::ScannerModule) ::ScannerModule->SetTriggerMode(TScannerModule::Hold);
    std::vector<uint8_t> stream;
    const std::vector<uint8_t>* points = nullptr;
    if (useChecked) {
      if (checked.HasPointData && !checked.PointData.empty()) points = &checked.PointData;
    } else if (ReadHexValue(ini, section, kPointDataKey, stream) && !stream.empty()) {
      points = &stream;
    }
    if (points) {
      struct TPerPointOff {
        TRange& Channel;
        TRange::TEvent Kept;
        ~TPerPointOff() { Channel.OnPointData = std::move(Kept); }
      } off{*Range, std::exchange(Range->OnPointData, nullptr)};
      if (Range->LoadPointData(*points) && !DeferRecalculation) RecalculateTraces();
    }
  }
}

void TRangeView::CheckIni(const TCustomIniFile& ini, const std::string& section, int saveType) {
  TCheckedValues ignored;
  CheckIni(ini, section, saveType, ignored);
}

void TRangeView::CheckIni(const TCustomIniFile& ini, const std::string& section, int saveType, TCheckedValues& keep) {
  keep = TCheckedValues{};
  std::vector<uint8_t> stream;
  auto checkHex = [&](const char* key) {
    if (!ini.ValueExists(section, key)) return false;
    if (!ReadHexValue(ini, section, key, stream)) {
      throw EAbort("The value \"" + std::string(key) + "\" of the section \"" + section +
                   "\" is not hexadecimal data of whole bytes");
    }
    return true;
  };
  TCheckedValues found;
  if (SaveTypeHasCalibration(saveType) && checkHex(kCalibrationKey) && !stream.empty()) {
    found.CalResult = TCalibr::ParseStream(stream.data(), stream.size(), found.CalForm);
    const auto& result = found.CalResult;
    // An uncalibrated window stores a calibration without terms: it loads as "none".
    if (!result && !result.NoTerms) {
      throw EAbort("The calibration of the section \"" + section + "\" cannot be read: " + result.Reason);
    }
    found.HasCalibration = true;
  }
  if (SaveTypeHasPointData(saveType) && checkHex(kPointDataKey)) {
    found.HasPointData = true;
    found.PointData = std::move(stream);
  }
  found.Ini = &ini;
  found.Section = section;
  found.SaveType = saveType;
  keep = std::move(found);
}
