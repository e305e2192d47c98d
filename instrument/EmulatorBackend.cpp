#include "instrument/EmulatorBackend.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#include "instrument/Device.h"
#include "instrument/EmulatedEcal.h"
#include "instrument/Firmware.h"
#include "model/IDeviceModel.h"
#include "model/NumberText.h"
#include "model/Services.h"
#include "platform/UiDispatcher.h"

namespace {

int RowOf(int requested) {
  if (requested >= 0) return requested;
  IDeviceModel* device = Services().Device;
  return device ? device->GetModelIndex() : TDevice::kProgramModelRow;
}

const TDevice::TModelRow* Row(int row) {
  if (row < 0 || static_cast<size_t>(row) >= TDevice::kModelTable.size()) return nullptr;
  return &TDevice::kModelTable[static_cast<size_t>(row)];
}

bool IsProgramRow(int row) { return row == 3 || row == 4; }

}  // namespace

EmulatorBackend::EmulatorBackend(int modelRow)
    : ModelRow(RowOf(modelRow)),
      Random(1),
      Sleeper([](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }) {}

EmulatorBackend::~EmulatorBackend() = default;

std::unique_ptr<EmulatorBackend> EmulatorBackend::InstallForDemoMode() {
  IDeviceModel* device = Services().Device;
  if (!device || !device->GetDemoMode()) return nullptr;
  auto emulator = std::make_unique<EmulatorBackend>();
  emulator->SetRealisticPort(true);
  platform::UsbBackend::install(emulator.get());
  return emulator;
}

void EmulatorBackend::SetSleeper(TSleeper sleeper) {
  std::lock_guard<std::mutex> lock(Mutex);
  Sleeper = std::move(sleeper);
}

void EmulatorBackend::SetNoiseSeed(uint32_t seed) {
  std::lock_guard<std::mutex> lock(Mutex);
  Random.seed(seed);
}

bool EmulatorBackend::IsFirmwareLoaded() const {
  std::lock_guard<std::mutex> lock(Mutex);
  return FirmwareLoaded;
}

int EmulatorBackend::GetIFBandwidth() {
  std::lock_guard<std::mutex> lock(Mutex);
  return IFBandwidth;
}

double EmulatorBackend::PointFrequency(const TCmdRequest& record, int modelRow) {
  if (!IsProgramRow(modelRow)) return 750.0;
  const uint16_t ctrl = record.GetU16(TCmdRequest::SignalOffset + 2);
  const int r = (ctrl >> 12) & 7;
  if (r == 0) return 750.0;
  const uint16_t dividers = record.GetU16(TCmdRequest::SignalOffset + 4);
  const int p = (dividers >> 2) & 3;
  const int loDiv = (dividers >> 4) & 7;
  const int n = dividers >> 7;
  const double fraction = (record.GetU16(TCmdRequest::SignalOffset + 6) * 256.0 +
                           record.GetByte(TCmdRequest::SignalOffset + 9)) /
                          16777216.0;
  double f = std::ldexp((n + fraction) * (kReferenceMHz / r), p - loDiv);
  if (modelRow == 4) {
    if (record.GetBand() == 50) f *= 2;
    if (record.GetBand() == 28) f *= 3;
  }
  return f;
}

double EmulatorBackend::Noise(int r, int ifBandwidth) {
  double k;
  switch (ifBandwidth) {
    case 10: k = 18546; break;
    case 30: k = 5564; break;
    case 100: k = 1236; break;
    case 300: k = 432; break;
    case 1000: k = 186; break;
    case 10000: k = 80; break;
    case 30000: k = 24; break;
    default: k = 124; break;
  }
  return (0.5 - r / 32767.0) * 0.005 / k;
}

TCmdReply EmulatorBackend::Reply(const TCmdRequest& record, const TEmulationTable& table, int modelRow,
                                 int ifBandwidth, const std::function<int()>& random) {
  return Reply(record, table, modelRow, ifBandwidth, random, nullptr);
}

