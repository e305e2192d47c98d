#include "instrument/ScannerThreads.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <mutex>
#include <thread>
#include <vector>

#include "instrument/Device.h"
#include "instrument/Firmware.h"
#include "instrument/InThread.h"
#include "instrument/OutThread.h"
#include "instrument/UsbDeviceFinder.h"
#include "model/IDeviceModel.h"
#include "model/NumberText.h"
#include "model/Services.h"
#include "platform/UiDispatcher.h"

namespace {

int ModelRowIndex() {
  IDeviceModel* device = Services().Device;
  return device ? device->GetModelIndex() : TDevice::kProgramModelRow;
}

const TDevice::TModelRow* ModelRow() {
  int row = ModelRowIndex();
  if (row < 0 || static_cast<size_t>(row) >= TDevice::kModelTable.size()) return nullptr;
  return &TDevice::kModelTable[static_cast<size_t>(row)];
}

bool SameIds(const platform::UsbDeviceIds& ids, uint16_t vid, uint16_t pid, uint16_t release) {
  return ids.vendor == vid && ids.product == pid && ids.release == release;
}

bool IsLoader(const platform::UsbDeviceIds& ids) {
  const TDevice::TModelRow* row = ModelRow();
  return row && SameIds(ids, row->LoaderVid, row->LoaderPid, row->LoaderRelease);
}

bool IsRunning(const platform::UsbDeviceIds& ids) {
  const TDevice::TModelRow* row = ModelRow();
  return row && SameIds(ids, row->RunningVid, row->RunningPid, row->RunningRelease);
}

std::deque<TCmdReply>& NoReplies() {
  static std::deque<TCmdReply> none;
  none.clear();
  return none;
}

// The links whose threads run. Made once and never deleted: the exit handler that reads it runs
// among the static destructors.
struct TRunningLinks {
  std::mutex Mutex;
  std::set<TScannerThreads*> Links;
  std::once_flag HandlerRegistered;
};

TRunningLinks& RunningLinks() {
  static TRunningLinks* const links = new TRunningLinks();
  return *links;
}

}  // namespace

TScannerThreads::TScannerThreads()
    : Log([](const std::string& why) { std::cerr << "tervan: " << why << std::endl; }),
      Backend(&platform::UsbBackend::get()) {
  Subscription = Backend->subscribe([this] {
    if (!Connected) Connect();
  });
}

TScannerThreads::~TScannerThreads() {
  Disconnect();
  Unregister();
  Backend->unsubscribe(Subscription);
}

void TScannerThreads::Problem(const std::string& why) {
  Problems.push_back(why);
  if (Logged.insert(why).second && Log) Log(why);
}

std::string TScannerThreads::GetDiscoveryProblems() const {
  std::string all;
  for (const std::string& p : Problems) {
    if (!all.empty()) all += '\n';
    all += p;
  }
  return all;
}

bool TScannerThreads::FindDevice() {
  std::vector<std::string> problems;
  std::optional<TFoundUsbDevice> found = TUsbDeviceFinder::Find(
      [](const platform::UsbDeviceIds& ids) { return IsLoader(ids) || IsRunning(ids); }, problems);
  for (const std::string& p : problems) Problem(p);
  if (!found) {
    if (Problems.empty()) Problem("No instrument of this model is attached");
    return false;
  }
  DeviceLock.emplace(std::move(found->Lock));
  Control = found->Handle;
  DeviceName = found->Name;
  return true;
}

void TScannerThreads::Connect() {
  if (Connected) return;
  Problems.clear();
  if (!FindDevice()) return;

  platform::UsbDeviceIds ids;
  if (!TUsbDeviceFinder::Check(Control, ids)) {
    Problem(DeviceName + " does not answer");
    CloseDevice();
    return;
  }
  if (IsLoader(ids)) {
    // Upload, then let go: the device comes back with its running ids and a new notice.
    if (OnProgress) OnProgress();
    const TDevice::TModelRow* row = ModelRow();
    int index = ModelRowIndex();
    TFirmwareResult r = (index == 3 || index == 4) ? LoadDspFirmware(Control, row->DSPFirmware)
                                                   : LoadEzFirmware(Control, row->EZFirmware);
    if (!r.Ok) Problem("Firmware upload to " + DeviceName + " failed: " + r.Error);
    CloseDevice();
    return;
  }
  if (!IsRunning(ids)) {
    CloseDevice();
    return;
  }
  if (OnProgress) OnProgress();
  if (!StartThreads()) {
    Problem("Cannot start the link threads on " + DeviceName);
    CloseDevice();
    return;
  }
  Connected = true;
  if (OnConnected) OnConnected();
}

