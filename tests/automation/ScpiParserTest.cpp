#include <random>
#include <set>
#include <string>

#include "AutomationRig.h"
#include "automation/ScpiParser.h"
#include "automation/ScpiSession.h"
#include "instrument/Device.h"

using namespace automation;

namespace {

class ScpiParser : public AutomationRig {
 protected:
  // The reply of a line and the first error it queued ("" when none).
  std::pair<std::string, std::string> Run(const std::string& line) {
    std::optional<std::string> reply = session.Execute(line);
    std::string error = session.ErrorCount() != 0 ? session.PopError() : "";
    session.ClearErrors();
    return {reply.value_or("<none>"), error};
  }
  std::string Idn() { return ::Device->GetIdentification(); }

  TScpiSession session;
};

TEST_F(ScpiParser, HeadersMatchShortOrLongFormsInAnyCase) {
  struct Case {
    std::string line;
    std::string reply;
    std::string error;
  };
  const std::string idn = Idn();
  const Case cases[] = {
      {"*IDN?", idn, ""},
      {"*idn?", idn, ""},
      {"NAME?", idn, ""},
      {"READ?", "0", ""},
      {"ready?", "0", ""},
      {"TRIG:SEQ:SOUR?", "INT", ""},
      {"trigger:sequence:source?", "INT", ""},
      {":Trig:Seq:Sour?", "INT", ""},
      {"TRIG:SEQ:STAT?", "STOP", ""},
      {"INIT:CONT?", "1", ""},
      {"INIT1:CONT?", "1", ""},
      {"INITIATE1:CONTINUOUS?", "1", ""},
      {"OUTP:STAT?", "1", ""},
      {"*OPC?", "1", ""},
      {"SYST:ERR?", "0,\"No error\"", ""},
      {"SYSTEM:ERROR:NEXT?", "0,\"No error\"", ""},
      // Nothing is implied but INIT alone.
      {"TRIG:SOUR?", "<none>", "-113,\"Undefined header\""},
      {"TRIG:SEQ?", "<none>", "-113,\"Undefined header\""},
      {"TRIG:SEQ:SOURCEX?", "<none>", "-113,\"Undefined header\""},
      {"TRIG:SEQ:SOURC?", "<none>", "-113,\"Undefined header\""},
      {"SENS1?", "<none>", "-113,\"Undefined header\""},
      {"INIT:IMM?", "<none>", "-113,\"Undefined header\""},
      {"TRIG:SEQ:STAT STOP", "<none>", "-113,\"Undefined header\""},
      {"*RST?", "<none>", "-113,\"Undefined header\""},
      {"*IDN", "<none>", "-113,\"Undefined header\""},
      {"*XYZ?", "<none>", "-113,\"Undefined header\""},
      {"SYST:ERR", "<none>", "-113,\"Undefined header\""},
      {"TRIG2:SEQ:SOUR?", "<none>", "-113,\"Undefined header\""},
      // Suffixes: missing means 1, checked as the getter's index.
      {"INIT0:CONT?", "<none>", "201,\"Channel index out of range\""},
      {"INIT2:CONT?", "<none>", "201,\"Channel index out of range\""},
      {"INIT99999999999:CONT?", "<none>", "114,\"Header suffix out of range\""},
      // Syntax.
      {"TRIG::SEQ:SOUR?", "<none>", "-102,\"Syntax error\""},
      {"TRIG:SEQ:SOUR\"?", "<none>", "-102,\"Syntax error\""},
      {"TRIG:SEQ:SOUR \"BUS", "<none>", "-102,\"Syntax error\""},
      {"TRIG:SEQ:SOUR 'BUS'x", "<none>", "-102,\"Syntax error\""},
      {"TRIG-SEQ?", "<none>", "-102,\"Syntax error\""},
      {"?", "<none>", "-102,\"Syntax error\""},
      {std::string("*IDN?\0", 6), "<none>", "-101,\"Invalid character\""},
      {"*IDN?\xff", "<none>", "-101,\"Invalid character\""},
      {"*IDN?\xc0\x80", "<none>", "-101,\"Invalid character\""},
      // Parameters.
      {"TRIG:SEQ:SOUR", "<none>", "-109,\"Missing parameter\""},
      {"TRIG:SEQ:SOUR BUS,INT", "<none>", "-108,\"Parameter not allowed\""},
      {"*RST 1", "<none>", "-108,\"Parameter not allowed\""},
      {"OUTP:STAT ,", "<none>", "-109,\"Missing parameter\""},
      {"OUTP:STAT nan", "<none>", "-104,\"Data type error\""},
      {"OUTP:STAT inf", "<none>", "-104,\"Data type error\""},
      {"OUTP:STAT 1e400", "<none>", "-104,\"Data type error\""},
      {"OUTP:STAT 0x1", "<none>", "-104,\"Data type error\""},
      {"OUTP:STAT 'ON'", "<none>", "-104,\"Data type error\""},
      {"TRIG:SEQ:SOUR BU", "<none>", "205,\"Invalid trigger source specifier\""},
      {"TRIG:SEQ:SOUR \"\"", "<none>", "205,\"Invalid trigger source specifier\""},
  };
  for (const Case& c : cases) {
    auto [reply, error] = Run(c.line);
    EXPECT_EQ(reply, c.reply) << c.line;
    EXPECT_EQ(error, c.error) << c.line;
  }
  // None of the failures changed anything.
  EXPECT_EQ(ScannerModule->TriggerSource, TScannerModule::SourceInternal);
  EXPECT_FALSE(scanner().GetSignalOff());
}

TEST_F(ScpiParser, ParametersBindByTheMembersTypes) {
  struct Case {
    std::string put;
    bool signalOff;
  };
  const Case cases[] = {{"OUTP:STAT OFF", true}, {"OUTP:STAT on", false}, {"OUTP:STAT 0", true},
                        {"OUTP:STAT 2", false},  {"OUTP:STAT 0.0", true}, {"OUTP:STAT -1e-3", false},
                        {"OUTP:STAT 0,0", true}};
  for (const Case& c : cases) {
    session.Execute(c.put);
    if (c.put == "OUTP:STAT 0,0") {
      EXPECT_EQ(session.PopError(), "-108,\"Parameter not allowed\"");
      continue;
    }
    EXPECT_EQ(session.ErrorCount(), 0u) << c.put;
    EXPECT_EQ(scanner().GetSignalOff(), c.signalOff) << c.put;
  }
  // Strings in either quote, the quote doubled inside; character data goes to the parser raw.
  scanner().Connected = true;
  for (const char* put : {"TRIG:SEQ:SOUR \"bus\"", "TRIG:SEQ:SOUR 'Int'", "TRIG:SEQ:SOUR BUSX"}) {
    session.Execute(put);
    EXPECT_EQ(session.ErrorCount(), 0u) << put;
  }
  EXPECT_EQ(ScannerModule->TriggerSource, TScannerModule::SourceBus);
  scanner().Connected = false;
}

TEST_F(ScpiParser, RepliesFormatEachType) {
  struct Case {
    Variant value;
    ValueType type;
    std::string text;
  };
  const Case cases[] = {
      {Variant(true), ValueType::Bool, "1"},
      {Variant(false), ValueType::Bool, "0"},
      {Variant(int32_t{-7}), ValueType::Long, "-7"},
      {Variant(0.1), ValueType::Double, "0.1"},
      {Variant(1e-5), ValueType::Double, "1e-05"},
      {Variant(std::vector<double>{1.5, -2, 3e9}), ValueType::Array, "1.5,-2,3e+09"},
      {Variant("BUS"), ValueType::Keyword, "BUS"},
      {Variant("say \"hi\""), ValueType::Text, "\"say \"\"hi\"\"\""},
      {Variant(), ValueType::Long, "0"},
      {Variant(), ValueType::Bool, "0"},
      {Variant(), ValueType::Text, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatReply(c.value, c.type), c.text);
}

TEST_F(ScpiParser, PathRuleContinuesAtThePreviousNode) {
  scanner().Connected = true;
  EXPECT_EQ(Run("TRIG:SEQ:SOUR BUS;SOUR?").first, "BUS");
  EXPECT_EQ(Run("TRIG:SEQ:SOUR?;*IDN?;SOUR?").first, "BUS;" + Idn() + ";BUS");
  EXPECT_EQ(Run("TRIG:SEQ:SOUR?;:OUTP:STAT?").first, "BUS;1");
  EXPECT_EQ(Run("TRIG:SEQ:SOUR?;STAT?").first, "BUS;STOP");
  auto [reply, error] = Run("TRIG:SEQ:SOUR?;OUTP:STAT?");
  EXPECT_EQ(reply, "BUS");
  EXPECT_EQ(error, "-113,\"Undefined header\"");
  // Each line starts at the root.
  EXPECT_EQ(Run("SOUR?").second, "-113,\"Undefined header\"");
  // Empty commands between separators are nothing.
  EXPECT_EQ(Run(";;*OPC?;;").first, "1");
  scanner().Connected = false;
}

TEST_F(ScpiParser, ErrorQueueKeepsOrderAndOverflows) {
  session.Execute("TRIG:SEQ:SOUR BU");
  session.Execute("FOO?");
  session.Execute("INIT0:CONT?");
  session.PushError(0, "Disk full");
  // The second query names its path from the root: without the ':' it would be SYST:SYST:ERR.
  EXPECT_EQ(session.Execute("SYST:ERR?;:SYST:ERR?").value(),
            "205,\"Invalid trigger source specifier\";-113,\"Undefined header\"");
  EXPECT_EQ(session.PopError(), "201,\"Channel index out of range\"");
  EXPECT_EQ(session.PopError(), "200,\"Execution error;Disk full\"") << "no number reads as 200, not as no error";
  EXPECT_EQ(session.PopError(), "0,\"No error\"");

  for (int i = 0; i < 40; ++i) session.Execute("FOO?");
  EXPECT_EQ(session.ErrorCount(), TScpiSession::kErrorQueueSize);
  for (size_t i = 0; i + 1 < TScpiSession::kErrorQueueSize; ++i) EXPECT_EQ(session.PopError(), "-113,\"Undefined header\"");
  EXPECT_EQ(session.PopError(), "-350,\"Queue overflow\"");
  EXPECT_EQ(session.PopError(), "0,\"No error\"");

  session.Execute("FOO?");
  session.Execute("*CLS");
  EXPECT_EQ(session.PopError(), "0,\"No error\"");
  // Messages with quotes are quoted with the quote doubled.
  session.PushError(222, "a \"b\"");
  EXPECT_EQ(session.PopError(), "222,\"a \"\"b\"\"\"");
}

// Random and mutated lines: no crash, every error one of the known numbers, *IDN? still answered.
TEST_F(ScpiParser, FuzzedLinesNeverBreakTheSession) {
  const std::vector<std::string> seeds = {
      "*IDN?", "TRIG:SEQ:SOUR?", "TRIG:SEQ:SOUR \"INT\"", "INIT1:CONT?", "OUTP:STAT?;:TRIG:SEQ:STAT?",
      "SYST:ERR?", "NAME?;READ?", "TRIG:SEQ:SOUR 'I''NT'", "*OPC?", "INIT:CONT?;CONT?"};
  const std::string alphabet = ":;?*,'\" \t0123456789.eE+-xXINTBUSabc\x01\x7f\xc3\xa9\xff";
  std::mt19937 rng(20261211);
  const std::set<int> known = {0,   -101, -102, -104, -108, -109, -113, -223, -350, 114, 200,
                               201, 202,  203,  205,  211,  213,  220,  222,  224};
  for (int round = 0; round < 4000; ++round) {
    std::string line;
    if (round % 3 == 0) {
      const int n = std::uniform_int_distribution<int>(0, 60)(rng);
      for (int i = 0; i < n; ++i) line += static_cast<char>(std::uniform_int_distribution<int>(0, 255)(rng));
    } else {
      line = seeds[static_cast<size_t>(std::uniform_int_distribution<int>(0, int(seeds.size()) - 1)(rng))];
      const int edits = std::uniform_int_distribution<int>(1, 4)(rng);
      for (int e = 0; e < edits; ++e) {
        const size_t pos = line.empty() ? 0 : std::uniform_int_distribution<size_t>(0, line.size() - 1)(rng);
        const char c = alphabet[std::uniform_int_distribution<size_t>(0, alphabet.size() - 1)(rng)];
        switch (std::uniform_int_distribution<int>(0, 2)(rng)) {
          case 0: line.insert(pos, 1, c); break;
          case 1:
            if (!line.empty()) line[pos] = c;
            break;
          default:
            if (!line.empty()) line.erase(pos, 1);
        }
      }
    }
    if (line.find("RST") != std::string::npos) continue;
    session.Execute(line);
    while (session.ErrorCount() != 0) {
      const std::string entry = session.PopError();
      const int number = std::stoi(entry.substr(0, entry.find(',')));
      EXPECT_TRUE(known.count(number)) << entry << " from " << line;
    }
  }
  EXPECT_EQ(session.Execute("*IDN?").value_or(""), Idn());
}

}  // namespace
