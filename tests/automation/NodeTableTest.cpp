#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "automation/NodeTable.h"

using namespace automation;

namespace {

std::string Upper(std::string s) {
  for (char& c : s) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return s;
}

std::string LongForm(const char* name) {
  std::string s = Upper(name);
  if (!s.empty() && s.back() == '_') s.pop_back();
  return s;
}

// Nodes, members and child getters of each family, as their interface tables list them. A new
// family adds its line.
struct Counts {
  int Nodes = 0;
  int Members = 0;
  int Getters = 0;
  bool operator==(const Counts&) const = default;
};
const std::map<std::string, Counts> kExpected = {
    {"Application", {1, 4, 1}},
    {"Root", {6, 27, 14}},
    {"CalculateTrace", {13, 42, 20}},
    {"CalculateMarker", {5, 28, 4}},
    {"CalculateAnalysis", {5, 20, 3}},
    {"CalculateLimit", {7, 22, 5}},
    {"CalculateTimeDomain", {8, 29, 6}},
    {"CalculateFixture", {11, 16, 10}},
    // The top-level nodes whose families are still to come: a family that arrives takes its
    // node's row over, and this count drops by one.
    {"SENSe", {9, 24, 9}},
    {"SENSe:CORRection", {8, 21, 9}},
    {"SENSe:CORRection:COLLect", {6, 26, 6}},
    {"SENSe:CORRection:COLLect:CKIT", {3, 23, 2}},
    {"SENSe:CORRection:COEFficient", {3, 10, 2}},
    {"SYSTem", {6, 28, 5}},
    {"SERVice", {6, 13, 5}},
    {"STATus", {3, 15, 2}},
    {"HCOPy", {2, 6, 1}},
    {"MMEMory", {7, 32, 6}},
    {"SOURce", {8, 17, 7}},
    {"Display", {4, 14, 4}},
    {"DisplayWindow", {16, 31, 15}},
};

TEST(NodeTable, EveryMemberHasItsHandlerAndEveryNodeItsGetter) {
  for (const NodeRow& row : NodeTable()) {
    SCOPED_TRACE(row.Interface);
    for (const MemberRow& m : row.Members) {
      SCOPED_TRACE(m.Name);
      switch (m.Kind) {
        case MemberKind::Method: EXPECT_NE(m.Call, nullptr); break;
        case MemberKind::Property:
          EXPECT_TRUE(m.Get != nullptr || m.Put != nullptr);
          EXPECT_NE(m.Type, ValueType::None);
          break;
        case MemberKind::Child: {
          ASSERT_NE(m.Child, nullptr);
          const NodeRow* c = FindNode(m.Child);
          ASSERT_NE(c, nullptr) << "the node it makes has a row";
          EXPECT_STREQ(c->Parent, row.Interface);
          EXPECT_STREQ(c->Getter, m.Name);
          break;
        }
      }
    }
    if (row.Parent != nullptr) {
      const NodeRow* parent = FindNode(row.Parent);
      ASSERT_NE(parent, nullptr);
      const MemberRow* getter = FindMember(*parent, row.Getter);
      ASSERT_NE(getter, nullptr) << "its parent has the getter";
      EXPECT_EQ(getter->Kind, MemberKind::Child);
    } else {
      EXPECT_EQ(row.Index, IndexKind::None);
    }
  }
}

TEST(NodeTable, NoTwoMembersOfANodeShareAFormOrAnId) {
  std::set<std::string> interfaces;
  for (const NodeRow& row : NodeTable()) {
    SCOPED_TRACE(row.Interface);
    EXPECT_TRUE(interfaces.insert(row.Interface).second) << "one row per interface";
    std::map<std::string, const char*> forms;
    std::set<int> ids;
    for (const MemberRow& m : row.Members) {
      for (const std::string& form : {ShortForm(m.Name), LongForm(m.Name)}) {
        // A child getter may share a form with one other member: the binder tells them apart by
        // whether more path follows (SWEep:POINt and SWEep:POINts).
        const std::string key = form + (m.Kind == MemberKind::Child ? "/child" : "");
        auto [it, fresh] = forms.emplace(key, m.Name);
        EXPECT_TRUE(fresh || std::string(it->second) == m.Name) << form << " of " << m.Name << " and " << it->second;
      }
      const int id = MemberId(row, m);
      EXPECT_GE(id, 201);
      EXPECT_TRUE(ids.insert(id).second) << m.Name;
    }
  }
  // Ids follow the declaration order from 201.
  const NodeRow* seq = FindNode("ISCPI_TRIGger_SEQuence");
  ASSERT_NE(seq, nullptr);
  EXPECT_EQ(MemberId(*seq, *FindMember(*seq, "SOURce")), 201);
  EXPECT_EQ(MemberId(*seq, *FindMember(*seq, "STATe")), 204);
}

TEST(NodeTable, EachFamilyHasTheNodesAndMembersOfItsInterfaces) {
  std::map<std::string, Counts> counts;
  for (const NodeRow& row : NodeTable()) {
    Counts& c = counts[row.Family];
    ++c.Nodes;
    c.Members += static_cast<int>(row.Members.size());
    for (const MemberRow& m : row.Members) c.Getters += m.Kind == MemberKind::Child ? 1 : 0;
  }
  for (const auto& [family, c] : counts) {
    auto it = kExpected.find(family);
    ASSERT_NE(it, kExpected.end()) << "family " << family << " has no expected counts";
    EXPECT_EQ(c.Nodes, it->second.Nodes) << family;
    EXPECT_EQ(c.Members, it->second.Members) << family;
    EXPECT_EQ(c.Getters, it->second.Getters) << family;
  }
  EXPECT_EQ(counts.size(), kExpected.size());
}

TEST(NodeTable, PlaceholdersAreMemberlessChildrenOfTheRootUntilTheirFamilyComes) {
  for (const NodeRow& row : NodeTable()) {
    if (!row.Placeholder) continue;
    EXPECT_TRUE(row.Members.empty()) << row.Interface;
    EXPECT_STREQ(row.Parent, "ISCPI");
  }
  const NodeRow* sense = FindNode("ISCPI_SENSe");
  ASSERT_NE(sense, nullptr);
  EXPECT_EQ(sense->Index, IndexKind::Channel);

  // A family's own row takes its placeholder's place, wherever the family comes.
  std::vector<NodeRow> rows;
  AddPlaceholderRows(rows);
  NodeRow own;
  own.Interface = "ISCPI_SENSe";
  own.Family = "SENSe";
  own.Members.resize(3);
  rows.insert(rows.begin(), own);
  const std::vector<NodeRow> merged = MergeRows(rows);
  EXPECT_EQ(merged.size(), rows.size() - 1);
  int senses = 0;
  for (const NodeRow& r : merged) {
    if (std::string(r.Interface) == "ISCPI_SENSe") {
      ++senses;
      EXPECT_FALSE(r.Placeholder);
      EXPECT_EQ(r.Members.size(), 3u);
    }
  }
  EXPECT_EQ(senses, 1);
}

TEST(NodeTable, ShortFormsAreTheCapitalsSaveTheNamedExceptions) {
  const std::pair<const char*, const char*> cases[] = {
      {"SEQuence", "SEQ"}, {"IEEE4882", "IEEE4882"}, {"SOLT1", "SOLT1"}, {"S1P", "S1P"}, {"Z0", "Z0"},
      {"SET_", "SET"},     {"UPDate_", "UPD"},       {"Delay", "DEL"},    {"Value", "VAL"}, {"Ready", "READ"},
  };
  for (const auto& [name, form] : cases) EXPECT_EQ(ShortForm(name), form) << name;
}

}  // namespace
