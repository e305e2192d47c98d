// Every pick list through its opening function on the real main window and engine objects:
// title and rows, the row of the current value (and of a value without a row), the value that
// Ok and a double click apply, nothing applied by Cancel, Escape and Cancel (3), the caller's
// integer untouched, and release on deactivation exactly for the members that close so.
#include <gtest/gtest.h>

#include <QPointer>
#include <climits>
#include <cmath>
#include <random>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "calibration/CalKitsModule.h"
#include "dialogs/PickListMembers.h"
#include "dialogs/PickLists.h"
#include "dialogs/PickListRig.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "model/Range.h"
#include "platform/ui/Keys.h"
#include "traces/Marker.h"
#include "traces/MarkerList.h"
#include "traces/MemoryList.h"

namespace {

// One member: how to open it, how its target stands, and what a test may expect of it.
struct TMember {
  std::string Name;  // the form's object name
  std::string Title;
  std::vector<std::string> Rows;
  std::function<int(ui::Form& owner)> Run;
  std::function<TPickListFrm*(QWidget* owner)> Create;  // the same list, for a modeless showing
  std::function<void(int row)> SetCurrent;              // the target to the row's value
  std::function<void()> SetNoRow;                       // the target to a value without a row (or none)
  std::function<int()> AppliedRow;                     // the target's value as a row (-1: none)
  std::function<void(int)> SetRaw = nullptr;            // any integer into the target's field
  int DefaultRow = 0;
  int CurrentRow = 0;
  int OkRow = 1;
  int DoubleClickRow = 1;
  bool Keys = true;
  bool Deactivates = true;
  bool CloseRule = true;  // Ok and Cancel release it outside a modal run
};

int RowOf(const std::vector<int>& values, int v) {
  for (size_t i = 0; i < values.size(); ++i)
    if (values[i] == v) return static_cast<int>(i);
  return -1;
}

class PickListTable : public PickListRig {
 protected:
  void SetUp() override {
    Start();
    kitFolder = std::filesystem::temp_directory_path() / ("picklist_kits_" + std::to_string(::getpid()));
    CalKitsModule = new TCalKitsModule(kitFolder.string());
    // The trace has a marker for the marker lists.
    Trace().Markers->AddMarker();
  }
  void TearDown() override {
    PickListRig::TearDown();
    delete CalKitsModule;
    CalKitsModule = nullptr;
    std::error_code ec;
    std::filesystem::remove_all(kitFolder, ec);
  }

  TMarker& Marker() { return *Trace().Markers->GetActiveMarker(); }

  // The member's list run modally from the member's current row, the script in its loop.
  int RunFromCurrentRow(const TMember& c, const std::function<void(TPickListFrm&)>& script) {
    c.SetCurrent(c.CurrentRow);
    return RunScripted([&] { return c.Run(*frm); }, script);
  }

  std::vector<TMember> Members();

