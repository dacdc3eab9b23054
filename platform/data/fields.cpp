#include "platform/data/fields.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string_view>

#include "platform/base/edit_mask.h"
#include "platform/base/format.h"
#include "platform/base/format_settings.h"
#include "platform/base/number_format.h"
#include "platform/base/scope_guard.h"
#include "platform/base/stream.h"
#include "platform/base/text.h"
#include "platform/base/two_digits.h"
#include "platform/data/data_set.h"
#include "platform/data/db_consts.h"

namespace {

// Native buffer of a field, zeroed; strings get room for the NUL.
std::string NativeBuffer(int size) {
  return std::string(static_cast<std::size_t>(std::max(size, 0)) + 1, '\0');
}

}  // namespace

// ---- TField

TField::TField(TComponent* owner, TFieldType dataType) : TComponent(owner), FDataType(dataType) {}

void TField::BeforeDestruction() {
  if (FDataSet != nullptr) {
    try {
      FDataSet->Close();
    } catch (...) {
    }
    FDataSet->FFields->Remove(this);
    FDataSet = nullptr;
  }
  TComponent::BeforeDestruction();
}

void TField::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == FLookupDataSet) FLookupDataSet = nullptr;
}

void TField::SetDataSet(TDataSet* dataSet) {
  if (dataSet == FDataSet) return;
  if (FDataSet != nullptr) FDataSet->CheckInactive();
  if (dataSet != nullptr) {
    dataSet->CheckInactive();
    if (!FFieldName.empty() && dataSet->FindField(FFieldName) != nullptr) {
      DatabaseError(Format(SDuplicateFieldName, DisplayName()), dataSet);
    }
  }
  if (FDataSet != nullptr) FDataSet->FFields->Remove(this);
  FDataSet = dataSet;
  if (FDataSet != nullptr) FDataSet->FFields->Add(this);
}

void TField::SetFieldName(const std::string& name) {
  if (FDataSet != nullptr) {
    FDataSet->CheckInactive();
    TField* other = FDataSet->FindField(name);
    if (other != nullptr && other != this)
      DatabaseError(Format(SDuplicateFieldName, name), FDataSet);
  }
  FFieldName = name;
}

void TField::SetFieldKind(TFieldKind kind) {
  if (FFieldKind == kind) return;
  if (FDataSet != nullptr) {
    FDataSet->CheckInactive();
    FDataSet->FLookupFieldsKnown = false;
    FDataSet->FRequiredFieldsKnown = false;
  }
  FFieldKind = kind;
}

void TField::SetSize(int size) {
  if (FDataSet != nullptr) FDataSet->CheckInactive();
  if (size != 0) DatabaseError(Format(SFieldValueError, DisplayName()));
  FSize = size;
}

namespace {

void NotifyLayout(TDataSet* dataSet) {
  if (dataSet != nullptr && dataSet->Active()) dataSet->DataEvent(deLayoutChange, 0);
}

}  // namespace

void TField::SetDisplayLabel(const std::string& label) {
  if (FDisplayLabel == label) return;
  FDisplayLabel = label;
  NotifyLayout(FDataSet);
}

void TField::SetDisplayWidth(int width) {
  if (FDisplayWidth == width) return;
  FDisplayWidth = width;
  NotifyLayout(FDataSet);
}

void TField::SetAlignment(TAlignment alignment) {
  if (FAlignment == alignment) return;
  FAlignment = alignment;
  NotifyLayout(FDataSet);
}

void TField::SetVisible(bool visible) {
  if (FVisible == visible) return;
  FVisible = visible;
  NotifyLayout(FDataSet);
}

void TField::SetRequired(bool required) {
  FRequired = required;
  if (FDataSet != nullptr) FDataSet->FRequiredFieldsKnown = false;
}

void TField::SetReadOnly(bool readOnly) {
  if (FReadOnly == readOnly) return;
  FReadOnly = readOnly;
  if (FDataSet != nullptr) FDataSet->FRequiredFieldsKnown = false;
  if (FDataSet != nullptr && FDataSet->Active()) FDataSet->DataEvent(deDataSetChange, 0);
}

void TField::SetEditMask(const std::string& mask) {
  if (FEditMask == mask) return;
  FEditMask = mask;
  if (FDataSet != nullptr && FDataSet->Active()) FDataSet->DataEvent(deDataSetChange, 0);
}

int TField::Index() const { return FDataSet ? FDataSet->FFields->IndexOf(this) : -1; }

void TField::SetIndex(int index) {
  if (FDataSet != nullptr) FDataSet->FFields->SetFieldIndex(this, index);
}

bool TField::CanModify() const {
  if (FReadOnly || FDataSet == nullptr) return false;
  if (FFieldKind == fkLookup) {
    if (FKeyFields.empty()) return false;
    for (TField* key : FDataSet->GetFieldList(FKeyFields)) {
      if (!key->CanModify()) return false;
    }
  } else if (FFieldKind != fkData && FFieldKind != fkInternalCalc &&
             FDataSet->State() != dsCalcFields) {
    return false;
  }
  return FDataSet->CanModify();
}

bool TField::IsValidChar(char32_t) const { return true; }

void TField::FocusControl() {
  if (FDataSet == nullptr || !FDataSet->Active()) return;
  TField* field = this;
  FDataSet->DataEvent(deFocusControl, reinterpret_cast<std::intptr_t>(&field));
}

void TField::SetLookupDataSet(TDataSet* dataSet) {
  if (FLookupDataSet == dataSet) return;
  if (FLookupDataSet != nullptr) RemoveFreeNotification(FLookupDataSet);
  FLookupDataSet = dataSet;
  if (dataSet != nullptr) FreeNotification(dataSet);
}

void TField::CheckHasDataSet() const {
  if (FDataSet == nullptr) DatabaseError(Format(SDataSetMissing, DisplayName()));
}

bool TField::GetStringData(std::string& value) const {
  if (FDataSet == nullptr) CheckHasDataSet();  // raises
  if (FValidating) return GetStringDataThroughBuffer(value);
  return FDataSet->GetFieldString(const_cast<TField*>(this), value);
}

bool TField::GetCurrencyData(Currency& value) const {
  CheckHasDataSet();
  if (FValidating) {
    if (IsNull()) return false;
    value = AsCurrency();
    return true;
  }
  return FDataSet->GetFieldCurrency(const_cast<TField*>(this), value);
}

