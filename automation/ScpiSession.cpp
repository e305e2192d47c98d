#include "automation/ScpiSession.h"

#include <climits>
#include <cmath>
#include <vector>

#include "automation/NodeTable.h"
#include "automation/ScpiParser.h"
#include "model/EAbort.h"
#include "model/NumberText.h"

namespace automation {

namespace {

using scpi::Command;
using scpi::Parameter;

std::string Upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

std::string LongForm(const char* name) {
  std::string s = Upper(name);
  if (!s.empty() && s.back() == '_') s.pop_back();
  return s;
}

bool Matches(const MemberRow& m, const std::string& upper) {
  return upper == ShortForm(m.Name) || upper == LongForm(m.Name);
}

// An error that ends the command: its number and message.
struct TFailure {
  int Number;
  std::string Message;
};

[[noreturn]] void Fail(int number) {
  throw TFailure{number, number < 0 ? scpi::TransportErrorText(number) : ErrorText(number)};
}

// The member a mnemonic names: a name holding digits matches literally first, then a trailing
// number is split off as the suffix. Where a child getter and another member share a short form
// (SWEep:POINt and SWEep:POINts), a mnemonic with more path after it names the child, the last
// one the other member.
const MemberRow* Resolve(const NodeRow& row, std::string_view mnemonic, std::optional<int32_t>& suffix,
                         bool more = false) {
  const std::string upper = Upper(mnemonic);
  const MemberRow* first = nullptr;
  for (const MemberRow& m : row.Members) {
    if (!Matches(m, upper)) continue;
    if ((m.Kind == MemberKind::Child) == more) return &m;
    if (first == nullptr) first = &m;
  }
  if (first != nullptr) return first;
  size_t cut = upper.size();
  while (cut > 0 && upper[cut - 1] >= '0' && upper[cut - 1] <= '9') --cut;
  if (cut == upper.size() || cut == 0) return nullptr;
  const std::string base = upper.substr(0, cut);
  for (const MemberRow& m : row.Members) {
    if (!Matches(m, base)) continue;
    const std::optional<long long> n = TryTextToInt(std::string_view(upper).substr(cut));
    if (!n || *n > INT32_MAX) Fail(114);
    suffix = static_cast<int32_t>(*n);
    return &m;
  }
  return nullptr;
}

void Check(const CallResult& r) {
  if (r.Outcome.Ok()) return;
  if (r.Outcome.Code == kDispMemberNotFound) Fail(scpi::kUndefinedHeader);
  throw TFailure{r.Outcome.ScpiNumber, r.Outcome.Description};
}

Variant NumberOf(const Parameter& p) {
  if (p.Type != Parameter::Kind::Data) Fail(scpi::kDataTypeError);
  const std::optional<double> v = scpi::NumberValue(p.Text);
  // Hexadecimal and the other non-decimal forms are refused by the number reader too.
  if (!v) Fail(scpi::kDataTypeError);
  return *v;
}

Variant Bind(const Parameter& p, ValueType type) {
  switch (type) {
    case ValueType::Bool: {
      if (p.Type == Parameter::Kind::Data) {
        const std::string u = Upper(p.Text);
        if (u == "ON") return true;
        if (u == "OFF") return false;
      }
      return NumberOf(p).asDouble() != 0;
    }
    case ValueType::Long: return RoundedInt32(NumberOf(p).asDouble());
    case ValueType::Double: return NumberOf(p);
    case ValueType::Text:
    case ValueType::Keyword: return p.Text;
    default: Fail(scpi::kDataTypeError);
  }
}

// The arguments of a call from the command's parameters, in member order; an array takes all
// remaining numbers.
std::vector<Variant> BindAll(const std::vector<Parameter>& params, const std::vector<ValueType>& types) {
  std::vector<Variant> out;
  size_t k = 0;
  for (size_t t = 0; t < types.size(); ++t) {
    if (types[t] == ValueType::Array) {
      std::vector<double> values;
      for (; k < params.size(); ++k) values.push_back(NumberOf(params[k]).asDouble());
      out.emplace_back(std::move(values));
      continue;
    }
    if (k >= params.size()) Fail(scpi::kMissingParameter);
    out.push_back(Bind(params[k++], types[t]));
  }
  if (k < params.size()) Fail(scpi::kParameterNotAllowed);
  return out;
}

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + "\"";
}

}  // namespace

