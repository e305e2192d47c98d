#include "automation/AutomationCore.h"

#include <climits>
#include <cmath>
#include <exception>
#include <optional>
#include <utility>

#include "display/RangeView.h"
#include "instrument/Device.h"
#include "instrument/ScannerModule.h"
#include "model/EAbort.h"
#include "model/NumberText.h"
#include "platform/UiDispatcher.h"
#include "shell/MainFrm.h"
#include "shell/ProgramStart.h"
#include "traces/MeasureList.h"

namespace automation {

namespace {

int g_locks = 0;

bool ToBool(const Variant& v) {
  switch (v.kind()) {
    case Variant::Kind::Bool: return v.asBool();
    case Variant::Kind::Int: return v.asInt() != 0;
    case Variant::Kind::Double: return v.asDouble() != 0;
    default: Raise(220);
  }
}

int32_t ToLong(const Variant& v) {
  switch (v.kind()) {
    case Variant::Kind::Int: return v.asInt();
    case Variant::Kind::Bool: return v.asBool() ? 1 : 0;
    case Variant::Kind::Double: return CheckedInt32(v.asDouble());
    default: Raise(220);
  }
}

double ToDouble(const Variant& v) {
  switch (v.kind()) {
    case Variant::Kind::Double: return v.asDouble();
    case Variant::Kind::Int: return v.asInt();
    case Variant::Kind::Bool: return v.asBool() ? 1 : 0;
    case Variant::Kind::Text: {
      // The conversion's own failure: no SCPI number.
      return StrToFloatAnySeparator(v.asText());
    }
    default: Raise(220);
  }
}

Variant Convert(const Variant& v, ValueType type) {
  switch (type) {
    case ValueType::Bool: return ToBool(v);
    case ValueType::Long: return ToLong(v);
    case ValueType::Double: return ToDouble(v);
    case ValueType::Text:
    case ValueType::Keyword:
      if (v.kind() != Variant::Kind::Text) Raise(220);
      return v;
    case ValueType::Node:
      if (v.kind() != Variant::Kind::Node) Raise(220);
      return v;
    case ValueType::Array:
    case ValueType::None: return v;
  }
  return v;
}

// Converts the arguments a call gives to the member's types (a put's value last).
std::vector<Variant> ConvertArgs(const MemberRow& m, CallKind kind, const std::vector<Variant>& args) {
  std::vector<ValueType> types = m.Args;
  if (kind == CallKind::Put) types.push_back(m.Type);
  if (args.size() != types.size()) Raise(220);
  std::vector<Variant> out;
  out.reserve(args.size());
  for (size_t i = 0; i < args.size(); ++i) out.push_back(Convert(args[i], types[i]));
  return out;
}

Result Failure(const NodeData& node, ErrorStyle style, int number, std::string message) {
  Result r;
  r.ScpiNumber = number;
  r.Code = style == ErrorStyle::DispException ? kDispException : ResultCodeOf(number);
  r.Description = std::move(message);
  r.Interface = node.Row.Interface;
  r.Source = node.Row.Source;
  return r;
}

// Checks a child's index argument (1-based) against its kind; raises the kind's error.
void CheckIndex(IndexKind kind, int value, const NodeData& parent, const Targets* t) {
  auto within = [&](int low, int high, int error) {
    if (value < low || value > high) Raise(error);
  };
  switch (kind) {
    case IndexKind::None:
    case IndexKind::Unchecked: return;
    case IndexKind::Channel: within(1, t->Main.ChannelCount, 201); return;
    case IndexKind::ServiceChannel: within(1, t->Main.ChannelCount, 114); return;
    case IndexKind::Marker: within(1, 16, 203); return;
    case IndexKind::KitStandard: within(1, 4, 114); return;
    case IndexKind::Port: within(1, 2, 114); return;
    case IndexKind::ColorPair: within(1, 8, 114); return;
    case IndexKind::Trace: {
      TRangeView* view = t->Main.GetView(parent.Index[0]);
      const int count = view != nullptr && view->GetTraces() != nullptr ? view->GetTraces()->GetCount() : 0;
      within(1, count, 202);
      return;
    }
  }
}

// The error boundary: runs body, catching every exception into the result.
template <class F>
CallResult Boundary(const NodeData& node, ErrorStyle style, F&& body) {
  CallResult out;
  try {
    out.Value = body();
  } catch (const EAbort& e) {
    out.Value = Variant();  // a child made in this call goes with it
    out.Outcome = Failure(node, style, e.HelpContext, e.what());
  } catch (const std::exception& e) {
    out.Value = Variant();
    out.Outcome = Failure(node, style, 0, e.what());
  } catch (...) {
    out.Value = Variant();
    out.Outcome = Failure(node, style, 0, "Unknown exception");
  }
  return out;
}

CallResult NotFound(const NodeData& node, std::string_view name) {
  CallResult out;
  out.Outcome.Code = kDispMemberNotFound;
  out.Outcome.Description = "Unknown member " + std::string(name);
  out.Outcome.Interface = node.Row.Interface;
  out.Outcome.Source = node.Row.Source;
  return out;
}

}  // namespace

uint32_t ResultCodeOf(int scpiNumber) { return kResultBase | static_cast<uint32_t>(scpiNumber + 0x200); }

NodeData::NodeData(const NodeRow& row, std::array<int, 3> index, int indexCount)
    : Row(row), Index(index), IndexCount(indexCount) {
  TAutomationServer::AddLock();
}

NodeData::~NodeData() { TAutomationServer::RemoveLock(); }

const Targets& TCall::T() const {
  if (Found == nullptr) Raise(200);
  return *Found;
}

bool TAutomationServer::AutomationSwitch = false;
bool TAutomationServer::Stopping = false;
std::function<void()> TAutomationServer::PostClose = [] {
  platform::UiDispatcher::get().post([] { TProgramStart::RequestClose(); });
};

int TAutomationServer::LockCount() { return g_locks; }
void TAutomationServer::AddLock() { ++g_locks; }
void TAutomationServer::RemoveLock() {
  --g_locks;
  // Looked at only when a lock goes: a program started for automation that no client ever
  // reached keeps running.
  if (g_locks == 0 && AutomationSwitch && PostClose) PostClose();
}

Node createApplication() {
  const NodeRow* row = FindNode(kApplicationInterface);
  return std::make_shared<const NodeData>(*row, std::array<int, 3>{}, 0);
}

Targets LookupTargets() {
  TMainFrm* main = MainFrm;
  if (main == nullptr || main->IsShutDown() || main->GetView(0) == nullptr || ScannerModule == nullptr ||
      Device == nullptr) {
    Raise(200);
  }
  return Targets{*main, *ScannerModule, *Device};
}

CallResult child(const Node& node, std::string_view name, const std::vector<Variant>& args) {
  const MemberRow* m = node ? FindMember(node->Row, name) : nullptr;
  if (m == nullptr || m->Kind != MemberKind::Child) return NotFound(*node, name);
  return Boundary(*node, m->GetStyle, [&]() -> Variant {
    const NodeRow* childRow = FindNode(m->Child);
    if (childRow == nullptr) Raise(200);
    std::array<int, 3> index = node->Index;
    int count = node->IndexCount;
    if (childRow->Index == IndexKind::None) {
      if (!args.empty()) Raise(220);
    } else {
      if (args.size() != 1) Raise(220);
      const int32_t value = ToLong(args[0]);
      std::optional<Targets> found;
      if (childRow->Index != IndexKind::Unchecked) found.emplace(LookupTargets());
      CheckIndex(childRow->Index, value, *node, found ? &*found : nullptr);
      if (count >= 3) Raise(200);
      // An unchecked index of -2^31 stays at the bottom instead of wrapping round.
      index[static_cast<size_t>(count++)] = value == INT32_MIN ? INT32_MIN : value - 1;
    }
    return Node(std::make_shared<const NodeData>(*childRow, index, count));
  });
}

CallResult invoke(const Node& node, std::string_view member, CallKind kind, const std::vector<Variant>& args) {
  const MemberRow* m = node ? FindMember(node->Row, member) : nullptr;
  if (m == nullptr) return NotFound(*node, member);
  Handler h = nullptr;
  ErrorStyle style = m->GetStyle;
  switch (kind) {
    case CallKind::Get: h = m->Kind == MemberKind::Property ? m->Get : nullptr; break;
    case CallKind::Put:
      h = m->Kind == MemberKind::Property ? m->Put : nullptr;
      style = m->PutStyle;
      break;
    case CallKind::Call: h = m->Kind == MemberKind::Method ? m->Call : nullptr; break;
  }
  if (m->Kind == MemberKind::Child && kind == CallKind::Get) return child(node, member, args);
  if (h == nullptr) return NotFound(*node, member);
  return Boundary(*node, style, [&]() -> Variant {
    const std::vector<Variant> converted = ConvertArgs(*m, kind, args);
    std::optional<Targets> found;
    if (m->NeedsTarget) found.emplace(LookupTargets());
    TCall call{*node, converted, found ? &*found : nullptr};
    return h(call);
  });
}

int32_t CheckedInt32(double value) {
  if (!std::isfinite(value)) Raise(222);
  const double t = std::trunc(value);
  if (t < -2147483648.0 || t > 2147483647.0) Raise(222);
  return static_cast<int32_t>(t);
}

int32_t RoundedInt32(double value) {
  if (!std::isfinite(value)) Raise(222);
  return CheckedInt32(std::round(value));
}

std::vector<double> DoubleVectorFromVariant(const Variant& value) {
  std::vector<double> out;
  auto element = [&](const Variant& v) {
    switch (v.kind()) {
      case Variant::Kind::Double: out.push_back(v.asDouble()); break;
      case Variant::Kind::Int: out.push_back(v.asInt()); break;
      case Variant::Kind::Bool: out.push_back(v.asBool() ? -1.0 : 0.0); break;
      case Variant::Kind::Text: out.push_back(StrToFloatAnySeparator(v.asText())); break;
      default: throw EAbort("Type mismatch");
    }
  };
  switch (value.kind()) {
    case Variant::Kind::Doubles: return value.asDoubles();
    case Variant::Kind::Array:
      for (const Variant& v : value.asArray()) element(v);
      return out;
    case Variant::Kind::Array2D: {
      const Array2D& a = value.asArray2D();
      if (a.Rows < 0 || a.Cols < 0 || a.Items.size() != static_cast<size_t>(a.Rows) * static_cast<size_t>(a.Cols)) {
        Raise(220);
      }
      // One column (a one-by-one array counts as one), else one row.
      if (a.Cols == 1 || a.Rows == 1) {
        for (const Variant& v : a.Items) element(v);
        return out;
      }
      Raise(220);
    }
    default: Raise(220);
  }
}

const char* ErrorText(int n) {
  switch (n) {
    case 114: return "Header suffix out of range";
    case 200: return "Execution error";
    case 201: return "Channel index out of range";
    case 202: return "Trace index out of range";
    case 203: return "Marker index out of range";
    case 204: return "Marker not active";
    case 205: return "Invalid trigger source specifier";
    case 206: return "Invalid sweep type specifier";
    case 209: return "Invalid format specifier";
    case 210: return "Invalid data math specifier";
    case 211: return "Trigger system is not in the trigger wait state";
    case 213: return "Init ignored";
    case 214: return "Invalid limit data";
    case 215: return "Invalid segment data";
    case 217: return "Invalid conversion specifier";
    case 218: return "Invalid gating shape specifier";
    case 219: return "Invalid gating type specifier";
    case 220: return "Parameter error";
    case 222: return "Data out of range";
    case 224: return "Illegal parameter value";
    default: return "Execution error";
  }
}

void Raise(int n) { throw EAbort(ErrorText(n), n); }

}  // namespace automation
