#pragma once
// Program start and stop: the run-mode switches, the title, the application-wide modules in
// their creation order (each in its global), the services and hooks that the libraries below
// the windows declared, the event loop, and at the end the modules deleted in reverse order.
//
// Start and Stop work in-process on a running application, so tests run the real program; Run
// is the whole program as main() runs it. An exception that escapes the start is shown in a
// message box and the program ends with exit code 1.
#include <functional>
#include <string>
#include <string_view>
#include <optional>
#include <vector>

class TDevice;
class TPowerMeter;
class TSynthesizerTV;
class TSynthesizerTV30;

class TProgramStart {
 public:
  static constexpr const char* kTitle = "Tervan K30";

  // The automation server's start-up hook, called with the arguments after the program path,
  // after the run-mode switches are set and before any module exists. It gives back no value to
  // go on, or the exit code of a program started only for the server's own work (registering
  // it, for example), which then ends here. Empty: nothing.
  static std::function<std::optional<int>(const std::vector<std::string>& arguments)> AutomationStart;
  // The automation server's stop hook, run first in Stop, while every module still exists.
  static std::function<void()> AutomationStop;
  // Called after each module has been created, with the name of its global (tests make one
  // fail with it).
  static std::function<void(const std::string& module)> OnModuleCreated;
  // Called once the event loop runs (tests drive the running program with it).
  static std::function<void()> OnRunning;

  // The arguments after the program path, joined with blanks (D7 searches this text).
  static std::string JoinArguments(int argc, const char* const* argv);

  // Sets the switches from the arguments, the title, creates the modules, installs the
  // services and hooks and the signal handling; the main window's delayed start then runs
  // from the event loop. Needs a running ui::Application. On an exception everything made so
  // far is taken down again before it leaves. False when the automation hook ended the start
  // (its exit code in StartExitCode()).
  static bool Start(int argc, const char* const* argv);
  static int StartExitCode();
  // Closes the main window as SIGTERM does (without one, the event loop just ends).
  static void RequestClose();
  // The main window's shut-down, then the modules deleted and their globals cleared in reverse
  // order, the services and hooks removed. Does nothing when nothing is started.
  static void Stop();
  static bool IsStarted();

  // The whole program: the application (the running one when there is one), Start, the event
  // loop until the main window has closed, Stop. 0 after a normal end, 1 after an exception
  // escaped the start or the loop (its message is shown first).
  static int Run(int argc, char** argv);
};

// The application-wide modules that have no global of their own in the libraries below.
extern TDevice* Device;
// The external power meter, created at start for the whole run.
extern TPowerMeter* PowerMeter;
extern TSynthesizerTV* SynthesizerTV;
extern TSynthesizerTV30* SynthesizerTV30;
