// The pictures of a busy 1280 x 800 channel area: four charts of 16,001 points with four
// traces, memories and markers each. Times the print picture, our PNG encoder beside Qt's PNG
// writer on the same picture (with the size ratio of the two files) and a whole screen shot,
// and the report of that picture made from a 200 KB template.
#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QImage>

#include <zip.h>

#include <cstdlib>
#include <random>
#include <filesystem>
#include <memory>
#include <string>

#include "display/RangeView.h"
#include "display/ViewProperties.h"
#include "calibration/CalibratorModule.h"
#include "instrument/Device.h"
#include "instrument/EmulatorBackend.h"
#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "instrument/SynthesizerTV30.h"
#include "model/Complex.h"
#include "model/Range.h"
#include "model/RangeSettings.h"
#include "model/RunMode.h"
#include "model/Segment.h"
#include "model/Services.h"
#include "platform/Clock.h"
#include "platform/Paths.h"
#include "platform/UiDispatcher.h"
#include "platform/UsbBackend.h"
#include "platform/ui/Application.h"
#include "platform/ui/Panel.h"
#include "platform/ui/Timer.h"
#include "shell/MainFrm.h"
#include "shell/DocxReport.h"
#include "shell/PngEncoder.h"
#include "traces/MarkerList.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"
#include "traces/MemoryList.h"

