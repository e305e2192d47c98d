// The calibration-kit module: the built-in kits, selection and the reference impedance, the
// standards' setters and flags, the temporary kit, index checks, and the "unchanged" rule.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "calibration/CalKitsModule.h"
#include "calibration/KitTestSupport.h"
#include "model/EAbort.h"
#include "model/MemIniFile.h"
#include "model/Services.h"
#include "platform/AtomicFile.h"

namespace {

using kittest::ChangeRecorder;
using kittest::KitTest;
using kittest::TestFolder;

class CalKits : public KitTest {};

std::vector<std::string> StandardNames(const TCalKit& kit) {
  std::vector<std::string> names;
  for (int i = 0; i < kit.GetStandardCount(); ++i) names.push_back(kit.GetStandard(i)->Name);
  return names;
}

const std::vector<std::string> kPlain{"Short", "Open", "Load", "Thru"};
const std::vector<std::string> kFemale{"Short -F-", "Open -F-", "Load", "Thru"};
const std::vector<std::string> kMale{"Short -M-", "Open -M-", "Load", "Thru"};

// ---------------------------------------------------------------------------------------------
// Built-in kits

TEST_F(CalKits, BuiltInKitsInOrder) {
  TCalKitsModule module(TestFolder());
  const struct {
    const char* name;
    const std::vector<std::string>& standards;
  } expected[] = {
      {"Not defined 50 Ohm", kPlain}, {"Not defined 75 Ohm", kPlain}, {"07RX22B-310 -F-", kFemale},
      {"07RX22B-310 -M-", kMale},     {"QN4.2 Type-N -F-", kFemale},  {"QN4.2 Type-N -M-", kMale},
      {"Agilent 85032B -F-", kFemale}, {"Agilent 85032B -M-", kMale}, {"Agilent 85036B -F-", kFemale},
      {"Agilent 85036B -M-", kMale},  {"Agilent 85032F -F-", kFemale}, {"Agilent 85032F -M-", kMale},
      {"Q713 -F-", kMale},            {"Q714 -M-", kMale},            {"Empty", kPlain},
      {"Empty", kPlain},
  };
  TCalKits& kits = module.GetKits();
  ASSERT_EQ(kits.GetCount(), 16);
  for (int i = 0; i < 16; ++i) {
    SCOPED_TRACE("position " + std::to_string(i + 1));
    const TCalKit& kit = *kits.GetItem(i);
    EXPECT_EQ(kit.Name, expected[i].name);
    EXPECT_EQ(kit.GetDefaultName(), expected[i].name);
    EXPECT_EQ(StandardNames(kit), expected[i].standards);
    EXPECT_TRUE(kit.IsUnchanged());
  }
  EXPECT_EQ(kits.GetSelectedIndex(), 0);
  EXPECT_EQ(module.GetReferenceImpedance(), 50.0);
  EXPECT_FALSE(kits.GetHasTemporaryKit());
}

TEST_F(CalKits, ServiceModeBuildsTypeIIIAtPosition15) {
  SetRunModeFromText("EnableService");
  TCalKitsModule module(TestFolder());
  const TCalKit& kit = *module.GetKits().GetItem(14);
  EXPECT_EQ(kit.Name, "Type III -M-");
  EXPECT_EQ(StandardNames(kit), kMale);
  const TCalStd& open = *kit.GetStandard(1);
  EXPECT_EQ(open.GetOffsetDelay(), -8.3e-14);
  EXPECT_EQ(open.GetOffsetLoss(), 7e8);
  EXPECT_EQ(open.GetC(0), 6.214e-14);
  EXPECT_EQ(open.GetC(3), 7.6e-46);
  EXPECT_EQ(kit.GetStandard(0)->GetOffsetLoss(), 2.1002e9);
  EXPECT_EQ(kit.GetStandard(3)->GetOffsetLoss(), 7e8);
  EXPECT_EQ(module.GetKits().GetItem(15)->Name, "Empty");
}

TEST_F(CalKits, OnlyTheMarkedNamesAreTranslated) {
  kittest::MarkingTranslation lang;
  TScopedServices services;
  services->LangModule = &lang;
  TCalKitsModule module(TestFolder());
  TCalKits& kits = module.GetKits();
  EXPECT_EQ(kits.GetItem(0)->Name, "<Not defined 50 Ohm>");
  EXPECT_EQ(kits.GetItem(1)->Name, "<Not defined 75 Ohm>");
  EXPECT_EQ(kits.GetItem(2)->Name, "07RX22B-310 -F-");
  EXPECT_EQ(kits.GetItem(14)->Name, "<Empty>");
  EXPECT_EQ(kits.GetItem(15)->Name, "<Empty>");
  // The translated name is the kit's built-in name, and standard names stay English.
  EXPECT_TRUE(kits.GetItem(0)->IsUnchanged());
  EXPECT_EQ(StandardNames(*kits.GetItem(0)), kPlain);
}

TEST_F(CalKits, FreshInstallationCreatesTheFolderAndWritesNothing) {
  const std::filesystem::path folder = testenv::Root() / "home" / "CalKit";
  std::filesystem::remove_all(folder);
  {
    TCalKitsModule module;
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_EQ(module.GetKits().GetCount(), 16);
    EXPECT_EQ(module.KitFilePath(0), folder.string() + "/CalKit01.dat");
    EXPECT_EQ(module.KitFilePath(15), folder.string() + "/CalKit16.dat");
  }
  EXPECT_TRUE(std::filesystem::is_empty(folder));
}

// ---------------------------------------------------------------------------------------------
// Selection and reference impedance

TEST_F(CalKits, SelectingThe75OhmKitFiresModuleThenListEvent) {
  TCalKitsModule module(TestFolder());
  TCalKits& kits = module.GetKits();
  ChangeRecorder events(module);

  kits.SelectKit(1);
  EXPECT_EQ(kits.GetSelectedIndex(), 1);
  EXPECT_EQ(kits.GetSelected(), kits.GetItem(1));
  EXPECT_EQ(module.GetReferenceImpedance(), 75.0);
  EXPECT_EQ(events.Senders, (std::vector<TFObject*>{&module, &kits}));

  events.Senders.clear();
  kits.SelectKit(1);
  EXPECT_EQ(events.Senders, (std::vector<TFObject*>{&kits}));

  events.Senders.clear();
  kits.SelectKit(-1);
  kits.SelectKit(16);
  EXPECT_TRUE(events.Senders.empty());
  EXPECT_EQ(kits.GetSelectedIndex(), 1);
}

TEST_F(CalKits, SelectingAKitTakesTheImpedanceOfItsLoad) {
  TCalKitsModule module(TestFolder());
  TCalKits& kits = module.GetKits();
  for (int i = 0; i < kits.GetCount(); ++i) {
    kits.SelectKit(i);
    const double expected = (i == 1 || i == 8 || i == 9) ? 75.0 : 50.0;
    EXPECT_EQ(module.GetReferenceImpedance(), expected) << "position " << i + 1;
  }
  // A Load edited beyond the range is limited like any other value.
  kits.GetItem(3)->GetStandard(2)->SetOffset(1, 300);
  kits.SelectKit(3);
  EXPECT_EQ(module.GetReferenceImpedance(), 250.0);
}

TEST_F(CalKits, ReferenceImpedanceComparesBeforeItLimits) {
  TCalKitsModule module(TestFolder());
  ChangeRecorder events(module);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    double set;
    double stored;
    bool fires;
  } steps[] = {
      {1000, 250, true},  // stored limited
      {1000, 250, true},  // 1000 still differs from the stored 250
      {250, 250, false},
      {1, 5, true},
      {5, 5, false},
      {5 * (1 + 1e-13), 5, false},  // equal within the relative tolerance
      {75, 75, true},
      {nan, 75, false},
      {inf, 75, false},
      {-inf, 75, false},
  };
  for (const auto& s : steps) {
    events.Senders.clear();
    module.SetReferenceImpedance(s.set);
    EXPECT_EQ(module.GetReferenceImpedance(), s.stored) << "set " << s.set;
    EXPECT_EQ(events.Senders, s.fires ? std::vector<TFObject*>{&module} : std::vector<TFObject*>{}) << "set " << s.set;
  }
}

