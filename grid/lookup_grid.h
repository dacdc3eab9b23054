// TDBLookupGridEh: a data grid used as a lookup list. Its rows come from a
// list dataset (the grid's own data source, ListSource), each row stands
// for the values of its key fields, and the grid keeps one current key
// value (KeyValue) that it shows highlighted. Bound to a field of another
// dataset (DataSource, DataField), choosing a row writes the key into that
// field; a lookup field brings its key fields, list dataset and result
// field along (LookupMode). Typing searches the list field incrementally;
// an optional special first row (SpecRow) stands for a value not in the
// list.
//
// Its columns are TDBLookupGridColumnEh, each with a SpecCell for its
// cell of the special row. The drop-down grid of the cell editor
// (TPopupDataGridEh) derives from it.
//
// The height, scroll-bar, timer and equality rules are free functions so
// that they can be checked without windows. GUI thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "controls/lookup_special_row.h"
#include "grid/db_grid.h"
#include "platform/base/variant.h"

class TDBLookupGridEh;

enum TDBLookupGridEhOption {
  dlgColumnResizeEh,
  dlgColLinesEh,
  dlgRowLinesEh,
  dlgAutoSortMarkingEh,
  dlgMultiSortMarkingEh
};
using TDBLookupGridEhOptions = TSet<TDBLookupGridEhOption>;

// Typing starts a new search text after this pause; the text never grows
// past kLookupSearchMaxLength characters.
inline constexpr std::uint32_t kLookupSearchTimeout = 2000;
inline constexpr int kLookupSearchMaxLength = 32;
inline constexpr int kLookupMaxRowCount = 100;

// Key values are equal by the runtime's one rule: Null equals Null,
// Unassigned differs from Null, arrays compare element by element.
bool LookupValuesEqualEh(const Variant& a, const Variant& b);
// The auto-scroll interval for a pointer `distance` pixels outside the
// list: 200 - 15 x distance ms, and 10 ms where that comes to 0 or less.
unsigned LookupGridTimerIntervalEh(int distance);

// The parts a lookup grid's height is made of.
struct TLookupGridMetricsEh {
  int TitleHeight = 0;    // 0 without dgTitles
  int LineWidth = 0;      // the line under the titles; 0 without them
  int FrameHeight = 0;    // window height - client height
  int DataRowHeight = 0;  // row height + the line after it
  int SpecRowHeight = 0;  // 0 while the special row is hidden
};
// Whole data rows that fit `height`; at least 1.
int LookupGridRowsForHeight(const TLookupGridMetricsEh& m, int height);
// The window height that shows `rows` data rows.
int LookupGridHeightForRows(const TLookupGridMetricsEh& m, int rows);

// What the lookup grid's vertical bar shows.
struct TLookupScrollStateEh {
  bool LinkActive = false;
  bool Sequenced = false;  // the dataset numbers its records exactly
  int RecordCount = 0;
  int RecNo = 0;         // 1-based number of the current record
  int ActiveRecord = 0;  // the current record's place in the link's window
  int VisibleRows = 0;
  int LinkRecordCount = 0;  // records in the link's window
  bool Bof = false;
  bool Eof = false;
  bool Inserting = false;
};
TVertScrollParamsEh LookupGridScrollParamsEh(const TLookupScrollStateEh& state);

// The data grid's link to the dataset that receives the key.
class TLookupGridDataLinkEh : public TDataLink {
 public:
  explicit TLookupGridDataLinkEh(TDBLookupGridEh* grid) : FGrid(grid) {}

 protected:
  void ActiveChanged() override;
  void LayoutChanged() override;
  void RecordChanged(TField* field) override;
  void FocusControl(TField*& field) override;

 private:
  TDBLookupGridEh* FGrid;
};

// A column's cell of the special row: its own text, colour and font, or
// the special row's while unassigned.
class TGridColumnSpecCellEh : public TPersistent {
  MEBRATH_CLASS(TGridColumnSpecCellEh, TPersistent)
 public:
  explicit TGridColumnSpecCellEh(TColumnEh* column);
  ~TGridColumnSpecCellEh() override;
  TColumnEh* Column() const { return FColumn; }
  TColor Color() const;
  void SetColor(TColor value);
  bool ColorAssigned() const { return FColorAssigned; }
  // The special row's font (copied on each read) until one is assigned;
  // any change of the font marks it assigned.
  TFont* Font();
  void SetFont(const TFont* value);
  bool FontAssigned() const { return FFontAssigned; }
  // The special row's cell text for the column's index until assigned.
  std::string Text() const;
  void SetText(const std::string& value);
  bool TextAssigned() const { return FTextAssigned; }
  // Copies Text and Color, and Font when the source has its own.
  void Assign(const TPersistent* source) override;

