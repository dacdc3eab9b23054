// TInstitution: the details of the institution that keeps the registers,
// as the exchange files carry them in their header: upper-cased keys with
// their values, in the order they came. A plain value: the window side
// builds it from the program's settings and hands it to the document,
// which reads nothing global. GUI thread only.
#pragma once

#include <string>
#include <utility>
#include <vector>

struct TInstitution {
  // Upper-cased keys with their values.
  std::vector<std::pair<std::string, std::string>> Values;

  // The value of `key` (compared upper-cased), or "" when absent.
  std::string Value(const std::string& key) const;
  // Replaces the value of `key`, or appends the upper-cased key with it.
  void SetValue(const std::string& key, const std::string& value);
};
