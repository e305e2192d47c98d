#include <gtest/gtest.h>

#include <stdexcept>

#include "ChannelFakes.h"
#include "model/Range.h"
#include "model/Segment.h"

namespace {

TSegment Make(double start, double stop, int points) {
  TSegment s;
  s.Start = start;
  s.Stop = stop;
  s.Points = points;
  s.IFBW = 10000;
  s.Power = -10;
  return s;
}

struct BatchChannel {
  fakes::ChannelServices services;
  TRange range{nullptr};
  fakes::EventCounter events;

  explicit BatchChannel(TSegments table) {
    TRangeSettings s;
    TSegments unused;
    range.GetSettings(s, unused);
    s.SweepMode = TRange::Segm;
    range.ApplySettings(std::move(table), s);
    range.ChangeNotify = true;
    events.Attach(range);
  }
};

TEST(SegmentEditBatch, NestedGuardsReportOnceAtTheOuterEnd) {
  BatchChannel c({Make(1000, 2000, 11), Make(3000, 4000, 11)});
  {
    TRange::TSegmentEditBatch outer(c.range);
    {
      TRange::TSegmentEditBatch inner(c.range);
      c.range.SetSegmentPoints(0, 21);
      c.range.SetSegmentPoints(1, 31);
    }
    c.range.SetSegmentStart(0, 1500);
    EXPECT_EQ(c.events.change, 0);
    EXPECT_EQ(c.events.settings, 0);
  }
  EXPECT_EQ(c.events.change, 1);
  EXPECT_EQ(c.events.settings, 1);
  EXPECT_EQ(c.range.GetCount(), 52);
  EXPECT_EQ(c.range.GetSegmentStart(0), 1500);
}

TEST(SegmentEditBatch, AnEditThatThrowsStillEndsWithOneRebuild) {
  BatchChannel c({Make(1000, 2000, 11)});
  EXPECT_THROW(
      {
        TRange::TSegmentEditBatch batch(c.range);
        c.range.SetSegmentPoints(0, 41);
        throw std::runtime_error("edit failed");
      },
      std::runtime_error);
  EXPECT_EQ(c.events.change, 1);
  EXPECT_EQ(c.events.settings, 1);
  EXPECT_EQ(c.range.GetCount(), 41);
  // The batch is closed: the next edit reports at once.
  c.range.SetSegmentPoints(0, 51);
  EXPECT_EQ(c.events.change, 2);
}

TEST(SegmentEditBatch, SettersClampInsideAGuardAsOutside) {
  BatchChannel inside({Make(1000, 2000, 11)});
  BatchChannel outside({Make(1000, 2000, 11)});
  {
    TRange::TSegmentEditBatch batch(inside.range);
    inside.range.SetSegmentPoints(0, 1000000);
    inside.range.SetSegmentStop(0, 1e12);
  }
  outside.range.SetSegmentPoints(0, 1000000);
  outside.range.SetSegmentStop(0, 1e12);
  EXPECT_EQ(inside.range.Segments, outside.range.Segments);
  EXPECT_EQ(inside.range.GetCount(), outside.range.GetCount());
}

TEST(SegmentEditBatch, AGuardWithoutEditsReportsNothing) {
  BatchChannel c({Make(1000, 2000, 11)});
  { TRange::TSegmentEditBatch batch(c.range); }
  EXPECT_EQ(c.events.change, 0);
  EXPECT_EQ(c.events.settings, 0);
}

}  // namespace
