#pragma once
// Drives forms in tests as a user would, through Qt's event delivery (so exceptions reach
// Application::notify and mouse capture applies): find a control by its name, press, release,
// click, double-click, hover, drag, send keys, and script the forms that run modally.
//
// For its lifetime the driver installs a scripted message box and the modal hook: each modal
// run takes the next scripted action (run by a zero-delay timer inside its loop); a modal run
// with no action left is reported to the failure handler and ended with Cancel, so no test
// blocks. The failure handler of a test is typically
//   [](const std::string& m) { ADD_FAILURE() << m; }
#include <QWidget>
#include <deque>
#include <functional>
#include <string>

#include "platform/ui/Control.h"
#include "platform/ui/Form.h"
#include "platform/ui/ScriptedMessageBox.h"

namespace ui {

class TestDriver {
 public:
  using FailureHandler = std::function<void(const std::string& message)>;

  explicit TestDriver(FailureHandler onFailure = {});
  ~TestDriver();
  TestDriver(const TestDriver&) = delete;
  TestDriver& operator=(const TestDriver&) = delete;

  ScriptedMessageBox& Box() { return box_; }

  // A control with that object name below root (or in any top-level window); nullptr when
  // none is found or it is not a T.
  template <class T = Control>
  T* Find(const std::string& name, QWidget* root = nullptr) const {
    return qobject_cast<T*>(FindWidget(name, root));
  }
  // As Find, but a missing control is a failure (and throws).
  template <class T = Control>
  T& Get(const std::string& name, QWidget* root = nullptr) const {
    T* found = Find<T>(name, root);
    if (!found) Fail("no control named " + name);
    return *found;
  }

  // Mouse, at client coordinates of the control (the centre when none are given).
  void Press(Control& c, MouseButton button = MouseButton::Left, ShiftState shift = 0);
  void Press(Control& c, int x, int y, MouseButton button = MouseButton::Left, ShiftState shift = 0);
  void Release(Control& c, MouseButton button = MouseButton::Left, ShiftState shift = 0);
  void Release(Control& c, int x, int y, MouseButton button = MouseButton::Left, ShiftState shift = 0);
  void Click(Control& c, MouseButton button = MouseButton::Left);
  void Click(Control& c, int x, int y, MouseButton button = MouseButton::Left);
  void DoubleClick(Control& c);
  void DoubleClick(Control& c, int x, int y);
  // A move with no button held (hover), or with the given buttons.
  void Move(Control& c, int x, int y, ShiftState shift = 0);
  void Enter(Control& c);
  void Leave(Control& c);
  // Press at (x, y), move by (dx, dy) in that many steps with the left button held, release.
  void Drag(Control& c, int x, int y, int dx, int dy, int steps = 4);

  // A key (virtual key code) down, the character it types, and up, sent where the control's
  // keys go (a form: its focused control, else the form).
  void Key(Control& target, int virtualKey, ShiftState shift = 0);
  // Types the characters of the UTF-8 text one key at a time.
  void Type(Control& target, const std::string& utf8);

  // The action for the next modal run that starts (queued in order).
  void OnNextModal(std::function<void(Form& form)> action);
  size_t PendingModalActions() const { return modalActions_.size(); }
  // Drops the actions that no modal run has taken (a test that kept one ready just in case).
  void ClearModalActions() { modalActions_.clear(); }

  // The deactivation notice of a form, as when another window takes the activation.
  void Deactivate(Form& form) { form.Deactivate(); }
  // Handles every pending event (posted calls, releases, paints).
  void ProcessEvents();

 private:
  QWidget* FindWidget(const std::string& name, QWidget* root) const;
  void Fail(const std::string& message) const;
  void SendMouse(Control& c, int type, int x, int y, MouseButton button, ShiftState shift);
  void SendKey(QWidget* receiver, int qtKey, Qt::KeyboardModifiers mods, bool keypad, const QString& text);
  QWidget* KeyReceiver(Control& target);

  FailureHandler onFailure_;
  ScriptedMessageBox box_;
  std::deque<std::function<void(Form&)>> modalActions_;
  Form::ModalHook previousHook_;
};

}  // namespace ui