// ---------------------------------------------------------------------------------------------
// Standards

TEST_F(CalKits, SettersStoreAnyFiniteValueAndFireWithTheStandard) {
  TCalKitsModule module(TestFolder());
  TCalStd& open = *module.GetKits().GetItem(3)->GetStandard(1);
  ChangeRecorder events(module);

  open.SetC(2, -1.5e-34);
  open.SetL(3, 2e-42);
  open.SetOffset(0, -3e-12);
  open.SetOffset(1, -10);  // stored as given; the models cope
  open.SetOffset(2, 5e9);
  open.SetOffset(2, 5e9);  // the same value fires again
  EXPECT_EQ(open.GetC(2), -1.5e-34);
  EXPECT_EQ(open.GetL(3), 2e-42);
  EXPECT_EQ(open.GetOffsetDelay(), -3e-12);
  EXPECT_EQ(open.GetOffsetZ0(), -10);
  EXPECT_EQ(open.GetOffsetLoss(), 5e9);
  EXPECT_EQ(events.Senders, std::vector<TFObject*>(6, &open));
  // The built-in copy stays.
  EXPECT_EQ(open.GetDefaults().C[2], -2.1797e-34);
  EXPECT_EQ(open.GetDefaults().OffsetZ0, 50);

  events.Senders.clear();
  const TCalStdValues before = open.GetValues();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  open.SetC(0, nan);
  open.SetC(4, 1.0);
  open.SetC(-1, 1.0);
  open.SetL(1, -inf);
  open.SetL(4, 1.0);
  open.SetOffset(1, inf);
  open.SetOffset(3, 1.0);
  open.SetOffset(-1, 1.0);
  EXPECT_TRUE(events.Senders.empty());
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(open.GetValues().C[k], before.C[k]);
    EXPECT_EQ(open.GetValues().L[k], before.L[k]);
  }
  EXPECT_EQ(open.GetOffsetZ0(), before.OffsetZ0);

  TCalKit& kit = *module.GetKits().GetItem(3);
  kit.SetName("Mine");
  EXPECT_EQ(kit.Name, "Mine");
  EXPECT_EQ(events.Senders, std::vector<TFObject*>{&kit});
}

