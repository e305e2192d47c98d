#pragma once
// Shared steps of the SCPI node tests: send a line, check its reply and the error it left.
#include <gtest/gtest.h>

#include <string>

#include "automation/AutomationCore.h"
#include "automation/ScpiTestClient.h"

namespace scpisteps {

inline const std::string kNone = "0,\"No error\"";

// Sends a line and checks its reply (when given) and the error it left (kNone: none).
inline void Step(automation::ScpiTestClient& c, const std::string& line, const std::string& reply,
                 const std::string& error = kNone) {
  SCOPED_TRACE(line);
  if (!reply.empty()) {
    EXPECT_EQ(c.Query(line), reply);
  } else {
    EXPECT_TRUE(c.Command(line));
  }
  EXPECT_EQ(c.Query("SYST:ERR?"), error);
}

// The error a line leaves, the queue emptied after it.
inline std::string ErrorOf(automation::ScpiTestClient& c, const std::string& line) {
  c.Command(line);
  return c.Query("SYST:ERR?").value_or("(no reply)");
}

// The node at a path of child getters from the root, each with its index arguments.
struct PathStep {
  const char* Getter;
  std::vector<automation::Variant> Args = {};
};
inline automation::Node NodeAt(std::initializer_list<PathStep> path) {
  using namespace automation;
  Node node = child(createApplication(), "SCPI").Value.asNode();
  for (const PathStep& s : path) {
    CallResult r = child(node, s.Getter, s.Args);
    EXPECT_TRUE(r.Outcome.Ok()) << s.Getter << ": " << r.Outcome.Description;
    if (!r.Outcome.Ok()) return nullptr;
    node = r.Value.asNode();
  }
  return node;
}

}  // namespace scpisteps
