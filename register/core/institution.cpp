#include "register/core/institution.h"

#include <algorithm>

#include "platform/base/text.h"

namespace {
template <class Values>
auto FindKey(Values& values, const std::string& key) {
  const std::string upper = AnsiUpperCase(key);
  return std::find_if(values.begin(), values.end(),
                      [&upper](const auto& entry) { return entry.first == upper; });
}
}  // namespace

std::string TInstitution::Value(const std::string& key) const {
  const auto it = FindKey(Values, key);
  return it == Values.end() ? std::string() : it->second;
}

void TInstitution::SetValue(const std::string& key, const std::string& value) {
  const auto it = FindKey(Values, key);
  if (it != Values.end()) {
    it->second = value;
  } else {
    Values.emplace_back(AnsiUpperCase(key), value);
  }
}