TEST_F(CalKits, DatabaseFlagNeedsTouchstoneData) {
  const std::string folder = TestFolder();
  const std::string s1p = folder + "/thru.S1P";
  const std::string s2p = folder + "/open.s2p";
  ASSERT_TRUE(platform::AtomicFile::write(s1p, "# MHz S RI R 50\n100 0.5 0.25\n200 0.4 0.2\n").ok);
  ASSERT_TRUE(platform::AtomicFile::write(s2p, "# MHz S RI R 50\n100 0.1 0 0.2 0 0.3 0 0.4 0\n"
                                               "200 0.1 0 0.2 0 0.3 0 0.4 0\n")
                  .ok);
  TCalKitsModule module(folder);
  TCalKit& kit = *module.GetKits().GetItem(0);
  TCalStd& open = *kit.GetStandard(1);
  TCalStd& thru = *kit.GetStandard(3);
  ChangeRecorder events(module);

  open.SetUseDatabaseStd(true);
  EXPECT_FALSE(open.GetUseDatabaseStd());
  EXPECT_TRUE(events.Senders.empty());

  thru.SetTouchstoneFile(s1p);  // a one-port file on the standard named "Thru": S21
  ASSERT_EQ(thru.TouchstoneData.GetCount(), 2);
  EXPECT_EQ(thru.TouchstoneData.GetS21(0), (TComplex{0.5, 0.25}));
  EXPECT_EQ(thru.TouchstoneData.GetS11(0), (TComplex{0, 0}));
  EXPECT_FALSE(thru.GetUseDatabaseStd());

  kit.GetStandard(0)->SetTouchstoneFile(s1p);  // any other name: S11
  EXPECT_EQ(kit.GetStandard(0)->TouchstoneData.GetS11(1), (TComplex{0.4, 0.2}));
  EXPECT_EQ(kit.GetStandard(0)->TouchstoneData.GetS21(1), (TComplex{0, 0}));

  open.SetTouchstoneFile(s2p);  // any other extension: two-port
  EXPECT_EQ(open.TouchstoneData.GetS12(0), (TComplex{0.3, 0}));
  EXPECT_EQ(events.Senders, (std::vector<TFObject*>{&thru, kit.GetStandard(0), &open}));

  events.Senders.clear();
  open.SetTouchstoneFile(s2p);  // the same file: nothing
  open.SetUseDatabaseStd(true);
  open.SetUseDatabaseStd(true);
  EXPECT_TRUE(open.GetUseDatabaseStd());
  EXPECT_EQ(events.Senders, std::vector<TFObject*>{&open});

  TCalStd& load = *kit.GetStandard(2);
  load.SetTouchstoneFile(folder + "/missing.s1p");  // stored, read as nothing
  EXPECT_EQ(load.GetTouchstoneFile(), folder + "/missing.s1p");
  EXPECT_EQ(load.TouchstoneData.GetCount(), 0);
  load.SetUseDatabaseStd(true);
  EXPECT_FALSE(load.GetUseDatabaseStd());
}

