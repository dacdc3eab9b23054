// TField and its kinds: typed access to one column (or calculated value) of
// the record that the dataset's active buffer holds.
//
// A field reads and writes the record through its dataset:
// GetData(buffer) calls TDataSet::GetFieldData(field, buffer) and SetData
// calls TDataSet::SetFieldData; the dataset picks the record buffer by its
// state. The buffer holds the field's native form (DataSize bytes):
//   string kinds  NUL-terminated text; DataSize = Size*4+1 bytes, so that a
//                 UTF-8 value of Size characters always fits. Size counts
//                 characters. With Transliterate on, the field calls the
//                 dataset's Translate(src, dest, toOem=false) after reading
//                 and Translate(..., toOem=true) before writing, so the
//                 buffer holds the dataset's own encoding (the DBF table:
//                 the file's code page) and the program sees UTF-8.
//   smallint 2 (int16), word 2 (uint16), integer and auto-inc 4 (int32),
//   largeint 8 (int64), float, currency and BCD 8 (double), boolean 2
//   (int16, 0 false, -1 true), date 4 (int32 days, 01.01.0001 = 1),
//   time 4 (int32 ms since midnight), date-time 8 (double ms since
//   01.01.0001), bytes Size bytes; blobs 0 (read through
//   TDataSet::CreateBlobStream).
// IsNull is !GetData(nullptr): the dataset answers "has a value" without
// copying.
//
// Text: AsString of an integer is plain decimal, of a float the general
// format (FloatToStr), of a date DateToStr, all by the global
// FormatSettings. Setting AsString or Text parses (empty text clears),
// checks MinValue/MaxValue (EDatabaseError SFieldRangeError; a calculated
// field set in its dataset's calculated-field pass is left empty instead)
// and raises EConvertError (SInvalidIntegerValue and its kin) when the text
// does not read; both name the field by its DisplayName. DisplayText uses DisplayFormat, Text (the
// edit text) EditFormat; OnGetText/OnSetText replace both conversions when set.
//
// Fields are components: persistent fields are made in code with
// Create<TIntegerField>(owner), given a FieldName and attached with
// SetDataSet before the dataset opens; default fields are made by
// TDataSet::CreateFields and owned by the dataset. GUI thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/component.h"
#include "platform/base/currency.h"
#include "platform/base/date_time.h"
#include "platform/base/ui_enums.h"
#include "platform/base/variant.h"
#include "platform/data/field_defs.h"

class TDataSet;
class TStream;

enum TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc, fkAggregate };

class TField;
using TFieldNotifyEvent = std::function<void(TField* sender)>;
using TFieldGetTextEvent = std::function<void(TField* sender, std::string& text, bool displayText)>;
using TFieldSetTextEvent = std::function<void(TField* sender, const std::string& text)>;

// A date field's day as year, month and day; Null for no value.
struct TDateParts {
  bool Null = true;
  int Year = 0, Month = 0, Day = 0;
};

