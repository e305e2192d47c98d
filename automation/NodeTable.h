#pragma once
// The node table: one row per automation node, one row per member, in the order the node's
// interface declares them. Dispatch, the SCPI binder and the completeness test all read this
// table and nothing else, so a node family is added by adding its rows (see Families in
// NodeTable.cpp).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "automation/Variant.h"

namespace automation {

struct NodeData;
struct TCall;

// How the index argument of a child getter is checked when the child is made.
enum class IndexKind {
  None,            // the getter takes no index
  Channel,         // 1 .. shown channel count, else 201
  ServiceChannel,  // 1 .. shown channel count, else 114
  Trace,           // 1 .. traces of the node's channel, else 202
  Marker,          // 1 .. 16, else 203
  KitStandard,     // 1 .. 4, else 114
  Port,            // 1 .. 2, else 114
  ColorPair,       // 1 .. 8 (the display look's colour pairs), else 114
  Unchecked,       // stored as given minus 1
};

// Types of arguments and results.
enum class ValueType {
  None,
  Bool,
  Long,     // 32-bit signed
  Double,
  Text,     // free text; quoted in SCPI replies
  Keyword,  // keyword or identification text; bare in SCPI replies
  Array,    // a Variant array (read with DoubleVectorFromVariant); over SCPI the remaining numbers
  Node,
};

enum class MemberKind { Method, Property, Child };
enum class CallKind { Get, Put, Call };
// How a failure becomes a result code: 0x80040000 | (number + 0x200), or DISP_E_EXCEPTION.
enum class ErrorStyle { Numbered, DispException };

using Handler = Variant (*)(const TCall& call);

struct MemberRow {
  const char* Name = "";  // as the interface writes it; its capitals are the SCPI short form
  MemberKind Kind = MemberKind::Method;
  std::vector<ValueType> Args;            // leading arguments (a put's value not included)
  ValueType Type = ValueType::None;       // a get's result, a put's value, a method's result
  Handler Get = nullptr;                  // property get
  Handler Put = nullptr;                  // property put
  Handler Call = nullptr;                 // method
  const char* Child = nullptr;            // child getter: the interface of the node it makes
  ErrorStyle GetStyle = ErrorStyle::Numbered;  // property get, method and child getter
  ErrorStyle PutStyle = ErrorStyle::Numbered;  // property put
  bool NeedsTarget = true;  // false: the member runs without the main window (cannot fail)
  int Id = 0;               // 0: numbered from 201 in order, skipping ids given explicitly
};

struct NodeRow {
  const char* Interface = "";  // "ISCPI_TRIGger_SEQuence"
  const char* Parent = nullptr;  // the interface whose getter makes it; null for the top objects
  const char* Getter = nullptr;  // that getter's name
  IndexKind Index = IndexKind::None;
  const char* Family = "";       // the family whose rows these are (the completeness test counts them)
  std::vector<MemberRow> Members;
  const char* Source = "";       // error source: the ProgID of the application object, else empty
  // A top-level node whose family is not in the table yet: the root's getter makes it, it has no
  // members. A family's own row of the same interface replaces it.
  bool Placeholder = false;
};

// The rows of every family in order, each placeholder left out where a family has a row of its
// interface.
std::vector<NodeRow> MergeRows(std::vector<NodeRow> all);
// The whole table, built once from every family.
const std::vector<NodeRow>& NodeTable();
// The row of an interface, or null.
const NodeRow* FindNode(std::string_view interfaceName);
// The member of a node whose name matches (whole name, any case), or null.
const MemberRow* FindMember(const NodeRow& node, std::string_view name);
// The member's id.
int MemberId(const NodeRow& node, const MemberRow& member);
// The short form of a name: its capitals and digits ("SEQuence" -> "SEQ", "SOLT1" -> "SOLT1").
std::string ShortForm(std::string_view name);

// The families, each adding its rows to the table in interface order.
void AddApplicationRows(std::vector<NodeRow>& rows);
void AddRootTriggerRows(std::vector<NodeRow>& rows);
// The SENSe families: stimulus, correction, calibration collection, kits, error terms.
void AddSenseRows(std::vector<NodeRow>& rows);
void AddSystemRows(std::vector<NodeRow>& rows);
void AddServiceRows(std::vector<NodeRow>& rows);
void AddStatusRows(std::vector<NodeRow>& rows);
void AddHardcopyRows(std::vector<NodeRow>& rows);
void AddMmemoryRows(std::vector<NodeRow>& rows);
void AddSourceRows(std::vector<NodeRow>& rows);
void AddDisplayRows(std::vector<NodeRow>& rows);
void AddDisplayWindowRows(std::vector<NodeRow>& rows);
// The root's top-level nodes whose families are still to come (see NodeRow::Placeholder).
void AddPlaceholderRows(std::vector<NodeRow>& rows);

}  // namespace automation
