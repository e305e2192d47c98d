#include "automation/NodeTable.h"

#include <map>
#include <set>

#include "automation/ScpiCalcNodes.h"

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
    AddCalcTraceRows,
    AddCalcMarkerRows,
    AddCalcAnalysisRows,
    AddCalcLimitRows,
    AddCalcTimeDomainRows,
    AddCalcFixtureRows,
    AddSenseRows,
    AddSystemRows,
    AddServiceRows,
    AddStatusRows,
    AddHardcopyRows,
    AddMmemoryRows,
    AddSourceRows,
    AddDisplayRows,
    AddDisplayWindowRows,
    AddPlaceholderRows,  // last: a family above replaces its placeholder
};

struct Table {
  std::vector<NodeRow> Rows;
  std::map<std::string, const NodeRow*, std::less<>> ByName;
  std::map<const MemberRow*, int> Ids;
};

const Table& TheTable() {
  static const Table table = [] {
    Table t;
    std::vector<NodeRow> all;
    for (Family f : kFamilies) f(all);
    t.Rows = MergeRows(std::move(all));
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

std::vector<NodeRow> MergeRows(std::vector<NodeRow> all) {
  std::set<std::string, std::less<>> real;
  for (const NodeRow& row : all) {
    if (!row.Placeholder) real.insert(row.Interface);
  }
  std::vector<NodeRow> out;
  out.reserve(all.size());
  for (NodeRow& row : all) {
    if (!row.Placeholder || real.count(row.Interface) == 0) out.push_back(std::move(row));
  }
  return out;
}

const std::vector<NodeRow>& NodeTable() { return TheTable().Rows; }

void AddPlaceholderRows(std::vector<NodeRow>& rows) {
  struct Top {
    const char* Interface;
    const char* Getter;
    IndexKind Index;
  };
  static const Top kTops[] = {
      {"ISCPI_CALCulate", "CALCulate", IndexKind::Channel}, {"ISCPI_DISPlay", "DISPlay", IndexKind::None},
      {"ISCPI_MMEMory", "MMEMory", IndexKind::None},         {"ISCPI_SENSe", "SENSe", IndexKind::Channel},
      {"ISCPI_SOURce", "SOURce", IndexKind::Channel},       {"ISCPI_SYSTem", "SYSTem", IndexKind::None},
      {"ISCPI_STATus", "STATus", IndexKind::None},           {"ISCPI_HCOPy", "HCOPy", IndexKind::None},
      {"ISCPI_SERVice", "SERVice", IndexKind::None},
  };
  for (const Top& top : kTops) {
    NodeRow r;
    r.Interface = top.Interface;
    r.Parent = "ISCPI";
    r.Getter = top.Getter;
    r.Index = top.Index;
    r.Family = "Placeholder";
    r.Placeholder = true;
    rows.push_back(std::move(r));
  }
}

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
