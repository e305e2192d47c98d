#pragma once
// Shared by the SENSe node tests: the program in demonstration mode, a line-by-line step that
// checks a reply and the error it left, and numbers read from replies.
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "ProgramRig.h"
#include "display/RangeView.h"
#include "model/NumberText.h"
#include "model/Range.h"

namespace sensetest {

inline const std::string kNone = "0,\"No error\"";

inline TRange& Ch(int i) { return *MainFrm->GetView(i)->GetRange(); }

// Four channels shown (a layout of four first).
inline void FourChannels() {
  MainFrm->SetChannelLayout(5);
  MainFrm->SetChannelCount(4);
}

// A line, the reply it must give (empty: a command or a failing query, nothing to read; kEmpty:
// an empty reply line) and the error it leaves.
struct Row {
  std::string Line, Reply, Error;
};

// A reply line that is empty (a query that answers without a value).
inline const std::string kEmpty = "<empty>";

inline void Step(automation::ScpiTestClient& c, const Row& r) {
  SCOPED_TRACE(r.Line);
  if (r.Reply == kEmpty) {
    EXPECT_EQ(c.Query(r.Line).value_or("<no reply>"), "");
  } else if (!r.Reply.empty()) {
    EXPECT_EQ(c.Query(r.Line).value_or("<no reply>"), r.Reply);
  } else {
    EXPECT_TRUE(c.Command(r.Line));
  }
  EXPECT_EQ(c.Query("SYST:ERR?").value_or("<no reply>"), r.Error);
}

inline void Steps(automation::ScpiTestClient& c, const std::vector<Row>& rows) {
  for (const Row& r : rows) Step(c, r);
}

// The comma-separated numbers of a reply.
inline std::vector<double> Numbers(const std::optional<std::string>& reply) {
  std::vector<double> out;
  if (!reply || reply->empty()) return out;
  size_t at = 0;
  while (true) {
    const size_t comma = reply->find(',', at);
    out.push_back(StrToFloatAnySeparator(reply->substr(at, comma == std::string::npos ? std::string::npos : comma - at)));
    if (comma == std::string::npos) break;
    at = comma + 1;
  }
  return out;
}

inline double Number(automation::ScpiTestClient& c, const std::string& query) {
  const std::vector<double> v = Numbers(c.Query(query));
  EXPECT_EQ(v.size(), 1u) << query;
  return v.empty() ? std::numeric_limits<double>::quiet_NaN() : v[0];
}

// Joins numbers as an SCPI parameter list.
inline std::string Join(const std::vector<double>& v) {
  std::string out;
  for (size_t i = 0; i < v.size(); ++i) {
    if (i != 0) out += ',';
    out += FloatToText(v[i]);
  }
  return out;
}

}  // namespace sensetest

#include "instrument/DemoPort.h"
#include "instrument/EmulatorBackend.h"
#include "platform/UsbBackend.h"

namespace sensetest {

inline EmulatorBackend* Emulator() { return dynamic_cast<EmulatorBackend*>(&platform::UsbBackend::get()); }

// The stimulus of a quick, quiet calibration: no sleeping in the emulator, 10 Hz IF bandwidth
// (its noise is far below the checks), 21 points from 100 to 1100 MHz, the ideal 50-ohm kit.
inline void QuietCalibrationStimulus(automation::ScpiTestClient& c) {
  ASSERT_NE(Emulator(), nullptr);
  Emulator()->SetSleeper([](int) {});
  Steps(c, {{"INIT:CONT OFF;:SENS:BAND:RES 10;:SENS:SWE:POIN 21;:SENS:FREQ:STAR 1e8;STOP 1.1e9", "", kNone},
            {"SENS:CORR:COLL:CKIT:SEL 1", "", kNone}});
}

// A full one-port calibration through the collection nodes; each sweep's wait box runs
// unattended.
inline void CalibrateOnePort(automation::ScpiTestClient& c, ui::TestDriver& driver) {
  Steps(c, {{"SENS:CORR:COLL:METH:SOLT1 1", "", kNone}});
  for (const char* standard : {"OPEN", "SHOR", "LOAD"}) {
    driver.OnNextModal([](ui::Form&) {});
    Steps(c, {{std::string("SENS:CORR:COLL:ACQ:") + standard + " 1", "", kNone}});
  }
  Steps(c, {{"SENS:CORR:COLL:SAVE", "", kNone}});
}

}  // namespace sensetest
