#include <gtest/gtest.h>

#include <string>

#include "automation/NodeTable.h"

using namespace automation;

namespace {

// The SENSe families together: every node and member present, each member with its handler.
TEST(ScpiSenseCount, TheSenseFamiliesHoldTheirNodesAndMembers) {
  int nodes = 0, members = 0;
  for (const NodeRow& row : NodeTable()) {
    const std::string family = row.Family;
    if (family.rfind("SENSe", 0) != 0) continue;
    SCOPED_TRACE(row.Interface);
    EXPECT_EQ(std::string(row.Interface).rfind("ISCPI_SENSe", 0), 0u);
    EXPECT_FALSE(row.Placeholder);
    ++nodes;
    for (const MemberRow& m : row.Members) {
      SCOPED_TRACE(m.Name);
      ++members;
      switch (m.Kind) {
        case MemberKind::Method: EXPECT_NE(m.Call, nullptr); break;
        case MemberKind::Property: EXPECT_TRUE(m.Get != nullptr || m.Put != nullptr); break;
        case MemberKind::Child: EXPECT_NE(FindNode(m.Child), nullptr); break;
      }
    }
  }
  EXPECT_EQ(nodes, 29);
  EXPECT_EQ(members, 104);
}

}  // namespace