TCmdReply EmulatorBackend::Reply(const TCmdRequest& record, const TEmulationTable& table, int modelRow,
                                 int ifBandwidth, const std::function<int()>& random, const TDemoPort* port) {
  const uint16_t code = record.GetCode();
  TCmdReply reply(code);
  if (code == TCmdRequest::SyncCode) {
    reply.SetU16(2, record.GetU16(2));  // the counter comes back
  } else if (code == TCmdReply::TemperatureCode) {
    reply.SetByte(2, 0x2D);  // 45.0 degrees C
    reply.SetByte(3, 0x00);
  } else if (code < 0xFF00) {
    const double f = PointFrequency(record, modelRow);
    std::optional<TEmulationTable::TReading> at = table.Lookup(f);
    if (!at) return reply;  // an empty table: the code alone
    const double a = std::pow(10.0, at->LevelA / 20.0);
    const double b = std::pow(10.0, at->LevelB / 20.0);
    const bool quiet = port != nullptr && port->HasTestSource();
    auto noise = [&] { return quiet ? 0.0 : Noise(random(), ifBandwidth); };
    TComplex ra{a * std::cos(at->PhaseA), a * std::sin(at->PhaseA)};
    if (port) ra = port->Reading(f, ra);
    const double ar = ra.Re + noise();
    const double ai = ra.Im + noise();
    reply.SetF32(2, static_cast<float>(ar));
    reply.SetF32(6, static_cast<float>(ai));
    if (IsProgramRow(modelRow)) {
      reply.SetF32(10, 1.0f);
      reply.SetF32(14, 0.0f);
    } else {
      const double br = b * std::cos(at->PhaseB) + noise();
      const double bi = b * std::sin(at->PhaseB) + noise();
      reply.SetF32(10, static_cast<float>(br));
      reply.SetF32(14, static_cast<float>(bi));
      reply.SetF32(18, 1.0f);
      reply.SetF32(22, 0.0f);
    }
  }
  return reply;
}

// ---- Identity -------------------------------------------------------------------------------------

platform::UsbDeviceIds EmulatorBackend::CurrentIds() const {
  const TDevice::TModelRow* row = Row(ModelRow);
  if (!row) return {};
  if (FirmwareLoaded) return {row->RunningVid, row->RunningPid, row->RunningRelease};
  return {row->LoaderVid, row->LoaderPid, row->LoaderRelease};
}

bool EmulatorBackend::Valid(Handle handle) const {
  auto it = Handles.find(handle);
  return it != Handles.end() && !it->second.Ecal;
}

TEmulatedEcal* EmulatorBackend::EcalOf(Handle handle) const {
  auto it = Handles.find(handle);
  if (it == Handles.end() || !it->second.Ecal || !Ecal) return nullptr;
  if (!Ecal->IsPlugged() || Ecal->GetGeneration() != it->second.Generation) return nullptr;
  return Ecal;
}

void EmulatorBackend::AttachEcal(TEmulatedEcal* ecal) {
  {
    std::lock_guard<std::mutex> lock(Mutex);
    if (Ecal) Ecal->OnPlugChange = nullptr;
    if (Ecal != ecal) Port.ConnectCable();
    Ecal = ecal;
    if (Ecal) Ecal->OnPlugChange = [this] { postDeviceChange(); };
  }
  postDeviceChange();
}

TEmulatedEcal* EmulatorBackend::GetEcal() const {
  std::lock_guard<std::mutex> lock(Mutex);
  return Ecal;
}

void EmulatorBackend::SetRealisticPort(bool on) {
  std::lock_guard<std::mutex> lock(Mutex);
  Port.SetRealistic(on);
}

bool EmulatorBackend::IsRealisticPort() const {
  std::lock_guard<std::mutex> lock(Mutex);
  return Port.IsRealistic();
}

void EmulatorBackend::ConnectCable() {
  std::lock_guard<std::mutex> lock(Mutex);
  Port.ConnectCable();
}

void EmulatorBackend::ConnectReflection(const TFixtParam& table) {
  std::lock_guard<std::mutex> lock(Mutex);
  Port.ConnectReflection(table);
}

void EmulatorBackend::ConnectModulePort(int port) {
  std::lock_guard<std::mutex> lock(Mutex);
  if (Ecal)
    Port.ConnectModule(Ecal, port);
  else
    Port.ConnectCable();
}

void EmulatorBackend::SetTestReflection(TDemoPort::TTestSource source) {
  std::lock_guard<std::mutex> lock(Mutex);
  Port.SetTestSource(std::move(source));
}

TDemoPort::TLoad EmulatorBackend::GetPortLoad() const {
  std::lock_guard<std::mutex> lock(Mutex);
  return Port.GetLoad();
}

namespace {

std::string LockName(int index) {
  const std::string pid = IntToText(static_cast<long long>(::getpid()));
  if (index == 0) return "tervan-emulator-" + pid;
  if (index == 1) return "tervan-emulator-ecal-" + pid;
  return {};
}

}  // namespace

