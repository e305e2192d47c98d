#pragma once
// The program's QApplication: an exception that escapes an event handler is caught where Qt
// delivers the event, its message is shown, and the event loop goes on. After Qt has set the
// locale from the environment, LC_NUMERIC goes back to "C", so no C library call can write
// or read a decimal comma.
#include <QApplication>
#include <exception>
#include <functional>
#include <string>

namespace ui {

class Application : public QApplication {
  Q_OBJECT

 public:
  Application(int& argc, char** argv);
  ~Application() override;

  bool notify(QObject* receiver, QEvent* event) override;

  // The running application, when it is one of these.
  static Application* Instance();
  // The application of a test process: the running one, else one created on the offscreen
  // platform (kept until the process ends).
  static Application& ForTests();

  // Whether the platform in use draws nothing (the "offscreen" platform of tests and servers).
  static bool IsOffscreen();

  void SetTitle(const std::string& title);
  std::string Title() const;

  // Shows the message of an escaped exception: OnException when set, else the message box.
  void HandleException(const std::string& message);
  // HandleException of the running application, or the message box when there is none.
  static void Report(const std::string& message);
  // Runs the closure; an exception it throws is reported and goes no further. The layer runs
  // every handler this way, so exceptions are stopped before they unwind through Qt.
  template <class F>
  static void Guard(F&& f) {
    try {
      f();
    } catch (const std::exception& e) {
      Report(e.what());
    } catch (...) {
      Report("Unknown exception");
    }
  }
  std::function<void(const std::string& message)> OnException;

 private:
  int handling_ = 0;
};

}  // namespace ui