  std::filesystem::path kitFolder;
  int callerInt = 0;
  double markerValue = 0;
  double markerSet = std::nan("");
};

template <class TList>
std::function<TPickListFrm*(QWidget*)> Creator() {
  return [](QWidget* owner) -> TPickListFrm* { return new TList(owner); };
}
template <class TList>
std::function<TPickListFrm*(QWidget*)> Creator(int* value) {
  return [value](QWidget* owner) -> TPickListFrm* { return new TList(owner, value); };
}

// A member whose target is one integer field: a row sets the field through the engine's setter
// to the row's value (to the row itself where the list has no values), anything else is written
// straight into the field, and a row is applied where the field holds its value.
struct TFieldMember {
  std::string Name;
  std::string Title;
  std::vector<std::string> Rows;
  std::function<int(ui::Form& owner)> Run;
  std::function<TPickListFrm*(QWidget* owner)> Create;
  std::function<int&()> Field;
  std::function<void(int value)> Set;  // the engine's setter
  int NoRowValue;
  int CurrentRow;
  int OkRow;
  int DoubleClickRow;
  std::vector<int> Values = {};  // the rows' values; none: the row is the value
  bool Keys = true;
  bool Deactivates = true;
  bool CloseRule = true;
};

TMember FieldMember(TFieldMember f) {
  TMember c{f.Name, f.Title, f.Rows, f.Run, f.Create, {}, {}, {}};
  c.SetCurrent = [set = f.Set, values = f.Values](int row) {
    set(values.empty() ? row : values[static_cast<size_t>(row)]);
  };
  c.SetNoRow = [field = f.Field, v = f.NoRowValue] { field() = v; };
  c.SetRaw = [field = f.Field](int x) { field() = x; };
  c.AppliedRow = [field = f.Field, values = f.Values, n = static_cast<int>(f.Rows.size())] {
    if (!values.empty()) return RowOf(values, field());
    return field() >= 0 && field() < n ? field() : -1;
  };
  c.CurrentRow = f.CurrentRow;
  c.OkRow = f.OkRow;
  c.DoubleClickRow = f.DoubleClickRow;
  c.Keys = f.Keys;
  c.Deactivates = f.Deactivates;
  c.CloseRule = f.CloseRule;
  return c;
}

std::vector<TMember> PickListTable::Members() {
  std::vector<TMember> m;
  TScannerModule& sm = *ScannerModule;
  // Caller's-integer members share callerInt.
  auto callerMember = [this](std::string name, std::string title, std::vector<std::string> rows,
                             int (*run)(ui::Form&, int&), std::function<TPickListFrm*(QWidget*)> create,
                             int current, int ok, bool deactivates) {
    TMember c;
    c.Name = std::move(name);
    c.Title = std::move(title);
    c.Rows = std::move(rows);
    c.Run = [this, run](ui::Form& owner) { return run(owner, callerInt); };
    c.Create = std::move(create);
    c.SetCurrent = [this](int row) { callerInt = row; };
    c.SetNoRow = [this] { callerInt = 99; };
    c.SetRaw = [this](int x) { callerInt = x; };
    c.AppliedRow = [this, n = c.Rows.size()] {
      return callerInt >= 0 && callerInt < static_cast<int>(n) ? callerInt : -1;
    };
    c.CurrentRow = current;
    c.OkRow = ok;
    c.DoubleClickRow = ok;
    c.Deactivates = deactivates;
    return c;
  };
  // The targets, looked up at every call.
  const auto channel = [this]() -> TRange& { return Channel(); };
  const auto trace = [this]() -> TMeasurement& { return Trace(); };
  const auto marker = [this]() -> TMarker& { return Marker(); };

  m.push_back(FieldMember({"PointsListFrm", "Points", {"16001", "10001", "1601", "801", "401", "201", "101"},
                           RunPointsList, Creator<TPointsListFrm>(), [channel]() -> int& { return channel().NPoints; },
                           [channel](int v) { channel().SetPointCount(v); }, 0, 3, 6, 4,
                           {16001, 10001, 1601, 801, 401, 201, 101}}));
  // A count without a row goes through the setter, and shows the row of 201.
  m.back().SetNoRow = [this] { Channel().SetPointCount(1001); };
  m.back().DefaultRow = 5;
  m.push_back(FieldMember({"IFBWListFrm", "IFBW", {"30 kHz", "10 kHz", "3 kHz", "1 kHz", "300 Hz", "100 Hz"},
                           RunIFBWList, Creator<TIFBWListFrm>(), [channel]() -> int& { return channel().CommonIFBW; },
                           [channel](int v) { channel().SetIFBW(v); }, 500, 1, 3, 5,
                           {30000, 10000, 3000, 1000, 300, 100}}));
  m.push_back(FieldMember({"SweepTypeListFrm", "Sweep Type", {"Lin", "Log", "Segment"}, RunSweepTypeList,
                           Creator<TSweepTypeListFrm>(), [channel]() -> int& { return channel().SweepMode; },
                           [channel](int v) { channel().SetSweepType(v); }, 2, 0, 1, 1, {0, 1, 4}}));
  {
    TMember c{"PowerModeListFrm", "Power", {"High", "Low", "RF Off"}, RunPowerModeList,
              Creator<TPowerModeListFrm>(), {}, {}, {}};
    c.SetCurrent = [this, &sm](int row) {
      scanner().SetSignalOff(row == 2);
      if (row != 2) sm.SetLowPower(row == 1);
    };
    c.AppliedRow = [this, &sm] { return scanner().GetSignalOff() ? 2 : sm.Attenuator20dB ? 1 : 0; };
    c.CurrentRow = 0;
    c.OkRow = 1;
    c.DoubleClickRow = 2;
    m.push_back(c);
  }
  m.push_back(FieldMember({"TriggerListFrm", "Trigger Mode", {"Hold", "Single", "Continuous"}, RunTriggerList,
                           Creator<TTriggerListFrm>(), [&sm]() -> int& { return sm.TriggerMode; },
                           [&sm](int v) { sm.SetTriggerMode(v); }, 7, 2, 0, 1, {}, true, false, false}));
  // The sources change only while the instrument is connected; the row shows whatever it is.
  m.push_back(FieldMember({"TriggerSourceListFrm", "Trigger Source", {"Internal", "External", "Bus"},
                           RunTriggerSourceList, Creator<TTriggerSourceListFrm>(),
                           [&sm]() -> int& { return sm.TriggerSource; },
                           [this, &sm](int v) {
                             scanner().Connected = true;
                             sm.TriggerSource = v;
                           },
                           -3, 0, 2, 1, {}, true, false, false}));
  m.push_back(FieldMember({"ClockSourceListFrm", "Reference Source", {"Internal", "External"}, RunClockSourceList,
                           Creator<TClockSourceListFrm>(), [&sm]() -> int& { return sm.ClockSource; },
                           [this, &sm](int v) {
                             scanner().Connected = true;
                             sm.ClockSource = v;
                           },
                           5, 0, 1, 1, {}, true, false, false}));
  m.push_back(FieldMember({"MeasModeListFrm", "Measure Mode", {"S11", "Abs. A", "Abs. B", "Abs. R", "Power"},
                           RunMeasModeList, Creator<TMeasModeListFrm>(), [trace]() -> int& { return trace().MeasMode; },
                           [trace](int v) { trace().SetMeasMode(v); }, 1, 0, 1, 3, {0, 2, 3, 6, 4}, true, false}));
  m.push_back(FieldMember({"PowerMeterListFrm", "Power Meter Type", {"R&&S NRVS", "R&&S NRP-Z"},
                           [this](ui::Form& owner) { return RunPowerMeterList(owner, callerInt); },
                           Creator<TPowerMeterListFrm>(&callerInt), [this]() -> int& { return callerInt; },
                           [this](int v) { callerInt = v; }, 99, 0, 1, 1, {1, 0}}));
  m.push_back(FieldMember({"SaveTypeListFrm", "Save Type", {"State", "State and Cal", "State and Trace", "All"},
                           RunSaveTypeList, Creator<TSaveTypeListFrm>(), [this]() -> int& { return frm->SaveType; },
                           [this](int v) { frm->SetSaveType(v); }, 9, 1, 3, 2, {}, true, false, false}));
  m.push_back(FieldMember({"PrintColorListFrm", "Print Color", {"Color", "Gray Scale", "Black && White"},
                           RunPrintColorList, Creator<TPrintColorListFrm>(),
                           [this]() -> int& { return frm->PrintColor; }, [this](int v) { frm->PrintColor = v; }, -1,
                           1, 2, 0, {}, false}));
  m.push_back(FieldMember({"TouchStoneListFrm", "Touchstone Format", {"Real-Imaginary", "Magnitude-Angle", "dB-Angle"},
                           RunTouchStoneList, Creator<TTouchStoneListFrm>(),
                           [this]() -> int& { return frm->TouchFormat; }, [this](int v) { frm->SetTouchFormat(v); },
                           5, 0, 2, 1, {}, true, false, false}));
  m.push_back(FieldMember({"LoadTouchstoneToFrm", "Recall To",
                           {"Active Trace Memory", "All Traces Memory", "S-Parameters"}, RunLoadTouchstoneTo,
                           Creator<TLoadTouchstoneToFrm>(), [this]() -> int& { return frm->TouchstoneRecallTo; },
                           [this](int v) { frm->TouchstoneRecallTo = v; }, 3, 2, 0, 1, {}, false, false, false}));
  {
    TMember c{"CalKitListFrm", "Calibration Kits", {}, RunCalKitList, Creator<TCalKitListFrm>(), {}, {}, {}};
    const TCalKits& kits = CalKitsModule->GetKits();
    for (int i = 0; i < kits.GetCount(); ++i) c.Rows.push_back(std::to_string(i + 1) + "|" + kits.GetItem(i)->Name);
    c.SetCurrent = [](int row) { CalKitsModule->GetKits().SelectKit(row); };
    c.AppliedRow = [] { return CalKitsModule->GetKits().GetSelectedIndex(); };
    c.CurrentRow = 2;
    c.OkRow = 9;
    c.DoubleClickRow = 4;
    c.Deactivates = false;
    c.CloseRule = false;
    m.push_back(c);
  }
  m.push_back(callerMember("StateListFrm", "Type",
                           {"Short All Ports", "Open All Ports", "Load All Ports", "Thru A-B", "Short All Load A",
                            "Short All Load B", "Attenuator A-B", "Load 2 All Ports", "Open 2 All Ports"},
                           RunStateList, Creator<TStateListFrm>(&callerInt), 8, 0, true));
  m.push_back(callerMember("CharTypeFrm", "Characterization", {"Factory", "User 1", "User 2", "User 3"},
                           RunCharTypeList, Creator<TCharTypeFrm>(&callerInt), 0, 3, false));
  m.back().CloseRule = false;
  m.push_back(callerMember("OrientListFrm", "Orientation", {"AUTO", "Port A", "Port B"}, RunOrientList,
                           Creator<TOrientListFrm>(&callerInt), 0, 2, true));
  // Every format is allowed on S11.
  m.push_back(FieldMember({"MeasureListFrm", "Measurement",
                           {"SWR", "Return Loss", "Cable Loss", "Smith Chart", "DTF SWR", "DTF Return Loss", "Phase",
                            "Expand Phase", "Group Delay", "Lin Magnitude"},
                           RunMeasureList, Creator<TMeasureListFrm>(),
                           [trace]() -> int& { return trace().TraceFormat; },
                           [trace](int v) {
                             trace().SetMeasMode(0);
                             trace().SetFormat(v);
                           },
                           0, 3, 0, 9, {4, 16, 17, 11, 18, 19, 1, 2, 3, 7}}));
  // An absolute measurement shows Log Mag, which has no row.
  m.back().SetNoRow = [this] { Trace().SetMeasMode(2); };
  // A memory of the channel as it is now, so that data math can be switched on.
  m.push_back(FieldMember({"DataMathListFrm", "Data Math",
                           {"OFF", "Data / Mem", "Data * Mem", "Data - Mem", "Data + Mem"}, RunDataMathList,
                           Creator<TDataMathListFrm>(), [trace]() -> int& { return trace().DataMath; },
                           [trace](int v) {
                             trace().Memories->Clear();
                             trace().Memories->StoreData();
                             trace().SetDataMath(v);
                           },
                           8, 0, 2, 4, {4, 0, 1, 2, 3}}));
  m.push_back(FieldMember({"ConversionListFrm", "Conversion",
                           {"Impedance Z", "Admittance Y", "Inverse 1/S", "Conjugation"}, RunConversionList,
                           Creator<TConversionListFrm>(), [trace]() -> int& { return trace().ConversionType; },
                           [trace](int v) { trace().SetConversionType(v); }, 9, 0, 2, 3, {}, true, false, false}));
  {
    TMember c{"MarkerNumListFrm", "Marker", {"Reference Marker"},
              [this](ui::Form& owner) {
                return RunMarkerNumList(
                    owner, [this](double x) { markerSet = x; }, [this] { return markerValue; });
              },
              [this](QWidget* owner) -> TPickListFrm* {
                return new TMarkerNumListFrm(
                    owner, [this](double x) { markerSet = x; }, [this] { return markerValue; });
              }, {}, {}, {}};
    for (int i = 1; i <= 15; ++i) c.Rows.push_back("Marker " + std::to_string(i));
    c.SetCurrent = [this](int row) { markerSet = markerValue = row == 0 ? 15.0 : row - 1.0; };
    c.SetNoRow = [this] { markerSet = markerValue = 99; };
    c.SetRaw = [this](int x) { markerSet = markerValue = x; };
    c.AppliedRow = [this] {
      if (markerSet == 15.0) return 0;
      return markerSet >= 0 && markerSet < 15 ? static_cast<int>(markerSet) + 1 : -1;
    };
    c.CurrentRow = 0;
    c.OkRow = 3;
    c.DoubleClickRow = 12;
    c.Deactivates = false;
    c.CloseRule = false;
    m.push_back(c);
  }
  m.push_back(FieldMember({"PeakPolarityListFrm", "Peak Polarity", {"Positive", "Negative", "Both"},
                           RunPeakPolarityList, Creator<TPeakPolarityListFrm>(),
                           [marker]() -> int& { return marker().PeakPolarity; },
                           [marker](int v) { marker().SetPeakPolarity(v); }, 6, 0, 2, 1}));
  m.push_back(FieldMember({"TargetTransitionFrm", "Target Transition", {"Positive", "Negative", "Both"},
                           RunTargetTransitionList, Creator<TTargetTransitionFrm>(),
                           [marker]() -> int& { return marker().TargetTrans; },
                           [marker](int v) { marker().SetTargetTransition(v); }, 6, 2, 0, 1}));
  m.push_back(FieldMember({"AllignListFrm", "Allign", {"Vertical", "Horizontal", "OFF"}, RunAllignList,
                           Creator<TAllignListFrm>(), [this]() -> int& { return View().MarkerAlign; },
                           [this](int v) { View().SetMarkerAlign(v); }, 9, 2, 0, 0}));
  m.push_back(callerMember("LimitListFrm", "Type", {"OFF", "Min", "Max"}, RunLimitList,
                           Creator<TLimitListFrm>(&callerInt), 1, 2, true));
  m.push_back(callerMember("RippleListFrm", "Type", {"OFF", "ON"}, RunRippleList,
                           Creator<TRippleListFrm>(&callerInt), 0, 1, true));
  m.push_back(callerMember("MethodListFrm", "Method", {"Current Span", "User Span", "Active Marker"},
                           RunMethodList, Creator<TMethodListFrm>(&callerInt), 2, 1, true));
  m.push_back(callerMember("GatingTypeFrm", "Type", {"BandPass", "Notch"}, RunGatingTypeList,
                           Creator<TGatingTypeFrm>(&callerInt), 1, 0, true));
  m.push_back(callerMember("GatingShapeFrm", "Shape", {"Minimum", "Normal", "Wide", "Maximum"},
                           RunGatingShapeList, Creator<TGatingShapeFrm>(&callerInt), 3, 1, true));
  {
    TMember c{"DTFWindowListFrm", "Kaiser Window", {"Minimum", "Normal", "Maximum"}, RunDTFWindowList,
              Creator<TDTFWindowListFrm>(), {}, {}, {}};
    c.SetCurrent = [this](int row) { View().SetTransformWindow(row); };
    c.SetNoRow = [this] { View().SetTransformBeta(4); };
    c.AppliedRow = [this] {
      const int w = GetChannelTransformWindow(Trace());
      return w <= 2 ? w : -1;
    };
    c.CurrentRow = 1;
    c.OkRow = 0;
    c.DoubleClickRow = 2;
    m.push_back(c);
  }
  m.push_back(FieldMember({"MetricListFrm", "DTF Unit", {"Time, ns", "Metric, m", "Imperial, ft"}, RunMetricList,
                           Creator<TMetricListFrm>(), [&sm]() -> int& { return sm.MetricSystem; },
                           [&sm](int v) { sm.SetDistanceUnits(v); }, 9, 1, 2, 0, {}, true, false, false}));
  // The unit goes through its setter, whatever the value.
  m.back().SetNoRow = [&sm] { sm.SetDistanceUnits(9); };
  m.back().SetRaw = [&sm](int x) { sm.SetDistanceUnits(x); };
  return m;
}

TEST_F(PickListTable, EveryMemberIsThere) {
  EXPECT_EQ(Members().size(), 31u);
}

TEST_F(PickListTable, TitleRowsAndTheCurrentRow) {
  for (const TMember& c : Members()) {
    SCOPED_TRACE(c.Name);
    const int result = RunFromCurrentRow(c, [&](TPickListFrm& list) {
      EXPECT_EQ(list.Name(), c.Name);
      EXPECT_EQ(list.TopPanel->Caption(), c.Title);
      EXPECT_EQ(RowTexts(list), c.Rows);
      EXPECT_EQ(list.GetSelectedIndex(), c.CurrentRow);
      PressCancel(list);
    });
    EXPECT_EQ(result, ui::mrCancel);
    EXPECT_EQ(c.AppliedRow(), c.CurrentRow);
  }
}

TEST_F(PickListTable, AValueWithoutARowSelectsTheDefaultRow) {
  for (const TMember& c : Members()) {
    if (!c.SetNoRow) continue;
    SCOPED_TRACE(c.Name);
    c.SetNoRow();
    RunScripted([&] { return c.Run(*frm); },
                [&](TPickListFrm& list) {
                  EXPECT_EQ(list.GetSelectedIndex(), c.DefaultRow);
                  PressCancel(list);
                });
  }
}

TEST_F(PickListTable, OkAppliesTheSelectedRow) {
  for (const TMember& c : Members()) {
    SCOPED_TRACE(c.Name);
    const int result = RunFromCurrentRow(c, [&](TPickListFrm& list) {
      PressRow(list, c.OkRow);
      EXPECT_EQ(c.AppliedRow(), c.CurrentRow) << "applied before Ok";
      PressOk(list);
    });
    EXPECT_EQ(result, ui::mrOk);
    EXPECT_EQ(c.AppliedRow(), c.OkRow);
  }
}

TEST_F(PickListTable, ADoubleClickAppliesTheRowUnderThePointer) {
  for (const TMember& c : Members()) {
    SCOPED_TRACE(c.Name);
    const int result = RunFromCurrentRow(c, [&](TPickListFrm& list) { DoubleClickRow(list, c.DoubleClickRow); });
    EXPECT_EQ(result, ui::mrOk);
    EXPECT_EQ(c.AppliedRow(), c.DoubleClickRow);
  }
}

TEST_F(PickListTable, EnterAppliesWhereTheMemberHandlesKeys) {
  for (const TMember& c : Members()) {
    SCOPED_TRACE(c.Name);
    const int result = RunFromCurrentRow(c, [&](TPickListFrm& list) {
      PressRow(list, c.OkRow);
      driver.Key(list, ui::vk::Return);
      driver.Key(list, ui::vk::Escape);
      if (!c.Keys) {
        EXPECT_EQ(list.ModalResult(), ui::mrNone);
        EXPECT_EQ(c.AppliedRow(), c.CurrentRow);
        PressOk(list);
      }
    });
    EXPECT_EQ(result, ui::mrOk);
    EXPECT_EQ(c.AppliedRow(), c.OkRow);
  }
}

TEST_F(PickListTable, CancelEscapeAndKeyThreeApplyNothing) {
  struct Way {
    const char* name;
    std::function<void(PickListRig&, TPickListFrm&)> act;
    bool needsKeys;
  };
  const Way ways[] = {
      {"Cancel", [](PickListRig& rig, TPickListFrm& list) { rig.PressCancelOf(list); }, false},
      {"Escape", [](PickListRig& rig, TPickListFrm& list) { rig.KeyOf(list, ui::vk::Escape); }, true},
      {"Cancel key", [](PickListRig& rig, TPickListFrm& list) { rig.KeyOf(list, ui::vk::Cancel); }, true},
  };
  for (const TMember& c : Members()) {
    for (const Way& way : ways) {
      SCOPED_TRACE(c.Name + " " + way.name);
      const int result = RunFromCurrentRow(c, [&](TPickListFrm& list) {
        PressRow(list, c.OkRow);
        way.act(*this, list);
        if (way.needsKeys && !c.Keys) {
          EXPECT_EQ(list.ModalResult(), ui::mrNone);
          PressCancel(list);
        }
      });
      EXPECT_EQ(result, ui::mrCancel);
      EXPECT_EQ(c.AppliedRow(), c.CurrentRow);
    }
  }
}

TEST_F(PickListTable, ReleaseOnDeactivationExactlyWhereTheMemberSaysSo) {
  for (const TMember& c : Members()) {
    SCOPED_TRACE(c.Name);
    c.SetCurrent(c.CurrentRow);
    QPointer<TPickListFrm> list = c.Create(frm.get());
    list->Show();
    PressRow(*list, c.OkRow);
    driver.Deactivate(*list);
    driver.ProcessEvents();
    EXPECT_EQ(list.isNull(), c.Deactivates);
    EXPECT_EQ(c.AppliedRow(), c.CurrentRow);
    delete list.data();
  }
}

TEST_F(PickListTable, AModalListStaysThroughADeactivation) {
  for (const TMember& c : Members()) {
    SCOPED_TRACE(c.Name);
    const int result = RunFromCurrentRow(c, [&](TPickListFrm& list) {
      driver.Deactivate(list);
      driver.ProcessEvents();
      EXPECT_TRUE(list.IsModal());
      EXPECT_FALSE(list.ReleasePending());
      PressCancel(list);
    });
    EXPECT_EQ(result, ui::mrCancel);
  }
}

// ---- bad input -----------------------------------------------------------------------------------

class PickListBadInput : public PickListTable {};

TEST_F(PickListBadInput, CurrentValuesWithoutARowSelectTheDefaultRow) {
  for (const TMember& c : Members()) {
    if (!c.SetRaw) continue;
    for (int raw : {-1, 99, INT_MIN, INT_MAX}) {
      SCOPED_TRACE(c.Name + " " + std::to_string(raw));
      c.SetCurrent(c.CurrentRow);
      c.SetRaw(raw);
      const int result = RunScripted([&] { return c.Run(*frm); },
                                     [&](TPickListFrm& list) {
                                       EXPECT_EQ(list.GetSelectedIndex(), c.DefaultRow);
                                       PressCancel(list);
                                     });
      EXPECT_EQ(result, ui::mrCancel);
      // The engine gets its own value back before anything else looks at it.
      c.SetCurrent(c.CurrentRow);
    }
  }
}

// Presses, moves, releases, double clicks, keys and lost activations at random places, far off
// ones included, into each list, shown modally and without a modal loop: no crash, at most one
// apply, and the list open or gone as its close rule says. The command buttons ("More...",
// "Edit Cal Kit") open windows of their own and are left out.
class TRandomStream {
 public:
  TRandomStream(ui::TestDriver& driver, unsigned seed) : driver_(driver), rng_(seed) {}

