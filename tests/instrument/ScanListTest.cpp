// The scan lists: the command list of every channel that takes part in sweeping, built from its
// points and the real synthesizer settings of both models.
#include <gtest/gtest.h>

#include <vector>

#include "FakeServices.h"
#include "instrument/CmdRequest.h"
#include "instrument/Device.h"
#include "instrument/Scanner.h"
#include "instrument/SynthesizerTV.h"
#include "instrument/SynthesizerTV30.h"
#include "model/Range.h"
#include "model/Services.h"

namespace {

using instrumenttest::TFakeCalibration;
using Commands = std::vector<TCmdRequest>;

// The real synthesizer settings of both models, the device of one row, and a connected scanner
// whose channels are made on demand.
class ScanList : public ::testing::Test {
 protected:
  explicit ScanList(int row = 4) : device(row) {
    scope->Device = &device;
    scope->SynthesizerTV = &k12;
    scope->SynthesizerTV30 = &k30;
    scope->CalibratorModule = &calibration;
    scanner.Connected = true;
  }

  // A new channel of the scanner, taking part in sweeping.
  TRange* AddChannel(bool notify = true) {
    auto* range = new TRange(&scanner);
    range->SetChangeNotify(notify);
    return range;
  }

  static void Sweep(TRange& r, double start, double stop, int n) {
    r.SweepMode = TRange::Lin;
    r.MinFrequency = start;
    r.MaxFrequency = stop;
    r.NPoints = n;
    r.RebuildPoints();
  }

  const Commands& List(size_t entry = 0) { return scanner.ScanList.at(entry).Commands; }