class TField : public TComponent {
  MEBRATH_CLASS(TField, TComponent)
 public:
  // --- descriptors
  TDataSet* DataSet() const { return FDataSet; }
  // Moves the field into `dataSet`'s field list (nullptr: out of any).
  // Raises EDatabaseError "Cannot perform this operation on an open
  // dataset" when either dataset is open, and "Duplicate field name '%s'"
  // when the new dataset already has a field of that name.
  void SetDataSet(TDataSet* dataSet);
  const std::string& FieldName() const { return FFieldName; }
  // REQUIRES: the dataset (if any) is closed.
  void SetFieldName(const std::string& name);
  // Data fields: the 1-based column number bound by BindFields; calculated
  // and lookup fields: -1 while bound; 0 when unbound.
  int FieldNo() const { return FFieldNo; }
  TFieldKind FieldKind() const { return FFieldKind; }
  void SetFieldKind(TFieldKind kind);
  bool Calculated() const { return FFieldKind == fkCalculated; }
  bool Lookup() const { return FFieldKind == fkLookup; }
  TFieldType DataType() const { return FDataType; }
  int Size() const { return FSize; }
  // REQUIRES: the dataset is closed. Raises EDatabaseError for a negative
  // size or a size on a kind that has none.
  virtual void SetSize(int size);
  // Bytes of the native form in a record buffer (see the header comment).
  virtual int DataSize() const { return 0; }
  // Calculated and lookup fields: the offset of the field's slot in the
  // calculated area (a flag byte, 1 = has a value, then DataSize bytes).
  int Offset() const { return FOffset; }
  const std::string& Origin() const { return FOrigin; }
  void SetOrigin(const std::string& origin) { FOrigin = origin; }
  const std::string& DisplayLabel() const { return FDisplayLabel; }
  void SetDisplayLabel(const std::string& label);
  // DisplayLabel, or FieldName when it is empty.
  std::string DisplayName() const { return FDisplayLabel.empty() ? FFieldName : FDisplayLabel; }
  // In characters; the kind's default until set.
  int DisplayWidth() const { return FDisplayWidth > 0 ? FDisplayWidth : DefaultWidth(); }
  void SetDisplayWidth(int width);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment alignment);
  bool Visible() const { return FVisible; }
  void SetVisible(bool visible);
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool readOnly);
  bool Required() const { return FRequired; }
  void SetRequired(bool required);
  // Position in the dataset's Fields; -1 without a dataset.
  int Index() const;
  void SetIndex(int index);
  const std::string& EditMask() const { return FEditMask; }
  void SetEditMask(const std::string& mask);
  bool Transliterate() const { return FTransliterate; }
  void SetTransliterate(bool value) { FTransliterate = value; }
  virtual bool IsBlob() const { return false; }
  // False when read-only, in a read-only dataset, a calculated field
  // outside calc state, or a lookup field without key fields.
  bool CanModify() const;
  // Whether the character may be typed into the field's edit text.
  virtual bool IsValidChar(char32_t ch) const;
  // Asks the data links to focus the control that edits this field
  // (deFocusControl).
  void FocusControl();

  // --- lookup
  TDataSet* LookupDataSet() const { return FLookupDataSet; }
  void SetLookupDataSet(TDataSet* dataSet);
  const std::string& LookupKeyFields() const { return FLookupKeyFields; }
  void SetLookupKeyFields(const std::string& names) { FLookupKeyFields = names; }
  const std::string& LookupResultField() const { return FLookupResultField; }
  void SetLookupResultField(const std::string& name) { FLookupResultField = name; }
  const std::string& KeyFields() const { return FKeyFields; }
  void SetKeyFields(const std::string& names) { FKeyFields = names; }

  // --- events
  TFieldNotifyEvent OnChange;
  TFieldNotifyEvent OnValidate;
  TFieldGetTextEvent OnGetText;
  TFieldSetTextEvent OnSetText;

  // --- values. Reading needs a dataset (else EDatabaseError "Field '%s'
  // has no dataset"); writing needs the dataset in a write state (the
  // dataset raises). A kind that cannot convert raises EDatabaseError
  // "Cannot access field '%s' as type %s".
  bool IsNull() const;
  virtual void Clear() { SetData(nullptr); }
  Variant Value() const { return GetAsVariant(); }
  void SetValue(const Variant& value) { SetAsVariant(value); }
  Variant AsVariant() const { return GetAsVariant(); }
  // Null and Empty clear the field.
  void SetAsVariant(const Variant& value);
  std::string AsString() const { return GetAsString(); }
  void SetAsString(const std::string& value) { SetAsStringValue(value); }
  int AsInteger() const { return GetAsInteger(); }
  void SetAsInteger(int value) { SetAsIntegerValue(value); }
  double AsFloat() const { return GetAsFloat(); }
  void SetAsFloat(double value) { SetAsFloatValue(value); }
  Currency AsCurrency() const { return GetAsCurrency(); }
  void SetAsCurrency(Currency value) { SetAsCurrencyValue(value); }
  TDateTime AsDateTime() const { return GetAsDateTime(); }
  void SetAsDateTime(TDateTime value) { SetAsDateTimeValue(value); }
  bool AsBoolean() const { return GetAsBoolean(); }
  void SetAsBoolean(bool value) { SetAsBooleanValue(value); }
  // The edit text: OnGetText(.., false) or the kind's edit conversion.
  std::string Text() const { return EditText(); }
  void SetText(const std::string& text) { SetEditText(text); }
  std::string EditText() const;
  // OnSetText, or the kind's text conversion (AsString semantics).
  void SetEditText(const std::string& text);
  // OnGetText(.., true) or the kind's display conversion.
  std::string DisplayText() const;
  // The value before the edit (dsOldValue), as entered (dsNewValue) and
  // as stored now (dsCurValue); what each gives is the dataset's answer in
  // that temporary state.
  Variant OldValue() const;
  Variant NewValue() const;
  Variant CurValue() const;

  // --- record access (for datasets and kinds)
  // Copies the native value into `buffer` (DataSize bytes; nullptr: only
  // asks whether there is a value). Returns false for no value. While the
  // OnValidate handler runs, answers from the value being validated.
  bool GetData(void* buffer) const;
  // A string kind's value as UTF-8 in `value`; false for no value. Asks
  // the dataset's GetFieldString, which may read its storage straight
  // into `value`; while OnValidate runs, answers from the value being
  // validated.
  bool GetStringData(std::string& value) const;
  // AsCurrency, or false for no value, in one read: the dataset's
  // GetFieldCurrency (while OnValidate runs, IsNull and AsCurrency).
  bool GetCurrencyData(Currency& value) const;
  // The dataset's GetFieldDecimalText (false while OnValidate runs).
  bool GetDecimalText(std::string_view& text) const;
  // The dataset's GetFieldDateParts (false while OnValidate runs).
  bool GetDateParts(TDateParts& parts) const;
  // The same through GetData's NUL-terminated buffer and, with
  // Transliterate on, the dataset's Translate: what the base
  // TDataSet::GetFieldString does.
  bool GetStringDataThroughBuffer(std::string& value) const;
  // Stores the native value (nullptr: null) through the dataset.
  void SetData(const void* buffer);
  // Runs OnValidate with `buffer` as the field's value (datasets call it
  // from SetFieldData before storing).
  void Validate(const void* buffer);
  // Runs OnChange (the dataset calls it after a field change).
  virtual void Change();
  // Raises EDatabaseError "Field '%s' cannot be modified" when ReadOnly.
  void CheckReadOnly() const;
  // Bound/unbound by TDataSet::BindFields; resolves lookup settings.
  virtual void Bind(bool binding) { (void)binding; }

 protected:
  TField(TComponent* owner, TFieldType dataType);
  void BeforeDestruction() override;
  void Notification(TComponent* component, TOperation operation) override;

  void SetDataType(TFieldType type) { FDataType = type; }
  // Sets Size without checks (kinds' constructors and SetSize overrides).
  void SetSizeValue(int size) { FSize = size; }
  virtual int DefaultWidth() const { return 10; }
  // The classic conversions that kinds override; the base raises the
  // access error.
  virtual std::string GetAsString() const;
  virtual void SetAsStringValue(const std::string& value);
  virtual int GetAsInteger() const;
  virtual void SetAsIntegerValue(int value);
  virtual double GetAsFloat() const;
  virtual void SetAsFloatValue(double value);
  virtual Currency GetAsCurrency() const;
  virtual void SetAsCurrencyValue(Currency value);
  virtual TDateTime GetAsDateTime() const;
  virtual void SetAsDateTimeValue(TDateTime value);
  virtual bool GetAsBoolean() const;
  virtual void SetAsBooleanValue(bool value);
  virtual Variant GetAsVariant() const;
  virtual void SetVarValue(const Variant& value);
  // Text for display (displayText) or editing; the base gives AsString.
  virtual void GetText(std::string& text, bool displayText) const;
  // Text to value; the base sets AsString.
  virtual void SetFieldText(const std::string& text);

  [[noreturn]] void AccessError(const char* typeName) const;
  [[noreturn]] void RangeError(const std::string& value, const std::string& min,
                               const std::string& max) const;
  // A value outside the field's range: RangeError, except for a
  // calculated or lookup field given it in its dataset's calculated-field
  // pass, which is left empty instead: reading a record never fails over
  // a value that only follows from the stored ones.
  void OutOfRange(const std::string& value, const std::string& min, const std::string& max);
  void CheckHasDataSet() const;
  Variant StateValue(int state) const;

 private:
  friend class TDataSet;
  friend class TFields;
  friend class TFieldDef;

  TDataSet* FDataSet = nullptr;
  std::string FFieldName;
  int FFieldNo = 0;
  TFieldKind FFieldKind = fkData;
  TFieldType FDataType;
  int FSize = 0;
  int FOffset = 0;
  std::string FOrigin;
  std::string FDisplayLabel;
  int FDisplayWidth = 0;
  TAlignment FAlignment = taLeftJustify;
  bool FVisible = true;
  bool FReadOnly = false;
  bool FRequired = false;
  bool FTransliterate = false;
  std::string FEditMask;
  TDataSet* FLookupDataSet = nullptr;
  std::string FLookupKeyFields;
  std::string FLookupResultField;
  std::string FKeyFields;
  const void* FValidatingBuffer = nullptr;
  bool FValidating = false;
};

