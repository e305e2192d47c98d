// TChannelStore: four in-memory channel states.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "ChannelFakes.h"
#include "model/ChannelStore.h"
#include "model/CustomIniFile.h"
#include "model/IChannelView.h"
#include "model/Range.h"

namespace {

// A channel window reduced to what the store sees: it writes its channel into section +
// "Range", one view key and, for save types 2 and 3, a stand-in for the point data; it reads
// them back with the same rules, and counts redraws.
class View : public IChannelView {
 public:
  explicit View(TRange* range = nullptr) : range_(range) {}

  void SaveToIni(TCustomIniFile& ini, const std::string& section, int saveType) override {
    if (failSave) throw std::runtime_error("write failed");
    if (range_) range_->SaveState(ini, section + "Range");
    ini.WriteString(section, "MeasCaption", caption);
    if (saveType == 2 || saveType == 3) ini.WriteString(section, "RangeData", "00");
    if (!extraKey.empty()) ini.WriteString(section, extraKey, "1");
  }
  void LoadFromIni(TCustomIniFile& ini, const std::string& section, int saveType) override {
    loads.push_back(saveType);
    if (range_) range_->LoadState(ini, section + "Range");
    caption = ini.ReadString(section, "MeasCaption", "");
    hadData = ini.ValueExists(section, "RangeData");
    std::vector<std::string> names;
    ini.ReadSection(section, names);
    keys = names;
  }
  void RequestRedraw() override { ++redraws; }

  std::string caption = "A";
  std::string extraKey;
  bool failSave = false;
  std::vector<int> loads;
  std::vector<std::string> keys;
  bool hadData = false;
  int redraws = 0;

 private:
  TRange* range_;
};

struct Store {
  TChannelStore store;
  int changes = 0;
  Store() {
    store.OnChange = [this](TChannelStore* sender) {
      EXPECT_EQ(sender, &store);
      ++changes;
    };
  }
};

TEST(ChannelStore, EmptyAfterConstruction) {
  TChannelStore store;
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(store.IsSlotUsed(i));
  EXPECT_FALSE(store.OnChange);
}

TEST(ChannelStore, RecallOfAnEmptySlotDoesNothing) {
  Store s;
  View view;
  s.store.Recall(2, view);
  EXPECT_TRUE(view.loads.empty());
  EXPECT_EQ(view.redraws, 0);
  EXPECT_EQ(s.changes, 0);
}

TEST(ChannelStore, StoreAndRecall) {
  Store s;
  View source;
  source.caption = "first";
  s.store.Store(1, source, 3);
  EXPECT_EQ(s.changes, 1);
  EXPECT_TRUE(s.store.IsSlotUsed(1));
  EXPECT_FALSE(s.store.IsSlotUsed(0));
  View target;
  target.caption = "";
  s.store.Recall(1, target);
  EXPECT_EQ(target.loads, (std::vector<int>{3}));
  EXPECT_EQ(target.caption, "first");
  EXPECT_TRUE(target.hadData);
  EXPECT_EQ(target.redraws, 1);
  EXPECT_EQ(s.changes, 1);  // a recall fires nothing
  // Recalling again gives the same: the slot is kept.
  s.store.Recall(1, target);
  EXPECT_EQ(target.loads, (std::vector<int>{3, 3}));
}

TEST(ChannelStore, SlotsAreLimited) {
  Store s;
  View a;
  a.caption = "seven";
  s.store.Store(7, a, 0);
  EXPECT_TRUE(s.store.IsSlotUsed(3));
  View b;
  b.caption = "minus";
  s.store.Store(-4, b, 0);
  EXPECT_TRUE(s.store.IsSlotUsed(0));
  View target;
  s.store.Recall(-1, target);
  EXPECT_EQ(target.caption, "minus");
  s.store.Recall(99, target);
  EXPECT_EQ(target.caption, "seven");
  // Mend: an index outside 0 ... 3 is no slot at all.
  for (int i : {-1, 4, 7, -2147483647 - 1, 2147483647}) EXPECT_FALSE(s.store.IsSlotUsed(i)) << i;
}

TEST(ChannelStore, StoringAgainKeepsOnlyTheNewState) {
  Store s;
  View first;
  first.extraKey = "OnlyInTheFirst";
  s.store.Store(2, first, 2);
  View second;
  second.caption = "second";
  s.store.Store(2, second, 0);
  View target;
  s.store.Recall(2, target);
  EXPECT_EQ(target.caption, "second");
  // Stored with save type 0: recalled without point data, whatever the first state held.
  EXPECT_EQ(target.loads, (std::vector<int>{0}));
  EXPECT_FALSE(target.hadData);
  EXPECT_EQ(target.keys, (std::vector<std::string>{"SaveType", "MeasCaption"}));
}

TEST(ChannelStore, FailedStoreKeepsTheSlot) {
  Store s;
  View good;
  good.caption = "kept";
  s.store.Store(0, good, 1);
  View bad;
  bad.failSave = true;
  EXPECT_THROW(s.store.Store(0, bad, 1), std::runtime_error);
  EXPECT_THROW(s.store.Store(3, bad, 1), std::runtime_error);
  EXPECT_FALSE(s.store.IsSlotUsed(3));
  EXPECT_EQ(s.changes, 1);
  View target;
  s.store.Recall(0, target);
  EXPECT_EQ(target.caption, "kept");
}

TEST(ChannelStore, ClearEmptiesEverySlot) {
  Store s;
  View v;
  for (int i = 0; i < 4; ++i) s.store.Store(i, v, 0);
  EXPECT_EQ(s.changes, 4);
  s.store.Clear();
  EXPECT_EQ(s.changes, 5);
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(s.store.IsSlotUsed(i));
  View target;
  s.store.Recall(0, target);
  EXPECT_TRUE(target.loads.empty());
  EXPECT_EQ(target.redraws, 0);
}

// The whole road with a channel: its settings come back as they were stored.
TEST(ChannelStore, RecallRestoresTheChannel) {
  fakes::ChannelServices services;
  TRange range(nullptr);
  View view(&range);
  range.NPoints = 11;
  range.MinFrequency = 1000;
  range.MaxFrequency = 2000;
  range.AverageFactor = 4;
  range.ZConvValue[1] = 60;
  range.RebuildPoints();
  TChannelStore store;
  store.Store(0, view, 0);
  range.NPoints = 401;
  range.MinFrequency = 85;
  range.AverageFactor = 10;
  range.ZConvValue[1] = 50;
  range.RebuildPoints();
  store.Recall(0, view);
  EXPECT_EQ(range.GetCount(), 11);
  EXPECT_EQ(range.GetPointFrequency(0), 1000);
  EXPECT_EQ(range.AverageFactor, 4);
  EXPECT_EQ(range.ZConvValue[1], 60);
}

}  // namespace
