#include "instrument/CustomThread.h"

#include <chrono>
#include <utility>

TCustomThread::TCustomThread(std::string deviceName, TLinkPost post)
    : Post(std::move(post)), DeviceName(std::move(deviceName)) {}

TCustomThread::~TCustomThread() {
  // The derived destructor has joined already; this only guards against a forgotten one.
  Terminate();
  Join();
}

bool TCustomThread::Start() {
  if (Thread.joinable()) return true;
  if (!platform::OpenEzusbDevice(Handle, DeviceName)) return false;
  Thread = std::thread([this] { Run(); });
  return true;
}

void TCustomThread::Run() {
  Execute();
  // Handle itself stays as it was: the UI thread may still read it (to abort a pipe), and the
  // back end ignores a handle that is closed.
  platform::EzusbHandle own = Handle;
  platform::CloseEzusbDevice(own);
  Finished = true;
}

void TCustomThread::Terminate() {
  {
    std::lock_guard<std::mutex> lock(PauseMutex);
    Terminated = true;
  }
  PauseCond.notify_all();
  WakeForTermination();
}

void TCustomThread::Join() {
  if (Thread.joinable() && Thread.get_id() != std::this_thread::get_id()) Thread.join();
}

bool TCustomThread::PauseUnlessTerminated(int ms) {
  std::unique_lock<std::mutex> lock(PauseMutex);
  return !PauseCond.wait_for(lock, std::chrono::milliseconds(ms), [this] { return Terminated.load(); });
}
