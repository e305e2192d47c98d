#include "widgets/DigitalKeyboardFrm.h"

#include <QLineEdit>
#include <algorithm>
#include <cmath>

#include "display/ViewProperties.h"
#include "model/EAbort.h"
#include "model/MeasureUnitTables.h"
#include "model/NumberText.h"
#include "model/Services.h"
#include "model/Utils.h"
#include "platform/ui/Edit.h"
#include "widgets/LbButton.h"
#include "widgets/KeyGlyph.h"

namespace {

const TMeasureUnitTables& EnglishTables() {
  static const TMeasureUnitTables tables;
  return tables;
}

const TMeasureUnitTables& Tables() {
  if (TDigitalKeyboardFrm::UnitTablesHook) {
    if (const TMeasureUnitTables* t = TDigitalKeyboardFrm::UnitTablesHook()) return *t;
  }
  return EnglishTables();
}

}  // namespace

TDigitalKeyboardFrm::TUnitTablesHook TDigitalKeyboardFrm::UnitTablesHook;

TDigitalKeyboardFrm::TDigitalKeyboardFrm(QWidget* owner, const std::string& title, int unitIndex, int unitKind,
                                         TSetter setter, TGetter getter, char32_t firstChar)
    : TTouchForm(owner, title), firstChar_(firstChar) {
  SetName("DigitalKeyboardFrm");
  SetStayOnTop(true);
  SetReleaseOnDeactivate(true);
  SetRefocusOwner(true);
  SetBackgroundDrags(title.empty());
  Title = title;
  // The title is shown as given: the callers pass it translated.
  TopPanel->SetCaption(title);

  CommonEdit = new ui::Edit(this);
  CommonEdit->SetName("CommonEdit");
  CommonEdit->SetBorder(false);
  CommonEdit->SetColor(ui::clWhite);
  UnitEdit = new ui::Edit(this);
  UnitEdit->SetName("UnitEdit");
  UnitEdit->SetColor(ui::clWhite);
  UnitEdit->SetEnabled(false);

  const char* digits[3][3] = {{"1", "2", "3"}, {"4", "5", "6"}, {"7", "8", "9"}};
  for (int row = 1; row <= 3; ++row) {
    for (int col = 0; col < 3; ++col) {
      const std::string d = digits[row - 1][col];
      Key("bt" + d, row * 100 + col, d);
    }
  }
  Key("btBackSpace", 103, "")->SetGlyph(KeyGlyph(TKeyGlyph::BackSpace));
  TLbButton* minus = Key("btMinus", 303, "\u00B1");
  minus->OnMouseDown = [this](ui::Control&, ui::MouseButton, ui::ShiftState, int, int) { btMinusMouseDown(); };
  Key("bt0", 400, "0");
  Key("btPoint", 401, ".");
  Key("btLeft", 402, "")->SetGlyph(KeyGlyph(TKeyGlyph::Left));
  TLbButton* right = Key("btRight", 403, "");
  right->SetGlyph(KeyGlyph(TKeyGlyph::Right));
  right->SetLayout(TLbButtonLayout::blGlyphRight);
  for (int i = 0; i < 5; ++i) {
    unitKeys_[i] = Key("btM" + IntToText(i), (i + 1) * 100 + 4, "");
    unitKeys_[i]->OnMouseDown = [this](ui::Control& s, ui::MouseButton, ui::ShiftState, int, int) {
      btUnitsMouseDown(s);
    };
  }
  btCancel = MakeButton(this, "btCancel", TranslateText("Cancel"));
  btCancel->SetTag(500);
  btCancel->OnMouseDown = [this](ui::Control&, ui::MouseButton, ui::ShiftState, int, int) { btCancelMouseDown(); };
  btApply = MakeButton(this, "btApply", TranslateText("Ok"));
  btApply->SetTag(502);
  btApply->OnMouseDown = [this](ui::Control&, ui::MouseButton, ui::ShiftState, int, int) { btApplyMouseDown(); };

  Setter = std::move(setter);
  Getter = std::move(getter);
  UnitKind = unitKind;
  UnitIndex = unitIndex;
  CallerUnitIndex = unitIndex;
  CommonEdit->SetText(FormatFloat("###0.######", Getter ? Getter() : 0.0));
  CommonEdit->OnKeyDown = [this](ui::Control&, int&, ui::ShiftState shift) { EditShift = shift; };
  CommonEdit->OnKeyPress = [this](ui::Control&, char32_t& key) { CommonEditKeyPress(key); };
  OnShow = [this](ui::Control&) { FormShow(); };
  RefreshUnitKeys();
  Layout();
}

