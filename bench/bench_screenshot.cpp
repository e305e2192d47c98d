// The pictures of a busy 1280 x 800 channel area: four charts of 16,001 points with four
// traces, memories and markers each. Times the print picture, our PNG encoder beside Qt's PNG
// writer on the same picture (with the size ratio of the two files) and a whole screen shot,
// and the report of that picture made from a 200 KB template.
#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QImage>

#include <zip.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "DialogBenchRig.h"
#include "platform/ui/Panel.h"
#include "platform/ui/Timer.h"
#include "shell/DocxReport.h"
#include "shell/MainFrm.h"
#include "shell/PngEncoder.h"

namespace {

using namespace benchrig;

constexpr int kPoints = 16001;

// The main window, in demonstration mode with the sweep on hold, on a private data root: a
// 1280 x 800 channel area of four channels, each with four traces, memories and markers.
struct TBusyState : TProgram {
  TBusyState() : TProgram({"tervan-shotbench", "DemoMode", false}) {
    frm->plGraphArea->SetBounds(frm->plGraphArea->Left(), frm->plGraphArea->Top(), 1280, 800);
    frm->SetChannelLayout(5);
    frm->SetChannelCount(4);
    for (int v = 0; v < 4; ++v) {
      TRangeView& view = *frm->GetView(v);
      SetPoints(*view.Range, kPoints, 100.0 + v, 1100.0 + 10 * v);
      FillView(view, 4, true, 0.01 * v);
    }
    frm->ArrangeViews();
  }
};

TBusyState& State() { return KeptToTheEnd<TBusyState>(); }

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
