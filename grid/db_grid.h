// TCustomDBGridEh / TDBGridEh: the data grid. It shows a dataset through
// its data source with one grid column per TColumnEh (made from the
// dataset's visible fields, or persistent columns set up by the program),
// titles (multi-level from "|"-separated captions, with sort markers and
// title buttons), an indicator column, frozen columns and footer rows with
// totals from its sum list.
//
// Grid cells: raw column 0 is the indicator with dgIndicator; raw column c
// shows data column c - IndicatorOffset(). Raw row 0 is the title row with
// dgTitles; the data rows follow (TitleOffset() onwards) and hold the data
// link's window of records: the dataset scrolls, the grid's rows never do.
// With footers, a filler row takes the free height and the footer rows end
// the grid.
//
// Layout changes are batched: setters call RequestLayout, and nested
// BeginLayout/EndLayout rebuild once at the outermost end.
//
// Ownership: columns (whose footers hold sum items) are freed before the
// sum list and the title tree; the sum list never recalculates while the
// grid is being destroyed. GUI thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "grid/column_filter.h"
#include "grid/columns.h"
#include "grid/grid_data_link.h"
#include "grid/grid_options.h"
#include "grid/grid_resources.h"
#include "grid/grid_scroll_bar.h"
#include "grid/grid_selection.h"
#include "grid/grid_style.h"
#include "grid/selected_rows.h"
#include "grid/sum_list.h"
#include "grid/title_tree.h"
#include "platform/data/mem_table_intf.h"
#include "platform/gui/actions.h"
#include "platform/widgets/grids.h"

class TCustomDBGridEh;
class TDBGridInplaceEdit;
class TInplaceFilterEditEh;
// The grid's modes (their own units) and the grid's adapters to them
// (db_grid_modes.h, for the grid's own sources).
class TGridDataRowsEh;
class TGridTreeRowsEh;
class TGridIncSearchEh;
class TGridRecordMoverEh;
class TGridFilterRowEh;
class TDBGridIncSearchAdapterEh;
class TDBGridRowPerRecordEh;
class TDBGridRecordMoverAdapterEh;
class TDBGridFilterRowAdapterEh;
class TDBGridTreeAreaEh;
class TDBGridDataLinkAdapterEh;
class TDBGridStyleClientEh;
class TDBGridTitleMouseEh;

// The clipboard and selection commands the grid carries out for its keys
// and edit actions.
enum TDBGridEhEditAction { geaCutEh, geaCopyEh, geaPasteEh, geaDeleteEh, geaSelectAllEh };
using TDBGridEhEditActions = TSet<TDBGridEhEditAction>;

// An action that runs one of the grid's edit commands on the focused grid
// (ExecuteAction), enabled while the command is possible (UpdateAction).
class TDBGridEhEditActionEh : public TAction {
  MEBRATH_CLASS(TDBGridEhEditActionEh, TAction)
 public:
  TDBGridEhEditAction EditAction() const { return FEditAction; }
  void SetEditAction(TDBGridEhEditAction value) { FEditAction = value; }

 protected:
  explicit TDBGridEhEditActionEh(TComponent* owner) : TAction(owner) {}

 private:
  TDBGridEhEditAction FEditAction = geaCopyEh;
};

// The background of filter-row cells: each component c of `color`
// becomes c + c / 8 (rounded), at most 255.
TColor FilterRowTint(TColor color);

enum TDBGridEhAllowedOperation { alopInsertEh, alopUpdateEh, alopDeleteEh, alopAppendEh };
using TDBGridEhAllowedOperations = TSet<TDBGridEhAllowedOperation>;

// Indicator images, in their index order.
enum TIndicatorImageEh {
  kIndicatorArrow = 0,
  kIndicatorEdit = 1,
  kIndicatorInsert = 2,
  kIndicatorMultiDot = 3,
  kIndicatorMultiArrow = 4,
  kIndicatorSelectedArrow = 5,
  kIndicatorSearchArrow = 6
};

// The grid's sum list: inactive until the program turns it on.
class TDBGridEhSumList : public TDBSumListProducer {
  MEBRATH_CLASS(TDBGridEhSumList, TDBSumListProducer)
 public:
  explicit TDBGridEhSumList(TCustomDBGridEh* grid);
};

// Sender, Rect, Field, State.
using TDrawDataCellEvent =
    std::function<void(TObject* sender, const TRect& rect, TField* field, TGridDrawState state)>;
// Sender, DataCol, Row, Column, AFont, var Background, var Alignment,
// State, var Text.
using TGetFooterParamsEvent = std::function<void(
    TObject* sender, int dataCol, int row, TColumnEh* column, TFont* font, TColor& background,
    TAlignment& alignment, TGridDrawState state, std::string& text)>;
// Sender, DataCol, Row, Column, Rect, State.
using TDrawFooterCellEvent =
    std::function<void(TObject* sender, int dataCol, int row, TColumnEh* column, const TRect& rect,
                       TGridDrawState state)>;
// Sender, Column, AFont, var Background, var SortMarker, IsDown.
using TGetBtnEhParamsEvent =
    std::function<void(TObject* sender, TColumnEh* column, TFont* font, TColor& background,
                       TSortMarkerEh& sortMarker, bool isDown)>;
// Sender, Bookmarks, TargetRow, TargetLevel, CheckOnly: whether the records
// were (with CheckOnly: could be) moved.
using TDBGridEhMoveRecordsEvent =
    std::function<bool(TObject* sender, const std::vector<std::string>& bookmarks, int targetRow,
                       int targetLevel, bool checkOnly)>;

