// The grid's column model: TColumnEh (one dataset field shown in one grid
// column, with its look, title, footers, kind of cell and edit buttons),
// TDBGridColumnEh (the class the grid makes), their collection
// TDBGridColumnsEh, the column title TColumnTitleEh, the footers
// TColumnFooterEh/TColumnFootersEh, and the grid-wide default values that
// unassigned column properties follow.
//
// Assigned values: most look properties of a column, its title and its
// footers record whether they were assigned. While a property is not
// assigned its value is read live from the field, the grid or the grid's
// ColumnDefValues, so a column follows later changes of those until it is
// given its own value.
//
// Columns made by the grid from the dataset's fields are not persistent:
// they write Alignment, ReadOnly and Width through to their field
// (UsesFieldSettings). GUI thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/edit_buttons.h"
#include "controls/lookup_special_row.h"
#include "controls/popup_lists.h"
#include "grid/sum_list.h"
#include "platform/base/collection.h"
#include "platform/base/sets.h"
#include "platform/base/string_list.h"
#include "platform/base/ui_enums.h"
#include "platform/base/variant.h"
#include "platform/draw/graphics.h"
#include "platform/draw/image_list.h"
#include "platform/widgets/grids.h"
#include "platform/widgets/std_buttons.h"
#include "platform/widgets/std_labels.h"

class TCustomDBGridEh;
class TColumnEh;
class TSTColumnFilterEh;
class TDataSet;
class TField;
class TDBSum;
class TDBSumCollection;
class TDataSource;
class TPopupMenu;
class TPopupDataGridEh;

// Events of the data grid that a column also keeps for its drop-down grid.
// Sender, Column, AFont, var Background, State.
using TGetCellEhParamsEvent = std::function<void(TObject* sender, TColumnEh* column, TFont* font,
                                                 TColor& background, TGridDrawState state)>;
// Sender, Rect, DataCol, Column, State.
using TDrawColumnEhCellEvent = std::function<void(TObject* sender, const TRect& rect, int dataCol,
                                                  TColumnEh* column, TGridDrawState state)>;
using TDBGridEhColumnEvent = std::function<void(TObject* sender, TColumnEh* column)>;
// Sender, DataCol, Column, var Enabled: whether the title acts as a button.
using TCheckTitleEhBtnEvent =
    std::function<void(TObject* sender, int dataCol, TColumnEh* column, bool& enabled)>;

enum TColumnButtonStyleEh { cbsAuto, cbsEllipsis, cbsNone, cbsUpDown, cbsDropDown };
// The kind of cell, as GetCellKind answers.
enum TColumnEhType {
  ctCommon,
  ctPickList,
  ctLookupField,
  ctKeyPickList,
  ctKeyImageList,
  ctCheckboxes
};
enum TSortMarkerEh { smNoneEh, smDownEh, smUpEh };
enum TTextOrientationEh { tohHorizontal, tohVertical };
enum TFooterValueType { fvtNon, fvtSum, fvtAvg, fvtCount, fvtFieldValue, fvtStaticText };

// The assigned flags of a column, in their bit order; 5-12 are the
// title's.
enum TColumnEhValue {
  cvColor,
  cvWidth,
  cvFont,
  cvAlignment,
  cvReadOnly,
  cvTitleColor,
  cvTitleCaption,
  cvTitleAlignment,
  cvTitleFont,
  cvTitleButton,
  cvTitleEndEllipsis,
  cvTitleToolTips,
  cvTitleOrientation,
  cvImeMode,
  cvImeName,
  cvWordWrap,
  cvLookupDisplayFields,
  cvCheckboxes,
  cvAlwaysShowEditButton,
  cvEndEllipsis,
  cvAutoDropDown,
  cvDblClickNextVal,
  cvToolTips,
  cvDropDownSizing,
  cvDropDownShowTitles,
  cvLayout,
  cvHighlightRequired,
  cvBiDiMode
};
using TColumnEhValues = TSet<TColumnEhValue>;

