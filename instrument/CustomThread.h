#pragma once
// Base of the link's two worker threads (the reader and the writer). Each has its own lock, its
// own handle on the device, and reaches the user-interface thread only through the post
// function that the link gives it. Start() opens the handle and starts the thread; Execute()
// runs in the thread until it is terminated or ends by itself; the handle is closed as the
// thread leaves, and IsFinished() turns true as its very last act.
//
// A derived class must Terminate() and Join() in its own destructor, before its members go.
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "platform/Ezusb.h"

// What a worker tells the link.
enum class TLinkMessage {
  RepliesWaiting,  // the reader's queue holds replies
  ReaderFailed,    // the in pipe failed twice; the link is broken
  WriterFailed,    // the out pipe failed twice; the link is broken
};
// Called on the worker's own thread; the link turns it into a closure on the UI thread.
using TLinkPost = std::function<void(TLinkMessage message, const std::string& why)>;

class TCustomThread {
 public:
  // Transfers run in slices of this length, so a terminated thread notices within one.
  static constexpr int kSliceMs = platform::UsbBackend::kMaxSliceMs;
  // The pause before a failed transfer is tried once more.
  static constexpr int kRetryPauseMs = 100;

  TCustomThread(std::string deviceName, TLinkPost post);
  virtual ~TCustomThread();
  TCustomThread(const TCustomThread&) = delete;
  TCustomThread& operator=(const TCustomThread&) = delete;

  // Opens the thread's own handle and starts it; false (and no thread) when the handle cannot
  // be opened.
  bool Start();
  // Asks the thread to end and wakes it from its pauses; it ends after the transfer in progress.
  void Terminate();
  bool IsTerminated() const { return Terminated.load(); }
  bool IsFinished() const { return Finished.load(); }
  // Waits for the thread to end (nothing when it never started).
  void Join();

  const std::string& GetDeviceName() const { return DeviceName; }
  platform::EzusbHandle GetHandle() const { return Handle; }

  // The thread's lock over its queue.
  std::mutex& GetLock() { return Lock; }

 protected:
  virtual void Execute() = 0;
  // Called by Terminate() so that a thread waiting for work wakes up.
  virtual void WakeForTermination() {}
  // Pauses ms milliseconds unless termination comes first; false when terminated.
  bool PauseUnlessTerminated(int ms);

  std::mutex Lock;
  TLinkPost Post;

 private:
  void Run();

  std::string DeviceName;
  platform::EzusbHandle Handle = platform::UsbBackend::kInvalidHandle;
  std::thread Thread;
  std::atomic<bool> Terminated{false};
  std::atomic<bool> Finished{false};
  std::mutex PauseMutex;
  std::condition_variable PauseCond;
};
