// Instrument state files through the main window: what a save writes and where, that a load
// gives the same save again, and that a missing, foreign, damaged or oversized file is refused
// before anything changes. The main window on its own, offscreen, in demonstration mode with
// the trigger on hold (nothing sweeps).
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMoveEvent>
#include <QRect>
#include <cmath>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "calibration/Calibr.h"
#include "display/RangeView.h"
#include "display/RangeViewSupport.h"
#include "model/EAbort.h"
#include "model/MemIniFile.h"
#include "model/Range.h"
#include "platform/AtomicFile.h"
#include "platform/ui/Screen.h"
#include "shell/MainFrmRig.h"
#include "shell/StateFileSample.h"
#include "traces/MarkerList.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"
#include "traces/MemoryList.h"
#include "traces/MemoryTrace.h"
#include "widgets/LeftPanel.h"
#include "widgets/RightPanel.h"

namespace fs = std::filesystem;

namespace {

const char* const kSection = "Network analyzer";

using rangeview::SetCalibration;
using rangeview::SetStimulus;

// ASCII text as the UTF-16LE bytes of a state file.
std::string Utf16(const std::string& ascii) {
  std::string bytes;
  for (char c : ascii) {
    bytes += c;
    bytes += '\0';
  }
  return bytes;
}

class StateFile : public MainFrmRig {
 protected:
  void SetUp() override {
    Build("DemoMode");
    RunDelayedStart();
    ScannerModule->TriggerMode = TScannerModule::Hold;
  }

  // Four channels in layout 5, channel 2 active; each channel with its own stimulus, two
  // traces, a marker, a memory and measured points; channel 1 calibrated.
  void Configure() {
    frm->SetChannelLayout(5);
    frm->SetChannelCount(4);
    frm->SetActiveView(2);
    for (int v = 0; v < 4; ++v) {
      TRangeView& view = *frm->GetView(v);
      const int points = 51 + 50 * v;
      SetStimulus(*view.Range, points, 100.0 + v, 1100.0 + 10 * v);
      view.Measurements->AddMeasurement(0, 2);
      for (int i = 0; i < view.Range->GetCount(); ++i) {
        view.Range->SetPointData(0, i, TComplex{0.25 + 0.001 * i + 0.01 * v, -0.125});
      }
      TMeasurement* first = view.Measurements->GetMeasurement(0);
      first->Markers->AddMarker();
      first->Memories->StoreData();
      view.SetDivisions(8 + 2 * v);
    }
    SetCalibration(*frm->GetView(1), frm->GetView(1)->Range->GetCount(), 101.0, 1110.0);
    frm->TouchType = 1;
    frm->SPort = 2;
    frm->TouchFormat = 2;
    frm->PrintTime = false;
  }

