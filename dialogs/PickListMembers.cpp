#include "dialogs/PickListMembers.h"

#include <cmath>
#include <initializer_list>
#include <utility>
#include <string>
#include <utility>
#include <vector>

#include "calibration/CalKitsModule.h"
#include "display/RangeView.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "model/Range.h"
#include "model/Services.h"
#include "model/TranslationKey.h"
#include "model/Utils.h"
#include "shell/MainFrm.h"
#include "traces/Marker.h"
#include "traces/MarkerList.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"
#include "widgets/DigitalKeyboardFrm.h"

namespace {

using D = TPickListDescriptor;
using P = TTouchForm::Placement;

// ---- targets, looked up whenever they are used ----------------------------------------------

TRangeView* ActiveView() {
  if (MainFrm == nullptr || MainFrm->IsShutDown()) return nullptr;
  return MainFrm->GetActiveView();
}

TRange* ActiveChannel() {
  TRangeView* view = ActiveView();
  return view != nullptr ? view->Range : nullptr;
}

TMeasurement* ActiveTrace() {
  TRangeView* view = ActiveView();
  if (view == nullptr || view->Measurements == nullptr) return nullptr;
  return view->Measurements->GetActive();
}

TMarker* ActiveMarker() {
  TMeasurement* trace = ActiveTrace();
  if (trace == nullptr || trace->Markers == nullptr || trace->Markers->GetCount() == 0) return nullptr;
  return trace->Markers->GetActiveMarker();
}

TMainFrm* Main() { return MainFrm != nullptr && !MainFrm->IsShutDown() ? MainFrm : nullptr; }

// ---- rows -----------------------------------------------------------------------------------

std::vector<std::string> Translated(std::initializer_list<const char*> english) {
  std::vector<std::string> rows;
  for (const char* e : english) rows.push_back(TranslateText(e));
  return rows;
}

// The row of a value, or -1.
int RowOf(const std::vector<int>& values, int value) {
  for (size_t i = 0; i < values.size(); ++i)
    if (values[i] == value) return static_cast<int>(i);
  return -1;
}

int ValueOf(const std::vector<int>& values, int row) { return values[static_cast<size_t>(row)]; }

// A list of a caller's integer: the integer is the row.
D CallerRowList(const char* title, std::vector<std::string> rows, int visible, int* value) {
  D d;
  d.Title = title;
  d.Rows = std::move(rows);
  d.Visible = visible;
  d.DragScroll = true;
  d.ReleaseOnDeactivate = true;
  d.Current = [value] { return value != nullptr ? *value : -1; };
  d.Apply = [value](int row) {
    if (value != nullptr) *value = row;
  };
  return d;
}

// A modeless-capable list on the main window that closes when it loses the activation.
D Both(D d) {
  d.CloseRule = true;
  d.ReleaseOnDeactivate = true;
  return d;
}

// A list only ever shown modally.
D ModalOnly(D d, P placement) {
  d.CloseRule = false;
  d.ReleaseOnDeactivate = false;
  d.Placement = placement;
  return d;
}

// ---- Points: "More..." ----------------------------------------------------------------------

void PointsMore(TPickListFrm& list) {
  // Outside a modal run the list gives up the activation to the keypad and so releases
  // itself; the release waits until this handler has returned, and the list is not touched
  // after the keypad's run except to end its own modal run.
  if (!list.IsModal()) list.Release();
  QWidget* owner = Main() != nullptr ? static_cast<QWidget*>(Main()) : static_cast<QWidget*>(&list);
  auto getter = []() -> double {
    TRange* channel = ActiveChannel();
    return channel != nullptr ? channel->NPoints : 0.0;
  };
  auto setter = [](double x) {
    if (!std::isfinite(x)) return;
    if (TRange* channel = ActiveChannel()) channel->SetPointCount(TruncSat(x));
  };
  {
    TDigitalKeyboardFrm keypad(owner, TranslateText("Points"), 0, 5, setter, getter);
    keypad.ShowModal();
  }
  list.CancelAfterCommand();
}

// ---- Power ----------------------------------------------------------------------------------

void ApplyPower(int row) {
  if (ScannerModule == nullptr) return;
  TScannerModule& module = *ScannerModule;
  TScanner& scanner = module.GetScanner();
  auto switchSignal = [&](bool off) {
    module.StopSweep();
    scanner.SetSignalOff(off);
    module.RebuildScanList();
    module.StartSweep(0);
  };
  if (row == 2) {
    switchSignal(true);
    return;
  }
  if (scanner.GetSignalOff()) switchSignal(false);
  module.SetLowPower(row == 1);
}

int CurrentPower() {
  if (ScannerModule == nullptr) return -1;
  if (ScannerModule->GetScanner().GetSignalOff()) return 2;
  return ScannerModule->Attenuator20dB ? 1 : 0;
}

// ---- Calibration kits -----------------------------------------------------------------------

void FillKits(D& d) {
  d.Rows.clear();
  d.SecondColumn.clear();
  if (CalKitsModule == nullptr) return;
  const TCalKits& kits = CalKitsModule->GetKits();
  for (int i = 0; i < kits.GetCount(); ++i) {
    d.Rows.push_back(std::to_string(i + 1));
    d.SecondColumn.push_back(kits.GetItem(i)->Name);
  }
}

void EditKit(TPickListFrm& list) {
  TMainFrm* main = Main();
  if (main == nullptr) return;
  const int kit = list.GetSelectedIndex();
  list.SetVisible(false);
  auto back = [&list] {
    list.SetVisible(true);
    list.BringToFront();
    list.Repaint();
  };
  try {
    main->OpenDialog(*main, "TCalKitFrm", true, kit);
  } catch (...) {
    back();
    throw;
  }
  back();
  // Names may have changed; the selection goes back to the module's selected kit.
  list.FillList();
}

// ---- Marker number --------------------------------------------------------------------------

int MarkerRow(double g) {
  if (!std::isfinite(g)) return -1;
  const double t = std::trunc(g);
  if (t < 0 || t > 15) return -1;
  const int tag = static_cast<int>(t);
  return tag == 15 ? 0 : tag + 1;
}

}  // namespace

