#pragma once
// The common ground of every touch window of the program (dialogs, pick lists, keypad,
// keyboard, file browser, wait box): a borderless window in 0x444444 with the rounded skin,
// the see-through key colour, key preview, a title bar in the look's PanelColor that drags the
// window, and the rules by which such a window closes, gives up the activation and is placed.
//
// Keys: with a key handler, Enter, Escape and Cancel (3) are consumed and run OkAction (result
// 1 by default); without one but with the Escape option, Escape closes with result 2; with
// neither, these keys are left alone. Forms that map keys differently install their own
// OnKeyDown after construction.
#include <string>

#include "platform/ui/Form.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/Panel.h"

class TLbButton;

class TTouchForm : public ui::Form {
  Q_OBJECT

 public:
  static constexpr ui::TColor kFormColor = 0x444444;
  // The language module's blank before caption and value texts.
  static constexpr const char* kBlankText = " ";

  enum class Placement { Owner, MainForm, Fixed };

  // title: English; shown translated on TopPanel. Empty: the title bar stays hidden.
  explicit TTouchForm(QWidget* owner, const std::string& title = {});
  ~TTouchForm() override;

  // --- title and drag ---------------------------------------------------------------------
  ui::Panel* TopPanel = nullptr;
  int DragX = 0;
  int DragY = 0;
  bool Dragging = false;
  void SetTitle(const std::string& english);
  void TopPanelMouseDown(ui::MouseButton button, ui::ShiftState shift, int x, int y);
  void TopPanelMouseMove(ui::ShiftState shift, int x, int y);
  void TopPanelMouseUp(ui::MouseButton button, ui::ShiftState shift, int x, int y);
  // The form's own background drags the window too (windows without a title bar).
  void SetBackgroundDrags(bool on) { backgroundDrags_ = on; }

  // --- options ----------------------------------------------------------------------------
  void SetKeyHandler(bool on) { keyHandler_ = on; }
  void SetEscapeCloses(bool on) { escapeCloses_ = on; }
  // Outside a modal run, a loss of the activation releases the form.
  void SetReleaseOnDeactivate(bool on) { releaseOnDeactivate_ = on; }
  void SetRefocusOwner(bool on) { SetFocusOwnerOnDestroy(on); }
  // Where the form appears; a fixed point is moved just enough to lie in the work area.
  void SetPlacement(Placement placement, ui::Point fixed = {});

  // The close rule: in a modal run the result ends it; otherwise the form releases itself.
  void CloseWith(int result);
  // What Enter, Escape and Cancel do under the key handler.
  virtual void OkAction() { CloseWith(ui::mrOk); }

  // --- look helpers -----------------------------------------------------------------------
  // The width of a text in the look's button font, measured on its MeasureBitmap.
  static int ButtonTextWidth(const std::string& text);
  static int ButtonTextHeight(const std::string& text);
  // The button font on every control of the form and on its canvas.
  void ApplyButtonFont();
  // A touch key: modern look, grey face, silver light, white shadow, no tab stop.
  TLbButton* MakeButton(QWidget* parent, const std::string& name, const std::string& caption = {});
  // A white caption panel (blank + translated caption) and its blue value panel.
  ui::Panel* MakeCaptionPanel(const std::string& name, const std::string& english);
  ui::Panel* MakeValuePanel(const std::string& name);
  static void SetValueText(ui::Panel& panel, const std::string& value);

 protected:
  virtual void FormPaint();
  void showEvent(QShowEvent* event) override;

 private:
  void FormKeyDown(int& key, ui::ShiftState shift);
  bool keyHandler_ = false;
  bool escapeCloses_ = false;
  bool releaseOnDeactivate_ = false;
  bool backgroundDrags_ = false;
  bool shownModeless_ = false;
  Placement placement_ = Placement::Owner;
  ui::Point fixed_;
};
