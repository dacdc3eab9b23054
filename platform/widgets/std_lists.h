// TCustomListBox/TListBox and TScrollBar, drawn and run by us.
//
// A list box shows Items (or, in the virtual styles, Count items whose
// text OnData supplies) one per row from TopIndex down, with a vertical
// scroll bar in the frame when they do not fit. Rows are ItemHeight high
// (the font's height in lbStandard); lbOwnerDrawVariable asks
// MeasureItem/OnMeasureItem for each row. Every row is drawn by DrawItem,
// which subclasses override and which calls OnDrawItem in the owner-drawn
// styles; before it the canvas holds the control's font and colours, or
// the highlight colours for a selected row, and after it a focused row
// gets the focus rectangle.
//
// Selection: one item (ItemIndex), or with MultiSelect any set of items
// (Selected); ExtendedSelect makes clicks and arrows select ranges with
// Shift and toggle with Ctrl. ItemIndex is then the focused item. Changes
// the user makes (mouse, keys) call Click (OnClick); setting ItemIndex from
// code does not.
//
// The select-string rule (LB_SELECTSTRING, and typing into the list): the
// first item, searching from the start, whose text begins with the
// prefix, compared case-insensitively (AnsiCompareText). Characters typed
// within kListSearchTimeout of each other build up the prefix.
//
// TScrollBar is a windowed control that draws its own bar (arrows, track,
// thumb) through draw_utils and scrolls with the mouse (arrows and track
// repeat while held, the thumb drags) and the keyboard. GUI thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/string_list.h"
#include "platform/gui/controls.h"

// bsNone and bsSingle of the form border styles.
using TBorderStyle = TFormBorderStyle;

enum TOwnerDrawStateItem {
  odSelected,
  odGrayed,
  odDisabled,
  odChecked,
  odFocused,
  odDefault,
  odHotLight,
  odInactive,
  odNoAccel,
  odNoFocusRect,
  odReserved1,
  odReserved2,
  odComboBoxEdit
};
using TOwnerDrawState = TSet<TOwnerDrawStateItem>;

enum TListBoxStyle {
  lbStandard,
  lbOwnerDrawFixed,
  lbOwnerDrawVariable,
  lbVirtual,
  lbVirtualOwnerDraw
};

class TWinControl;
using TDrawItemEvent =
    std::function<void(TWinControl* control, int index, TRect rect, TOwnerDrawState state)>;
using TMeasureItemEvent = std::function<void(TWinControl* control, int index, int& height)>;
using TLBGetDataEvent = std::function<void(TWinControl* control, int index, std::string& data)>;

// Milliseconds within which typed characters add to the search prefix.
inline constexpr std::uint32_t kListSearchTimeout = 1000;

class TCustomListBox;

// The Items of a list box: every change reaches the list box at once.
class TListBoxStrings final : public TStrings {
 public:
  explicit TListBoxStrings(TCustomListBox* listBox) : FListBox(listBox) {}
  // TStrings
  int Count() const override;
  std::string Get(int Index) const override;
  void* GetObject(int Index) const override;
  void InsertObject(int Index, std::string_view S, void* AObject) override;
  void Delete(int Index) override;
  void Clear() override;
  void Put(int Index, std::string_view S) override;
  void PutObject(int Index, void* AObject) override;
  // A sorted list box puts the new item in its place.
  int AddObject(std::string_view S, void* AObject) override;
  int IndexOf(std::string_view S) const override;

 protected:
  void SetUpdateState(bool Updating) override;

 private:
  friend class TCustomListBox;
  struct TItem {
    std::string Text;
    void* Object = nullptr;
    bool Selected = false;
    int Height = -1;  // measured height (lbOwnerDrawVariable), -1 when not yet
  };
  TCustomListBox* FListBox;
  std::vector<TItem> FItems;
};

