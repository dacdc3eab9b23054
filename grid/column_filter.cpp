#include "grid/column_filter.h"

#include "controls/dataset_helpers.h"
#include "grid/columns.h"
#include "grid/db_grid.h"
#include "platform/base/date_time.h"
#include "platform/base/number_format.h"
#include "platform/base/scope_guard.h"
#include "platform/data/data_guards.h"
#include "platform/data/data_set.h"
#include "platform/data/data_source.h"
#include "platform/data/fields.h"

std::string FilterValueText(const Variant& value) {
  switch (VarType(value)) {
    case varDouble:
      return FloatToStr(value.AsDouble());
    case varDate:
      return DateTimeToStr(value.AsDouble());
    default:
      return "'" + VarToStr(value) + "'";
  }
}

std::string FilterOperatorWithOperandText(TFilterOperatorKindEh op, const Variant& operand) {
  const std::string name(FilterOperatorText(op));
  switch (op) {
    case fokIsNullEh:
      return "=" + name;
    case fokIsNotNullEh:
      return "<>" + name;
    case fokInEh:
    case fokNotInEh: {
      std::string text = name + " (";
      if (VarIsArray(operand)) {
        for (int i = VarArrayLowBound(operand); i <= VarArrayHighBound(operand); ++i)
          text += FilterValueText(VarArrayGet(operand, i)) + ",";
      } else {
        text += FilterValueText(operand) + ",";
      }
      if (text.back() == ',') text.pop_back();
      return text + ")";
    }
    default:
      return name + " " + FilterValueText(operand);
  }
}

// ---- TSTColumnFilterEh

TSTColumnFilterEh::TSTColumnFilterEh(TColumnEh* column)
    : FColumn(column),
      FKeyValues(std::make_unique<TStringList>()),
      FListValues(std::make_unique<TStringList>()),
      FListLink(std::make_unique<TDataLinkEh>(this)) {
  InitFilterExpression(FExpression);
  FListLink->OnDataEvent = [this](TDataEvent event, std::intptr_t) {
    if (event == deUpdateState || event == deDataSetChange || event == deLayoutChange)
      ListLinkEvent();
  };
}

TSTColumnFilterEh::~TSTColumnFilterEh() = default;

TCustomDBGridEh* TSTColumnFilterEh::Grid() const {
  return FColumn != nullptr ? FColumn->Grid() : nullptr;
}

TDataSource* TSTColumnFilterEh::ListSource() const { return FListLink->DataSource(); }

void TSTColumnFilterEh::SetListSource(TDataSource* value) {
  if (value == ListSource()) return;
  FListLink->SetDataSource(value);
  ListLinkEvent();
}

void TSTColumnFilterEh::ListLinkEvent() {
  // Opening or changing the list dataset reloads the lists; reading them
  // (First .. Eof with controls disabled) announces a change itself.
  const bool active = FListLink->Active();
  if (FLoadingLists) return;
  // Never while a list record is being edited: walking the list would
  // end the edit.
  if (active && FListLink->DataSet()->State() != dsBrowse) return;
  if (active || active != FListLinkActive) LoadLists();
  FListLinkActive = active;
}

void TSTColumnFilterEh::SetVisible(bool value) {
  if (value == FVisible) return;
  FVisible = value;
  if (FColumn != nullptr) FColumn->Changed(false);
}

TField* TSTColumnFilterEh::LookupField() const {
  if (FColumn == nullptr || Grid() == nullptr) return nullptr;
  TField* field = FColumn->Field();
  return field != nullptr && field->Lookup() ? field : nullptr;
}

std::string TSTColumnFilterEh::GetKeyField() {
  if (!FKeyField.empty()) return FKeyField;
  TField* lookup = LookupField();
  return lookup != nullptr ? lookup->LookupKeyFields() : std::string();
}

std::string TSTColumnFilterEh::GetListField() {
  if (!FListField.empty()) return FListField;
  TField* lookup = LookupField();
  return lookup != nullptr ? lookup->LookupResultField() : std::string();
}

TDataSet* TSTColumnFilterEh::GetLookupDataSet() {
  if (ListSource() != nullptr && ListSource()->DataSet() != nullptr) return ListSource()->DataSet();
  TField* lookup = LookupField();
  return lookup != nullptr ? lookup->LookupDataSet() : nullptr;
}

std::string TSTColumnFilterEh::GetDataField() {
  if (!FDataField.empty()) return FDataField;
  if (TField* lookup = LookupField()) return lookup->KeyFields();
  return FColumn != nullptr ? FColumn->FieldName() : std::string();
}

