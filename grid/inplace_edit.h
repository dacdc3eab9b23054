// TDBGridInplaceEdit: the data grid's cell editor. It takes the current
// column's mask, length, font, colour, alignment and read-only state,
// reserves room at the right for its buttons, and drops down what the
// column offers: a pick list, a month calendar or a calculator. An up-down
// button steps the value; an ellipsis button fires the column's edit-button
// click.
//
// The chosen edit style (EditStyle) follows the column on every
// UpdateContents. The drop-downs are popups made on first need and kept;
// they never take the focus, the editor forwards the keys they should see.
// A drop-down closes accepting (Enter, Alt+Up/Down, a click inside it) or
// cancelling (Esc, a click elsewhere, focus loss); cancelling restores the
// grid's edit text.
//
// The style, rectangle, width and start-date rules are free functions so
// that they can be checked without windows. GUI thread only.
#pragma once

#include <string>
#include <vector>

#include "controls/calculator.h"
#include "controls/edit_buttons.h"
#include "controls/popup_calendar.h"
#include "controls/popup_lists.h"
#include "grid/popup_data_grid.h"
#include "platform/base/date_time.h"
#include "platform/widgets/grid_inplace_edit.h"

class TColumnEh;
class TCustomDBGridEh;

// Edit styles, in their numeric order.
enum TDBGridEditStyleEh {
  kEditStyleSimple = 0,
  kEditStyleEllipsis = 1,
  kEditStylePickList = 2,
  kEditStyleDataList = 3,
  kEditStyleDate = 4,
  kEditStyleUpDown = 5,
  kEditStyleDropDown = 6
};

// The edit style of `column` (null: simple).
TDBGridEditStyleEh DBGridEditStyleOf(TColumnEh* column);

// The rectangle the text goes in, in an editor of `width` x `height`:
// (2, 1, W - 2, H - 1) flat, (2, 2, W - 2, H) 3-D, one pixel lower for a
// text taller than that; then `rightCut` (buttons, image) off the right and
// `leftCut` (the tree indent) off the left.
TRect DBGridEditRect(int width, int height, bool flat, int textHeight, int rightCut, int leftCut);

// The width of a drop-down list: `dropDownWidth` -1 fits the contents
// (`fitWidth`), 0 or less takes the editor's width, more is taken as it
// is; never narrower than the editor.
int DBGridDropDownWidth(int dropDownWidth, int fitWidth, int editorWidth);

// The day the calendar opens on: today for an empty text, else the text as
// a date, else the field's value, else (a value of 0) today. The time is
// dropped.
TDateTime DBGridCalendarStartDate(const std::string& text, TDateTime fieldValue, TDateTime today);

class TDBGridInplaceEdit : public TInplaceEdit {
  MEBRATH_CLASS(TDBGridInplaceEdit, TInplaceEdit)
 public:
  TCustomDBGridEh* DBGrid() const;
  TDBGridEditStyleEh EditStyle() const { return FEditStyle; }
  // The width the buttons take at the right; 0 without buttons.
  int ButtonWidth() const { return FButtonWidth; }
  bool ListVisible() const { return FListVisible; }
  // The drop-down of the current style, or null.
  TWinControl* ActiveList() const { return FActiveList; }
  bool WordWrapMode() const { return FWordWrapMode; }
  // Made on first need.
  TPopupListboxEh* PickList() const { return FPickList; }
  TPopupMonthCalendarEh* Calendar() const { return FCalendar; }
  TPopupCalculatorEh* Calculator() const { return FCalculator; }
  // The column's drop-down data grid (not owned).
  TPopupDataGridEh* DataList() const { return FDataList; }
  TMRUListboxEh* MRUList() const { return FMRUList; }
  bool MRUListVisible() const { return FMRUList != nullptr && FMRUList->Visible(); }
  // The main button (index 0) and the column's edit buttons.
  TEditButtonControlEh* ButtonControl(int index) const;
  int ButtonControlCount() const { return static_cast<int>(FButtons.size()); }

  // Shows the drop-down of the current style.
  void DropDown();
  // Hides it; `accept` hands the chosen value to the cell.
  void CloseUp(bool accept);
  // The main button's action: an up-down step, else the drop-down.
  virtual void EditButtonClick(bool up);
  void UpdateContents() override;
  // Whether the red mark of a required empty field is drawn now.
  bool RequiredMarkShown();

 protected:
  explicit TDBGridInplaceEdit(TComponent* owner);
  virtual void UpdateEditStyle();
  virtual TEditButtonControlEh* CreateEditButtonControl();
  virtual TPopupCalculatorEh* CreateCalculator();
  virtual TMRUListboxEh* CreateMRUListBox();
  // Opens the column's MRU list filtered by the text, or closes it when
  // nothing matches.
  virtual void UpdateMRUList();
  // Auto-completion of a typed or pasted character; false rejects it.
  virtual bool TextChangedByKey(char32_t key);
  virtual void DrawRequiredMark(TCanvas& canvas);
  void BoundsChanged() override;
  void KeyDown(unsigned& key, TShiftState shift) override;
  void KeyPress(char32_t& key) override;
  void Change() override;
  // Enter and Tab belong to the grid even in a wrapped, multi-line cell.
  bool InsertsReturns() const override { return false; }
  bool InsertsTabs() const override { return false; }
  void DblClick() override;
  void DoExit() override;
  void WndProc(TMessage& message) override;
  void Paint() override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  struct TButtonEntry {
    TEditButtonEh* Button = nullptr;  // null for the main button
    TEditButtonControlEh* Control = nullptr;
  };
  TColumnEh* Column() const;
  void UpdateButtons();
  int EditButtonWidth() const;
  void ListClosed(bool accept);
  void SyncTextWithList();
  void SetTextSelected(const std::string& text);
  void ColumnButtonClick(int index);
  bool ListKey(unsigned& key, TShiftState shift);
  bool MRUKey(unsigned& key, TShiftState shift);
  void MRUListClosed(bool accept);
  void CloseMRUList(bool accept);
  void DropDownDataList(TColumnEh* column);
  void TextChangedByUser();

  TDBGridEditStyleEh FEditStyle = kEditStyleSimple;
  int FButtonWidth = 0;
  bool FListVisible = false;
  bool FWordWrapMode = false;
  bool FClosing = false;
  char32_t FSwallowChar = 0;
  std::string FTextBeforeDropDown;
  TWinControl* FActiveList = nullptr;
  TPopupListboxEh* FPickList = nullptr;
  TPopupMonthCalendarEh* FCalendar = nullptr;
  TPopupCalculatorEh* FCalculator = nullptr;
  TPopupDataGridEh* FDataList = nullptr;
  TMRUListboxEh* FMRUList = nullptr;
  // The list source of a drop-down grid over the field's lookup dataset.
  TObjectPtr<TDataSource> FListSource;
  std::string FMRUFilterText;
  bool FInMRUUpdate = false;
  std::vector<TButtonEntry> FButtons;
};