// --- strings

// The text in a string field's native buffer of `size` (DataSize) bytes
// that is NUL-filled after the text: up to its last byte that is not NUL.
// A stored text may hold NUL bytes (a damaged file) and is carried whole;
// only the NULs that fill the buffer after it are not the text's.
std::string_view NativeText(const char* buffer, std::size_t size);

// The `length` bytes at `text` through ds.Translate, NUL bytes in them
// kept. REQUIRES: text[length] is NUL.
std::string TranslatedText(TDataSet& ds, const char* text, std::size_t length, bool toOem);

class TStringField : public TField {
  MEBRATH_CLASS(TStringField, TField)
 public:
  int DataSize() const override { return Size() * 4 + 1; }
  void SetSize(int size) override;
  bool FixedChar() const { return FFixedChar; }
  void SetFixedChar(bool value) { FFixedChar = value; }
  // The value as the program sees it (UTF-8); false when null.
  bool GetValue(std::string& value) const;

 protected:
  explicit TStringField(TComponent* owner) : TStringField(owner, ftString) {}
  TStringField(TComponent* owner, TFieldType type);
  int DefaultWidth() const override { return Size(); }
  std::string GetAsString() const override;
  // Cuts to Size characters, transliterates, stores.
  void SetAsStringValue(const std::string& value) override;
  int GetAsInteger() const override;
  void SetAsIntegerValue(int value) override;
  double GetAsFloat() const override;
  void SetAsFloatValue(double value) override;
  TDateTime GetAsDateTime() const override;
  void SetAsDateTimeValue(TDateTime value) override;
  bool GetAsBoolean() const override;
  void SetAsBooleanValue(bool value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;
  void GetText(std::string& text, bool displayText) const override;

 private:
  bool FFixedChar = false;
};

// A string field whose storage is UTF-8 already: no transliteration.
class TWideStringField : public TStringField {
  MEBRATH_CLASS(TWideStringField, TStringField)
 protected:
  explicit TWideStringField(TComponent* owner);
};

class TFixedCharField : public TStringField {
  MEBRATH_CLASS(TFixedCharField, TStringField)
 protected:
  explicit TFixedCharField(TComponent* owner);
};

// Size raw bytes; AsString gives them unchanged.
class TBytesField : public TField {
  MEBRATH_CLASS(TBytesField, TField)
 public:
  int DataSize() const override { return Size(); }