// ===== Channel, instrument and file lists ====================================================

TPointsListFrm::TPointsListFrm(QWidget* owner)
    : TPickListFrm(owner, [] {
        static const std::vector<int> values{16001, 10001, 1601, 801, 401, 201, 101};
        D d;
        d.Title = TranslationKey("Points");
        for (int v : values) d.Rows.push_back(std::to_string(v));
        d.Visible = 7;
        d.DefaultRow = 5;  // "201"
        d.DragScroll = true;
        d.Current = [] {
          TRange* channel = ActiveChannel();
          return channel != nullptr ? RowOf(values, channel->NPoints) : -1;
        };
        d.Apply = [](int row) {
          if (TRange* channel = ActiveChannel()) channel->SetPointCount(ValueOf(values, row));
        };
        d.Command = TranslationKey("More...");
        d.CommandAction = PointsMore;
        return Both(std::move(d));
      }()) {
  SetName("PointsListFrm");
}

TIFBWListFrm::TIFBWListFrm(QWidget* owner)
    : TPickListFrm(owner, [] {
        static const std::vector<int> values{30000, 10000, 3000, 1000, 300, 100};
        D d;
        d.Title = TranslationKey("IFBW");
        const std::string kHz = TranslateText("kHz");
        const std::string Hz = TranslateText("Hz");
        d.Rows = {"30 " + kHz, "10 " + kHz, "3 " + kHz, "1 " + kHz, "300 " + Hz, "100 " + Hz};
        d.Visible = 6;
        d.Current = [] {
          TRange* channel = ActiveChannel();
          return channel != nullptr ? RowOf(values, channel->CommonIFBW) : -1;
        };
        d.Apply = [](int row) {
          if (TRange* channel = ActiveChannel()) channel->SetIFBW(ValueOf(values, row));
        };
        return Both(std::move(d));
      }()) {
  SetName("IFBWListFrm");
}

