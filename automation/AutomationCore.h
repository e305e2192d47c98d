#pragma once
// The object layer in place of COM automation: nodes are reference-counted handles that hold
// their table row and up to three 0-based indices (never an engine object), every member call
// goes through one error boundary that turns any exception into a result code and an error
// text, and the server's lock count ends an automation-started program when the last object
// goes.
//
// Everything here runs on the user-interface thread.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "automation/NodeTable.h"
#include "automation/Variant.h"

class TMainFrm;
class TScannerModule;
class TDevice;

namespace automation {

constexpr uint32_t kResultBase = 0x80040000u;
constexpr uint32_t kDispException = 0x80020009u;
constexpr uint32_t kDispMemberNotFound = 0x80020003u;
constexpr const char* kProgId = "K30.Application";
constexpr const char* kApplicationInterface = "IK30";

// 0x80040000 | (number + 0x200).
uint32_t ResultCodeOf(int scpiNumber);

struct Result {
  uint32_t Code = 0;           // 0 success
  int ScpiNumber = 0;          // the failure's SCPI number (0: none)
  std::string Description;     // the exception's message
  std::string Interface;       // the node's interface
  std::string Source;          // "K30.Application" for the application object, else empty
  bool Ok() const { return Code == 0; }
};

struct CallResult {
  Result Outcome;
  Variant Value;
};

// A node object: its row and indices. Holds one server lock while it lives.
struct NodeData : std::enable_shared_from_this<NodeData> {
  NodeData(const NodeRow& row, std::array<int, 3> index, int indexCount);
  ~NodeData();
  NodeData(const NodeData&) = delete;
  NodeData& operator=(const NodeData&) = delete;

  const NodeRow& Row;
  const std::array<int, 3> Index;  // 0-based: channel first, then the node's further indices
  const int IndexCount;
};

// The program's objects a member reaches, looked up once per call.
struct Targets {
  TMainFrm& Main;
  TScannerModule& Scanner;
  TDevice& Device;
};

// What a handler gets: its node, its arguments converted to the member's types, the targets.
struct TCall {
  const NodeData& Self;
  const std::vector<Variant>& Args;  // leading arguments, then a put's value
  const Targets* Found = nullptr;
  const Targets& T() const;
  int Channel() const { return Self.Index[0]; }
};

// The server module: lock count, the AUTOMATION switch and what happens when the last lock goes.
class TAutomationServer {
 public:
  static int LockCount();
  static void AddLock();
  static void RemoveLock();
  // Set by the "AUTOMATION" switch: the program ends once the lock count drops to 0.
  static bool AutomationSwitch;
  // Set while the server stops: a waiting member ends its wait with 200.
  static bool Stopping;
  // Asks the program to close as SIGTERM does (posted to the user-interface thread). Tests
  // replace it.
  static std::function<void()> PostClose;
};

// ---- In-process API --------------------------------------------------------------------------
// A new application object (IK30).
Node createApplication();
// Runs a child getter: the index argument (if the child takes one) is args[0].
CallResult child(const Node& node, std::string_view name, const std::vector<Variant>& args = {});
// Runs a member: a get, a put (the value last in args) or a method.
CallResult invoke(const Node& node, std::string_view member, CallKind kind, const std::vector<Variant>& args = {});

// ---- Helpers for handlers -------------------------------------------------------------------
// Looks up the main window, the sweep module and the device; raises 200 "Execution error"
// when the main window is gone, shut down or without its channel windows.
Targets LookupTargets();
// Truncates toward zero; non-finite or outside int32 raises 222 "Data out of range".
int32_t CheckedInt32(double value);
// Rounds to nearest; non-finite or outside int32 raises 222 "Data out of range".
int32_t RoundedInt32(double value);
// A Variant array (1-D; 2-D with one row or one column) as doubles; else 220 "Parameter error".
std::vector<double> DoubleVectorFromVariant(const Variant& value);

// The texts of the SCPI numbers that the tree raises.
const char* ErrorText(int scpiNumber);
// Raises EAbort with the number's text.
[[noreturn]] void Raise(int scpiNumber);

}  // namespace automation
