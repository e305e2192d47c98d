#pragma once
// The chart rig with the pointer: the chart sized to the fixture's 451 x 304 client and painted
// into its own kept picture with the fixed test metrics (so the colour pick reads what the
// layout placed), mouse events through ui::TestDriver, and a recording TChartPopups installed
// for the rig's lifetime.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display/ChartPopups.h"
#include "platform/ui/TestDriver.h"
#include "tests/display/ChartPlaneSupport.h"
#include "traces/Marker.h"
#include "traces/MarkerList.h"

namespace chartmouse {

using chartlabels::ChartRig;

// Every window a click asks for, with the keypads' closures kept so tests can press Ok later.
class RecordingPopups : public TChartPopups {
 public:
  struct Keypad {
    std::string title;
    int unitIndex = 0;
    int unitKind = 0;
    TSetter setter;
    TGetter getter;
  };
  void OpenKeypad(const std::string& title, int unitIndex, int unitKind, TSetter setter, TGetter getter) override {
    keypads.push_back(Keypad{title, unitIndex, unitKind, std::move(setter), std::move(getter)});
  }
  bool EditText(std::string& text) override {
    ++textEdits;
    editedFrom = text;
    if (!textOk) return false;
    text = typedText;
    return true;
  }
  void OpenPickList(TPickList list) override { lists.push_back(list); }
  void RunSegmentEditor() override { ++segmentEditors; }

  size_t Opened() const { return keypads.size() + lists.size() + static_cast<size_t>(textEdits + segmentEditors); }
  void Clear() {
    keypads.clear();
    lists.clear();
    textEdits = 0;
    segmentEditors = 0;
  }

  std::vector<Keypad> keypads;
  std::vector<TPickList> lists;
  int textEdits = 0;
  int segmentEditors = 0;
  bool textOk = true;
  std::string typedText = "Typed";
  std::string editedFrom;
};

class MouseRig : public ChartRig {
 public:
  explicit MouseRig(int points = 201, double start = 100.0, double stop = 1100.0)
      : ChartRig(points, start, stop), driver([](const std::string& m) { ADD_FAILURE() << m; }) {
    saved_ = TDrawingPlane::Popups;
    TDrawingPlane::Popups = &popups;
    chart->KeptCanvas().SetMetrics(&metrics);
    chart->SetBounds(0, 0, 451, 304);
  }
  ~MouseRig() { TDrawingPlane::Popups = saved_; }

  // A paint into the chart's kept picture (the last paint the colour pick reads).
  void Draw() { chart->PaintNow(); }
  void Move(int x, int y) { driver.Move(*chart, x, y); }
  void Press(int x, int y, ui::MouseButton b = ui::MouseButton::Left) { driver.Press(*chart, x, y, b); }
  void Release(int x, int y, ui::MouseButton b = ui::MouseButton::Left) { driver.Release(*chart, x, y, b); }
  // Hover, press and release at one place.
  void Click(int x, int y, ui::MouseButton b = ui::MouseButton::Left) {
    Move(x, y);
    Press(x, y, b);
    Release(x, y, b);
  }
  void DragMove(int x, int y) { driver.Move(*chart, x, y, ui::ssLeft); }
  // Hover, paint (the hint box is laid out), then a click on the box's middle.
  void ClickHint(int x, int y) {
    Move(x, y);
    Draw();
    const TScreenRect box = chart->LabelHotAreas[15].Rect;
    ASSERT_FALSE(box.IsEmpty()) << "no hint box after hovering (" << x << ", " << y << ")";
    Click((box.Left + box.Right) / 2, (box.Top + box.Bottom) / 2);
  }
  static TScreenPoint Mid(const TScreenRect& r) { return TScreenPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2}; }
  TScreenPoint Label(int k) const { return Mid(chart->LabelHotAreas[static_cast<size_t>(k)].Rect); }
  TMarkerList& Markers(int trace = 0) { return *Trace(trace).Markers; }

  RecordingPopups popups;
  ui::TestDriver driver;

 private:
  TChartPopups* saved_ = nullptr;
};

}  // namespace chartmouse