bool TField::GetDecimalText(std::string_view& text) const {
  if (FDataSet == nullptr) CheckHasDataSet();  // raises
  return !FValidating && FDataSet->GetFieldDecimalText(const_cast<TField*>(this), text);
}

bool TField::GetDateParts(TDateParts& parts) const {
  if (FDataSet == nullptr) CheckHasDataSet();  // raises
  return !FValidating && FDataSet->GetFieldDateParts(const_cast<TField*>(this), parts);
}

bool TField::GetStringDataThroughBuffer(std::string& value) const {
  // The native value goes through the stack, and the text is made in
  // `value` with one allocation.
  const std::size_t size = static_cast<std::size_t>(std::max(DataSize(), 0)) + 1;
  char local[512];
  std::string heap;
  char* buffer = local;
  if (size > sizeof local) {
    heap.assign(size, '\0');
    buffer = heap.data();
  } else {
    std::memset(local, 0, size);
  }
  if (!GetData(buffer)) return false;
  const std::size_t length = std::strlen(buffer);
  if (Transliterate() && length > 0) {
    value.resize(length * 4 + 1);
    const int written = DataSet()->Translate(buffer, value.data(), false);
    value.resize(static_cast<std::size_t>(std::max(written, 0)));
  } else {
    value.assign(buffer, length);
  }
  return true;
}

bool TField::GetData(void* buffer) const {
  CheckHasDataSet();
  if (FValidating) {
    if (FValidatingBuffer == nullptr) return false;
    if (buffer != nullptr)
      std::memcpy(buffer, FValidatingBuffer, static_cast<std::size_t>(DataSize()));
    return true;
  }
  return FDataSet->GetFieldData(const_cast<TField*>(this), buffer);
}

void TField::SetData(const void* buffer) {
  CheckHasDataSet();
  FDataSet->SetFieldData(this, buffer);
}

void TField::Validate(const void* buffer) {
  if (!OnValidate) return;
  TValueGuard<const void*> validatingBuffer(FValidatingBuffer, buffer);
  TFlagGuard validating(FValidating);
  OnValidate(this);
}

void TField::Change() {
  if (OnChange) OnChange(this);
}

void TField::CheckReadOnly() const {
  if (FReadOnly) DatabaseError(Format(SFieldReadOnly, DisplayName()));
}

bool TField::IsNull() const { return !GetData(nullptr); }

void TField::SetAsVariant(const Variant& value) {
  if (VarIsNull(value) || VarIsEmpty(value)) {
    Clear();
  } else {
    SetVarValue(value);
  }
}

std::string TField::EditText() const {
  std::string text;
  if (OnGetText) {
    OnGetText(const_cast<TField*>(this), text, false);
  } else {
    GetText(text, false);
  }
  return text;
}

void TField::SetEditText(const std::string& text) {
  if (OnSetText) {
    OnSetText(this, text);
  } else {
    SetFieldText(text);
  }
}

std::string TField::DisplayText() const {
  std::string text;
  if (OnGetText) {
    OnGetText(const_cast<TField*>(this), text, true);
  } else {
    GetText(text, true);
  }
  return text;
}

Variant TField::StateValue(int state) const {
  CheckHasDataSet();
  return FDataSet->GetStateFieldValue(static_cast<TDataSetState>(state), const_cast<TField*>(this));
}

Variant TField::OldValue() const { return StateValue(dsOldValue); }
Variant TField::NewValue() const { return StateValue(dsNewValue); }
Variant TField::CurValue() const { return StateValue(dsCurValue); }

void TField::AccessError(const char* typeName) const {
  DatabaseError(Format(SFieldAccessError, DisplayName(), std::string(typeName)));
}

void TField::RangeError(const std::string& value, const std::string& min,
                        const std::string& max) const {
  DatabaseError(Format(SFieldRangeError, value, DisplayName(), min, max));
}

void TField::OutOfRange(const std::string& value, const std::string& min, const std::string& max) {
  if ((FFieldKind == fkCalculated || FFieldKind == fkLookup) && FDataSet != nullptr &&
      FDataSet->State() == dsCalcFields) {
    SetData(nullptr);
    return;
  }
  RangeError(value, min, max);
}

std::string TField::GetAsString() const { AccessError("String"); }
void TField::SetAsStringValue(const std::string&) { AccessError("String"); }
int TField::GetAsInteger() const { AccessError("Integer"); }
void TField::SetAsIntegerValue(int) { AccessError("Integer"); }
double TField::GetAsFloat() const { AccessError("Float"); }
void TField::SetAsFloatValue(double) { AccessError("Float"); }
Currency TField::GetAsCurrency() const { return Currency(GetAsFloat()); }
void TField::SetAsCurrencyValue(Currency value) { SetAsFloatValue(value.ToDouble()); }
TDateTime TField::GetAsDateTime() const { AccessError("DateTime"); }
void TField::SetAsDateTimeValue(TDateTime) { AccessError("DateTime"); }
bool TField::GetAsBoolean() const { AccessError("Boolean"); }
void TField::SetAsBooleanValue(bool) { AccessError("Boolean"); }
Variant TField::GetAsVariant() const { AccessError("Variant"); }
void TField::SetVarValue(const Variant&) { AccessError("Variant"); }
void TField::GetText(std::string& text, bool) const { text = GetAsString(); }
void TField::SetFieldText(const std::string& text) { SetAsStringValue(text); }

// ---- TStringField

std::string_view NativeText(const char* buffer, std::size_t size) {
  // Mostly filling: skipped a block, then a word, at a time from the end.
  for (std::uint64_t w[4]; size >= 32; size -= 32) {
    std::memcpy(w, buffer + size - 32, 32);
    if ((w[0] | w[1] | w[2] | w[3]) != 0) break;
  }
  for (std::uint64_t word; size >= 8; size -= 8) {
    std::memcpy(&word, buffer + size - 8, 8);
    if (word != 0) break;
  }
  while (size > 0 && buffer[size - 1] == '\0') --size;
  return std::string_view(buffer, size);
}