void TSTColumnFilterEh::SetExpressionStr(const std::string& text) {
  const std::string keyField = GetKeyField();
  TField* field = FColumn != nullptr && Grid() != nullptr ? FColumn->Field() : nullptr;
  // A key column's text is a display value, whatever the key's type.
  FExpression.ValueType = !keyField.empty()  ? fvtStringEh
                          : field != nullptr ? FilterValueTypeOfField(field->DataType())
                                             : fvtNoneEh;
  try {
    ParseFilterExpression(text, FExpression);
  } catch (...) {
    // The text stays as typed, waiting for a correction; no half-parsed
    // condition is left for whoever applies the filter.
    InitFilterExpression(FExpression);
    FExpressionStr = text;
    FTextPending = true;
    throw;
  }
  if (!keyField.empty() && FExpression.Operator1 != fokIsNullEh &&
      FExpression.Operator1 != fokIsNotNullEh) {
    FKeyValue = Variant::Unassigned();
    if (!text.empty()) {
      if (TDataSet* list = GetLookupDataSet())
        FKeyValue = list->Lookup(GetListField(), text, keyField);
    }
    InitFilterExpression(FExpression);
    FExpression.ValueType = fvtStringEh;
    if (VarIsEmpty(FKeyValue) || VarIsNull(FKeyValue)) {
      // A display value that no list record shows filters on an empty key.
      FExpression.Operator1 = text.empty() ? fokNoneEh : fokIsNullEh;
    } else {
      FExpression.Operator1 = fokInEh;
      FExpression.Operand1 = text;
    }
  }
  FExpressionStr = text;
  FTextPending = false;
  if (TCustomDBGridEh* grid = Grid()) grid->FilterChanged();
}

void TSTColumnFilterEh::SetTypedText(const std::string& text) {
  FExpressionStr = text;
  FTextPending = true;
}

void TSTColumnFilterEh::ParsePendingText() {
  if (FTextPending) SetExpressionStr(FExpressionStr);
}

void TSTColumnFilterEh::Clear() {
  FKeyValue = Variant::Unassigned();
  SetExpressionStr("");
}

std::string TSTColumnFilterEh::GetExpressionAsText() {
  if (FExpression.ValueType == fvtNoneEh || FExpression.Operator1 == fokNoneEh) return {};
  if (ListSource() != nullptr) {
    const Variant& operand = FExpression.Operand1;
    if (!VarIsArray(operand)) return VarToStr(operand);
    std::string text;
    for (int i = VarArrayLowBound(operand); i <= VarArrayHighBound(operand); ++i)
      text += (text.empty() ? "'" : ",'") + VarToStr(VarArrayGet(operand, i)) + "'";
    return text;
  }
  std::string text = FilterOperatorWithOperandText(FExpression.Operator1, FExpression.Operand1);
  if (FExpression.Relation != fokNoneEh)
    text += " " + std::string(FilterOperatorText(FExpression.Relation)) + " " +
            FilterOperatorWithOperandText(FExpression.Operator2, FExpression.Operand2);
  return text;
}

bool TSTColumnFilterEh::CanShowValueList() {
  // The grid's datasets offer no list of their values; only a list
  // dataset can.
  return ListSource() != nullptr;
}

Variant TSTColumnFilterEh::GetOperand1() {
  if (!GetKeyField().empty()) return FKeyValue;
  return FExpression.Operand1;
}

Variant TSTColumnFilterEh::GetOperand2() { return FExpression.Operand2; }

TDatasetFieldValueListEh* TSTColumnFilterEh::GetValueList() {
  TCustomDBGridEh* grid = Grid();
  TDataSet* list = ListSource() != nullptr ? ListSource()->DataSet() : nullptr;
  if (grid == nullptr || !grid->DataLink()->Active() || list == nullptr || !list->Active())
    return nullptr;
  if (!FValueList) FValueList = std::make_unique<TDatasetFieldValueListEh>();
  FValueList->SetDataSet(list);
  FValueList->SetFieldName(!FListField.empty() ? FListField : FColumn->FieldName());
  return FValueList.get();
}

void TSTColumnFilterEh::LoadLists() {
  FKeyValues->Clear();
  FListValues->Clear();
  if (!FListLink->Active() || FListField.empty() || FKeyField.empty()) return;
  TDataSet* list = FListLink->DataSet();
  if (list->State() != dsBrowse) return;
  TField* display = list->FindField(FListField);
  TField* key = list->FindField(FKeyField);
  if (display == nullptr || key == nullptr) return;
  TFlagGuard loadingLists(FLoadingLists);
  TControlsDisabledGuard controls(list);
  for (list->First(); !list->Eof(); list->Next()) {
    FListValues->Add(display->AsString());
    FKeyValues->Add(key->AsString());
  }
  list->First();
}

void TSTColumnFilterEh::Assign(const TPersistent* source) {
  auto* o = dynamic_cast<const TSTColumnFilterEh*>(source);
  if (o == nullptr) {
    TPersistent::Assign(source);
    return;
  }
  FDataField = o->FDataField;
  SetVisible(o->FVisible);
  FKeyField = o->FKeyField;
  FListField = o->FListField;
  SetListSource(o->ListSource());
}

// ---- TSTDBGridEhFilter

void TSTDBGridEhFilter::SetVisible(bool value) {
  if (value == FVisible) return;
  FVisible = value;
  if (FGrid != nullptr) FGrid->FilterRowVisibleChanged();
}

void TSTDBGridEhFilter::Assign(const TPersistent* source) {
  auto* o = dynamic_cast<const TSTDBGridEhFilter*>(source);
  if (o == nullptr) {
    TPersistent::Assign(source);
    return;
  }
  SetVisible(o->FVisible);
  SetLocal(o->FLocal);
}