// The parameters of one cell, handed to OnGetCellParams; one record per
// grid, reused for every cell.
struct TColCellParamsEh {
  TAlignment Alignment = taLeftJustify;
  TColor Background = clWindow;
  TCheckBoxState CheckState = cbUnchecked;
  int Col = -1;
  int Row = -1;
  TFont* Font = nullptr;
  int ImageIndex = -1;
  bool ReadOnly = false;
  int State = 0;
  std::string Text;
};

using TGetColCellParamsEventEh =
    std::function<void(TObject* sender, bool editMode, TColCellParamsEh& params)>;
// Sender, var Text, var Value, var UseText, var Handled.
using TColCellUpdateDataEventEh = std::function<void(TObject* sender, std::string& text,
                                                     Variant& value, bool& useText, bool& handled)>;
// Sender, NewText, var RecheckInList.
// Sender, Text, var DrawState: whether a null required field's red line
// is drawn.
using TOnColumnCheckDrawRequiredStateEventEh =
    std::function<void(TObject* sender, const std::string& text, bool& drawState)>;
using TNotInListEventEh =
    std::function<void(TObject* sender, const std::string& newText, bool& recheckInList)>;

// ---- default values

class TColumnTitleDefValuesEh : public TPersistent {
  MEBRATH_CLASS(TColumnTitleDefValuesEh, TPersistent)
 public:
  explicit TColumnTitleDefValuesEh(TCustomDBGridEh* grid) : FGrid(grid) {}
  // taCenter under UseMultiTitle until assigned, else taLeftJustify.
  TAlignment Alignment() const;
  void SetAlignment(TAlignment value);
  // The grid's FixedColor until assigned.
  TColor Color() const;
  void SetColor(TColor value);
  bool EndEllipsis() const { return FEndEllipsis; }
  void SetEndEllipsis(bool value);
  TTextOrientationEh Orientation() const { return FOrientation; }
  void SetOrientation(TTextOrientationEh value);
  bool TitleButton() const { return FTitleButton; }
  void SetTitleButton(bool value);
  bool ToolTips() const { return FToolTips; }
  void SetToolTips(bool value);
  void Assign(const TPersistent* source) override;

 private:
  void Changed();
  TCustomDBGridEh* FGrid;
  TAlignment FAlignment = taLeftJustify;
  bool FAlignmentAssigned = false;
  TColor FColor = clBtnFace;
  bool FColorAssigned = false;
  bool FEndEllipsis = false;
  TTextOrientationEh FOrientation = tohHorizontal;
  bool FTitleButton = false;
  bool FToolTips = false;
};

class TColumnFooterDefValuesEh : public TPersistent {
  MEBRATH_CLASS(TColumnFooterDefValuesEh, TPersistent)
 public:
  explicit TColumnFooterDefValuesEh(TCustomDBGridEh* grid) : FGrid(grid) {}
  bool ToolTips() const { return FToolTips; }
  void SetToolTips(bool value);
  void Assign(const TPersistent* source) override;

 private:
  TCustomDBGridEh* FGrid;
  bool FToolTips = false;
};

