#include <QPrinter>

#include <filesystem>
#include <memory>
#include <string>

#include "AutomationRig.h"
#include "ProgramRig.h"
#include "ScpiTestSteps.h"
#include "common/FileBytes.h"
#include "display/RangeView.h"
#include "instrument/SynthesizerTV.h"
#include "traces/MeasureList.h"

using automation::CallKind;
using automation::CallResult;
using automation::ScpiTestClient;
using automation::TScpiServer;
using automation::Variant;
using namespace scpisteps;

namespace {

class ScpiService : public ProgramRig {};

TEST_F(ScpiService, ChannelTraceAndCapacityAnswers) {
  RunProgram([&](TScpiServer& server) {
    ScpiTestClient c(server);
    MainFrm->SetChannelLayout(1);
    MainFrm->SetChannelCount(2);
    MainFrm->SetActiveView(1);
    // The active channel's number, whatever channel the node holds.
    Step(c, "SERV:CHAN2:ACT?", "2");
    Step(c, "SERV:CHAN1:ACT?;COUN?", "2;4");
    Step(c, "SERV:CHAN5:ACT?", "", "114,\"Header suffix out of range\"");
    Step(c, "SERV:CHAN0:ACT?", "", "114,\"Header suffix out of range\"");
    MainFrm->SetActiveView(0);

    // The node's channel's active trace.
    TMeasureList* traces = MainFrm->GetView(1)->GetTraces();
    traces->AddMeasurement(0, 0);
    traces->SetActive(1);
    Step(c, "SERV:CHAN2:TRAC:ACT?;COUN?", "2;4");
    Step(c, "SERV:CHAN1:TRAC:ACT?", "1");

    Step(c, "SERV:PORT:COUN?", "1");
    Step(c, "SERV:SWE:POIN?", "16001");
    // The program's model (row 4) with its default synthesizer settings.
    Step(c, "SERV:SWE:FREQ:MAX?", "1.4e+10");
    Step(c, "SERV:SWE:FREQ:MIN?", "8.5e+07");
  });
}

// The smaller model (row 3): its own synthesizer plan gives the upper limit.
class ScpiServiceRow3 : public AutomationRig {};

TEST_F(ScpiServiceRow3, FrequencyLimitsFollowTheModel) {
  TSynthesizerTV synth;
  services->SynthesizerTV = &synth;
  automation::Node freq = NodeAt({{"SERVice"}, {"SWEep"}, {"FREQuency"}});
  device = std::make_unique<TDevice>(3);
  services->Device = device.get();
  ::Device = device.get();
  CallResult max = invoke(freq, "MAXimum", CallKind::Get);
  ASSERT_TRUE(max.Outcome.Ok()) << max.Outcome.Description;
  EXPECT_DOUBLE_EQ(max.Value.asDouble(), 5.4e9);
  EXPECT_DOUBLE_EQ(invoke(freq, "MINimum", CallKind::Get).Value.asDouble(), 8.5e7);
}

class ScpiStatus : public ProgramRig {};

TEST_F(ScpiStatus, RegistersAnswerNothingAndTheLimitNodesAreNotMade) {
  RunProgram([&](TScpiServer& server) {
    ScpiTestClient c(server);
    Step(c, "STAT:PRES", "");
    for (const char* reg : {"OPER", "QUES"}) {
      const std::string base = std::string("STAT:") + reg + ":";
      Step(c, base + "COND?", "0");
      Step(c, base + "EVEN?", "0");
      Step(c, base + "ENAB 5;ENAB?", "0");
      Step(c, base + "NTR 1;NTR?", "0");
      Step(c, base + "PTR 1;PTR?", "0");
    }
    // Over SCPI the limit status headers do not exist.
    Step(c, "STAT:QUES:LIM?", "", "-113,\"Undefined header\"");
    Step(c, "STAT:QUES:RLIM", "", "-113,\"Undefined header\"");
    Step(c, "STAT:QUES:LIM:COND?", "", "-113,\"Undefined header\"");

    // In-process: a register get succeeds with nothing; the limit getters fail with 200.
    automation::Node ques = NodeAt({{"STATus"}, {"QUEStionable"}});
    CallResult cond = invoke(ques, "CONDition", CallKind::Get);
    EXPECT_TRUE(cond.Outcome.Ok());
    EXPECT_TRUE(cond.Value.isEmpty());
    for (const char* name : {"LIMit", "RLIMit"}) {
      CallResult lim = invoke(ques, name, CallKind::Get);
      EXPECT_EQ(lim.Outcome.Code, automation::ResultCodeOf(200)) << name;
      EXPECT_TRUE(lim.Value.isEmpty()) << "no node is made";
    }
  });
}

class ScpiHardcopy : public ProgramRig {
 protected:
  void TearDown() override {
    TMainFrm::PrinterHook = nullptr;
    ProgramRig::TearDown();
  }
};

TEST_F(ScpiHardcopy, PrintSettingsAndPrinting) {
  const std::filesystem::path pdf = testenv::Root() / "print.pdf";
  RunProgram([&](TScpiServer& server) {
    ScpiTestClient c(server);
    Step(c, "HCOP:PAIN gray;PAIN?", "GRAY");
    Step(c, "HCOP:PAIN G;PAIN?", "GRAY");
    Step(c, "HCOP:PAIN bwx;PAIN?", "BW");
    Step(c, "HCOP:PAIN COLOUR;PAIN?", "COL");
    Step(c, "HCOP:IMAG norm;IMAG?", "NORM");
    Step(c, "HCOP:IMAG xx;IMAG?", "NORM");
    Step(c, "HCOP:IMAG INVERTED;IMAG?", "INV");
    Step(c, "HCOP:DATE:STAM OFF;STAM?", "0");
    EXPECT_FALSE(MainFrm->PrintTime);
    Step(c, "HCOP:DATE:STAM ON;STAM?", "1");
    Step(c, "HCOP:ABOR", "");

    // Printing through a PDF printer: one page.
    TMainFrm::PrinterHook = [pdf] {
      auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
      printer->setOutputFormat(QPrinter::PdfFormat);
      printer->setOutputFileName(QString::fromStdString(pdf.string()));
      return printer;
    };
    Step(c, "HCOP:IMM", "");
    const std::string bytes = testenv::ReadBytes(pdf);
    ASSERT_EQ(bytes.rfind("%PDF", 0), 0u);
    size_t pages = 0;
    for (size_t at = bytes.find("/Type /Page"); at != std::string::npos; at = bytes.find("/Type /Page", at + 1)) {
      if (bytes.compare(at, 12, "/Type /Pages") != 0) ++pages;
    }
    EXPECT_EQ(pages, 1u);

    // Without a printer: 200 with the reason.
    TMainFrm::PrinterHook = [] { return std::unique_ptr<QPrinter>(); };
    Step(c, "HCOP:IMM", "", "200,\"Execution error;No printer is installed\"");
  });
}

}  // namespace
