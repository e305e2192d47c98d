// The instrument memory image through the emulator's memory: a write and a read restore both
// system calibrations and the identity, the page plan of two K12 system calibrations, the
// refusals (too large, busy, demonstration mode), a page that reads back wrong or short, and
// headers that are rejected before anything else is read.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "calibration/EepromImage.h"
#include "calibration/EepromTestSupport.h"
#include "calibration/MeasurementRun.h"
#include "model/EAbort.h"
#include "model/Crc32.h"
#include "model/LittleEndian.h"

namespace {

using eepromtest::EepromFixture;

// A system calibration of n grid points whose terms the tests recognise by seed.
void FillSystem(TCalibr& cal, int n, double seed) {
  cal.Settings.SweepMode = 3;
  cal.Settings.NPoints = n;
  cal.Settings.MinFrequency = 85.0;
  cal.Settings.MaxFrequency = 5400.0;
  cal.Method[0] = cmF1;
  cal.PortMatch[0] = true;
  cal.DataTime = "2026-05-06 07:08:09";
  std::vector<double> f(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) f[static_cast<size_t>(i)] = 85.0 + i * 6.0;
  delete cal.Terms;
  cal.Terms = new TCalRange(cmF1, 0, f);
  for (int i = 0; i < n; ++i) {
    cal.Terms->SetErrorTermA(0, i, TComplex{seed + i, -seed});
    cal.Terms->SetErrorTermC(0, i, TComplex{0.001 * i, seed});
  }
}

void ExpectSystem(const TCalibr& cal, int n, double seed) {
  ASSERT_NE(nullptr, cal.Terms);
  ASSERT_EQ(n, cal.Terms->GetCount());
  for (int i : {0, n / 2, n - 1}) {
    EXPECT_EQ((TComplex{seed + i, -seed}), cal.Terms->GetErrorTermA(0, i));
    EXPECT_EQ((TComplex{0.001 * i, seed}), cal.Terms->GetErrorTermC(0, i));
  }
  EXPECT_EQ(cmF1, cal.Method[0]);
  EXPECT_EQ(3, cal.Settings.SweepMode);
}

class EepromImage : public EepromFixture {};

TEST_F(EepromImage, WriteAndReadBackRestoreBothCalibrationsAndTheIdentity) {
  ASSERT_TRUE(scanner.GetScanner().Connected);
  FillSystem(module->GetSystemCal(), 120, 1.0);
  FillSystem(module->GetSystemCalLowPower(), 80, 2.0);
  module->SetSerialNumber(12345678);
  module->HardwareRevision = 3;
  window.OnPump = [this] {
    EXPECT_TRUE(module->EepromBusy);
    EXPECT_EQ(1, module->EepromPhase);
  };
  module->WriteEeprom();
  EXPECT_FALSE(module->EepromBusy);
  EXPECT_TRUE(messages.Messages.empty());
  EXPECT_EQ((std::vector<bool>{false, true}), window.States);
  EXPECT_EQ(1, loaded);

  module->ClearSystemCalibrations();
  module->SetSerialNumber(1);
  module->HardwareRevision = 1;
  window.States.clear();
  window.OnPump = [this] { EXPECT_EQ(0, module->EepromPhase); };
  module->ReadEeprom();
  EXPECT_FALSE(module->EepromBusy);
  ExpectSystem(module->GetSystemCal(), 120, 1.0);
  ExpectSystem(module->GetSystemCalLowPower(), 80, 2.0);
  EXPECT_EQ(12345678u, module->SerialNumber);
  EXPECT_EQ(3, module->HardwareRevision);
  EXPECT_EQ(19u, module->CalDateText.size()) << module->CalDateText;
  EXPECT_EQ((std::vector<bool>{false, true}), window.States);
  EXPECT_EQ(2, loaded);

  // A revision byte of 12 stays 12.
  std::vector<uint8_t> header = emulator.Peek(4096, TEepromImage::HeaderSize);
  const size_t crcAt = static_cast<size_t>(TEepromImage::CrcAddress(TEepromImage::ReadHeader(header.data())));
  le::PutI32(header.data() + 1, 12);
  emulator.Poke(4096, header);
  const std::vector<uint8_t> image = emulator.Peek(4096, crcAt - 4096);
  std::vector<uint8_t> crc(4);
  le::PutU32(crc.data(), UpdateCrc32(0, image.data(), image.size()));
  emulator.Poke(crcAt, crc);
  module->ReadEeprom();
  EXPECT_EQ(12, module->HardwareRevision);
}

TEST_F(EepromImage, TheK12PlanEndsAt247221InSixtyPages) {
  FillSystem(module->GetSystemCal(), 893, 1.0);
  FillSystem(module->GetSystemCalLowPower(), 893, 2.0);
  Percents.clear();
  module->WriteEeprom();
  const auto writes = emulator.MemoryRequests(TScanner::kWriteMemoryRequest);
  const auto reads = emulator.MemoryRequests(TScanner::kReadMemoryRequest);
  ASSERT_EQ(60u, writes.size());
  ASSERT_EQ(60u, reads.size());
  for (size_t i = 0; i < writes.size(); ++i) {
    const uint32_t address = writes[i].value | (static_cast<uint32_t>(writes[i].index) << 16);
    EXPECT_EQ(4096u * (i + 1), address);
    EXPECT_EQ(i + 1 < writes.size() ? 4096 : 1461, writes[i].length) << i;
    EXPECT_EQ(writes[i].value, reads[i].value);
    EXPECT_EQ(writes[i].length, reads[i].length);
  }
  // The header as the instrument keeps it.
  const TEepromImage::THeader h = TEepromImage::ReadHeader(emulator.Peek(4096, TEepromImage::HeaderSize).data());
  EXPECT_EQ(4149, h.A1);
  EXPECT_EQ(121534, h.L1);
  EXPECT_EQ(4149 + 121534, h.A2);
  EXPECT_EQ(121534, h.L2);
  EXPECT_EQ(247221u - 4u, TEepromImage::CrcAddress(h));
  // Percent per page: (P - 4096) * 100 / (End - 4096), never 100; the busy flag ends it.
  ASSERT_GE(Percents.size(), 61u);
  EXPECT_EQ(0, Percents[0]);
  EXPECT_EQ(static_cast<int>(4096LL * 59 * 100 / (247221 - 4096)), Percents[60]);
  for (size_t i = 1; i < Percents.size(); ++i) EXPECT_GE(Percents[i], Percents[i - 1]);
  EXPECT_LT(Percents.back(), 100);
}

TEST_F(EepromImage, EmptyCalibrationsWriteTheFailureTextAndReadBackEmpty) {
  module->GetSystemCal().Settings.SweepMode = 3;
  module->GetSystemCalLowPower().Settings.SweepMode = 0;
  module->WriteEeprom();
  const TEepromImage::THeader h = TEepromImage::ReadHeader(emulator.Peek(4096, TEepromImage::HeaderSize).data());
  EXPECT_EQ("Calibration Failure", h.Date);
  EXPECT_EQ(0.0, h.Temperature);
  EXPECT_EQ(86, h.L1);
  EXPECT_EQ(246, h.L2);
  FillSystem(module->GetSystemCal(), 5, 1.0);
  module->ReadEeprom();
  EXPECT_TRUE(module->IsSystemCalibrationEmpty());
}

TEST_F(EepromImage, AnImageTooLargeShowsItsMessageAndWritesNothing) {
  FillSystem(module->GetSystemCal(), 16001, 1.0);
  FillSystem(module->GetSystemCalLowPower(), 16001, 2.0);
  module->WriteEeprom();
  EXPECT_EQ((std::vector<std::string>{"Данный не поместятся в EEPROM!"}), messages.Messages);
  EXPECT_TRUE(emulator.MemoryRequests(TScanner::kWriteMemoryRequest).empty());
  EXPECT_FALSE(module->EepromBusy);
  EXPECT_EQ((std::vector<bool>{false, true}), window.States);
}

TEST_F(EepromImage, AWrongReadBackStopsAtItsPageWithTheMessage) {
  FillSystem(module->GetSystemCal(), 893, 1.0);
  FillSystem(module->GetSystemCalLowPower(), 893, 2.0);
  emulator.WrongPage = 3 * 4096;
  module->WriteEeprom();
  EXPECT_EQ((std::vector<std::string>{"Ошибка! Адрес: 0x3000"}), messages.Messages);
  EXPECT_EQ(3u, emulator.MemoryRequests(TScanner::kWriteMemoryRequest).size());
  EXPECT_FALSE(module->EepromBusy);
  EXPECT_EQ(1, loaded);

  // A short read-back fails the same way; the address has at least four digits.
  messages.Messages.clear();
  emulator.WrongPage = SIZE_MAX;
  emulator.ShortPage = 4096;
  module->WriteEeprom();
  EXPECT_EQ((std::vector<std::string>{"Ошибка! Адрес: 0x1000"}), messages.Messages);
}

TEST_F(EepromImage, AShortReadLeavesBothCalibrationsEmpty) {
  FillSystem(module->GetSystemCal(), 300, 1.0);
  FillSystem(module->GetSystemCalLowPower(), 300, 2.0);
  module->SetSerialNumber(777);
  module->WriteEeprom();
  emulator.ShortPage = 2 * 4096;
  module->ReadEeprom();
  EXPECT_TRUE(module->IsSystemCalibrationEmpty());
  EXPECT_EQ(0u, module->SerialNumber);  // the identity only with an image that checked out
  EXPECT_FALSE(module->EepromBusy);
  EXPECT_EQ((std::vector<bool>{false, true, false, true}), window.States);

  // A wrong byte in a page: the checksum fails, the same outcome.
  emulator.ShortPage = SIZE_MAX;
  emulator.WrongPage = 4096;
  module->ReadEeprom();
  EXPECT_TRUE(module->IsSystemCalibrationEmpty());
  EXPECT_EQ(0u, module->SerialNumber);
}

TEST_F(EepromImage, BadHeadersAreRejectedBeforeFurtherReads) {
  FillSystem(module->GetSystemCal(), 50, 1.0);
  FillSystem(module->GetSystemCalLowPower(), 50, 2.0);
  module->WriteEeprom();
  const std::vector<uint8_t> good = emulator.Peek(4096, TEepromImage::HeaderSize);
  struct Case {
    const char* what;
    size_t offset;
    int32_t value;
  };
  for (const Case& c : {Case{"L1 = 82", 41, 82}, Case{"A2 != A1 + L1", 45, 4149 + 50 * 136 + 86 + 1},
                        Case{"L2 = 82", 49, 82}, Case{"A1 = 4148", 37, 4148}}) {
    std::vector<uint8_t> header = good;
    le::PutI32(header.data() + c.offset, c.value);
    emulator.Poke(4096, header);
    emulator.ClearLog();
    loaded = 0;
    module->ReadEeprom();
    EXPECT_EQ(1u, emulator.MemoryRequests(TScanner::kReadMemoryRequest).size()) << c.what;
    EXPECT_TRUE(module->IsSystemCalibrationEmpty()) << c.what;
    EXPECT_EQ(1, loaded) << c.what;
    emulator.Poke(4096, good);
    module->ReadEeprom();
    EXPECT_FALSE(module->IsSystemCalibrationEmpty()) << c.what;
  }
}

TEST_F(EepromImage, TransfersAreRefusedWhileAnotherRunsAndSkippedInDemoMode) {
  FillSystem(module->GetSystemCal(), 10, 1.0);
  {
    TMeasurementRun run(scanner);
    try {
      module->WriteEeprom();
      ADD_FAILURE() << "no exception";
    } catch (const EAbort& e) {
      EXPECT_EQ(200, e.HelpContext);
      EXPECT_STREQ("Execution error", e.what());
    }
    EXPECT_THROW(module->ReadEeprom(), EAbort);
  }
  // A transfer asked for from inside a transfer's pending messages is refused as well.
  window.OnPump = [this] { EXPECT_THROW(module->ReadEeprom(), EAbort); };
  module->WriteEeprom();
  EXPECT_GE(window.Pumps, 1);
  window.OnPump = nullptr;

  emulator.ClearLog();
  services.device.Demo = true;
  module->WriteEeprom();
  module->ReadEeprom();
  EXPECT_TRUE(emulator.MemoryRequests(TScanner::kWriteMemoryRequest).empty());
  EXPECT_TRUE(emulator.MemoryRequests(TScanner::kReadMemoryRequest).empty());
  EXPECT_FALSE(module->IsSystemCalibrationEmpty());
}

TEST_F(EepromImage, AnExceptionInsideATransferRestoresTheFlagAndTheWindow) {
  FillSystem(module->GetSystemCal(), 900, 1.0);
  window.OnPump = [] { throw std::runtime_error("window gone"); };
  EXPECT_THROW(module->WriteEeprom(), std::runtime_error);
  EXPECT_FALSE(module->EepromBusy);
  EXPECT_EQ((std::vector<bool>{false, true}), window.States);
  EXPECT_THROW(module->ReadEeprom(), std::runtime_error);
  EXPECT_FALSE(module->EepromBusy);
  EXPECT_EQ((std::vector<bool>{false, true, false, true}), window.States);
}

class EepromImageK30 : public EepromFixture {
 protected:
  EepromImageK30() : EepromFixture(4) {}
};

TEST_F(EepromImageK30, TheK30ReadsItsImageToo) {
  FillSystem(module->GetSystemCal(), 848, 3.0);
  FillSystem(module->GetSystemCalLowPower(), 848, 4.0);
  module->WriteEeprom();
  module->ClearSystemCalibrations();
  module->ReadEeprom();
  ExpectSystem(module->GetSystemCal(), 848, 3.0);
  ExpectSystem(module->GetSystemCalLowPower(), 848, 4.0);
}

}  // namespace
