// TfrDataDictionary: the report's named variables (grouped under category
// headings: a name that begins with a blank), field aliases and band data
// source aliases.
//
// A variable's value is an expression, evaluated on every use, or a field
// reference "dataset.field" (the field part may be quoted), which answers
// the field's current value and opens a closed dataset first.
//
// Dictionary block (after the template's 0xFE tag):
//   u16 0xFFFE, then Variables, FieldAliases, BandDataSources, each as i32
//   count and count pairs of strings (name, value).
// Readers accept 0xFFFF and 0xFFFE; older layouts are refused. A list whose
// first name is no heading comes from a layout with the heading marks the
// other way round and is inverted; with 0xFFFF, field aliases naming no
// field and empty data-source aliases are dropped. The writer puts a
// heading first, so a list it wrote is never inverted.
//
// GUI thread only.
#pragma once

#include <map>
#include <string>
#include <unordered_set>

#include "platform/base/string_list.h"
#include "platform/base/variant.h"

class TDataSet;
class TStream;

class TfrDataDictionary {
 public:
  TfrDataDictionary();
  // "name=value" lines.
  TStringList Variables;
  TStringList FieldAliases;
  TStringList BandDataSources;
  TStringList Extra;

  // Empties the three lists and the cache.
  void Clear();
  // Whether `name` is a variable (not a heading). Field references are
  // resolved and cached on first use.
  bool IsVariable(const std::string& name);
  // The variable's value; Empty when it is none. A variable that refers to
  // itself, directly or through others, raises EParserError "Undefined
  // symbol" with its name in double quotes.
  void GetValue(const std::string& name, Variant& value);

  // Raises EReadError on a damaged or older block.
  void LoadFromStream(TStream& stream);
  void SaveToStream(TStream& stream);

 private:
  struct TEntry {
    bool IsField = false;
    TDataSet* DataSet = nullptr;
    std::string Field;
  };
  const TEntry& Resolve(const std::string& name, const std::string& value);
  std::map<std::string, TEntry> FCache;
  std::unordered_set<std::string> FResolving;
};
