// The soft-key columns driven as a user would: rows that fit, presses that click on release,
// sideways drags that collapse and expand, the "Service" key behind its switches, the
// "Run"/"Standby" caption and the width the bars get.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "WidgetTest.h"
#include "instrument/ScannerModule.h"
#include "model/EAbort.h"
#include "model/ITranslation.h"
#include "model/RunMode.h"
#include "model/Services.h"
#include "platform/ui/FakeFontMetrics.h"
#include "platform/ui/Form.h"
#include "platform/ui/Panel.h"
#include "platform/ui/RecordingCanvas.h"
#include "widgets/LeftPanel.h"
#include "widgets/RightPanel.h"

namespace {

using Rec = ui::RecordingCanvas;

// The look's fake metrics make ButtonHeight 44 (2 x Margin + IconSize), so rows are 46 high.
constexpr int kButtonHeight = 44;
constexpr int kStep = kButtonHeight + 2;

struct Event {
  TSoftKeyPanel* sender;
  int index;
  bool operator==(const Event&) const = default;
};

class SoftKeyPanel : public WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    ResetRunMode();
    ASSERT_EQ(Look().ButtonHeight, kButtonHeight);
  }
  void TearDown() override {
    form_.Hide();
    ResetRunMode();
    WidgetTest::TearDown();
  }

  // A column in a bar of the given size, measured with 7-pixel characters, painted once.
  template <class T>
  T& Make(int width, int height) {
    bar_ = new ui::Panel(&form_);
    bar_->SetBounds(0, 0, width, height);
    auto* panel = new T(bar_);
    panel->SetTextMetrics(&metrics_);
    panel->OnItemClick = [this](TSoftKeyPanel& sender, int index) { events_.push_back({&sender, index}); };
    panel->GetPaintBox().PaintNow();
    return *panel;
  }
  TLeftPanel& Left(int height = 400) { return Make<TLeftPanel>(160, height); }
  TRightPanel& Right(int height = 400) { return Make<TRightPanel>(160, height); }

  // The middle of key i.
  static int KeyY(int i) { return i * kStep + 4 + kButtonHeight / 2; }
  static constexpr int kKeyX = 80;

  ui::FakeFontMetrics metrics_{12, 7};
  ui::Form form_;
  ui::Panel* bar_ = nullptr;
  std::vector<Event> events_;
};

TEST_F(SoftKeyPanel, FillsItsBarAndFollowsItsSize) {
  TLeftPanel& p = Left(300);
  form_.SetBounds(0, 0, 400, 600);
  form_.Show();
  bar_->SetVisible(true);
  EXPECT_EQ(p.BoundsRect(), ui::Rect(0, 0, 160, 300));
  EXPECT_EQ(p.GetPaintBox().Width(), 160);
  EXPECT_EQ(p.GetPaintBox().Height(), 300);
  bar_->SetBounds(0, 0, 142, 520);
  EXPECT_EQ(p.BoundsRect(), ui::Rect(0, 0, 142, 520));
  EXPECT_EQ(p.GetPaintBox().Width(), 142);
  EXPECT_EQ(p.GetPaintBox().Height(), 520);
}

TEST_F(SoftKeyPanel, ShowsOnlyTheKeysWhoseWholeRowsFit) {
  struct Case {
    int height;
    int shown;
  };
  for (const Case& c : {Case{7 * kStep + 50, 7}, Case{7 * kStep, 7}, Case{7 * kStep - 1, 6}, Case{kStep, 1},
                        Case{kStep - 1, 0}, Case{0, 0}}) {
    SCOPED_TRACE(c.height);
    events_.clear();
    TLeftPanel& p = Left(c.height);
    EXPECT_EQ(p.ShownKeyCount(c.height), c.shown);
    for (int i = 0; i < p.KeyCount(); ++i) {
      if (i < c.shown) {
        const int top = i * kStep + 4;
        EXPECT_EQ(p.Button(i).Rect, ui::Rect(4, top, 156, top + kButtonHeight)) << "key " << i;
      } else {
        EXPECT_EQ(p.Button(i).Rect, ui::Rect()) << "key " << i;
      }
    }
    // A press on the first key that did not fit hits nothing.
    if (c.shown < p.KeyCount() && KeyY(c.shown) < c.height) {
      Driver().Click(p.GetPaintBox(), kKeyX, KeyY(c.shown));
      EXPECT_TRUE(events_.empty());
    }
    delete bar_;
  }
}