std::string TranslatedText(TDataSet& ds, const char* text, std::size_t length, bool toOem) {
  // Translate reads up to a NUL: a text that holds NUL bytes goes through
  // it a piece at a time.
  std::string out(length * 4 + 1, '\0');
  std::size_t written = 0;
  for (std::size_t at = 0;;) {
    const std::size_t piece = strnlen(text + at, length - at);
    written +=
        static_cast<std::size_t>(std::max(ds.Translate(text + at, out.data() + written, toOem), 0));
    at += piece;
    if (at >= length) break;
    out[written++] = '\0';
    ++at;
  }
  out.resize(written);
  return out;
}

TStringField::TStringField(TComponent* owner, TFieldType type) : TField(owner, type) {
  SetSizeValue(20);
  SetTransliterate(true);
}

void TStringField::SetSize(int size) {
  if (DataSet() != nullptr) DataSet()->CheckInactive();
  if (size < 0) DatabaseError(Format(SFieldValueError, DisplayName()));
  SetSizeValue(size);
}

bool TStringField::GetValue(std::string& value) const { return GetStringData(value); }

std::string TStringField::GetAsString() const {
  std::string value;
  if (!GetValue(value)) value.clear();
  return value;
}

void TStringField::SetAsStringValue(const std::string& value) {
  // No text has more characters than bytes: most need no counting.
  // The value itself when it needs neither cut nor translation, as a
  // calculated field's usually does: no copy of it.
  std::string cut;
  std::string_view text = value;
  if (static_cast<int>(value.size()) > Size() && Length(value) > Size()) {
    cut = Copy(value, 1, Size());
    text = cut;
  }
  if (Transliterate()) {
    const char* source = text.data() == value.data() ? value.c_str() : cut.c_str();
    cut = DataSet() ? TranslatedText(*DataSet(), source, text.size(), true) : std::string();
    text = cut;
  }
  // The native buffer on the stack when it is small, as most are: the
  // text, then NULs to the end.
  const std::size_t size = static_cast<std::size_t>(std::max(DataSize(), 0)) + 1;
  const std::size_t n = std::min(text.size(), size - 1);
  char local[256];
  std::string heap;
  char* buffer = local;
  if (size > sizeof local) {
    heap = NativeBuffer(DataSize());
    buffer = heap.data();
  } else if (size <= 64) {
    std::memset(local, 0, 64);  // a fixed size is a few stores, no call
  } else {
    std::memset(local + n, 0, size - n);
  }
  std::memcpy(buffer, text.data(), n);
  SetData(buffer);
}

int TStringField::GetAsInteger() const { return StrToInt(GetAsString()); }
void TStringField::SetAsIntegerValue(int value) { SetAsStringValue(IntToStr(value)); }
double TStringField::GetAsFloat() const { return StrToFloat(GetAsString()); }
void TStringField::SetAsFloatValue(double value) { SetAsStringValue(FloatToStr(value)); }
TDateTime TStringField::GetAsDateTime() const { return StrToDateTime(GetAsString()); }
void TStringField::SetAsDateTimeValue(TDateTime value) { SetAsStringValue(DateTimeToStr(value)); }

bool TStringField::GetAsBoolean() const {
  std::string text = GetAsString();
  return !text.empty() && (text[0] == 'T' || text[0] == 't' || text[0] == 'Y' || text[0] == 'y');
}

void TStringField::SetAsBooleanValue(bool value) { SetAsStringValue(value ? "T" : "F"); }

Variant TStringField::GetAsVariant() const {
  std::string value;
  if (!GetValue(value)) return Variant::Null();
  return Variant(value);
}

void TStringField::SetVarValue(const Variant& value) { SetAsStringValue(VarToStr(value)); }

void TStringField::GetText(std::string& text, bool displayText) const {
  text = GetAsString();
  if (displayText && !EditMask().empty()) text = FormatMaskText(EditMask(), text);
}

TWideStringField::TWideStringField(TComponent* owner) : TStringField(owner, ftWideString) {
  SetTransliterate(false);
}

TFixedCharField::TFixedCharField(TComponent* owner) : TStringField(owner, ftFixedChar) {
  SetFixedChar(true);
}

// ---- TBytesField

TBytesField::TBytesField(TComponent* owner) : TField(owner, ftBytes) { SetSizeValue(16); }

std::string TBytesField::GetAsString() const {
  std::string buffer = NativeBuffer(DataSize());
  if (!GetData(buffer.data())) return {};
  buffer.resize(static_cast<std::size_t>(DataSize()));
  return buffer;
}

void TBytesField::SetAsStringValue(const std::string& value) {
  std::string buffer = NativeBuffer(DataSize());
  std::memcpy(buffer.data(), value.data(),
              std::min(value.size(), static_cast<std::size_t>(DataSize())));
  SetData(buffer.data());
}

Variant TBytesField::GetAsVariant() const {
  return IsNull() ? Variant::Null() : Variant(GetAsString());
}

void TBytesField::SetVarValue(const Variant& value) { SetAsStringValue(VarToStr(value)); }

// ---- TNumericField

TNumericField::TNumericField(TComponent* owner, TFieldType type) : TField(owner, type) {
  SetAlignment(taRightJustify);
}

void TNumericField::SetDisplayFormat(const std::string& format) {
  if (FDisplayFormat == format) return;
  FDisplayFormat = format;
  if (DataSet() != nullptr && DataSet()->Active()) DataSet()->DataEvent(deDataSetChange, 0);
}

void TNumericField::SetEditFormat(const std::string& format) { FEditFormat = format; }

const std::string& TNumericField::TextFormat(bool displayText) const {
  return (displayText || FEditFormat.empty()) ? FDisplayFormat : FEditFormat;
}

// ---- TIntegralField

TIntegralField::TIntegralField(TComponent* owner, TFieldType type, std::int64_t minRange,
                               std::int64_t maxRange)
    : TNumericField(owner, type), FMinRange(minRange), FMaxRange(maxRange) {}

TIntegerField::TIntegerField(TComponent* owner, TFieldType type, std::int64_t minRange,
                             std::int64_t maxRange)
    : TIntegralField(owner, type, minRange, maxRange) {}

int TIntegralField::DataSize() const {
  switch (DataType()) {
    case ftSmallint:
    case ftWord:
      return 2;
    case ftLargeint:
      return 8;
    default:
      return 4;
  }
}

