// TCustomDBEditEh: the single-line masked edit box that shows and edits
// one field, or keeps a value of its own when bound to none (own-value
// mode). On top of the masked edit it has the field data link, a main edit
// button and further ones at its right edge, an image at its left edge, a
// list of recently entered values (MRU) with its drop-down, a flat border,
// a red dotted line for required empty fields and tool tips for text that
// does not fit. TDBEditEh publishes the properties; the combo box derives
// from it.
//
// Text: focused and modifiable, the box shows the field's EditText,
// otherwise its DisplayText. Typing starts an edit of the dataset; the text
// goes into the field when the record is posted or the box is left
// (UpdateRecord). A text the field refuses (a letter in a number, a date
// that does not exist) raises the field's conversion error there: the text
// and the focus stay, and nothing is written. Writing Text from code is the
// user's typing and committing in one step. A half-bound box (a field name
// without a data source, or a data source without a usable field) shows
// what it is given and writes nothing. GUI thread only.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/edit_buttons.h"
#include "controls/field_data_link.h"
#include "controls/popup_lists.h"
#include "platform/widgets/mask_edit.h"

// Sender, var Handled.
using TUpdateDataEventEh = std::function<void(TObject* sender, bool& handled)>;
// Sender, var DrawState.
using TOnCheckDrawRequiredStateEventEh = std::function<void(TObject* sender, bool& drawState)>;
// Sender, var ImageIndex.
using TGetImageIndexEventEh = std::function<void(TObject* sender, int& imageIndex)>;

// What a grid that hosts the editor as its cell editor offers it.
class IInplaceEditHolderEh {
 public:
  // Whether the editor may change the value.
  virtual bool InplaceEditCanModify(TControl* editor) = 0;
  // A left-button press in the editor; the holder gives the position and
  // time of its own last click.
  virtual void GetMouseDownInfo(TPoint& pos, std::uint32_t& time) = 0;
  // At the start of every window message of the editor.
  virtual void InplaceEditWndProc(TControl* editor, TMessage& message) = 0;
  // Before the editor's own key handling; a key set to 0 goes no further.
  virtual void InplaceEditKeyDown(TControl* editor, unsigned& key, TShiftState shift) = 0;
  virtual void InplaceEditKeyPress(TControl* editor, char32_t& key) = 0;
  virtual void InplaceEditKeyUp(TControl* editor, unsigned& key, TShiftState shift) = 0;

 protected:
  ~IInplaceEditHolderEh() = default;
};

inline constexpr const char* SInplaceEditHolderEh =
    "InplaceEditHolder have to support IInplaceEditHolderEh interface";

// Posted to the editor when a button's drop-down menu closed (WParam: the
// button's index, 0 the main button), so that the press that closed the
// menu does not open it again.
inline constexpr unsigned CM_EDITBUTTONMENUCLOSEDEH = WM_USER + 102;

class TCustomDBEditEh : public TCustomMaskEdit {
  MEBRATH_CLASS(TCustomDBEditEh, TCustomMaskEdit)
 public:
  // --- binding
  TDataSource* DataSource() const { return GetDataSource(); }
  virtual void SetDataSource(TDataSource* value);
  const std::string& DataField() const { return GetDataField(); }
  virtual void SetDataField(const std::string& value);
  TField* Field() const { return FDataLink ? FDataLink->Field() : nullptr; }
  TFieldDataLinkEh* DataLink() const { return FDataLink.get(); }

  // --- text and value
  // The user's typing and committing in one step (see the top).
  void SetText(const std::string& value) override;
  virtual Variant GetValue() const;
  void SetValue(const Variant& value) { SetValueAndUpdate(value); }
  // Sets the value Null as the user would.
  void Clear() override;

  // --- buttons, image, MRU
  TEditButtonEh* EditButton() const { return FEditButton.get(); }
  TEditButtonsEh* EditButtons() const { return FEditButtons.get(); }
  TEditImageEh* EditImage() const { return FEditImage.get(); }
  TCustomImageList* Images() const { return FEditImage->Images(); }
  void SetImages(TCustomImageList* value) { FEditImage->SetImages(value); }
  TMRUListEh* MRUList() const { return FMRUList.get(); }
  // Created on first use.
  TMRUListboxEh* MRUListbox();
  bool MRUListboxShown() const { return FMRUListbox != nullptr && FMRUListbox->Visible(); }
  // The control of button `index` (0 the main button, then the collection).
  TEditButtonControlEh* ButtonControl(int index) const;
  int ButtonControlCount() const { return static_cast<int>(FButtons.size()); }

