// A user calibration of 16001 points with its stimulus extension (one segment): about 2.2 MB.
// SaveToFile includes the atomic write (temporary file, flush, rename) and LoadFromFile the
// size check and the whole read; both should stay under 20 ms. WriteToStream and
// ReadFromStream alone show what the form costs without the file.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "calibration/Calibr.h"

namespace {

const std::filesystem::path& Folder() {
  static const std::filesystem::path folder = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "tervan-bench-cal-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    std::atexit([] { std::filesystem::remove_all(Folder()); });
    return std::filesystem::path(pattern);
  }();
  return folder;
}

void Fill(TCalibr& cal) {
  constexpr int n = 16001;
  std::vector<double> f(n);
  for (int i = 0; i < n; ++i) f[static_cast<size_t>(i)] = 85.0 + i * 0.33;
  cal.Terms = new TCalRange(cmF1, cmRT, f);
  for (int i = 0; i < n; ++i) {
    TCalPoint* p = cal.Terms->GetPoint(i);
    for (int port = 0; port < 2; ++port) {
      p->A[port] = TComplex{0.9 + i * 1e-6, -0.1};
      p->B[port] = TComplex{0.01, 0.02 * port};
      p->C[port] = TComplex{-0.05, i * 1e-7};
      p->D[port] = TComplex{0.8, 0.3};
    }
  }
  cal.Method[0] = cmF1;
  cal.Method[1] = cmRT;
  cal.Settings.NPoints = n;
  cal.Settings.MinFrequency = f.front();
  cal.Settings.MaxFrequency = f.back();
  cal.Segments = {TSegment{}};
  cal.DataTime = "2026-12-10 12:00:00";
  cal.KitLabel = "Kit";
}

void BM_WriteToStream(benchmark::State& state) {
  TCalibr cal;
  Fill(cal);
  std::vector<uint8_t> form;
  for (auto _ : state) {
    cal.WriteToStream(form);
    benchmark::DoNotOptimize(form.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(form.size()));
}
BENCHMARK(BM_WriteToStream)->Unit(benchmark::kMillisecond);

void BM_ReadFromStream(benchmark::State& state) {
  TCalibr cal;
  Fill(cal);
  std::vector<uint8_t> form;
  cal.WriteToStream(form);
  TCalibr target;
  for (auto _ : state) {
    if (target.ReadFromStream(form).Status != TCalibrationForm::TStatus::Loaded) state.SkipWithError("not loaded");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(form.size()));
}
BENCHMARK(BM_ReadFromStream)->Unit(benchmark::kMillisecond);

void BM_SaveToFile(benchmark::State& state) {
  TCalibr cal;
  Fill(cal);
  const std::string path = (Folder() / "save.cal").string();
  for (auto _ : state) cal.SaveToFile(path);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(std::filesystem::file_size(path)));
}
BENCHMARK(BM_SaveToFile)->Unit(benchmark::kMillisecond);

void BM_LoadFromFile(benchmark::State& state) {
  TCalibr cal;
  Fill(cal);
  const std::string path = (Folder() / "load.cal").string();
  cal.SaveToFile(path);
  TCalibr target;
  for (auto _ : state) {
    if (target.LoadFromFile(path).Status != TCalibrationForm::TStatus::Loaded) state.SkipWithError("not loaded");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(std::filesystem::file_size(path)));
}
BENCHMARK(BM_LoadFromFile)->Unit(benchmark::kMillisecond);

}  // namespace
