#pragma once
// A top-level window: borderless by default, owned by another form (which it stays above and
// dies with), with a background colour, an optional see-through key colour (pixels painted in
// 0x800080 are cut out of the window), a start position, and modal and modeless runs.
//
// ShowModal shows the form and runs a nested event loop until a non-zero modal result is set;
// runs nest. Release deletes a modeless form later, but never while a handler of the form (or
// of a control on it) or its modal run is on the stack: the deletion waits until the last of
// them has returned.
#include <QPointer>
#include <QRegion>
#include <functional>
#include <string>

#include "platform/ui/Control.h"

class QEventLoop;

namespace ui {

// Modal results.
inline constexpr int mrNone = 0;
inline constexpr int mrOk = 1;
inline constexpr int mrCancel = 2;
inline constexpr int mrAbort = 3;
inline constexpr int mrRetry = 4;
inline constexpr int mrIgnore = 5;
inline constexpr int mrYes = 6;
inline constexpr int mrNo = 7;
inline constexpr int mrAll = 8;

enum class FormPosition { Designed, OwnerFormCenter, MainFormCenter, ScreenCenter };
enum class FormBorder { None, Dialog, Sizeable };
enum class CloseAction { None, Hide, Free };

class Form : public Control {
  Q_OBJECT

 public:
  using CloseEvent = std::function<void(Form& sender, CloseAction& action)>;

  // owner: the form (or any control of it) this one belongs to; nullptr for none.
  explicit Form(QWidget* owner = nullptr);
  ~Form() override;

  // The owning form, when the owner is one.
  Form* OwnerForm() const;

  // --- look and place ---------------------------------------------------------------------
  void SetBorder(FormBorder border);
  void SetCaption(const std::string& caption);
  std::string Caption() const;
  // Cut out the pixels painted in the key colour (0x800080 unless set).
  void SetTransparentColor(bool on, TColor key = clFormKey);
  bool TransparentColor() const { return transparent_; }
  // Whether the point (client coordinates) belongs to the window's shape.
  bool InMask(int x, int y) const;
  void SetStayOnTop(bool on);
  bool StayOnTop() const { return stayOnTop_; }
  void SetPosition(FormPosition position) { position_ = position; }
  FormPosition Position() const { return position_; }
  int ClientWidth() const { return width(); }
  int ClientHeight() const { return height(); }
  void SetClientSize(int width, int height) { resize(width, height); }
  // Covers the screen's work area.
  void FillWorkArea();
  // Centres the form on the rectangle (screen coordinates).
  void CenterOn(const Rect& area);

  bool KeyPreview() const { return keyPreview_; }
  void SetKeyPreview(bool on) { keyPreview_ = on; }
  // On destruction outside a modal run, give the focus back to the owning form when it can
  // take it.
  void SetFocusOwnerOnDestroy(bool on) { focusOwnerOnDestroy_ = on; }

  // --- runs -------------------------------------------------------------------------------
  void Show();
  void Hide();
  void SetVisible(bool visible) override;
  int ShowModal();
  bool IsModal() const { return modalLoop_ != nullptr; }
  int ModalResult() const { return modalResult_; }
  void SetModalResult(int result);
  // Modal: modal result Cancel. Otherwise OnClose decides (hide by default).
  void Close();
  void Release();
  bool ReleasePending() const { return releasePending_; }
  // The deactivation notice, as when another window takes the activation.
  void Deactivate();

  // The main window (the one forms centre on with MainFormCenter).
  static Form* MainForm();
  static void SetMainForm(Form* form);
  // Called inside every modal loop right after it starts (tests script forms with it);
  // returns the hook it replaces.
  using ModalHook = std::function<void(Form& form)>;
  static ModalHook SetModalHook(ModalHook hook);

  // --- events -----------------------------------------------------------------------------
  NotifyEvent OnShow;
  NotifyEvent OnHide;
  NotifyEvent OnPaint;
  NotifyEvent OnActivate;
  NotifyEvent OnDeactivate;
  NotifyEvent OnResize;
  CloseEvent OnClose;

  // Keeps the form alive while a handler of it runs (see Release).
  class HandlerScope {
   public:
    explicit HandlerScope(Form* form);
    ~HandlerScope();
    HandlerScope(const HandlerScope&) = delete;
    HandlerScope& operator=(const HandlerScope&) = delete;

   private:
    QPointer<Form> form_;
  };

  // Offers a dialog key or character to the controls of the form; true when one took it.
  bool BroadcastDialogKey(int key, ShiftState shift);
  bool BroadcastDialogChar(char32_t ch);

 protected:
  void Paint(Canvas& canvas) override;
  void AfterPaint() override;
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void ApplyPosition();
  void ScheduleRelease();
  void ApplyFlags();

  FormBorder border_ = FormBorder::None;
  FormPosition position_ = FormPosition::Designed;
  bool positioned_ = false;
  bool transparent_ = false;
  TColor key_ = clFormKey;
  QRegion maskRegion_;
  bool stayOnTop_ = false;
  bool keyPreview_ = false;
  bool focusOwnerOnDestroy_ = false;
  int modalResult_ = mrNone;
  QEventLoop* modalLoop_ = nullptr;
  int busy_ = 0;
  bool releasePending_ = false;
};

}  // namespace ui