 private:
  TSpecRowEh* SpecRow() const;
  void Changed();

  TColumnEh* FColumn;
  std::unique_ptr<TFont> FFont;
  bool FReadingFont = false;
  TColor FColor = clWindow;
  std::string FText;
  bool FColorAssigned = false;
  bool FFontAssigned = false;
  bool FTextAssigned = false;
};

class TDBLookupGridColumnEh : public TDBGridColumnEh {
  MEBRATH_CLASS(TDBLookupGridColumnEh, TDBGridColumnEh)
 public:
  ~TDBLookupGridColumnEh() override;
  TGridColumnSpecCellEh* SpecCell() const { return FSpecCell.get(); }
  // Moves the column's entry of the special row's CellsText along, and
  // keeps the grid's list fields in the columns' order.
  void SetIndex(int value) override;
  // The width always stays with the column.
  void SetWidth(int value) override;

 protected:
  explicit TDBLookupGridColumnEh(TCollection* collection);

 private:
  TObjectPtr<TGridColumnSpecCellEh> FSpecCell;
};

class TDBLookupGridColumnDefValuesEh : public TColumnDefValuesEh {
  MEBRATH_CLASS(TDBLookupGridColumnDefValuesEh, TColumnDefValuesEh)
 public:
  using TColumnDefValuesEh::TColumnDefValuesEh;
};

class TDBLookupGridEh : public TCustomDBGridEh {
  MEBRATH_CLASS(TDBLookupGridEh, TCustomDBGridEh)
 public:
  // --- the dataset that receives the key
  TDataSource* DataSource() const { return FKeyLink->DataSource(); }
  void SetDataSource(TDataSource* value);
  // ";"-separated; several names bind several fields (the key is then
  // an array).
  const std::string& DataField() const { return FDataFieldNames; }
  void SetDataField(const std::string& value);
  TLookupGridDataLinkEh* LookupDataLink() const { return FKeyLink.get(); }
  // The fields that receive the key (a lookup field's key fields).
  const std::vector<TField*>& DataFields() const { return FDataFields; }
  bool LookupMode() const { return FLookupMode; }

  // --- the list
  TDataSource* ListSource() const { return TCustomDBGridEh::DataSource(); }
  // Raises "Property already defined by lookup field" in LookupMode.
  void SetListSource(TDataSource* value);
  const std::string& KeyField() const { return FKeyFieldNames; }
  // Raises "Property already defined by lookup field" in LookupMode.
  void SetKeyField(const std::string& value);
  const std::vector<TField*>& KeyFields() const { return FKeyFields; }
  const std::string& ListFieldNames() const { return FListFieldNames; }
  void SetListFieldNames(const std::string& value);
  int ListFieldIndex() const { return FListFieldIndex; }
  void SetListFieldIndex(int value);
  // The field whose text is the grid's text.
  TField* ListField() const { return FListField; }
  const std::vector<TField*>& ListFields() const { return FListFields; }
  bool ListActive() const { return FListActive; }

  // --- the key
  const Variant& KeyValue() const { return FKeyValue; }
  // An equal value changes nothing.
  void SetKeyValue(const Variant& value);
  // Whether the special row stands for the key now.
  bool SpecRowSelected() const { return FSpecRowSelected; }
  const std::string& SearchText() const { return FSearchText; }
  TSpecRowEh* SpecRow() const { return FSpecRow.get(); }

  // --- look
  // The data rows the window shows, 1..100; sets the height.
  int RowCount() const { return FRowCount; }
  void SetRowCount(int value);
  bool ShowTitles() const { return Options().Contains(dgTitles); }
  void SetShowTitles(bool value);
  TDBLookupGridEhOptions LookupOptions() const { return FLookupOptions; }
  void SetLookupOptions(TDBLookupGridEhOptions value);
  // The list's own fitting: fits the columns to the window once and keeps
  // the widths; the horizontal bar is hidden while it is on.
  bool AutoFitColWidths() const { return FListAutoFit; }
  void SetAutoFitColWidths(bool value);
  // The width the visible columns take (a drop-down of width -1).
  int FittedListWidth();
  bool NeedRowFocusRect() const { return FNeedRowFocusRect; }
  // The window height for the current RowCount.
  int HeightForRowCount();
  TLookupGridMetricsEh Metrics();

