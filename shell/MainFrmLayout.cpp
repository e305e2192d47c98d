// The main window's channel layout as far as the window needs it to start: the layout, the
// number of channels in use and the active one. The arrangement of the channel windows on the
// graph area comes with the channel windows.
#include <algorithm>

#include "model/Range.h"
#include "shell/MainFrm.h"

void TMainFrm::SetChannelLayout(int layout) {
  if (ShutDownDone) return;
  ChannelLayout = std::clamp(layout, 0, 5);
}

void TMainFrm::SetChannelCount(int count) {
  if (ShutDownDone) return;
  ChannelCount = std::clamp(count, 1, kViewCount);
  // The channels in use take part in sweeping; the others rest.
  for (int i = 0; i < kViewCount; ++i) {
    if (TRange* range = Channels[static_cast<size_t>(i)]) range->SetChangeNotify(i < ChannelCount);
  }
  if (ActiveViewIndex >= ChannelCount) SetActiveView(ChannelCount - 1);
}

void TMainFrm::SetActiveView(int index) {
  if (ShutDownDone || index < 0 || index >= kViewCount) return;
  ActiveViewIndex = index;
  FireActiveViewChanged();
}

// The keys' own actions come with the dispatch tables; a column that changed its width takes
// it at once.
void TMainFrm::LeftPanelClick(int index) {
  if (ShutDownDone) return;
  if (index < 0) LayoutForm();
}

void TMainFrm::RightPanelClick(int index) {
  if (ShutDownDone) return;
  if (index < 0) LayoutForm();
}