TSweepTypeListFrm::TSweepTypeListFrm(QWidget* owner)
    : TPickListFrm(owner, [] {
        static const std::vector<int> values{0, 1, 4};
        D d;
        d.Title = TranslationKey("Sweep Type");
        d.Rows = Translated({TranslationKey("Lin"), TranslationKey("Log"), TranslationKey("Segment")});
        d.Visible = 3;
        d.Current = [] {
          TRange* channel = ActiveChannel();
          return channel != nullptr ? RowOf(values, channel->SweepMode) : -1;
        };
        d.Apply = [](int row) {
          if (TRange* channel = ActiveChannel()) channel->SetSweepType(ValueOf(values, row));
        };
        return Both(std::move(d));
      }()) {
  SetName("SweepTypeListFrm");
}

TPowerModeListFrm::TPowerModeListFrm(QWidget* owner)
    : TPickListFrm(owner, [] {
        D d;
        d.Title = TranslationKey("Power");
        d.Rows = Translated({TranslationKey("High"), TranslationKey("Low"), TranslationKey("RF Off")});
        d.Visible = 3;
        d.Current = CurrentPower;
        d.Apply = ApplyPower;
        return Both(std::move(d));
      }()) {
  SetName("PowerModeListFrm");
}

TTriggerListFrm::TTriggerListFrm(QWidget* owner)
    : TPickListFrm(owner, [] {
        D d;
        d.Title = TranslationKey("Trigger Mode");
        d.Rows = Translated({TranslationKey("Hold"), TranslationKey("Single"), TranslationKey("Continuous")});
        d.Visible = 3;
        d.Current = [] { return ScannerModule != nullptr ? ScannerModule->TriggerMode : -1; };
        d.Apply = [](int row) {
          if (ScannerModule != nullptr) ScannerModule->SetTriggerMode(row);
        };
        return ModalOnly(std::move(d), P::Owner);
      }()) {
  SetName("TriggerListFrm");
}

TTriggerSourceListFrm::TTriggerSourceListFrm(QWidget* owner)
    : TPickListFrm(owner, [] {
        D d;
        d.Title = TranslationKey("Trigger Source");
        d.Rows = Translated({TranslationKey("Internal"), TranslationKey("External"), TranslationKey("Bus")});
        d.Visible = 3;
        d.Current = [] { return ScannerModule != nullptr ? ScannerModule->TriggerSource : -1; };
        d.Apply = [](int row) {
          if (ScannerModule != nullptr) ScannerModule->SetTriggerSource(row);
        };
        return ModalOnly(std::move(d), P::Owner);
      }()) {
  SetName("TriggerSourceListFrm");
}

TClockSourceListFrm::TClockSourceListFrm(QWidget* owner)
    : TPickListFrm(owner, [] {
        D d;
        d.Title = TranslationKey("Reference Source");
        d.Rows = Translated({TranslationKey("Internal"), TranslationKey("External")});
        d.Visible = 2;
        d.Current = [] { return ScannerModule != nullptr ? ScannerModule->ClockSource : -1; };
        d.Apply = [](int row) {
          if (ScannerModule != nullptr) ScannerModule->SetClockSource(row);
        };
        return ModalOnly(std::move(d), P::Owner);
      }()) {
  SetName("ClockSourceListFrm");
}

TMeasModeListFrm::TMeasModeListFrm(QWidget* owner)
    : TPickListFrm(owner, [] {
        static const std::vector<int> values{0, 2, 3, 6, 4};
        D d;
        d.Title = TranslationKey("Measure Mode");
        d.Rows = {"S11", "Abs. A", "Abs. B", "Abs. R", "Power"};
        d.Visible = 5;
        d.Placement = P::Owner;
        d.Current = [] {
          TMeasurement* trace = ActiveTrace();
          return trace != nullptr ? RowOf(values, trace->MeasMode) : -1;
        };
        d.Apply = [](int row) {
          if (TMeasurement* trace = ActiveTrace()) trace->SetMeasMode(ValueOf(values, row));
        };
        d.CloseRule = true;
        d.ReleaseOnDeactivate = false;
        return d;
      }()) {
  SetName("MeasModeListFrm");
}

TPowerMeterListFrm::TPowerMeterListFrm(QWidget* owner, int* model)
    : TPickListFrm(owner, [model] {
        static const std::vector<int> values{1, 0};
        D d;
        d.Title = TranslationKey("Power Meter Type");
        d.Rows = {"R&&S NRVS", "R&&S NRP-Z"};
        d.Visible = 3;
        d.Current = [model] { return model != nullptr ? RowOf(values, *model) : -1; };
        d.Apply = [model](int row) {
          if (model != nullptr) *model = ValueOf(values, row);
        };
        return Both(std::move(d));
      }()) {
  SetName("PowerMeterListFrm");
}

