// The touch widgets from construction to their first paint (offscreen): the keypad, the
// keyboard, the file browser on a folder of 10,000 files and a dialog frame of ten rows, each
// beside a plain Qt form with the same number of push buttons painted the same way; and the
// browser's listing alone beside a raw readdir of the same folder. Each peer run reports
// ours / peer as "ratio". The budget: 50 ms for each form, 30 ms for the listing.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <unistd.h>

#include <QPushButton>
#include <QWidget>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "PeerTiming.h"
#include "display/ViewProperties.h"
#include "model/MeasureUnitTables.h"
#include "platform/ui/Application.h"
#include "platform/ui/Panel.h"
#include "widgets/DialogSkin.h"
#include "widgets/DigitalKeyboardFrm.h"
#include "widgets/DriveListFrm.h"
#include "widgets/LbButton.h"
#include "widgets/TouchDialogFrm.h"
#include "widgets/VirtualKeyboardFrm.h"

namespace fs = std::filesystem;

namespace {

// The program's look and a folder of 10,000 state files, made once.
struct TSetup {
  TSetup() {
    ui::Application::ForTests();
    look = std::make_unique<TViewProperties>();
    ViewProperties = look.get();
    folder = fs::temp_directory_path() / ("tervan-bench-touch-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    for (int i = 0; i < 10000; ++i) std::ofstream(folder / ("state" + std::to_string(i) + ".cfg"));
  }
  ~TSetup() {
    std::error_code ec;
    fs::remove_all(folder, ec);
  }
  std::unique_ptr<TViewProperties> look;
  fs::path folder;
};

TSetup& Setup() {
  static TSetup setup;
  return setup;
}

// Runs the body per iteration and keeps the mean seconds; a peer run reports the ratio.
template <class F>
void Measure(benchmark::State& state, const std::string& name, bool peer, F&& body) {
  Setup();
  benchrig::MeasureBesidePeer(state, name, peer, std::forward<F>(body));
}

// A plain Qt form of `buttons` push buttons, painted once.
void QtPeer(int buttons) {
  QWidget form;
  form.resize(480, 280);
  for (int i = 0; i < buttons; ++i) {
    auto* b = new QPushButton(QString::number(i), &form);
    b->setGeometry((i % 15) * 32, (i / 15) * 32, 28, 28);
  }
  benchmark::DoNotOptimize(form.grab());
}

// A dialog of ten setting rows between its title bar and its Ok button.
class TTenRowDialog : public TTouchDialogFrm {
 public:
  TTenRowDialog() : TTouchDialogFrm(nullptr, "System") {
    for (int r = 0; r < 10; ++r) {
      auto* c = MakeCaptionPanel("pnRow" + std::to_string(r), "Row");
      auto* v = MakeValuePanel("pnRow" + std::to_string(r) + "Value");
      SetValueText(*v, "1.5 GHz");
      panels.push_back({c, v});
    }
    auto* ok = MakeButton(this, "btOk", "Ok");
    ArrangeFrame(12);
    for (int r = 0; r < 10; ++r) PlaceCaptionPanels(*panels[r].first, *panels[r].second, RowRect(r + 2, Width()));
    ok->SetBoundsRect(RowRect(12, Width()));
  }
  std::vector<std::pair<ui::Panel*, ui::Panel*>> panels;
};

void BM_Keypad(benchmark::State& state) {
  Measure(state, "keypad", false, [] {
    TDigitalKeyboardFrm k(nullptr, "Start", 1, ukFrequency, [](double) {}, [] { return 1500.0; });
    benchmark::DoNotOptimize(k.grab());
  });
}
void BM_Keypad_QtPeer(benchmark::State& state) { Measure(state, "keypad", true, [] { QtPeer(23); }); }

void BM_Keyboard(benchmark::State& state) {
  Measure(state, "keyboard", false, [] {
    std::string text = "Return Loss";
    TVirtualKeyboardFrm k(nullptr, text);
    benchmark::DoNotOptimize(k.grab());
  });
}
void BM_Keyboard_QtPeer(benchmark::State& state) { Measure(state, "keyboard", true, [] { QtPeer(150); }); }

void BM_Browser10000(benchmark::State& state) {
  Measure(state, "browser", false, [] {
    std::string path = (Setup().folder / "x.cfg").string();
    TDriveListFrm b(nullptr, "Recall State", path, 2);
    benchmark::DoNotOptimize(b.grab());
  });
}
// The folder read with readdir alone.
std::vector<std::string> ReadFolder() {
  std::vector<std::string> names;
  if (DIR* d = opendir(Setup().folder.c_str())) {
    while (dirent* e = readdir(d)) names.emplace_back(e->d_name);
    closedir(d);
  }
  return names;
}
// The peer of the browser: the same folder read with readdir and a plain form painted once.
void BM_Browser10000_QtPeer(benchmark::State& state) {
  Measure(state, "browser", true, [] {
    benchmark::DoNotOptimize(ReadFolder().size());
    QtPeer(12);
  });
}

void BM_FrameDialog10Rows(benchmark::State& state) {
  Measure(state, "dialog", false, [] {
    TTenRowDialog d;
    benchmark::DoNotOptimize(d.grab());
  });
}
void BM_FrameDialog10Rows_QtPeer(benchmark::State& state) { Measure(state, "dialog", true, [] { QtPeer(22); }); }

void BM_BrowserListing(benchmark::State& state) {
  Setup();
  std::string path = (Setup().folder / "x.cfg").string();
  TDriveListFrm b(nullptr, "Recall State", path, 2);
  Measure(state, "listing", false, [&] {
    b.ListFolder(".cfg");
    benchmark::DoNotOptimize(b.Files.size());
  });
}
void BM_BrowserListing_ReaddirPeer(benchmark::State& state) {
  Measure(state, "listing", true, [] { benchmark::DoNotOptimize(ReadFolder().size()); });
}

}  // namespace

BENCHMARK(BM_Keypad)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Keypad_QtPeer)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Keyboard)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Keyboard_QtPeer)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Browser10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Browser10000_QtPeer)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FrameDialog10Rows)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FrameDialog10Rows_QtPeer)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BrowserListing)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BrowserListing_ReaddirPeer)->Unit(benchmark::kMillisecond);