std::vector<platform::UsbDeviceInfo> EmulatorBackend::enumerate() {
  std::lock_guard<std::mutex> lock(Mutex);
  std::vector<platform::UsbDeviceInfo> out = {{"Ezusb-0", LockName(0), CurrentIds()}};
  if (Ecal && Ecal->IsPlugged())
    out.push_back({"Ezusb-1", LockName(1), {TEmulatedEcal::VendorId, TEmulatedEcal::ProductId, 0x0001}});
  return out;
}

std::string EmulatorBackend::reason() const { return {}; }

std::string EmulatorBackend::lockName(int index) {
  if (index == 1) {
    std::lock_guard<std::mutex> lock(Mutex);
    if (!Ecal || !Ecal->IsPlugged()) return {};
  }
  return LockName(index);
}

platform::UsbBackend::Handle EmulatorBackend::open(int index) {
  if (index == 1) {
    std::lock_guard<std::mutex> lock(Mutex);
    if (!Ecal || !Ecal->IsPlugged()) return kInvalidHandle;
    const Handle h = NextHandle++;
    Handles[h] = {false, true, Ecal->GetGeneration()};
    return h;
  }
  if (index != 0) return kInvalidHandle;
  bool first;
  Handle h;
  {
    std::lock_guard<std::mutex> lock(Mutex);
    first = !Started;
    Started = true;
    h = NextHandle++;
    Handles[h] = {};
    if (first) Table = TEmulationTable::FromResource("Emulation");
  }
  if (first) {
    // The device "comes back" once its firmware had time to start: a notice inside this
    // process only, which runs discovery again.
    std::weak_ptr<int> alive = Alive;
    platform::UiDispatcher::get().postDelayed(
        [this, alive] {
          if (alive.lock()) deliverDeviceChange();
        },
        kNoticeDelayMs);
  }
  return h;
}

void EmulatorBackend::close(Handle handle) {
  std::lock_guard<std::mutex> lock(Mutex);
  auto it = Handles.find(handle);
  if (it == Handles.end()) return;
  // An image sent without a start request (the "blackfin.ldr" file) starts itself once the
  // uploader lets the device go.
  if (it->second.TookChunks) FirmwareLoaded = true;
  Handles.erase(it);
  if (std::none_of(Handles.begin(), Handles.end(), [](const auto& h) { return !h.second.Ecal; })) {
    // Let go by every user: the exchange starts afresh, so no reply of an old list (or of an
    // abort) waits for the next link.
    MayWrite = true;
    ReplyReady = false;
  }
}

bool EmulatorBackend::readIds(Handle handle, platform::UsbDeviceIds& ids) {
  std::lock_guard<std::mutex> lock(Mutex);
  if (EcalOf(handle)) {
    ids = {TEmulatedEcal::VendorId, TEmulatedEcal::ProductId, 0x0001};
    return true;
  }
  if (!Valid(handle)) return false;
  ids = CurrentIds();
  return true;
}

bool EmulatorBackend::readDescriptor(Handle handle, uint8_t* buffer, size_t size, size_t& count) {
  count = 0;
  platform::UsbDeviceIds ids;
  if (!buffer || size < 18 || !readIds(handle, ids)) return false;
  const uint8_t d[18] = {18, 1, 0x00, 0x02, 0xFF, 0xFF, 0xFF, 64,
                         static_cast<uint8_t>(ids.vendor), static_cast<uint8_t>(ids.vendor >> 8),
                         static_cast<uint8_t>(ids.product), static_cast<uint8_t>(ids.product >> 8),
                         static_cast<uint8_t>(ids.release), static_cast<uint8_t>(ids.release >> 8),
                         0, 0, 0, 1};
  std::copy(d, d + 18, buffer);
  count = 18;
  return true;
}

bool EmulatorBackend::check(Handle handle) {
  std::lock_guard<std::mutex> lock(Mutex);
  return Valid(handle) || EcalOf(handle);
}

platform::UsbResult EmulatorBackend::vendorRequest(Handle handle, const platform::UsbVendorRequest& request,
                                                   uint8_t* data) {
  TEmulatedEcal* ecal = nullptr;
  bool ecalHandle = false;
  {
    std::lock_guard<std::mutex> lock(Mutex);
    auto it = Handles.find(handle);
    ecalHandle = it != Handles.end() && it->second.Ecal;
    ecal = EcalOf(handle);
  }
  // The module answers outside the emulator's lock: an unplug it reports posts a notice.
  if (ecal) return ecal->Request(request, data);
  if (ecalHandle) return platform::UsbResult::Fail("The module is unplugged");
  std::lock_guard<std::mutex> lock(Mutex);
  if (!Valid(handle)) return platform::UsbResult::Fail("The emulated device is not open");
  if (!request.deviceToHost && request.request == kFirmwareChunkRequest) Handles[handle].TookChunks = true;
  if (!request.deviceToHost && request.request == kFirmwareStartRequest) FirmwareLoaded = true;
  // Every other request succeeds and moves nothing: no byte of a buffer is invented.
  return platform::UsbResult::Ok(0);
}