class TCustomListBox : public TCustomControl {
  MEBRATH_CLASS(TCustomListBox, TCustomControl)
 public:
  TStrings* Items() const { return FItems.get(); }
  // Copies the lines of `value`.
  void SetItems(const TStrings* value);
  // Items().Count(), or the virtual count.
  int Count() const;
  // The virtual styles' number of items.
  void SetCount(int value);
  // The text of item `index` (OnData in the virtual styles).
  std::string ItemText(int index) const;

  int ItemIndex() const { return FItemIndex; }
  // -1 clears the selection. Scrolls the item into view; no OnClick.
  void SetItemIndex(int value);
  int TopIndex() const { return FTopIndex; }
  void SetTopIndex(int value);
  bool Selected(int index) const;
  // Raises EListError "List index out of bounds (%d)" for a bad index.
  void SetSelected(int index, bool value);
  int SelCount() const;
  void SelectAll();
  void ClearSelection();
  // The item at the client point; -1 (or Count when !existing and the
  // point is below the last item) when there is none.
  int ItemAtPos(TPoint pos, bool existing) const;
  // The item's row in client coordinates (empty when out of range).
  TRect ItemRect(int index) const;
  // The select-string rule: from after `startIndex` (-1: from the start),
  // wrapping round, the first item that begins with `prefix`, ignoring
  // case; -1 when none. SelectString also selects it (as the user would,
  // with OnClick).
  int FindString(const std::string& prefix, int startIndex = -1) const;
  int SelectString(const std::string& prefix, int startIndex = -1);

  TListBoxStyle Style() const { return FStyle; }
  void SetStyle(TListBoxStyle value);
  // The height of a row: the font's in lbStandard and the virtual style,
  // the one set in the owner-drawn styles.
  int ItemHeight() const;
  void SetItemHeight(int value);
  bool Sorted() const { return FSorted; }
  // Sorting sorts the items now, and new items go in their place.
  void SetSorted(bool value);
  bool MultiSelect() const { return FMultiSelect; }
  void SetMultiSelect(bool value);
  bool ExtendedSelect() const { return FExtendedSelect; }
  void SetExtendedSelect(bool value) { FExtendedSelect = value; }
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle value);
  bool IntegralHeight() const { return FIntegralHeight; }
  void SetIntegralHeight(bool value) { FIntegralHeight = value; }
  // Rows that fit in the client area, at least 1.
  int VisibleRows() const;

  TDrawItemEvent OnDrawItem;
  TMeasureItemEvent OnMeasureItem;
  TLBGetDataEvent OnData;

  // --- TWinControl
  void WndProc(TMessage& message) override;

 protected:
  explicit TCustomListBox(TComponent* owner);
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void Paint() override;
  void Resize() override;
  void KeyDown(unsigned& key, TShiftState shift) override;
  void KeyPress(char32_t& key) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  bool DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) override;

  // Draws item `index` in `rect` (client coordinates) on Canvas(), whose
  // font and colours are set for `state`. The base calls OnDrawItem in
  // the owner-drawn styles when assigned; otherwise it fills the row and
  // writes the text.
  virtual void DrawItem(int index, TRect rect, TOwnerDrawState state);
  // The height of item `index` in lbOwnerDrawVariable: ItemHeight, then
  // OnMeasureItem.
  virtual void MeasureItem(int index, int& height);
  // The item the user moved to: selects it (by the selection mode and
  // `shift`), scrolls it into view and calls Click when anything changed.
  void UserSelect(int index, TShiftState shift, bool toggle = false);
  // Called when the items change (for subclasses that keep scroll bars).
  virtual void ItemsChanged();
  // Whether the frame's vertical bar follows the items; a subclass that
  // scrolls with a bar of its own says no.
  virtual bool HasFrameScrollBar() const { return true; }

 private:
  friend class TListBoxStrings;
  int RowHeight(int index) const;
  int LastVisible() const;
  void MakeVisible(int index);
  void UpdateScrollBar();
  void ItemsChangedInternal();
  void SortItems();

  std::unique_ptr<TListBoxStrings> FItems;
  int FVirtualCount = 0;
  int FItemIndex = -1;
  int FAnchor = -1;
  int FTopIndex = 0;
  TListBoxStyle FStyle = lbStandard;
  int FItemHeight = 16;
  bool FSorted = false;
  bool FMultiSelect = false;
  bool FExtendedSelect = true;
  TBorderStyle FBorderStyle = bsSingle;
  bool FIntegralHeight = false;
  bool FUpdating = false;
  bool FDragging = false;
  std::string FSearch;
  std::uint32_t FSearchTick = 0;
};