void TScannerThreads::OnLinkMessage(int message, const std::string& why) {
  switch (static_cast<TLinkMessage>(message)) {
    case TLinkMessage::RepliesWaiting:
      if (Reader) Reader->NoticeTaken();
      if (OnData) OnData();
      break;
    case TLinkMessage::ReaderFailed:
    case TLinkMessage::WriterFailed:
      LinkError(why);
      break;
  }
}

bool TScannerThreads::StartThreads() {
  Token = std::make_shared<TToken>(TToken{this});
  std::weak_ptr<TToken> weak = Token;
  TLinkPost post = [weak](TLinkMessage message, const std::string& why) {
    platform::UiDispatcher::get().post([weak, message, why] {
      if (auto token = weak.lock()) token->Link->OnLinkMessage(static_cast<int>(message), why);
    });
  };
  Reader = std::make_unique<TInThread>(DeviceName, post);
  Writer = std::make_unique<TOutThread>(DeviceName, post);
  if (Reader->Start() && Writer->Start()) {
    Register();
    return true;
  }
  StopThreads();
  Token.reset();
  return false;
}

void TScannerThreads::StopThreads() {
  Unregister();
  // Writer first, then reader; each is woken, and its pipe aborted when it still runs.
  if (Writer) {
    std::this_thread::yield();
    if (!Writer->IsFinished()) {
      Writer->Terminate();
      std::this_thread::yield();
      if (!Writer->IsFinished()) platform::EzusbAbortPipe(Control, platform::UsbBackend::kWritePipe);
    }
    Writer->Join();
    Writer.reset();
  }
  if (Reader) {
    std::this_thread::yield();
    if (!Reader->IsFinished()) {
      Reader->Terminate();
      std::this_thread::yield();
      if (!Reader->IsFinished()) platform::EzusbAbortPipe(Control, platform::UsbBackend::kReadPipe);
    }
    Reader->Join();
    Reader.reset();
  }
}

void TScannerThreads::Register() {
  TRunningLinks& running = RunningLinks();
  {
    std::lock_guard<std::mutex> lock(running.Mutex);
    running.Links.insert(this);
  }
  // Registered after everything the threads use was made (the back end, the dispatcher), so it
  // runs before any of that is destroyed.
  std::call_once(running.HandlerRegistered, [] { std::atexit(StopAllForExit); });
}

void TScannerThreads::Unregister() {
  TRunningLinks& running = RunningLinks();
  std::lock_guard<std::mutex> lock(running.Mutex);
  running.Links.erase(this);
}

