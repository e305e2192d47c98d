#pragma once
// Pictures of windows over the running program on a real display. The demonstration program
// runs once per call, a script opens the windows by injected clicks once the instrument has
// swept, and each picture is the whole screen composed from each window's own grab at its place
// (a virtual display shows later top-level windows black in a grab of the screen), saved into the
// build folder. CTest runs these tests under xvfb-run with the real platform (TERVAN_DEMO_RUN
// names it); elsewhere they are skipped.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "dialogs/RegisterDialogs.h"
#include "display/ViewProperties.h"
#include "platform/ui/Color.h"
#include "platform/ui/PaintBox.h"
#include "platform/ui/Panel.h"
#include "platform/ui/TestDriver.h"
#include "shell/MainFrm.h"
#include "shell/ProgramRunSupport.h"
#include "shell/ProgramStart.h"
#include "widgets/SoftKeyPanel.h"
#include "widgets/TouchDialogFrm.h"

// Skips the test outside its own CTest entry; there starts the application on the real platform,
// with the program's dialogs registered.
#define START_ON_REAL_DISPLAY_OR_SKIP()                                                                  \
  do {                                                                                                   \
    const char* platformName = std::getenv("TERVAN_DEMO_RUN");                                           \
    if (platformName == nullptr) GTEST_SKIP() << "runs under xvfb-run through its own CTest entry";      \
    ASSERT_EQ(QCoreApplication::instance(), nullptr)                                                     \
        << "run it alone: the application must start on " << platformName;                              \
    qputenv("QT_QPA_PLATFORM", platformName);                                                            \
    RegisterDialogs();                                                                                   \
  } while (false)

namespace shots {

// The screen with these windows drawn from their own grabs, later ones over earlier ones.
inline QImage ComposeScreen(const std::vector<QWidget*>& windows) {
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  QImage image(screen.size(), QImage::Format_RGB32);
  image.fill(Qt::black);
  QPainter p(&image);
  for (QWidget* w : windows) p.drawPixmap(w->mapToGlobal(QPoint(0, 0)) - screen.topLeft(), w->grab());
  return image;
}

// The picture saved into the build folder as <name>.png.
inline bool SavePicture(const QImage& picture, const std::string& name) {
  return picture.save(QString::fromStdString(std::string(TERVAN_BINARY_DIR) + "/" + name + ".png"));
}

// A click on soft key `index` of a column where it is drawn.
inline void ClickSoftKey(ui::TestDriver& driver, TSoftKeyPanel& panel, int index) {
  const ui::Rect r = panel.Button(index).Rect;
  driver.Click(panel.GetPaintBox(), (r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
}

// The run of the demonstration program the pictures are taken in.
using ::TRunningProgram;

// The share of pixels of a window's place in the picture that differ from the main window's
// own picture there: the window was painted over it.
inline double PaintedShare(const QImage& screen, const QImage& mainOnly, const QWidget& w) {
  const QRect r(w.mapToGlobal(QPoint(0, 0)), w.size());
  long long differ = 0;
  long long all = 0;
  for (int y = r.top(); y <= r.bottom(); ++y) {
    for (int x = r.left(); x <= r.right(); ++x) {
      if (!screen.valid(x, y)) continue;
      ++all;
      if (screen.pixel(x, y) != mainOnly.pixel(x, y)) ++differ;
    }
  }
  return all > 0 ? static_cast<double>(differ) / static_cast<double>(all) : 0.0;
}

// The pictures of dialogs over the main window, each saved as <prefix>-<name>.png, with whether
// the dialog's title bar, a few pixels in from its right end, shows the look's PanelColor.
class TDialogShots {
 public:
  explicit TDialogShots(std::string prefix) : prefix_(std::move(prefix)) {}

  QImage Shoot(const std::string& name, TTouchDialogFrm& dialog) {
    QCoreApplication::processEvents();
    const QImage screen = ComposeScreen({MainFrm, &dialog});
    const QRect bar(dialog.TopPanel->mapToGlobal(QPoint(0, 0)), dialog.TopPanel->size());
    const QPoint probe(bar.right() - 3, bar.center().y());
    const QRgb expected = ui::ToQRgb(ViewProperties->PanelColor);
    shots_.push_back({name, SavePicture(screen, prefix_ + "-" + name),
                      screen.valid(probe) && (screen.pixel(probe) & 0xFFFFFF) == (expected & 0xFFFFFF)});
    return screen;
  }

  // The names of the pictures in the order they were taken; a failure for each one not saved or
  // without the title bar's colour.
  std::vector<std::string> CheckedNames() const {
    std::vector<std::string> names;
    for (const TShot& s : shots_) {
      names.push_back(s.name);
      EXPECT_TRUE(s.saved) << s.name << " not saved";
      EXPECT_TRUE(s.titleColour) << s.name << ": the title bar is not in the look's PanelColor";
    }
    return names;
  }

 private:
  struct TShot {
    std::string name;
    bool saved = false;
    bool titleColour = false;
  };
  std::string prefix_;
  std::vector<TShot> shots_;
};

}  // namespace shots