class TListBox : public TCustomListBox {
  MEBRATH_CLASS(TListBox, TCustomListBox)
 protected:
  explicit TListBox(TComponent* owner) : TCustomListBox(owner) {}
};

// --- TScrollBar

enum TScrollBarKind { sbHorizontal, sbVertical };
enum TScrollCode {
  scLineUp,
  scLineDown,
  scPageUp,
  scPageDown,
  scPosition,
  scTrack,
  scTop,
  scBottom,
  scEndScroll
};
using TScrollEvent = std::function<void(TObject* sender, TScrollCode scrollCode, int& scrollPos)>;

class TScrollBar : public TCustomControl {
  MEBRATH_CLASS(TScrollBar, TCustomControl)
 public:
  TScrollBarKind Kind() const { return FKind; }
  // Swaps width and height when the kind changes.
  void SetKind(TScrollBarKind value);
  int Min() const { return FMin; }
  int Max() const { return FMax; }
  int Position() const { return FPosition; }
  int PageSize() const { return FPageSize; }
  void SetMin(int value) { SetParams(FPosition, value, FMax); }
  void SetMax(int value) { SetParams(FPosition, FMin, value); }
  // Clamped to [Min, MaxPosition()]; calls Change when it moved.
  void SetPosition(int value) { SetParams(value, FMin, FMax); }
  // Raises EInvalidOperation "Scroll bar property out of range" when
  // max < min; the position is clamped into the new range.
  void SetParams(int position, int min, int max);
  // Raises EInvalidOperation "Scroll bar property out of range" when the
  // page is larger than the range.
  void SetPageSize(int value);
  int SmallChange() const { return FSmallChange; }
  void SetSmallChange(int value) { FSmallChange = value; }
  int LargeChange() const { return FLargeChange; }
  void SetLargeChange(int value) { FLargeChange = value; }
  // The highest position: Max less the page (PageSize - 1), at least Min.
  int MaxPosition() const;

  // The thumb position of the scroll request under way (CN_HSCROLL or
  // CN_VSCROLL), in full: the message carries only its low 16 bits.
  int RequestPos() const { return FRequestPos; }

  // Told of every scroll with the proposed position, which it may change.
  TScrollEvent OnScroll;
  TNotifyEvent OnChange;

  // --- TWinControl
  void WndProc(TMessage& message) override;

 protected:
  explicit TScrollBar(TComponent* owner);
  void Paint() override;
  void KeyDown(unsigned& key, TShiftState shift) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  virtual void Change();
  virtual void Scroll(TScrollCode scrollCode, int& scrollPos);

 private:
  enum TPart { kNone, kArrowUp, kPageUp, kThumb, kPageDown, kArrowDown };
  struct TLayout {
    TRect ArrowUp, PageUp, Thumb, PageDown, ArrowDown;
  };
  TLayout Layout() const;
  TPart PartAt(TPoint p) const;
  // Sends the request to itself as CN_HSCROLL / CN_VSCROLL (by Kind).
  void DoScroll(TScrollCode code, int trackPos = 0);
  // Runs one scroll: OnScroll, then the position.
  void ScrollRequested(TScrollCode code, int trackPos);
  void RepeatPressed();
  // Ends a press: scPosition after a drag, then scEndScroll.
  void EndPress();

  TScrollBarKind FKind = sbHorizontal;
  int FMin = 0;
  int FMax = 100;
  int FPosition = 0;
  int FPageSize = 0;
  int FSmallChange = 1;
  int FLargeChange = 1;
  int FRequestPos = 0;
  TPart FPressed = kNone;
  bool FPressedInside = false;
  int FThumbGrab = 0;
  TPoint FLastMouse;
};