TEST_F(SoftKeyPanel, KeysThatNoLongerFitAreNotHitAfterTheColumnShrinks) {
  TLeftPanel& p = Left(7 * kStep);
  form_.SetBounds(0, 0, 400, 600);
  form_.Show();
  bar_->SetVisible(true);
  bar_->SetHeight(3 * kStep);
  EXPECT_EQ(p.GetPaintBox().Height(), 3 * kStep);
  p.GetPaintBox().PaintNow();
  EXPECT_EQ(p.Button(3).Rect, ui::Rect());
  Driver().Click(p.GetPaintBox(), kKeyX, KeyY(2));
  Driver().Click(p.GetPaintBox(), kKeyX, KeyY(3));
  EXPECT_EQ(events_, (std::vector<Event>{{&p, 2}}));
}

TEST_F(SoftKeyPanel, NothingIsHitBeforeTheFirstPaint) {
  bar_ = new ui::Panel(&form_);
  bar_->SetBounds(0, 0, 160, 400);
  TLeftPanel p(bar_);
  int clicks = 0;
  p.OnItemClick = [&clicks](TSoftKeyPanel&, int) { ++clicks; };
  Driver().Click(p.GetPaintBox(), kKeyX, KeyY(0));
  EXPECT_EQ(clicks, 0);
  EXPECT_EQ(p.HotIndex(), -1);
}

TEST_F(SoftKeyPanel, WithoutTheDisplayLookTheColumnIsEmpty) {
  TLeftPanel& p = Left();
  ASSERT_FALSE(p.Button(0).Rect.IsEmpty());
  TViewProperties* saved = ViewProperties;
  ViewProperties = nullptr;
  p.GetPaintBox().PaintNow();
  EXPECT_EQ(p.GetPaintBox().KeptCanvas().Pixel(80, KeyY(0)), 0x0F0F0Fu);
  Driver().Click(p.GetPaintBox(), kKeyX, KeyY(0));
  EXPECT_TRUE(events_.empty());
  EXPECT_THROW(p.GetWidth(), EAbort);
  ViewProperties = saved;
}

// Press on a key, drag sideways by dx, release: which event the column reports.
struct DragCase {
  bool right;  // the right column
  int dx;
  std::vector<int> events;  // indices reported; -1: Expanded changed
  bool expanded;
};

TEST_F(SoftKeyPanel, SidewaysDragsUpTo20PixelsClickAndLongerOnesCollapseOrExpand) {
  const std::vector<DragCase> cases = {
      {false, 20, {2}, true},   {false, -20, {2}, true}, {false, -21, {-1}, false}, {false, 21, {}, true},
      {true, -20, {2}, true},   {true, 20, {2}, true},   {true, 21, {-1}, false},   {true, -21, {}, true},
  };
  for (const DragCase& c : cases) {
    SCOPED_TRACE(std::string(c.right ? "right" : "left") + " dx " + std::to_string(c.dx));
    events_.clear();
    TSoftKeyPanel& p = c.right ? static_cast<TSoftKeyPanel&>(Right()) : static_cast<TSoftKeyPanel&>(Left());
    Driver().Drag(p.GetPaintBox(), kKeyX, KeyY(2), c.dx, 0, 4);
    std::vector<int> indices;
    for (const Event& e : events_) {
      EXPECT_EQ(e.sender, &p);
      indices.push_back(e.index);
    }
    EXPECT_EQ(indices, c.events);
    EXPECT_EQ(p.Expanded(), c.expanded);
    // A click clears the hot key; after a drag the pointer is tracked again.
    if (c.events == std::vector<int>{2}) {
      EXPECT_EQ(p.HotIndex(), -1);
    }
    delete bar_;
  }
}

