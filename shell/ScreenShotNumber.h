#pragma once
// Numbering of the screen shots "scr00000.png" .. "scr99998.png" in the picture folder.
#include <optional>
#include <string>
#include <vector>

// The number of the next screen shot from the names of the regular files in the picture
// folder: one above the largest number of the names matching "scr?????.png" (letter case
// ignored, the five characters all digits; other names are skipped), 0 when there is none.
// Past 99998 the lowest number in 0..99998 that no file holds is taken, so that no shot is
// overwritten; nullopt when every number is taken.
std::optional<int> ChooseScreenShotNumber(const std::vector<std::string>& names);

// The file name of screen shot number n: "scr" and five digits with leading zeros, ".png".
std::string ScreenShotName(int number);

// The regular files of folder (bare names; folders and other entries left out).
std::vector<std::string> RegularFileNames(const std::string& folder);