TSaveTypeListFrm::TSaveTypeListFrm(QWidget* owner)
    : TPickListFrm(owner, [] {
        D d;
        d.Title = TranslationKey("Save Type");
        d.Rows = Translated({TranslationKey("State"), TranslationKey("State and Cal"),
                             TranslationKey("State and Trace"), TranslationKey("All")});
        d.Visible = 4;
        d.Form = D::Layout::ListGrid;
        d.Current = [] { return Main() != nullptr ? Main()->SaveType : -1; };
        d.Apply = [](int row) {
          if (TMainFrm* main = Main()) main->SetSaveType(row);
        };
        return ModalOnly(std::move(d), P::Owner);
      }()) {
  SetName("SaveTypeListFrm");
}

TPrintColorListFrm::TPrintColorListFrm(QWidget* owner)
    : TPickListFrm(owner, [] {
        D d;
        d.Title = TranslationKey("Print Color");
        d.Rows = Translated({TranslationKey("Color"), TranslationKey("Gray Scale"), TranslationKey("Black && White")});
        d.Visible = 3;
        d.KeyHandling = false;
        d.RefocusOwner = false;
        d.Current = [] { return Main() != nullptr ? Main()->PrintColor : -1; };
        d.Apply = [](int row) {
          if (TMainFrm* main = Main()) main->PrintColor = row;
        };
        return Both(std::move(d));
      }()) {
  SetName("PrintColorListFrm");
}

TTouchStoneListFrm::TTouchStoneListFrm(QWidget* owner)
    : TPickListFrm(owner, [] {
        D d;
        d.Title = TranslationKey("Touchstone Format");
        d.Rows = Translated(
            {TranslationKey("Real-Imaginary"), TranslationKey("Magnitude-Angle"), TranslationKey("dB-Angle")});
        d.Visible = 3;
        d.Current = [] { return Main() != nullptr ? Main()->TouchFormat : -1; };
        d.Apply = [](int row) {
          if (TMainFrm* main = Main()) main->SetTouchFormat(row);
        };
        return ModalOnly(std::move(d), P::MainForm);
      }()) {
  SetName("TouchStoneListFrm");
}

TLoadTouchstoneToFrm::TLoadTouchstoneToFrm(QWidget* owner)
    : TPickListFrm(owner, [] {
        D d;
        d.Title = TranslationKey("Recall To");
        d.Rows = Translated({TranslationKey("Active Trace Memory"), TranslationKey("All Traces Memory"),
                             TranslationKey("S-Parameters")});
        d.Visible = 3;
        d.KeyHandling = false;
        d.RefocusOwner = false;
        d.Current = [] { return Main() != nullptr ? Main()->TouchstoneRecallTo : -1; };
        d.Apply = [](int row) {
          if (TMainFrm* main = Main()) main->TouchstoneRecallTo = row;
        };
        return ModalOnly(std::move(d), P::MainForm);
      }()) {
  SetName("LoadTouchstoneToFrm");
}

TCalKitListFrm::TCalKitListFrm(QWidget* owner)
    : TPickListFrm(owner, [] {
        D d;
        d.Title = TranslationKey("Calibration Kits");
        d.Visible = 5;
        d.Form = D::Layout::CalKits;
        d.SecondColumn = {""};  // two columns
        d.Refill = FillKits;
        d.Thumb = true;
        d.DragScroll = true;
        d.Current = [] { return CalKitsModule != nullptr ? CalKitsModule->GetKits().GetSelectedIndex() : -1; };
        d.Apply = [](int row) {
          if (CalKitsModule != nullptr) CalKitsModule->GetKits().SelectKit(row);
        };
        d.Command = TranslationKey("Edit Cal Kit");
        d.CommandAction = EditKit;
        return ModalOnly(std::move(d), P::MainForm);
      }()) {
  SetName("CalKitListFrm");
}

