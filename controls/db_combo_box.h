// TCustomDBComboBoxEh: the data-aware edit box with a list of items that
// drops down under it. Free-text mode (KeyItems empty): the text is free,
// Items are suggestions and the item index follows the text. Key mode
// (KeyItems set): Items are what is shown, KeyItems what the field stores;
// typing searches the items incrementally, nothing else can be typed, and
// the field receives the key of the selected item. Only the first
// min(#Items, #KeyItems) items are usable in key mode.
//
// Items and keys are found ignoring case, Cyrillic included ("ж" finds
// "Ж"), as the framework's string lists do. TDBComboBoxEh publishes the
// properties. GUI thread only.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/db_edit.h"

class TDropDownBoxEh : public TPersistent {
  MEBRATH_CLASS(TDropDownBoxEh, TPersistent)
 public:
  TDropDownBoxEh() = default;
  TDropDownAlign Align() const { return FAlign; }
  void SetAlign(TDropDownAlign value) { FAlign = value; }
  // Drop down as soon as a character is typed.
  bool AutoDrop() const { return FAutoDrop; }
  void SetAutoDrop(bool value) { FAutoDrop = value; }
  int Rows() const { return FRows; }
  void SetRows(int value) { FRows = value; }
  // A size grip; the list keeps a new size.
  bool Sizable() const { return FSizable; }
  void SetSizable(bool value) { FSizable = value; }
  // 0 or less: the editor's width; -1: the widest item's.
  int Width() const { return FWidth; }
  void SetWidth(int value) { FWidth = value; }
  void Assign(const TPersistent* source) override;

 private:
  TDropDownAlign FAlign = daLeft;
  bool FAutoDrop = false;
  int FRows = 7;
  bool FSizable = false;
  int FWidth = 0;
};

// Sender, Accept.
using TCloseUpEventEh = std::function<void(TObject* sender, bool accept)>;
// Sender, var Accept.
using TClosingUpEventEh = std::function<void(TObject* sender, bool& accept)>;
// Sender, NewText, var RecheckInList.
using TNotInListEventEh =
    std::function<void(TObject* sender, const std::string& newText, bool& recheckInList)>;

// Finds items ignoring case fast: the first item (in list order) equal to
// a text, or beginning with it, below a limit. Built on first use after a
// change of the list.
class TItemsSearchIndexEh {
 public:
  void Invalidate() { FValid = false; }
  int FirstEqual(const TStrings& items, const std::string& text, int limit);
  int FirstWithPrefix(const TStrings& items, const std::string& prefix, int limit);

 private:
  void Build(const TStrings& items);
  int MinIndex(std::size_t from, std::size_t to) const;  // [from, to)

  bool FValid = false;
  std::vector<std::string> FFolded;    // sorted
  std::vector<int> FIndex;             // the item of each sorted entry
  std::vector<std::vector<int>> FMin;  // FMin[k][i]: min of FIndex[i, i + 2^k)
};

class TCustomDBComboBoxEh : public TCustomDBEditEh {
  MEBRATH_CLASS(TCustomDBComboBoxEh, TCustomDBEditEh)
 public:
  TDropDownBoxEh* DropDownBox() const { return FDropDownBox.get(); }
  TStrings* Items() const { return FItems.get(); }
  void SetItems(const TStrings* value);
  TStrings* KeyItems() const { return FKeyItems.get(); }
  void SetKeyItems(const TStrings* value);
  // The selected item, -1 for none.
  int ItemIndex() const { return FItemIndex; }
  virtual void SetItemIndex(int index);
  // Selects an item as the user would: starts an edit, selects, commits.
  // A half-bound box ignores it.
  void SetItemIndexAndUpdate(int index);
  bool KeyMode() const { return FKeyBased; }
  // #Items, or in key mode min(#Items, #KeyItems).
  int UsableCount() const;
  // The key of the selected item in key mode (Null for none).
  const Variant& KeyValue() const { return FVarValue; }
  TPopupListboxEh* PopupList();
  bool ListVisible() const { return FListVisible; }
  int ItemImageIndex() const { return FItemImageIndex; }

  // Completes `text` to the first usable item equal to it (Partial: that
  // begins with it), ignoring case, selecting the completed remainder.
  // Returns whether the item index changed.
  virtual bool AutoCompleteText(const std::string& text, bool partial);
  // Typed text in key mode and completion in free-text mode ("\b" shrinks
  // the match).
  virtual bool ProcessTypedText(const std::string& typed);
  virtual void CheckFillItems();

  Variant GetValue() const override;
  void Clear() override;
  void WndProc(TMessage& message) override;

  TNotifyEvent OnDropDown;
  TCloseUpEventEh OnCloseUp;
  TNotInListEventEh OnNotInList;
  TListGetImageIndexEventEh OnGetItemImageIndex;
  // Before a lookup while Items is empty.
  TNotifyEvent OnGetItems;
  // May veto the acceptance of a closing list.
  TClosingUpEventEh OnClosingUp;

 protected:
  explicit TCustomDBComboBoxEh(TComponent* owner);
  ~TCustomDBComboBoxEh() override;

  TObjectPtr<TEditButtonEh> CreateEditButton() override;
  TAlignment GetFieldAlignment() const override;
  int GetItemIndex() const override { return FItemImageIndex; }
  bool IsValidChar(char32_t ch) override;
  void EditButtonClick() override;
  void CloseUp(bool accept) override;
  void DataChange() override;
  void DropDown() override;
  void ButtonMouseDown(int index, bool topButton, bool& autoRepeat) override;
  void ButtonMouseMove(int index, TShiftState shift, int x, int y) override;
  void InternalSetText(const std::string& text) override;
  void InternalSetValue(const Variant& value) override;
  void UpdateFieldText() override;
  void ClearFieldMaxLength() override;
  void UpdateEditReadOnly() override;
  void UpdateImageIndex() override;
  void UpdateData() override;
  void Change() override;
  void KeyDown(unsigned& key, TShiftState shift) override;
  void KeyPress(char32_t& key) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  void ItemsChanged();
  bool CanChangeValue();
  void StepItem(int delta);
  void ListClosed(bool accept);
  void RefindItemIndex();
  int ListWidth();

  std::unique_ptr<TDropDownBoxEh> FDropDownBox;
  int FItemIndex = -1;
  std::unique_ptr<TStringList> FItems;
  std::unique_ptr<TStringList> FKeyItems;
  TItemsSearchIndexEh FItemsIndex;
  TItemsSearchIndexEh FKeyItemsIndex;
  TPopupListboxEh* FPopupList = nullptr;
  bool FListVisible = false;
  bool FKeyBased = false;
  Variant FVarValue = Variant::Null();
  int FItemImageIndex = -1;
  bool FClosing = false;
  // The list was just closed by a press elsewhere; if that press is on the
  // main button or the text, it must not open the list again.
  bool FCancelledByPress = false;
};

// Posted when a press elsewhere closed the list: that press is over.
inline constexpr unsigned CM_LISTCANCELLEDEH = WM_USER + 103;

class TDBComboBoxEh : public TCustomDBComboBoxEh {
  MEBRATH_CLASS(TDBComboBoxEh, TCustomDBComboBoxEh)
 protected:
  explicit TDBComboBoxEh(TComponent* owner) : TCustomDBComboBoxEh(owner) {}
};
