#pragma once
// Turns SIGTERM, SIGINT and SIGHUP into a call on the user-interface thread. The signal handler
// only writes the signal's number into a pipe; a socket notifier on the pipe's other end reads
// it in the event loop and calls the handler there, where closing windows is safe.
//
// A signal that the process inherited as ignored stays ignored. One instance at a time; it puts
// the previous signal dispositions back when destroyed.
#include <csignal>
#include <functional>
#include <memory>

class QSocketNotifier;

class TSignalPipe {
 public:
  using THandler = std::function<void(int signal)>;

  // Needs a running application (the notifier lives on its thread).
  explicit TSignalPipe(THandler handler);
  ~TSignalPipe();
  TSignalPipe(const TSignalPipe&) = delete;
  TSignalPipe& operator=(const TSignalPipe&) = delete;

  // The signals it takes over.
  static constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

 private:
  void ReadSignals();

  THandler Handler;
  int ReadEnd = -1;
  int WriteEnd = -1;
  std::unique_ptr<QSocketNotifier> Notifier;
  struct sigaction Previous[3] = {};
};
