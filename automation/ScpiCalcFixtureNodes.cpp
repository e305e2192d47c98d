// The fixture simulator of a channel: reference impedance conversion, and embedding and
// de-embedding of a two-port network per port. Always the node's channel, never the active one.
#include "automation/ScpiCalcNodes.h"
#include "display/RangeView.h"
#include "model/EAbort.h"
#include "model/Range.h"
#include "model/Utils.h"
#include "platform/Paths.h"

namespace automation {

namespace {

using namespace calc;

constexpr ValueType B = ValueType::Bool;
constexpr ValueType D = ValueType::Double;
constexpr ValueType T = ValueType::Text;
constexpr const char* kFamily = "CalculateFixture";

TRange& Channel(const TCall& c) {
  TRange* r = View(c).Range;
  if (r == nullptr) Raise(200);
  return *r;
}

int Port(const TCall& c) { return c.Self.Index[1]; }

// The file a client names: inside the data root only (a bare name in its "FixtureSim" folder),
// ".s2p" when it has no extension. The extension comes first, so that the check sees the file
// that is opened (a link "x.s2p" leading out must not pass as the harmless "x").
std::string FixturePath(const std::string& name) {
  const std::string path = platform::Paths::clientPath(SetDefaultExtension(name, ".s2p"), "FixtureSim");
  if (path.empty()) throw EAbort("File name not allowed: " + name, 200);
  return path;
}

// Loads the network and keeps the name as the client gave it while the port holds one.
template <class Load>
void LoadNetwork(TRange& r, std::string* files, int p, const std::string& name, Load load) {
  load(r, p, FixturePath(name));
  if (!files[p].empty()) files[p] = name;
}

}  // namespace

struct TSCPI_CALCulate_FSIMulator_SENDed_ZCONversionImpl {
  static Variant GetSTATe(const TCall& c) { return Channel(c).ZConvEnabled; }
  static Variant PutSTATe(const TCall& c) {
    Channel(c).SetZConversionEnabled(c.Args[0].asBool());
    return Variant();
  }
};

struct TSCPI_CALCulate_FSIMulator_SENDed_ZCONversion_PORT_Z0Impl {
  static Variant GetR(const TCall& c) { return Channel(c).GetZConversionValue(Port(c)); }
  static Variant PutR(const TCall& c) {
    Channel(c).SetZConversionValue(Port(c), c.Args[0].asDouble());
    return Variant();
  }
};

struct TSCPI_CALCulate_FSIMulator_SENDed_PMCircuit_PORTImpl {
  static Variant GetSTATe(const TCall& c) { return Channel(c).GetEmbeddingEnabled(Port(c)); }
  static Variant PutSTATe(const TCall& c) {
    Channel(c).SetEmbeddingEnabled(Port(c), c.Args[0].asBool());
    return Variant();
  }
};

struct TSCPI_CALCulate_FSIMulator_SENDed_PMCircuit_PORT_USERImpl {
  static Variant GetFILename(const TCall& c) { return Channel(c).GetEmbeddingFile(Port(c)); }
  static Variant PutFILename(const TCall& c) {
    TRange& r = Channel(c);
    LoadNetwork(r, r.EmbFile, Port(c), c.Args[0].asText(),
                [](TRange& range, int p, const std::string& path) { range.LoadEmbeddingFile(p, path); });
    return Variant();
  }
};

struct TSCPI_CALCulate_FSIMulator_SENDed_DEEMbed_PORTImpl {
  static Variant GetSTATe(const TCall& c) { return Channel(c).GetDeembeddingEnabled(Port(c)); }
  static Variant PutSTATe(const TCall& c) {
    Channel(c).SetDeembeddingEnabled(Port(c), c.Args[0].asBool());
    return Variant();
  }
};

struct TSCPI_CALCulate_FSIMulator_SENDed_DEEMbed_PORT_USERImpl {
  static Variant GetFILename(const TCall& c) { return Channel(c).GetDeembeddingFile(Port(c)); }
  static Variant PutFILename(const TCall& c) {
    TRange& r = Channel(c);
    LoadNetwork(r, r.DeembFile, Port(c), c.Args[0].asText(),
                [](TRange& range, int p, const std::string& path) { range.LoadDeembeddingFile(p, path); });
    return Variant();
  }
};

void AddCalcFixtureRows(std::vector<NodeRow>& rows) {
  auto add = [&](const char* interface, const char* parent, const char* getter, IndexKind index,
                 std::vector<MemberRow> members) {
    rows::AddNode(rows, kFamily, interface, parent, getter, index, std::move(members));
  };
  const IndexKind none = IndexKind::None;
  add("ISCPI_CALCulate_FSIMulator", "ISCPI_CALCulate", "FSIMulator", none,
      {Getter("SENDed", "ISCPI_CALCulate_FSIMulator_SENDed")});
  add("ISCPI_CALCulate_FSIMulator_SENDed", "ISCPI_CALCulate_FSIMulator", "SENDed", none,
      {Getter("DEEMbed", "ISCPI_CALCulate_FSIMulator_SENDed_DEEMbed"),
       Getter("PMCircuit", "ISCPI_CALCulate_FSIMulator_SENDed_PMCircuit"),
       Getter("ZCONversion", "ISCPI_CALCulate_FSIMulator_SENDed_ZCONversion")});
  using Z = TSCPI_CALCulate_FSIMulator_SENDed_ZCONversionImpl;
  add("ISCPI_CALCulate_FSIMulator_SENDed_ZCONversion", "ISCPI_CALCulate_FSIMulator_SENDed", "ZCONversion", none,
      {Property("STATe", B, Z::GetSTATe, Z::PutSTATe),
       Getter("PORT", "ISCPI_CALCulate_FSIMulator_SENDed_ZCONversion_PORT")});
  add("ISCPI_CALCulate_FSIMulator_SENDed_ZCONversion_PORT", "ISCPI_CALCulate_FSIMulator_SENDed_ZCONversion", "PORT",
      IndexKind::Port, {Getter("Z0", "ISCPI_CALCulate_FSIMulator_SENDed_ZCONversion_PORT_Z0")});
  using Z0 = TSCPI_CALCulate_FSIMulator_SENDed_ZCONversion_PORT_Z0Impl;
  add("ISCPI_CALCulate_FSIMulator_SENDed_ZCONversion_PORT_Z0", "ISCPI_CALCulate_FSIMulator_SENDed_ZCONversion_PORT",
      "Z0", none, {Property("R", D, Z0::GetR, Z0::PutR)});
  add("ISCPI_CALCulate_FSIMulator_SENDed_PMCircuit", "ISCPI_CALCulate_FSIMulator_SENDed", "PMCircuit", none,
      {Getter("PORT", "ISCPI_CALCulate_FSIMulator_SENDed_PMCircuit_PORT")});
  using PM = TSCPI_CALCulate_FSIMulator_SENDed_PMCircuit_PORTImpl;
  add("ISCPI_CALCulate_FSIMulator_SENDed_PMCircuit_PORT", "ISCPI_CALCulate_FSIMulator_SENDed_PMCircuit", "PORT",
      IndexKind::Port,
      {Getter("USER", "ISCPI_CALCulate_FSIMulator_SENDed_PMCircuit_PORT_USER"),
       Property("STATe", B, PM::GetSTATe, PM::PutSTATe)});
  using PU = TSCPI_CALCulate_FSIMulator_SENDed_PMCircuit_PORT_USERImpl;
  add("ISCPI_CALCulate_FSIMulator_SENDed_PMCircuit_PORT_USER", "ISCPI_CALCulate_FSIMulator_SENDed_PMCircuit_PORT",
      "USER", none, {Property("FILename", T, PU::GetFILename, PU::PutFILename)});
  add("ISCPI_CALCulate_FSIMulator_SENDed_DEEMbed", "ISCPI_CALCulate_FSIMulator_SENDed", "DEEMbed", none,
      {Getter("PORT", "ISCPI_CALCulate_FSIMulator_SENDed_DEEMbed_PORT")});
  using DE = TSCPI_CALCulate_FSIMulator_SENDed_DEEMbed_PORTImpl;
  add("ISCPI_CALCulate_FSIMulator_SENDed_DEEMbed_PORT", "ISCPI_CALCulate_FSIMulator_SENDed_DEEMbed", "PORT",
      IndexKind::Port,
      {Getter("USER", "ISCPI_CALCulate_FSIMulator_SENDed_DEEMbed_PORT_USER"),
       Property("STATe", B, DE::GetSTATe, DE::PutSTATe)});
  using DU = TSCPI_CALCulate_FSIMulator_SENDed_DEEMbed_PORT_USERImpl;
  add("ISCPI_CALCulate_FSIMulator_SENDed_DEEMbed_PORT_USER", "ISCPI_CALCulate_FSIMulator_SENDed_DEEMbed_PORT", "USER",
      none, {Property("FILename", T, DU::GetFILename, DU::PutFILename)});
}

}  // namespace automation
