#include "platform/base/string_table.h"

#include <map>

namespace {

// Function-local statics: registration runs from other units' static
// initializers, whose order against ours is unknown.
std::map<int, std::string>& Table() {
  static std::map<int, std::string> table;
  return table;
}

TResourceStringOverride& Override() {
  static TResourceStringOverride hook;
  return hook;
}

}  // namespace

bool RegisterResourceStrings(std::initializer_list<std::pair<int, const char*>> Strings) {
  auto& table = Table();
  for (const auto& [id, text] : Strings) table[id] = text ? text : "";
  return true;
}

std::string LoadStr(int Id) {
  if (const auto& hook = Override()) {
    if (auto text = hook(Id)) return std::move(*text);
  }
  const auto& table = Table();
  auto it = table.find(Id);
  return it == table.end() ? std::string() : it->second;
}

std::string ResStr(int Id) { return LoadStr(Id); }

void SetResourceStringOverride(TResourceStringOverride Hook) { Override() = std::move(Hook); }