 protected:
  explicit TBytesField(TComponent* owner);
  std::string GetAsString() const override;
  void SetAsStringValue(const std::string& value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;
};

// --- numbers

class TNumericField : public TField {
  MEBRATH_CLASS(TNumericField, TField)
 public:
  const std::string& DisplayFormat() const { return FDisplayFormat; }
  void SetDisplayFormat(const std::string& format);
  const std::string& EditFormat() const { return FEditFormat; }
  void SetEditFormat(const std::string& format);

 protected:
  TNumericField(TComponent* owner, TFieldType type);
  // The format for GetText: DisplayFormat for display text or when there
  // is no EditFormat, else EditFormat.
  const std::string& TextFormat(bool displayText) const;

 private:
  std::string FDisplayFormat;
  std::string FEditFormat;
};

// The integer kinds share one implementation over an int64 value; each
// kind has its own native width and range.
class TIntegralField : public TNumericField {
  MEBRATH_CLASS(TIntegralField, TNumericField)
 public:
  // 0 and 0 mean "no limit but the kind's range".
  std::int64_t MinValue() const { return FMinValue; }
  void SetMinValue(std::int64_t value) { FMinValue = value; }
  std::int64_t MaxValue() const { return FMaxValue; }
  void SetMaxValue(std::int64_t value) { FMaxValue = value; }
  bool IsValidChar(char32_t ch) const override;
  int DataSize() const override;
  bool GetValue(std::int64_t& value) const;
  // Range-checks, then stores.
  void SetInt64(std::int64_t value);