bool TIntegralField::IsValidChar(char32_t ch) const {
  return ch == '+' || ch == '-' || (ch >= '0' && ch <= '9');
}

bool TIntegralField::GetValue(std::int64_t& value) const {
  unsigned char buffer[8] = {};
  if (!GetData(buffer)) return false;
  switch (DataType()) {
    case ftSmallint: {
      std::int16_t v;
      std::memcpy(&v, buffer, 2);
      value = v;
      break;
    }
    case ftWord: {
      std::uint16_t v;
      std::memcpy(&v, buffer, 2);
      value = v;
      break;
    }
    case ftLargeint: {
      std::int64_t v;
      std::memcpy(&v, buffer, 8);
      value = v;
      break;
    }
    default: {
      std::int32_t v;
      std::memcpy(&v, buffer, 4);
      value = v;
      break;
    }
  }
  return true;
}

void TIntegralField::SetInt64(std::int64_t value) {
  std::int64_t lo = FMinRange, hi = FMaxRange;
  if (FMinValue != 0 || FMaxValue != 0) {
    lo = FMinValue;
    hi = FMaxValue;
  }
  if (value < lo || value > hi) {
    OutOfRange(IntToStr(value), IntToStr(lo), IntToStr(hi));
    return;
  }
  unsigned char buffer[8] = {};
  switch (DataType()) {
    case ftSmallint: {
      auto v = static_cast<std::int16_t>(value);
      std::memcpy(buffer, &v, 2);
      break;
    }
    case ftWord: {
      auto v = static_cast<std::uint16_t>(value);
      std::memcpy(buffer, &v, 2);
      break;
    }
    case ftLargeint:
      std::memcpy(buffer, &value, 8);
      break;
    default: {
      auto v = static_cast<std::int32_t>(value);
      std::memcpy(buffer, &v, 4);
      break;
    }
  }
  SetData(buffer);
}

namespace {

// Whether `text` is an integer as IntToStr writes it that fits `kind`.
bool IsIntegerText(std::string_view text, TFieldType kind) {
  // Up to four digits without a sign, as most stored integers are, fit
  // every kind: their bytes are checked without a loop (places repeat
  // when there are fewer than four).
  const std::size_t n = text.size();
  if (n - 1 < 4) {
    auto digit = [&](std::size_t i) { return static_cast<unsigned char>(text[i] - '0') <= 9; };
    const std::size_t second = n > 1 ? 1 : 0, third = n > 1 ? n - 2 : 0;
    if (digit(0) && digit(second) && digit(third) && digit(n - 1)) return text[0] != '0' || n == 1;
  }
  const bool negative = !text.empty() && text[0] == '-';
  const std::string_view digits = text.substr(negative ? 1 : 0);
  if (digits.empty() || digits.size() > 18 || (digits[0] == '0' && digits.size() > 1) ||
      (negative && digits[0] == '0'))
    return false;
  for (const char c : digits)
    if (static_cast<unsigned char>(c - '0') > 9) return false;
  // Up to four digits fit every kind but a word below zero.
  if (digits.size() <= 4) return !negative || kind != ftWord;
  std::int64_t value = 0;
  for (const char c : digits) value = value * 10 + (c - '0');
  if (negative) value = -value;
  switch (kind) {
    case ftSmallint:
      return value >= INT16_MIN && value <= INT16_MAX;
    case ftWord:
      return value >= 0 && value <= UINT16_MAX;
    case ftLargeint:
      return true;
    default:
      return value >= INT32_MIN && value <= INT32_MAX;
  }
}

// The value of stored decimal text `text` (blanks and '+' already gone):
// false unless it is an optional '-' and at most 18 digits making a value
// that fits `kind`.
bool StoredInteger(std::string_view text, TFieldType kind, std::int64_t& value) {
  const bool negative = !text.empty() && text[0] == '-';
  const std::string_view digits = text.substr(negative ? 1 : 0);
  if (digits.empty() || digits.size() > 18) return false;
  // Two digits a step, after the first one of an odd count.
  std::int64_t v = 0;
  std::size_t i = digits.size() % 2;
  if (i == 1) {
    v = static_cast<unsigned>(digits[0] - '0');
    if (v > 9) return false;
  }
  for (; i < digits.size(); i += 2) {
    const auto tens = static_cast<unsigned>(digits[i] - '0');
    const auto ones = static_cast<unsigned>(digits[i + 1] - '0');
    if (tens > 9 || ones > 9) return false;
    v = v * 100 + tens * 10 + ones;
  }
  if (negative) v = -v;
  const bool fits = kind == ftSmallint   ? v >= INT16_MIN && v <= INT16_MAX
                    : kind == ftWord     ? v >= 0 && v <= UINT16_MAX
                    : kind == ftLargeint ? true
                                         : v >= INT32_MIN && v <= INT32_MAX;
  if (fits) value = v;
  return fits;
}

}  // namespace

std::string TIntegralField::GetAsString() const {
  std::string_view stored;
  if (GetDecimalText(stored) && IsIntegerText(stored, DataType())) return std::string(stored);
  std::int64_t value;
  return GetValue(value) ? IntToStr(value) : std::string();
}

void TIntegralField::SetAsStringValue(const std::string& value) {
  if (value.empty()) {
    Clear();
    return;
  }
  std::int64_t number;
  if (!TryStrToInt64(value, number))
    throw EConvertError(Format(SInvalidIntegerValue, value, DisplayName()));
  SetInt64(number);
}

int TIntegralField::GetAsInteger() const {
  // From the stored digits when the storage keeps them (the value
  // GetValue decodes from the same digits).
  std::string_view stored;
  std::int64_t value;
  if (GetDecimalText(stored) && StoredInteger(stored, DataType(), value) && value >= INT32_MIN &&
      value <= INT32_MAX)
    return static_cast<int>(value);
  if (!GetValue(value)) return 0;
  if (value < INT32_MIN || value > INT32_MAX) AccessError("Integer");
  return static_cast<int>(value);
}

double TIntegralField::GetAsFloat() const {
  std::int64_t value;
  return GetValue(value) ? static_cast<double>(value) : 0.0;
}