  // --- operations
  // Whether the bound field may take a new key.
  virtual bool CanModify();
  virtual void SpecRowChanged();
  // Window height - client height.
  virtual int GetBorderSize();
  virtual int DataRowHeight();
  virtual int SpecRowHeight();
  virtual void KeyValueChanged();
  virtual void UpdateListSize();
  // Incremental search for a typed character.
  virtual void ProcessSearchKey(char32_t key);
  // Writes `value` into the bound field, or takes it as KeyValue.
  virtual void SelectKeyValue(const Variant& value);
  virtual void UpdateColumnsWidth();
  virtual void UpdateDataFields();
  virtual void UpdateListFields();
  // Puts the list on the record of KeyValue; false when it is not there.
  virtual bool LocateKey();
  // The key of the list's current record.
  Variant ListRecordKey() const;
  // Chooses the row at client point (x, y): the special row or a data row.
  void ChooseRowAt(int x, int y);
  // Takes the bound field's value as KeyValue (the link's record changed).
  void TakeBoundValue(TField* field);
  int ListRecordIndex() const { return FListRecordIndex; }
  int ListRecordCount() const { return FListRecordCount; }

  // TControl: the height snaps to whole rows.
  void SetBounds(int left, int top, int width, int height) override;
  void UpdateScrollBar() override;
  bool HighlightDataCellColor(int col, int row, int dataCol, int dataRow, TGridDrawState state,
                              TColor& background, TFont* font) override;
  void GetDatasetFieldList(std::vector<TField*>& list) const override;

 protected:
  explicit TDBLookupGridEh(TComponent* owner);
  void AfterConstruction() override;
  void BeforeDestruction() override;
  TObjectPtr<TDBGridColumnsEh> CreateColumns() override;
  TObjectPtr<TColumnDefValuesEh> CreateColumnDefValues() override;
  void Notification(TComponent* component, TOperation operation) override;
  // Whether a press takes the focus (a drop-down never does).
  virtual bool TakesFocusOnPress() const { return true; }
  // The auto-scroll step while the mouse is tracked outside the list.
  void TimerScroll() override;
  void StopTracking();
  bool Tracking() const { return FTracking; }

  // TCustomDBGridEh
  int SubTitleRowCount() const override;
  bool CellHave3DRect(int col, int row, TGridDrawState state) override;
  void DefineFieldMap() override;
  void DrawSubTitleCell(int col, int row, const TRect& rect, TColumnEh* column,
                        TGridDrawState state) override;
  void DrawCell(int col, int row, const TRect& rect, TGridDrawState state) override;
  void UpdateRowCount() override;
  void UpdateActive() override;
  void LinkActive(bool value) override;
  void DataChanged() override;
  void Scroll(int distance) override;
  void ColWidthsChanged() override;
  void KeyDown(unsigned& key, TShiftState shift) override;
  void KeyPress(char32_t& key) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void WndProc(TMessage& message) override;

 private:
  friend class TLookupGridDataLinkEh;
  friend class TDBLookupGridColumnEh;
  std::vector<TField*> ResolveListFields() const;
  void MoveInList(int distance, int toEnd);
  bool GoToKeyRecord();
  void ApplyLookupOptions();
  void VScroll(int code, int pos);
  int SpecRowGridRow() const { return TitleOffset() - 1; }
  int RowLineWidth() const;
  // The first client pixel row below the titles.
  int TitleBottom();

  std::unique_ptr<TLookupGridDataLinkEh> FKeyLink;
  std::string FDataFieldNames;
  std::vector<TField*> FDataFields;
  TField* FLookupField = nullptr;
  bool FLookupMode = false;
  TObjectPtr<TDataSource> FInternalSource;
  std::string FKeyFieldNames;
  std::vector<TField*> FKeyFields;
  std::string FListFieldNames;
  int FListFieldIndex = 0;
  TField* FListField = nullptr;
  std::vector<TField*> FListFields;
  bool FListActive = false;
  Variant FKeyValue = Variant::Null();
  bool FSpecRowSelected = false;
  std::string FSearchText;
  TObjectPtr<TSpecRowEh> FSpecRow;
  int FRowCount = 7;
  TDBLookupGridEhOptions FLookupOptions{dlgColLinesEh};
  bool FListAutoFit = false;
  bool FInColumnsWidth = false;
  bool FInRowCount = false;
  bool FInListSize = false;
  bool FNeedRowFocusRect = false;
  bool FKeySet = false;
  int FListRecordIndex = 0;
  int FListRecordCount = 0;
  bool FTracking = false;
  int FMouseY = 0;
  bool FSizingColumns = false;
};