// A Touchstone name that leads to no network file at all is refused unread and never waited
// on: when it is set, with a message and no change; when a kit file names it, the standard
// keeps its model.
TEST_F(CalKits, ATouchstoneFileThatIsNoFileIsRefusedUnread) {
  const std::string folder = TestFolder();
  const std::string s1p = folder + "/open.s1p";
  ASSERT_TRUE(platform::AtomicFile::write(s1p, "# MHz S RI R 50\n100 0.5 0.25\n200 0.4 0.2\n").ok);
  ASSERT_EQ(::mkfifo((folder + "/pipe.s1p").c_str(), 0600), 0);
  std::filesystem::create_directories(folder + "/folder.s1p");
  {
    const int fd = ::open((folder + "/huge.s1p").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, 300ll << 20), 0);  // sparse: no disk used
    ::close(fd);
  }
  TCalKitsModule module(folder);
  TCalStd& open = *module.GetKits().GetItem(0)->GetStandard(1);
  open.SetTouchstoneFile(s1p);
  ChangeRecorder events(module);
  struct Case {
    const char* name;
    const char* why;
  };
  for (const Case& c : {Case{"pipe.s1p", "not a regular file"}, Case{"folder.s1p", "folder"},
                        Case{"huge.s1p", "larger than 64 MB"}}) {
    SCOPED_TRACE(c.name);
    const std::string path = folder + "/" + c.name;
    try {
      open.SetTouchstoneFile(path);
      ADD_FAILURE() << "no error";
    } catch (const EAbort& e) {
      EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.why), std::string::npos) << e.what();
    }
    EXPECT_EQ(open.GetTouchstoneFile(), s1p);
    EXPECT_EQ(open.TouchstoneData.GetCount(), 2);
    EXPECT_TRUE(events.Senders.empty());

    TMemIniFile file;
    file.WriteString("Open", "UseDatabaseStd", "1");
    file.WriteString("Open", "TouchstoneFile", path);
    TCalStd read(nullptr, "Open", TCalStdValues{});
    read.ReadIni(file, "Open");
    EXPECT_FALSE(read.GetUseDatabaseStd());
    EXPECT_EQ(read.TouchstoneData.GetCount(), 0);
    EXPECT_FALSE(read.TouchstoneData.LoadError.empty());
  }
}

TEST_F(CalKits, ModuleDataFlagNeedsModuleDataAndFiresNothing) {
  TCalKitsModule module(TestFolder());
  TCalStd& load = *module.GetKits().GetItem(0)->GetStandard(2);
  ChangeRecorder events(module);
  load.SetUseModuleData(true);
  EXPECT_FALSE(load.GetUseModuleData());
  load.ModuleData.SetOnePortData({{0.1, 0}, {0.2, 0}}, 200, 100);
  load.SetUseModuleData(true);
  EXPECT_TRUE(load.GetUseModuleData());
  load.SetUseModuleData(false);
  EXPECT_FALSE(load.GetUseModuleData());
  EXPECT_TRUE(events.Senders.empty());
}

// ---------------------------------------------------------------------------------------------
// Temporary kit and index checks