TDigitalKeyboardFrm::~TDigitalKeyboardFrm() = default;

TLbButton* TDigitalKeyboardFrm::Key(const std::string& name, int tag, const std::string& caption) {
  TLbButton* b = MakeButton(this, name, caption);
  b->SetWordWrap(false);
  b->SetTag(tag);
  b->OnMouseDown = [this](ui::Control& s, ui::MouseButton, ui::ShiftState, int, int) { btMouseDown(s); };
  // Every key but Cancel and Ok gives the focus back to the value, with the selection the key
  // left (the line editor drops it while the key holds the focus).
  b->OnMouseUp = [this](ui::Control&, ui::MouseButton, ui::ShiftState, int, int) {
    QLineEdit& line = CommonEdit->LineEdit();
    const int start = keptStart_;
    const int length = keptLength_;
    CommonEdit->SetFocus();
    if (length > 0) line.setSelection(start, length);
  };
  return b;
}

int TDigitalKeyboardFrm::GetUnitCount() const {
  if (TMeasureUnitTables::StorageOfKind(UnitKind) < 0) return 0;
  return static_cast<int>(Tables().OfKind(UnitKind).size());
}

std::string TDigitalKeyboardFrm::GetUnitText(int i) const {
  if (UnitKind == ukNone || i < 0 || i >= GetUnitCount()) return {};
  return Tables().OfKind(UnitKind)[static_cast<size_t>(i)].Text;
}

double TDigitalKeyboardFrm::GetUnitMultiplier(int i) const {
  if (UnitKind == ukNone || i < 0 || i >= GetUnitCount()) return 1.0;
  return Tables().OfKind(UnitKind)[static_cast<size_t>(i)].Multiplier;
}

void TDigitalKeyboardFrm::RefreshUnitKeys() {
  UnitEdit->SetText(GetUnitText(UnitIndex));
  const int n = GetUnitCount();
  for (int i = 0; i < 5; ++i) {
    if (i < n) unitKeys_[i]->SetCaption(GetUnitText(i));
  }
}

void TDigitalKeyboardFrm::Layout() {
  ApplyButtonFont();
  const int k = ViewProperties->FieldHeight + 2;
  const int m = ViewProperties->Margin;
  const bool noUnit = UnitKind == ukNone;
  const int width = noUnit ? 4 * k + 5 * m : 6 * k + 7 * m;
  const bool titled = !Title.empty();
  const int height = titled ? 7 * k + 8 * m : 6 * k + 7 * m;
  SetClientSize(width, height);
  const int shift = titled ? k + m : 0;
  if (titled) {
    TopPanel->SetBoundsRect(ui::Rect(m, m, width - m, m + k));
  } else {
    TopPanel->SetBounds(0, 0, 0, 0);
  }
  const int top = titled ? 2 * m + k : m;
  CommonEdit->SetBoundsRect(ui::Rect(m, top, 4 * k + 4 * m, top + k));
  UnitEdit->SetBoundsRect(ui::Rect(4 * k + 5 * m, top, 6 * k + 6 * m, top + k));
  const int bevel = std::max(1, (k - ButtonTextHeight("0")) / 2);
  CommonEdit->SetTextMargin(bevel);
  UnitEdit->SetTextMargin(bevel);
  for (TLbButton* b : findChildren<TLbButton*>()) {
    const int t = b->Tag();
    const int left = m + (t % 100) * (k + m);
    const int keyTop = m + (t / 100) * (k + m) + shift;
    const bool wide = b == btCancel || b == btApply || t % 100 == 4;
    b->SetBounds(left, keyTop, wide ? 2 * k + m : k, k);
  }
  const int n = noUnit ? 0 : GetUnitCount();
  for (int i = 0; i < 5; ++i) unitKeys_[i]->SetVisible(i < n);
}

void TDigitalKeyboardFrm::FormShow() {
  CommonEdit->SetFocus();
  CommonEdit->SelectAll();
  const char32_t c = firstChar_;
  firstChar_ = 0;
  const bool acts = (c >= U'0' && c <= U'9') || c == U'.' || c == U',' || c == U'-';
  if (acts) {
    char32_t key = c;
    CommonEditKeyPress(key);
  }
}