void TIntegralField::SetAsFloatValue(double value) {
  if (!std::isfinite(value) || std::fabs(value) > 9.2e18) {
    OutOfRange(FloatToStr(value), IntToStr(FMinRange), IntToStr(FMaxRange));
    return;
  }
  SetInt64(static_cast<std::int64_t>(std::nearbyint(value)));
}

Currency TIntegralField::GetAsCurrency() const { return Currency(GetAsFloat()); }
void TIntegralField::SetAsCurrencyValue(Currency value) { SetAsFloatValue(value.ToDouble()); }

Variant TIntegralField::GetAsVariant() const {
  std::int64_t value;
  if (!GetValue(value)) return Variant::Null();
  switch (DataType()) {
    case ftSmallint:
      return Variant(static_cast<std::int16_t>(value));
    case ftWord:
      return Variant(static_cast<std::uint16_t>(value));
    case ftLargeint:
      return Variant(value);
    default:
      return Variant(static_cast<std::int32_t>(value));
  }
}

void TIntegralField::SetVarValue(const Variant& value) {
  if (VarIsStr(value)) {
    SetAsStringValue(value.AsString());
  } else {
    SetInt64(value.AsInt64());
  }
}

void TIntegralField::GetText(std::string& text, bool displayText) const {
  std::int64_t value;
  if (!GetValue(value)) {
    text.clear();
    return;
  }
  const std::string& format = TextFormat(displayText);
  text = format.empty() ? IntToStr(value) : FormatFloat(format, static_cast<double>(value));
}

// ---- TFloatField

TFloatField::TFloatField(TComponent* owner, TFieldType type) : TNumericField(owner, type) {}

void TFloatField::SetCurrency(bool value) {
  if (FCurrency == value) return;
  FCurrency = value;
  if (DataSet() != nullptr && DataSet()->Active()) DataSet()->DataEvent(deDataSetChange, 0);
}

void TFloatField::SetPrecision(int value) { FPrecision = std::clamp(value, 2, 15); }

bool TFloatField::IsValidChar(char32_t ch) const {
  return ch == '+' || ch == '-' || (ch >= '0' && ch <= '9') || ch == 'E' || ch == 'e' ||
         ch == static_cast<unsigned char>(FormatSettings.DecimalSeparator);
}

bool TFloatField::GetValue(double& value) const {
  double stored = 0;
  if (!GetData(&stored)) return false;
  value = stored;
  return true;
}

std::string TFloatField::GetAsString() const {
  // One text returned, made in place.
  std::string_view stored;
  if (GetDecimalText(stored)) {
    char made[kFloatTextRoom];
    if (const std::size_t size = DecimalTextToChars(stored, made); size > 0)
      return std::string(made, size);
  }
  double value;
  if (GetValue(value)) return FloatToStr(value);
  return {};
}

void TFloatField::SetAsStringValue(const std::string& value) {
  if (value.empty()) {
    Clear();
    return;
  }
  double number;
  if (!TryStrToFloat(value, number))
    throw EConvertError(Format(SInvalidFloatValue, value, DisplayName()));
  SetAsFloatValue(number);
}

int TFloatField::GetAsInteger() const {
  double value;
  if (!GetValue(value)) return 0;
  double rounded = std::nearbyint(value);
  if (!(rounded >= INT32_MIN && rounded <= INT32_MAX)) AccessError("Integer");
  return static_cast<int>(rounded);
}

double TFloatField::GetAsFloat() const {
  double value;
  return GetValue(value) ? value : 0.0;
}

void TFloatField::SetAsFloatValue(double value) {
  // NaN and the infinities are no number a store or a sum can take; a field
  // without limits of its own ranges over the finite doubles.
  const bool limited = FMinValue != 0 || FMaxValue != 0;
  if (!std::isfinite(value) || (limited && (value < FMinValue || value > FMaxValue))) {
    constexpr double kMax = std::numeric_limits<double>::max();
    OutOfRange(FloatToStr(value), FloatToStr(limited ? FMinValue : -kMax),
               FloatToStr(limited ? FMaxValue : kMax));
    return;
  }
  SetData(&value);
}

::Currency TFloatField::GetAsCurrency() const { return ::Currency(GetAsFloat()); }
void TFloatField::SetAsCurrencyValue(::Currency value) { SetAsFloatValue(value.ToDouble()); }

Variant TFloatField::GetAsVariant() const {
  double value;
  return GetValue(value) ? Variant(value) : Variant::Null();
}

void TFloatField::SetVarValue(const Variant& value) {
  if (VarIsStr(value)) {
    SetAsStringValue(value.AsString());
  } else {
    SetAsFloatValue(value.AsDouble());
  }
}

void TFloatField::GetText(std::string& text, bool displayText) const {
  double value;
  if (!GetValue(value)) {
    text.clear();
    return;
  }
  const std::string& format = TextFormat(displayText);
  if (!format.empty()) {
    text = FormatFloat(format, value);
  } else if (FCurrency) {
    text = FloatToStrF(value, displayText ? ffCurrency : ffFixed, FPrecision,
                       FormatSettings.CurrencyDecimals);
  } else {
    text = FloatToStrF(value, ffGeneral, FPrecision, 0);
  }
}

TCurrencyField::TCurrencyField(TComponent* owner) : TFloatField(owner, ftCurrency) {
  SetCurrency(true);
}

TBCDField::TBCDField(TComponent* owner) : TFloatField(owner, ftBCD) {}

Variant TBCDField::GetAsVariant() const {
  double value;
  return GetValue(value) ? Variant(::Currency(value)) : Variant::Null();
}

// ---- TBooleanField

TBooleanField::TBooleanField(TComponent* owner) : TField(owner, ftBoolean) {}

void TBooleanField::SetDisplayValues(const std::string& values) {
  std::size_t semicolon = values.find(';');
  if (semicolon == std::string::npos) {
    FTextTrue = values;
    FTextFalse.clear();
  } else {
    FTextTrue = values.substr(0, semicolon);
    FTextFalse = values.substr(semicolon + 1);
  }
  FDisplayValues = values;
  if (DataSet() != nullptr && DataSet()->Active()) DataSet()->DataEvent(deDataSetChange, 0);
}

int TBooleanField::DefaultWidth() const { return std::max(Length(FTextTrue), Length(FTextFalse)); }

bool TBooleanField::GetValue(bool& value) const {
  std::int16_t stored = 0;
  if (!GetData(&stored)) return false;
  value = stored != 0;
  return true;
}