// What unassigned column properties follow.
class TColumnDefValuesEh : public TPersistent {
  MEBRATH_CLASS(TColumnDefValuesEh, TPersistent)
 public:
  explicit TColumnDefValuesEh(TCustomDBGridEh* grid);
  ~TColumnDefValuesEh() override;
  bool AlwaysShowEditButton() const { return FAlwaysShowEditButton; }
  void SetAlwaysShowEditButton(bool value);
  bool AutoDropDown() const { return FAutoDropDown; }
  void SetAutoDropDown(bool value) { FAutoDropDown = value; }
  bool DblClickNextVal() const { return FDblClickNextVal; }
  void SetDblClickNextVal(bool value) { FDblClickNextVal = value; }
  bool DropDownShowTitles() const { return FDropDownShowTitles; }
  void SetDropDownShowTitles(bool value) { FDropDownShowTitles = value; }
  bool DropDownSizing() const { return FDropDownSizing; }
  void SetDropDownSizing(bool value) { FDropDownSizing = value; }
  bool EndEllipsis() const { return FEndEllipsis; }
  void SetEndEllipsis(bool value);
  TTextLayout Layout() const { return FLayout; }
  void SetLayout(TTextLayout value);
  bool HighlightRequired() const { return FHighlightRequired; }
  void SetHighlightRequired(bool value);
  bool ToolTips() const { return FToolTips; }
  void SetToolTips(bool value) { FToolTips = value; }
  TColumnTitleDefValuesEh* Title() const { return FTitle.get(); }
  TColumnFooterDefValuesEh* Footer() const { return FFooter.get(); }
  void Assign(const TPersistent* source) override;

 protected:
  void Changed();
  TCustomDBGridEh* FGrid;

 private:
  bool FAlwaysShowEditButton = false;
  bool FAutoDropDown = false;
  bool FDblClickNextVal = false;
  bool FDropDownShowTitles = false;
  bool FDropDownSizing = false;
  bool FEndEllipsis = false;
  TTextLayout FLayout = tlTop;
  bool FHighlightRequired = false;
  bool FToolTips = false;
  TObjectPtr<TColumnTitleDefValuesEh> FTitle;
  TObjectPtr<TColumnFooterDefValuesEh> FFooter;
};

// The grid's own default values (a grid-wide look for all columns).
class TDBGridEhColumnDefValuesEh : public TColumnDefValuesEh {
  MEBRATH_CLASS(TDBGridEhColumnDefValuesEh, TColumnDefValuesEh)
 public:
  using TColumnDefValuesEh::TColumnDefValuesEh;
};

// ---- drop-down box

// The settings of a column's drop-down lookup box. Its columns, default
// values and options live in the drop-down grid itself; without one they
// read as nothing and writing them does nothing.
class TColumnDropDownBoxEh : public TPersistent {
  MEBRATH_CLASS(TColumnDropDownBoxEh, TPersistent)
 public:
  explicit TColumnDropDownBoxEh(TColumnEh* column);
  ~TColumnDropDownBoxEh() override;
  TColumnEh* Column() const { return FColumn; }
  bool AutoFitColWidths() const { return FAutoFitColWidths; }
  void SetAutoFitColWidths(bool value) { FAutoFitColWidths = value; }
  TDataSource* ListSource() const { return FListSource; }
  // The grid hears when the source goes.
  void SetListSource(TDataSource* value);
  bool UseMultiTitle() const { return FUseMultiTitle; }
  void SetUseMultiTitle(bool value) { FUseMultiTitle = value; }
  int Width() const { return FWidth; }
  void SetWidth(int value) { FWidth = value; }
  bool Sizable() const { return FSizable; }
  void SetSizable(bool value) { FSizable = value; }
  int Rows() const { return FRows; }
  void SetRows(int value) { FRows = value; }
  TSpecRowEh* SpecRow() const { return FSpecRow.get(); }
  void Assign(const TPersistent* source) override;

 private:
  TColumnEh* FColumn;
  bool FAutoFitColWidths = true;
  TDataSource* FListSource = nullptr;
  int FWidth = 0;
  bool FSizable = false;
  int FRows = 7;
  bool FUseMultiTitle = false;
  TObjectPtr<TSpecRowEh> FSpecRow;
};

// ---- title

class TColumnTitleEh : public TPersistent {
  MEBRATH_CLASS(TColumnTitleEh, TPersistent)
 public:
  explicit TColumnTitleEh(TColumnEh* column);
  ~TColumnTitleEh() override;
  TColumnEh* Column() const { return FColumn; }

