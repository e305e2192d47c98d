// A state file of four channels: each channel section holds 52 settings keys and the
// "RangeData" point blob (32 bytes per point as hex, 1 MB of text at 16001 points), about 8 MB
// as UTF-16. One round is what saving a state over an existing one costs: load the file, read
// the four blobs, write them back, UpdateFile (an atomic write, flushed to disk). Run at 1/4,
// 1/2 and the full 16001 points; the complexity report should show O(N).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "model/MemIniFile.h"

namespace {

constexpr int kChannels = 4;
constexpr int kSettingsKeys = 52;
constexpr size_t kRecordBytes = 32;

std::string Section(int ch) { return "Channel" + std::to_string(ch + 1) + "Range"; }

const std::filesystem::path& Folder() {
  static const std::filesystem::path folder = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "tervan-bench-ini-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    std::atexit([] { std::filesystem::remove_all(Folder()); });
    return std::filesystem::path(pattern);
  }();
  return folder;
}

// The state file for a point count, made once.
std::string StateFile(int points) {
  static std::map<int, std::string> made;
  auto it = made.find(points);
  if (it != made.end()) return it->second;
  const std::string path = (Folder() / ("state-" + std::to_string(points) + ".cfg")).string();
  TMemIniFile ini(path);
  std::mt19937 rng(points);
  for (int ch = 0; ch < kChannels; ++ch) {
    for (int k = 0; k < kSettingsKeys; ++k) ini.WriteFloat(Section(ch), "Setting" + std::to_string(k), rng() * 1e-3);
    std::vector<uint8_t> blob(static_cast<size_t>(points) * kRecordBytes);
    for (auto& b : blob) b = static_cast<uint8_t>(rng());
    ini.WriteBinaryStream(Section(ch), "RangeData", blob);
  }
  ini.UpdateFile();
  made.emplace(points, path);
  return path;
}

void BM_StateFileRoundTrip(benchmark::State& state) {
  const int points = static_cast<int>(state.range(0));
  const std::string path = StateFile(points);
  const auto fileBytes = std::filesystem::file_size(path);
  for (auto _ : state) {
    TMemIniFile ini(path);
    std::vector<uint8_t> blobs[kChannels];
    for (int ch = 0; ch < kChannels; ++ch) {
      if (ini.ReadBinaryStream(Section(ch), "RangeData", blobs[ch]) != static_cast<size_t>(points) * kRecordBytes) {
        state.SkipWithError("blob lost");
        return;
      }
    }
    for (int ch = 0; ch < kChannels; ++ch) ini.WriteBinaryStream(Section(ch), "RangeData", blobs[ch]);
    ini.UpdateFile();
  }
  state.SetComplexityN(points);
  state.counters["file_MB"] = static_cast<double>(fileBytes) / 1e6;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(2 * fileBytes));
}
BENCHMARK(BM_StateFileRoundTrip)->Arg(4000)->Arg(8000)->Arg(16001)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

// The parts of a round, to see where the time goes.
void BM_StateFileLoad(benchmark::State& state) {
  const int points = static_cast<int>(state.range(0));
  const std::string path = StateFile(points);
  for (auto _ : state) {
    TMemIniFile ini(path);
    benchmark::DoNotOptimize(ini.SectionExists(Section(0)));
  }
  state.SetComplexityN(points);
}
BENCHMARK(BM_StateFileLoad)->Arg(4000)->Arg(8000)->Arg(16001)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

void BM_StateFileBlobs(benchmark::State& state) {
  const int points = static_cast<int>(state.range(0));
  TMemIniFile ini(StateFile(points));
  for (auto _ : state) {
    for (int ch = 0; ch < kChannels; ++ch) {
      std::vector<uint8_t> blob;
      ini.ReadBinaryStream(Section(ch), "RangeData", blob);
      ini.WriteBinaryStream(Section(ch), "RangeData", blob);
    }
  }
  state.SetComplexityN(points);
}
BENCHMARK(BM_StateFileBlobs)->Arg(4000)->Arg(8000)->Arg(16001)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

void BM_StateFileSave(benchmark::State& state) {
  const int points = static_cast<int>(state.range(0));
  TMemIniFile ini(StateFile(points));
  for (auto _ : state) ini.UpdateFile();
  state.SetComplexityN(points);
}
BENCHMARK(BM_StateFileSave)->Arg(4000)->Arg(8000)->Arg(16001)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

}  // namespace