std::string TBooleanField::GetAsString() const {
  bool value;
  if (!GetValue(value)) return {};
  return value ? FTextTrue : FTextFalse;
}

void TBooleanField::SetAsStringValue(const std::string& value) {
  if (value.empty()) {
    if (FTextFalse.empty()) {
      SetAsBooleanValue(false);
    } else if (FTextTrue.empty()) {
      SetAsBooleanValue(true);
    } else {
      Clear();
    }
    return;
  }
  int length = Length(value);
  if (AnsiSameText(value, Copy(FTextFalse, 1, length))) {
    SetAsBooleanValue(false);
  } else if (AnsiSameText(value, Copy(FTextTrue, 1, length))) {
    SetAsBooleanValue(true);
  } else {
    DatabaseError(Format(SInvalidBoolValue, value, DisplayName()));
  }
}

bool TBooleanField::GetAsBoolean() const {
  bool value;
  return GetValue(value) && value;
}

void TBooleanField::SetAsBooleanValue(bool value) {
  std::int16_t stored = value ? -1 : 0;
  SetData(&stored);
}

int TBooleanField::GetAsInteger() const { return GetAsBoolean() ? 1 : 0; }

Variant TBooleanField::GetAsVariant() const {
  bool value;
  return GetValue(value) ? Variant(value) : Variant::Null();
}

void TBooleanField::SetVarValue(const Variant& value) {
  if (VarIsStr(value)) {
    SetAsStringValue(value.AsString());
  } else {
    SetAsBooleanValue(value.AsBoolean());
  }
}

// ---- TDateTimeField

TDateTimeField::TDateTimeField(TComponent* owner, TFieldType type) : TField(owner, type) {}

void TDateTimeField::SetDisplayFormat(const std::string& format) {
  if (FDisplayFormat == format) return;
  FDisplayFormat = format;
  if (DataSet() != nullptr && DataSet()->Active()) DataSet()->DataEvent(deDataSetChange, 0);
}

int TDateTimeField::DataSize() const { return DataType() == ftDateTime ? 8 : 4; }

bool TDateTimeField::GetValue(TDateTime& value) const {
  unsigned char buffer[8] = {};
  if (!GetData(buffer)) return false;
  TTimeStamp stamp{};
  switch (DataType()) {
    case ftDate: {
      std::int32_t days;
      std::memcpy(&days, buffer, 4);
      stamp.Date = days;
      stamp.Time = 0;
      break;
    }
    case ftTime: {
      std::int32_t ms;
      std::memcpy(&ms, buffer, 4);
      stamp.Date = DateDelta;
      stamp.Time = ms;
      break;
    }
    default: {
      double ms;
      std::memcpy(&ms, buffer, 8);
      stamp = MSecsToTimeStamp(ms);
      break;
    }
  }
  value = TimeStampToDateTime(stamp);
  return true;
}

namespace {

bool PutDayMonthYear(std::string_view format, int year, int month, int day, char separator,
                     char* out);

}  // namespace

std::string TDateTimeField::GetAsString() const {
  // A date the storage keeps as its parts, in a day-month-year format as
  // every register's is: its text made in place, with no day number.
  if (DataType() == ftDate) {
    TDateParts parts;
    if (GetDateParts(parts)) {
      if (parts.Null) return {};
      char out[10];
      if (PutDayMonthYear(FormatSettings.ShortDateFormat, parts.Year, parts.Month, parts.Day,
                          FormatSettings.DateSeparator, out))
        return std::string(out, sizeof out);
    }
  }
  // Anything else as GetText makes the edit text; out of line, so that the
  // date made in place sets up none of its state.
  struct TThroughText {
    [[gnu::noinline]] static std::string Of(const TDateTimeField& field) {
      std::string text;
      field.GetText(text, false);
      return text;
    }
  };
  return TThroughText::Of(*this);
}

void TDateTimeField::SetAsStringValue(const std::string& value) {
  if (value.empty()) {
    Clear();
    return;
  }
  TDateTime number;
  switch (DataType()) {
    case ftDate:
      if (!TryStrToDate(value, number))
        throw EConvertError(Format(SInvalidDateValue, value, DisplayName()));
      break;
    case ftTime:
      if (!TryStrToTime(value, number))
        throw EConvertError(Format(SInvalidTimeValue, value, DisplayName()));
      break;
    default:
      if (!TryStrToDateTime(value, number))
        throw EConvertError(Format(SInvalidDateTimeValue, value, DisplayName()));
      break;
  }
  SetAsDateTimeValue(number);
}

double TDateTimeField::GetAsFloat() const { return GetAsDateTime(); }

TDateTime TDateTimeField::GetAsDateTime() const {
  TDateTime value;
  return GetValue(value) ? value : 0.0;
}

void TDateTimeField::SetAsDateTimeValue(TDateTime value) {
  TTimeStamp stamp = DateTimeToTimeStamp(value);
  unsigned char buffer[8] = {};
  switch (DataType()) {
    case ftDate: {
      std::int32_t days = stamp.Date;
      std::memcpy(buffer, &days, 4);
      break;
    }
    case ftTime: {
      std::int32_t ms = stamp.Time;
      std::memcpy(buffer, &ms, 4);
      break;
    }
    default: {
      double ms = TimeStampToMSecs(stamp);
      std::memcpy(buffer, &ms, 8);
      break;
    }
  }
  SetData(buffer);
}

Variant TDateTimeField::GetAsVariant() const {
  TDateTime value;
  return GetValue(value) ? VarFromDateTime(value) : Variant::Null();
}

void TDateTimeField::SetVarValue(const Variant& value) {
  if (VarIsStr(value)) {
    SetAsStringValue(value.AsString());
  } else {
    SetAsDateTimeValue(value.AsDateTime());
  }
}