  // ColumnDefValues.Title until assigned.
  TAlignment Alignment() const;
  void SetAlignment(TAlignment value);
  // The field's display name until assigned (the field name without a
  // field).
  std::string Caption() const;
  // With field settings the field's DisplayLabel takes the caption.
  virtual void SetCaption(const std::string& value);
  TColor Color() const;
  void SetColor(TColor value);
  bool EndEllipsis() const;
  void SetEndEllipsis(bool value);
  // The grid's TitleFont until assigned.
  TFont* Font() const;
  void SetFont(const TFont* value);
  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& value) { FHint = value; }
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int value);
  TTextOrientationEh Orientation() const;
  void SetOrientation(TTextOrientationEh value);
  bool TitleButton() const;
  void SetTitleButton(bool value);
  bool ToolTips() const;
  void SetToolTips(bool value);
  TSortMarkerEh SortMarker() const { return FSortMarker; }
  // A mark joins the grid's sort-marked list; with a single sort
  // (no dghMultiSortMarking) every other column is unmarked.
  void SetSortMarker(TSortMarkerEh value);
  // 1-based place among the sort-marked columns; 0 when unmarked.
  int SortIndex() const { return FSortIndex; }
  // Swaps places with the column that holds `value`; while the columns
  // are updated it is only stored.
  void SetSortIndex(int value);
  // The title click cycle: none -> up -> down -> none (keepMulti) or ->
  // up.
  void SetNextSortMarkerValue(bool keepMulti);
  // Room for the marker (and its number) in a title `columnWidth` wide.
  int GetSortMarkingWidth(TCanvas& canvas, int columnWidth) const;
  // Forgets every assigned value.
  void RestoreDefaults();
  void Assign(const TPersistent* source) override;
  // A font read live is refreshed from the grid.
  void RefreshDefaultFont();

 private:
  friend class TColumnEh;
  friend class TCustomDBGridEh;
  // The columns are being loaded or copied (BeginUpdate of the collection).
  bool CollectionUpdating() const;
  bool Assigned(TColumnEhValue v) const;
  void SetAssigned(TColumnEhValue v);
  void Changed();

  TColumnEh* FColumn;
  TAlignment FAlignment = taLeftJustify;
  std::string FCaption;
  TColor FColor = clBtnFace;
  bool FEndEllipsis = false;
  std::unique_ptr<TFont> FFont;
  mutable bool FSettingFont = false;
  std::string FHint;
  int FImageIndex = -1;
  TTextOrientationEh FOrientation = tohHorizontal;
  bool FTitleButton = false;
  bool FToolTips = false;
  TSortMarkerEh FSortMarker = smNoneEh;
  int FSortIndex = 0;
};

// ---- footers

class TColumnFooterEh : public TCollectionItem {
  MEBRATH_CLASS(TColumnFooterEh, TCollectionItem)
 public:
  // A footer outside a collection (the column's single Footer).
  static TObjectPtr<TColumnFooterEh> CreateFor(TColumnEh* column);
  ~TColumnFooterEh() override;
  TColumnEh* Column() const { return FColumn; }