// Sender, Shift, MousePos, var Handled.
using TMouseWheelUpDownEventEh =
    std::function<void(TObject* sender, TShiftState shift, TPoint mousePos, bool& handled)>;

// What the vertical bar shows, from the dataset's state (a pure rule).
struct TVertScrollStateEh {
  bool LinkActive = false;
  bool Numbered = false;  // the sum list numbers the records
  int RecordCount = 0;
  int RecNo = 0;
  int VisibleRows = 0;
  bool Bof = false;
  bool Eof = false;
  bool Inserting = false;  // the position keeps its last value
  int LastPosition = 0;
};
struct TVertScrollParamsEh {
  int Min = 0;
  int Max = 0;
  int Page = 0;
  int Position = 0;
  friend bool operator==(const TVertScrollParamsEh&, const TVertScrollParamsEh&) = default;
};
TVertScrollParamsEh VertScrollBarParams(const TVertScrollStateEh& state);
// The auto-scroll step and timer interval for a pointer `distance` pixels
// outside the data area (interval 200 - 15 x distance, 200 - 10 x distance
// for a column drag; below 0 is 0, and 0 runs at 10 ms).
int AutoScrollStep(int distance);
int AutoScrollInterval(int distance, bool columnDrag);
// Whether a text `textWidth` x `textHeight` pixels is cut in a cell of
// `cellWidth` x `cellHeight`: wider than the cell less 2 pixels, or, when
// the cell wraps its text, taller than it.
bool CellTextIsCut(int textWidth, int textHeight, int cellWidth, int cellHeight, bool wordWrap);

class TCustomDBGridEh : public TCustomGrid {
  MEBRATH_CLASS(TCustomDBGridEh, TCustomGrid)
 public:
  ~TCustomDBGridEh() override;

  // --- data
  TDataSource* DataSource() const { return FDataLink->DataSource(); }
  void SetDataSource(TDataSource* value);
  TGridDataLinkEh* DataLink() const { return FDataLink.get(); }
  TDBGridColumnsEh* Columns() const { return FColumns.get(); }
  TColumnDefValuesEh* ColumnDefValues() const { return FColumnDefValues.get(); }
  TDBGridEhSumList* SumList() const { return FSumList.get(); }
  // The visible columns, in order.
  const std::vector<TColumnEh*>& VisibleColumns() const { return FVisibleColumns; }

