#include "platform/ui/Application.h"

#include <clocale>
#include <exception>
#include <iostream>
#include <stdexcept>

#include "platform/ui/MessageBox.h"

namespace ui {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
  // Qt has just called setlocale(LC_ALL, "") from the environment.
  std::setlocale(LC_NUMERIC, "C");
}

Application::~Application() = default;

Application* Application::Instance() { return qobject_cast<Application*>(QCoreApplication::instance()); }

Application& Application::ForTests() {
  if (Application* app = Instance()) return *app;
  if (QCoreApplication::instance()) throw std::logic_error("another kind of application is running");
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "tervan-tests";
  static char* argv[] = {name, nullptr};
  static Application* app = new Application(argc, argv);
  return *app;
}

void Application::SetTitle(const std::string& title) { setApplicationDisplayName(QString::fromStdString(title)); }

std::string Application::Title() const { return applicationDisplayName().toStdString(); }

bool Application::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    HandleException(e.what());
  } catch (...) {
    HandleException("Unknown exception");
  }
  return false;
}

void Application::Report(const std::string& message) {
  if (Application* app = Instance()) {
    app->HandleException(message);
    return;
  }
  try {
    MessageBox::Get().Show(message);
  } catch (...) {
    std::cerr << message << std::endl;
  }
}

void Application::HandleException(const std::string& message) {
  if (handling_ >= 4) {
    // Messages keep failing while they are shown; nothing is left to show them with.
    std::cerr << message << std::endl;
    return;
  }
  ++handling_;
  try {
    if (OnException) {
      OnException(message);
    } else {
      MessageBox::Get().Show(message);
    }
  } catch (const std::exception& e) {
    std::cerr << message << " (" << e.what() << ")" << std::endl;
  } catch (...) {
    std::cerr << message << std::endl;
  }
  --handling_;
}

bool Application::IsOffscreen() {
  return QGuiApplication::platformName() == QLatin1String("offscreen");
}

}  // namespace ui