  TSynthesizerTV k12;
  TSynthesizerTV30 k30;
  TFakeCalibration calibration{1234, 1};
  TDevice device;
  TScopedServices scope;
  TScanner scanner;  // after the services: its channels are deleted while those still stand
};

class ScanListK12 : public ScanList {
 protected:
  ScanListK12() : ScanList(3) {}
};

// The 30 payload bytes of a record.
std::vector<uint8_t> Payload(const TCmdRequest& r) { return {r.Bytes().begin() + 2, r.Bytes().end()}; }

// Codes of a list, in order.
std::vector<int> Codes(const Commands& list) {
  std::vector<int> codes;
  for (const TCmdRequest& r : list) codes.push_back(r.GetCode());
  return codes;
}

// Every place where two lists of equal length differ: (record, byte).
std::vector<std::pair<size_t, size_t>> Differences(const Commands& a, const Commands& b) {
  std::vector<std::pair<size_t, size_t>> out;
  for (size_t k = 0; k < a.size() && k < b.size(); ++k) {
    for (size_t j = 0; j < TCmdRequest::Size; ++j) {
      if (a[k].GetByte(j) != b[k].GetByte(j)) out.emplace_back(k, j);
    }
  }
  return out;
}

TEST_F(ScanList, A201PointChannelGives205Records) {
  TRange* range = AddChannel();
  ASSERT_EQ(range->GetCount(), 201);
  scanner.RebuildScanList();
  ASSERT_EQ(scanner.ScanList.size(), 1u);
  EXPECT_EQ(scanner.ScanList[0].Range, range);
  const Commands& list = List();
  ASSERT_EQ(list.size(), 205u);

  std::vector<int> expected = {TCmdRequest::SynthCode, TCmdRequest::TimingCode};
  for (int i = 0; i < 201; ++i) expected.push_back(i);
  expected.push_back(TCmdRequest::TimingCode);
  expected.push_back(TCmdRequest::EndCode);
  EXPECT_EQ(Codes(list), expected);

  // Timing: 26 ticks and 10 kHz ahead of the points, 200 ticks (the back-scan delay) ahead of
  // the end; high power.
  EXPECT_EQ(list[1].GetTimingTicks(), 26);
  EXPECT_EQ(list[1].GetTimingIFCode(), 0x030A);
  EXPECT_FALSE(list[1].GetTimingLowPower());
  EXPECT_EQ(list[203].GetTimingTicks(), 200);
  EXPECT_EQ(list[203].GetTimingIFCode(), 0x030A);
  // The end record carries point 0's payload.
  EXPECT_EQ(Payload(list[204]), Payload(list[2]));

  // The synthesizer record: the default words of the 14 GHz model, both outputs on.
  const TCmdRequest& synth = list[0];
  EXPECT_EQ(synth.GetSynthWords(TCmdRequest::Signal),
            (TCmdRequest::TSynthWords{0x1000, 0x4D02, 0xECBF, 0x0028, 0xFF06, 0x7000, 0x2A80}));
  EXPECT_EQ(synth.GetSynthWords(TCmdRequest::Heterodyne),
            (TCmdRequest::TSynthWords{0x1000, 0x4D02, 0xECBF, 0x0028, 0xFF06, 0xB400, 0x2A80}));
  EXPECT_TRUE(synth.GetOutputOn(TCmdRequest::Signal));
  EXPECT_TRUE(synth.GetOutputOn(TCmdRequest::Heterodyne));

  // Each point record carries its own point's plans.
  for (int i : {0, 1, 100, 200}) {
    const TCmdRequest& point = list[static_cast<size_t>(i) + 2];
    const TPointSynthSettings& plan = range->GetPoint(i)->SynthSettings;
    const TCmdRequest::TSynthFields s = point.GetSynthFields(TCmdRequest::Signal);
    const TCmdRequest::TSynthFields h = point.GetSynthFields(TCmdRequest::Heterodyne);
    EXPECT_EQ(s.Plan, plan.Signal) << i;
    EXPECT_EQ(h.Plan.N, plan.Heterodyne.N) << i;
    EXPECT_EQ(h.Plan.Frac16, plan.Heterodyne.Frac16) << i;
    EXPECT_EQ(h.Plan.Frac8, plan.Heterodyne.Frac8) << i;
    EXPECT_EQ(s.LF, 0xFF83);
    EXPECT_EQ(s.PllCtrl, 0x90A8);
    EXPECT_EQ(h.PllCtrl, 0x90A8);
  }
}

TEST_F(ScanList, RebuildingTwiceGivesEqualLists) {
  AddChannel();
  TRange* second = AddChannel();
  Sweep(*second, 1000, 2000, 11);
  second->CommonIFBW = 100;
  scanner.RebuildScanList();
  ASSERT_EQ(scanner.ScanList.size(), 2u);
  const Commands first0 = List(0), first1 = List(1);
  // The caches now hold the second list's last state; the lists still start alike.
  scanner.RebuildScanList();
  EXPECT_EQ(List(0), first0);
  EXPECT_EQ(List(1), first1);
  EXPECT_EQ(first1.size(), 15u);
}

TEST_F(ScanList, AnOutputSwitchChangesOnlyItsByteOfTheLeadingRecord) {
  AddChannel();
  std::vector<int> previous;
  scanner.OnChange = [&](TFObject* sender, int before) {
    EXPECT_EQ(sender, &scanner);
    previous.push_back(before);
  };
  scanner.RebuildScanList();
  const Commands on = List();

  scanner.SetHeterodyneOff(true);
  scanner.SetHeterodyneOff(true);  // no change, no event
  EXPECT_EQ(List(), on);           // reaches the lists only when they are rebuilt
  scanner.RebuildScanList();
  EXPECT_EQ(Differences(on, List()), (std::vector<std::pair<size_t, size_t>>{{0, 31}}));
  EXPECT_EQ(List()[0].GetByte(31), 0);

  scanner.SetHeterodyneOff(false);
  scanner.SetSignalOff(true);
  scanner.RebuildScanList();
  EXPECT_EQ(Differences(on, List()), (std::vector<std::pair<size_t, size_t>>{{0, 30}}));
  EXPECT_TRUE(scanner.GetSignalOff());
  EXPECT_EQ(previous, (std::vector<int>{0, 1, 0}));
}

TEST_F(ScanList, PowerMeterModeListsOnlyTheCurrentPoint) {
  TRange* range = AddChannel();
  range->PowerMeterMode = true;
  range->PowerMeterStepping = true;
  range->PowerMeterPoint = 5;
  scanner.RebuildScanList();
  EXPECT_EQ(Codes(List()), (std::vector<int>{TCmdRequest::SynthCode, TCmdRequest::TimingCode, 5}));
  EXPECT_EQ(List()[1].GetTimingTicks(), 26);

  // After a rebuild to fewer points the mode's point lies past the list: point 0 is measured.
  for (int past : {201, 250, -1}) {
    range->PowerMeterPoint = past;
    scanner.BuildScanItem(scanner.ScanList[0]);
    EXPECT_EQ(Codes(List()), (std::vector<int>{TCmdRequest::SynthCode, TCmdRequest::TimingCode, 0})) << past;
  }
  range->PowerMeterPoint = 200;
  scanner.BuildScanItem(scanner.ScanList[0]);
  EXPECT_EQ(Codes(List()), (std::vector<int>{TCmdRequest::SynthCode, TCmdRequest::TimingCode, 200}));
}

TEST_F(ScanList, EveryListSetsTheStateItselfWhateverWasBuiltBefore) {
  // A one-point list of the power-meter channel, rebuilt after another entry's list changed the
  // caches, or rebuilt twice, still starts with its synthesizer and timing records.
  TRange* meter = AddChannel();
  meter->PowerMeterMode = true;
  meter->PowerMeterPoint = 5;
  TRange* other = AddChannel();
  other->CommonIFBW = 100;
  Sweep(*other, 100, 200, 3);
  scanner.RebuildScanList();
  ASSERT_EQ(scanner.ScanList.size(), 2u);
  const Commands single = List(0);
  ASSERT_EQ(single.size(), 3u);
  EXPECT_EQ(single[1].GetTimingIFCode(), 0x030A);

  scanner.BuildScanItem(scanner.ScanList[0]);
  EXPECT_EQ(List(0), single);
  scanner.BuildScanItem(scanner.ScanList[0]);
  EXPECT_EQ(List(0), single);
}

TEST_F(ScanList, AChannelWithoutPointsGetsNoEntry) {
  TRange* first = AddChannel();
  TRange* empty = AddChannel();
  TRange* last = AddChannel();
  empty->Clear();
  scanner.RebuildScanList();
  ASSERT_EQ(scanner.ScanList.size(), 2u);
  EXPECT_EQ(scanner.ScanList[0].Range, first);
  EXPECT_EQ(scanner.ScanList[1].Range, last);
  EXPECT_EQ(scanner.FindScanItem(empty), -1);

  // An entry whose channel lost its points gets an empty list rather than a list without end.
  first->Clear();
  scanner.BuildScanItem(scanner.ScanList[0]);
  EXPECT_TRUE(List(0).empty());
}

TEST_F(ScanList, OnlyChannelsTakingPartInSweepingGetEntriesInChildOrder) {
  TRange* a = AddChannel(false);
  TRange* b = AddChannel(true);
  TRange* c = AddChannel(false);
  TRange* d = AddChannel(true);
  scanner.RebuildScanList();
  ASSERT_EQ(scanner.ScanList.size(), 2u);
  EXPECT_EQ(scanner.ScanList[0].Range, b);
  EXPECT_EQ(scanner.ScanList[1].Range, d);
  EXPECT_EQ(scanner.FindScanItem(d), 1);
  EXPECT_EQ(scanner.FindScanItem(a), -1);

  b->SetChangeNotify(false);
  d->SetChangeNotify(false);
  scanner.RebuildScanList();
  EXPECT_TRUE(scanner.ScanList.empty());
  (void)c;
}

TEST_F(ScanList, NothingIsBuiltWhileNotConnected) {
  TRange* range = AddChannel();
  scanner.RebuildScanList();
  const Commands before = List();
  Sweep(*range, 100, 200, 3);
  range->SetChangeNotify(false);

  scanner.Connected = false;
  scanner.RebuildScanList();
  scanner.BuildScanItem(scanner.ScanList[0]);
  scanner.RebuildAll();
  ASSERT_EQ(scanner.ScanList.size(), 1u);
  EXPECT_EQ(List(), before);

  TScanner fresh;
  fresh.RebuildScanList();
  EXPECT_TRUE(fresh.ScanList.empty());
}

TEST_F(ScanList, SegmentsOfOtherBandwidthOrDelayGetTheirOwnTimingRecord) {
  TRange* range = AddChannel();
  TSegments table;
  const struct {
    double start, stop;
    int points;
    int32_t ifbw;
    double delay;
  } rows[] = {{100, 200, 3, 1000, 0}, {300, 400, 2, 1000, 0}, {500, 600, 2, 100, 0}, {700, 800, 2, 100, 1.0}};
  for (const auto& row : rows) {
    TSegment s;
    s.Start = row.start;
    s.Stop = row.stop;
    s.Points = row.points;
    s.IFBW = row.ifbw;
    s.Delay = row.delay;
    table.push_back(s);
  }
  range->Segments = table;
  range->SegmentListIFBW = true;
  range->SegmentListDelay = true;
  range->SweepMode = TRange::Segm;
  range->RebuildPoints();
  ASSERT_EQ(range->GetCount(), 9);
  scanner.RebuildScanList();

  const int S = TCmdRequest::SynthCode, T = TCmdRequest::TimingCode;
  EXPECT_EQ(Codes(List()), (std::vector<int>{S, T, 0, 1, 2, 3, 4, T, 5, 6, T, 7, 8, T, TCmdRequest::EndCode}));
  const Commands& list = List();
  EXPECT_EQ(list[1].GetTimingIFCode(), 0x020A);
  EXPECT_EQ(list[1].GetTimingTicks(), 26);
  EXPECT_EQ(list[7].GetTimingIFCode(), 0x010A);
  EXPECT_EQ(list[7].GetTimingTicks(), 26);
  EXPECT_EQ(list[10].GetTimingIFCode(), 0x010A);
  EXPECT_EQ(list[10].GetTimingTicks(), 226);
  // The end record uses point 0's bandwidth and delay with the back-scan delay.
  EXPECT_EQ(list[13].GetTimingIFCode(), 0x020A);
  EXPECT_EQ(list[13].GetTimingTicks(), 200);
}

TEST_F(ScanList, DelaysAndPowerLevelTravelInTheTimingRecords) {
  TRange* range = AddChannel();
  Sweep(*range, 3000, 6000, 2);
  range->CommonDelay = 1.0;
  scanner.LowPower = true;
  scanner.RebuildScanList();
  const Commands& list = List();
  ASSERT_EQ(Codes(list), (std::vector<int>{TCmdRequest::SynthCode, TCmdRequest::TimingCode, 0, 1,
                                           TCmdRequest::TimingCode, TCmdRequest::EndCode}));
  EXPECT_EQ(list[1].GetTimingTicks(), 226);
  EXPECT_EQ(list[4].GetTimingTicks(), 400);
  EXPECT_TRUE(list[1].GetTimingLowPower());
  EXPECT_TRUE(list[4].GetTimingLowPower());
  // Low power marks the points below the doubler band, and the end record with point 0.
  EXPECT_EQ(list[2].GetBand(), 0x2D);
  EXPECT_EQ(list[3].GetBand(), 50);
  EXPECT_EQ(list[5].GetBand(), 0x2D);

  // The longest delays saturate the tick field instead of wrapping.
  k30.MeasureDelay = 10000;
  range->CommonDelay = 320;
  scanner.LowPower = false;
  scanner.RebuildScanList();
  EXPECT_EQ(List()[1].GetTimingTicks(), 65535);
  EXPECT_EQ(List()[2].GetBand(), 46);
}

TEST_F(ScanList, RegisterWordsGoWhereTheyBelong) {
  AddChannel();
  scanner.RebuildScanList();
  const Commands before = List();

  // PLL_BIAS is never sent.
  k30.SignalWords[TSynthesizerTV::wPLL_BIAS] = 0x1234;
  k30.HeterodyneWords[TSynthesizerTV::wPLL_BIAS] = 0x1234;
  scanner.RebuildScanList();
  EXPECT_EQ(List(), before);

  // A record word changes the synthesizer record only.
  k30.HeterodyneWords[TSynthesizerTV::wN_CTRL] = 0x2A81;
  scanner.RebuildScanList();
  EXPECT_EQ(Differences(before, List()), (std::vector<std::pair<size_t, size_t>>{{0, 28}}));
  k30.HeterodyneWords[TSynthesizerTV::wN_CTRL] = 0x2A80;

  // LF and PLL_CTRL travel in every point record, not in the synthesizer record.
  k30.SignalWords[TSynthesizerTV::wLF] = 0xFF84;
  k30.HeterodyneWords[TSynthesizerTV::wPLL_CTRL] = 0x80A9;
  scanner.RebuildScanList();
  const auto diff = Differences(before, List());
  ASSERT_EQ(diff.size(), 202u * 2);
  for (const auto& [record, byte] : diff) {
    EXPECT_TRUE(record >= 2 && record != 203) << record;
    EXPECT_TRUE(byte == 2 || byte == 14) << byte;
  }
  EXPECT_EQ(List()[2].GetSynthFields(TCmdRequest::Heterodyne).PllCtrl, 0x90A9);
}

TEST_F(ScanList, RebuildAllReplansTheChannelsFirst) {
  TRange* range = AddChannel();
  scanner.RebuildScanList();
  range->NPoints = 11;  // stored without a rebuild
  scanner.RebuildAll();
  EXPECT_EQ(range->GetCount(), 11);
  EXPECT_EQ(List().size(), 15u);

  range->NPoints = 21;
  scanner.Connected = false;
  scanner.RebuildAll();
  EXPECT_EQ(range->GetCount(), 11);
}

TEST_F(ScanList, AnEntryKeepsItsPlaceWhenItsChannelIsDeleted) {
  TRange* a = AddChannel();
  TRange* b = AddChannel();
  scanner.RebuildScanList();
  delete a;
  ASSERT_EQ(scanner.ScanList.size(), 2u);
  EXPECT_EQ(scanner.ScanList[0].Range, nullptr);
  EXPECT_TRUE(List(0).empty());
  EXPECT_EQ(scanner.ScanList[1].Range, b);
  scanner.BuildScanItem(scanner.ScanList[0]);
  EXPECT_TRUE(List(0).empty());
  EXPECT_EQ(scanner.GetCount(), 1);
  scanner.RebuildScanList();
  EXPECT_EQ(scanner.ScanList.size(), 1u);
}

TEST_F(ScanList, OtherModelRowsBuildNothing) {
  AddChannel();
  TDevice other(2);
  scope->Device = &other;
  scanner.RebuildScanList();
  scope->Device = &device;
  ASSERT_EQ(scanner.ScanList.size(), 1u);
  EXPECT_TRUE(List().empty());
}

TEST_F(ScanListK12, A201PointK12ChannelWithTheRevisionsHeterodyneWord) {
  calibration.Revision = 2;
  TRange* range = AddChannel();
  ASSERT_EQ(range->GetCount(), 201);
  scanner.LowPower = true;
  scanner.RebuildScanList();
  const Commands& list = List();
  ASSERT_EQ(list.size(), 205u);
  EXPECT_EQ(list[0].GetSynthWords(TCmdRequest::Heterodyne)[5], 0xB200u);  // MIX_COUNT, revision 2
  EXPECT_EQ(list[0].GetSynthWords(TCmdRequest::Signal)[5], 0x7000u);
  for (size_t k = 2; k < 203; ++k) ASSERT_EQ(list[k].GetBand(), 0) << k;
  EXPECT_TRUE(list[1].GetTimingLowPower());
  EXPECT_EQ(Payload(list[204]), Payload(list[2]));

  calibration.Revision = 1;
  scanner.RebuildScanList();
  EXPECT_EQ(List()[0].GetSynthWords(TCmdRequest::Heterodyne)[5], 0x9200u);
}

}  // namespace
