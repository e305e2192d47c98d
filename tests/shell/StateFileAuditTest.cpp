// The bytes of a saved state: UTF-16LE text behind its byte-order mark, the main section first.
#include <gtest/gtest.h>

#include <string>

#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "shell/MainFrmRig.h"

namespace {

class StateFileAudit : public MainFrmRig {};

TEST_F(StateFileAudit, AStateIsUtf16LittleEndianWithAByteOrderMark) {
  Build("DemoMode");
  RunDelayedStart();
  ScannerModule->TriggerMode = TScannerModule::Hold;
  frm->SaveState("bytes");
  std::string bytes;
  ASSERT_TRUE(platform::AtomicFile::read(platform::Paths::dataRoot() + "/State/bytes.cfg", bytes));
  std::string expected("\xff\xfe", 2);
  for (char c : std::string("[Network analyzer]\r\n")) {
    expected += c;
    expected += '\0';
  }
  ASSERT_GE(bytes.size(), expected.size());
  EXPECT_EQ(bytes.substr(0, expected.size()), expected);
  EXPECT_EQ(bytes.size() % 2, 0u);
}

}  // namespace