namespace {

// Writes `value` (not negative) as "%0*d" does into `out`.
inline char* PutNumber(char* out, int value, int width) {
  // Days, months and years, straight from a table.
  const auto u = static_cast<unsigned>(value);
  if (u < 100 && width <= 2) {
    if (u < 10 && width < 2) {
      *out = static_cast<char>('0' + u);
      return out + 1;
    }
    std::memcpy(out, &kTwoDigits[2 * u], 2);
    return out + 2;
  }
  if (u < 10000 && width == 4) {
    std::memcpy(out, &kTwoDigits[2 * (u / 100)], 2);
    std::memcpy(out + 2, &kTwoDigits[2 * (u % 100)], 2);
    return out + 4;
  }
  char digits[12];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  for (int k = count; k < width; ++k) *out++ = '0';
  while (count > 0) *out++ = digits[--count];
  return out;
}

// Whether `a` and `b` hold the same bytes; a format of 8 to 16 bytes, as
// dates' are, is compared as two words, without a call.
[[gnu::always_inline]] inline bool SameBytes(std::string_view a, std::string_view b) {
  const std::size_t n = a.size();
  if (n != b.size()) return false;
  if (n < 8 || n > 16) return a == b;
  std::uint64_t a0, a1, b0, b1;
  std::memcpy(&a0, a.data(), 8);
  std::memcpy(&a1, a.data() + n - 8, 8);
  std::memcpy(&b0, b.data(), 8);
  std::memcpy(&b1, b.data() + n - 8, 8);
  return a0 == b0 && a1 == b1;
}

// A plain date format taken apart: numbers and the bytes between them.
struct TPlainDateFormat {
  enum TPart : char { kDay, kMonth, kYear2, kYear4, kSeparator, kByte };
  struct TItem {
    TPart Part;
    char Width;  // of a number; the byte of kByte
  };
  std::string Format;
  bool Plain = false;
  std::vector<TItem> Items;
  // "dd.mm.yyyy" and the like: two-digit day and month and a four-digit
  // year, in that order, one byte between them; -1 for the separator.
  bool DayMonthYear = false;
  int Between[2] = {};

  void Compile(std::string_view format) {
    Format.assign(format);
    Items.clear();
    Plain = false;
    DayMonthYear = false;
    for (std::size_t i = 0; i < format.size();) {
      const char c = format[i];
      const char token = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
      std::size_t n = 1;
      if (token == 'Y' || token == 'M' || token == 'D') {
        while (i + n < format.size() && (format[i + n] | 0x20) == (c | 0x20)) ++n;
        if (token != 'Y' && n > 2) return;  // names and nested formats
      } else if ((token >= 'A' && token <= 'Z') || c == '"' || c == '\'') {
        return;  // times, names, quoted text
      }
      switch (token) {
        case 'Y':
          Items.push_back({n <= 2 ? kYear2 : kYear4, 0});
          break;
        case 'M':
          Items.push_back({kMonth, static_cast<char>(n)});
          break;
        case 'D':
          Items.push_back({kDay, static_cast<char>(n)});
          break;
        case '/':
          Items.push_back({kSeparator, 0});
          break;
        default:
          Items.push_back({kByte, c});
          break;
      }
      i += n;
    }
    Plain = Items.size() <= 16;
    auto is = [&](std::size_t i, TPart part, char width) {
      return Items[i].Part == part && Items[i].Width == width;
    };
    auto between = [&](std::size_t i, int& byte) {
      if (Items[i].Part == kSeparator) byte = -1;
      if (Items[i].Part == kByte) byte = static_cast<unsigned char>(Items[i].Width);
      return Items[i].Part == kSeparator || Items[i].Part == kByte;
    };
    DayMonthYear = Items.size() == 5 && is(0, kDay, 2) && between(1, Between[0]) &&
                   is(2, kMonth, 2) && between(3, Between[1]) && is(4, kYear4, 0);
  }
};

// `compiled`'s items one by one; apart from the common formats, so that
// those need no room for any other.
[[gnu::noinline]] void FormatItems(const TPlainDateFormat& compiled, int year, int month, int day,
                                   char separator, std::string& text) {
  char out[16 * 12];
  char* p = out;
  for (const TPlainDateFormat::TItem& item : compiled.Items) {
    switch (item.Part) {
      case TPlainDateFormat::kDay:
        p = PutNumber(p, day, item.Width);
        break;
      case TPlainDateFormat::kMonth:
        p = PutNumber(p, month, item.Width);
        break;
      case TPlainDateFormat::kYear2:
        p = PutNumber(p, year % 100, 2);
        break;
      case TPlainDateFormat::kYear4:
        p = PutNumber(p, year, 4);
        break;
      case TPlainDateFormat::kSeparator:
        *p++ = separator;
        break;
      case TPlainDateFormat::kByte:
        *p++ = item.Width;
        break;
    }
  }
  text.clear();
  text.append(out, p);
}

// The date format last taken apart: every date of a register is shown in
// one format, so it is taken apart once, not for every value.
TPlainDateFormat gDateFormat;

const TPlainDateFormat& CompiledDateFormat(std::string_view format) {
  if (!SameBytes(gDateFormat.Format, format) || gDateFormat.Items.empty())
    gDateFormat.Compile(format);
  return gDateFormat;
}

// The ten bytes of a date in `compiled`, a day-month-year format
// ("dd.mm.yyyy" and the like), every place known; false, `out` untouched,
// for a date that needs other room.
bool PutDayMonthYear(const TPlainDateFormat& compiled, int year, int month, int day, char separator,
                     char* out) {
  if (static_cast<unsigned>(year) >= 10000 || static_cast<unsigned>(day) >= 100 ||
      static_cast<unsigned>(month) >= 100)
    return false;
  auto two = [](char* to, unsigned value) { std::memcpy(to, &kTwoDigits[2 * value], 2); };
  auto between = [&](int byte) { return byte < 0 ? separator : static_cast<char>(byte); };
  two(out, static_cast<unsigned>(day));
  out[2] = between(compiled.Between[0]);
  two(out + 3, static_cast<unsigned>(month));
  out[5] = between(compiled.Between[1]);
  two(out + 6, static_cast<unsigned>(year) / 100);
  two(out + 8, static_cast<unsigned>(year) % 100);
  return true;
}

// The same when `format` is the day-month-year format last taken apart
// and has ten bytes, as "dd.mm.yyyy" (compared as two words: no call);
// false, `out` untouched, for any other (FormatPlainDate's way).
bool PutDayMonthYear(std::string_view format, int year, int month, int day, char separator,
                     char* out) {
  return gDateFormat.DayMonthYear && format.size() == 10 && SameBytes(gDateFormat.Format, format) &&
         PutDayMonthYear(gDateFormat, year, month, day, separator, out);
}

}  // namespace

