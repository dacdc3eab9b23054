// Small routines shared by the report engine: its message strings, font
// style numbers, list and quote helpers, and the lookups that turn a
// "dataset.field" text into a dataset and a field value.
//
// GUI thread only. The stream records are in fr_stream.h.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/base/variant.h"
#include "platform/draw/graphics.h"

class TComponent;
class TDataSet;
class TField;
class TStrings;

// Engine string numbers used by the engine itself.
inline constexpr int frsVirtualPrinter = 55007;
inline constexpr int frsBandFirst = 55077;  // 23 band kind names
inline constexpr int frsBooleanFormatFirst = 55170;
inline constexpr int frsDateFormatFirst = 55175;
inline constexpr int frsTimeFormatFirst = 55179;
inline constexpr int frsError = 55206;
inline constexpr int frsUnsupportedFormat = 55345;
inline constexpr int frsUndefinedSymbol = 55439;

// The engine's text with string-table number `id` (53000..55439); a
// replacement locale overrides it through the string table's hook.
std::string LoadEngineString(int id);

// Limits of what a page can hold. Geometry read from a file lies within
// kfrMaxCoordinate (screen pixels at 96 dpi, or tenths of a millimetre for
// paper: over 100 m either way), so sums of a few such values stay inside
// int. Scaled for a device, a coordinate saturates at kfrMaxScaled, which
// leaves room for the same sums.
inline constexpr int kfrMaxCoordinate = 1 << 20;
inline constexpr int kfrMaxScaled = 1 << 28;
inline constexpr int kfrMaxFontSize = 1 << 14;  // points
inline constexpr int kfrMaxColumns = 1 << 10;

// Raises EReadError "Unsupported FRF format", the engine's damaged-file error.
[[noreturn]] void frRaiseDamaged();
// `value` when it lies within -limit..limit; else frRaiseDamaged.
int frCheckedValue(std::int64_t value, int limit = kfrMaxCoordinate);
// `value` rounded (halves to even), saturated at +-kfrMaxScaled; NaN is 0.
// With `offset`: that plus the offset, saturated again.
int frScaled(double value);
int frScaled(double value, int offset);

// Script font-style numbers: 1 italic, 2 bold, 4 underline, 8 strike-out.
TFontStyles StyleFromInt(int style);
int IntFromStyle(TFontStyles style);

// Clears `list` and adds every part of `text` between ';' (an empty part
// between two separators is kept; a trailing ';' adds nothing).
void SplitSemicolonList(std::string_view text, TStrings& list);

// A text of at least three characters that starts and ends with '"' loses
// both quotes; any other text comes back unchanged.
std::string RemoveQuotes(std::string_view text);

// "comp" among owner's components; "form.comp" and "form.comp.sub" from the
// application's global components. nullptr when anything fails.
TComponent* FindComponentByPath(TComponent* owner, std::string_view path);

// Splits "field", "ds.field", "form.ds.field" or "form.ds.sub.field" (a '"'
// starts a last part running to the end). With one part `dataSet` stays as
// given; otherwise it becomes the dataset found from `owner` (the current
// report's owner) or nullptr. `fieldName` is the last part without quotes,
// as the dataset spells it when it has such a field.
void GetDataSetAndField(std::string_view text, TComponent* owner, TDataSet*& dataSet,
                        std::string& fieldName);

// Opens the field's dataset when it is closed. Lookup and 64-bit integer
// fields give their display text; a null value becomes "" for text fields,
// false for Boolean ones and 0 for the others.
Variant GetFieldValue(TField* field);

// Whether `fieldName` is among the dataset's field names.
bool FieldExists(TDataSet* dataSet, std::string_view fieldName);