TEST_F(SoftKeyPanel, ACollapsedColumnExpandsByADragTowardsTheCharts) {
  TLeftPanel& left = Left();
  left.SetExpanded(false);
  events_.clear();
  left.GetPaintBox().PaintNow();
  Driver().Drag(left.GetPaintBox(), 20, KeyY(0), 21, 0, 2);
  EXPECT_TRUE(left.Expanded());
  EXPECT_EQ(events_, (std::vector<Event>{{&left, -1}}));
  // A drag that collapses an already collapsed column fires nothing and clicks nothing.
  left.SetExpanded(false);
  events_.clear();
  Driver().Drag(left.GetPaintBox(), 40, KeyY(0), -21, 0, 2);
  EXPECT_FALSE(left.Expanded());
  EXPECT_TRUE(events_.empty());
}

TEST_F(SoftKeyPanel, ReleaseOverAnotherKeyClicksTheKeyPressedFirst) {
  TLeftPanel& p = Left();
  ui::PaintBox& box = p.GetPaintBox();
  Driver().Press(box, kKeyX, KeyY(1));
  EXPECT_EQ(p.HotIndex(), 1);
  Driver().Move(box, kKeyX + 10, KeyY(4), ui::ssLeft);
  EXPECT_EQ(p.HotIndex(), 1) << "hover tracking pauses while pressed";
  EXPECT_FALSE(p.Button(4).Hover);
  Driver().Release(box, kKeyX + 10, KeyY(4));
  EXPECT_EQ(events_, (std::vector<Event>{{&p, 1}}));
  EXPECT_EQ(p.HotIndex(), -1);
  // Released outside every key, too.
  events_.clear();
  Driver().Press(box, kKeyX, KeyY(5));
  Driver().Release(box, 2, 399);
  EXPECT_EQ(events_, (std::vector<Event>{{&p, 5}}));
}

TEST_F(SoftKeyPanel, OnlyTheLeftButtonClicks) {
  TRightPanel& p = Right();
  Driver().Click(p.GetPaintBox(), kKeyX, KeyY(3), ui::MouseButton::Right);
  EXPECT_TRUE(events_.empty());
  EXPECT_EQ(p.HotIndex(), 3) << "the press still tracks the pointer";
  Driver().Click(p.GetPaintBox(), kKeyX, KeyY(3));
  EXPECT_EQ(events_, (std::vector<Event>{{&p, 3}}));
  // A press between two keys clicks nothing.
  events_.clear();
  Driver().Click(p.GetPaintBox(), kKeyX, 4 + kButtonHeight + 1);
  EXPECT_TRUE(events_.empty());
}

TEST_F(SoftKeyPanel, HoverLightsOneKeyAndLeavingClearsItButKeepsTheHotIndex) {
  TLeftPanel& p = Left();
  ui::PaintBox& box = p.GetPaintBox();
  Driver().Move(box, kKeyX, KeyY(2));
  EXPECT_TRUE(p.Button(2).Hover);
  EXPECT_EQ(p.HotIndex(), 2);
  EXPECT_EQ(box.GetCursor(), ui::Cursor::HandPoint);
  Driver().Move(box, kKeyX, KeyY(3));
  EXPECT_FALSE(p.Button(2).Hover);
  EXPECT_TRUE(p.Button(3).Hover);
  EXPECT_EQ(p.HotIndex(), 3);
  Driver().Leave(box);
  EXPECT_FALSE(p.Button(3).Hover);
  EXPECT_EQ(p.HotIndex(), 3);
  Driver().Move(box, 1, 1);
  EXPECT_EQ(p.HotIndex(), -1);
  EXPECT_EQ(box.GetCursor(), ui::Cursor::Default);
}

TEST_F(SoftKeyPanel, SetExpandedReportsOnlyChanges) {
  TRightPanel& p = Right();
  Driver().Move(p.GetPaintBox(), kKeyX, KeyY(1));
  ASSERT_EQ(p.HotIndex(), 1);
  p.SetExpanded(true);
  EXPECT_TRUE(events_.empty());
  EXPECT_EQ(p.HotIndex(), 1);
  p.SetExpanded(false);
  EXPECT_EQ(events_, (std::vector<Event>{{&p, -1}}));
  EXPECT_EQ(p.HotIndex(), -1);
  p.SetExpanded(false);
  EXPECT_EQ(events_.size(), 1u);
  p.SetExpanded(true);
  EXPECT_EQ(events_.size(), 2u);
  // Without a listener the change still happens.
  p.OnItemClick = nullptr;
  p.SetExpanded(false);
  EXPECT_FALSE(p.Expanded());
}

