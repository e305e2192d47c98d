#include "shell/SignalPipe.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <stdexcept>
#include <utility>

#include "platform/ui/Application.h"

namespace {

std::atomic<int> g_writeEnd{-1};

extern "C" void WriteSignalToPipe(int signal) {
  const int saved = errno;
  const int fd = g_writeEnd.load();
  if (fd >= 0) {
    const unsigned char byte = static_cast<unsigned char>(signal);
    // A full pipe drops the byte: the signals already waiting do the same work.
    [[maybe_unused]] const ssize_t written = write(fd, &byte, 1);
  }
  errno = saved;
}

}  // namespace

TSignalPipe::TSignalPipe(THandler handler) : Handler(std::move(handler)) {
  if (g_writeEnd.load() >= 0) throw std::logic_error("only one signal pipe at a time");
  int fds[2];
  if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) throw std::runtime_error("the signal pipe cannot be made");
  ReadEnd = fds[0];
  WriteEnd = fds[1];
  g_writeEnd.store(WriteEnd);
  Notifier = std::make_unique<QSocketNotifier>(ReadEnd, QSocketNotifier::Read);
  QObject::connect(Notifier.get(), &QSocketNotifier::activated, [this] { ReadSignals(); });
  struct sigaction action = {};
  action.sa_handler = WriteSignalToPipe;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (size_t i = 0; i < std::size(kSignals); ++i) {
    sigaction(kSignals[i], nullptr, &Previous[i]);
    // A signal the parent chose to ignore (nohup, a background job's SIGINT) stays ignored.
    if (Previous[i].sa_handler == SIG_IGN) continue;
    sigaction(kSignals[i], &action, nullptr);
  }
}

TSignalPipe::~TSignalPipe() {
  for (size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &Previous[i], nullptr);
  g_writeEnd.store(-1);
  Notifier.reset();
  close(ReadEnd);
  close(WriteEnd);
}

void TSignalPipe::ReadSignals() {
  unsigned char buffer[16];
  for (;;) {
    const ssize_t n = read(ReadEnd, buffer, sizeof buffer);
    if (n <= 0) break;
    for (ssize_t i = 0; i < n; ++i) {
      const int signal = buffer[i];
      if (Handler) ui::Application::Guard([this, signal] { Handler(signal); });
    }
  }
}