  // The field's alignment until assigned.
  TAlignment Alignment() const;
  void SetAlignment(TAlignment value);
  // The grid's FooterColor until assigned.
  TColor Color() const;
  void SetColor(TColor value);
  const std::string& DisplayFormat() const { return FDisplayFormat; }
  void SetDisplayFormat(const std::string& value);
  bool EndEllipsis() const { return FEndEllipsis; }
  void SetEndEllipsis(bool value);
  // The footer's own field; empty: the column's.
  const std::string& FieldName() const { return FFieldName; }
  void SetFieldName(const std::string& value);
  // The grid's FooterFont until assigned.
  TFont* Font() const;
  void SetFont(const TFont* value);
  // ColumnDefValues.Footer.ToolTips until assigned.
  bool ToolTips() const;
  void SetToolTips(bool value);
  const std::string& Value() const { return FValue; }
  void SetValue(const std::string& value);
  TFooterValueType ValueType() const { return FValueType; }
  // Sums, averages and counts take a sum item of the grid's sum list;
  // other kinds give theirs back.
  void SetValueType(TFooterValueType value);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool value);
  // The sum item this footer reads; nullptr for other kinds, or when the
  // sum list dropped it.
  TDBSum* DBSum() const;
  // Rebinds the sum item (after a field or kind change).
  void EnsureSumValue();
  void RestoreDefaults();
  void Assign(const TPersistent* source) override;

 protected:
  explicit TColumnFooterEh(TCollection* collection);

 private:
  friend class TColumnFootersEh;
  friend class TColumnEh;
  TColumnFooterEh(TCollection* collection, TColumnEh* column);
  void Changed();
  void ReleaseSum();

  TColumnEh* FColumn = nullptr;
  enum TFooterValue { fvAlignment, fvColor, fvFont, fvToolTips };
  TSet<TFooterValue> FAssigned;
  TAlignment FAlignment = taLeftJustify;
  TColor FColor = clWindow;
  std::string FDisplayFormat;
  bool FEndEllipsis = false;
  std::string FFieldName;
  std::unique_ptr<TFont> FFont;
  bool FToolTips = false;
  std::string FValue;
  TFooterValueType FValueType = fvtNon;
  bool FWordWrap = false;
  // The sum item by its ID, so an item the sum list dropped is never
  // read through a stale pointer.
  TDBSumCollection* FSums = nullptr;
  int FSumId = -1;
};

class TColumnFootersEh : public TCollection {
  MEBRATH_CLASS(TColumnFootersEh, TCollection)
 public:
  explicit TColumnFootersEh(TColumnEh* column);
  ~TColumnFootersEh() override;
  TColumnEh* Column() const { return FColumn; }
  TColumnFooterEh* Items(int index) const {
    return static_cast<TColumnFooterEh*>(TCollection::Items(index));
  }
  TColumnFooterEh* Add() { return static_cast<TColumnFooterEh*>(TCollection::Add()); }
  TPersistent* GetOwner() const override;

 protected:
  void Update(TCollectionItem* item) override;

 private:
  TColumnEh* FColumn;
};

// ---- the column

class TColumnEh : public TCollectionItem {
  MEBRATH_CLASS(TColumnEh, TCollectionItem)
 public:
  ~TColumnEh() override;
  TCustomDBGridEh* Grid() const;

  // --- the field
  const std::string& FieldName() const { return FFieldName; }
  void SetFieldName(const std::string& value);
  // The bound field, looked up by name on demand; nullptr without one.
  TField* Field();
  virtual void SetField(TField* value);
  // Drops the cached field (the link went active or inactive).
  void ClearFieldRef() { FField = nullptr; }
  // The field bound now, without looking it up.
  TField* CachedField() const { return FField; }
  // Not persistent: the column was made from a field by the grid.
  virtual bool UsesFieldSettings() const { return !FPersistent; }
  bool Persistent() const { return FPersistent; }
  void SetPersistent(bool value) { FPersistent = value; }
  std::string DisplayName() const override;
  // With field settings the field moves along with the column.
  virtual void SetIndex(int value);