  // --- options
  TDBGridOptions Options() const { return FOptions; }
  // dgRowSelect drops dgEditing and dgAlwaysShowEditor.
  void SetOptions(TDBGridOptions value);
  TDBGridEhOptions OptionsEh() const { return FOptionsEh; }
  void SetOptionsEh(TDBGridEhOptions value);
  TDBGridEhAllowedOperations AllowedOperations() const { return FAllowedOperations; }
  void SetAllowedOperations(TDBGridEhAllowedOperations value) { FAllowedOperations = value; }
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool value);
  bool DrawMemoText() const { return FDrawMemoText; }
  void SetDrawMemoText(bool value);
  // False leaves cell contents to OnDrawColumnCell and OnDrawFooterCell
  // (backgrounds are still filled).
  bool DefaultDrawing() const { return FDefaultDrawingEh; }
  void SetDefaultDrawing(bool value);
  // Fits the selected columns (all with everything selected) and
  // `column` to their contents (optimal_width.cpp).
  virtual void OptimizeColumnWidth(TColumnEh* column);
  // Sorting is done by the dataset on the client (passed on to whoever
  // sorts; the grid itself never sorts).
  bool SortLocal() const { return FSortLocal; }
  void SetSortLocal(bool value) { FSortLocal = value; }
  bool RowSizingAllowed() const { return FRowSizingAllowed; }
  void SetRowSizingAllowed(bool value);
  // Every field of the dataset, in field order (none without one).
  virtual void GetDatasetFieldList(std::vector<TField*>& list) const;
  bool Flat() const { return FFlat; }
  void SetFlat(bool value);

  // --- layout
  bool AutoFitColWidths() const { return FAutoFitColWidths; }
  void SetAutoFitColWidths(bool value);
  int MinAutoFitWidth() const { return FMinAutoFitWidth; }
  void SetMinAutoFitWidth(int value);
  int FrozenCols() const { return FFrozenCols; }
  void SetFrozenCols(int value);
  int RowHeight() const { return FRowHeight; }
  void SetRowHeight(int value);
  int RowLines() const { return FRowLines; }
  void SetRowLines(int value);
  int TitleHeight() const { return FTitleHeight; }
  void SetTitleHeight(int value);
  int TitleLines() const { return FTitleLines; }
  void SetTitleLines(int value);
  int VTitleMargin() const { return FVTitleMargin; }
  void SetVTitleMargin(int value);
  bool UseMultiTitle() const { return FUseMultiTitle; }
  void SetUseMultiTitle(bool value);
  TFont* TitleFont() const { return FTitleFont.get(); }
  // Images that titles show in place of their caption (Title ImageIndex).
  TCustomImageList* TitleImages() const { return FTitleImages; }
  void SetTitleImages(TCustomImageList* value);
  void SetTitleFont(const TFont* value) { FTitleFont->Assign(value); }
  THeadTreeNode* TitleTree() const { return FTitleTree.get(); }

  // --- footers and colours
  int FooterRowCount() const { return FFooterRowCount; }
  // A negative or unchanged value is ignored.
  void SetFooterRowCount(int value);
  TColor FooterColor() const { return FFooterColor; }
  void SetFooterColor(TColor value);
  TFont* FooterFont() const { return FFooterFont.get(); }
  void SetFooterFont(const TFont* value) { FFooterFont->Assign(value); }
  // The grid's Color until assigned.
  TColor EvenRowColor() const { return FEvenRowColorAssigned ? FEvenRowColor : Color(); }
  void SetEvenRowColor(TColor value);
  TColor OddRowColor() const { return FOddRowColorAssigned ? FOddRowColor : Color(); }
  void SetOddRowColor(TColor value);
  TDBGridEhStyle* Style() const { return FStyle; }
  // Null takes the default style again.
  void SetStyle(TDBGridEhStyle* value);

  // --- the current cell
  int IndicatorOffset() const { return FIndicatorOffset; }
  int TitleOffset() const { return FTitleOffset; }
  int SelectedIndex() const;
  void SetSelectedIndex(int value);
  virtual TField* SelectedField();
  virtual void SetSelectedField(TField* field);
  // Data column of raw column `col`; -1 for the indicator.
  int RawToDataColumn(int col) const { return col - FIndicatorOffset; }
  int DataToRawColumn(int col) const { return col + FIndicatorOffset; }
  TColumnEh* ColumnOfRawCol(int col) const;

  // --- layout lock
  // The private message of a deferred relayout.
  static constexpr unsigned kDeferredLayoutMessage = 0x464;
  void BeginLayout();
  void EndLayout();
  // Takes the lock when nothing else holds it; true when it did.
  bool AcquireLayoutLock();
  bool LayoutLocked() const { return FLayoutLock > 0; }
  // Rebuilds now, or at the end of the running batch.
  virtual void RequestLayout();
  // Posts one deferred relayout (none when one is queued already).
  void PostDeferredLayout();
  // Rows taller than a line of text wrap their texts.
  bool MultiLineRows() const { return FMultiLineRows; }
  // The height of in-cell edit buttons.
  int InCellButtonHeight() const { return FInCellButtonHeight; }
  // Scales fonts and column widths by m/d, the widths cumulatively so
  // that rounding does not add up.
  void ChangeScale(int m, int d) override;
  // How many times the layout was rebuilt (for tests and benchmarks).
  int LayoutCount() const { return FLayoutCount; }

  // --- cells
  void GetCellType(int col, int row, TCellColPartEh& colPart, TCellRowPartEh& rowPart,
                   int& colIndex, int& rowIndex) const;
  // The text of footer `row` (0-based) of `column`.
  virtual std::string GetFooterValue(int row, TColumnEh* column);
  int VisibleDataRowCount() const;
  // The indicator image of grid row `row` (TIndicatorImageEh), -1 for
  // none: the current record's by the dataset's state, a dot for other
  // selected records.
  int IndicatorImageOf(int row);
  void InvalidateFooter();
  // Whether the grid's data may be modified (the column asks this).
  bool DataCanBeModified();
  // The highlight of a cell (see grid_style.h).
  virtual bool HighlightDataCellColor(int col, int row, int dataCol, int dataRow,
                                      TGridDrawState state, TColor& background, TFont* font);
  virtual bool HighlightNoDataCellColor(int col, int row, TCellColPartEh colPart,
                                        TCellRowPartEh rowPart, TGridDrawState state,
                                        bool highlighted, TColor& background, TFont* font);
  // The focus is on the grid's window or on the cell editor's.
  virtual bool GridOrEditorFocused();
  // Repaints the selection and the current row after the focus came or went.
  virtual void FocusChanged();
  // Fires OnTitleClick.
  void TitleClick(TColumnEh* column);
  // The columns marked for sorting, in SortIndex order.
  const std::vector<TColumnEh*>& SortMarkedColumns() const { return FSortMarkedColumns; }
  // Makes that list again from the titles' SortIndex (columns loaded or
  // copied); gaps and doubles close up and the indexes follow.
  void RebuildSortMarkedColumns();

  // --- selection
  TDBGridEhSelectionType SelectionType() const { return FSelection->SelectionType(); }
  // Another kind of selection is dropped when the kind changes.
  void SetSelectionType(TDBGridEhSelectionType value);
  TBookmarkListEh* SelectedRows() const { return FSelectedRows.get(); }
  // The kinds of selection the user may make.
  TSet<TDBGridEhSelectionType> AllowedSelections() const { return FAllowedSelections; }
  // A selection of a kind no longer allowed is cleared.
  void SetAllowedSelections(TSet<TDBGridEhSelectionType> value);
  // What the pointer shows at client point (x, y).
  TGridCursorEh CursorAt(int x, int y);
  // Fires OnSelectionChanged.
  void SelectionChanged();

  // --- selection objects (grid_selection.cpp)
  TDBGridEhSelection* Selection() const { return FSelection.get(); }
  // Whether grid cell (col, row) of the record `bookmark` shows selected.
  virtual bool IsCellSelected(int col, int row, const std::string& bookmark);
  // gstNon always; any other kind needs dgMultiSelect and the kind in
  // AllowedSelections; rectangles and columns never with dgRowSelect.
  bool CanSelectType(TDBGridEhSelectionType kind) const;
  // Repaints the shown cells of a grid rectangle.
  void InvalidateGridRect(const TGridRect& rect);
  // After the selection changed kind: the editor shows or hides to match.
  void SelectionEditorStateChanged();

  // --- events
  TNotifyEvent OnSelectionChanged;
  TDrawColumnEhCellEvent OnDrawColumnCell;
  TDrawDataCellEvent OnDrawDataCell;
  TGetCellEhParamsEvent OnGetCellParams;
  TGetFooterParamsEvent OnGetFooterParams;
  TDrawFooterCellEvent OnDrawFooterCell;
  TGetBtnEhParamsEvent OnGetBtnParams;
  TDBGridEhColumnEvent OnTitleBtnClick;
  TDBGridEhColumnEvent OnTitleClick;
  TNotifyEvent OnSortMarkingChanged;
  TNotifyEvent OnSumListRecalcAll;
  TNotifyEvent OnSumListAfterRecalcAll;
  TNotifyEvent OnColWidthsChanged;

  // --- keyboard and mouse (db_grid_keys.cpp)
  TDBGridEhEditActions EditActions() const { return FEditActions; }
  void SetEditActions(TDBGridEhEditActions value) { FEditActions = value; }
  // Drops the selected records (dgMultiSelect with dghClearSelection), the
  // Shift anchor, and a cell, column or whole-grid selection.
  void ClearSelection();
  // The one way the current column changes: posts the edit, ColExit,
  // the column, the editor, ColEnter. `step` (-1, 0, 1) skips columns of
  // no width that way; `extend` stretches a rectangle with Shift.
  void SelectColumn(int rawCol, int step, bool extend);
  // Moves the current record by `distance` (or, with `toEnd`, to the
  // first record for a negative distance and the last otherwise) with
  // Shift selection when `select`.
  void MoveRecord(bool select, int distance, bool toEnd = false);
  // Ctrl+Delete: deletes the selected records or the current one, asking
  // first with dgConfirmDelete; a cell or column selection is emptied.
  void DeleteRecordsByKey();
  // The permissions of the clipboard and selection commands.
  bool CanCopySelection();
  bool CanPasteSelection();
  bool CanCutSelection();
  bool CanDeleteSelection();
  bool CanSelectAll();
  // Title button released: OnTitleBtnClick, the next sort marker, and the
  // sort now or, with Ctrl held, when Ctrl goes up.
  void TitleButtonReleased(TColumnEh* column, bool ctrl);
  virtual void TitleBtnClick(int dataCol, TColumnEh* column);
  // Whether the title of data column `dataCol` acts as a button: starts as
  // given (the title's TitleButton) and OnCheckButton may change it; false
  // for an index out of range.
  virtual void CheckTitleButton(int dataCol, bool& enabled);
  // The ellipsis button of the cell editor was pressed and its column's
  // OnEditButtonClick did not handle it: fires OnEditButtonClick.
  virtual void EditButtonClick();
  // With dghAutoSortMarking: OnSortMarkingChanged, else DefaultApplySorting.
  virtual void SortMarkingChanged();
  virtual void DefaultApplySorting();
  bool SortPending() const { return FSortPending; }
  TDBGridEhColumnEvent OnCellClick;
  TNotifyEvent OnColEnter;
  TNotifyEvent OnColExit;
  TCheckTitleEhBtnEvent OnCheckButton;
  TNotifyEvent OnEditButtonClick;
  // Row-per-record mode only: asked first for each notch of the wheel.
  TMouseWheelUpDownEventEh OnMouseWheelDown;
  TMouseWheelUpDownEventEh OnMouseWheelUp;

  // --- scrolling, timers and incremental search (db_grid_scroll.cpp)
  TDBGridEhScrollBar* HorzScrollBar() const { return FHorzScrollBar.get(); }
  // REQUIRES: CreateScrollBar made a TVertDBGridEhScrollBar for sbVertical.
  TVertDBGridEhScrollBar* VertScrollBar() const {
    return static_cast<TVertDBGridEhScrollBar*>(FVertScrollBar.get());
  }
  // Sets the window's vertical bar (or the external one) from the
  // dataset's position.
  virtual void UpdateScrollBar();
  // Copies the horizontal position, range and page to the external bar.
  virtual void UpdateHorzExtScrollBar();
  // The horizontal setting changed: the window's own bar shows or hides.
  void HorzScrollBarChanged();
  // A scroll request of an attached external bar, as WM_HSCROLL/WM_VSCROLL.
  void ExtScrollRequest(TDBGridEhScrollBar* bar, TMessage& message);
  // Timer 1 while a selection is dragged outside the data area: scrolls
  // rows or columns towards the pointer and extends the selection.
  virtual void TimerScroll();
  void StartAutoScrollTimer(int interval);
  void StopAutoScrollTimer();
  bool AutoScrollTimerActive() const { return FAutoScrollActive; }
  int AutoScrollTimerInterval() const { return FAutoScrollInterval; }
  // The data cells' area in client coordinates.
  TRect DataRect();
  // Whether a column is being sized in the grid's own sizing mode, and
  // where its line is.
  bool FrozenSizing() const { return FMouseMode == TMouseModeEh::Sizing; }
  int SizingLinePos() const;
  bool SizingLineShown() const;
  // Starts or continues an incremental search for `text` appended to the
  // running one; `direction` 0 from the first record, 1 forward from the
  // next, 2 backward from the prior. Timer 2 ends it after `timeOut` ms
  // (none when negative).
  void IncSearch(const std::string& text, int timeOut, int direction);
  void StopIncSearch();
  bool InIncSearch() const;
  // Whether Ctrl+F shows the find dialog modal (a descendant may let it
  // stay open beside the grid).
  virtual bool IsFindDialogModal() { return true; }
  const std::string& IncSearchText() const;
  // The timer ids: automatic scrolling and the end of a search.
  static constexpr unsigned kAutoScrollTimerId = 1;
  static constexpr unsigned kIncSearchTimerId = 2;

  // --- optimal widths (optimal_width.cpp)
  // Each column gets the width of its widest title, footer and, with
  // dghOptimizeWidthByData, data cell over every record.
  virtual void OptimizeColsWidth(const std::vector<TColumnEh*>& columns);
  // The widths the parts of `column` need, measured as they are drawn.
  virtual int TitleOptimalWidth(TColumnEh* column);
  virtual int FootersOptimalWidth(TColumnEh* column);
  // The data cell of the current record.
  virtual int DataCellOptimalWidth(TColumnEh* column);

  // --- the filter row (db_grid_filter.cpp)
  TSTDBGridEhFilter* STFilter() const { return FSTFilter.get(); }
  // Parses the typed filter texts (an error is raised once, the texts
  // kept), then OnApplyFilter or DefaultApplyFilter; keeps LeftCol and
  // recalculates the sums.
  void ApplyFilter();
  // The data service's filtering, with FilterApplying set.
  virtual void DefaultApplyFilter();
  // Parses the filter editor's text into the filter of column `index`.
  virtual void SetFilterValueFromEdit(int index);
  // The filter text of column `index`; empty for none.
  std::string GetFilterValue(int index) const;
  // A valid, visible column whose filter is visible.
  bool ColumnFilterVisible(int index) const;
  virtual bool CanFilterEditShow();
  // Opens the filter editor in data column `col`.
  void StartEditFilter(int col);
  // Hides the filter editor and gives the focus back to the grid (not
  // while STFilter is updating).
  void StopEditFilter();
  // Loads the filter editor for data column `col`.
  virtual void UpdateFilterEdit(int col);
  // Places the filter editor over its cell (hidden while scrolled away).
  void UpdateFilterEditPos();
  // The point (screen coordinates) and time of the last press on a filter
  // cell; the time is 0 after the first reading, so a press counts once.
  void FilterMouseDownInfo(TPoint& screenPos, std::uint32_t& time);
  int FilterCol() const;
  bool FilterEditMode() const;
  bool FilterApplying() const;
  // Created on first use; nullptr before.
  TInplaceFilterEditEh* FilterEdit() const;
  // A chosen item of the filter editor's list: 1 "(Пустые)", 2 "(Не
  // пустые)", 3 "(Все)", 4 "(Очистить фильтр)", 6 and 7 the sort items;
  // other codes are plain values.
  void FilterEditItemChosen(int code);
  // After a column filter's expression changed.
  void FilterChanged();
  // After STFilter.Visible changed.
  void FilterRowVisibleChanged();
  TNotifyEvent OnApplyFilter;

  // --- edit actions and position (db_grid_filter.cpp)
  // Runs (or enables) the clipboard and selection command of a grid edit
  // action while the grid has the focus; false when not handled.
  virtual bool ExecuteAction(TBasicAction* action);
  virtual bool UpdateAction(TBasicAction* action);
  // Around long operations: the current record shows on the same row
  // afterwards, and is the same record even when the order changed.
  void SaveGridPosition();
  void RestoreGridPosition();
  // The current record's screen row: 0 when it is the top data row.
  int CurrentScreenRow() const { return Row() - TopRow(); }
  // Scrolls the current record to screen row `row`, as near as the
  // records before and after it allow; it stays the current record. The
  // dataset moves there and back (row-per-record mode: the top row moves).
  // Nothing while the link is inactive or the dataset empty, nor (outside
  // row-per-record mode) while a record is edited or inserted.
  void ShowCurrentAtScreenRow(int row);
  // After a sort through the grid: bookmarks are positions in the old
  // order, so the selected records and a saved position are dropped.
  void DataOrderChanged();

  // --- cell editor (inplace_edit.cpp, cell_write.cpp)
  // The key chosen in the editor's list for a key-list or lookup cell;
  // Null while the user only typed.
  const Variant& EditKeyValue() const { return FEditKeyValue; }
  void SetEditKeyValue(const Variant& value) { FEditKeyValue = value; }

  // --- tree rows and row-per-record mode (db_grid_tree.cpp, row_per_record.cpp)
  // The pixels of one tree level.
  static constexpr int kTreeLevelWidth = 18;
  // The dataset's IMemTableEh, asked for again when the link becomes
  // active, a component goes away and the footer count changes.
  IMemTableEh* MemTable() const;
  // One grid row per dataset row: the dataset offers IMemTableEh and no
  // footers show. The vertical bar and the scroll messages then move the
  // grid's top row, not the current record.
  bool RowPerRecordMode() const;
  // The dataset's rows are drawn as a tree (first visible column).
  bool TreeDisplay() const;
  // Level x 18 pixels for the node at the reading position; 0 without a
  // tree.
  int TreeIndentWidth() const;
  // Draws the indent, connectors and node button of data row `dataRow`
  // (being read, see TGridRowReadEh) into `rect`; `widen` takes one more pixel
  // left, above and below.
  virtual void DrawTreeArea(int dataCol, int dataRow, bool widen, const TRect& rect,
                            TGridDrawState state);
  // Whether client point (x, y) lies in the tree area of a data cell of
  // the first visible column; unless `checkOnly`, a press on the node's
  // own box expands or collapses it and the current record stays.
  virtual bool CheckTreeExpandClick(int x, int y, bool checkOnly);
  // Expands or collapses the current node; `allBelow` expands every node
  // under it as well.
  void SetCurrentNodeExpanded(bool value, bool allBelow);
  // Whether data row `rowIndex` (0-based) holds the current record, also
  // while rows are being read. The grid's code reads a row only through
  // the guard TGridRowReadEh (data_rows.h).
  bool IsCurrentRow(int rowIndex);
  // The data rows that can be read: the dataset's rows in row-per-record
  // mode, the data link's buffer otherwise.
  int DataRowCount() const;
  // Row-per-record mode: makes `row` the top row, kept within the rows
  // and so that the last row is not scrolled above the bottom.
  void SafeSetTopRow(int row);

  // --- record moving (record_moving.cpp)
  // With dghRecordMoving, records are dragged by their indicator cell.
  TDBGridEhMoveRecordsEvent OnMoveRecords;
  bool RecordMoving() const;
  // The grid rows (and tree levels, -1 without a tree) of the drag.
  int RecordMovingSourceRow() const;
  int RecordMovingTargetRow() const;
  int RecordMovingTargetLevel() const;
  // The interval of timer 1 while a record is dragged.
  static constexpr unsigned kRecordMovingTimerInterval = 60;
  virtual bool CanBeginRecordMoving(int& origin, int& destination, TPoint mousePt);
  // The left end of the drop line for grid row `row`; `level` the target
  // tree level (-1 without a tree).
  virtual int GetRecordMovingDropPos(int row, TPoint& mousePt, int& level);
  // Whether a press at (x, y) starts moving records; unless `checkOnly`
  // starts the drag.
  virtual bool StartRecordMoving(int x, int y, bool checkOnly);
  virtual bool DoMoveRecords(const std::vector<std::string>& bookmarks, int targetRow,
                             int targetLevel, bool checkOnly);
  // The selected records (or the dragged one) to data row `targetRow`.
  virtual bool MoveSelectedRecords(int targetRow, int targetLevel, bool checkOnly);
  // Ends the drag; with `accept` the records move to the target.
  virtual void StopRecordMoving(int x, int y, bool accept);
  // Follows the pointer (mouse moves and timer 1 during the drag).
  virtual void TrackRecordMoving(int x, int y);
  // The dataset's tree mover, else the data service's.
  virtual bool DefaultMoveRecords(const std::vector<std::string>& bookmarks, int targetRow,
                                  int targetLevel, bool checkOnly);

 protected:
  explicit TCustomDBGridEh(TComponent* owner);
  void AfterConstruction() override;
  void BeforeDestruction() override;
  void Notification(TComponent* component, TOperation operation) override;

  virtual TObjectPtr<TDBGridColumnsEh> CreateColumns();
  virtual TObjectPtr<TColumnDefValuesEh> CreateColumnDefValues();
  // The layout rebuild (see the top of the file).
  virtual void LayoutChanged();
  virtual void DefineFieldMap();
  virtual void UpdateRowCount();
  virtual void UpdateActive();
  virtual int TitlesVisible() const;
  virtual int SubTitleRowCount() const { return FSTFilter->Visible() ? 1 : 0; }
  virtual bool CellHave3DRect(int col, int row, TGridDrawState state);

  // The data link's notifications (grid_data_link.h), through the grid's
  // adapter to the link.
  virtual void LinkActive(bool value);
  virtual void DataChanged();
  virtual void Scroll(int distance);
  // The dataset went into or out of an editing state.
  virtual void EditingChanged();
  virtual void RecordChanged(TField* field);
  // Writes the cell editor's text into its field.
  virtual void UpdateData();
  void ShowEditor() override;

  // TCustomGrid
  void DrawCell(int col, int row, const TRect& rect, TGridDrawState state) override;
  bool SelectCell(int col, int row) override;
  void ColWidthsChanged() override;
  void RowHeightsChanged() override;
  void ColumnMoved(int fromIndex, int toIndex) override;
  bool CanEditShow() override;
  bool CanEditModify() override;
  bool CanEditAcceptKey(char32_t key) override;
  int GetEditLimit() override;
  std::string GetEditMask(int col, int row) override;
  std::string GetEditText(int col, int row) override;
  void SetEditText(int col, int row, const std::string& value) override;
  void KeyDown(unsigned& key, TShiftState shift) override;
  bool DoMouseWheelDown(TShiftState shift, TPoint mousePos) override;
  bool DoMouseWheelUp(TShiftState shift, TPoint mousePos) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void Resize() override;
  void CreateWnd() override;
  void Paint() override;
  void WndProc(TMessage& message) override;
  void CreateParams(TCreateParams& params) override;
  void CalcSizingState(int x, int y, TGridState& state, int& index, int& sizingPos, int& sizingOfs,
                       TGridDrawInfo& fixedInfo) override;
  // --- cell editor
  TInplaceEdit* CreateEditor() override;
  // --- scrolling and exit
  void DoExit() override;
  bool OwnsVertScrollBar() const override { return true; }
  virtual TObjectPtr<TDBGridEhScrollBar> CreateScrollBar(TScrollBarKind kind);
  void TimedScroll(TGridScrollDirections direction) override;
  // Keeps the external horizontal bar in step and runs the fetch step of
  // row-per-record mode.
  void TopLeftChanged() override;
  // --- keyboard and mouse
  void KeyUp(unsigned& key, TShiftState shift) override;
  void KeyPress(char32_t& key) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  virtual void ColEnter();
  virtual void ColExit();
  virtual void CellClick(TColumnEh* column);

  // Cell painters.
  virtual void DrawIndicatorCell(int row, const TRect& rect, TCellRowPartEh rowPart,
                                 TGridDrawState state);
  virtual void DrawTitleCell(int col, const TRect& rect, TColumnEh* column, TGridDrawState state);
  virtual void DrawDataCell(int col, int row, const TRect& rect, TColumnEh* column,
                            TGridDrawState state);
  virtual void DrawFooterCell(int col, int footerRow, const TRect& rect, TColumnEh* column,
                              TGridDrawState state);
  // A cell of the rows between the titles and the data: the filter row
  // here; grids with rows of their own there override it.
  virtual void DrawSubTitleCell(int col, int row, const TRect& rect, TColumnEh* column,
                                TGridDrawState state);
  virtual TInplaceFilterEditEh* CreateFilterEditor();

 private:
  friend class TColumnEh;
  friend class TColumnTitleEh;
  friend class TDBGridColumnsEh;
  friend class TDBGridInplaceEdit;
  friend class TDBGridIncSearchAdapterEh;
  friend class TDBGridRowPerRecordEh;
  friend class TDBGridRecordMoverAdapterEh;
  friend class TDBGridFilterRowAdapterEh;
  friend class TDBGridTreeAreaEh;
  friend class TDBGridDataLinkAdapterEh;
  friend class TDBGridStyleClientEh;
  friend class TDBGridTitleMouseEh;
  void SetColumnAttributes();
  // One column's width and tab stop in the base grid.
  void SetColumnAttributes(TColumnEh* column);
  bool ColumnTabStop(TColumnEh* column);
  // A hidden current column hands the current cell to the first visible
  // column that can take it.
  void CurrentColumnToVisible();
  void FitColumnWidths();
  // A fitting column sized from `oldWidth` to `newWidth`: its share of the
  // width scales, and the next fitting column shown to its right (with
  // dghResizeWholeRightPart all of them, by their widths) makes up the
  // difference.
  void ResizeAutoFitShare(TColumnEh* column, int oldWidth, int newWidth);
  int MeasureFontHeight(const TFont* font, int* externalLeading = nullptr);
  void InternalLayout();
  void BuildColumns();
  void ApplyBaseOptions();
  void SortMarkChanged(TColumnEh* column);
  void SumListChangedHandler();
  void DrawTitleGroups();
  // Titles show a column selection only.
  bool TitleSelected(int col);
  // Draws the column's always-shown edit buttons at the right of `rect`;
  // returns their width.
  int DrawEditButtons(const TRect& rect, TColumnEh* column, TColor background);
  void DrawMultiTitle(int col, const TRect& rect, TColumnEh* column, TGridDrawState state);
  // The band of a title cell that shows the column's own caption: all of
  // it, or below the group captions with multi-level titles.
  TRect TitleLeafRect(TColumnEh* column, const TRect& cellRect) const;
  // Whether client point (x, y) lies on `column`'s title button.
  bool OverTitleButton(TColumnEh* column, int x, int y);
  void DrawTitleText(const TRect& rect, const std::string& text, TColumnEh* column, TFont* font,
                     TAlignment alignment, TSortMarkerEh marker, int sortIndex, bool pressed);
  bool RecordHasNumber(int& recNo);
  // The text the editor shows for `column`'s field now.
  std::string FieldEditText(TColumnEh* column);
  int DataRowOfRecord() const;

  std::unique_ptr<TDBGridDataLinkAdapterEh> FDataLinkAdapter;
  std::unique_ptr<TGridDataLinkEh> FDataLink;
  std::unique_ptr<TDBGridStyleClientEh> FStyleClient;
  // The grid as it was when its dataset's controls went off; shown in
  // place of the rows until they are back on, or until the grid reads
  // another table (its source, the source's dataset or either going).
  std::unique_ptr<TBitmap> FFrozenPicture;
  TObjectPtr<TColumnDefValuesEh> FColumnDefValues;
  TObjectPtr<TDBGridColumnsEh> FColumns;
  std::vector<TColumnEh*> FVisibleColumns;
  std::vector<TColumnEh*> FSortMarkedColumns;
  std::unique_ptr<TFont> FTitleFont;
  std::unique_ptr<TBookmarkListEh> FSelectedRows;
  std::unique_ptr<TDBGridEhSelection> FSelection;
  TSet<TDBGridEhSelectionType> FAllowedSelections{gstRecordBookmarks, gstRectangle, gstColumns,
                                                  gstAll};
  std::unique_ptr<TFont> FFooterFont;
  std::unique_ptr<THeadTreeNode> FTitleTree;
  std::vector<THeadTreeNode*> FLeafFieldArr;
  TObjectPtr<TDBGridEhSumList> FSumList;
  TDBGridEhStyle* FStyle = nullptr;
  TColCellParamsEh FColCellParams;

  TDBGridOptions FOptions = kDefaultDBGridOptions;
  TDBGridEhOptions FOptionsEh = kDefaultDBGridEhOptions;
  TDBGridEhAllowedOperations FAllowedOperations{alopInsertEh, alopUpdateEh, alopDeleteEh,
                                                alopAppendEh};
  bool FReadOnly = false;
  bool FDrawMemoText = false;
  bool FFlat = false;
  bool FRowSizingAllowed = false;
  bool FSortLocal = false;
  bool FDefaultDrawingEh = true;
  bool FAutoFitColWidths = false;
  int FMinAutoFitWidth = 0;
  int FFrozenCols = 0;
  int FRowHeight = 0;
  int FRowLines = 0;
  int FTitleHeight = 0;
  int FTitleLines = 0;
  int FVTitleMargin = 10;
  bool FUseMultiTitle = false;
  int FFooterRowCount = 0;
  TColor FFooterColor = clWindow;
  // The grid itself sets the footer font (following the parent, scaling).
  bool FUpdatingFooterFont = false;
  TColor FEvenRowColor = clWindow;
  bool FEvenRowColorAssigned = false;
  TColor FOddRowColor = clWindow;
  bool FOddRowColorAssigned = false;
  int FIndicatorOffset = 1;
  int FTitleOffset = 1;
  int FTitleTextMargin = 4;
  int FDefaultRowHeight = 0;
  bool FMultiLineRows = false;
  int FInCellButtonHeight = 0;
  bool FDeferredLayoutQueued = false;
  TCustomImageList* FTitleImages = nullptr;
  int FTitleRowHeight = 0;

  int FUpdateLock = 0;
  int FLayoutLock = 0;
  bool FInLayout = false;
  bool FLayoutFromDataset = false;
  int FLayoutCount = 0;
  bool FInColumnAttributes = false;
  bool FDestroying = false;
  std::string FEditText;
  TColumnEh* FPressedTitle = nullptr;
  // --- cell editor
  Variant FEditKeyValue = Variant::Null();
  // --- keyboard and mouse
  enum class TMouseModeEh { None, RecordSelecting, ColumnSelecting, RectSelecting, Sizing };
  // A mouse mode or the drag of records is running.
  bool MouseTracking() const { return FMouseMode != TMouseModeEh::None || RecordMoving(); }
  void PassKeyToBaseGrid(unsigned& key, TShiftState shift);
  // Shows the editor of the current cell and drops its list or calendar
  // down; false (nothing done) for a cell without one or that cannot be
  // edited.
  bool DropDownCell();
  void UpOrCancelInsert(bool extend);
  void DownOrAppend(bool extend);
  bool CanAppendByKey();
  void StepByTab(int direction);
  void CopyFromRecordAbove();
  void StepCellValue(TColumnEh* column, int step);
  void ShiftClickRecords(const std::string& target);
  // A press at client (x, y) would size a row (on the indicator's edges).
  bool RowSizingAt(int x, int y);
  void EndMouseTracking();
  TDBGridEhEditActions FEditActions;
  bool FKeepSelection = false;
  bool FHasSelectionAnchor = false;
  std::string FSelectionAnchor;
  bool FSortPending = false;
  bool FInColExit = false;
  TMouseModeEh FMouseMode = TMouseModeEh::None;
  bool FTitlePressedLook = false;
  TPoint FMouseDownPoint{0, 0};
  TGridCoord FMouseDownCell{-1, -1};
  bool FMouseDownDouble = false;
  bool FMouseDownOnCheck = false;
  TColumnEh* FTitleButtonDown = nullptr;
  // --- scrolling, timers and incremental search
  bool HandleScrollMessage(TMessage& message);
  bool HandleGridMessage(TMessage& message);
  void ShowCellToolTip(THintInfo& info);
  void FontChanged();
  bool WheelToDropDown(TMessage& message);
  void HandleFocusMessage(TMessage& message);
  TObjectPtr<TDBGridEhScrollBar> FHorzScrollBar;
  TObjectPtr<TDBGridEhScrollBar> FVertScrollBar;
  TDBGridEhScrollBar* FScrollRequestBar = nullptr;
  std::unique_ptr<TFont> FToolTipFont = std::make_unique<TFont>();
  TScrollBarVisibleModeEh FLastVisibleMode = sbAutoShowEh;
  bool FAutoScrollActive = false;
  int FAutoScrollInterval = 0;
  TPoint FLastMousePos{0, 0};
  // The grid's own sizing of frozen columns, and column selection by
  // title clicks (mouse modes).
  std::unique_ptr<TDBGridTitleMouseEh> FTitleMouse;
  bool FThumbTracked = false;
  bool FScrolledFullyLeft = true;
  bool FFocusedAnnounced = false;
  bool FForwardingWheel = false;
  // --- the modes, each reached through the grid's adapter to it
  std::unique_ptr<TDBGridIncSearchAdapterEh> FIncSearchAdapter;
  std::unique_ptr<TGridIncSearchEh> FIncSearch;
  std::unique_ptr<TSTDBGridEhFilter> FSTFilter;
  std::unique_ptr<TGridFilterRowEh> FFilterRow;
  std::unique_ptr<TDBGridFilterRowAdapterEh> FFilterRowAdapter;
  // --- saved position
  std::string FSavedMiddleBookmark;
  std::string FSavedCurrentBookmark;
  int FSavedOffset = 0;
  bool FPositionSaved = false;
  int FOrderGeneration = 0;
  int FSavedOrderGeneration = 0;
  std::unique_ptr<TDBGridRowPerRecordEh> FRowPerRecord;
  std::unique_ptr<TGridDataRowsEh> FRows;
  std::unique_ptr<TGridTreeRowsEh> FTree;
  std::unique_ptr<TDBGridTreeAreaEh> FTreeArea;
  std::unique_ptr<TDBGridRecordMoverAdapterEh> FRecordMoverAdapter;
  std::unique_ptr<TGridRecordMoverEh> FRecordMover;
};