TStateListFrm::TStateListFrm(QWidget* owner, int* state)
    : TPickListFrm(owner, CallerRowList(TranslationKey("Type"),
                                        Translated({TranslationKey("Short All Ports"), TranslationKey("Open All Ports"),
                                                    TranslationKey("Load All Ports"), TranslationKey("Thru A-B"),
                                                    TranslationKey("Short All Load A"),
                                                    TranslationKey("Short All Load B"),
                                                    TranslationKey("Attenuator A-B"),
                                                    TranslationKey("Load 2 All Ports"),
                                                    TranslationKey("Open 2 All Ports")}),
                                        7, state)) {
  SetName("StateListFrm");
}

TCharTypeFrm::TCharTypeFrm(QWidget* owner, int* characterization)
    : TPickListFrm(owner, [characterization] {
        D d = CallerRowList(TranslationKey("Characterization"),
                            Translated({TranslationKey("Factory"), TranslationKey("User 1"), TranslationKey("User 2"),
                                        TranslationKey("User 3")}),
                            4, characterization);
        d.DragScroll = false;
        return ModalOnly(std::move(d), P::Owner);
      }()) {
  SetName("CharTypeFrm");
}

TOrientListFrm::TOrientListFrm(QWidget* owner, int* orientation)
    : TPickListFrm(owner, CallerRowList(TranslationKey("Orientation"),
                                        Translated({TranslationKey("AUTO"), TranslationKey("Port A"),
                                                    TranslationKey("Port B")}),
                                        3, orientation)) {
  SetName("OrientListFrm");
}

// ===== Trace, marker and analysis lists ======================================================

TMeasureListFrm::TMeasureListFrm(QWidget* owner)
    : TPickListFrm(owner, [] {
        static const std::vector<int> values{4, 16, 17, 11, 18, 19, 1, 2, 3, 7};
        D d;
        d.Title = TranslationKey("Measurement");
        d.Rows = Translated({TranslationKey("SWR"), TranslationKey("Return Loss"), TranslationKey("Cable Loss"),
                             TranslationKey("Smith Chart"), TranslationKey("DTF SWR"),
                             TranslationKey("DTF Return Loss"), TranslationKey("Phase"),
                             TranslationKey("Expand Phase"), TranslationKey("Group Delay"),
                             TranslationKey("Lin Magnitude")});
        d.Visible = 7;
        d.Thumb = true;
        d.DragScroll = true;
        d.Current = [] {
          TMeasurement* trace = ActiveTrace();
          return trace != nullptr ? RowOf(values, trace->TraceFormat) : -1;
        };
        d.Apply = [](int row) {
          if (TMeasurement* trace = ActiveTrace()) trace->SetFormat(ValueOf(values, row));
        };
        return Both(std::move(d));
      }()) {
  SetName("MeasureListFrm");
}

TDataMathListFrm::TDataMathListFrm(QWidget* owner)
    : TPickListFrm(owner, [] {
        static const std::vector<int> values{4, 0, 1, 2, 3};
        D d;
        d.Title = TranslationKey("Data Math");
        d.Rows = Translated({TranslationKey("OFF"), TranslationKey("Data / Mem"), TranslationKey("Data * Mem"),
                             TranslationKey("Data - Mem"), TranslationKey("Data + Mem")});
        d.Visible = 5;
        d.Current = [] {
          TMeasurement* trace = ActiveTrace();
          return trace != nullptr ? RowOf(values, trace->DataMath) : -1;
        };
        d.Apply = [](int row) {
          if (TMeasurement* trace = ActiveTrace()) trace->SetDataMath(ValueOf(values, row));
        };
        return Both(std::move(d));
      }()) {
  SetName("DataMathListFrm");
}

TConversionListFrm::TConversionListFrm(QWidget* owner)
    : TPickListFrm(owner, [] {
        D d;
        d.Title = TranslationKey("Conversion");
        d.Rows = Translated({TranslationKey("Impedance Z"), TranslationKey("Admittance Y"),
                             TranslationKey("Inverse 1/S"), TranslationKey("Conjugation")});
        d.Visible = 4;
        d.Current = [] {
          TMeasurement* trace = ActiveTrace();
          return trace != nullptr ? trace->ConversionType : -1;
        };
        d.Apply = [](int row) {
          if (TMeasurement* trace = ActiveTrace()) trace->SetConversionType(row);
        };
        return ModalOnly(std::move(d), P::MainForm);
      }()) {
  SetName("ConversionListFrm");
}