  // --- look (live until assigned; see the top of the file)
  TColumnEhValues AssignedValues() const { return FAssigned; }
  TAlignment Alignment();
  virtual void SetAlignment(TAlignment value);
  bool AlwaysShowEditButton() const;
  void SetAlwaysShowEditButton(bool value);
  bool AutoDropDown() const;
  void SetAutoDropDown(bool value);
  bool AutoFitColWidth() const { return FAutoFitColWidth; }
  virtual void SetAutoFitColWidth(bool value);
  int AutoFitWidth() const { return FAutoFitWidth; }
  void SetAutoFitWidth(int value) { FAutoFitWidth = value; }
  TColumnButtonStyleEh ButtonStyle() const { return FButtonStyle; }
  void SetButtonStyle(TColumnButtonStyleEh value);
  bool CanShowEditor() const { return FCanShowEditor; }
  void SetCanShowEditor(bool value) { FCanShowEditor = value; }
  bool Checkboxes();
  void SetCheckboxes(bool value);
  TColor Color() const;
  void SetColor(TColor value);
  bool DblClickNextVal() const;
  void SetDblClickNextVal(bool value);
  const std::string& DisplayFormat() const { return FDisplayFormat; }
  void SetDisplayFormat(const std::string& value);
  int DropDownRows() const { return FDropDownRows; }
  void SetDropDownRows(int value) { FDropDownRows = value; }
  // ColumnDefValues until assigned.
  bool DropDownShowTitles() const;
  void SetDropDownShowTitles(bool value);
  bool DropDownSizing() const;
  void SetDropDownSizing(bool value);
  int DropDownWidth() const { return FDropDownWidth; }
  void SetDropDownWidth(int value) { FDropDownWidth = value; }
  const std::string& EditMask() const { return FEditMask; }
  void SetEditMask(const std::string& value);
  bool EndEllipsis() const;
  void SetEndEllipsis(bool value);
  // The grid's font until assigned.
  TFont* Font() const;
  void SetFont(const TFont* value);
  bool HideDuplicates() const { return FHideDuplicates; }
  virtual void SetHideDuplicates(bool value);
  bool HighlightRequired() const;
  virtual void SetHighlightRequired(bool value);
  TCustomImageList* ImageList() const { return FImageList; }
  void SetImageList(TCustomImageList* value);
  double Increment() const { return FIncrement; }
  void SetIncrement(double value) { FIncrement = value; }
  // Created on first read.
  TStrings* KeyList();
  bool HasKeyList() const { return FKeyList != nullptr && FKeyList->Count() > 0; }
  void SetKeyList(const TStrings* value);
  TStrings* PickList();
  bool HasPickList() const { return FPickList != nullptr && FPickList->Count() > 0; }
  void SetPickList(const TStrings* value);
  TTextLayout Layout() const;
  void SetLayout(TTextLayout value);
  std::string LookupDisplayFields();
  virtual void SetLookupDisplayFields(const std::string& value);
  int MaxWidth() const { return FMaxWidth; }
  void SetMaxWidth(int value);
  int MinWidth() const { return FMinWidth; }
  void SetMinWidth(int value);
  int NotInKeyListIndex() const { return FNotInKeyListIndex; }
  void SetNotInKeyListIndex(int value);
  bool ReadOnly();
  virtual void SetReadOnly(bool value);
  bool ShowImageAndText() const { return FShowImageAndText; }
  void SetShowImageAndText(bool value);
  // Shown by a right click on the column's data cells (with AutoPopup).
  TPopupMenu* PopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TPopupMenu* value);
  int Tag() const { return FTag; }
  void SetTag(int value) { FTag = value; }
  bool ToolTips() const;
  void SetToolTips(bool value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool value);
  // Computed from the field until assigned.
  int Width();
  virtual void SetWidth(int value);
  bool WordWrap();
  virtual void SetWordWrap(bool value);

  // --- owned parts
  TColumnTitleEh* Title() const { return FTitle.get(); }
  TColumnFooterEh* Footer() const { return FFooter.get(); }
  TColumnFootersEh* Footers() const { return FFooters.get(); }
  TEditButtonsEh* EditButtons() const { return FEditButtons.get(); }
  TSpecRowEh* DropDownSpecRow() const { return FDropDownSpecRow.get(); }
  TColumnDropDownBoxEh* DropDownBox() const { return FDropDownBox.get(); }
  TMRUListEh* MRUList() const { return FMRUList.get(); }
  // The column's cell of the filter row.
  TSTColumnFilterEh* STFilter() const { return FSTFilter.get(); }
  // The drop-down data grid of the cell editor ("DataList"), made on
  // first use and freed with the column.
  TPopupDataGridEh* DataList();
  // The footer of footer row `index`: the Footers item, or the single
  // Footer when the column has no Footers items.
  TColumnFooterEh* UsedFooter(int index) const;

  // --- behaviour
  // Forgets every assigned value; the title's too.
  virtual void RestoreDefaults();
  void Assign(const TPersistent* source) override;
  bool CanShowInplaceEditor();
  TColumnEhType GetCellKind();
  // The text shown in the cell of the active record.
  std::string GetCellDisplayText();
  // DisplayText of `field`, or its value formatted by `format`.
  static std::string FormatFieldValue(TField* field, const std::string& format);
  TCheckBoxState GetCheckState();
  void SetCheckState(TCheckBoxState value);
  int GetImageIndex();
  // The image index a cell of this column shows: -1, unread, unless the
  // column has images or a key list.
  int CellImageIndex();
  // Whether the cell may be edited; with `tryEdit` the dataset is put in
  // edit state and the answer is whether it is now editing.
  bool CanModify(bool tryEdit);
  // Writes a value or a text into the field (OnUpdateData may take over).
  void UpdateDataValues(const std::string& text, const Variant& value, bool useText);
  // Steps the value: check boxes toggle, keys and pick lists cycle with
  // wrap-around, numbers add `step` (a null becomes 0).
  void SetNextValue(int step);
  // After the keys of a lookup field were written: the field's own text,
  // which its watchers see change at once.
  void SetLookupText(const std::string& text);
  void FillColCellParams(TColCellParamsEh& params);
  virtual void GetColCellParams(bool editMode, TColCellParamsEh& params);
  int GetEditButtonsWidth();
  TDataSet* GetLookupDataSet();
  // Asks the grid to fit this column's width to its contents.
  virtual void OptimizeWidth();
  // Right-to-left reading is not used: always false.
  virtual bool UseRightToLeftAlignment() const { return false; }
  // The width of the column measured for its field (see Width).
  int DefaultWidth();

  TGetColCellParamsEventEh OnGetCellParams;
  TColCellUpdateDataEventEh OnUpdateData;
  TNotInListEventEh OnNotInList;
  TButtonClickEventEh OnEditButtonClick;
  TButtonDownEventEh OnEditButtonDown;
  TOnColumnCheckDrawRequiredStateEventEh OnCheckDrawRequiredState;
  // Given to the drop-down grid of a lookup cell each time it drops down.
  TCheckTitleEhBtnEvent OnDropDownBoxCheckButton;
  TDrawColumnEhCellEvent OnDropDownBoxDrawColumnCell;
  TGetCellEhParamsEvent OnDropDownBoxGetCellParams;
  TNotifyEvent OnDropDownBoxSortMarkingChanged;
  TDBGridEhColumnEvent OnDropDownBoxTitleBtnClick;

 protected:
  explicit TColumnEh(TCollection* collection);
  void AfterConstruction() override;
  void BeforeDestruction() override;
  virtual TObjectPtr<TColumnFooterEh> CreateFooter();
  virtual TObjectPtr<TColumnFootersEh> CreateFooters();
  virtual TObjectPtr<TColumnTitleEh> CreateTitle();
  virtual std::unique_ptr<TEditButtonsEh> CreateEditButtons();
  // Announces a change of this column to the collection.
  void ColumnChanged() { Changed(false); }

 private:
  friend class TColumnTitleEh;
  friend class TColumnFooterEh;
  friend class TSTColumnFilterEh;
  bool IsAssigned(TColumnEhValue v) const { return FAssigned.Contains(v); }
  void MarkAssigned(TColumnEhValue v) { FAssigned.Include(v); }
  // A look property: the column's own value once assigned, else the grid's
  // default value read live (`none` without a grid).
  template <class T>
  T OwnOrDefault(TColumnEhValue v, const T& own, T (TColumnDefValuesEh::*inherited)() const,
                 T none) const;
  template <class T>
  T OwnOrTitleDefault(TColumnEhValue v, const T& own,
                      T (TColumnTitleDefValuesEh::*inherited)() const, T none) const;
  // Assigns a look property and announces the change; nothing when it is
  // assigned with this value already.
  template <class T>
  void AssignOwn(TColumnEhValue v, T& own, const T& value);
  void RefreshFooters();
  void Repaint();
  void ClampWidth();
  std::string CurrentEditText();
  std::vector<std::string> CheckValues(int line);

  std::string FFieldName;
  TField* FField = nullptr;
  bool FPersistent = true;
  TColumnEhValues FAssigned;
  TAlignment FAlignment = taLeftJustify;
  bool FAlwaysShowEditButton = false;
  bool FAutoDropDown = false;
  bool FAutoFitColWidth = true;
  int FAutoFitWidth = 0;
  TColumnButtonStyleEh FButtonStyle = cbsAuto;
  bool FCanShowEditor = true;
  bool FCheckboxes = false;
  TColor FColor = clWindow;
  bool FDblClickNextVal = false;
  std::string FDisplayFormat;
  int FDropDownRows = 7;
  int FDropDownWidth = 0;
  bool FDropDownShowTitles = false;
  bool FDropDownSizing = false;
  std::string FEditMask;
  bool FEndEllipsis = false;
  std::unique_ptr<TFont> FFont;
  mutable bool FSettingFont = false;
  bool FHideDuplicates = false;
  bool FHighlightRequired = false;
  TCustomImageList* FImageList = nullptr;
  double FIncrement = 1.0;
  std::unique_ptr<TStringList> FKeyList;
  std::unique_ptr<TStringList> FPickList;
  TTextLayout FLayout = tlTop;
  std::string FLookupDisplayFields;
  int FMaxWidth = 0;
  int FMinWidth = 0;
  int FNotInKeyListIndex = -1;
  bool FReadOnly = false;
  bool FShowImageAndText = false;
  int FTag = 0;
  TPopupMenu* FPopupMenu = nullptr;
  bool FToolTips = false;
  bool FVisible = true;
  int FWidth = 0;
  bool FWordWrap = false;
  TObjectPtr<TColumnTitleEh> FTitle;
  TObjectPtr<TColumnFooterEh> FFooter;
  TObjectPtr<TColumnFootersEh> FFooters;
  std::unique_ptr<TEditButtonsEh> FEditButtons;
  TObjectPtr<TSpecRowEh> FDropDownSpecRow;
  TObjectPtr<TColumnDropDownBoxEh> FDropDownBox;
  TObjectPtr<TMRUListEh> FMRUList;
  std::unique_ptr<TSTColumnFilterEh> FSTFilter;
  TObjectPtr<TPopupDataGridEh> FDataList;
};

class TDBGridColumnEh : public TColumnEh {
  MEBRATH_CLASS(TDBGridColumnEh, TColumnEh)
 protected:
  explicit TDBGridColumnEh(TCollection* collection) : TColumnEh(collection) {}
};

// ---- the collection

enum TDBGridColumnsState { csDefault, csCustomized };

class TDBGridColumnsEh : public TCollection {
  MEBRATH_CLASS(TDBGridColumnsEh, TCollection)
 public:
  TDBGridColumnsEh(TCustomDBGridEh* grid, TItemFactory columnFactory);
  ~TDBGridColumnsEh() override;
  TCustomDBGridEh* Grid() const { return FGrid; }
  TColumnEh* Items(int index) const { return static_cast<TColumnEh*>(TCollection::Items(index)); }
  // A persistent column. The columns made from fields go at once, so the
  // indexes seen before the next layout are the ones it keeps.
  TColumnEh* Add();
  // A column made from a field (not persistent).
  TColumnEh* AddDefault();
  TPersistent* GetOwner() const override;
  // Customized when the first column is persistent.
  TDBGridColumnsState State() const;
  void ClearFieldRefs();

 protected:
  void Update(TCollectionItem* item) override;

 private:
  TCustomDBGridEh* FGrid;
};
