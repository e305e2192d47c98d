// Changing the channel count under a running sweep: the sweep stops for the scan-list rebuild
// and starts again from entry 0, while hold stays hold. The bus trigger source is used so that
// a restart shows as the scanner waiting for its trigger, without any link traffic.
#include <gtest/gtest.h>

#include "instrument/Scanner.h"
#include "instrument/ScannerModule.h"
#include "shell/MainFrmRig.h"

namespace {

class ChannelLayoutAudit : public MainFrmRig {};

TEST_F(ChannelLayoutAudit, ARunningSweepStartsAgainAfterTheCountChanges) {
  Build("DemoMode");
  RunDelayedStart();
  scanner().Connected = true;  // the emulator's link is open; its answers are not awaited
  scanner().SetStandby(false);
  ASSERT_FALSE(scanner().GetStandby());
  ScannerModule->TriggerSource = TScannerModule::SourceBus;
  frm->SetChannelLayout(5);
  struct Case {
    int mode;
    int count;
    int state;  // the scanner's state afterwards
  };
  const Case cases[] = {
      {TScannerModule::Continuous, 4, TScanner::WAIT},
      {TScannerModule::Single, 2, TScanner::WAIT},
      {TScannerModule::Hold, 3, TScanner::STOP},
      {TScannerModule::Continuous, 1, TScanner::WAIT},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    ScannerModule->TriggerMode = c.mode;
    scanner().SetState(TScanner::STOP);
    frm->SetChannelCount(c.count);
    EXPECT_EQ(frm->ChannelCount, c.count);
    EXPECT_EQ(static_cast<int>(scanner().ScanList.size()), c.count) << "one scan entry per channel in use";
    EXPECT_EQ(scanner().GetState(), c.state);
    EXPECT_EQ(ScannerModule->TriggerMode, c.mode);
  }
}

}  // namespace
