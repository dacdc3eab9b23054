// TCustomComboBox/TComboBox: an edit box with a drop-down list.
//
// The combo box is an edit (std_edit.h) whose formatting rectangle leaves
// room for the drop-down button at the right. In csDropDown the text is
// edited as in any edit; in csDropDownList and csOwnerDrawFixed it shows
// the selected item and typing selects items by the select-string rule
// (a prefix built up within kListSearchTimeout, ignoring case).
//
// The list drops down in a popup window (popup.h) that never takes the
// focus: the combo box keeps it and drives the list. F4 or Alt+Down/Up
// opens and closes it; while it is open Up/Down/PgUp/PgDn/Home/End move
// its highlight, the mouse highlights the item under it, and Enter or a
// click on an item accepts, Esc or a press elsewhere dismisses. While it is
// closed Up/Down (and, in the list styles, Home/End/PgUp/PgDn) change the
// selection at once.
//
// Events: a selection the user makes calls Click (OnClick) and then Select
// (OnSelect, or OnChange when OnSelect is not assigned), as the classic
// control did; text typed in csDropDown calls Change (OnChange). Setting
// Text or ItemIndex from code calls neither. ItemIndex follows typed text:
// the item equal to it (ignoring case), or -1. GUI thread only.
#pragma once

#include <cstdint>
#include <string>

#include "platform/gui/popup.h"
#include "platform/widgets/std_edit.h"
#include "platform/widgets/std_lists.h"

enum TComboBoxStyle { csDropDown, csDropDownList, csOwnerDrawFixed };

class TCustomComboBox;

// The list inside the drop-down: no focus, hot tracking, a click accepts.
class TComboListBox : public TCustomListBox {
  MEBRATH_CLASS(TComboListBox, TCustomListBox)
 public:
  TCustomComboBox* Combo() const { return FCombo; }

 protected:
  TComboListBox(TComponent* owner, TCustomComboBox* combo);
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void DrawItem(int index, TRect rect, TOwnerDrawState state) override;
  bool FocusOnClick() const override { return false; }

 private:
  TCustomComboBox* FCombo;
  TPoint FLastMouse{-1, -1};
};

// The popup that holds the list.
class TComboDropDown : public TCustomPopupWindow {
  MEBRATH_CLASS(TComboDropDown, TCustomPopupWindow)
 public:
  TComboListBox* List() const { return FList; }

 protected:
  TComboDropDown(TComponent* owner, TCustomComboBox* combo);
  // A one-pixel frame, so the list stands apart from what lies under it.
  void CreateParams(TCreateParams& params) override;

 private:
  TComboListBox* FList = nullptr;
};

class TCustomComboBox : public TCustomEdit {
  MEBRATH_CLASS(TCustomComboBox, TCustomEdit)
 public:
  TStrings* Items() const;
  void SetItems(const TStrings* value);
  int ItemIndex() const;
  // Selects the item and shows its text (-1: none, and in csDropDown the
  // text stays). No OnChange.
  void SetItemIndex(int value);
  // csDropDownList: selects the item equal to `value` (ignoring case), or
  // none. csDropDown: the text, with ItemIndex following it. No OnChange.
  void SetText(const std::string& value) override;

  TComboBoxStyle Style() const { return FStyle; }
  void SetStyle(TComboBoxStyle value);
  int DropDownCount() const { return FDropDownCount; }
  void SetDropDownCount(int value) { FDropDownCount = std::max(value, 1); }
  bool Sorted() const;
  void SetSorted(bool value);
  // Rows of the list (and csOwnerDrawFixed's edit area): the font's
  // height unless owner drawn.
  int ItemHeight() const;
  void SetItemHeight(int value);
  bool DroppedDown() const { return FDroppedDown; }
  void SetDroppedDown(bool value);
  // The drop-down's list box and popup (for subclasses that place or
  // draw them differently).
  TComboListBox* ListBox() const;
  TComboDropDown* DropDownWindow() const { return FDropDown; }

  TNotifyEvent OnDropDown;
  TNotifyEvent OnCloseUp;
  TNotifyEvent OnSelect;
  // Draws the list's items and, with odComboBoxEdit, the edit area, on
  // Canvas() (csOwnerDrawFixed).
  TDrawItemEvent OnDrawItem;

  // --- TWinControl
  void WndProc(TMessage& message) override;

 protected:
  explicit TCustomComboBox(TComponent* owner);
  void CreateParams(TCreateParams& params) override;
  void Paint() override;
  void KeyDown(unsigned& key, TShiftState shift) override;
  void KeyPress(char32_t& key) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void Change() override;
  bool EditCanModify() override;
  TRect DefaultFormatRect() const override;

  // Opens the list: OnDropDown first (it may fill Items), then the popup.
  virtual void DropDown();
  // Where the list of `size` shows, in screen coordinates: by default
  // under the combo box by the placement rule (popup.h), or above it when
  // there is no room below. Subclasses may resize or move it, and learn
  // from Above whether it drops upward.
  virtual TPopupPlacement PlaceDropDown(TSize size);
  // Closes the list; with `accept` the highlighted item becomes the
  // selection. Then OnCloseUp.
  virtual void CloseUp(bool accept);
  // A selection made by the user: Click, then Select.
  virtual void Select();
  // Draws one item (the list's, or the edit area's with odComboBoxEdit).
  virtual void DrawItem(int index, TRect rect, TOwnerDrawState state);
  // The drop-down button, client coordinates.
  virtual TRect ButtonRect() const;
  bool IsListStyle() const { return FStyle != csDropDown; }

 private:
  friend class TComboListBox;
  void DrawListItem(TCanvas& canvas, int index, TRect rect, TOwnerDrawState state);
  void UserSelectIndex(int index);
  void ShowItemText(int index);

  TComboDropDown* FDropDown = nullptr;
  TComboBoxStyle FStyle = csDropDown;
  int FDropDownCount = 8;
  int FItemHeight = 16;
  bool FDroppedDown = false;
  int FDropIndex = -1;
  int FSettingText = 0;
  bool FCloseClick = false;
  std::string FSearch;
  std::uint32_t FSearchTick = 0;
};

class TComboBox : public TCustomComboBox {
  MEBRATH_CLASS(TComboBox, TCustomComboBox)
 protected:
  explicit TComboBox(TComponent* owner) : TCustomComboBox(owner) {}
};