 protected:
  TIntegralField(TComponent* owner, TFieldType type, std::int64_t minRange, std::int64_t maxRange);
  std::string GetAsString() const override;
  void SetAsStringValue(const std::string& value) override;
  int GetAsInteger() const override;
  void SetAsIntegerValue(int value) override { SetInt64(value); }
  double GetAsFloat() const override;
  void SetAsFloatValue(double value) override;
  Currency GetAsCurrency() const override;
  void SetAsCurrencyValue(Currency value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;
  void GetText(std::string& text, bool displayText) const override;

 private:
  std::int64_t FMinRange;
  std::int64_t FMaxRange;
  std::int64_t FMinValue = 0;
  std::int64_t FMaxValue = 0;
};

class TIntegerField : public TIntegralField {
  MEBRATH_CLASS(TIntegerField, TIntegralField)
 protected:
  explicit TIntegerField(TComponent* owner)
      : TIntegerField(owner, ftInteger, INT32_MIN, INT32_MAX) {}
  TIntegerField(TComponent* owner, TFieldType type, std::int64_t minRange, std::int64_t maxRange);
  int DefaultWidth() const override { return 11; }
};

class TSmallintField : public TIntegerField {
  MEBRATH_CLASS(TSmallintField, TIntegerField)
 protected:
  explicit TSmallintField(TComponent* owner)
      : TIntegerField(owner, ftSmallint, INT16_MIN, INT16_MAX) {}
  int DefaultWidth() const override { return 6; }
};

class TWordField : public TIntegerField {
  MEBRATH_CLASS(TWordField, TIntegerField)
 protected:
  explicit TWordField(TComponent* owner) : TIntegerField(owner, ftWord, 0, UINT16_MAX) {}
  int DefaultWidth() const override { return 5; }
};

class TAutoIncField : public TIntegerField {
  MEBRATH_CLASS(TAutoIncField, TIntegerField)
 protected:
  explicit TAutoIncField(TComponent* owner)
      : TIntegerField(owner, ftAutoInc, INT32_MIN, INT32_MAX) {}
};

class TLargeintField : public TIntegralField {
  MEBRATH_CLASS(TLargeintField, TIntegralField)
 protected:
  explicit TLargeintField(TComponent* owner)
      : TIntegralField(owner, ftLargeint, INT64_MIN, INT64_MAX) {}
  int DefaultWidth() const override { return 15; }
};

class TFloatField : public TNumericField {
  MEBRATH_CLASS(TFloatField, TNumericField)
 public:
  // Formats money (ffCurrency for display, ffFixed for editing) when no
  // format is set.
  bool Currency() const { return FCurrency; }
  void SetCurrency(bool value);
  // Significant digits of the general format; 15 by default.
  int Precision() const { return FPrecision; }
  void SetPrecision(int value);
  // 0 and 0 mean "no limit" but the finite doubles: NaN and the
  // infinities are out of every float field's range, however they come.
  double MinValue() const { return FMinValue; }
  void SetMinValue(double value) { FMinValue = value; }
  double MaxValue() const { return FMaxValue; }
  void SetMaxValue(double value) { FMaxValue = value; }
  int DataSize() const override { return 8; }
  bool IsValidChar(char32_t ch) const override;
  bool GetValue(double& value) const;

