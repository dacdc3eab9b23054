// Writing the editor's text into the record, by the kind of the cell.

#include "grid/db_grid.h"
#include "grid/inplace_edit.h"
#include "platform/base/edit_mask.h"
#include "platform/data/data_set.h"
#include "platform/data/fields.h"

void TCustomDBGridEh::UpdateData() {
  const int index = SelectedIndex();
  if (index < 0) return;
  TColumnEh* column = FColumns->Items(index);
  TField* field = column->Field();
  const std::string text = FEditText;
  if (field == nullptr) {
    column->UpdateDataValues(text, Variant(text), true);
    return;
  }
  // The editor hands its text back whenever it is hidden (a rebuild, a
  // resize): the same text of a record nobody edits is no change, nor is
  // the blank mask of an empty value.
  const TDataSetState state = field->DataSet()->State();
  if (state != dsEdit && state != dsInsert && VarIsNull(FEditKeyValue)) {
    const std::string shown = FieldEditText(column);
    if (text == shown || text == FormatMaskText(GetEditMask(Col(), Row()), shown)) return;
  }
  switch (column->GetCellKind()) {
    case ctPickList:
      if (column->OnNotInList && column->PickList()->IndexOf(text) < 0) {
        bool recheck = false;
        column->OnNotInList(column, text, recheck);
      }
      column->UpdateDataValues(text, Variant(text), true);
      return;
    case ctKeyPickList: {
      TStrings* keys = column->KeyList();
      int i = column->PickList()->IndexOf(text);
      if (i >= 0) {
        if (i < keys->Count()) FEditKeyValue = Variant(keys->Strings(i));
      } else if (!text.empty() && column->OnNotInList) {
        bool recheck = false;
        column->OnNotInList(column, text, recheck);
        i = recheck ? column->PickList()->IndexOf(text) : -1;
        FEditKeyValue = i >= 0 && i < keys->Count() ? Variant(keys->Strings(i)) : Variant::Null();
      } else if (text.empty()) {
        FEditKeyValue = Variant::Null();
      }
      column->UpdateDataValues(text, FEditKeyValue, false);
      return;
    }
    case ctLookupField: {
      if (field->KeyFields().empty()) break;
      TDataSet* lookup = column->GetLookupDataSet();
      if (VarIsNull(FEditKeyValue) && !text.empty() && column->OnNotInList && lookup != nullptr &&
          lookup->Active()) {
        const std::string& result = field->LookupResultField();
        if (!lookup->Locate(result, Variant(text), {loCaseInsensitive})) {
          bool recheck = false;
          column->OnNotInList(column, text, recheck);
          if (recheck && lookup->Locate(result, Variant(text), {loCaseInsensitive}))
            FEditKeyValue = lookup->FieldValues(field->LookupKeyFields());
        }
      }
      TDataSet* ds = field->DataSet();
      bool canModify = true;
      for (TField* key : ds->GetFieldList(field->KeyFields()))
        canModify = canModify && key->CanModify();
      if (canModify) {
        ds->Edit();
        column->UpdateDataValues(text, FEditKeyValue, false);
        column->SetLookupText(text);
      }
      return;
    }
    default:
      break;
  }
  column->UpdateDataValues(text, Variant(text), true);
}

TInplaceEdit* TCustomDBGridEh::CreateEditor() { return Create<TDBGridInplaceEdit>(this); }
