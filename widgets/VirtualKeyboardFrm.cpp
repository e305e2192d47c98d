#include "widgets/VirtualKeyboardFrm.h"

#include <QLineEdit>
#include <algorithm>
#include <vector>

#include "display/ViewProperties.h"
#include "model/Services.h"
#include "platform/ui/Edit.h"
#include "widgets/LbButton.h"
#include "widgets/KeyGlyph.h"

namespace {

constexpr const char* kRoleProperty = "keyRole";
constexpr const char* kSpanProperty = "keySpan";

// One row of typing keys from column `first` on.
struct TRowKeys {
  int row;
  int first;
  std::vector<const char*> captions;
};

const std::vector<TRowKeys>& LatinRows() {
  static const std::vector<TRowKeys> rows = {
      {0, 0, {"!", "@", "#", "$", "%", "^", "&&", "*", "(", ")", "_", "-", "+", "="}},
      {1, 0, {"~", "1", "2", "3", "4", "5", "6", "7", "8", "9", "0", "\\"}},
      {2, 0, {"Q", "W", "E", "R", "T", "Y", "U", "I", "O", "P", "[", "]", "{", "}"}},
      {3, 0, {"A", "S", "D", "F", "G", "H", "J", "K", "L", ";", ":", "\"", "'", "/"}},
      {4, 2, {"Z", "X", "C", "V", "B", "N", "M", ",", ".", "<", ">", "?"}},
  };
  return rows;
}

const std::vector<TRowKeys>& CyrillicRows() {
  static const std::vector<TRowKeys> rows = {
      {0, 0, {"!", "\"", "\u2116", ";", "%", ":", "?", "*", "(", ")", "_", "-", "+", "="}},
      {1, 0, {"\u0401", "1", "2", "3", "4", "5", "6", "7", "8", "9", "0", "\\"}},
      {2, 0, {"\u0419", "\u0426", "\u0423", "\u041A", "\u0415", "\u041D", "\u0413", "\u0428", "\u0429", "\u0417",
              "\u0425", "\u042A", "{", "}"}},
      {3, 0, {"\u0424", "\u042B", "\u0412", "\u0410", "\u041F", "\u0420", "\u041E", "\u041B", "\u0414", "\u0416",
              "\u042D", "\"", "'", "/"}},
      {4, 2, {"\u042F", "\u0427", "\u0421", "\u041C", "\u0418", "\u0422", "\u042C", "\u0411", "\u042E", ",", ".",
              "?"}},
  };
  return rows;
}

// The text a key types: its caption, "&&" standing for one "&".
std::string TypedText(const std::string& caption) { return caption == "&&" ? "&" : caption; }

}  // namespace

TVirtualKeyboardFrm::TVirtualKeyboardFrm(QWidget* owner, std::string& text) : TTouchForm(owner), TextRef(text) {
  SetName("VirtualKeyboardFrm");
  SetRefocusOwner(true);
  CommonEdit = new ui::Edit(this);
  CommonEdit->SetName("CommonEdit");
  CommonEdit->SetText(text);
  CommonEdit->OnKeyPress = [this](ui::Control&, char32_t& key) {
    if (key == 13) {
      key = 0;
      btApplyMouseDown();
    } else if (key == 27) {
      key = 0;
      btCancelMouseDown();
    }
  };
  pnEn = new ui::Panel(this);
  pnEn->SetName("pnEn");
  pnEn->SetColor(kFormColor);
  pnRu = new ui::Panel(this);
  pnRu->SetName("pnRu");
  pnRu->SetColor(kFormColor);
  BuildLayout(pnEn, false);
  BuildLayout(pnRu, true);
  btCancel = MakeButton(this, "btCancel", TranslateText("Cancel"));
  btCancel->OnMouseDown = [this](ui::Control&, ui::MouseButton, ui::ShiftState, int, int) { btCancelMouseDown(); };
  btApply = MakeButton(this, "btApply", TranslateText("Ok"));
  btApply->OnMouseDown = [this](ui::Control&, ui::MouseButton, ui::ShiftState, int, int) { btApplyMouseDown(); };
  OnShow = [this](ui::Control&) { FormShow(); };
  Layout();
}

TVirtualKeyboardFrm::~TVirtualKeyboardFrm() = default;

TLbButton* TVirtualKeyboardFrm::AddKey(ui::Panel* panel, bool cyrillic, int tag, const std::string& caption,
                                       TRole role, int span) {
  TLbButton* key = MakeButton(panel, std::string(cyrillic ? "btRu" : "btEn") + std::to_string(tag), caption);
  key->SetWordWrap(false);
  key->SetTag(tag);
  key->setProperty(kRoleProperty, static_cast<int>(role));
  key->setProperty(kSpanProperty, span);
  key->OnMouseDown = [this](ui::Control& s, ui::MouseButton, ui::ShiftState, int, int) {
    KeyPressed(static_cast<TLbButton&>(s));
  };
  key->OnMouseUp = [this](ui::Control&, ui::MouseButton, ui::ShiftState, int, int) { CommonEdit->SetFocus(); };
  return key;
}