 protected:
  explicit TFloatField(TComponent* owner) : TFloatField(owner, ftFloat) {}
  TFloatField(TComponent* owner, TFieldType type);
  std::string GetAsString() const override;
  void SetAsStringValue(const std::string& value) override;
  int GetAsInteger() const override;
  void SetAsIntegerValue(int value) override { SetAsFloatValue(value); }
  double GetAsFloat() const override;
  void SetAsFloatValue(double value) override;
  ::Currency GetAsCurrency() const override;
  void SetAsCurrencyValue(::Currency value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;
  void GetText(std::string& text, bool displayText) const override;

 private:
  bool FCurrency = false;
  int FPrecision = 15;
  double FMinValue = 0;
  double FMaxValue = 0;
};

class TCurrencyField : public TFloatField {
  MEBRATH_CLASS(TCurrencyField, TFloatField)
 protected:
  explicit TCurrencyField(TComponent* owner);
};

// Stored as a double like a float; its Value is a Currency.
class TBCDField : public TFloatField {
  MEBRATH_CLASS(TBCDField, TFloatField)
 protected:
  explicit TBCDField(TComponent* owner);
  Variant GetAsVariant() const override;
};

// --- boolean

class TBooleanField : public TField {
  MEBRATH_CLASS(TBooleanField, TField)
 public:
  // "True;False" by default: the texts of true and false.
  const std::string& DisplayValues() const { return FDisplayValues; }
  void SetDisplayValues(const std::string& values);
  int DataSize() const override { return 2; }
  bool GetValue(bool& value) const;

 protected:
  explicit TBooleanField(TComponent* owner);
  int DefaultWidth() const override;
  std::string GetAsString() const override;
  // "" clears (or picks the value whose text is empty); otherwise a
  // case-insensitive prefix of the false text, then of the true text;
  // else EDatabaseError SInvalidBoolValue.
  void SetAsStringValue(const std::string& value) override;
  bool GetAsBoolean() const override;
  void SetAsBooleanValue(bool value) override;
  int GetAsInteger() const override;
  void SetAsIntegerValue(int value) override { SetAsBooleanValue(value != 0); }
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;

 private:
  std::string FDisplayValues = "True;False";
  std::string FTextTrue = "True";
  std::string FTextFalse = "False";
};

// --- dates and times

class TDateTimeField : public TField {
  MEBRATH_CLASS(TDateTimeField, TField)
 public:
  const std::string& DisplayFormat() const { return FDisplayFormat; }
  void SetDisplayFormat(const std::string& format);
  int DataSize() const override;
  bool GetValue(TDateTime& value) const;