  // One event into the list; false when the list is gone or closed afterwards.
  void Step(TPickListFrm& list, bool allowDeactivate) {
    std::vector<ui::Control*> targets = {list.sgList, list.btApply, list.btCancel, list.TopPanel, &list};
    ui::Control& target = *targets[Pick(targets.size())];
    const int x = Coordinate(target.Width());
    const int y = Coordinate(target.Height());
    switch (Pick(allowDeactivate ? 8 : 7)) {
      case 0: driver_.Press(target, x, y); break;
      case 1: driver_.Move(target, x, y, Pick(2) ? ui::ssLeft : 0); break;
      case 2: driver_.Release(target, x, y); break;
      case 3: driver_.DoubleClick(*list.sgList, x, y); break;
      case 4: driver_.Move(*list.sgList, x * 1000, -y * 1000, ui::ssLeft); break;
      case 5:
      case 6: {
        static const int keys[] = {ui::vk::Return, ui::vk::Escape, ui::vk::Cancel, ui::vk::Up, ui::vk::Down,
                                   ui::vk::Prior,  ui::vk::Next,   ui::vk::Home,   ui::vk::End, 'A', ' ', 3};
        driver_.Key(list, keys[Pick(std::size(keys))]);
        break;
      }
      default: driver_.Deactivate(list); break;
    }
  }