double TDigitalKeyboardFrm::TextValue() const { return StrToFloatAnySeparator(CommonEdit->Text()); }

void TDigitalKeyboardFrm::Digit(const std::string& digit) {
  const std::string text = CommonEdit->Text();
  if (TextValue() == 0.0 && text.find('.') == std::string::npos) CommonEdit->SetText("");
  CommonEdit->SetSelText(digit);
}

void TDigitalKeyboardFrm::Point() {
  const std::string text = CommonEdit->Text();
  QLineEdit& line = CommonEdit->LineEdit();
  if (line.selectedText().size() == line.text().size()) {
    CommonEdit->SetText("0.");
    CommonEdit->SetSelStart(2);
    return;
  }
  if (text.find('.') != std::string::npos) return;
  CommonEdit->SetSelText(CommonEdit->SelStart() == 0 ? "0." : ".");
}

void TDigitalKeyboardFrm::BackSpace() {
  // The line editor deletes the selection, or the whole character before the caret.
  CommonEdit->LineEdit().backspace();
  if (CommonEdit->Text().empty()) {
    CommonEdit->SetText("0");
    CommonEdit->SelectAll();
  }
}

void TDigitalKeyboardFrm::MoveCaret(int step) {
  QLineEdit& line = CommonEdit->LineEdit();
  if (step < 0) {
    line.cursorBackward(false, 1);
  } else {
    line.cursorForward(false, 1);
  }
}

void TDigitalKeyboardFrm::KeepSelection() {
  keptStart_ = CommonEdit->SelStart();
  keptLength_ = CommonEdit->SelLength();
}

void TDigitalKeyboardFrm::btMouseDown(ui::Control& sender) {
  KeepSelection();
  const int t = sender.Tag();
  const int row = t / 100;
  const int col = t % 100;
  if ((row >= 1 && row <= 3 && col <= 2) || t == 400) {
    Digit(IntToText(t == 400 ? 0 : (row - 1) * 3 + col + 1));
  } else if (t == 401) {
    Point();
  } else if (t == 103) {
    BackSpace();
  } else if (t == 402) {
    MoveCaret(-1);
  } else if (t == 403) {
    MoveCaret(1);
  }
  KeepSelection();
}

void TDigitalKeyboardFrm::btMinusMouseDown() {
  const double v = TextValue();
  CommonEdit->SetText(FormatFloat("#####0.######", v == 0.0 ? 0.0 : -v));
  CommonEdit->SetSelStart(static_cast<int>(CommonEdit->LineEdit().text().size()));
  KeepSelection();
}

void TDigitalKeyboardFrm::btUnitsMouseDown(ui::Control& sender) {
  const int index = sender.Tag() / 100 - 1;
  if (index >= 0 && index < 5) UnitIndex = index;
  RefreshUnitKeys();
  KeepSelection();
}

void TDigitalKeyboardFrm::btCancelMouseDown() { CloseWith(ui::mrCancel); }

void TDigitalKeyboardFrm::btApplyMouseDown() {
  const std::string text = CommonEdit->Text();
  const double x = StrToFloatAnySeparator(text);
  const double from = GetUnitMultiplier(UnitIndex);
  const double to = GetUnitMultiplier(CallerUnitIndex);
  double value = x * from / to;
  // The product alone may overflow where the value does not (1e308 typed in MHz for a setting
  // held in MHz): then the units' ratio first. Ordinary values keep the exact product order.
  if (!std::isfinite(value) && std::isfinite(x)) value = x * (from / to);
  // A value too large for its unit is no number either.
  if (!std::isfinite(value)) throw EAbort("'" + text + "' is not a valid floating point value");
  if (Setter) Setter(value);
  CloseWith(ui::mrOk);
}

void TDigitalKeyboardFrm::CommonEditKeyPress(char32_t& key) {
  const char32_t c = key;
  if (c >= U'0' && c <= U'9') {
    key = 0;
    Digit(std::string(1, static_cast<char>(c)));
  } else if (c == U'.' || c == U',') {
    key = 0;
    Point();
  } else if (c == U'-') {
    key = 0;
    btMinusMouseDown();
  } else if (c == 8) {
    key = 0;
    BackSpace();
  } else if (c == 13) {
    key = 0;
    btApplyMouseDown();
  } else if (c == 27 || c == 3) {
    key = 0;
    btCancelMouseDown();
  } else if (!(EditShift & ui::ssCtrl)) {
    key = 0;
  }
}
