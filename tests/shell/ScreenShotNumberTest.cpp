#include "shell/ScreenShotNumber.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace {

std::vector<std::string> Shots(std::initializer_list<int> numbers) {
  std::vector<std::string> names;
  for (int n : numbers)
    names.push_back(ScreenShotName(n));
  return names;
}

}  // namespace

TEST(ScreenShotNumber, NumberingTable) {
  struct Case {
    const char* what;
    std::vector<std::string> names;
    std::optional<int> expected;
  };
  std::vector<std::string> all;
  for (int n = 0; n <= 99998; ++n)
    all.push_back(ScreenShotName(n));
  const Case cases[] = {
      {"none", {}, 0},
      {"3 and 7", Shots({3, 7}), 8},
      {"99998 with 0 free", Shots({99998}), 0},
      {"0, 1 and 99998", Shots({0, 1, 99998}), 2},
      {"99999 present", Shots({99999, 0}), 1},
      {"all used", all, std::nullopt},
      {"letters skipped", {"scrABCDE.png", "scr00004.png"}, 5},
      {"short name skipped", {"scr1.png"}, 0},
      {"capitals counted", {"SCR00002.PNG"}, 3},
      {"other files", {"scr00009.bmp", "xscr00001.png", "scr000010.png", "$temp.png"}, 0},
      {"sign and blank", {"scr-0001.png", "scr 0001.png", "scr+0001.png"}, 0},
      {"not UTF-8", {std::string("scr\xff\xfe\x80\x81\x82.png"), "scr00006.png"}, 7},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ChooseScreenShotNumber(c.names), c.expected) << c.what;
}

TEST(ScreenShotNumber, NamesHaveFiveDigits) {
  EXPECT_EQ(ScreenShotName(0), "scr00000.png");
  EXPECT_EQ(ScreenShotName(42), "scr00042.png");
  EXPECT_EQ(ScreenShotName(99998), "scr99998.png");
}

TEST(ScreenShotNumber, FolderListingCountsRegularFilesOnly) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("tervan-shots-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir / "scr00001.png");
  std::ofstream(dir / "SCR00002.PNG") << "x";
  std::ofstream(dir / "scrABCDE.png") << "x";
  std::ofstream(dir / std::string("scr\xff\xfe\x80\x81\x82.png")) << "x";
  const auto names = RegularFileNames(dir.string());
  EXPECT_EQ(names.size(), 3u);
  EXPECT_EQ(ChooseScreenShotNumber(names), 3);
  EXPECT_TRUE(RegularFileNames((dir / "missing").string()).empty());
  fs::remove_all(dir);
}