bool FormatPlainDate(std::string_view format, int year, int month, int day, char separator,
                     std::string& text) {
  const TPlainDateFormat& compiled = CompiledDateFormat(format);
  if (!compiled.Plain || year < 0) return false;
  char out[10];
  if (compiled.DayMonthYear && PutDayMonthYear(compiled, year, month, day, separator, out)) {
    text.clear();
    text.append(out, sizeof out);
    return true;
  }
  FormatItems(compiled, year, month, day, separator, text);
  return true;
}

namespace {

// GetText's way through the field's value, in `format`; out of line, so
// that a date read from its stored parts sets up none of its state.
[[gnu::noinline]] void FormatDateValue(const TDateTimeField& field, std::string_view format,
                                       std::string& text) {
  TDateTime value;
  if (!field.GetValue(value)) {
    text.clear();
    return;
  }
  if (field.DataType() == ftDate) {
    int year, month, day;
    DecodeDate(value, year, month, day);
    if (FormatPlainDate(format, year, month, day, FormatSettings.DateSeparator, text)) return;
  }
  text = FormatDateTime(format, value);
}

}  // namespace

void TDateTimeField::GetText(std::string& text, bool displayText) const {
  std::string_view format = "c";
  if (displayText && !FDisplayFormat.empty()) {
    format = FDisplayFormat;
  } else if (DataType() == ftDate) {
    format = FormatSettings.ShortDateFormat;
  } else if (DataType() == ftTime) {
    format = FormatSettings.LongTimeFormat;
  }
  // A date the storage keeps as its parts needs no day number.
  TDateParts parts;
  if (DataType() == ftDate && GetDateParts(parts)) {
    if (parts.Null) {
      text.clear();
      return;
    }
    if (FormatPlainDate(format, parts.Year, parts.Month, parts.Day, FormatSettings.DateSeparator,
                        text))
      return;
  }
  FormatDateValue(*this, format, text);
}

// ---- blobs

TBlobField::TBlobField(TComponent* owner, TFieldType type) : TField(owner, type) {}

void TBlobField::SaveToStream(TStream& stream) const {
  CheckHasDataSet();
  std::unique_ptr<TStream> blob =
      DataSet()->CreateBlobStream(const_cast<TBlobField*>(this), bmRead);
  if (blob) stream.CopyFrom(*blob, 0);
}

void TBlobField::LoadFromStream(TStream& stream) {
  CheckHasDataSet();
  std::unique_ptr<TStream> blob = DataSet()->CreateBlobStream(this, bmWrite);
  if (blob) blob->CopyFrom(stream, 0);
}

std::string TBlobField::GetAsString() const {
  CheckHasDataSet();
  std::unique_ptr<TStream> blob =
      DataSet()->CreateBlobStream(const_cast<TBlobField*>(this), bmRead);
  std::string text;
  if (!blob) return text;
  blob->SetPosition(0);
  text.resize(static_cast<std::size_t>(blob->Size()));
  if (!text.empty()) blob->ReadBuffer(text.data(), static_cast<std::int64_t>(text.size()));
  if (Transliterate() && !text.empty())
    return TranslatedText(*DataSet(), text.c_str(), text.size(), false);
  return text;
}

void TBlobField::SetAsStringValue(const std::string& value) {
  CheckHasDataSet();
  std::string text = value;
  if (Transliterate() && !text.empty())
    text = TranslatedText(*DataSet(), text.c_str(), text.size(), true);
  std::unique_ptr<TStream> blob = DataSet()->CreateBlobStream(this, bmWrite);
  if (blob && !text.empty()) blob->WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
}

Variant TBlobField::GetAsVariant() const {
  return IsNull() ? Variant::Null() : Variant(GetAsString());
}

void TBlobField::SetVarValue(const Variant& value) { SetAsStringValue(VarToStr(value)); }

void TBlobField::GetText(std::string& text, bool) const {
  text = "(" + FieldTypeDisplayName(DataType()) + ")";
}

TMemoField::TMemoField(TComponent* owner) : TBlobField(owner, ftMemo) { SetTransliterate(true); }

void TMemoField::GetText(std::string& text, bool) const { text = "(MEMO)"; }

// ---- TFields

void TFields::RaiseIndexError() const { DatabaseError(SFieldIndexError, FDataSet); }

int TFields::IndexOf(const TField* field) const {
  auto it = std::find(FList.begin(), FList.end(), field);
  return it == FList.end() ? -1 : static_cast<int>(it - FList.begin());
}

TField* TFields::FindField(std::string_view name) const {
  for (TField* field : FList) {
    if (SameText(field->FieldName(), name)) return field;
  }
  return nullptr;
}

TField* TFields::FieldByName(std::string_view name) const {
  TField* field = FindField(name);
  if (field == nullptr) DatabaseError(Format(SFieldNotFound, std::string(name)), FDataSet);
  return field;
}

TField* TFields::FieldByNumber(int fieldNo) const {
  for (TField* field : FList) {
    if (field->FieldNo() == fieldNo && field->FieldKind() == fkData) return field;
  }
  return nullptr;
}

void TFields::Clear() {
  while (!FList.empty()) {
    TField* field = FList.back();
    FList.pop_back();
    field->FDataSet = nullptr;
    field->Free();
  }
  Changed();
}

void TFields::Add(TField* field) {
  FList.push_back(field);
  Changed();
}

void TFields::Remove(TField* field) {
  std::erase(FList, field);
  Changed();
}

void TFields::SetFieldIndex(TField* field, int index) {
  int current = IndexOf(field);
  if (current < 0) return;
  index = std::clamp(index, 0, Count() - 1);
  if (index == current) return;
  FList.erase(FList.begin() + current);
  FList.insert(FList.begin() + index, field);
  Changed();
}

void TFields::Changed() {
  if (FDataSet != nullptr) FDataSet->FLookupFieldsKnown = false;
  if (FDataSet != nullptr) FDataSet->FRequiredFieldsKnown = false;
  if (FDataSet != nullptr && FDataSet->Active() &&
      !FDataSet->ComponentState().Contains(csDestroying)) {
    FDataSet->DataEvent(deFieldListChange, 0);
  }
}
