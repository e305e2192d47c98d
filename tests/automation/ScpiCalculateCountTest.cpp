// The CALCulate subtree in the node table: every node below ISCPI_CALCulate is one of its
// families' rows, with the number of nodes and members its interfaces declare, each member with
// its handler.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "automation/NodeTable.h"

using namespace automation;

namespace {

bool Below(const NodeRow& row, const std::string& root) {
  for (const NodeRow* r = &row; r != nullptr; r = r->Parent ? FindNode(r->Parent) : nullptr) {
    if (r->Interface == root) return true;
  }
  return false;
}

TEST(ScpiCalculateCount, FortyNineNodesAndAHundredFiftySevenMembers) {
  int nodes = 0;
  int members = 0;
  std::set<std::string> families;
  for (const NodeRow& row : NodeTable()) {
    if (!Below(row, "ISCPI_CALCulate")) continue;
    SCOPED_TRACE(row.Interface);
    EXPECT_FALSE(row.Placeholder);
    families.insert(row.Family);
    ++nodes;
    for (const MemberRow& m : row.Members) {
      ++members;
      switch (m.Kind) {
        case MemberKind::Method: EXPECT_NE(m.Call, nullptr) << m.Name; break;
        case MemberKind::Property: EXPECT_TRUE(m.Get != nullptr || m.Put != nullptr) << m.Name; break;
        case MemberKind::Child: EXPECT_NE(FindNode(m.Child), nullptr) << m.Name; break;
      }
    }
  }
  EXPECT_EQ(nodes, 49);
  EXPECT_EQ(members, 157);
  EXPECT_EQ(families, (std::set<std::string>{"CalculateTrace", "CalculateMarker", "CalculateAnalysis",
                                             "CalculateLimit", "CalculateTimeDomain", "CalculateFixture"}));
  // The limit table's DATA is declared last but holds the first id.
  const NodeRow* limit = FindNode("ISCPI_CALCulate_SELected_LIMit");
  ASSERT_NE(limit, nullptr);
  EXPECT_EQ(MemberId(*limit, *FindMember(*limit, "DATA")), 201);
  EXPECT_EQ(MemberId(*limit, *FindMember(*limit, "FAIL")), 202);
}

}  // namespace
