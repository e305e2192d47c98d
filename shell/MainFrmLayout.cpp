// The main window's channel layout and the dispatch of its two soft-key columns: which of the
// four channel windows show, where they sit on the graph area, which one is active, and what
// each soft key opens.
#include <algorithm>
#include <map>

#include "display/RangeView.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "model/Range.h"
#include "model/RunMode.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Panel.h"
#include "shell/MainFrm.h"
#include "widgets/LeftPanel.h"
#include "widgets/RightPanel.h"

TMainFrm::TDialogOpener TMainFrm::DialogOpener;

int TMainFrm::LayoutChannelCount(int layout) {
  switch (layout) {
    case 1:
    case 2: return 2;
    case 3:
    case 4: return 3;
    case 5: return 4;
    default: return 1;
  }
}

void TMainFrm::SetChannelLayout(int layout) {
  if (ShutDownDone) return;
  ChannelLayout = std::clamp(layout, 0, kLayoutCount - 1);
  if (GetLayoutChannelCount() < ChannelCount) {
    SetChannelCount(GetLayoutChannelCount());
  } else {
    ArrangeViews();
  }
}

void TMainFrm::SetChannelCount(int count) {
  if (ShutDownDone) return;
  // 1., 2.
  const int n = std::clamp(count, 1, GetLayoutChannelCount());
  ChannelCount = n;
  if (ActiveViewIndex > n - 1) SetActiveView(n - 1);
  // 3. The scan list must not change under a running sweep.
  const bool restart = ScannerModule != nullptr && ScannerModule->TriggerMode != TScannerModule::Hold;
  if (restart) ScannerModule->StopSweep();
  // 4. Shown windows' channels are swept; hidden ones keep their settings and rest.
  for (int i = 0; i < kViewCount; ++i) {
    TRangeView* view = Views[static_cast<size_t>(i)];
    if (view == nullptr) continue;
    const bool shown = ViewMaximized ? i == ActiveViewIndex : i < n;
    if (shown) {
      view->SetVisible(true);
      view->SetColor(i == ActiveViewIndex ? kActiveViewColor : kInactiveViewColor);
    } else {
      view->SetVisible(false);
    }
    if (view->Range != nullptr) view->Range->SetChangeNotify(shown);
  }
  // 5. to 7.
  ArrangeViews();
  if (ScannerModule != nullptr) {
    ScannerModule->RebuildScanList();
    if (restart) ScannerModule->StartSweep(0);
  }
}

void TMainFrm::SetActiveView(int index) {
  if (ShutDownDone) return;
  ActiveViewIndex = std::clamp(index, 0, std::max(ChannelCount - 1, 0));
  if (ViewMaximized) SetChannelCount(ChannelCount);
  for (int i = 0; i < kViewCount; ++i) {
    TRangeView* view = Views[static_cast<size_t>(i)];
    if (view == nullptr || !view->Visible()) continue;
    view->SetColor(i == ActiveViewIndex ? kActiveViewColor : kInactiveViewColor);
    view->RequestRedraw();
  }
  FireActiveViewChanged();
}

void TMainFrm::SetViewMaximized(bool on) {
  if (ShutDownDone || on == ViewMaximized) return;
  ViewMaximized = on;
  SetChannelCount(ChannelCount);
}

void TMainFrm::ArrangeViews() {
  if (ShutDownDone) return;
  std::array<ui::Rect, kViewCount> rects{};
  // Placing the windows must not come back here through the area's own resize.
  const bool hooked = GraphAreaResizeHooked;
  GraphAreaResizeHooked = false;
  CalcViewRects(ChannelLayout, rects, plGraphArea->ClientRect());
  for (int i = 0; i < kViewCount; ++i) {
    TRangeView* view = Views[static_cast<size_t>(i)];
    if (view == nullptr) continue;
    const bool placed = ViewMaximized ? i == ActiveViewIndex : i < ChannelCount;
    if (placed) view->SetBoundsRect(rects[static_cast<size_t>(i)]);
  }
  GraphAreaResizeHooked = hooked;
}

void TMainFrm::CalcViewRects(int layout, std::array<ui::Rect, kViewCount>& rects, const ui::Rect& area) const {
  const ui::Rect r = area;
  const int w = r.Width() / 2;
  const int h = r.Height() / 2;
  if (ViewMaximized) {
    if (ActiveViewIndex >= 0 && ActiveViewIndex < kViewCount) rects[static_cast<size_t>(ActiveViewIndex)] = r;
    return;
  }
  switch (layout) {
    case 0: rects[0] = r; break;
    case 1:
      rects[0] = ui::Rect(r.Left, r.Top, r.Right, h);
      rects[1] = ui::Rect(r.Left, h, r.Right, r.Bottom);
      break;
    case 2:
      rects[0] = ui::Rect(r.Left, r.Top, w, r.Bottom);
      rects[1] = ui::Rect(w, r.Top, r.Right, r.Bottom);
      break;
    case 3:
      rects[0] = ui::Rect(r.Left, r.Top, r.Right, h);
      rects[1] = ui::Rect(r.Left, h, w, r.Bottom);
      rects[2] = ui::Rect(w, h, r.Right, r.Bottom);
      break;
    case 4:
      rects[0] = ui::Rect(r.Left, r.Top, w, r.Bottom);
      rects[1] = ui::Rect(w, r.Top, r.Right, h);
      rects[2] = ui::Rect(w, h, r.Right, r.Bottom);
      break;
    case 5:
      rects[0] = ui::Rect(r.Left, r.Top, w, h);
      rects[1] = ui::Rect(w, r.Top, r.Right, h);
      rects[2] = ui::Rect(r.Left, h, w, r.Bottom);
      rects[3] = ui::Rect(w, h, r.Right, r.Bottom);
      break;
    default: break;
  }
}

