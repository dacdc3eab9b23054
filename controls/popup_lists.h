// The drop-down lists of the edit boxes: TPopupListboxEh (a combo box's
// items) and, for the list of recently entered values, TMRUListEh with its
// TMRUListboxEh.
//
// The list windows are popups: they float above the form, never take the
// focus (the edit box keeps it and forwards the keys they should see),
// close on a click elsewhere or cancel mode, and have a size grip. A mouse
// release inside the list closes it accepting the row under the pointer,
// outside without accepting; the owner hears it through OnCloseUp, else
// through its IPopupHost. GUI thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "controls/popup_owner.h"
#include "controls/size_grip.h"
#include "platform/base/string_list.h"
#include "platform/draw/image_list.h"
#include "platform/gui/popup.h"
#include "platform/widgets/std_lists.h"

// Sender, the value, var Accept.
using TFilterMRUItemEventEh =
    std::function<void(TObject* sender, const std::string& item, bool& accept)>;
// Sender, Shown.
using TMRUListDropDownEventEh = std::function<void(TObject* sender, bool shown)>;

class TMRUListEh : public TPersistent {
  MEBRATH_CLASS(TMRUListEh, TPersistent)
 public:
  explicit TMRUListEh(TPersistent* owner = nullptr);
  ~TMRUListEh() override;

  bool Active() const { return FActive; }
  // A change calls OnActiveChanged.
  void SetActive(bool value);
  bool AutoAdd() const { return FAutoAdd; }
  void SetAutoAdd(bool value) { FAutoAdd = value; }
  bool CaseSensitive() const { return FCaseSensitive; }
  void SetCaseSensitive(bool value) { FCaseSensitive = value; }
  // The values, oldest first.
  TStrings* Items() const { return FItems.get(); }
  void SetItems(const TStrings* value);
  int Limit() const { return FLimit; }
  // Drops the oldest values until the count fits; a negative limit counts
  // as 0.
  void SetLimit(int value);
  int Rows() const { return FRows; }
  void SetRows(int value) { FRows = value; }
  // The width the drop-down had when last shown (0: the editor's).
  int Width() const { return FWidth; }
  void SetWidth(int value) { FWidth = value; }
  // Filtering gives up when a key press is waiting.
  bool CancelIfKeyInQueue() const { return FCancelIfKeyInQueue; }
  void SetCancelIfKeyInQueue(bool value) { FCancelIfKeyInQueue = value; }
  // Whether a key press is waiting; peeks the queue unless replaced.
  std::function<bool()> KeyPending;

  // Trims `value`; ignores an empty one; a value already there (letter case
  // per CaseSensitive) moves to the end keeping its spelling, else it is
  // appended and the oldest values go while the count exceeds Limit.
  void Add(const std::string& value);
  // Fills `dest` with the values that begin with `text`, oldest first
  // (OnFilterItem may change each verdict). False when it gave up because
  // a key is waiting (checked at every 100th value).
  bool Filter(const std::string& text, TStrings& dest);
  // Calls OnSetDropDown.
  void DropDown(bool shown);

  TNotifyEvent OnActiveChanged;
  TFilterMRUItemEventEh OnFilterItem;
  TMRUListDropDownEventEh OnSetDropDown;

  // Copies Active, Items, Limit, Rows and CaseSensitive.
  void Assign(const TPersistent* source) override;
  TPersistent* GetOwner() const override { return FOwner; }

 private:
  int Find(const std::string& value) const;

  TPersistent* FOwner;
  bool FActive = false;
  bool FAutoAdd = true;
  bool FCaseSensitive = false;
  std::unique_ptr<TStringList> FItems;
  int FLimit = 100;
  int FRows = 7;
  int FWidth = 0;
  bool FCancelIfKeyInQueue = true;
};

// Sender, ItemIndex, var ImageIndex.
using TListGetImageIndexEventEh =
    std::function<void(TObject* sender, int itemIndex, int& imageIndex)>;

// Milliseconds after which typing starts a new search text.
inline constexpr std::uint32_t kPopupListSearchTimeout = 2000;
inline constexpr int kPopupListSearchMaxLength = 32;

class TPopupListboxEh : public TPopupOwnedEh<TCustomListBox> {
  MEBRATH_CLASS(TPopupListboxEh, TCustomListBox)
 public:
  // Shows the list at `screenBounds` without taking the focus.
  void ShowAt(const TRect& screenBounds);
  // Hides, then tells OnCloseUp or the owner's IPopupHost. Nothing when
  // hidden.
  void CloseUp(bool accept);
  // A raised double border 2 wide with the 3-D look, none without.
  bool Ctl3D() const { return FCtl3D; }
  void SetCtl3D(bool value);
  int BorderWidth() const { return FCtl3D ? 2 : 0; }
  // The height the window's border adds.
  int NonClientHeight() const { return 2 * BorderWidth(); }
  // Whole rows: Height = rows x ItemHeight + NonClientHeight.
  int RowCount() const;
  void SetRowCount(int value);
  TSizeGripEh* SizeGrip() const { return FSizeGrip; }
  bool Sizable() const { return FSizeGrip->Visible(); }
  void SetSizable(bool value) { FSizeGrip->SetVisible(value); }
  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* value);
  // The search text typed so far.
  const std::string& SearchText() const { return FSearchText; }
  // Popups never take the focus.
  bool CanFocus() const override { return false; }
  // True while closing because of a press elsewhere (cancel mode).
  bool ClosingByCancelMode() const { return FCancelMode; }

  TCloseUpEvent OnCloseUp;
  TListGetImageIndexEventEh OnGetImageIndex;

  // TControl: the height snaps to whole rows; at least a scroll bar's
  // width and arrow height.
  void SetBounds(int left, int top, int width, int height) override;
  void WndProc(TMessage& message) override;

 protected:
  explicit TPopupListboxEh(TComponent* owner);
  void Notification(TComponent* component, TOperation operation) override;
  void CreateParams(TCreateParams& params) override;
  void DrawItem(int index, TRect rect, TOwnerDrawState state) override;
  void KeyPress(char32_t& key) override;
  void KeyDown(unsigned& key, TShiftState shift) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  bool DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) override;
  void Resize() override;
  bool FocusOnClick() const override { return false; }

 private:
  TSizeGripEh* FSizeGrip = nullptr;
  TCustomImageList* FImages = nullptr;
  bool FCtl3D = true;
  std::string FSearchText;
  std::uint32_t FSearchTick = 0;
  TPoint FLastMousePos{-1, -1};
  bool FCancelMode = false;
};

// The MRU drop-down: its own scroll bar beside the size grip instead of the
// list's.
class TMRUListboxEh : public TPopupListboxEh {
  MEBRATH_CLASS(TMRUListboxEh, TPopupListboxEh)
 public:
  TScrollBar* ScrollBar() const { return FScrollBar; }
  // The bar after a change of items, size or position: shown (the grip a
  // full square) when the items exceed the visible rows, else hidden (the
  // grip a triangle).
  void UpdateScrollBar();

  void WndProc(TMessage& message) override;

 protected:
  explicit TMRUListboxEh(TComponent* owner);
  bool HasFrameScrollBar() const override { return false; }
  void CreateParams(TCreateParams& params) override;
  void Resize() override;
  void ItemsChanged() override;
  void KeyDown(unsigned& key, TShiftState shift) override;
  bool DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) override;

 private:
  TScrollBar* FScrollBar = nullptr;
  bool FUpdatingBar = false;
};
