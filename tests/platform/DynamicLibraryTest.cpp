#include "platform/DynamicLibrary.h"

#include <gtest/gtest.h>

#include <utility>

TEST(PowerMeterLoaderLibrary, OpensAShippedLibraryAndResolvesASymbol) {
  platform::DynamicLibrary lib;
  ASSERT_TRUE(lib.open("libm.so.6")) << lib.error();
  auto* cosine = reinterpret_cast<double (*)(double)>(lib.symbol("cos"));
  ASSERT_NE(cosine, nullptr);
  EXPECT_DOUBLE_EQ(cosine(0.0), 1.0);
  EXPECT_EQ(lib.symbol("rsnrpz_init"), nullptr);
  EXPECT_NE(lib.error().find("rsnrpz_init"), std::string::npos);
  platform::DynamicLibrary moved = std::move(lib);
  EXPECT_FALSE(lib.isOpen());
  EXPECT_TRUE(moved.isOpen());
}

TEST(PowerMeterLoaderLibrary, MissingFolderAndTextFileFailWithTheLoadersMessage) {
  for (const char* path : {"/nonexistent/libnothing.so", "/tmp", TERVAN_SOURCE_DIR "/CMakeLists.txt"}) {
    platform::DynamicLibrary lib;
    EXPECT_FALSE(lib.open(path)) << path;
    EXPECT_FALSE(lib.error().empty()) << path;
    EXPECT_EQ(lib.symbol("cos"), nullptr);
  }
}