 private:
  size_t Pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng_); }
  int Coordinate(int extent) {
    if (Pick(10) == 0) return Pick(2) ? 30000 : -30000;
    return std::uniform_int_distribution<int>(-20, extent + 20)(rng_);
  }
  ui::TestDriver& driver_;
  std::mt19937 rng_;
};

TEST_F(PickListBadInput, ARandomEventStreamIntoEveryList) {
  unsigned seed = 20261211;
  for (const TMember& c : Members()) {
    SCOPED_TRACE(c.Name);
    // Without a modal loop.
    for (int round = 0; round < 3; ++round) {
      c.SetCurrent(c.CurrentRow);
      TRandomStream stream(driver, ++seed);
      QPointer<TPickListFrm> list = c.Create(frm.get());
      list->Show();
      int applied = 0;
      bool closed = false;
      for (int i = 0; i < 150 && !list.isNull(); ++i) {
        stream.Step(*list, true);
        applied = list->AppliedCount();
        closed = list->Closed();
        driver.ProcessEvents();
      }
      EXPECT_LE(applied, 1);
      if (!list.isNull()) {
        // Still there: nothing closed it, it is only ever shown modally, or it does not
        // close on a lost activation.
        EXPECT_TRUE(!list->Closed() || !c.CloseRule) << "closed but not released";
        delete list.data();
      } else {
        EXPECT_TRUE(c.CloseRule) << "a modal-only list released itself";
        EXPECT_TRUE(closed || c.Deactivates);
      }
    }
    // In a modal run.
    c.SetCurrent(c.CurrentRow);
    TRandomStream stream(driver, ++seed);
    int applied = 0;
    const int result = RunScripted([&] { return c.Run(*frm); },
                                   [&](TPickListFrm& list) {
                                     for (int i = 0; i < 150 && list.ModalResult() == ui::mrNone; ++i) {
                                       stream.Step(list, true);
                                       applied = list.AppliedCount();
                                     }
                                     EXPECT_FALSE(list.ReleasePending());
                                   });
    EXPECT_LE(applied, 1);
    EXPECT_EQ(applied == 1, result == ui::mrOk);
  }
}

