#include "automation/NodeTable.h"

#include <map>
#include <set>

namespace automation {

namespace {

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Upper(a[i]) != Upper(b[i])) return false;
  }
  return true;
}

// Every family, in the order of the interfaces; a new family adds one line here.
using Family = void (*)(std::vector<NodeRow>&);
constexpr Family kFamilies[] = {
    AddApplicationRows,
    AddRootTriggerRows,
};

struct Table {
  std::vector<NodeRow> Rows;
  std::map<std::string, const NodeRow*, std::less<>> ByName;
  std::map<const MemberRow*, int> Ids;
};

const Table& TheTable() {
  static const Table table = [] {
    Table t;
    for (Family f : kFamilies) f(t.Rows);
    for (const NodeRow& row : t.Rows) {
      t.ByName[row.Interface] = &row;
      std::set<int> taken;
      for (const MemberRow& m : row.Members) {
        if (m.Id != 0) taken.insert(m.Id);
      }
      int next = 201;
      for (const MemberRow& m : row.Members) {
        if (m.Id != 0) {
          t.Ids[&m] = m.Id;
          continue;
        }
        while (taken.count(next) != 0) ++next;
        t.Ids[&m] = next++;
      }
    }
    return t;
  }();
  return table;
}

}  // namespace

const std::vector<NodeRow>& NodeTable() { return TheTable().Rows; }

const NodeRow* FindNode(std::string_view interfaceName) {
  const Table& t = TheTable();
  auto it = t.ByName.find(interfaceName);
  return it == t.ByName.end() ? nullptr : it->second;
}

const MemberRow* FindMember(const NodeRow& node, std::string_view name) {
  for (const MemberRow& m : node.Members) {
    if (SameText(m.Name, name)) return &m;
  }
  return nullptr;
}

int MemberId(const NodeRow& node, const MemberRow& member) {
  (void)node;
  const Table& t = TheTable();
  auto it = t.Ids.find(&member);
  return it == t.Ids.end() ? 0 : it->second;
}

std::string ShortForm(std::string_view name) {
  // Names whose capitals do not give the form the instrument's command set uses.
  static const std::pair<const char*, const char*> kSpecial[] = {
      {"SET_", "SET"}, {"UPDate_", "UPD"}, {"Delay", "DEL"}, {"Value", "VAL"}, {"Ready", "READ"}};
  for (const auto& [n, s] : kSpecial) {
    if (name == n) return s;
  }
  std::string out;
  for (char c : name) {
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) out += c;
  }
  return out;
}

}  // namespace automation