std::string FormatReply(const Variant& v, ValueType type) {
  if (v.isEmpty()) return type == ValueType::Long || type == ValueType::Bool ? "0" : "";
  switch (v.kind()) {
    case Variant::Kind::Bool: return v.asBool() ? "1" : "0";
    case Variant::Kind::Int: return IntToText(v.asInt());
    case Variant::Kind::Double: return FloatToText(v.asDouble());
    case Variant::Kind::Text: return type == ValueType::Text ? Quoted(v.asText()) : v.asText();
    case Variant::Kind::Doubles: {
      std::string out;
      const std::vector<double>& d = v.asDoubles();
      out.reserve(d.size() * 12);
      for (size_t i = 0; i < d.size(); ++i) {
        if (i != 0) out += ',';
        out += FloatToText(d[i]);
      }
      return out;
    }
    case Variant::Kind::Array: {
      std::string out;
      for (const Variant& e : v.asArray()) {
        if (!out.empty()) out += ',';
        out += FormatReply(e, ValueType::Double);
      }
      return out;
    }
    default: return "";
  }
}

namespace {

bool IsSystemError(const std::vector<std::string>& path) {
  if (path.size() != 2 && path.size() != 3) return false;
  const std::string a = Upper(path[0]), b = Upper(path[1]);
  if (a != "SYST" && a != "SYSTEM") return false;
  if (b != "ERR" && b != "ERROR") return false;
  if (path.size() == 3) {
    const std::string c = Upper(path[2]);
    return c == "NEXT";
  }
  return true;
}

// Runs the member a resolved node's last mnemonic names; the reply when it is a query.
std::optional<std::string> RunMember(const Node& node, const MemberRow& m, const Command& cmd) {
  // A member that hands out a node is no header of its own: only child getters lead on.
  if (m.Type == ValueType::Node && m.Kind != MemberKind::Child) Fail(scpi::kUndefinedHeader);
  if (m.Kind == MemberKind::Property) {
    if (cmd.Query) {
      if (m.Get == nullptr) Fail(scpi::kUndefinedHeader);
      CallResult r = invoke(node, m.Name, CallKind::Get, BindAll(cmd.Params, m.Args));
      Check(r);
      return FormatReply(r.Value, m.Type);
    }
    if (m.Put == nullptr) Fail(scpi::kUndefinedHeader);
    std::vector<ValueType> types = m.Args;
    types.push_back(m.Type);
    Check(invoke(node, m.Name, CallKind::Put, BindAll(cmd.Params, types)));
    return std::nullopt;
  }
  if (m.Kind == MemberKind::Method) {
    // A method with a result answers as a query; one without is a command.
    if (cmd.Query != (m.Type != ValueType::None)) Fail(scpi::kUndefinedHeader);
    CallResult r = invoke(node, m.Name, CallKind::Call, BindAll(cmd.Params, m.Args));
    Check(r);
    if (cmd.Query) return FormatReply(r.Value, m.Type);
    return std::nullopt;
  }
  Fail(scpi::kUndefinedHeader);
}

}  // namespace

TScpiSession::TScpiSession() : App(createApplication()) {}

void TScpiSession::PushError(int number, const std::string& message) {
  std::pair<int, std::string> entry = number == 0 ? std::make_pair(200, std::string("Execution error;") + message)
                                                  : std::make_pair(number, message);
  if (Errors.size() >= kErrorQueueSize) {
    Errors.back() = {scpi::kQueueOverflow, scpi::TransportErrorText(scpi::kQueueOverflow)};
    return;
  }
  Errors.push_back(std::move(entry));
}

std::string TScpiSession::PopError() {
  if (Errors.empty()) return "0,\"No error\"";
  auto [number, message] = std::move(Errors.front());
  Errors.pop_front();
  return IntToText(number) + "," + Quoted(message);
}