TEST_F(SoftKeyPanel, WidthIsASquareKeyCollapsedAndTwelveLettersMoreExpanded) {
  TLeftPanel& left = Left();
  TRightPanel& right = Right();
  // 44 + twelve "H" of 7 pixels + Margin 6 + 8.
  EXPECT_EQ(left.GetWidth(), 44 + 84 + 6 + 8);
  EXPECT_EQ(right.GetWidth(), 142);
  left.SetExpanded(false);
  EXPECT_EQ(left.GetWidth(), 44 + 8);
  EXPECT_EQ(right.GetWidth(), 142);
  // The width follows the look's ButtonHeight (the button font's line).
  ui::FakeFontMetrics tall(30, 7);
  TViewProperties look(&tall);
  TViewProperties* saved = ViewProperties;
  ViewProperties = &look;
  EXPECT_EQ(look.ButtonHeight, 62);
  EXPECT_EQ(left.GetWidth(), 62 + 8);
  EXPECT_EQ(right.GetWidth(), 62 + 84 + 6 + 8);
  ViewProperties = saved;
}

TEST_F(SoftKeyPanel, ServiceKeyOnlyUnderTheServiceOrFactorySwitch) {
  struct Case {
    const char* arguments;
    bool shown;
  };
  for (const Case& c : {Case{"", false}, Case{"DemoMode English", false}, Case{"EnableService", true},
                        Case{"FactoryMode", true}}) {
    SCOPED_TRACE(c.arguments);
    SetRunModeFromText(c.arguments);
    events_.clear();
    TRightPanel& p = Right(10 * kStep);  // room for more than eight rows
    EXPECT_EQ(p.KeyLimit(), c.shown ? 8 : 7);
    const int service = TRightPanel::kService;
    EXPECT_EQ(p.Button(service).Rect.IsEmpty(), !c.shown);
    Rec rec(160, 10 * kStep);
    p.GetPaintBox().PaintTo(rec);
    bool drawn = false;
    for (const Rec::Call& t : rec.CallsOf(Rec::Op::Text)) drawn = drawn || t.text == "Service";
    EXPECT_EQ(drawn, c.shown);
    Driver().Click(p.GetPaintBox(), kKeyX, KeyY(service));
    const std::vector<Event> expected = c.shown ? std::vector<Event>{{&p, service}} : std::vector<Event>{};
    EXPECT_EQ(events_, expected);
    delete bar_;
    ResetRunMode();
  }
}

TEST_F(SoftKeyPanel, RunOrStandbyFollowsTheInstrumentAtEveryPaint) {
  TRightPanel& p = Right();
  bool standby = true;
  p.StandbyQuery = [&standby] { return standby; };
  p.GetPaintBox().PaintNow();
  EXPECT_EQ(p.Button(TRightPanel::kRunStandby).Caption, "Run");
  standby = false;
  EXPECT_EQ(p.Button(TRightPanel::kRunStandby).Caption, "Run") << "only a paint reads the state";
  p.GetPaintBox().PaintNow();
  EXPECT_EQ(p.Button(TRightPanel::kRunStandby).Caption, "Standby");

  // Without a query the scanner of the program's sweep module is asked; a fresh one is in
  // standby, and without a module the instrument counts as in standby too.
  p.StandbyQuery = nullptr;
  p.GetPaintBox().PaintNow();
  EXPECT_EQ(p.Button(TRightPanel::kRunStandby).Caption, "Run");
  TScannerModule module;
  TScannerModule* saved = ScannerModule;
  ScannerModule = &module;
  p.Button(TRightPanel::kRunStandby).Caption.clear();
  p.GetPaintBox().PaintNow();
  EXPECT_EQ(p.Button(TRightPanel::kRunStandby).Caption, "Run");
  ScannerModule = saved;
}

class Brackets : public ITranslation {
 public:
  std::string Translate(const std::string& english) const override { return "<" + english + ">"; }
  std::string TranslateAnsi(const std::string& english) const override { return Translate(english); }
  bool IsEnglish() const override { return false; }
};

