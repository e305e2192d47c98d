#include "model/ResourceRegistry.h"

#include <deque>
#include <map>

namespace {

struct Registry {
  std::map<std::string, std::string_view, std::less<>> byName;
  // Copies never move or go away, so views handed out earlier stay valid.
  std::deque<std::string> copies;
};

// Built on first use: the generated registrations run during static initialisation, in no
// particular order relative to this file.
Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

}  // namespace

void RegisterResource(std::string_view name, std::string_view bytes) {
  TheRegistry().byName.insert_or_assign(std::string(name), bytes);
}

void RegisterResourceCopy(std::string_view name, std::string bytes) {
  Registry& r = TheRegistry();
  r.copies.push_back(std::move(bytes));
  r.byName.insert_or_assign(std::string(name), std::string_view(r.copies.back()));
}

std::optional<std::string_view> FindResource(std::string_view name) {
  const Registry& r = TheRegistry();
  auto it = r.byName.find(name);
  if (it == r.byName.end()) return std::nullopt;
  return it->second;
}

std::vector<std::string> ResourceNames() {
  std::vector<std::string> names;
  for (const auto& [name, bytes] : TheRegistry().byName) names.push_back(name);
  return names;
}