std::optional<std::string> TScpiSession::Execute(std::string_view line) {
  if (!scpi::IsCleanText(line)) {
    PushError(scpi::kInvalidCharacter, scpi::TransportErrorText(scpi::kInvalidCharacter));
    return std::nullopt;
  }
  std::vector<Command> commands = scpi::ParseLine(line);
  std::vector<std::string> prefix;  // each line starts at the root
  std::optional<std::string> reply;
  auto answer = [&](const std::string& text) {
    if (reply) {
      *reply += ';';
      *reply += text;
    } else {
      reply = text;
    }
  };
  for (const Command& cmd : commands) {
    try {
      if (cmd.Error != 0) Fail(cmd.Error);
      if (cmd.Common) {
        const std::string name = Upper(cmd.Mnemonics[0]);
        if (!cmd.Params.empty()) Fail(scpi::kParameterNotAllowed);
        if (name == "OPC" && cmd.Query) {
          answer("1");
          continue;
        }
        if (name == "CLS" && !cmd.Query) ClearErrors();
        const bool query = name == "IDN";
        if ((name != "IDN" && name != "RST" && name != "TRG" && name != "WAI" && name != "CLS") || query != cmd.Query) {
          Fail(scpi::kUndefinedHeader);
        }
        CallResult root = child(App, "SCPI");
        Check(root);
        CallResult ieee = child(root.Value.asNode(), "IEEE4882");
        Check(ieee);
        CallResult r = invoke(ieee.Value.asNode(), name, query ? CallKind::Get : CallKind::Call);
        Check(r);
        if (query) answer(FormatReply(r.Value, ValueType::Keyword));
        continue;
      }
      std::vector<std::string> path = cmd.Absolute ? std::vector<std::string>() : prefix;
      path.insert(path.end(), cmd.Mnemonics.begin(), cmd.Mnemonics.end());
      prefix.assign(path.begin(), path.end() - 1);
      if (IsSystemError(path)) {
        if (!cmd.Query) Fail(scpi::kUndefinedHeader);
        if (!cmd.Params.empty()) Fail(scpi::kParameterNotAllowed);
        answer(PopError());
        continue;
      }
      CallResult root = child(App, "SCPI");
      Check(root);
      Node node = root.Value.asNode();
      // NAME and READy belong to the application object.
      if (path.size() == 1) {
        std::optional<int32_t> none;
        if (Resolve(node->Row, path[0], none) == nullptr) {
          std::optional<int32_t> suffix;
          if (const MemberRow* m = Resolve(App->Row, path[0], suffix); m != nullptr && !suffix &&
                                                                       m->Kind == MemberKind::Property) {
            if (auto text = RunMember(App, *m, cmd)) answer(*text);
            continue;
          }
        }
      }
      for (size_t i = 0; i < path.size(); ++i) {
        std::optional<int32_t> suffix;
        const MemberRow* m = Resolve(node->Row, path[i], suffix, i + 1 < path.size());
        if (m == nullptr) Fail(scpi::kUndefinedHeader);
        const bool last = i + 1 == path.size();
        if (m->Kind != MemberKind::Child) {
          if (!last || suffix) Fail(scpi::kUndefinedHeader);
          if (auto text = RunMember(node, *m, cmd)) answer(*text);
          break;
        }
        const NodeRow* childRow = FindNode(m->Child);
        if (childRow == nullptr) Fail(scpi::kUndefinedHeader);
        std::vector<Variant> args;
        if (childRow->Index != IndexKind::None) {
          args.emplace_back(suffix.value_or(1));
        } else if (suffix && *suffix != 1) {
          Fail(scpi::kUndefinedHeader);
        }
        CallResult made = child(node, m->Name, args);
        Check(made);
        node = made.Value.asNode();
        if (last) {
          // INIT alone means INIT:IMM; every other header must name a member.
          const MemberRow* imm = std::string_view(node->Row.Interface) == "ISCPI_INITiate"
                                     ? FindMember(node->Row, "IMMediate")
                                     : nullptr;
          if (imm == nullptr) Fail(scpi::kUndefinedHeader);
          if (auto text = RunMember(node, *imm, cmd)) answer(*text);
        }
      }
    } catch (const TFailure& f) {
      PushError(f.Number, f.Message);
    } catch (const EAbort& e) {
      PushError(e.HelpContext, e.what());
    } catch (const std::exception& e) {
      PushError(0, e.what());
    }
  }
  return reply;
}

}  // namespace automation