TEST_F(CalKits, TemporaryKitIsAddedOnceAndRemovedWithoutImpedanceChange) {
  TCalKitsModule module(TestFolder());
  TCalKits& kits = module.GetKits();
  kits.SelectKit(1);  // 75 ohm
  ChangeRecorder events(module);

  kits.RemoveTemporaryKit();  // none there
  EXPECT_EQ(kits.GetCount(), 16);
  EXPECT_TRUE(events.Senders.empty());

  kits.AddTemporaryKit("Module 1234");
  kits.AddTemporaryKit("Module 5678");
  ASSERT_EQ(kits.GetCount(), 17);
  EXPECT_TRUE(kits.GetHasTemporaryKit());
  EXPECT_EQ(events.Senders, std::vector<TFObject*>{&kits});
  const TCalKit& temporary = *kits.GetItem(16);
  EXPECT_EQ(temporary.Name, "Module 1234");
  EXPECT_EQ(StandardNames(temporary), (std::vector<std::string>{"Short", "Open", "Load", "Thru", "Open2", "Load2"}));
  for (int i = 0; i < 6; ++i) {
    const TCalStd& s = *temporary.GetStandard(i);
    EXPECT_EQ(s.GetOffsetZ0(), 50);
    EXPECT_EQ(s.GetOffsetDelay(), 0);
    EXPECT_EQ(s.GetOffsetLoss(), 0);
    EXPECT_EQ(s.GetC(0), 0);
    EXPECT_EQ(s.GetL(0), 0);
  }
  EXPECT_EQ(kits.GetSelectedIndex(), 1);  // not selected by adding

  kits.SelectKit(16);
  EXPECT_EQ(module.GetReferenceImpedance(), 50.0);
  kits.SelectKit(1);
  events.Senders.clear();
  kits.RemoveTemporaryKit();
  EXPECT_EQ(kits.GetCount(), 16);
  EXPECT_FALSE(kits.GetHasTemporaryKit());
  EXPECT_EQ(kits.GetSelectedIndex(), 0);
  EXPECT_EQ(module.GetReferenceImpedance(), 75.0);  // selected directly, impedance kept
  EXPECT_EQ(events.Senders, std::vector<TFObject*>{&kits});
}

TEST_F(CalKits, IndexOutsideTheListIsAnIllegalParameterValue) {
  TCalKitsModule module(TestFolder());
  TCalKits& kits = module.GetKits();
  kits.AddTemporaryKit("Module");
  auto expectIllegal = [](auto&& call, const char* what) {
    try {
      call();
      ADD_FAILURE() << what << " did not throw";
    } catch (const EAbort& e) {
      EXPECT_EQ(e.HelpContext, 224) << what;
      EXPECT_STREQ(e.what(), "Illegal parameter value") << what;
    }
  };
  expectIllegal([&] { kits.GetItem(-1); }, "GetItem(-1)");
  expectIllegal([&] { kits.GetItem(17); }, "GetItem(17)");
  expectIllegal([&] { kits.GetItem(0)->GetStandard(-1); }, "GetStandard(-1)");
  expectIllegal([&] { kits.GetItem(0)->GetStandard(4); }, "GetStandard(4)");
  expectIllegal([&] { kits.GetItem(16)->GetStandard(6); }, "GetStandard(6) of the temporary kit");
  EXPECT_EQ(kits.GetItem(16)->GetStandard(5)->Name, "Load2");
  EXPECT_EQ(kits.GetItem(16)->GetStandard(4)->Name, "Open2");

  const struct {
    int i;
    const char* name;
  } scpi[] = {{0, "SHORt"}, {1, "OPEN"}, {2, "LOAD"}, {3, "THRU"}, {4, "NONE"}, {-1, "NONE"}};
  for (const auto& s : scpi) EXPECT_EQ(TCalKit::GetStandardScpiName(s.i), s.name) << s.i;
}

// ---------------------------------------------------------------------------------------------
// Unchanged, restore, reset