  static std::string Read(const std::string& path) {
    std::string bytes;
    EXPECT_TRUE(platform::AtomicFile::read(path, bytes)) << path;
    return bytes;
  }
  static std::unique_ptr<TMemIniFile> Ini(const std::string& bytes) {
    auto ini = std::make_unique<TMemIniFile>();
    ini->LoadFromBytes(bytes);
    return ini;
  }
  static std::string StateDir() { return platform::Paths::dataRoot() + "/State"; }
  static std::vector<std::string> TemporaryFiles() {
    std::vector<std::string> left;
    for (const auto& e : fs::recursive_directory_iterator(platform::Paths::dataRoot())) {
      if (e.path().filename().string().find(".tmp") != std::string::npos) left.push_back(e.path().string());
    }
    return left;
  }
  // The load fails with EAbort, and a save afterwards is the save before.
  void ExpectRefused(const std::string& path, const std::string& what) {
    const std::string before = frm->StateBytes();
    try {
      frm->LoadState(path);
      ADD_FAILURE() << what << ": loaded";
    } catch (const EAbort& e) {
      EXPECT_FALSE(std::string(e.what()).empty()) << what;
    }
    // (Compared whole; printed only as a size.)
    const std::string after = frm->StateBytes();
    EXPECT_TRUE(after == before) << what << ": the state changed (" << before.size() << " -> " << after.size() << " bytes)";
  }
};

TEST_F(StateFile, SaveLoadSaveIsByteIdenticalForEverySaveType) {
  Configure();
  for (int saveType = 0; saveType <= 3; ++saveType) {
    // Loading a state without a calibration took it away; each round starts calibrated.
    SetCalibration(*frm->GetView(1), frm->GetView(1)->Range->GetCount(), 101.0, 1110.0);
    frm->SetSaveType(saveType);
    frm->SaveState("round");
    const std::string first = Read(StateDir() + "/round.cfg");
    auto ini = Ini(first);
    EXPECT_EQ(ini->ReadInteger(kSection, "SaveType", -1), saveType);
    EXPECT_EQ(ini->ValueExists("RangeView1", "CalData"), saveType == 1 || saveType == 3) << saveType;
    EXPECT_EQ(ini->ValueExists("RangeView3", "RangeData"), saveType >= 2) << saveType;
    frm->LoadState("round");
    EXPECT_EQ(frm->ChannelLayout, 5);
    EXPECT_EQ(frm->ChannelCount, 4);
    EXPECT_EQ(frm->ActiveViewIndex, 2);
    EXPECT_EQ(frm->GetView(1)->UserCalibration->Terms != nullptr, saveType == 1 || saveType == 3) << saveType;
    frm->SaveState("round");
    const std::string second = Read(StateDir() + "/round.cfg");
    EXPECT_TRUE(second == first) << "save type " << saveType << ": " << first.size() << " -> " << second.size()
                                 << " bytes\n" << Ini(second)->GetText().substr(0, 3000);
  }
}

TEST_F(StateFile, AStateOfAnUncalibratedWindowTakesTheCalibrationAway) {
  Configure();
  frm->ClearAllCalibrations();
  frm->SetSaveType(1);
  frm->SaveState("plain");  // every window uncalibrated: empty calibrations are stored
  ASSERT_TRUE(Ini(Read(StateDir() + "/plain.cfg"))->ValueExists("RangeView1", "CalData"));
  SetCalibration(*frm->GetView(1), frm->GetView(1)->Range->GetCount(), 101.0, 1110.0);
  ASSERT_NE(frm->GetView(1)->UserCalibration->Terms, nullptr);
  frm->LoadState("plain");
  EXPECT_EQ(frm->GetView(1)->UserCalibration->Terms, nullptr);
}

TEST_F(StateFile, SectionsAndKeysComeInTheirOrder) {
  auto ini = Ini(frm->StateBytes());
  std::vector<std::string> sections;
  ini->ReadSections(sections);
  ASSERT_FALSE(sections.empty());
  EXPECT_EQ(sections.front(), kSection);
  std::vector<std::string> keys;
  ini->ReadSection(kSection, keys);
  const std::vector<std::string> expected = {
      "ChannelLayout", "ChannelCount", "ActiveViewIndex", "ViewMaximized", "TouchType", "SPort",
      "TouchFormat", "PrintInverted", "PrintTime", "Left", "Top", "Width", "Height", "LeftExpandedState",
      "RightExpandedState", "SaveType", "DisableUserCal", "DisableFactoryCal"};
  EXPECT_EQ(keys, expected);
  // The display look, the sweep control, then the four windows.
  auto at = [&](const std::string& name) {
    return std::find(sections.begin(), sections.end(), name) - sections.begin();
  };
  EXPECT_LT(at("ViewProperties"), at("ScannerModule"));
  EXPECT_LT(at("ScannerModule"), at("RangeView0"));
  EXPECT_LT(at("RangeView0"), at("RangeView3"));
  EXPECT_LT(at("RangeView3"), static_cast<long>(sections.size()));
  // No synthesizer section outside service mode.
  EXPECT_FALSE(ini->SectionExists("SynthTV30"));
  EXPECT_FALSE(ini->SectionExists("SynthTV"));
}

TEST_F(StateFile, NamesAndFolders) {
  fs::remove_all(StateDir());
  frm->SaveState("abc");
  EXPECT_TRUE(fs::is_regular_file(StateDir() + "/abc.cfg"));
  // A name with a folder and an extension is taken as it is.
  const std::string exact = (testenv::Root() / "exact.state").string();
  frm->SaveState(exact);
  EXPECT_TRUE(fs::is_regular_file(exact));
  frm->LoadState(exact);
  frm->LoadState("abc");
  EXPECT_EQ(TMainFrm::StateFilePath("x.y", false), StateDir() + "/x.y");
}

TEST_F(StateFile, SavingOverAFileLeavesNoOldKey) {
  statefile::Write(TMainFrm::StateFilePath("over", true), 3, 3);
  ASSERT_TRUE(statefile::HasStrayKey(StateDir() + "/over.cfg"));
  frm->SaveState("over");
  EXPECT_FALSE(statefile::HasStrayKey(StateDir() + "/over.cfg"));
}

TEST_F(StateFile, AFailedWriteKeepsTheOldFileAndLeavesNoTemporaryFile) {
  const std::string missing = (testenv::Root() / "no-such-folder" / "x.cfg").string();
  try {
    frm->SaveState(missing);
    ADD_FAILURE() << "saved into a missing folder";
  } catch (const EAbort& e) {
    EXPECT_NE(std::string(e.what()).find("x.cfg"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(fs::exists(missing));
  // A target that cannot be replaced (a folder in its place) keeps what is there.
  const std::string blocked = StateDir() + "/blocked.cfg";
  fs::create_directories(blocked + "/inner");
  EXPECT_THROW(frm->SaveState("blocked"), EAbort);
  EXPECT_TRUE(fs::is_directory(blocked + "/inner"));
  EXPECT_TRUE(TemporaryFiles().empty());
}

TEST_F(StateFile, AMissingFileIsNotFoundAndChangesNothing) {
  Configure();
  const std::string before = frm->StateBytes();
  try {
    frm->LoadState("nothere");
    ADD_FAILURE() << "a missing file loaded";
  } catch (const EAbort& e) {
    EXPECT_NE(std::string(e.what()).find("not found"), std::string::npos) << e.what();
  }
  EXPECT_TRUE(frm->StateBytes() == before);
  EXPECT_NE(frm->GetView(1)->UserCalibration->Terms, nullptr);
}

TEST_F(StateFile, SaveTypeText) {
  struct Case {
    const char* text;
    int type;  // -1: refused
  };
  const Case cases[] = {{"cdst", 3}, {"CSTX", 1}, {"STAT", 0}, {"dst", 2}, {"Cdst1", 3},
                        {"CS", -1},  {"", -1},    {"ST", -1},  {"XSTAT", -1}};
  for (const Case& c : cases) {
    frm->SaveType = 2;
    if (c.type < 0) {
      try {
        frm->SetSaveTypeText(c.text);
        ADD_FAILURE() << c.text;
      } catch (const EAbort& e) {
        EXPECT_STREQ(e.what(), "Invalid save type specifier");
        EXPECT_EQ(e.HelpContext, 205);
      }
      EXPECT_EQ(frm->SaveType, 2) << c.text;
    } else {
      frm->SetSaveTypeText(c.text);
      EXPECT_EQ(frm->SaveType, c.type) << c.text;
    }
  }
  const char* const words[] = {"STAT", "CST", "DST", "CDST"};
  for (int i = 0; i < 4; ++i) {
    frm->SaveType = i;
    EXPECT_EQ(frm->GetSaveTypeText(), words[i]);
  }
  frm->SaveType = 4;
  EXPECT_EQ(frm->GetSaveTypeText(), "");
}

TEST_F(StateFile, OutOfRangeCodesKeepTheirValues) {
  frm->TouchType = 1;
  frm->SPort = 2;
  frm->TouchFormat = 1;
  frm->SaveType = 3;
  struct Case {
    const char* key;
    const char* value;
    int TMainFrm::*field;
    int expected;
  };
  const Case cases[] = {
      {"TouchType", "2", &TMainFrm::TouchType, 1},    {"TouchType", "0", &TMainFrm::TouchType, 0},
      {"SPort", "-1", &TMainFrm::SPort, 2},           {"SPort", "3", &TMainFrm::SPort, 3},
      {"TouchFormat", "3", &TMainFrm::TouchFormat, 1}, {"TouchFormat", "nan", &TMainFrm::TouchFormat, 1},
      {"SaveType", "4", &TMainFrm::SaveType, 3},      {"SaveType", "0", &TMainFrm::SaveType, 0},
  };
  for (const Case& c : cases) {
    auto ini = Ini(frm->StateBytes());
    ini->WriteString(kSection, c.key, c.value);
    platform::AtomicFile::write(StateDir() + "/codes.cfg", ini->SaveToBytes());
    frm->LoadState("codes");
    EXPECT_EQ(frm.get()->*c.field, c.expected) << c.key << "=" << c.value;
  }
  // The layout values go through their setters.
  auto ini = Ini(frm->StateBytes());
  ini->WriteString(kSection, "ChannelLayout", "17");
  ini->WriteString(kSection, "ChannelCount", "nan");
  ini->WriteString(kSection, "ActiveViewIndex", "-3");
  platform::AtomicFile::write(StateDir() + "/codes.cfg", ini->SaveToBytes());
  frm->LoadState("codes");
  EXPECT_EQ(frm->ChannelLayout, 5);
  EXPECT_EQ(frm->ChannelCount, 1);
  EXPECT_EQ(frm->ActiveViewIndex, 0);
}

TEST_F(StateFile, WindowPositionAndColumns) {
  const ui::Rect area = ui::Screen::WorkArea();
  auto ini = Ini(frm->StateBytes());
  ini->WriteInteger(kSection, "Left", area.Left + 10);
  ini->WriteInteger(kSection, "Top", area.Top + 20);
  const int width = area.Width() - 20;
  const int height = area.Height() - 100;
  ini->WriteInteger(kSection, "Width", width);
  ini->WriteInteger(kSection, "Height", height);
  ini->WriteInteger(kSection, "LeftExpandedState", 0);
  ini->WriteInteger(kSection, "RightExpandedState", 1);
  platform::AtomicFile::write(StateDir() + "/place.cfg", ini->SaveToBytes());
  frm->LoadState("place");
  EXPECT_EQ(frm->frameGeometry(), QRect(area.Left + 10, area.Top + 20, width, height));
  EXPECT_FALSE(frm->LeftPanel->Expanded());
  EXPECT_TRUE(frm->RightPanel->Expanded());

  // Off every screen: the window comes to the middle of the work area.
  ini->WriteInteger(kSection, "Left", -40000);
  ini->WriteInteger(kSection, "Top", 50000);
  platform::AtomicFile::write(StateDir() + "/place.cfg", ini->SaveToBytes());
  frm->LoadState("place");
  const QRect frame = frm->frameGeometry();
  EXPECT_EQ(frame.width(), width);
  EXPECT_EQ(frame.x(), area.Left + (area.Width() - width) / 2);
  EXPECT_EQ(frame.y(), area.Top + (area.Height() - height) / 2);
}

TEST_F(StateFile, BadInputIsRefusedAndChangesNothing) {
  Configure();
  frm->SetSaveType(3);
  frm->SaveState("good");
  const std::string good = Read(StateDir() + "/good.cfg");
  auto goodIni = Ini(good);
  const std::string calText = goodIni->ReadString("RangeView1", "CalData", "");
  const std::string pointText = goodIni->ReadString("RangeView2", "RangeData", "");
  ASSERT_GT(calText.size(), 100u);
  ASSERT_GT(pointText.size(), 100u);

  auto withValue = [&](const char* section, const char* key, const std::string& value) {
    auto ini = Ini(good);
    ini->WriteString(section, key, value);
    return ini->SaveToBytes();
  };
  std::string badSum = calText;
  badSum[badSum.size() / 2] = badSum[badSum.size() / 2] == '0' ? '1' : '0';
  std::mt19937 random(7);
  std::string noise(4096, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  TMemIniFile limits;
  limits.WriteString("Limit", "Count", "2");
  limits.WriteString("Limit", "Point1", "100 -10");
  const std::string utf8 = "[Other]\r\nChannelLayout=3\r\n";
  const std::string cp1251 = "[\xcd\xe0\xf1\xf2\xf0\xee\xe9\xea\xe8]\r\nChannelLayout=3\r\n";

  struct Case {
    const char* what;
    std::string bytes;
  };
  const std::vector<Case> cases = {
      {"cut inside a UTF-16 unit", good.substr(0, 301)},
      {"cut inside a calibration", good.substr(0, good.find(Utf16("[RangeView1]")) +
                                                    good.substr(good.find(Utf16("[RangeView1]"))).find(Utf16("CalData=")) + 800)},
      {"random bytes", noise},
      {"a BOM alone", std::string("\xff\xfe", 2)},
      {"empty", std::string()},
      {"UTF-8 text of another kind", utf8},
      {"Windows-1251 text", cp1251},
      {"a limit table", limits.SaveToBytes()},
      {"odd calibration hex", withValue("RangeView1", "CalData", calText.substr(1))},
      {"non-hex calibration", withValue("RangeView1", "CalData", "ZZ" + calText.substr(2))},
      {"odd point hex", withValue("RangeView2", "RangeData", pointText + "0")},
      {"non-hex points", withValue("RangeView2", "RangeData", "G0" + pointText.substr(2))},
      {"calibration with a bad check sum", withValue("RangeView1", "CalData", badSum)},
  };
  for (const Case& c : cases) {
    platform::AtomicFile::write(StateDir() + "/bad.cfg", c.bytes);
    ExpectRefused("bad", c.what);
  }

  // A file cut after whole bytes of measured data: the first window takes what there is, the
  // others their defaults; nothing fails.
  platform::AtomicFile::write(StateDir() + "/cut.cfg", good.substr(0, good.find(Utf16("RangeData=")) + 1000));
  frm->LoadState("cut");
  EXPECT_EQ(frm->ChannelCount, 4);
  frm->LoadState("good");

  // Over the size cap: refused before it is read.
  const std::string big = StateDir() + "/big.cfg";
  platform::AtomicFile::write(big, good);
  fs::resize_file(big, TMainFrm::kMaxStateFileBytes + 1);
  ExpectRefused(big, "oversized");

  // Values out of range or not numbers load clamped.
  auto odd = Ini(good);
  odd->WriteString(kSection, "ChannelCount", "nan");
  odd->WriteString(kSection, "ViewMaximized", "x");
  odd->WriteString(kSection, "Width", "-5");
  odd->WriteString(kSection, "Height", "99999999");
  odd->WriteString("RangeView0", "Divisions", "1e300");
  platform::AtomicFile::write(StateDir() + "/odd.cfg", odd->SaveToBytes());
  frm->LoadState("odd");
  EXPECT_EQ(frm->ChannelCount, 1);
  EXPECT_GE(frm->GetView(0)->Divisions, TRangeView::MinDivisions);
  EXPECT_LE(frm->GetView(0)->Divisions, TRangeView::MaxDivisions);
  EXPECT_TRUE(TemporaryFiles().empty());
}

TEST_F(StateFile, AutosaveSwitch) {
  const std::string path = TMainFrm::AutosavePath();
  frm->SetAutosave(true);
  EXPECT_TRUE(frm->AutosaveEnabled);
  EXPECT_FALSE(fs::exists(path)) << "turning autosave on writes nothing";
  frm->SaveState(TMainFrm::kAutosaveName);
  ASSERT_TRUE(fs::exists(path));
  frm->SetAutosave(false);
  EXPECT_FALSE(frm->AutosaveEnabled);
  EXPECT_FALSE(fs::exists(path));
}

TEST_F(StateFile, PresetAndClearingTheCalibrations) {
  Configure();
  frm->SetViewMaximized(true);
  frm->SetRemoteState(2);
  frm->SaveType = 3;
  int calls = 0;
  ScannerModule->OnSweepDone = [&](TFObject*) { ++calls; };
  frm->Preset();
  EXPECT_EQ(frm->ChannelLayout, 0);
  EXPECT_EQ(frm->ChannelCount, 1);
  EXPECT_EQ(frm->ActiveViewIndex, 0);
  EXPECT_FALSE(frm->ViewMaximized);
  EXPECT_EQ(frm->GetRemoteState(), 0);
  EXPECT_TRUE(frm->Enabled());
  EXPECT_EQ(frm->SaveType, 1);
  EXPECT_EQ(frm->TouchType, 0);
  EXPECT_EQ(frm->SPort, 0);
  EXPECT_EQ(frm->TouchFormat, 0);
  EXPECT_TRUE(frm->PrintTime);
  EXPECT_EQ(frm->GetView(1)->UserCalibration->Terms, nullptr);
  EXPECT_EQ(frm->GetView(2)->Measurements->GetCount(), 1);
  // The window's own end-of-sweep handler is back.
  ScannerModule->TriggerMode = TScannerModule::Single;
  ScannerModule->OnSweepDone(nullptr);
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(ScannerModule->TriggerMode, TScannerModule::Hold);

  SetCalibration(*frm->GetView(3), 11, 100.0, 200.0);
  frm->ClearAllCalibrations();
  EXPECT_EQ(frm->GetView(3)->UserCalibration->Terms, nullptr);
}

// Without measured data in the file the trigger mode is not touched by a load, so a running
// sweep (single or continuous) gives the same file again.
TEST_F(StateFile, SaveLoadSaveIsByteIdenticalWhileSweepingForTypesWithoutData) {
  Configure();
  for (int mode : {TScannerModule::Single, TScannerModule::Continuous}) {
    for (int saveType = 0; saveType <= 1; ++saveType) {
      SCOPED_TRACE("trigger mode " + std::to_string(mode) + ", save type " + std::to_string(saveType));
      SetCalibration(*frm->GetView(1), frm->GetView(1)->Range->GetCount(), 101.0, 1110.0);
      ScannerModule->TriggerMode = mode;
      frm->SetSaveType(saveType);
      frm->SaveState("running");
      const std::string first = Read(StateDir() + "/running.cfg");
      frm->LoadState("running");
      EXPECT_EQ(ScannerModule->TriggerMode, mode);
      frm->SaveState("running");
      EXPECT_TRUE(Read(StateDir() + "/running.cfg") == first);
    }
  }
}

// ---- The window's outer rectangle under a window manager's frame ---------------------------

// A frame of a 1-pixel border and a 24-pixel title bar, which the window manager puts around
// the window only once `framed` is set (the offscreen platform itself draws none).
class WindowGeometryRoundTrip : public StateFile {
 protected:
  struct TOuter {
    int Left, Top, Width, Height;
    bool operator==(const TOuter&) const = default;
  };
  static constexpr TMainFrm::TFrameMargins kFrame{1, 24, 1, 1};

  void SetUp() override {
    StateFile::SetUp();
    TMainFrm::FrameMarginsHook = [this](const TMainFrm&) { return framed ? kFrame : TMainFrm::TFrameMargins{}; };
  }
  void TearDown() override {
    TMainFrm::FrameMarginsHook = nullptr;
    StateFile::TearDown();
  }

  // A state of the window as it is, with the four geometry keys given.
  void WriteState(const std::string& name, const TOuter& o) {
    auto ini = Ini(frm->StateBytes());
    ini->WriteInteger(kSection, "Left", o.Left);
    ini->WriteInteger(kSection, "Top", o.Top);
    ini->WriteInteger(kSection, "Width", o.Width);
    ini->WriteInteger(kSection, "Height", o.Height);
    ASSERT_TRUE(platform::AtomicFile::write(StateDir() + "/" + name + ".cfg", ini->SaveToBytes()));
  }
  // The four geometry keys of a save.
  TOuter Saved(const std::string& name) {
    frm->SaveState(name);
    auto ini = Ini(Read(StateDir() + "/" + name + ".cfg"));
    return TOuter{ini->ReadInteger(kSection, "Left", -1), ini->ReadInteger(kSection, "Top", -1),
                  ini->ReadInteger(kSection, "Width", -1), ini->ReadInteger(kSection, "Height", -1)};
  }
  // How the window learns that the window manager has framed it where it stands.
  enum class TNotice { Move, Activate, Paint };
  void FrameArrives(TNotice notice = TNotice::Move) {
    framed = true;
    if (notice == TNotice::Move) {
      QMoveEvent moved(frm->pos(), frm->pos());
      QCoreApplication::sendEvent(frm.get(), &moved);
    } else if (notice == TNotice::Activate) {
      QEvent activated(QEvent::WindowActivate);
      QCoreApplication::sendEvent(frm.get(), &activated);
    } else {
      frm->repaint();
      QCoreApplication::processEvents();
    }
  }
  // The client area inside the frame of an outer rectangle.
  static QRect ClientOf(const TOuter& o) {
    return QRect(o.Left + kFrame.Left, o.Top + kFrame.Top, o.Width - kFrame.Left - kFrame.Right,
                 o.Height - kFrame.Top - kFrame.Bottom);
  }

  bool framed = false;
};

TEST_F(WindowGeometryRoundTrip, StartsBeforeAndAfterTheFrameKeepTheSameFourNumbers) {
  const ui::Rect area = ui::Screen::WorkArea();
  const TOuter asked{area.Left + 10, area.Top + 40, area.Width() - 20, area.Height() - 100};
  WriteState("place", asked);

  // Three starts in a row, each loading what the one before saved: the window is placed before
  // the window manager has framed it, as at every program start.
  // The frame comes with a move, or without one: the window is activated, or only painted.
  TOuter current = asked;
  const TNotice notices[] = {TNotice::Move, TNotice::Activate, TNotice::Paint};
  for (int start = 0; start < 3; ++start) {
    framed = false;
    frm->LoadState("place");
    EXPECT_TRUE(frm->HasPendingPlacement()) << start;
    FrameArrives(notices[start]);
    EXPECT_FALSE(frm->HasPendingPlacement()) << start;
    EXPECT_EQ(frm->geometry(), ClientOf(asked)) << start << ": the client sits inside the frame";
    current = Saved("place");
    EXPECT_EQ(current, asked) << "start " << start << " saved " << current.Left << "," << current.Top << " "
                              << current.Width << "x" << current.Height;
  }

  // A load while the frame is known places the window at once.
  frm->LoadState("place");
  EXPECT_FALSE(frm->HasPendingPlacement());
  EXPECT_EQ(frm->geometry(), ClientOf(asked));
  EXPECT_EQ(Saved("place"), asked);
}

TEST_F(WindowGeometryRoundTrip, AnUnreachablePlaceCentresTheFramedWindow) {
  const ui::Rect area = ui::Screen::WorkArea();
  const int width = area.Width() - 20;
  const int height = area.Height() - 100;
  const TOuter centred{area.Left + (area.Width() - width) / 2, area.Top + (area.Height() - height) / 2, width, height};
  struct Case {
    const char* name;
    int left, top;
  };
  // Off every screen; and a place that shows only 30 pixels of the window.
  const Case cases[] = {{"far away", -40000, 50000}, {"a sliver", area.Left + area.Width() - 30, area.Top + 10}};
  for (const Case& c : cases) {
    for (bool frameFirst : {true, false}) {
      framed = frameFirst;
      WriteState("far", TOuter{c.left, c.top, width, height});
      frm->LoadState("far");
      if (!frameFirst) FrameArrives();
      EXPECT_EQ(Saved("far"), centred) << c.name << (frameFirst ? ", framed first" : ", framed later");
      EXPECT_EQ(frm->geometry(), ClientOf(centred)) << c.name;
    }
  }
  // A reachable place stays where it is, even partly off the screen.
  framed = true;
  const TOuter partly{area.Left + area.Width() - 100, area.Top + 10, width, height};
  WriteState("partly", partly);
  frm->LoadState("partly");
  EXPECT_EQ(Saved("partly"), partly);
}

TEST_F(WindowGeometryRoundTrip, WithoutAWindowManagerTheClientIsTheWholeWindow) {
  const ui::Rect area = ui::Screen::WorkArea();
  const TOuter asked{area.Left + 10, area.Top + 20, area.Width() - 20, area.Height() - 100};
  WriteState("bare", asked);
  frm->LoadState("bare");
  // No frame ever comes: moves and resizes change nothing.
  QMoveEvent moved(frm->pos(), frm->pos());
  QCoreApplication::sendEvent(frm.get(), &moved);
  EXPECT_EQ(frm->geometry(), QRect(asked.Left, asked.Top, asked.Width, asked.Height));
  EXPECT_EQ(Saved("bare"), asked);
}

}  // namespace

// A state with measured points brings every trace to those points, and every memory to its
// stored points, in the windows shown and in the ones hidden, as a recalculation gives.
TEST_F(StateFile, LoadedPointsReachEveryTraceShownOrHidden) {
  Configure();
  frm->SetChannelCount(2);
  auto values = [&] {
    std::vector<std::vector<TComplex>> all;
    for (int v = 0; v < 4; ++v) {
      TMeasureList& traces = *frm->GetView(v)->Measurements;
      for (int t = 0; t < traces.GetCount(); ++t) {
        TMeasurement& trace = *traces.GetMeasurement(t);
        all.push_back(trace.SmoothedData);
        for (int m = 0; m < trace.Memories->GetCount(); ++m) all.push_back(trace.Memories->GetMemory(m)->SmoothedData);
      }
    }
    return all;
  };
  for (int v = 0; v < 4; ++v) frm->GetView(v)->RecalculateTraces();
  const auto expected = values();
  // The file keeps points in single precision.
  auto near = [&](const std::vector<std::vector<TComplex>>& got) {
    if (got.size() != expected.size()) return false;
    for (size_t t = 0; t < got.size(); ++t) {
      if (got[t].size() != expected[t].size()) return false;
      for (size_t k = 0; k < got[t].size(); ++k) {
        if (std::abs(got[t][k].Re - expected[t][k].Re) > 1e-5 * (1 + std::abs(expected[t][k].Re))) return false;
      }
    }
    return true;
  };
  frm->SetSaveType(3);  // with the calibration of channel 2, which the traces go through
  frm->SaveState("points");
  for (int v = 0; v < 4; ++v) {
    TRangeView& view = *frm->GetView(v);
    for (int i = 0; i < view.Range->GetCount(); ++i) view.Range->SetPointData(0, i, TComplex{-0.5, 0.5});
    view.RecalculateTraces();
  }
  ASSERT_FALSE(near(values()));
  frm->LoadState("points");
  EXPECT_FALSE(frm->GetView(3)->Visible());
  EXPECT_TRUE(near(values()));
  // Nothing waits for a recalculation once the load is over.
  for (int v = 0; v < 4; ++v) EXPECT_FALSE(frm->GetView(v)->DeferRecalculation);
  const auto loaded = values();
  for (int v = 0; v < 4; ++v) frm->GetView(v)->RecalculateTraces();
  EXPECT_TRUE(values() == loaded);
}
