#pragma once
// The base of every owner-drawn control and form: a QWidget that paints itself through a
// Canvas into a kept picture (blitted in the paint event), with the mouse, key and focus
// events of the forms' handlers. Coordinates are pixels of the parent's client area.
//
// Mouse: down, move, up, click (left button down and up inside), double click, enter and
// leave, with the button and shift state; a pressed button captures the mouse (moves and the
// release go to the control it went down on). Hover moves arrive without a button.
// Keys: a key-down with the virtual key and a key-press with the typed character go first to
// the form when its KeyPreview is on, then to the control; setting the key to 0 consumes it.
// An unconsumed Enter, Escape, Cancel, Tab or arrow is offered to every control of the form as
// a dialog key (a default or cancel button takes it), and an unconsumed character to every
// control as a dialog character (accelerators), unless the focused control wants it.
#include <QWidget>
#include <functional>
#include <string>

#include "platform/ui/Canvas.h"
#include "platform/ui/Color.h"
#include "platform/ui/Cursor.h"
#include "platform/ui/Font.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/ImageCanvas.h"
#include "platform/ui/Keys.h"

namespace ui {

class Form;

// Horizontal placement of a caption.
enum class Alignment { Left, Center, Right };

// The TextFormat flag of an alignment.
unsigned TextFormatOf(Alignment alignment);

class Control : public QWidget {
  Q_OBJECT

 public:
  using NotifyEvent = std::function<void(Control& sender)>;
  using MouseEvent = std::function<void(Control& sender, MouseButton button, ShiftState shift, int x, int y)>;
  using MouseMoveEvent = std::function<void(Control& sender, ShiftState shift, int x, int y)>;
  using KeyEvent = std::function<void(Control& sender, int& key, ShiftState shift)>;
  using KeyPressEvent = std::function<void(Control& sender, char32_t& key)>;

  // parent: the form, panel or group box the control sits on (nullptr for none).
  explicit Control(QWidget* parent = nullptr);
  ~Control() override;

  // --- identity ---------------------------------------------------------------------------
  std::string Name() const;  // the object name ("btOk", "pnTriggerValue")
  void SetName(const std::string& name);
  int Tag() const { return tag_; }
  void SetTag(int tag) { tag_ = tag; }

  // --- geometry ---------------------------------------------------------------------------
  void SetBounds(int left, int top, int width, int height);
  void SetBoundsRect(const Rect& r) { SetBounds(r.Left, r.Top, r.Width(), r.Height()); }
  Rect BoundsRect() const;
  int Left() const { return geometry().x(); }
  int Top() const { return geometry().y(); }
  int Width() const { return width(); }
  int Height() const { return height(); }
  void SetLeft(int left) { SetBounds(left, Top(), Width(), Height()); }
  void SetTop(int top) { SetBounds(Left(), top, Width(), Height()); }
  void SetWidth(int width) { SetBounds(Left(), Top(), width, Height()); }
  void SetHeight(int height) { SetBounds(Left(), Top(), Width(), height); }
  Rect ClientRect() const { return Rect(0, 0, width(), height()); }
  Point ClientToScreen(Point p) const { return mapToGlobal(p); }
  Point ScreenToClient(Point p) const { return mapFromGlobal(p); }

  // --- state ------------------------------------------------------------------------------
  // Its own visibility flag; Showing() also needs every parent shown.
  bool Visible() const { return !isHidden(); }
  virtual void SetVisible(bool visible);
  bool Showing() const { return isVisible(); }
  bool Enabled() const { return isEnabled(); }
  void SetEnabled(bool enabled) { setEnabled(enabled); }

  TColor Color() const { return color_; }
  void SetColor(TColor color);
  const ui::Font& GetFont() const { return font_; }
  void SetFont(const ui::Font& font);
  ui::Cursor GetCursor() const { return cursor_; }
  void SetCursor(ui::Cursor cursor);

  // --- painting ---------------------------------------------------------------------------
  // Asks for a repaint (coalesced by the event loop).
  void Invalidate() { update(); }
  // Paints into the kept picture now (no screen needed) and shows it when visible.
  void Repaint();
  // The canvas that is being painted: the kept one, or the target of PaintTo while it runs.
  Canvas& GetCanvas() { return target_ ? *target_ : canvas_; }
  ImageCanvas& KeptCanvas() { return canvas_; }
  // Paints into the kept picture now without showing it.
  void PaintNow();
  // Lets the control paint itself onto another canvas (screen shots, printing).
  void PaintTo(Canvas& target);

  // --- focus ------------------------------------------------------------------------------
  // Visible and enabled, with every parent.
  bool CanFocus() const;
  void SetFocus();
  bool Focused() const;
  void BringToFront() { raise(); }
  void SendToBack() { lower(); }

  // The form the control sits on (the control itself for a form), or nullptr.
  Form* ParentForm() const;

  // --- events -----------------------------------------------------------------------------
  MouseEvent OnMouseDown;
  MouseEvent OnMouseUp;
  MouseMoveEvent OnMouseMove;
  NotifyEvent OnClick;
  NotifyEvent OnDblClick;
  NotifyEvent OnMouseEnter;
  NotifyEvent OnMouseLeave;
  KeyEvent OnKeyDown;
  KeyEvent OnKeyUp;
  KeyPressEvent OnKeyPress;

  // --- key routing (used by the form and the test driver) ---------------------------------
  // A dialog key or character offered by the form; true when taken.
  virtual bool DialogKey(int key, ShiftState shift);
  virtual bool DialogChar(char32_t ch);
  // The widget that receives this control's key events (an edit's line editor).
  virtual QWidget* KeyTarget() { return this; }
  // The whole key-down and key-press routing for one Qt key event aimed at this control;
  // true when something consumed it.
  bool RouteKeyPress(QKeyEvent* event);
  bool RouteKeyRelease(QKeyEvent* event);

 protected:
  // Draws the control; the default fills it with Color.
  virtual void Paint(Canvas& canvas);
  // After every paint into the kept picture.
  virtual void AfterPaint() {}
  // After the colour or the font changed.
  virtual void LookChanged() {}
  // Controls that let the parent show through where they do not draw.
  void SetSeeThrough(bool seeThrough);

  virtual void MouseDown(MouseButton button, ShiftState shift, int x, int y);
  virtual void MouseMove(ShiftState shift, int x, int y);
  virtual void MouseUp(MouseButton button, ShiftState shift, int x, int y);
  virtual void Click();
  virtual void DblClick();
  virtual void MouseEnter();
  virtual void MouseLeave();
  virtual void KeyDown(int& key, ShiftState shift);
  virtual void KeyUp(int& key, ShiftState shift);
  virtual void KeyPress(char32_t& key);
  // Keys of the dialog-key set that the control handles itself (not offered to the form).
  virtual bool WantsKey(int key) const;
  // The control takes typed characters itself (no accelerators while it has the focus).
  virtual bool WantsChars() const { return false; }

  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;

 private:
  void PaintKept();

  ImageCanvas canvas_;
  Canvas* target_ = nullptr;
  TColor color_ = clBtnFace;
  ui::Font font_;
  ui::Cursor cursor_ = ui::Cursor::Default;
  int tag_ = 0;
  bool clickPending_ = false;
  bool seeThrough_ = false;
};

}  // namespace ui