TEST_F(PickListBadInput, TheFactoryWithUnknownNamesAndArgumentsOutOfRange) {
  RegisterPickLists();
  EXPECT_EQ(frm->OpenDialog(*frm, "", true), 0);
  EXPECT_EQ(frm->OpenDialog(*frm, "TNoSuchFrm", false, INT_MIN), 0);
  EXPECT_EQ(frm->OpenDialog(*frm, "tmeasurelistfrm", true), 0);
  EXPECT_EQ(driver.Box().Shown(), (std::vector<std::string>(3, "Not available yet")));
  // A list takes no argument: any is ignored.
  for (int arg : {-1, INT_MIN, INT_MAX, 99}) {
    const int result = RunScripted([&] { return frm->OpenDialog(*frm, "TCalKitListFrm", true, arg); },
                                   [&](TPickListFrm& list) {
                                     EXPECT_EQ(list.Name(), "CalKitListFrm");
                                     PressCancel(list);
                                   });
    EXPECT_EQ(result, ui::mrCancel);
  }
  // Modeless through the factory: the list shows without a loop.
  EXPECT_EQ(frm->OpenDialog(*frm, "TMeasureListFrm", false, 7), ui::mrNone);
  QPointer<TPickListFrm> list = OpenList();
  ASSERT_FALSE(list.isNull());
  EXPECT_FALSE(list->IsModal());
  PressCancel(*list);
  driver.ProcessEvents();
  EXPECT_TRUE(list.isNull());
  EXPECT_EQ(driver.Box().Shown().size(), 3u);
}

}  // namespace
