#pragma once
// The USB link to the instrument: discovery, firmware upload, and the reader and writer
// threads that carry command records and replies.
//
// Discovery looks at the devices of the installed USB back end in order. A device is skipped
// when its lock file is held (another copy of the program, or the calibration-module link, has
// it), when it cannot be opened or checked, or when its ids are neither the loader's nor the
// running ones of the model row. A device in its loader state gets its firmware and is let go:
// it leaves the bus and comes back with its running ids, and the device-change notice that
// follows runs discovery again, which then starts the threads. Why a device was skipped is kept
// readable (GetDiscoveryProblems) and logged once.
//
// Everything here runs on the user-interface thread. The threads reach it only through
// closures posted to platform::UiDispatcher, each holding a weak token of the connection: a
// closure that runs after Disconnect() or destruction does nothing.
//
// The link ends (error handler, then disconnect) when a bulk transfer fails twice in a row or
// a vendor request fails or times out; nothing reconnects until the next device-change notice.
//
// The process can end without the program's own stop: a library that calls exit() (the X11
// platform does when its display goes away) runs the exit handlers and static destructors with
// the threads still reading through the back end that those destructors delete. The first
// start of threads therefore registers an exit handler, StopAllForExit, that ends them first.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "instrument/CmdReply.h"
#include "instrument/CmdRequest.h"
#include "platform/Ezusb.h"
#include "platform/LockFile.h"

class TInThread;
class TOutThread;

class TScannerThreads {
 public:
  using TClosure = std::function<void()>;

  // Vendor requests of the link itself.
  static constexpr uint8_t kSyncRequest = 6;

  // Subscribes to the device-change notices of the installed back end.
  TScannerThreads();
  // Disconnect(), then the subscription ends.
  ~TScannerThreads();
  TScannerThreads(const TScannerThreads&) = delete;
  TScannerThreads& operator=(const TScannerThreads&) = delete;

  // Discovery and start-up; nothing when already connected.
  void Connect();
  // When connected: the disconnected handler, both threads stopped (writer first), the control
  // handle and the lock released. Nothing (and no handler) when not connected.
  void Disconnect();
  // When connected: the error handler, then Disconnect(). why is kept (GetLinkError).
  void LinkError(const std::string& why);

  // Vendor requests on the control handle, only when connected; a failure ends the link.
  bool VendorWrite(uint8_t request, uint16_t value, uint16_t length, const uint8_t* data, uint16_t index);
  bool VendorRead(uint8_t request, uint16_t value, size_t& count, uint16_t length, uint8_t* buffer, uint16_t index);

  // When connected: appends the records to the writer's queue and wakes it. Records queued
  // while not connected are dropped.
  void QueueCommands(const std::vector<TCmdRequest>& commands);

  // False when not connected or no reply waits; else true with the reader's lock held until
  // ReleaseReplies(), which empties the queue.
  bool LockReplies();
  std::deque<TCmdReply>& GetReplyQueue();
  void ReleaseReplies();

  // Resynchronisation: the reader drops everything until the echo of a new sync marker, the
  // instrument is told to stop (vendor request 6 with the counter), and the writer's list is
  // replaced by the marker.
  void Sync();

  void SetDataHandler(TClosure handler) { OnData = std::move(handler); }
  void SetErrorHandler(TClosure handler) { OnError = std::move(handler); }
  void SetConnectedHandler(TClosure handler) { OnConnected = std::move(handler); }
  void SetProgressHandler(TClosure handler) { OnProgress = std::move(handler); }
  void SetDisconnectedHandler(TClosure handler) { OnDisconnected = std::move(handler); }

  bool IsConnected() const { return Connected; }
  const std::string& GetDeviceName() const { return DeviceName; }
  // Why the last discovery skipped devices or found none, one reason per line; empty when it
  // connected or uploaded without a problem.
  std::string GetDiscoveryProblems() const;
  // Why the link ended the last time, empty when it never failed.
  const std::string& GetLinkError() const { return LastLinkError; }
  // Where discovery reports go besides GetDiscoveryProblems (each distinct reason once);
  // standard error by default.
  std::function<void(const std::string&)> Log;

  // Ends the threads of every connected link, as the process exits: both asked to end and their
  // pipes aborted at once, each link then left disconnected (control handle closed, lock
  // released) without calling any handler, so nothing of the user interface is touched. Runs as
  // an exit handler on the thread that called exit(); a link stopped or disconnected before is
  // left alone, so a second call does nothing. Threads that have not ended within
  // kExitStopMs are stuck in a transfer: the process then ends at once with exit code 1
  // (std::_Exit) rather than delete the back end under them or wait for ever.
  static void StopAllForExit();
  static constexpr int kExitStopMs = 3000;

  // The threads, for tests; nullptr while not connected.
  TInThread* GetReader() const { return Reader.get(); }
  TOutThread* GetWriter() const { return Writer.get(); }

 private:
  struct TToken {
    TScannerThreads* Link;
  };

  bool FindDevice();
  bool StartThreads();
  void StopThreads();
  // The running-link registry that StopAllForExit walks.
  void Register();
  void Unregister();
  // StopAllForExit's work on one link: false when a thread had not ended by the deadline.
  bool StopForExit(std::chrono::steady_clock::time_point deadline);
  void CloseDevice();
  void Problem(const std::string& why);
  void OnLinkMessage(int message, const std::string& why);

  std::string DeviceName;
  std::optional<platform::LockFile> DeviceLock;
  platform::EzusbHandle Control = platform::UsbBackend::kInvalidHandle;
  bool Connected = false;
  bool RepliesLocked = false;  // LockReplies() holds the reader's lock
  std::unique_ptr<TInThread> Reader;
  std::unique_ptr<TOutThread> Writer;
  std::shared_ptr<TToken> Token;  // one per connection; posted closures hold it weakly

  TClosure OnData, OnError, OnConnected, OnProgress, OnDisconnected;

  platform::UsbBackend* Backend;
  int Subscription = 0;
  std::vector<std::string> Problems;
  std::set<std::string> Logged;
  std::string LastLinkError;
};
