#include <sys/stat.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "ProgramRig.h"
#include "ScpiTestSteps.h"
#include "calibration/CalKit.h"
#include "calibration/CalKits.h"
#include "calibration/CalKitsModule.h"
#include "common/FileBytes.h"
#include "common/TestEnv.h"
#include "display/RangeView.h"
#include "model/Range.h"
#include "platform/Paths.h"
#include "traces/LimitLine.h"
#include "traces/MeasureList.h"
#include "traces/Measurement.h"
#include "traces/RippleLine.h"

using automation::CallKind;
using automation::ScpiTestClient;
using automation::TScpiServer;
using automation::Variant;
using namespace scpisteps;
namespace fs = std::filesystem;

namespace {

fs::path Root() { return platform::Paths::dataRoot(); }
TMeasurement& Trace() { return *MainFrm->GetActiveView()->GetTraces()->GetActive(); }
TRange& Channel() { return *MainFrm->GetActiveChannel(); }
TCalKit& Kit1() { return *CalKitsModule->GetKits().GetItem(0); }

std::string Bytes(const fs::path& p) { return testenv::ReadBytes(p); }

// The error a line leaves starts with this.
void ExpectError(ScpiTestClient& c, const std::string& line, const std::string& start) {
  const std::string e = ErrorOf(c, line);
  EXPECT_EQ(e.rfind(start, 0), 0u) << line << " gave " << e;
}

using Files = std::map<std::string, std::string>;
Files CalKitFiles() { return fs::exists(Root() / "CalKit") ? testenv::Snapshot(Root() / "CalKit") : Files{}; }

uint32_t BigEndian32(const std::string& b, size_t at) {
  return (uint32_t(uint8_t(b[at])) << 24) | (uint32_t(uint8_t(b[at + 1])) << 16) | (uint32_t(uint8_t(b[at + 2])) << 8) |
         uint32_t(uint8_t(b[at + 3]));
}

class ScpiMmemory : public ProgramRig {};

TEST_F(ScpiMmemory, StoreAndLoadEveryKindWhereItBelongs) {
  RunProgram([&](TScpiServer& server) {
    ScpiTestClient c(server);
    // State: a bare name into "State" with ".cfg"; loading it back restores what was saved.
    Step(c, "MMEM:STOR:STYP cdst;STYP?", "CDST");
    Step(c, "MMEM:STOR:STYP XX;STYP?", "CDST", "205,\"Invalid save type specifier\"");
    // Settings only, so that two saves of the same settings are the same bytes.
    Step(c, "MMEM:STOR:STYP STAT", "");
    Step(c, "MMEM:STOR:STAT \"abc\"", "");
    ASSERT_TRUE(fs::is_regular_file(Root() / "State/abc.cfg"));
    Step(c, "SYST:DTFU FT", "");
    Step(c, "MMEM:LOAD:STAT \"abc\";:SYST:DTFU?", "METR");
    Step(c, "MMEM:STOR:STAT \"abc2.cfg\"", "");
    EXPECT_TRUE(Bytes(Root() / "State/abc2.cfg") == Bytes(Root() / "State/abc.cfg"));

    // Pictures: PNG by the extension in any case, else a bitmap under the name as given.
    const QImage area = MainFrm->CreateGraphImage();
    Step(c, "MMEM:STOR:IMAG \"x.PNG\"", "");
    const std::string png = Bytes(Root() / "Image/x.PNG");
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    EXPECT_EQ(BigEndian32(png, 16), uint32_t(area.width()));
    EXPECT_EQ(BigEndian32(png, 20), uint32_t(area.height()));
    Step(c, "MMEM:STOR:IMAG \"x\"", "");
    EXPECT_EQ(Bytes(Root() / "Image/x").substr(0, 2), "BM");

    // Limit and ripple lines of the active trace, "Limit"; the segment table, "Segment".
    Trace().LimitLine->Clear();
    Trace().LimitLine->InsertSegment(0);
    Trace().LimitLine->InsertSegment(0);
    Trace().RippleLine->Clear();
    Trace().RippleLine->InsertSegment(0);
    Step(c, "MMEM:STOR:LIM \"lim1\";RLIM \"rip1\"", "");
    EXPECT_TRUE(fs::is_regular_file(Root() / "Limit/lim1"));
    EXPECT_TRUE(fs::is_regular_file(Root() / "Limit/rip1"));
    Trace().LimitLine->Clear();
    Trace().RippleLine->Clear();
    Step(c, "MMEM:LOAD:LIM \"lim1\";RLIM \"rip1\"", "");
    EXPECT_EQ(Trace().LimitLine->GetSegmentCount(), 2);
    EXPECT_EQ(Trace().RippleLine->GetSegmentCount(), 1);

    const int segments = Channel().GetSegmentCount();
    ASSERT_TRUE(Channel().InsertSegment(0));
    Step(c, "MMEM:STOR:SEGM \"seg1\"", "");
    EXPECT_TRUE(fs::is_regular_file(Root() / "Segment/seg1"));
    ASSERT_TRUE(Channel().InsertSegment(0));
    Step(c, "MMEM:LOAD:SEGM \"seg1\"", "");
    EXPECT_EQ(Channel().GetSegmentCount(), segments + 1);

    // Trace data and Touchstone files.
    Step(c, "MMEM:STOR:FDAT \"d\"", "");
    EXPECT_TRUE(fs::is_regular_file(Root() / "CSV/d.csv"));
    Step(c, "MMEM:STOR:SNP:TYPE:S1P 2;S1P?", "1", "222,\"Data out of range\"");
    Step(c, "MMEM:STOR:SNP:TYPE:S1P 1;S2P?", "1,1");
    Step(c, "MMEM:STOR:SNP:DATA \"t\"", "");
    EXPECT_EQ(Bytes(Root() / "Touchstone/t.s1p").empty(), false);
    Step(c, "MMEM:STOR:SNP:TYPE:S2P;:MMEM:STOR:SNP:DATA \"t\"", "");
    EXPECT_TRUE(fs::is_regular_file(Root() / "Touchstone/t.s2p"));
    EXPECT_EQ(MainFrm->TouchType, 1);
    Step(c, "MMEM:STOR:SNP:FORM ma;FORM?", "MA");
    Step(c, "MMEM:STOR:SNP:FORM MAX;FORM?", "MA");
    Step(c, "MMEM:STOR:SNP:FORM Db;FORM?", "DB");

    // Kits: the number is checked before any file is touched.
    const int kits = CalKitsModule->GetKits().GetCount();
    const auto calkitBefore = CalKitFiles();
    Step(c, "MMEM:STOR:CKIT 0,\"k\"", "", "114,\"Header suffix out of range\"");
    Step(c, "MMEM:STOR:CKIT " + std::to_string(kits + 1) + ",\"k\"", "", "114,\"Header suffix out of range\"");
    Step(c, "MMEM:LOAD:CKIT 0,\"k\"", "", "114,\"Header suffix out of range\"");
    EXPECT_EQ(CalKitFiles(), calkitBefore);
    const std::string kitName = Kit1().Name;
    Kit1().SetName("Round trip");
    Step(c, "MMEM:STOR:CKIT 1,\"k\"", "");
    ASSERT_TRUE(fs::is_regular_file(Root() / "CalKit/k.dat"));
    Kit1().SetName("Changed");
    Step(c, "MMEM:LOAD:CKIT 1,\"k\"", "");
    EXPECT_EQ(Kit1().Name, "Round trip");
    Kit1().SetName(kitName);

    // The empty members.
    Step(c, "MMEM:STOR:PLOS 1,\"p\";CHAN:STAT \"s\";CLE", "");
    Step(c, "MMEM:LOAD:PLOS 1,\"p\";CHAN:STAT \"s\"", "");
    EXPECT_FALSE(fs::exists(Root() / "p"));
  });
}

TEST_F(ScpiMmemory, MissingFilesFailAndChangeNothing) {
  RunProgram([&](TScpiServer& server) {
    ScpiTestClient c(server);
    Trace().LimitLine->Clear();
    Trace().LimitLine->InsertSegment(0);
    const int segments = Channel().GetSegmentCount();
    const std::string state = MainFrm->StateBytes();
    const char* loads[] = {"MMEM:LOAD:STAT \"nosuch\"", "MMEM:LOAD:LIM \"nosuch\"",  "MMEM:LOAD:RLIM \"nosuch\"",
                           "MMEM:LOAD:SEGM \"nosuch\"", "MMEM:LOAD:CKIT 1,\"nosuch\"", "MMEM:LOAD:CAL \"nosuch\"",
                           "MMEM:COPY \"nosuch\",\"x\"", "MMEM:DEL \"nosuch\""};
    for (const char* line : loads) ExpectError(c, line, "200,");
    EXPECT_EQ(Channel().GetSegmentCount(), segments) << "a mistyped name does not reset the table";
    EXPECT_EQ(Trace().LimitLine->GetSegmentCount(), 1);
    EXPECT_TRUE(MainFrm->StateBytes() == state);
    EXPECT_FALSE(fs::exists(Root() / "x"));
    ExpectError(c, "MMEM:LOAD:SEGM \"nosuch\"", "200,\"File not found: nosuch\"");

    // LOAD:CAL: a bare name reads State/<name>.cal; the reader's refusal names that file.
    testenv::WriteBytes(Root() / "State/c.cal", "not a calibration");
    const std::string e = ErrorOf(c, "MMEM:LOAD:CAL \"c\"");
    EXPECT_EQ(e.rfind("200,", 0), 0u) << e;
    EXPECT_NE(e.find("c.cal"), std::string::npos) << e;
    EXPECT_EQ(Bytes(Root() / "State/c.cal"), "not a calibration") << "the file stays in place";
  });
}

TEST_F(ScpiMmemory, CopyDeleteAndMakeFolder) {
  RunProgram([&](TScpiServer& server) {
    ScpiTestClient c(server);
    testenv::WriteBytes(Root() / "State/src.cfg", "source bytes");
    testenv::WriteBytes(Root() / "dst.cfg", "old");
    Step(c, "MMEM:COPY \"State/src.cfg\",\"dst.cfg\"", "");
    EXPECT_EQ(Bytes(Root() / "dst.cfg"), "source bytes") << "the destination is replaced";
    Step(c, "MMEM:DEL \"dst.cfg\"", "");
    EXPECT_FALSE(fs::exists(Root() / "dst.cfg"));
    ExpectError(c, "MMEM:DEL \"dst.cfg\"", "200,\"File not found: dst.cfg\"");

    Step(c, "MMEM:MDIR \"sub\"", "");
    EXPECT_TRUE(fs::is_directory(Root() / "sub"));
    Step(c, "MMEM:MDIR \"sub\"", "");
    Step(c, "MMEM:MDIR \"State\"", "");
    ExpectError(c, "MMEM:MDIR \"nope/deeper\"", "200,");
    EXPECT_FALSE(fs::exists(Root() / "nope"));
    ExpectError(c, "MMEM:MDIR \"State/src.cfg\"", "200,");

    // A folder where a file is expected, and the reverse.
    ExpectError(c, "MMEM:DEL \"sub\"", "200,");
    ExpectError(c, "MMEM:COPY \"sub\",\"y\"", "200,");
    ExpectError(c, "MMEM:COPY \"State/src.cfg\",\"sub\"", "200,");
    EXPECT_TRUE(fs::is_directory(Root() / "sub"));
    EXPECT_TRUE(fs::is_empty(Root() / "sub"));
    ExpectError(c, "MMEM:COPY \"State/src.cfg\",\"missing/y\"", "200,");
    EXPECT_FALSE(fs::exists(Root() / "missing"));
  });
}

// Each loader given random bytes and a file of another kind: its reader's error, the target as
// it was.
TEST_F(ScpiMmemory, LoadersRefuseForeignAndRandomFiles) {
  RunProgram([&](TScpiServer& server) {
    ScpiTestClient c(server);
    Step(c, "MMEM:STOR:STAT \"good\"", "");
    Step(c, "MMEM:STOR:CKIT 1,\"goodkit\"", "");
    std::mt19937 rng(7);
    std::string random(3000, '\0');
    for (char& b : random) b = static_cast<char>(rng());
    testenv::WriteBytes(Root() / "rand.bin", random);
    const std::string kitFile = (Root() / "CalKit/goodkit.dat").string();

    struct Row {
      std::string line;  // "%" is the file's name below the data root
    };
    const Row rows[] = {{"MMEM:LOAD:STAT \"%\""}, {"MMEM:LOAD:LIM \"%\""},    {"MMEM:LOAD:RLIM \"%\""},
                        {"MMEM:LOAD:SEGM \"%\""}, {"MMEM:LOAD:CKIT 1,\"%\""}, {"MMEM:LOAD:CAL \"%\""}};
    const std::string foreign[] = {"rand.bin", "CalKit/goodkit.dat", "State/good.cfg"};
    for (const Row& r : rows) {
      for (const std::string& file : foreign) {
        std::string line = r.line;
        line.replace(line.find('%'), 1, file);
        // A file of its own kind is no foreign file.
        if ((file == "State/good.cfg" && line.find("STAT") != std::string::npos) ||
            (file == "CalKit/goodkit.dat" && line.find("CKIT") != std::string::npos))
          continue;
        const std::string state = MainFrm->StateBytes();
        const std::string kitBefore = Bytes(kitFile);
        Kit1().WriteFile((Root() / "kit-before.dat").string(), false);
        const std::string e = ErrorOf(c, line);
        EXPECT_NE(e, kNone) << line;
        EXPECT_TRUE(MainFrm->StateBytes() == state) << line;
        Kit1().WriteFile((Root() / "kit-after.dat").string(), false);
        EXPECT_EQ(Bytes(Root() / "kit-after.dat"), Bytes(Root() / "kit-before.dat")) << line;
      }
    }
  });
}

// Every name that could leave the data root is refused before anything is touched; a victim
// outside keeps its bytes and time, and nothing appears outside.
class ScpiMmemoryConfine : public ProgramRig {};

TEST_F(ScpiMmemoryConfine, NamesLeavingTheDataRootAreRefused) {
  RunProgram([&](TScpiServer& server) {
    ScpiTestClient c(server);
    const fs::path outside = testenv::Root() / "outside";
    fs::create_directories(outside);
    const fs::path victim = outside / "victim.cfg";
    testenv::WriteBytes(victim, "victim bytes");
    struct stat before {};
    ASSERT_EQ(::stat(victim.c_str(), &before), 0);
    fs::create_directories(Root() / "State");
    fs::create_directory_symlink(outside, Root() / "out");
    fs::create_symlink(victim, Root() / "State/link.cfg");
    fs::create_symlink(victim, Root() / "link.cfg");
    Step(c, "MMEM:STOR:STAT \"inside\"", "");
    const std::string relVictim = fs::relative(victim, Root()).string();

    const std::vector<std::string> names = {
        victim.string(),
        "/etc/x",
        "../x",
        "../" + relVictim,
        "State/../../x",
        "State/../" + relVictim,
        "C:\\x.cfg",
        "\\\\srv\\x",
        std::string(4096, 'a'),
        "out/victim.cfg",
        "out/new.cfg",
        "missing/x",
        "link.cfg",
        "State/link.cfg",
    };
    const std::vector<std::string> forms = {
        "MMEM:STOR:STAT \"%\"", "MMEM:LOAD:STAT \"%\"", "MMEM:COPY \"State/inside.cfg\",\"%\"",
        "MMEM:COPY \"%\",\"copied.cfg\"", "MMEM:DEL \"%\"", "MMEM:MDIR \"%\""};
    const auto outsideBefore = testenv::Snapshot(outside);
    const auto rootBefore = testenv::Snapshot(Root());
    for (const std::string& form : forms) {
      for (const std::string& name : names) {
        std::string line = form;
        line.replace(line.find('%'), 1, name);
        const std::string e = ErrorOf(c, line);
        EXPECT_EQ(e.rfind("200,", 0), 0u) << line.substr(0, 120) << " gave " << e.substr(0, 200);
      }
    }
    EXPECT_EQ(testenv::Snapshot(outside), outsideBefore);
    EXPECT_EQ(testenv::Snapshot(Root()), rootBefore) << "nothing written, deleted or left behind";
    struct stat after {};
    ASSERT_EQ(::stat(victim.c_str(), &after), 0);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);

    // NUL inside a name, in-process (the SCPI parser refuses it earlier).
    automation::Node store = NodeAt({{"MMEMory"}, {"STORe"}});
    automation::CallResult nul = invoke(store, "STATe", CallKind::Put, {Variant(std::string("a\0b", 3))});
    EXPECT_EQ(nul.Outcome.Code, automation::ResultCodeOf(200));
    EXPECT_EQ(nul.Outcome.Description.rfind("File name not allowed: a?b", 0), 0u) << nul.Outcome.Description;

    // Names with folders lie below the data root; '\' counts as '/'.
    Step(c, "MMEM:MDIR \"sub\"", "");
    Step(c, "MMEM:STOR:STAT \"sub/x\"", "");
    EXPECT_TRUE(fs::is_regular_file(Root() / "sub/x.cfg"));
    Step(c, "MMEM:STOR:STAT \"State\\y\"", "");
    EXPECT_TRUE(fs::is_regular_file(Root() / "State/y.cfg"));
    Step(c, "MMEM:LOAD:STAT \"sub/x\"", "");
    Step(c, "MMEM:COPY \"sub/x.cfg\",\"State\\z.cfg\"", "");
    EXPECT_EQ(Bytes(Root() / "State/z.cfg"), Bytes(Root() / "sub/x.cfg"));
    Step(c, "MMEM:DEL \"State\\z.cfg\"", "");
    EXPECT_FALSE(fs::exists(Root() / "State/z.cfg"));
  });
}

}  // namespace
