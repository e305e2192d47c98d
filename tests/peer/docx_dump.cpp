// Writes the report of every fixture template into a folder, with the templates and a manifest
// of what each report must hold, for check_docx.py to read with Python's own zip and XML.
#include <filesystem>
#include <fstream>
#include <iostream>

#include "shell/DocxFixtures.h"
#include "shell/DocxReport.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: docx_dump <folder>\n";
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  std::filesystem::create_directories(dir);
  constexpr int kWidth = 640, kHeight = 480;
  TDocxReport report;
  report.Model = " TERVAN K30";
  report.SerialNumber = "1234";
  report.Png = docxfix::PicturePng(kWidth, kHeight);
  report.ImageWidth = kWidth;
  report.ImageHeight = kHeight;
  std::ofstream manifest(dir / "manifest.txt");
  for (const docxfix::Fixture& f : docxfix::Fixtures()) {
    const std::vector<uint8_t> bytes = report.Build(f.HasTemplate ? &f.Template : nullptr);
    std::ofstream(dir / (f.Name + ".docx"), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (f.HasTemplate) std::ofstream(dir / (f.Name + ".dotx"), std::ios::binary) << f.Template;
    manifest << f.Name << ' ' << kWidth << ' ' << kHeight << ' ' << f.HasTemplate << ' ' << f.PlaceholderInBody << ' '
             << f.ImageInTable << ' ' << f.ImageAtEnd << ' ' << f.Header << '\n';
  }
  return manifest ? 0 : 1;
}