TMarkerNumListFrm::TMarkerNumListFrm(QWidget* owner, std::function<void(double)> setter,
                                     std::function<double()> getter)
    : TPickListFrm(owner, [&setter, &getter] {
        D d;
        d.Title = TranslationKey("Marker");
        d.Rows.push_back(TranslateText("Reference Marker"));
        const std::string marker = TranslateText("Marker");
        for (int i = 1; i <= 15; ++i) d.Rows.push_back(marker + " " + std::to_string(i));
        d.Visible = 4;
        d.Thumb = true;
        d.DragScroll = true;
        // The getter is read once, now.
        const int row = getter ? MarkerRow(getter()) : -1;
        d.Current = [row] { return row; };
        d.Apply = [setter = std::move(setter)](int r) {
          if (setter) setter(r == 0 ? 15.0 : static_cast<double>(r - 1));
        };
        return ModalOnly(std::move(d), P::MainForm);
      }()) {
  SetName("MarkerNumListFrm");
}

TPeakPolarityListFrm::TPeakPolarityListFrm(QWidget* owner)
    : TPickListFrm(owner, [] {
        D d;
        d.Title = TranslationKey("Peak Polarity");
        d.Rows = Translated({TranslationKey("Positive"), TranslationKey("Negative"), TranslationKey("Both")});
        d.Visible = 3;
        d.Current = [] {
          TMarker* marker = ActiveMarker();
          return marker != nullptr ? marker->PeakPolarity : -1;
        };
        d.Apply = [](int row) {
          if (TMarker* marker = ActiveMarker()) marker->SetPeakPolarity(row);
        };
        return Both(std::move(d));
      }()) {
  SetName("PeakPolarityListFrm");
}

TTargetTransitionFrm::TTargetTransitionFrm(QWidget* owner)
    : TPickListFrm(owner, [] {
        D d;
        d.Title = TranslationKey("Target Transition");
        d.Rows = Translated({TranslationKey("Positive"), TranslationKey("Negative"), TranslationKey("Both")});
        d.Visible = 3;
        d.Current = [] {
          TMarker* marker = ActiveMarker();
          return marker != nullptr ? marker->TargetTrans : -1;
        };
        d.Apply = [](int row) {
          if (TMarker* marker = ActiveMarker()) marker->SetTargetTransition(row);
        };
        return Both(std::move(d));
      }()) {
  SetName("TargetTransitionFrm");
}

TAllignListFrm::TAllignListFrm(QWidget* owner)
    : TPickListFrm(owner, [] {
        D d;
        d.Title = TranslationKey("Allign");
        d.Rows = Translated({TranslationKey("Vertical"), TranslationKey("Horizontal"), TranslationKey("OFF")});
        d.Visible = 3;
        d.Current = [] {
          TRangeView* view = ActiveView();
          return view != nullptr ? view->MarkerAlign : -1;
        };
        d.Apply = [](int row) {
          if (TRangeView* view = ActiveView()) view->SetMarkerAlign(row);
        };
        return Both(std::move(d));
      }()) {
  SetName("AllignListFrm");
}

TLimitListFrm::TLimitListFrm(QWidget* owner, int* limitType)
    : TPickListFrm(owner, CallerRowList(TranslationKey("Type"),
                                        Translated({TranslationKey("OFF"), TranslationKey("Min"), TranslationKey("Max")}),
                                        3, limitType)) {
  SetName("LimitListFrm");
}

TRippleListFrm::TRippleListFrm(QWidget* owner, int* rippleType)
    : TPickListFrm(owner, CallerRowList(TranslationKey("Type"), Translated({TranslationKey("OFF"), TranslationKey("ON")}),
                                        2, rippleType)) {
  SetName("RippleListFrm");
}

TMethodListFrm::TMethodListFrm(QWidget* owner, int* method)
    : TPickListFrm(owner, CallerRowList(TranslationKey("Method"),
                                        Translated({TranslationKey("Current Span"), TranslationKey("User Span"),
                                                    TranslationKey("Active Marker")}),
                                        3, method)) {
  SetName("MethodListFrm");
}