platform::UsbResult EmulatorBackend::anchorDownload(Handle handle, uint16_t address, const uint8_t* data,
                                                    size_t length) {
  std::lock_guard<std::mutex> lock(Mutex);
  if (!Valid(handle)) return platform::UsbResult::Fail("The emulated device is not open");
  if (address == 0xE600 && length == 1 && data) {
    if (data[0] == 0 && AnchorData) FirmwareLoaded = true;  // the 8051 released after a download
    if (data[0] == 1) AnchorData = false;
  } else if (length > 0) {
    AnchorData = true;
  }
  return platform::UsbResult::Ok(length);
}

// ---- Records --------------------------------------------------------------------------------------

void EmulatorBackend::abortPipe(Handle, int) {
  {
    std::lock_guard<std::mutex> lock(Mutex);
    Discard = true;
    MayWrite = true;
    ReplyReady = true;
    ++AbortCount;
  }
  MayWriteCond.notify_all();
  ReplyReadyCond.notify_all();
}

platform::UsbResult EmulatorBackend::bulkWrite(Handle handle, const uint8_t* data, size_t size, int sliceMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(sliceMs);
  size_t done = 0;
  uint64_t aborts;
  {
    std::lock_guard<std::mutex> lock(Mutex);
    aborts = AbortCount;
  }
  while (size - done >= TCmdRequest::Size) {
    int sleepMs = 0;
    TSleeper sleeper;
    {
      std::unique_lock<std::mutex> lock(Mutex);
      if (!Valid(handle)) return {platform::UsbStatus::Error, done, "The emulated device is not open"};
      if (!MayWriteCond.wait_until(lock, deadline, [this] { return MayWrite; })) {
        return {platform::UsbStatus::TimedOut, done, {}};
      }
      if (AbortCount != aborts) return {platform::UsbStatus::Aborted, done, {}};  // the rest is dropped
      MayWrite = false;
      Mailbox = TCmdRequest::ReadFrom(data + done);
      const uint16_t code = Mailbox.GetCode();
      if (code == TCmdRequest::TimingCode && IsProgramRow(ModelRow)) {
        Ticks = Mailbox.GetTimingTicks();
        const int bandwidth = static_cast<int>(IFBandwidthFromCode(Mailbox.GetTimingIFCode()));
        if (bandwidth != IFBandwidth) {
          IFBandwidth = bandwidth;
          AccumulatorMs = 0;
        }
      }
      AccumulatorMs += (IFBandwidth < 1 ? 0.0 : 1000.0 / IFBandwidth) + Ticks * 0.005;
      if (code == TCmdRequest::SyncCode) Discard = false;
      if (Discard) AccumulatorMs = 0;
      if (AccumulatorMs > kSleepThresholdMs) {
        sleepMs = static_cast<int>(AccumulatorMs) - 1;
        AccumulatorMs = 0;
        sleeper = Sleeper;
      }
    }
    if (sleepMs > 0 && sleeper) sleeper(sleepMs);
    {
      std::lock_guard<std::mutex> lock(Mutex);
      ReplyReady = true;
    }
    ReplyReadyCond.notify_one();
    done += TCmdRequest::Size;
  }
  if (done == 0) return platform::UsbResult::Fail("A command record is 32 bytes");
  return platform::UsbResult::Ok(done);
}

platform::UsbResult EmulatorBackend::bulkRead(Handle handle, uint8_t* buffer, size_t size, int sliceMs) {
  if (!buffer || size < TCmdReply::Size) return platform::UsbResult::Fail("A reply record is 32 bytes");
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(sliceMs);
  TCmdReply reply;
  {
    std::unique_lock<std::mutex> lock(Mutex);
    if (!Valid(handle)) return platform::UsbResult::Fail("The emulated device is not open");
    if (!ReplyReadyCond.wait_until(lock, deadline, [this] { return ReplyReady; })) {
      return {platform::UsbStatus::TimedOut, 0, {}};
    }
    ReplyReady = false;
    reply = Reply(Mailbox, Table, ModelRow, IFBandwidth, [this] { return static_cast<int>(Random() % 32768); }, &Port);
    MayWrite = true;
  }
  MayWriteCond.notify_one();
  reply.WriteTo(buffer);
  return platform::UsbResult::Ok(TCmdReply::Size);
}