 protected:
  explicit TDateTimeField(TComponent* owner) : TDateTimeField(owner, ftDateTime) {}
  TDateTimeField(TComponent* owner, TFieldType type);
  int DefaultWidth() const override { return 18; }
  // The edit text GetText(.., false) makes; a date the storage keeps as
  // its parts, in a day-month-year ShortDateFormat, is made here directly.
  std::string GetAsString() const override;
  void SetAsStringValue(const std::string& value) override;
  double GetAsFloat() const override;
  void SetAsFloatValue(double value) override { SetAsDateTimeValue(value); }
  TDateTime GetAsDateTime() const override;
  void SetAsDateTimeValue(TDateTime value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;
  void GetText(std::string& text, bool displayText) const override;

 private:
  std::string FDisplayFormat;
};

// A date in `format` as FormatDateTime writes it, when the format has
// only day, month and year numbers (d, dd, m, mm, yy, yyyy), '/' (the
// separator) and other bytes; false, `text` untouched, for any other
// format.
bool FormatPlainDate(std::string_view format, int year, int month, int day, char separator,
                     std::string& text);

class TDateField : public TDateTimeField {
  MEBRATH_CLASS(TDateField, TDateTimeField)
 protected:
  explicit TDateField(TComponent* owner) : TDateTimeField(owner, ftDate) {}
  int DefaultWidth() const override { return 10; }
};

class TTimeField : public TDateTimeField {
  MEBRATH_CLASS(TTimeField, TDateTimeField)
 protected:
  explicit TTimeField(TComponent* owner) : TDateTimeField(owner, ftTime) {}
  int DefaultWidth() const override { return 10; }
};

// --- blobs

enum TBlobStreamMode { bmRead, bmWrite, bmReadWrite };

class TBlobField : public TField {
  MEBRATH_CLASS(TBlobField, TField)
 public:
  bool IsBlob() const override { return true; }
  // Writes the whole value to `stream` at its position.
  void SaveToStream(TStream& stream) const;
  // Replaces the value with the rest of `stream`.
  void LoadFromStream(TStream& stream);

 protected:
  explicit TBlobField(TComponent* owner) : TBlobField(owner, ftBlob) {}
  TBlobField(TComponent* owner, TFieldType type);
  std::string GetAsString() const override;
  void SetAsStringValue(const std::string& value) override;
  Variant GetAsVariant() const override;
  void SetVarValue(const Variant& value) override;
  void GetText(std::string& text, bool displayText) const override;
};

// Text blob; transliterated like a string field.
class TMemoField : public TBlobField {
  MEBRATH_CLASS(TMemoField, TBlobField)
 protected:
  explicit TMemoField(TComponent* owner);
  void GetText(std::string& text, bool displayText) const override;
};

class TGraphicField : public TBlobField {
  MEBRATH_CLASS(TGraphicField, TBlobField)
 protected:
  explicit TGraphicField(TComponent* owner) : TBlobField(owner, ftGraphic) {}
};

// --- the dataset's field list

// The fields of a dataset, in order. It does not own the fields (their
// owner component does), except that Clear frees them, as DestroyFields
// needs.
class TFields {
 public:
  explicit TFields(TDataSet* dataSet) : FDataSet(dataSet) {}
  TFields(const TFields&) = delete;
  TFields& operator=(const TFields&) = delete;

  TDataSet* DataSet() const { return FDataSet; }
  int Count() const { return static_cast<int>(FList.size()); }
  // Raises EDatabaseError "Field index out of range". Inline: every post
  // walks the list.
  TField* Fields(int index) const {
    if (index < 0 || index >= Count()) RaiseIndexError();
    return FList[static_cast<std::size_t>(index)];
  }
  TField* operator[](int index) const { return Fields(index); }
  int IndexOf(const TField* field) const;
  // ASCII case-insensitive; nullptr when none.
  TField* FindField(std::string_view name) const;
  // Raises EDatabaseError "Field '%s' not found" (dataset prefix).
  TField* FieldByName(std::string_view name) const;
  // The data field bound to column `fieldNo`, or nullptr.
  TField* FieldByNumber(int fieldNo) const;
  // Frees every field, last first.
  void Clear();

 private:
  friend class TField;
  [[noreturn]] void RaiseIndexError() const;
  void Add(TField* field);
  void Remove(TField* field);
  void SetFieldIndex(TField* field, int index);
  void Changed();

  TDataSet* FDataSet;
  std::vector<TField*> FList;
};