class TDBGridEh : public TCustomDBGridEh {
  MEBRATH_CLASS(TDBGridEh, TCustomDBGridEh)
 protected:
  explicit TDBGridEh(TComponent* owner) : TCustomDBGridEh(owner) {}
};

// Keeps what a grid shows across an operation that orders and walks its
// dataset (a print): the current record comes back to its screen row, as
// near as the records around it allow, in the same column. The operation
// puts the current record back itself; a failed move back leaves the view
// where it is, and so does a record left in edit, which stays in edit
// with its values unposted. The grid must outlive the guard.
class TGridViewGuardEh {
 public:
  explicit TGridViewGuardEh(TCustomDBGridEh& grid)
      : FGrid(grid), FScreenRow(grid.CurrentScreenRow()), FColumn(grid.SelectedIndex()) {}
  ~TGridViewGuardEh() {
    try {
      FGrid.ShowCurrentAtScreenRow(FScreenRow);
      FGrid.SetSelectedIndex(FColumn);
    } catch (...) {
    }
  }
  TGridViewGuardEh(const TGridViewGuardEh&) = delete;
  TGridViewGuardEh& operator=(const TGridViewGuardEh&) = delete;

 private:
  TCustomDBGridEh& FGrid;
  int FScreenRow;
  int FColumn;
};
