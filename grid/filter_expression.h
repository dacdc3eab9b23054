// The filter row's condition language: a text such as "> 5", "abc",
// "1,2,3", "= Null" or ">= 10 AND < 20" parsed into a record of at most two
// conditions joined by AND or OR, with the operands converted to the
// column's kind of value. Also the registry of dataset features objects
// through which the grid's data service sorts and filters a dataset.
// GUI thread only (conversions read the global FormatSettings).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/object.h"
#include "platform/base/variant.h"
#include "platform/data/field_defs.h"

class TDataSet;
class TCustomDBGridEh;

// Operator codes; stored in TSTFilterExpressionEh and written back as text
// by the column filter with FilterOperatorText.
enum TFilterOperatorKindEh : std::uint8_t {
  fokNoneEh = 0,
  fokEqualEh = 1,
  fokNotEqualEh = 2,
  fokGreaterThanEh = 3,
  fokLessThanEh = 4,
  fokGreaterOrEqualEh = 5,
  fokLessOrEqualEh = 6,
  fokLikeEh = 7,
  fokNotLikeEh = 8,
  fokInEh = 9,
  fokNotInEh = 10,
  fokIsNullEh = 11,
  fokIsNotNullEh = 12,
  fokAndEh = 13,
  fokOrEh = 14,
  fokValueEh = 15,  // token kind only
};

enum TFilterValueTypeEh : std::uint8_t {
  fvtNoneEh = 0,
  fvtStringEh = 1,
  fvtNumberEh = 2,
  fvtDateTimeEh = 3,
  fvtBooleanEh = 4,
};

// "", "=", "<>", ">", "<", ">=", "<=", "~", "!~", "In", "!In", "Null",
// "Null", "AND", "OR", "" for codes 0..15; "" for anything else.
std::string_view FilterOperatorText(int code);

// The kind of value a column of this field type filters on.
TFilterValueTypeEh FilterValueTypeOfField(TFieldType type);

struct TSTFilterExpressionEh {
  TFilterValueTypeEh ValueType = fvtNoneEh;  // set by the caller
  TFilterOperatorKindEh Operator1 = fokNoneEh;
  Variant Operand1 = Variant::Null();
  TFilterOperatorKindEh Relation = fokNoneEh;  // 0, fokAndEh or fokOrEh
  TFilterOperatorKindEh Operator2 = fokNoneEh;
  Variant Operand2 = Variant::Null();
};

// Clears operators and relation, sets both operands to Null; keeps
// ValueType.
void InitFilterExpression(TSTFilterExpressionEh& expression);

// Parses `text` into `expression` (ValueType set by the caller). A syntax
// error raises Exception with one of "Quote is absent: ", "'(' expected: ",
// "')' expected: ", "Error in expression: ", "Unexpected expression before
// Null: ", "Unexpected expression after operator: ", "Incorrect
// expression: ", "Unexpected AND or OR: " followed by the trimmed text; an
// operand that does not convert raises the conversion's EConvertError.
// On an error the record keeps what was filled before it.
void ParseFilterExpression(std::string_view text, TSTFilterExpressionEh& expression);

// Record moving, sorting and filtering of one class of datasets, done by
// the dataset itself. The program registers none; the grid falls back to its own.
class TDatasetFeaturesEh {
 public:
  explicit TDatasetFeaturesEh(const TClassInfo& dataSetClass) : FDataSetClass(&dataSetClass) {}
  virtual ~TDatasetFeaturesEh() = default;
  const TClassInfo& DataSetClass() const { return *FDataSetClass; }

  // Moves the records of `bookmarks` to record number `target` (which
  // the mover may set to where they went); with `checkOnly` only tells
  // whether it could. False when nothing was (or could be) moved.
  virtual bool MoveRecords(TCustomDBGridEh* grid, const std::vector<std::string>& bookmarks,
                           int& target, bool checkOnly);
  virtual void ApplySorting(TCustomDBGridEh* grid, TDataSet* dataSet, bool reopen);
  virtual void ApplyFilter(TCustomDBGridEh* grid, TDataSet* dataSet, bool reopen);

 private:
  const TClassInfo* FDataSetClass;
};

// Adds `features` to the process-wide registry; returns false (and frees
// it) when an object for the same dataset class name is registered.
bool RegisterDatasetFeaturesClass(std::unique_ptr<TDatasetFeaturesEh> features);
// Removes and frees every registered object.
void UnregisterAllDatasetFeatures();

// The registered object nearest up the class's parent chain (class names
// compared upper-cased), the earliest registered on a tie; nullptr when
// none. The registry keeps ownership.
TDatasetFeaturesEh* GetDatasetFeaturesClassForDataSetClass(const TClassInfo& dataSetClass);
TDatasetFeaturesEh* GetDatasetFeaturesClassForDataSet(const TDataSet* dataSet);
