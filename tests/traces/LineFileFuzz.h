#pragma once
// The hostile-file harness of the limit and ripple line files: a folder for the files, the
// damaged inputs made from a good file, and the load of each input into a fresh line.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/TestEnv.h"
#include "model/EAbort.h"
#include "platform/AtomicFile.h"
#include "traces/LineTrace.h"

namespace linetest {

inline std::string Folder() { return testenv::Root().string() + "/"; }

// Every prefix of a good file, cut at steps of step bytes.
inline void AddPrefixes(std::vector<std::string>& inputs, const std::string& good, size_t step) {
  for (size_t cut = 0; cut < good.size(); cut += step) inputs.push_back(good.substr(0, cut));
}

// len bytes from the linear congruential sequence s (advanced as they are taken).
inline std::string RandomBytes(uint32_t& s, size_t len) {
  std::string bytes;
  for (size_t i = 0; i < len; ++i) {
    s = s * 1664525u + 1013904223u;
    bytes.push_back(static_cast<char>(s >> 24));
  }
  return bytes;
}

// Writes each input as the file at path and loads it into a fresh line reading trace: the load
// either raises EAbort or leaves a line that check accepts, and that line can then be tested.
template <class Line>
void LoadEach(const std::vector<std::string>& inputs, const std::string& path, ILineTrace& trace,
              const std::function<void(const Line&)>& check) {
  for (const std::string& bytes : inputs) {
    ASSERT_TRUE(platform::AtomicFile::write(path, bytes));
    Line line(nullptr);
    line.SetTraceLink(&trace);
    try {
      line.LoadFile(path);
    } catch (const EAbort&) {
      continue;
    }
    check(line);
    line.Test();
  }
}

}  // namespace linetest