bool TScannerThreads::StopForExit(std::chrono::steady_clock::time_point deadline) {
  Token.reset();  // closures the threads posted before now do nothing
  if (RepliesLocked) {
    // exit() came from inside a data handler that holds the replies: the reader must not wait.
    RepliesLocked = false;
    Reader->GetLock().unlock();
  }
  // Both asked to end before either is waited for, so the time a slice takes is spent once.
  if (Writer) Writer->Terminate();
  if (Reader) Reader->Terminate();
  if (Writer && !Writer->IsFinished()) platform::EzusbAbortPipe(Control, platform::UsbBackend::kWritePipe);
  if (Reader && !Reader->IsFinished()) platform::EzusbAbortPipe(Control, platform::UsbBackend::kReadPipe);
  auto finished = [this] {
    return (!Writer || Writer->IsFinished()) && (!Reader || Reader->IsFinished());
  };
  while (!finished()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  if (Writer) Writer->Join();
  if (Reader) Reader->Join();
  Writer.reset();
  Reader.reset();
  Connected = false;
  CloseDevice();
  return true;
}

void TScannerThreads::StopAllForExit() {
  std::vector<TScannerThreads*> links;
  {
    TRunningLinks& running = RunningLinks();
    std::lock_guard<std::mutex> lock(running.Mutex);
    links.assign(running.Links.begin(), running.Links.end());
    running.Links.clear();
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kExitStopMs);
  bool stuck = false;
  for (TScannerThreads* link : links) {
    if (!link->StopForExit(deadline)) stuck = true;
  }
  if (!stuck) return;
  // Going on would delete the back end under a thread that is still inside it.
  std::fputs("tervan: a link thread did not end at exit; the program ends at once\n", stderr);
  std::fflush(nullptr);
  std::_Exit(EXIT_FAILURE);
}

void TScannerThreads::CloseDevice() {
  platform::CloseEzusbDevice(Control);
  DeviceLock.reset();
}

void TScannerThreads::Disconnect() {
  if (!Connected) return;
  Token.reset();  // closures the threads posted before now do nothing
  if (OnDisconnected) OnDisconnected();
  if (RepliesLocked) {
    // A handler that ends the link while it holds the replies: the reader must not wait for it.
    RepliesLocked = false;
    Reader->GetLock().unlock();
  }
  StopThreads();
  Connected = false;
  CloseDevice();
}

void TScannerThreads::LinkError(const std::string& why) {
  if (!Connected) return;
  LastLinkError = why;
  if (OnError) OnError();
  Disconnect();
}

bool TScannerThreads::VendorWrite(uint8_t request, uint16_t value, uint16_t length, const uint8_t* data,
                                  uint16_t index) {
  if (!Connected) return false;
  // A host-to-device data stage is only read from.
  platform::UsbResult r = platform::EzusbVendorTransfer(Control, request, value, length, const_cast<uint8_t*>(data),
                                                        platform::kEzusbHostToDevice, index);
  if (r.ok()) return true;
  LinkError("Vendor request " + IntToText(request) + " failed" + (r.error.empty() ? "" : ": " + r.error));
  return false;
}

bool TScannerThreads::VendorRead(uint8_t request, uint16_t value, size_t& count, uint16_t length, uint8_t* buffer,
                                 uint16_t index) {
  count = 0;
  if (!Connected) return false;
  platform::UsbResult r =
      platform::EzusbVendorTransfer(Control, request, value, length, buffer, platform::kEzusbDeviceToHost, index);
  if (r.ok()) {
    count = r.count;
    return true;
  }
  LinkError("Vendor request " + IntToText(request) + " failed" + (r.error.empty() ? "" : ": " + r.error));
  return false;
}

void TScannerThreads::QueueCommands(const std::vector<TCmdRequest>& commands) {
  if (!Connected || !Writer) return;
  Writer->Queue(commands);
}

bool TScannerThreads::LockReplies() {
  if (!Connected || !Reader || RepliesLocked) return false;
  Reader->GetLock().lock();
  if (Reader->GetReplyQueue().empty()) {
    Reader->GetLock().unlock();
    return false;
  }
  RepliesLocked = true;
  return true;
}

std::deque<TCmdReply>& TScannerThreads::GetReplyQueue() {
  if (!RepliesLocked) return NoReplies();
  return Reader->GetReplyQueue();
}

void TScannerThreads::ReleaseReplies() {
  if (!Connected || !RepliesLocked) return;
  Reader->GetReplyQueue().clear();
  RepliesLocked = false;
  Reader->GetLock().unlock();
}

void TScannerThreads::Sync() {
  if (!Connected) return;
  uint16_t counter = Reader->BeginDiscard();
  if (!VendorWrite(kSyncRequest, counter, 0, nullptr, 0)) return;
  {
    std::lock_guard<std::mutex> lock(Writer->GetLock());
    Writer->AbortPipe();
    std::this_thread::yield();
    Writer->GetCommandQueue().clear();
    Writer->GetCommandQueue().push_back(TCmdRequest::Sync(counter));
  }
  Writer->Wake();
  std::this_thread::yield();
}
