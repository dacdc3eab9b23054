#include "report/fr_utils.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/base/component.h"
#include "platform/base/exceptions.h"
#include "platform/base/math_utils.h"
#include "platform/base/string_list.h"
#include "platform/base/string_table.h"
#include "platform/base/text.h"
#include "platform/data/data_set.h"
#include "platform/data/fields.h"
#include "report/fr_dataset.h"

namespace {

const bool kStringsRegistered = RegisterResourceStrings({
    {frsVirtualPrinter, "Virtual printer"},
    {frsBandFirst + 0, "Report title"},
    {frsBandFirst + 1, "Report summary"},
    {frsBandFirst + 2, "Page header"},
    {frsBandFirst + 3, "Page footer"},
    {frsBandFirst + 4, "Master header"},
    {frsBandFirst + 5, "Master data"},
    {frsBandFirst + 6, "Master footer"},
    {frsBandFirst + 7, "Detail header"},
    {frsBandFirst + 8, "Detail data"},
    {frsBandFirst + 9, "Detail footer"},
    {frsBandFirst + 10, "Subdetail header"},
    {frsBandFirst + 11, "Subdetail data"},
    {frsBandFirst + 12, "Subdetail footer"},
    {frsBandFirst + 13, "Overlay"},
    {frsBandFirst + 14, "Column header"},
    {frsBandFirst + 15, "Column footer"},
    {frsBandFirst + 16, "Group header"},
    {frsBandFirst + 17, "Group footer"},
    {frsBandFirst + 18, "Cross header"},
    {frsBandFirst + 19, "Cross data"},
    {frsBandFirst + 20, "Cross footer"},
    {frsBandFirst + 21, "Child"},
    {frsBandFirst + 22, "None"},
    {frsBooleanFormatFirst + 0, "0;1"},
    {frsBooleanFormatFirst + 1, "No;Yes"},
    {frsBooleanFormatFirst + 2, "_;x"},
    {frsBooleanFormatFirst + 3, "False;True"},
    {frsDateFormatFirst + 0, "mm.dd.yy"},
    {frsDateFormatFirst + 1, "mm.dd.yyyy"},
    {frsDateFormatFirst + 2, "d mmm yyyy"},
    {frsDateFormatFirst + 3, "d mmmm yyyy"},
    {frsTimeFormatFirst + 0, "hh:nn:ss"},
    {frsTimeFormatFirst + 1, "h:nn:ss"},
    {frsTimeFormatFirst + 2, "hh:nn"},
    {frsTimeFormatFirst + 3, "h:nn"},
    {frsError, "Error"},
    {frsUnsupportedFormat, "Unsupported FRF format"},
    {frsUndefinedSymbol, "Undefined symbol"},
});

}  // namespace

std::string LoadEngineString(int id) { return LoadStr(id); }

void frRaiseDamaged() { throw EReadError(LoadEngineString(frsUnsupportedFormat)); }

int frCheckedValue(std::int64_t value, int limit) {
  if (value < -limit || value > limit) frRaiseDamaged();
  return static_cast<int>(value);
}

int frScaled(double value) {
  if (std::isnan(value)) return 0;
  const double limited = std::clamp(value, -double{kfrMaxScaled}, double{kfrMaxScaled});
  return static_cast<int>(Round(limited));
}

int frScaled(double value, int offset) {
  return static_cast<int>(std::clamp<std::int64_t>(std::int64_t{frScaled(value)} + offset,
                                                   -kfrMaxScaled, kfrMaxScaled));
}

TFontStyles StyleFromInt(int style) {
  TFontStyles result;
  if (style & 1) result.Include(fsItalic);
  if (style & 2) result.Include(fsBold);
  if (style & 4) result.Include(fsUnderline);
  if (style & 8) result.Include(fsStrikeOut);
  return result;
}

int IntFromStyle(TFontStyles style) {
  return (style.Contains(fsItalic) ? 1 : 0) | (style.Contains(fsBold) ? 2 : 0) |
         (style.Contains(fsUnderline) ? 4 : 0) | (style.Contains(fsStrikeOut) ? 8 : 0);
}

void SplitSemicolonList(std::string_view text, TStrings& list) {
  list.Clear();
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find(';', start);
    if (end == std::string_view::npos) {
      list.Add(text.substr(start));
      return;
    }
    list.Add(text.substr(start, end - start));
    start = end + 1;
  }
}

std::string RemoveQuotes(std::string_view text) {
  if (Length(text) >= 3 && text.front() == '"' && text.back() == '"')
    return std::string(text.substr(1, text.size() - 2));
  return std::string(text);
}

TComponent* FindComponentByPath(TComponent* owner, std::string_view path) {
  try {
    if (path.find('.') == std::string_view::npos)
      return owner != nullptr ? owner->FindComponent(path) : nullptr;
    return ::FindComponentByPath(path);
  } catch (const std::exception&) {
    return nullptr;
  }
}

void GetDataSetAndField(std::string_view text, TComponent* owner, TDataSet*& dataSet,
                        std::string& fieldName) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= text.size()) {
    if (start < text.size() && text[start] == '"') {
      parts.emplace_back(text.substr(start));
      break;
    }
    const std::size_t dot = text.find('.', start);
    if (dot == std::string_view::npos) {
      parts.emplace_back(text.substr(start));
      break;
    }
    parts.emplace_back(text.substr(start, dot - start));
    start = dot + 1;
  }
  fieldName.clear();
  if (parts.size() > 4) {
    dataSet = nullptr;
    return;
  }
  if (parts.size() > 1) {
    std::string path = parts[0];
    for (std::size_t i = 1; i + 1 < parts.size(); ++i) path += "." + parts[i];
    TComponent* found = FindComponentByPath(owner, path);
    dataSet = dynamic_cast<TDataSet*>(found);
    if (dataSet == nullptr) {
      // A report dataset stands for the table it walks.
      if (auto* frDataSet = dynamic_cast<TfrDBDataSet*>(found)) {
        try {
          dataSet = frDataSet->GetDataSet();
        } catch (const std::exception&) {
          dataSet = nullptr;
        }
      }
    }
  }
  const std::string name = RemoveQuotes(parts.back());
  fieldName = name;
  if (dataSet == nullptr) return;
  TStringList names;
  GetFieldNamesSafe(dataSet, names);
  const int i = names.IndexOf(name);
  if (i >= 0) fieldName = names[i];
}

Variant GetFieldValue(TField* field) {
  TDataSet* dataSet = field->DataSet();
  if (dataSet != nullptr && !dataSet->Active()) dataSet->Open();
  if (field->Lookup() || field->DataType() == ftLargeint) return Variant(field->DisplayText());
  Variant value = field->Value();
  if (VarIsNull(value) || VarIsEmpty(value)) {
    switch (field->DataType()) {
      case ftString:
      case ftFixedChar:
      case ftWideString:
      case ftMemo:
        return Variant("");
      case ftBoolean:
        return Variant(false);
      default:
        return Variant(0);
    }
  }
  return value;
}

bool FieldExists(TDataSet* dataSet, std::string_view fieldName) {
  TStringList names;
  GetFieldNamesSafe(dataSet, names);
  return names.IndexOf(fieldName) >= 0;
}
