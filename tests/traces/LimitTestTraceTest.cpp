// Limit and ripple lines on a real trace: what they read (the displayed values, max hold
// included, in the trace's stimulus unit), the current format's value range, the change event,
// and the ".lim" and ".rlm" files with the trace's switches.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/TestEnv.h"
#include "model/EAbort.h"
#include "model/MemIniFile.h"
#include "platform/AtomicFile.h"
#include "traces/FakeTraceHost.h"
#include "traces/LimitLine.h"
#include "traces/LineFiles.h"
#include "traces/Measurement.h"
#include "traces/RippleLine.h"

using tracetest::FakeTraceHost;

namespace {

// 201 points from 100 to 1100 MHz (point k at 100 + 5k), all at -20, -9 from 150 to 160 MHz.
void FillTrace(TMeasurement& t) {
  for (int k = 0; k < t.GetPointCount(); ++k) t.SmoothedData[size_t(k)] = {k >= 10 && k <= 12 ? -9.0 : -20.0, 0.0};
}

void UpperLimit(TLimitLine& line, double beg, double end, double value) {
  line.InsertSegment(line.GetSegmentCount() - 1);
  const int i = line.GetSegmentCount() - 1;
  line.SetEndArgument(i, end);
  line.SetBegArgument(i, beg);
  line.SetBegValue(i, value);
  line.SetEndValue(i, value);
  line.SetLimitType(i, TLimitLine::kLimitUpper);
}

std::string Folder() { return testenv::Root().string() + "/"; }

}  // namespace

TEST(LimitTestOnTrace, ReadsTheDisplayedValues) {
  FakeTraceHost host;
  TMeasurement& t = host.Trace();
  FillTrace(t);
  host.ResetCounts();
  TLimitLine& line = *t.LimitLine;
  line.InsertSegment(0);
  EXPECT_EQ(line.GetBegArgument(0), 100);  // the trace's first point
  ASSERT_EQ(host.Changes(), 1);
  EXPECT_EQ(host.senders.back(), &line);
  EXPECT_EQ(host.redraws, 1);
  line.SetEndArgument(0, 200);
  line.SetBegValue(0, -10);
  line.SetEndValue(0, -10);
  line.SetLimitType(0, TLimitLine::kLimitUpper);
  ASSERT_EQ(line.GetFailRuns().size(), 1u);
  EXPECT_EQ(line.GetFailRuns()[0].First, 10);
  EXPECT_EQ(line.GetFailRuns()[0].Last, 12);
  // With max hold on, the held values are the ones tested.
  t.EnableMaxHold = true;
  t.MaxHoldData.assign(t.SmoothedData.size(), TComplex{-30, 0});
  line.Test();
  EXPECT_TRUE(line.IsPassed());
  t.EnableMaxHold = false;
  // Limit values are held to the current format's range.
  t.SetFormat(4);
  line.SetBegValue(0, 0.5);
  EXPECT_EQ(line.GetBegValue(0), 1);
  t.SetFormat(16);
}

TEST(LimitTestOnTrace, ResultsFollowTheTracesSwitch) {
  FakeTraceHost host;
  TMeasurement& t = host.Trace();
  FillTrace(t);
  UpperLimit(*t.LimitLine, 100, 200, -10);
  TMemIniFile ini;
  t.LimitLine->SaveToIni(ini, "M");
  ASSERT_FALSE(t.LimitLine->IsPassed());
  // Switch off: a deleted segment takes its results with it.
  t.LimitLine->DeleteSegment(0);
  EXPECT_TRUE(t.LimitLine->IsPassed());
  // Switch on: a load is tested at once.
  t.SetLimitTest(true);
  t.LimitLine->LoadFromIni(ini, "M");
  EXPECT_FALSE(t.LimitLine->IsPassed());
}

TEST(LimitTestOnTrace, LimitFileCarriesTheSwitches) {
  FakeTraceHost host;
  TMeasurement& t = host.Trace();
  FillTrace(t);
  UpperLimit(*t.LimitLine, 100, 200, -10);
  t.SetLimitTest(true);
  t.SetShowFailSign(true);
  const std::string path = Folder() + "trace.lim";
  t.SaveLimitFile(path);

  FakeTraceHost other;
  TMeasurement& u = other.Trace();
  FillTrace(u);
  other.ResetCounts();
  u.LoadLimitFile(path);
  EXPECT_TRUE(u.LimitTest);
  EXPECT_FALSE(u.ShowLimit);
  EXPECT_TRUE(u.ShowFailSign);
  ASSERT_EQ(u.LimitLine->GetSegmentCount(), 1);
  EXPECT_FALSE(u.LimitLine->IsPassed());
  ASSERT_EQ(other.Changes(), 1);
  EXPECT_EQ(other.senders.back(), &u);
  EXPECT_EQ(other.redraws, 1);

  // A missing file says so and leaves the trace as it was.
  other.ResetCounts();
  EXPECT_THROW(LoadLimitFile(u, Folder() + "gone.lim"), EAbort);
  EXPECT_TRUE(u.LimitTest);
  EXPECT_EQ(u.LimitLine->GetSegmentCount(), 1);
  EXPECT_EQ(other.Changes(), 0);
}

TEST(LimitTestOnTrace, RippleFileCarriesTheSwitches) {
  FakeTraceHost host;
  TMeasurement& t = host.Trace();
  FillTrace(t);
  TRippleLine& line = *t.RippleLine;
  line.InsertSegment(0);
  line.SetEndArgument(0, 300);
  line.SetRippleLimit(0, 1);
  line.SetRippleType(0, 1);
  ASSERT_FALSE(line.IsPassed());
  t.SetShowRippleFailSign(true);
  const std::string path = Folder() + "trace.rlm";
  SaveRippleFile(t, path);

  FakeTraceHost other;
  TMeasurement& u = other.Trace();
  FillTrace(u);
  LoadRippleFile(u, path);
  EXPECT_FALSE(u.RippleTest);
  EXPECT_FALSE(u.ShowRippleLimit);
  EXPECT_TRUE(u.ShowRippleFailSign);
  ASSERT_EQ(u.RippleLine->GetSegmentCount(), 1);
  EXPECT_EQ(u.RippleLine->GetEndArgument(0), 300);
  // The file's test switch is off: no results until a test runs.
  EXPECT_TRUE(u.RippleLine->IsPassed());
  u.SetRippleTest(true);
  EXPECT_FALSE(u.RippleLine->IsPassed());
  EXPECT_THROW(LoadRippleFile(u, Folder()), EAbort);
  EXPECT_TRUE(u.RippleTest);
  // A file that cannot be written raises the error and keeps the old one.
  ASSERT_TRUE(platform::AtomicFile::write(Folder() + "plain", "x"));
  EXPECT_THROW(SaveRippleFile(u, Folder() + "plain/x.rlm"), EAbort);
}
