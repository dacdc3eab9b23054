#include "grid/filter_row.h"

#include <cstdint>

#include "controls/dataset_helpers.h"
#include "grid/column_filter.h"
#include "grid/inplace_filter_edit.h"
#include "platform/base/scope_guard.h"
#include "platform/base/text.h"

namespace {

void* CodeObject(int code) { return reinterpret_cast<void*>(static_cast<std::intptr_t>(code)); }
int ObjectCode(void* object) { return static_cast<int>(reinterpret_cast<std::intptr_t>(object)); }

}  // namespace

void TGridFilterRowEh::ComponentRemoved(const TComponent* component) {
  if (FEditor != nullptr && component == FEditor) FEditor = nullptr;
}

void TGridFilterRowEh::PlaceEditor(const TRect& cell, bool focus) {
  if (FEditor == nullptr) return;
  if (cell.Right <= cell.Left || cell.Bottom <= cell.Top) {
    if (FEditor->Visible()) FEditor->SetVisible(false);
    return;
  }
  FEditor->SetBounds(cell.Left, cell.Top, cell.Right - cell.Left, cell.Bottom - cell.Top);
  FEditor->SetVisible(true);
  if (focus && FEditor->CanFocus()) FEditor->SetFocus();
}

bool TGridFilterRowEh::EndEdit() {
  const bool hadFocus = FEditor != nullptr && FEditor->Focused();
  if (FEditor != nullptr) FEditor->SetVisible(false);
  FEditMode = false;
  return hadFocus;
}

void TGridFilterRowEh::LoadEditor(TSTColumnFilterEh* filter) {
  TFlagGuard loading(FLoading);
  TStringList none;
  FEditor->SetItems(&none);
  const bool list = filter->CanShowValueList();
  FEditor->EditButton()->SetVisible(list);
  if (list) {
    FEditor->DropDownBox()->SetSizable(true);
    FEditor->DropDownBox()->SetRows(filter->DropDownRows() < 1 ? kDefaultDropDownRows
                                                               : filter->DropDownRows());
    FEditor->DropDownBox()->SetWidth(filter->DropDownWidth() < 1 ? kDefaultDropDownWidth
                                                                 : filter->DropDownWidth());
  }
  // The text the user is typing stays where it is, caret and all.
  if (FEditor->Text() != filter->ExpressionStr())
    SetFilterEditValueAndText(FEditor, Variant::Null(), filter->ExpressionStr());
  FEditor->SetModified(false);
}

void TGridFilterRowEh::FillList(TSTColumnFilterEh* filter, bool sortItems) {
  TStringList items;
  if (TDatasetFieldValueListEh* values = filter->GetValueList()) items.Assign(*values->Values());
  items.AddObject("(Пустые)", CodeObject(kItemEmpty));
  items.AddObject("(Не пустые)", CodeObject(kItemNotEmpty));
  items.AddObject("(Все)", CodeObject(kItemAll));
  items.AddObject("(Очистить фильтр)", CodeObject(kItemClear));
  if (sortItems) {
    items.AddObject("-", CodeObject(kItemSeparator));
    items.AddObject("(Сортировка по убыванию)", CodeObject(kItemSortDown));
    items.AddObject("(Сортировка по возрастанию)", CodeObject(kItemSortUp));
  }
  TFlagGuard loading(FLoading);
  const std::string text = FEditor->Text();
  FEditor->SetItems(&items);
  SetFilterEditValueAndText(FEditor, Variant::Null(), text);
}

bool TGridFilterRowEh::ListClosed(TSTColumnFilterEh* filter, bool accept, int& code) {
  filter->SetDropDownRows(FEditor->DropDownBox()->Rows());
  filter->SetDropDownWidth(FEditor->DropDownBox()->Width());
  const int index = FEditor->ItemIndex();
  if (!accept || index < 0 || index >= FEditor->Items()->Count()) return false;
  code = ObjectCode(FEditor->Items()->Objects(index));
  return true;
}

void TGridFilterRowEh::ShowText(const std::string& text) {
  if (FEditor == nullptr) return;
  FEditor->SetItemIndex(-1);
  FEditor->SetText(text);
}

TGridFilterRowEh::TKeyAction TGridFilterRowEh::EditorKey(unsigned& key, TShiftState shift,
                                                         bool tabs) {
  if (FEditor == nullptr || FEditor->ListVisible()) return TKeyAction::None;
  if (key == VK_RETURN) {
    key = 0;
    return TKeyAction::Apply;
  }
  const bool ctrl = shift.Contains(ssCtrl);
  const int length = static_cast<int>(Length(FEditor->Text()));
  int step = 0;
  if (key == VK_LEFT && (ctrl || (FEditor->SelStart() == 0 && FEditor->SelLength() == 0)))
    step = -1;
  else if (key == VK_RIGHT &&
           (ctrl || (FEditor->SelStart() >= length && FEditor->SelLength() == 0)))
    step = 1;
  else if (key == VK_TAB && tabs)
    step = shift.Contains(ssShift) ? -1 : 1;
  else if ((key == VK_DOWN && !shift.Contains(ssAlt)) || key == VK_ESCAPE) {
    // Back to the data rows; the typed text stays in the filter.
    key = 0;
    return TKeyAction::Stop;
  }
  if (step == 0) return TKeyAction::None;
  key = 0;
  return step < 0 ? TKeyAction::Previous : TKeyAction::Next;
}
