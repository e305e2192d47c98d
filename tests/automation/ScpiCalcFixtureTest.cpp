// The fixture simulator nodes of a channel, driven through SCPI in the running program: the
// impedance conversion, and networks loaded from files a client names inside the data root.
#include <filesystem>
#include <fstream>
#include <string>

#include "CalcRig.h"
#include "platform/Paths.h"

using automation::ScpiTestClient;
using automation::TScpiServer;

namespace {

namespace fs = std::filesystem;

class ScpiFixtureNodes : public CalcRig {};

// A two-port network of three points over the sweep, S parameters in real and imaginary form.
void WriteNetwork(const fs::path& path) {
  std::ofstream f(path);
  f << "! fixture\n# MHz S RI R 50\n";
  for (double mhz : {50.0, 600.0, 1500.0}) {
    f << mhz << " 0.1 0.01 0.9 -0.1 0.9 -0.1 0.05 0.02\n";
  }
}

TEST_F(ScpiFixtureNodes, NetworksLoadFromTheDataRootOnly) {
  RunProgram([&](TScpiServer& server) {
    ScpiTestClient c(server);
    Hold(c);
    TRange& range = *View().Range;
    const std::string prefix = "CALC:FSIM:SEND:";
    struct Row {
      std::string line, reply, error;
    };
    const Row rows[] = {
        {"ZCON:PORT1:Z0:R 0;R?", "0.001", kNone},
        {"ZCON:PORT1:Z0:R 1e6;R?", "10000", kNone},
        {"ZCON:PORT2:Z0:R 75;R?", "75", kNone},
        {"ZCON:PORT1:Z0:R?", "10000", kNone},
        {"ZCON:PORT3:Z0:R?", "", "114,\"Header suffix out of range\""},
        {"PMC:PORT0:STAT?", "", "114,\"Header suffix out of range\""},
        {"DEEM:PORT3:USER:FIL?", "", "114,\"Header suffix out of range\""},
        {"ZCON:STAT ON;STAT?", "1", kNone},
        {"ZCON:STAT OFF;STAT?", "0", kNone},
        // No network: the branch stays off.
        {"DEEM:PORT1:STAT 1;STAT?", "0", kNone},
        {"PMC:PORT2:STAT 1;STAT?", "0", kNone},
        // Before any load a missing file changes nothing.
        {"PMC:PORT1:USER:FIL \"missing\";FIL?", "\"\"", kNone},
    };
    for (const Row& r : rows) Step(c, prefix + r.line, r.reply, r.error);

    const fs::path folder = platform::Paths::folder("FixtureSim");
    WriteNetwork(folder / "fixture.s2p");
    Step(c, prefix + "PMC:PORT1:USER:FIL \"fixture\";FIL?", "\"fixture\"");
    EXPECT_TRUE(range.EmbNetwork[0].HoldsData());
    EXPECT_FALSE(range.EmbNetwork[1].HoldsData());
    Step(c, prefix + "PMC:PORT1:STAT ON;STAT?", "1");
    fs::create_directories(folder / "sub");
    WriteNetwork(folder / "sub" / "deep.s2p");
    Step(c, prefix + "DEEM:PORT2:USER:FIL \"FixtureSim/sub/deep\";FIL?;:CALC:FSIM:SEND:DEEM:PORT2:STAT ON;STAT?",
         "\"FixtureSim/sub/deep\";1");

    // Names that would leave the data root are refused; the loaded network stays.
    const fs::path outside = fs::path(platform::Paths::dataRoot()).parent_path() / "outside.s2p";
    WriteNetwork(outside);
    fs::create_symlink(outside, folder / "link.s2p");
    const std::string tooLong(4096, 'a');
    for (const std::string& name : {std::string("../outside"), outside.string(), std::string("C:fixture"),
                                    std::string("link"), std::string("..\\\\outside"), tooLong}) {
      Step(c, prefix + "PMC:PORT1:USER:FIL \"" + name + "\"", "", "200,\"File name not allowed: " + name + "\"");
    }
    Step(c, prefix + "PMC:PORT1:USER:FIL?;:CALC:FSIM:SEND:PMC:PORT1:STAT?", "\"fixture\";1");
    // A folder in the file's place is refused without a change.
    fs::create_directories(folder / "folder.s2p");
    EXPECT_TRUE(c.Command(prefix + "PMC:PORT1:USER:FIL \"folder\""));
    EXPECT_EQ(c.Query("SYST:ERR?").value_or("").rfind("200,", 0), 0u);
    Step(c, prefix + "PMC:PORT1:USER:FIL?", "\"fixture\"");
    // Random bytes: no network, the branch off, the name cleared.
    {
      std::ofstream junk(folder / "junk.s2p", std::ios::binary);
      for (int i = 0; i < 4096; ++i) junk.put(static_cast<char>((i * 7919 + 13) % 256));
    }
    Step(c, prefix + "PMC:PORT1:USER:FIL \"junk\";FIL?;:CALC:FSIM:SEND:PMC:PORT1:STAT?", "\"\";0");
    EXPECT_FALSE(range.EmbNetwork[0].HoldsData());
    // A missing file after a load unloads the network.
    Step(c, prefix + "DEEM:PORT2:USER:FIL \"gone\";FIL?;:CALC:FSIM:SEND:DEEM:PORT2:STAT?", "\"\";0");

    // The node's channel, never the active one.
    MainFrm->SetChannelLayout(1);
    MainFrm->SetChannelCount(2);
    ASSERT_NE(MainFrm->GetView(1), nullptr);
    MainFrm->SetActiveView(0);
    Step(c, "CALC2:FSIM:SEND:ZCON:STAT ON;:CALC2:FSIM:SEND:ZCON:PORT1:Z0:R 20", "");
    EXPECT_TRUE(View(1).Range->ZConvEnabled);
    EXPECT_EQ(View(1).Range->ZConvValue[0], 20);
    EXPECT_FALSE(range.ZConvEnabled);
    EXPECT_EQ(range.ZConvValue[0], 10000);
    fs::remove(outside);
  });
}

}  // namespace
