// The string table: texts looked up by number, as classic resource strings.
//
// Subsystems register their ranges of numbered texts at start-up, usually
// from a static initializer:
//   static const bool kRegistered = RegisterResourceStrings({{1001, "Готово"}});
// An override hook, consulted before the table, lets a caller supply texts
// of another locale; the program installs none (its texts are Russian), so
// the table answers. Registration may run during static initialization;
// lookups and overrides are for the GUI thread only.
#pragma once

#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>

// Adds the texts (UTF-8); a number registered again takes the new text.
// Returns true, so that it can initialize a static.
bool RegisterResourceStrings(std::initializer_list<std::pair<int, const char*>> Strings);

// The text numbered Id: the override's answer if it gives one, else the
// registered text, else "".
std::string LoadStr(int Id);
// Same as LoadStr.
std::string ResStr(int Id);

// Installs the hook consulted first by LoadStr (nullptr/empty removes it).
// A hook returning std::nullopt lets the table answer.
using TResourceStringOverride = std::function<std::optional<std::string>(int Id)>;
void SetResourceStringOverride(TResourceStringOverride Hook);