namespace {

namespace fs = std::filesystem;

constexpr int kPoints = 16001;

// The main window with the modules it reaches, in demonstration mode with the sweep on hold, on
// a private data root.
struct TBusyState {
  TBusyState() {
    std::string pattern = (fs::temp_directory_path() / "tervan-shotbench-XXXXXX").string();
    Root = mkdtemp(pattern.data());
    fs::create_directories(Root / "home");
    fs::create_directories(Root / "config");
    fs::create_directories(Root / "run");
    fs::permissions(Root / "run", fs::perms::owner_all, fs::perm_options::replace);
    setenv("TERVAN_HOME", (Root / "home").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (Root / "config").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (Root / "run").c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ui::Application::ForTests();
    SetRunModeFromText("DemoMode");
    previousDispatcher = platform::UiDispatcher::install(&queue);
    device = std::make_unique<TDevice>();
    services->Device = device.get();
    services->SynthesizerTV30 = &synth30;
    emulator = EmulatorBackend::InstallForDemoMode();
    ScannerModule = new TScannerModule();
    ViewProperties = new TViewProperties();
    CalibratorModule = new TCalibratorModule((Root / "calkit.ini").string());
    services->CalibratorModule = CalibratorModule;
    frm = std::make_unique<TMainFrm>();
    clock.advanceMs(TMainFrm::kDelayCreateMs);
    ui::Timer::Fake::RunDue();
    ScannerModule->TriggerMode = TScannerModule::Hold;
    Configure();
  }
  ~TBusyState() {
    ScannerModule->GetScanner().SetState(TScanner::STOP);
    ScannerModule->GetScanner().Connected = false;
    frm.reset();
    delete CalibratorModule;
    CalibratorModule = nullptr;
    delete ViewProperties;
    ViewProperties = nullptr;
    delete ScannerModule;
    ScannerModule = nullptr;
    platform::UsbBackend::install(nullptr);
    emulator.reset();
    platform::UiDispatcher::install(previousDispatcher);
    std::error_code ec;
    fs::remove_all(Root, ec);
  }

  void Configure() {
    frm->plGraphArea->SetBounds(frm->plGraphArea->Left(), frm->plGraphArea->Top(), 1280, 800);
    frm->SetChannelLayout(5);
    frm->SetChannelCount(4);
    for (int v = 0; v < 4; ++v) {
      TRangeView& view = *frm->GetView(v);
      TRange& range = *view.Range;
      TRangeSettings settings;
      TSegments segments;
      range.GetSettings(settings, segments);
      settings.NPoints = kPoints;
      settings.MinFrequency = 100.0 + v;
      settings.MaxFrequency = 1100.0 + 10 * v;
      range.ApplySettings(segments, settings);
      while (view.Measurements->GetCount() < 4) view.Measurements->AddMeasurement(0, 0);
      for (int i = 0; i < range.GetCount(); ++i) {
        range.SetPointData(0, i, TComplex{0.25 + 1e-5 * i + 0.01 * v, -0.125 + 3e-6 * i});
      }
      for (int t = 0; t < 4; ++t) {
        TMeasurement* trace = view.Measurements->GetMeasurement(t);
        trace->ResizeToChannel();
        trace->Recalculate();
        trace->Markers->AddMarker();
        trace->Memories->StoreData();
      }
    }
    frm->ArrangeViews();
  }


  fs::path Root;
  platform::ManualClock clock;
  platform::ScopedClock scopedClock{clock};
  ui::Timer::Fake fakeTimers;
  platform::ManualUiDispatcher queue;
  platform::UiDispatcher* previousDispatcher = nullptr;
  TScopedServices services;
  TSynthesizerTV30 synth30;
  std::unique_ptr<TDevice> device;
  std::unique_ptr<EmulatorBackend> emulator;
  std::unique_ptr<TMainFrm> frm;
};

TBusyState& State() {
  static TBusyState* state = [] {
    auto* made = new TBusyState();
    static fs::path root = made->Root;
    std::atexit([] {
      std::error_code ec;
      fs::remove_all(root, ec);
    });
    return made;
  }();
  return *state;
}

void BM_CreatePrintImage(benchmark::State& st) {
  TMainFrm& frm = *State().frm;
  for (auto _ : st) benchmark::DoNotOptimize(frm.CreatePrintImage());
}
BENCHMARK(BM_CreatePrintImage)->Unit(benchmark::kMillisecond);

// Our encoder beside Qt's PNG writer (quality 0) on the same picture; "size_ratio" is our
// file's size over Qt's.
void BM_EncodePng(benchmark::State& st) {
  const QImage image = State().frm->CreatePrintImage().convertToFormat(QImage::Format_RGB32);
  size_t ours = 0;
  for (auto _ : st) {
    ours = EncodePng(image.width(), image.height(), reinterpret_cast<const uint32_t*>(image.constBits()),
                     static_cast<size_t>(image.bytesPerLine())).size();
  }
  QByteArray qt;
  QBuffer buffer(&qt);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG", 0);
  st.counters["bytes"] = static_cast<double>(ours);
  st.counters["size_ratio"] = static_cast<double>(ours) / static_cast<double>(qt.size());
}
BENCHMARK(BM_EncodePng)->Unit(benchmark::kMillisecond);

void BM_QtPngWriter(benchmark::State& st) {
  const QImage image = State().frm->CreatePrintImage().convertToFormat(QImage::Format_RGB32);
  for (auto _ : st) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG", 0);
    benchmark::DoNotOptimize(bytes.size());
  }
}
BENCHMARK(BM_QtPngWriter)->Unit(benchmark::kMillisecond);

void BM_SaveScreenShot(benchmark::State& st) {
  TMainFrm& frm = *State().frm;
  for (auto _ : st) {
    const std::string path = frm.SaveScreenShot();
    st.PauseTiming();
    std::error_code ec;
    fs::remove(path, ec);
    st.ResumeTiming();
  }
}
BENCHMARK(BM_SaveScreenShot)->Unit(benchmark::kMillisecond);

// A template of about 200 KB: a long document of varied words with the three placeholders, and
// a picture of its own that does not compress.
std::string ReportTemplate() {
  std::mt19937 rng(200);
  const char* words[] = {"reflection", "cable", "port", "calibration", "frequency", "loss", "marker", "trace",
                         "limit", "sweep", "power", "phase", "impedance", "report", "test", "bench"};
  std::string body = "<w:p><w:r><w:t xml:space=\"preserve\">&lt;Model&gt; &lt;SerialNum&gt;</w:t></w:r></w:p>";
  for (int p = 0; p < 1500; ++p) {
    body += "<w:p><w:r><w:t xml:space=\"preserve\">";
    for (int w = 0; w < 12; ++w) body += std::string(words[rng() % 16]) + " ";
    body += "</w:t></w:r></w:p>";
    if (p == 700) body += "<w:p><w:r><w:t>&lt;Image&gt;</w:t></w:r></w:p>";
  }
  const std::string w = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
  std::string logo(185 * 1024, '\0');
  for (char& c : logo) c = static_cast<char>(rng());
  const std::vector<std::pair<std::string, std::string>> entries = {
      {"[Content_Types].xml",
       "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/"
       "content-types\"><Default Extension=\"rels\" ContentType=\"application/"
       "vnd.openxmlformats-package.relationships+xml\"/><Default Extension=\"xml\" ContentType=\"application/xml\"/>"
       "<Default Extension=\"bin\" ContentType=\"application/octet-stream\"/><Override PartName=\"/word/document.xml\" "
       "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.template.main+xml\"/></Types>"},
      {"_rels/.rels",
       "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/"
       "2006/relationships\"><Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
       "relationships/officeDocument\" Target=\"word/document.xml\"/></Relationships>"},
      {"word/document.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><w:document xmlns:w=\"" + w + "\"><w:body>" +
                                body +
                                "<w:sectPr><w:pgSz w:w=\"11906\" w:h=\"16838\"/><w:pgMar w:left=\"1440\" "
                                "w:right=\"1440\" w:top=\"1440\" w:bottom=\"1440\"/></w:sectPr></w:body></w:document>"},
      {"word/media/logo.bin", logo},
  };
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* out = zip_source_buffer_create(nullptr, 0, 0, &error);
  zip_t* z = zip_open_from_source(out, ZIP_TRUNCATE, &error);
  zip_source_keep(out);
  for (const auto& [name, data] : entries)
    zip_file_add(z, name.c_str(), zip_source_buffer(z, data.data(), data.size(), 0), ZIP_FL_ENC_UTF_8);
  zip_close(z);
  zip_source_open(out);
  zip_source_seek(out, 0, SEEK_END);
  std::string bytes(static_cast<size_t>(zip_source_tell(out)), '\0');
  zip_source_seek(out, 0, SEEK_SET);
  zip_source_read(out, bytes.data(), bytes.size());
  zip_source_close(out);
  zip_source_free(out);
  zip_error_fini(&error);
  return bytes;
}

// The report of the busy picture: encoding the picture and building the package (target:
// under 300 ms together).
void BM_DocxReport(benchmark::State& st) {
  const QImage image = State().frm->CreatePrintImage().convertToFormat(QImage::Format_RGB32);
  const std::string templateBytes = ReportTemplate();
  size_t size = 0;
  for (auto _ : st) {
    TDocxReport report;
    report.Model = " TERVAN K30";
    report.SerialNumber = "1234";
    report.Png = EncodePng(image.width(), image.height(), reinterpret_cast<const uint32_t*>(image.constBits()),
                           static_cast<size_t>(image.bytesPerLine()));
    report.ImageWidth = image.width();
    report.ImageHeight = image.height();
    size = report.Build(&templateBytes).size();
  }
  st.counters["template_kb"] = static_cast<double>(templateBytes.size()) / 1024.0;
  st.counters["report_kb"] = static_cast<double>(size) / 1024.0;
}
BENCHMARK(BM_DocxReport)->Unit(benchmark::kMillisecond);

}  // namespace
