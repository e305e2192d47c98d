#pragma once
// The values that cross the automation interface: arguments and results of every member, both
// in-process and behind the SCPI text server.
#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace automation {

struct NodeData;
using Node = std::shared_ptr<const NodeData>;

class Variant;

// A two-dimensional array, stored row by row.
struct Array2D {
  int Rows = 0;
  int Cols = 0;
  std::vector<Variant> Items;  // Rows * Cols elements
};

class Variant {
 public:
  enum class Kind { Empty, Bool, Int, Double, Text, Array, Doubles, Array2D, Node };

  Variant() = default;
  Variant(bool v) : Value(v) {}
  Variant(int32_t v) : Value(v) {}
  Variant(double v) : Value(v) {}
  Variant(std::string v) : Value(std::move(v)) {}
  Variant(const char* v) : Value(std::string(v)) {}
  Variant(std::vector<Variant> v) : Value(std::move(v)) {}
  Variant(std::vector<double> v) : Value(std::move(v)) {}
  Variant(automation::Array2D v) : Value(std::move(v)) {}
  Variant(Node v) : Value(std::move(v)) {}

  Kind kind() const { return static_cast<Kind>(Value.index()); }
  bool isEmpty() const { return kind() == Kind::Empty; }

  bool asBool() const { return std::get<bool>(Value); }
  int32_t asInt() const { return std::get<int32_t>(Value); }
  double asDouble() const { return std::get<double>(Value); }
  const std::string& asText() const { return std::get<std::string>(Value); }
  const std::vector<Variant>& asArray() const { return std::get<std::vector<Variant>>(Value); }
  const std::vector<double>& asDoubles() const { return std::get<std::vector<double>>(Value); }
  const automation::Array2D& asArray2D() const { return std::get<automation::Array2D>(Value); }
  const Node& asNode() const { return std::get<Node>(Value); }

 private:
  std::variant<std::monostate, bool, int32_t, double, std::string, std::vector<Variant>, std::vector<double>,
               automation::Array2D, Node>
      Value;
};

}  // namespace automation