void TVirtualKeyboardFrm::BuildLayout(ui::Panel* panel, bool cyrillic) {
  for (const TRowKeys& row : cyrillic ? CyrillicRows() : LatinRows()) {
    for (size_t i = 0; i < row.captions.size(); ++i) {
      AddKey(panel, cyrillic, row.row * 100 + row.first + static_cast<int>(i), row.captions[i], TRole::Type, 1);
    }
  }
  AddKey(panel, cyrillic, 14, "", TRole::BackSpace, 1)->SetGlyph(KeyGlyph(TKeyGlyph::BackSpace));
  AddKey(panel, cyrillic, 112, "Del", TRole::Del, 2);
  AddKey(panel, cyrillic, 400, "Caps", TRole::Caps, 2);
  AddKey(panel, cyrillic, 500, cyrillic ? "Ru" : "En", TRole::Layout, 2);
  AddKey(panel, cyrillic, 503, " ", TRole::Type, 7);
  AddKey(panel, cyrillic, 512, "", TRole::Left, 1)->SetGlyph(KeyGlyph(TKeyGlyph::Left));
  TLbButton* right = AddKey(panel, cyrillic, 513, "", TRole::Right, 1);
  right->SetGlyph(KeyGlyph(TKeyGlyph::Right));
  right->SetLayout(TLbButtonLayout::blGlyphRight);
}

TLbButton* TVirtualKeyboardFrm::KeyAt(bool cyrillic, int tag) const {
  for (TLbButton* key : (cyrillic ? pnRu : pnEn)->findChildren<TLbButton*>()) {
    if (key->Tag() == tag) return key;
  }
  return nullptr;
}

void TVirtualKeyboardFrm::KeyPressed(TLbButton& key) {
  QLineEdit& line = CommonEdit->LineEdit();
  switch (static_cast<TRole>(key.property(kRoleProperty).toInt())) {
    case TRole::Type: line.insert(QString::fromStdString(TypedText(key.Caption()))); break;
    case TRole::BackSpace: line.backspace(); break;
    case TRole::Del: line.del(); break;
    case TRole::Left: line.cursorBackward(false, 1); break;
    case TRole::Right: line.cursorForward(false, 1); break;
    case TRole::Caps: btCapsMouseDown(); break;
    case TRole::Layout: ShowLayout(!cyrillicFront_); break;
  }
  CommonEdit->SetFocus();
}

void TVirtualKeyboardFrm::btCapsMouseDown() {
  LowerCaseKeys = !LowerCaseKeys;
  for (ui::Panel* panel : {pnEn, pnRu}) {
    for (TLbButton* key : panel->findChildren<TLbButton*>()) {
      if (static_cast<TRole>(key->property(kRoleProperty).toInt()) != TRole::Type) continue;
      const QString caption = QString::fromStdString(key->Caption());
      key->SetCaption((LowerCaseKeys ? caption.toLower() : caption.toUpper()).toStdString());
    }
  }
}

void TVirtualKeyboardFrm::ShowLayout(bool cyrillic) {
  cyrillicFront_ = cyrillic;
  pnEn->SetVisible(!cyrillic);
  pnRu->SetVisible(cyrillic);
  (cyrillic ? pnRu : pnEn)->BringToFront();
}

void TVirtualKeyboardFrm::btApplyMouseDown() {
  TextRef = CommonEdit->Text();
  CloseWith(ui::mrOk);
}

void TVirtualKeyboardFrm::btCancelMouseDown() { CloseWith(ui::mrCancel); }

void TVirtualKeyboardFrm::Layout() {
  ApplyButtonFont();
  const int f = ViewProperties->FieldHeight;
  const int m = ViewProperties->Margin;
  const int width = 15 * f + 16 * m + 2;
  SetClientSize(width, 8 * f + 9 * m + 2);
  CommonEdit->SetBoundsRect(ui::Rect(m, m, width - m, m + f));
  CommonEdit->SetTextMargin(std::max(1, (f - ButtonTextHeight("H")) / 2));
  for (ui::Panel* panel : {pnEn, pnRu}) {
    panel->SetBoundsRect(ui::Rect(1, f + m + 1, width - 1, 7 * f + 8 * m));
    for (TLbButton* key : panel->findChildren<TLbButton*>()) {
      const int t = key->Tag();
      const int span = key->property(kSpanProperty).toInt();
      key->SetBounds(m + (t % 100) * (f + m), m + (t / 100) * (f + m), span * f + (span - 1) * m, f);
    }
  }
  ShowLayout(false);
  const int h = (width - 3 * m) / 2;
  btCancel->SetBoundsRect(ui::Rect(f + m, 7 * f + 8 * m, h + m - f, 8 * f + 8 * m));
  btApply->SetBoundsRect(ui::Rect(f + 2 * m + h, 7 * f + 8 * m, 2 * h + 2 * m - f, 8 * f + 8 * m));
}

void TVirtualKeyboardFrm::FormShow() {
  CommonEdit->SetFocus();
  CommonEdit->SelectAll();
}
