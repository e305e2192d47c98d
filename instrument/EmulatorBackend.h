#pragma once
// The demonstration emulator: a USB back end with one instrument at index 0, so that discovery,
// firmware upload, the link threads and the sweep engine run unchanged without hardware.
//
// The device first shows the model row's loader ids. It takes firmware chunks (request 8) and
// counts as loaded on the start request (10), or, for an image from "blackfin.ldr" (sent
// without a start request), when the handle that took the chunks is closed. From then on it
// shows its running ids. Its first open loads the reading table "Emulation" and, 1000 ms later,
// posts a device-change notice inside this process, which makes discovery find it running.
//
// Running, it answers every command record written with one reply record read, taking about as
// long as a real measurement: each record costs 1000 / IF bandwidth + ticks x 0.005 ms, and
// once more than 16 ms have gathered the writer sleeps that long less 1 ms (the sleeper is
// injectable). Point replies come from the table at the point's frequency, decoded from the
// record's synthesizer fields (reference 32 MHz), with a little seeded noise; receiver 2 is
// exactly (1, 0). Writer and reader meet in a one-record mailbox under a mutex and alternate
// strictly; an abort sets the discard flag and releases both sides.
//
// The device is private to its process: its lock name holds the process id.
//
// An emulated calibration module can be attached (tests; the demonstration mode as users start
// it has none): while it is plugged in, it is listed at index 1 with its own ids and lock name,
// and its vendor requests reach it. Unplugging and plugging it in again post a device-change
// notice.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <string>

#include "instrument/CmdReply.h"
#include "instrument/CmdRequest.h"
#include "instrument/DemoPort.h"
#include "instrument/EmulationTable.h"
#include "platform/UsbBackend.h"

class TEmulatedEcal;

class EmulatorBackend : public platform::UsbBackend {
 public:
  // Sleeps the given milliseconds.
  using TSleeper = std::function<void(int ms)>;

  static constexpr int64_t kNoticeDelayMs = 1000;
  // Past this many gathered milliseconds the writer sleeps.
  static constexpr double kSleepThresholdMs = 16.0;
  static constexpr double kReferenceMHz = 32.0;

  // modelRow < 0: the row of the installed device model, else the program's model row.
  explicit EmulatorBackend(int modelRow = -1);
  ~EmulatorBackend() override;

  // When the installed device model runs in demonstration mode: a new emulator, installed as
  // the back end in force (the caller keeps it alive and installs nullptr before dropping it).
  static std::unique_ptr<EmulatorBackend> InstallForDemoMode();

  void SetSleeper(TSleeper sleeper);
  void SetNoiseSeed(uint32_t seed);

  bool IsFirmwareLoaded() const;
  int GetModelRow() const { return ModelRow; }
  // The IF bandwidth of the last timing record (Hz; 0 before the first).
  int GetIFBandwidth();
  // Attaches a module (the caller keeps it alive and detaches it with nullptr before dropping
  // it); posts a device-change notice.
  void AttachEcal(TEmulatedEcal* ecal);
  TEmulatedEcal* GetEcal() const;

  // What the reflection port sees (see DemoPort.h); the cable unless told otherwise. A directly
  // made emulator keeps ideal error terms; the demonstration mode switches the realistic ones on.
  void SetRealisticPort(bool on);
  bool IsRealisticPort() const;
  void ConnectCable();
  void ConnectReflection(const TFixtParam& table);
  // Port 0 (A) or 1 (B) of the attached module; the cable when none is attached.
  void ConnectModulePort(int port);
  TDemoPort::TLoad GetPortLoad() const;
  // For tests only (see TDemoPort::SetTestSource); empty to end it. Called on the reader's
  // thread under the emulator's lock.
  void SetTestReflection(TDemoPort::TTestSource source);

  // The table loaded at the first open.
  const TEmulationTable& GetTable() const { return Table; }

  // The signal frequency of a point record in MHz: 2^p x (N + F / 2^24) x (32 / R) / 2^lodiv
  // from the signal fields, doubled or tripled by the K30 band byte (50, 28); 750 when R is 0
  // or for a model row other than 3 and 4.
  static double PointFrequency(const TCmdRequest& record, int modelRow);
  // One noise term for a random r in 0..32767 at an IF bandwidth.
  static double Noise(int r, int ifBandwidth);
  // The reply to a record (the reader's side), for a table, model row, IF bandwidth and noise
  // source.
  static TCmdReply Reply(const TCmdRequest& record, const TEmulationTable& table, int modelRow, int ifBandwidth,
                         const std::function<int()>& random);
  // The same with receiver A read through a port (null: the table's value as it is).
  static TCmdReply Reply(const TCmdRequest& record, const TEmulationTable& table, int modelRow, int ifBandwidth,
                         const std::function<int()>& random, const TDemoPort* port);

  // platform::UsbBackend
  std::vector<platform::UsbDeviceInfo> enumerate() override;
  std::string reason() const override;
  std::string lockName(int index) override;
  Handle open(int index) override;
  void close(Handle handle) override;
  bool readIds(Handle handle, platform::UsbDeviceIds& ids) override;
  bool readDescriptor(Handle handle, uint8_t* buffer, size_t size, size_t& count) override;
  bool check(Handle handle) override;
  platform::UsbResult bulkRead(Handle handle, uint8_t* buffer, size_t size, int sliceMs) override;
  platform::UsbResult bulkWrite(Handle handle, const uint8_t* data, size_t size, int sliceMs) override;
  void abortPipe(Handle handle, int pipe) override;
  platform::UsbResult vendorRequest(Handle handle, const platform::UsbVendorRequest& request, uint8_t* data) override;
  platform::UsbResult anchorDownload(Handle handle, uint16_t address, const uint8_t* data, size_t length) override;
  bool isEmulator() const override { return true; }

 private:
  struct THandleState {
    bool TookChunks = false;  // firmware chunks came through this handle
    bool Ecal = false;        // a handle on the module at index 1
    int Generation = 0;       // the module's plug generation at the open
  };
  platform::UsbDeviceIds CurrentIds() const;
  bool Valid(Handle handle) const;  // caller holds Mutex; the instrument's handles only
  TEmulatedEcal* EcalOf(Handle handle) const;  // caller holds Mutex; a live module handle's module

  const int ModelRow;
  mutable std::mutex Mutex;
  std::condition_variable MayWriteCond, ReplyReadyCond;
  bool MayWrite = true;     // auto-reset event, created signalled
  bool ReplyReady = false;  // auto-reset event, created not signalled
  TCmdRequest Mailbox;
  int IFBandwidth = 0;
  int Ticks = 0;
  double AccumulatorMs = 0;
  bool Discard = false;
  uint64_t AbortCount = 0;  // a write in progress stops when an abort comes
  bool Started = false;
  bool FirmwareLoaded = false;
  bool AnchorData = false;  // 8051 bytes downloaded since the last reset
  std::map<Handle, THandleState> Handles;
  Handle NextHandle = 1;
  TEmulationTable Table;
  std::minstd_rand Random;
  TSleeper Sleeper;
  TEmulatedEcal* Ecal = nullptr;
  TDemoPort Port;
  std::shared_ptr<int> Alive = std::make_shared<int>(0);  // the delayed notice holds it weakly
};
