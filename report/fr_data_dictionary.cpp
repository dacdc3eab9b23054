#include "report/fr_data_dictionary.h"

#include "platform/base/exceptions.h"
#include "platform/base/scope_guard.h"
#include "platform/base/stream.h"
#include "platform/base/text.h"
#include "platform/data/data_set.h"
#include "platform/data/fields.h"
#include "report/fr_engine.h"
#include "report/fr_stream.h"
#include "report/fr_utils.h"

namespace {

constexpr std::uint16_t kTagCurrent = 0xFFFE;
constexpr std::uint16_t kTagChecked = 0xFFFF;

void SaveList(TStream& stream, const TStrings& list, bool headingFirst) {
  const bool addHeading = headingFirst && list.Count() > 0 && !list.Names(0).starts_with(' ');
  WriteI32(stream, list.Count() + (addHeading ? 1 : 0));
  if (addHeading) {
    WriteString(stream, " ");
    WriteString(stream, "");
  }
  for (int i = 0; i < list.Count(); ++i) {
    const std::string line = list[i];
    const std::size_t eq = line.find('=');
    WriteString(stream, line.substr(0, eq));
    WriteString(stream, eq == std::string::npos ? std::string() : line.substr(eq + 1));
  }
}

void LoadList(TStream& stream, TStrings& list) {
  list.Clear();
  const std::int32_t count = ReadI32(stream);
  // Each pair takes at least six bytes.
  if (count < 0 || count > (stream.Size() - stream.Position()) / 6) throw EReadError(SReadError);
  for (std::int32_t i = 0; i < count; ++i) {
    std::string name = ReadString(stream);
    const std::string value = ReadString(stream);
    list.Add(name + "=" + value);
  }
}

}  // namespace

TfrDataDictionary::TfrDataDictionary() {
  for (TStringList* list : {&Variables, &FieldAliases, &BandDataSources}) {
    list->SetNameValueSeparator('=');
  }
}

void TfrDataDictionary::Clear() {
  Variables.Clear();
  FieldAliases.Clear();
  BandDataSources.Clear();
  FCache.clear();
}

const TfrDataDictionary::TEntry& TfrDataDictionary::Resolve(const std::string& name,
                                                            const std::string& value) {
  const std::string key = AnsiUpperCase(name);
  auto it = FCache.find(key);
  if (it != FCache.end()) return it->second;
  TEntry entry;
  if (value.find('.') != std::string::npos && !value.starts_with('\'')) {
    TDataSet* ds = nullptr;
    std::string field;
    TComponent* owner = frEngine().CurReport ? frEngine().CurReport->Owner() : nullptr;
    GetDataSetAndField(value, owner, ds, field);
    if (ds != nullptr && FieldExists(ds, field)) {
      entry.IsField = true;
      entry.DataSet = ds;
      entry.Field = field;
    }
  }
  return FCache.emplace(key, entry).first->second;
}

bool TfrDataDictionary::IsVariable(const std::string& name) {
  if (name.empty() || name[0] == ' ') return false;
  const int i = Variables.IndexOfName(name);
  if (i < 0) return false;
  Resolve(name, Variables.ValueFromIndex(i));
  return true;
}

void TfrDataDictionary::GetValue(const std::string& name, Variant& value) {
  value = Variant();
  if (!IsVariable(name)) return;
  const int i = Variables.IndexOfName(name);
  const std::string text = Variables.ValueFromIndex(i);
  const TEntry& entry = Resolve(name, text);
  if (entry.IsField) {
    if (!entry.DataSet->Active()) entry.DataSet->Open();
    value = GetFieldValue(entry.DataSet->FieldByName(entry.Field));
    return;
  }
  if (TfrReportBase* report = frEngine().CurReport) {
    const int r = report->Variables().IndexOf(name);
    if (r >= 0) {
      value = report->Variables().GetValueAt(r);
      return;
    }
  }
  if (Trim(text).empty()) {
    value = Variant(text);
    return;
  }
  const std::string key = AnsiUpperCase(name);
  if (!FResolving.insert(key).second)
    throw EParserError(LoadEngineString(frsUndefinedSymbol) + " \"" + name + "\"");
  TScopeExit resolved([&] { FResolving.erase(key); });
  value = frEngine().Parser.Calculate(text);
}

void TfrDataDictionary::SaveToStream(TStream& stream) {
  WriteU16(stream, kTagCurrent);
  SaveList(stream, Variables, true);
  SaveList(stream, FieldAliases, false);
  SaveList(stream, BandDataSources, false);
}

void TfrDataDictionary::LoadFromStream(TStream& stream) {
  Clear();
  const std::uint16_t tag = ReadU16(stream);
  if (tag != kTagCurrent && tag != kTagChecked) throw EReadError(SReadError);
  LoadList(stream, Variables);
  LoadList(stream, FieldAliases);
  LoadList(stream, BandDataSources);
  if (Variables.Count() > 0 && !Variables.Names(0).starts_with(' ')) {
    for (int i = 0; i < Variables.Count(); ++i) {
      const std::string line = Variables[i];
      Variables.SetStrings(i, line.starts_with(' ') ? line.substr(1) : " " + line);
    }
  }
  if (tag == kTagChecked) {
    TComponent* owner = frEngine().CurReport ? frEngine().CurReport->Owner() : nullptr;
    for (int i = FieldAliases.Count() - 1; i >= 0; --i) {
      TDataSet* ds = nullptr;
      std::string field;
      GetDataSetAndField(FieldAliases.ValueFromIndex(i), owner, ds, field);
      if (ds == nullptr || !FieldExists(ds, field)) FieldAliases.Delete(i);
    }
    for (int i = BandDataSources.Count() - 1; i >= 0; --i)
      if (BandDataSources.ValueFromIndex(i).empty()) BandDataSources.Delete(i);
  }
}