  // --- settings
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool value);
  bool Flat() const { return FFlat; }
  void SetFlat(bool value);
  bool AlwaysShowBorder() const { return FAlwaysShowBorder; }
  void SetAlwaysShowBorder(bool value);
  bool HighlightRequired() const { return FHighlightRequired; }
  void SetHighlightRequired(bool value);
  bool Tooltips() const { return FTooltips; }
  void SetTooltips(bool value);
  bool WantReturns() const { return FWantReturns; }
  void SetWantReturns(bool value) { FWantReturns = value; }
  bool WantTabs() const { return FWantTabs; }
  void SetWantTabs(bool value) { FWantTabs = value; }
  // Several lines, the text wrapped at blanks (Enter adds a line only
  // with WantReturns); changing it makes the window again.
  bool WordWrap() const { return TCustomEdit::WordWrap(); }
  void SetWordWrap(bool value);
  bool EditorShowHint() const { return FEditorShowHint; }
  void SetEditorShowHint(bool value);
  // The assigned alignment, else the field's.
  TAlignment EditAlignment() const;
  void SetAlignment(TAlignment value);
  bool AlignmentAssigned() const { return FAlignmentAssigned; }
  // An assigned mask wins over the field's.
  void SetEditMask(const std::string& value);
  bool EditMaskAssigned() const { return FEditMaskAssigned; }
  // The look of a flat editor: focused, hot or AlwaysShowBorder.
  bool ActiveLook() const;
  bool DroppedDown() const { return FDroppedDown; }
  // The required line would be drawn now.
  bool RequiredStateShown();

  // --- in-place mode
  // Raises EInvalidOperation SInplaceEditHolderEh when `holder` lacks the
  // interface; null leaves in-place mode.
  void SetInplaceEditHolder(TWinControl* holder);
  TWinControl* InplaceEditHolder() const { return FHolderControl; }
  // In-place mode: moves the editor to `bounds` (parent coordinates),
  // shows it and gives it the focus when the holder has it.
  void InplaceSetBounds(const TRect& bounds);
  // In-place mode: hides the editor at zero size, giving the focus back to
  // the holder when the editor had it.
  void InplaceHide();

  TUpdateDataEventEh OnUpdateData;
  TOnCheckDrawRequiredStateEventEh OnCheckDrawRequiredState;
  TGetImageIndexEventEh OnGetImageIndex;
  TButtonClickEventEh OnButtonClick;
  TButtonDownEventEh OnButtonDown;

  void WndProc(TMessage& message) override;
  // Re-reads the record and selects everything.
  void Reset() override;

 protected:
  explicit TCustomDBEditEh(TComponent* owner);
  ~TCustomDBEditEh() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;
  void Notification(TComponent* component, TOperation operation) override;

  // --- the slots, in order
  virtual bool IsEnabledAndLinked();
  virtual std::unique_ptr<TFieldDataLinkEh> CreateDataLink();
  virtual TObjectPtr<TEditButtonEh> CreateEditButton();
  virtual TEditButtonControlEh* CreateEditButtonControl();
  virtual std::unique_ptr<TEditButtonsEh> CreateEditButtons();
  virtual std::unique_ptr<TEditImageEh> CreateEditImage();
  virtual TMRUListboxEh* CreateMRUListbox();
  virtual bool IsOwnValue() const;
  virtual TAlignment GetFieldAlignment() const;
  virtual std::string GetFieldEditMask() const;
  virtual int GetItemIndex() const { return -1; }
  virtual const std::string& GetDataField() const;
  virtual TDataSource* GetDataSource() const;
  virtual std::string GetDisplayText() const;
  virtual bool IsValidChar(char32_t ch);
  virtual void ActiveChange();
  virtual TRect GetEditRect() const;
  virtual void CloseUp(bool accept);
  virtual void DataChange();
  virtual void DropDown();
  // The click of a button control (`index`: 0 the main button).
  virtual void ButtonDown(int index);
  // The press of a button control.
  virtual void ButtonMouseDown(int index, bool topButton, bool& autoRepeat);
  virtual void ButtonMouseMove(int index, TShiftState shift, int x, int y);
  virtual void ButtonMouseUp(int index, TMouseButton button, TShiftState shift, int x, int y);
  virtual void EditButtonClick();
  virtual void EditingChange();
  virtual void FilterMRUItem(const std::string& item, bool& accept);
  virtual void InternalSetText(const std::string& text);
  virtual void InternalSetValue(const Variant& value);
  virtual void UpdateFieldText();
  virtual void StoreMRUListboxSize();
  virtual void DrawRequiredState(TCanvas& canvas);
  virtual void ClearFieldMaxLength();
  virtual void SetFocused(bool value);
  virtual void SetValueAndUpdate(const Variant& value);
  virtual void UpdateEditReadOnly();
  virtual void UpdateFixedHeight();
  virtual void UpdateShowHint();
  virtual void UpdateImageIndex();
  virtual void CheckMRUDropDown();
  // Commits the text into the field or the own value (see the top).
  virtual void UpdateData();

  // Alignment, mask and (with `maxLength`) MaxLength from the field,
  // unless assigned.
  void ApplyFieldLayout(TField* field, bool maxLength);
  // Lays the button controls out again and sets the text area.
  void UpdateEditButtonControlsList();
  void UpdateEditButtonControlsState();
  // Closes the MRU drop-down (accepting its row or not).
  void CloseMRUListbox(bool accept);
  bool IsFocused() const { return FFocused; }
  bool InUpdateDataEvent() const { return FInUpdateDataEvent; }
  // The inner edit is read-only (UpdateEditReadOnly's result).
  bool EditReadOnly() const { return FEditReadOnly; }
  void SetEditReadOnly(bool value);
  void SetDroppedDown(bool value) { FDroppedDown = value; }
  bool DroppedDownByClick() const { return FDroppedDownByClick; }
  void SetDroppedDownByClick(bool value) { FDroppedDownByClick = value; }
  IInplaceEditHolderEh* Holder() const { return FHolder; }
  bool TextChangedFlag() const { return FTextChanged; }
  // The character that the key just handled will type (Enter or Esc that
  // closed a drop-down) is dropped.
  void SwallowNextChar(char32_t ch) { FSwallowChar = ch; }

  // TCustomEdit
  bool EditCanModify() override;
  void Change() override;
  int AutoHeight() override;
  TRect DefaultFormatRect() const override;
  void Paint() override;
  void Resize() override;
  void DoEnter() override;
  void DoExit() override;
  void KeyDown(unsigned& key, TShiftState shift) override;
  void KeyPress(char32_t& key) override;
  void KeyUp(unsigned& key, TShiftState shift) override;

 private:
  struct TButtonEntry {
    TEditButtonEh* Button;
    TEditButtonControlEh* Control;
    TGraphicControl* Divider;
  };
  TEditButtonEh* ButtonItem(int index) const;
  int ButtonWidth(const TEditButtonEh* button) const;
  int ButtonsWidth() const;
  void PressButton(int index);
  bool TryShortCut(unsigned key, TShiftState shift);
  void MRUDropDown(bool shown);
  void MRUCloseUp(bool accept);
  void SetActiveLook();
  // The whole text shows in the text area (wrapped with WordWrap).
  bool TextFits();
  void PaintFlatBorder(TCanvas& canvas);
  void ShowMenuOf(int index);

  std::unique_ptr<TFieldDataLinkEh> FDataLink;
  TObjectPtr<TEditButtonEh> FEditButton;
  std::unique_ptr<TEditButtonsEh> FEditButtons;
  std::unique_ptr<TEditImageEh> FEditImage;
  std::unique_ptr<TMRUListEh> FMRUList;
  TMRUListboxEh* FMRUListbox = nullptr;
  std::vector<TButtonEntry> FButtons;
  bool FReadOnly = false;
  bool FEditReadOnly = false;
  bool FFlat = false;
  bool FAlwaysShowBorder = false;
  bool FHighlightRequired = false;
  bool FTooltips = false;
  bool FWantReturns = false;
  bool FWantTabs = false;
  bool FEditorShowHint = false;
  TAlignment FAlignment = taLeftJustify;
  bool FAlignmentAssigned = false;
  bool FEditMaskAssigned = false;
  bool FSettingMask = false;
  bool FSettingText = false;
  bool FFocused = false;
  bool FInUpdateDataEvent = false;
  bool FDroppedDown = false;
  bool FDroppedDownByClick = false;
  bool FMouseAboveControl = false;
  bool FActiveLook = false;
  bool FTextChanged = false;
  int FPressedButton = -1;
  char32_t FSwallowChar = 0;
  IInplaceEditHolderEh* FHolder = nullptr;
  TWinControl* FHolderControl = nullptr;
};

class TDBEditEh : public TCustomDBEditEh {
  MEBRATH_CLASS(TDBEditEh, TCustomDBEditEh)
 protected:
  explicit TDBEditEh(TComponent* owner) : TCustomDBEditEh(owner) {}
};
