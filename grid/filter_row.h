// TGridFilterRowEh: the state of the data grid's filter row and the
// behaviour of its editor. It keeps the editor (made by the grid on first
// use), the data column being edited, whether the row is being edited, a
// filter being applied or the editor being loaded, and the last press on a
// filter cell. It loads a column filter into the editor, fills the
// editor's list, reads what was chosen from it and tells what a key in the
// editor asks for.
//
// It knows nothing of the grid: the grid passes each column's filter and
// the editor's cell, and does the rest (applying, sorting). GUI thread
// only.
#pragma once

#include <cstdint>
#include <string>

#include "platform/base/scope_guard.h"
#include "platform/gui/messages.h"

class TComponent;
class TInplaceFilterEditEh;
class TSTColumnFilterEh;

class TGridFilterRowEh {
 public:
  // The codes of the special items of the editor's list ("(Пустые)", "(Не
  // пустые)", "(Все)", "(Очистить фильтр)", the separator and the two sort
  // items).
  static constexpr int kItemEmpty = 1;
  static constexpr int kItemNotEmpty = 2;
  static constexpr int kItemAll = 3;
  static constexpr int kItemClear = 4;
  static constexpr int kItemSeparator = 5;
  static constexpr int kItemSortDown = 6;
  static constexpr int kItemSortUp = 7;
  // The list's size while the filter keeps none of its own.
  static constexpr int kDefaultDropDownRows = 17;
  static constexpr int kDefaultDropDownWidth = 100;

  // What a key in the editor asks the grid for.
  enum class TKeyAction { None, Apply, Stop, Previous, Next };

  // The editor; nullptr before the grid made it or after it went.
  TInplaceFilterEditEh* Editor() const { return FEditor; }
  void SetEditor(TInplaceFilterEditEh* editor) { FEditor = editor; }
  // `component` is being destroyed: forgets the editor when it is that.
  void ComponentRemoved(const TComponent* component);

  // The data column of the editor; -1 before the first edit.
  int Col() const { return FCol; }
  void SetCol(int col) { FCol = col; }
  bool EditMode() const { return FEditMode; }
  bool Applying() const { return FApplying; }
  // The editor is being loaded: its changes are not typing.
  bool Loading() const { return FLoading; }

  // Editing starts in data column `col`.
  void BeginEdit(int col) {
    FCol = col;
    FEditMode = true;
  }
  // Editing ends and the editor hides; true when the editor had the focus.
  bool EndEdit();
  // Runs `apply` with Applying set (reset also when it throws).
  template <typename F>
  void Apply(F&& apply) {
    TFlagGuard applying(FApplying);
    apply();
  }
  // Places the editor over its cell, `cell` in the grid's client
  // coordinates, shows it and, with `focus`, focuses it. An empty `cell`
  // (the cell scrolled away, or the editor may not show now) hides it.
  // Nothing without an editor.
  void PlaceEditor(const TRect& cell, bool focus);

  // Loads `filter` into the editor: an empty list, the button and the
  // list's size when the filter offers values, and its text unless the
  // editor shows that text already (the caret stays). Not modified after.
  // REQUIRES: Editor() is not nullptr.
  void LoadEditor(TSTColumnFilterEh* filter);
  // Fills the editor's list: `filter`'s values, the special items and,
  // with `sortItems`, the separator and the sort items. The text stays.
  // REQUIRES: Editor() is not nullptr.
  void FillList(TSTColumnFilterEh* filter, bool sortItems);
  // The list closed: `filter` keeps the list's size. True, with the
  // chosen item's code (0 for a value), when an item was accepted.
  // REQUIRES: Editor() is not nullptr.
  bool ListClosed(TSTColumnFilterEh* filter, bool accept, int& code);
  // Shows `text` in the editor with no item chosen (nothing without one).
  void ShowText(const std::string& text);
  // What key `key` in the editor asks for: Enter applies; Left at the
  // start, Right at the end (or either with Ctrl) and Tab (with `tabs`;
  // Shift backwards) go to the previous or next column; Down (without
  // Alt) and Esc stop editing. A key that asks for something becomes 0.
  // None while the editor's list is open or without an editor.
  TKeyAction EditorKey(unsigned& key, TShiftState shift, bool tabs);

  // A press on a filter cell at client point `at`, at `time` ms.
  void MouseDown(TPoint at, std::uint32_t time) {
    FMouseDownPoint = at;
    FMouseDownTime = time;
  }
  // The last press; the time reads 0 after the first reading, so a press
  // counts once.
  void TakeMouseDown(TPoint& at, std::uint32_t& time) {
    at = FMouseDownPoint;
    time = FMouseDownTime;
    FMouseDownTime = 0;
  }

 private:
  TInplaceFilterEditEh* FEditor = nullptr;
  int FCol = -1;
  bool FEditMode = false;
  bool FApplying = false;
  bool FLoading = false;
  TPoint FMouseDownPoint{0, 0};
  std::uint32_t FMouseDownTime = 0;
};