TEST_F(SoftKeyPanel, CaptionsAreTranslated) {
  Brackets brackets;
  TScopedServices services;
  services->LangModule = &brackets;
  TLeftPanel& left = Left();
  TRightPanel& right = Right();
  const std::vector<std::string> leftCaptions = {"<Measurement>", "<Calibration>", "<Average>", "<Marker>",
                                                 "<Analysis>",    "<Files>",       "<Print>"};
  ASSERT_EQ(left.KeyCount(), TLeftPanel::kKeyCount);
  for (int i = 0; i < left.KeyCount(); ++i) EXPECT_EQ(left.Button(i).Caption, leftCaptions[static_cast<size_t>(i)]);
  const std::vector<std::string> rightCaptions = {"<Stimulus>", "<Scale>",  "<Channels>", "<Trace>",
                                                  "<DTF Settings>", "<System>", "<Run>",      "<Service>"};
  ASSERT_EQ(right.KeyCount(), TRightPanel::kKeyCount);
  for (int i = 0; i < right.KeyCount(); ++i) {
    EXPECT_EQ(right.Button(i).Caption, rightCaptions[static_cast<size_t>(i)]);
  }
}

TEST_F(SoftKeyPanel, IconsSitTowardsTheChartsAndEveryKeyHasOne) {
  TLeftPanel& left = Left();
  TRightPanel& right = Right();
  for (int i = 0; i < left.KeyCount(); ++i) {
    EXPECT_FALSE(left.Button(i).IconLeft);
    EXPECT_FALSE(left.Icon(i).isNull()) << "left " << i;
  }
  for (int i = 0; i < right.KeyCount(); ++i) {
    EXPECT_TRUE(right.Button(i).IconLeft);
    EXPECT_FALSE(right.Icon(i).isNull()) << "right " << i;
  }
  // Left: (R - 38, T + 6, R - 6, T + 38); right: (L + 6, T + 6, L + 38, T + 38).
  Rec rec(160, 400);
  left.GetPaintBox().PaintTo(rec);
  std::vector<Rec::Call> icons = rec.CallsOf(Rec::Op::CopyRect);
  ASSERT_EQ(icons.size(), 7u);
  EXPECT_EQ(icons[1].rect, ui::Rect(156 - 38, kStep + 4 + 6, 156 - 6, kStep + 4 + 38));
  EXPECT_EQ(icons[1].source, ui::Rect(0, 0, 32, 32));
  rec.Clear();
  right.GetPaintBox().PaintTo(rec);
  icons = rec.CallsOf(Rec::Op::CopyRect);
  ASSERT_EQ(icons.size(), 7u);
  EXPECT_EQ(icons[0].rect, ui::Rect(4 + 6, 4 + 6, 4 + 38, 4 + 38));
}

TEST_F(SoftKeyPanel, CollapsedKeysShowNoCaption) {
  TLeftPanel& p = Left();
  Rec rec(160, 400);
  p.GetPaintBox().PaintTo(rec);
  EXPECT_EQ(rec.CallsOf(Rec::Op::Text).size(), 7u);
  p.SetExpanded(false);
  rec.Clear();
  p.GetPaintBox().PaintTo(rec);
  EXPECT_TRUE(rec.CallsOf(Rec::Op::Text).empty());
  EXPECT_EQ(rec.CallsOf(Rec::Op::CopyRect).size(), 7u);
  EXPECT_FALSE(p.Button(0).ShowCaption);
}

TEST_F(SoftKeyPanel, TheColumnIsFilledWithTheBackgroundColour) {
  Look().UndegroundColor = 0x102030;
  TLeftPanel& p = Left(7 * kStep + 30);
  const ui::Canvas& c = p.GetPaintBox().KeptCanvas();
  EXPECT_EQ(c.Pixel(1, 1), 0x102030u);
  EXPECT_EQ(c.Pixel(80, 7 * kStep + 20), 0x102030u) << "below the last row";
  EXPECT_EQ(c.Pixel(158, KeyY(3)), 0x102030u) << "beside the keys";
  Look().SetInverseColor(true);
  p.GetPaintBox().PaintNow();
  EXPECT_EQ(c.Pixel(1, 1), 0xEFDFCFu);
}

}  // namespace