// ---------------------------------------------------------------------------------------------
// Soft keys

namespace {
std::map<std::string, TMainFrm::TDialogFactoryOpener>& DialogTable() {
  static std::map<std::string, TMainFrm::TDialogFactoryOpener> table;
  return table;
}
}  // namespace

void TMainFrm::RegisterDialog(const std::string& dialogClass, TDialogFactoryOpener opener) {
  if (opener) {
    DialogTable()[dialogClass] = std::move(opener);
  } else {
    DialogTable().erase(dialogClass);
  }
}

bool TMainFrm::IsDialogRegistered(const std::string& dialogClass) {
  return DialogTable().count(dialogClass) != 0;
}

int TMainFrm::OpenDialog(const std::string& dialogClass, bool modal) {
  return OpenDialog(*this, dialogClass, modal, -1);
}

int TMainFrm::OpenDialog(ui::Form& owner, const std::string& dialogClass, bool modal, int arg) {
  if (DialogOpener) return DialogOpener(*this, dialogClass, modal);
  const auto it = DialogTable().find(dialogClass);
  if (it != DialogTable().end()) {
    // A copy: the opener may register or remove dialogs while it runs.
    const TDialogFactoryOpener opener = it->second;
    return opener(owner, modal, arg);
  }
  // The dialogs join the program one by one; until then the key says so.
  ui::MessageBox::Get().Show("Not available yet");
  return 0;
}

void TMainFrm::LeftPanelClick(int index) {
  if (ShutDownDone) return;
  switch (index) {
    case -1: LayoutForm(); break;
    case TLeftPanel::kMeasurement: OpenDialog("TMeasureListFrm", false); break;
    case TLeftPanel::kCalibration: OpenDialog("TCalibrationFrm", true); break;
    case TLeftPanel::kAverage: OpenDialog("TAveragingFrm", true); break;
    case TLeftPanel::kMarker: OpenDialog("TMarkerListFrm", true); break;
    case TLeftPanel::kAnalysis: OpenDialog("TAnalysisFrm", true); break;
    case TLeftPanel::kFiles: OpenDialog("TSaveRecallFrm", true); break;
    case TLeftPanel::kPrint: OpenDialog("TPrintFrm", true); break;
    default: break;
  }
  // A dialog may have closed the program meanwhile.
  if (!ShutDownDone) LeftPanel->Redraw();
}

void TMainFrm::RightPanelClick(int index) {
  if (ShutDownDone) return;
  switch (index) {
    case -1: LayoutForm(); break;
    case TRightPanel::kStimulus: OpenDialog("TStimulusFrm", true); break;
    case TRightPanel::kScale: OpenDialog("TMeasViewFrm", true); break;
    case TRightPanel::kChannels: OpenDialog("TChannelListFrm", true); break;
    case TRightPanel::kTrace: OpenDialog("TTraceListFrm", true); break;
    case TRightPanel::kDtfSettings: OpenDialog("TDTFSettingsFrm", true); break;
    case TRightPanel::kSystem:
      if (OpenDialog("TSystem30Frm", true) == kAbortResult) Close();
      break;
    case TRightPanel::kRunStandby: ToggleRunStandby(); break;
    case TRightPanel::kService:
      if (IsServiceEnabled()) {
        OpenDialog("TServiceFrm", true);
      } else if (IsFactoryMode()) {
        OpenDialog("TFactoryFrm", true);
      }
      break;
    default: break;
  }
  if (!ShutDownDone) RightPanel->Redraw();
}

void TMainFrm::ToggleRunStandby() {
  if (ShutDownDone || ScannerModule == nullptr) return;
  TScanner& scanner = ScannerModule->GetScanner();
  if (scanner.GetStandby()) {
    scanner.SetStandby(false);
    if (ScannerModule->TriggerMode == TScannerModule::Hold) {
      ScannerModule->SetTriggerMode(TScannerModule::Single);
    } else {
      ScannerModule->StartSweep(0);
    }
  } else {
    ScannerModule->StopSweep();
    scanner.SetStandby(true);
  }
}
