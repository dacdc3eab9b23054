// The filter of one grid column (TSTColumnFilterEh, the column's STFilter)
// and the grid's filter-row settings (TSTDBGridEhFilter, the grid's
// STFilter).
//
// A column filter holds what the user typed in the column's cell of the
// filter row (ExpressionStr) and that text parsed into a filter expression
// (Expression). For a lookup column, or when a list dataset is given
// (ListSource), the typed text is a display value: it is looked up in the
// list dataset and the filter holds the matching key (KeyValue). The grid
// hands the parsed expressions to whoever applies filters (its
// OnApplyFilter, or the data service).
//
// Typed text and parsing: while the user types, the grid stores the text
// unparsed (SetTypedText); it is parsed when the filter is applied
// (ParsePendingText), so that a half-typed condition such as "in (" is no
// error. GUI thread only.
#pragma once

#include <memory>
#include <string>

#include "grid/filter_expression.h"
#include "platform/base/object.h"
#include "platform/base/string_list.h"
#include "platform/base/variant.h"

class TColumnEh;
class TCustomDBGridEh;
class TDataSet;
class TDataSource;
class TField;
class TDataLinkEh;
class TDatasetFieldValueListEh;

// The text of one operator with its operand as the column filter writes
// it: "=Null", "<>Null", "In ('a','b')", "> 5".
std::string FilterOperatorWithOperandText(TFilterOperatorKindEh op, const Variant& operand);
// A double as FloatToStr, a date as DateTimeToStr, anything else as a
// string in single quotes.
std::string FilterValueText(const Variant& value);

class TSTColumnFilterEh : public TPersistent {
  MEBRATH_CLASS(TSTColumnFilterEh, TPersistent)
 public:
  explicit TSTColumnFilterEh(TColumnEh* column);
  ~TSTColumnFilterEh() override;
  TColumnEh* Column() const { return FColumn; }

  // --- published
  // The field of the grid's dataset the filter tests; empty: the column's
  // field, or a lookup field's key fields.
  const std::string& DataField() const { return FDataField; }
  void SetDataField(const std::string& value) { FDataField = value; }
  // The key and display fields of the list dataset.
  const std::string& KeyField() const { return FKeyField; }
  void SetKeyField(const std::string& value) { FKeyField = value; }
  const std::string& ListField() const { return FListField; }
  void SetListField(const std::string& value) { FListField = value; }
  TDataSource* ListSource() const;
  // The lists are loaded again when the source's dataset opens or changes.
  void SetListSource(TDataSource* value);
  bool Visible() const { return FVisible; }
  // A change relayouts the grid.
  void SetVisible(bool value);

  // --- state
  // Texts of the list dataset's key and display fields (LoadLists).
  TStrings* KeyValues() const { return FKeyValues.get(); }
  TStrings* ListValues() const { return FListValues.get(); }
  // The key matched by the typed display text; Unassigned when none.
  const Variant& KeyValue() const { return FKeyValue; }
  // The filter-row editor's list size, stored back when its list closes;
  // 0 until then.
  int DropDownWidth() const { return FDropDownWidth; }
  void SetDropDownWidth(int value) { FDropDownWidth = value; }
  int DropDownRows() const { return FDropDownRows; }
  void SetDropDownRows(int value) { FDropDownRows = value; }
  const TSTFilterExpressionEh& Expression() const { return FExpression; }
  // A copy of the parsed expression.
  TSTFilterExpressionEh GetExpression() const { return FExpression; }
  // The text as the user typed it.
  const std::string& ExpressionStr() const { return FExpressionStr; }

  // Parses `text` into Expression (value type from the column's field);
  // for a key column the display text becomes the key of the list record
  // that shows it (in-list), or is-null when no record shows it. Raises
  // the parser's errors; the text is kept even then, the expression is
  // left empty and the text stays pending. Repaints the grid and reloads
  // a shown filter editor.
  void SetExpressionStr(const std::string& text);
  // Stores `text` as typed, without parsing it: it is pending until
  // ParsePendingText or SetExpressionStr.
  void SetTypedText(const std::string& text);
  bool TextPending() const { return FTextPending; }
  // Parses a pending text (see SetExpressionStr for errors).
  void ParsePendingText();
  // KeyValue Unassigned and an empty text.
  void Clear();

  // --- lookup defaults: the property, else the column's lookup field's
  // lookup keys, result field or lookup dataset.
  std::string GetKeyField();
  std::string GetListField();
  TDataSet* GetLookupDataSet();

  // --- virtuals
  // The expression written back as text: empty without an operator.
  virtual std::string GetExpressionAsText();
  // Whether the filter editor may drop down a list of values.
  virtual bool CanShowValueList();
  // DataField, else a lookup field's key fields, else the column's field.
  virtual std::string GetDataField();
  // KeyValue when a key field applies, else Operand1.
  virtual Variant GetOperand1();
  virtual Variant GetOperand2();

  // The distinct display texts of the list dataset (ListField, else the
  // column's field) while the grid's link and the list dataset are
  // active; nullptr otherwise. Owned by the filter.
  TDatasetFieldValueListEh* GetValueList();
  // Reads ListValues and KeyValues from the list dataset.
  void LoadLists();
  // Copies DataField, Visible, KeyField, ListField and ListSource.
  void Assign(const TPersistent* source) override;

 private:
  TCustomDBGridEh* Grid() const;
  TField* LookupField() const;
  void ListLinkEvent();

  TColumnEh* FColumn;
  std::string FDataField;
  std::string FKeyField;
  std::unique_ptr<TStringList> FKeyValues;
  Variant FKeyValue;
  std::unique_ptr<TStringList> FListValues;
  std::string FListField;
  std::unique_ptr<TDataLinkEh> FListLink;
  bool FListLinkActive = false;
  bool FLoadingLists = false;
  bool FVisible = true;
  int FDropDownWidth = 0;
  int FDropDownRows = 0;
  TSTFilterExpressionEh FExpression;
  std::string FExpressionStr;
  bool FTextPending = false;
  std::unique_ptr<TDatasetFieldValueListEh> FValueList;
};

// The grid's filter-row settings.
class TSTDBGridEhFilter : public TPersistent {
  MEBRATH_CLASS(TSTDBGridEhFilter, TPersistent)
 public:
  explicit TSTDBGridEhFilter(TCustomDBGridEh* grid) : FGrid(grid) {}
  TCustomDBGridEh* Grid() const { return FGrid; }
  // Filtering is wished on the client (passed on to whoever filters).
  bool Local() const { return FLocal; }
  void SetLocal(bool value) { FLocal = value; }
  // The filter row shows under the titles; the data rows keep their
  // records (the current row moves with them).
  bool Visible() const { return FVisible; }
  void SetVisible(bool value);
  // While updating the filter editor is neither reloaded nor hidden.
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate() { --FUpdateCount; }
  int UpdateCount() const { return FUpdateCount; }
  // Copies Visible then Local.
  void Assign(const TPersistent* source) override;

 private:
  TCustomDBGridEh* FGrid;
  bool FLocal = false;
  int FUpdateCount = 0;
  bool FVisible = false;
};
