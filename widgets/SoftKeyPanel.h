#pragma once
// A column of large owner-drawn soft keys at one edge of the main window (TLeftPanel,
// TRightPanel). It draws all its keys on one paint box, lights the key under the pointer,
// reports a click through OnItemClick with the key's index, and is collapsed to a strip of
// icons or expanded to show the captions by a sideways drag across it.
//
// Layout: rows of ButtonHeight + 2 pixels from the top; only whole rows are shown, so a short
// column shows (and lets the pointer hit) only the keys whose rows fit; it never scrolls. The
// keys exist on the screen only after the first paint: until then none can be hit.
//
// Pointer: a press on a key makes it the hot key; the click is reported on the release, for
// the key that was hot at the press wherever the pointer is then, unless the press was first
// dragged more than 20 pixels sideways: towards the charts expands the column, towards the
// window edge collapses it, and the press clicks nothing.
//
// The column fills the widget it is created on and follows its size (a hidden widget's new
// size reaches the column when the widget is shown). Metrics, colours and the button font come
// from the global ViewProperties; without it the column paints empty (no key can be hit) and
// GetWidth throws EAbort. User-interface thread only.
#include <QImage>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/Control.h"
#include "platform/ui/FontMetrics.h"
#include "platform/ui/PaintBox.h"
#include "platform/ui/Panel.h"
#include "widgets/PaintButton.h"

class TSoftKeyPanel : public ui::Control {
  Q_OBJECT

 public:
  // index: the key clicked (0 .. KeyCount() - 1), or -1 when Expanded changed and the bar must
  // take the column's new width (GetWidth).
  using TItemClickEvent = std::function<void(TSoftKeyPanel& sender, int index)>;

  // One key of a column: its caption in English (shown translated) and the resource name of
  // its picture.
  struct TKeyDef {
    const char* Caption;
    const char* IconName;
  };

  // The sideways movement that still counts as a press, in pixels.
  static constexpr int kDragThreshold = 20;

  ~TSoftKeyPanel() override;

  // The width the column needs: collapsed ButtonHeight + 8 (square keys with a 4-pixel
  // border); expanded also twelve "H" of the button font and Margin.
  int GetWidth();
  // Captions shown (true, the start state) or icons only. A change clears the hot key, fires
  // OnItemClick with -1 and repaints; the same value does nothing.
  bool Expanded() const { return expanded_; }
  void SetExpanded(bool expanded);
  // The key under the pointer (after the last move or press), -1 for none; cleared by a
  // release and by SetExpanded, kept when the pointer leaves.
  int HotIndex() const { return hotIndex_; }
  // Repaints the keys at the next paint (captions and the look are read then).
  void Redraw();

  TItemClickEvent OnItemClick;

  // --- inspection and tests -----------------------------------------------------------------
  int KeyCount() const { return static_cast<int>(buttons_.size()); }
  TPaintButton& Button(int index) { return *buttons_.at(static_cast<size_t>(index)); }
  const TPaintButton& Button(int index) const { return *buttons_.at(static_cast<size_t>(index)); }
  // How many keys may show at all (the right column's "Service" needs a switch).
  virtual int KeyLimit() const { return KeyCount(); }
  // How many keys a paint box of this height shows.
  int ShownKeyCount(int height) const;
  // The picture of key index (32 by 32, black on white; empty when its resource is missing).
  const QImage& Icon(int index) const { return icons_.at(static_cast<size_t>(index)); }
  ui::PaintBox& GetPaintBox() { return *paintBox_; }
  ui::Panel& GetBasePanel() { return *basePanel_; }
  // What measures the keys' text on the column's own surface (not owned; Qt's when nullptr).
  void SetTextMetrics(ui::FontMetrics* metrics);

 protected:
  // iconLeft: where the icons sit (towards the charts); expandRight: the drag direction that
  // expands (towards the charts).
  TSoftKeyPanel(QWidget* parent, const std::vector<TKeyDef>& keys, bool iconLeft, bool expandRight);

  // Before the keys are painted: captions that follow the program's state.
  virtual void UpdateCaptions() {}

  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void PaintBoxPaint();
  void PaintBoxMouseDown(ui::MouseButton button, int x, int y);
  void PaintBoxMouseMove(ui::ShiftState shift, int x, int y);
  void PaintBoxMouseUp();
  void PaintBoxMouseLeave();
  void TrackHover(int x, int y);
  void SetHotIndex(int index);
  void FrameResize();
  void FillParent();
  void LayoutChildren();

  ui::Panel* basePanel_;
  ui::PaintBox* paintBox_;
  std::vector<std::unique_ptr<TPaintButton>> buttons_;
  std::vector<QImage> icons_;
  const bool expandRight_;
  ui::Rect panelRect_;
  bool pressed_ = false;
  ui::Point downPoint_;
  int hotIndex_ = -1;
  bool expanded_ = true;
};
