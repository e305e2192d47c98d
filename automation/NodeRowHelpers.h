#pragma once
// Small builders for the rows of a node family: a method, a property, a child getter and a
// node row, so that a family's table reads as its interfaces list their members.
#include <utility>
#include <vector>

#include "automation/NodeTable.h"

namespace automation::rows {

inline MemberRow Method(const char* name, Handler h, std::vector<ValueType> args = {}) {
  MemberRow m;
  m.Name = name;
  m.Kind = MemberKind::Method;
  m.Call = h;
  m.Args = std::move(args);
  return m;
}

inline MemberRow Property(const char* name, ValueType type, Handler get, Handler put = nullptr) {
  MemberRow m;
  m.Name = name;
  m.Kind = MemberKind::Property;
  m.Type = type;
  m.Get = get;
  m.Put = put;
  return m;
}

// A property whose put takes leading arguments before its value.
inline MemberRow PutWithArgs(const char* name, std::vector<ValueType> args, ValueType type, Handler put) {
  MemberRow m = Property(name, type, nullptr, put);
  m.Args = std::move(args);
  return m;
}

inline MemberRow Getter(const char* name, const char* child) {
  MemberRow m;
  m.Name = name;
  m.Kind = MemberKind::Child;
  m.Type = ValueType::Node;
  m.Child = child;
  m.NeedsTarget = false;
  return m;
}

// The member with both its get and put reporting in the DISP_E_EXCEPTION style.
inline MemberRow DispGet(MemberRow m) {
  m.GetStyle = ErrorStyle::DispException;
  return m;
}
inline MemberRow DispPut(MemberRow m) {
  m.PutStyle = ErrorStyle::DispException;
  return m;
}

inline void AddNode(std::vector<NodeRow>& rows, const char* family, const char* interface, const char* parent,
                    const char* getter, IndexKind index, std::vector<MemberRow> members) {
  NodeRow r;
  r.Interface = interface;
  r.Parent = parent;
  r.Getter = getter;
  r.Index = index;
  r.Family = family;
  r.Members = std::move(members);
  rows.push_back(std::move(r));
}

inline Variant Nothing(const TCall&) { return Variant(); }

}  // namespace automation::rows