TEST_F(CalKits, UnchangedWithinAThousandthOfTheEditorUnit) {
  TCalKitsModule module(TestFolder());
  TCalKit& kit = *module.GetKits().GetItem(10);  // 85032F -F-: every kind of value is used
  struct Case {
    const char* what;
    void (*change)(TCalKit&);
    bool unchanged;
  };
  const Case cases[] = {
      {"OffsetZ0 +0.0005", [](TCalKit& k) { k.GetStandard(2)->SetOffset(1, 50.0005); }, true},
      {"OffsetZ0 +0.002", [](TCalKit& k) { k.GetStandard(2)->SetOffset(1, 50.002); }, false},
      {"C0 +5e-19", [](TCalKit& k) { k.GetStandard(1)->SetC(0, 8.9939e-14 + 5e-19); }, true},
      {"C0 +2e-18", [](TCalKit& k) { k.GetStandard(1)->SetC(0, 8.9939e-14 + 2e-18); }, false},
      {"C3 +2e-48", [](TCalKit& k) { k.GetStandard(1)->SetC(3, 1.34e-44 + 2e-48); }, false},
      {"L0 +5e-16", [](TCalKit& k) { k.GetStandard(0)->SetL(0, 3.3998e-12 + 5e-16); }, true},
      {"L3 +2e-45", [](TCalKit& k) { k.GetStandard(0)->SetL(3, -7.847e-43 + 2e-45); }, false},
      {"delay +5e-16", [](TCalKit& k) { k.GetStandard(0)->SetOffset(0, 4.5955e-11 + 5e-16); }, true},
      {"delay +2e-15", [](TCalKit& k) { k.GetStandard(0)->SetOffset(0, 4.5955e-11 + 2e-15); }, false},
      {"loss relative 5e-13", [](TCalKit& k) { k.GetStandard(0)->SetOffset(2, 1.087e9 * (1 + 5e-13)); }, true},
      {"loss relative 2e-12", [](TCalKit& k) { k.GetStandard(0)->SetOffset(2, 1.087e9 * (1 + 2e-12)); }, false},
      {"zero loss +5e-13", [](TCalKit& k) { k.GetStandard(3)->SetOffset(2, 5e-13); }, true},
      {"zero loss +2e-12", [](TCalKit& k) { k.GetStandard(3)->SetOffset(2, 2e-12); }, false},
      {"standard name", [](TCalKit& k) { k.GetStandard(3)->Name = "Thru "; }, false},
      {"kit name", [](TCalKit& k) { k.Name = "Agilent 85032F"; }, false},
      {"Touchstone file", [](TCalKit& k) { k.GetStandard(2)->SetTouchstoneFile("x.s1p"); }, false},
  };
  for (const Case& c : cases) {
    kit.Restore();
    ASSERT_TRUE(kit.IsUnchanged());
    c.change(kit);
    EXPECT_EQ(kit.IsUnchanged(), c.unchanged) << c.what;
  }
}

TEST_F(CalKits, RestoreAndResetBringBackTheBuiltInKit) {
  TCalKitsModule module(TestFolder());
  TCalKits& kits = module.GetKits();
  kits.SelectKit(4);
  TCalKit& kit = *kits.GetSelected();
  TCalStd& open = *kit.GetStandard(1);
  kit.Name = "Renamed";
  open.Name = "My open";
  open.SetC(1, 1e-20);
  open.SetOffset(1, 60);
  open.ModuleData.SetOnePortData({{0.1, 0}, {0.2, 0}}, 200, 100);
  open.SetUseModuleData(true);

  ChangeRecorder events(module);
  kit.Restore();  // no event
  EXPECT_TRUE(events.Senders.empty());
  EXPECT_TRUE(kit.IsUnchanged());
  EXPECT_EQ(kit.Name, "QN4.2 Type-N -F-");
  EXPECT_EQ(open.Name, "Open -F-");
  EXPECT_EQ(open.GetC(1), -3.7e-26);
  EXPECT_EQ(open.GetOffsetZ0(), 50);
  // The module's data are not the user's: they stay.
  EXPECT_TRUE(open.GetUseModuleData());
  EXPECT_EQ(open.ModuleData.GetCount(), 2);

  open.SetOffset(0, 1e-9);
  kit.SetName("Again");
  events.Senders.clear();
  module.ResetSelectedKit();
  EXPECT_TRUE(kit.IsUnchanged());
  EXPECT_EQ(events.Senders, std::vector<TFObject*>{&module});
}

}  // namespace