TGatingTypeFrm::TGatingTypeFrm(QWidget* owner, int* gatingType)
    : TPickListFrm(owner, CallerRowList(TranslationKey("Type"),
                                        Translated({TranslationKey("BandPass"), TranslationKey("Notch")}), 2,
                                        gatingType)) {
  SetName("GatingTypeFrm");
}

TGatingShapeFrm::TGatingShapeFrm(QWidget* owner, int* gatingShape)
    : TPickListFrm(owner, CallerRowList(TranslationKey("Shape"),
                                        Translated({TranslationKey("Minimum"), TranslationKey("Normal"),
                                                    TranslationKey("Wide"), TranslationKey("Maximum")}),
                                        4, gatingShape)) {
  SetName("GatingShapeFrm");
}

TDTFWindowListFrm::TDTFWindowListFrm(QWidget* owner)
    : TPickListFrm(owner, [] {
        D d;
        d.Title = TranslationKey("Kaiser Window");
        d.Rows = Translated({TranslationKey("Minimum"), TranslationKey("Normal"), TranslationKey("Maximum")});
        d.Visible = 3;
        d.Current = [] {
          TMeasurement* trace = ActiveTrace();
          return trace != nullptr ? GetChannelTransformWindow(*trace) : -1;
        };
        d.Apply = [](int row) {
          if (TRangeView* view = ActiveView()) view->SetTransformWindow(row);
        };
        return Both(std::move(d));
      }()) {
  SetName("DTFWindowListFrm");
}

TMetricListFrm::TMetricListFrm(QWidget* owner)
    : TPickListFrm(owner, [] {
        D d;
        d.Title = TranslationKey("DTF Unit");
        d.Rows = Translated({TranslationKey("Time, ns"), TranslationKey("Metric, m"), TranslationKey("Imperial, ft")});
        d.Visible = 3;
        d.Current = [] { return ScannerModule != nullptr ? ScannerModule->MetricSystem : -1; };
        d.Apply = [](int row) {
          SetDistanceUnitsKeepingMarkers(row);
        };
        return ModalOnly(std::move(d), P::MainForm);
      }()) {
  SetName("MetricListFrm");
}

namespace {

// Every marker of every channel window, the reference markers included, in one fixed order:
// window 0..3 (shown or not), trace, marker.
template <class F>
void ForEachMarker(TMainFrm& main, F&& f) {
  for (int i = 0; i < TMainFrm::kViewCount; ++i) {
    TRangeView* view = main.GetView(i);
    if (view == nullptr || view->Measurements == nullptr) continue;
    const TMeasureList& traces = *view->Measurements;
    for (int t = 0; t < traces.GetCount(); ++t) {
      TMeasurement* trace = traces.GetMeasurement(t);
      if (trace == nullptr || trace->Markers == nullptr) continue;
      const TMarkerList& markers = *trace->Markers;
      for (int k = 0; k < markers.GetCount(); ++k) f(*trace, *markers.GetMarker(k));
    }
  }
}

}  // namespace

void SetDistanceUnitsKeepingMarkers(int unit) {
  if (ScannerModule == nullptr) return;
  TMainFrm* main = Main();
  // The unit's change event already lets the traces place their markers by their arguments,
  // which are numbers of the old unit; the chart positions are taken before it.
  std::vector<std::pair<TMarker*, double>> places;
  if (main != nullptr) ForEachMarker(*main, [&](TMeasurement&, TMarker& m) { places.push_back({&m, m.RelativeX}); });
  ScannerModule->SetDistanceUnits(unit);
  if (main == nullptr || Main() == nullptr) return;
  size_t next = 0;
  ForEachMarker(*main, [&](TMeasurement& trace, TMarker& m) {
    // A marker that the event made or removed breaks the order: those are left as they are.
    if (next >= places.size() || places[next].first != &m) {
      next = places.size();
      return;
    }
    m.SetArgument(trace.GetStimulusAtPosition(places[next++].second));
  });
  for (int i = 0; i < TMainFrm::kViewCount; ++i) {
    TRangeView* view = main->GetView(i);
    if (view != nullptr && view->Visible()) view->RequestRedraw();
  }
}
