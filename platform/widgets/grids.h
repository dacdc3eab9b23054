// The base grid: TCustomGrid (TDrawGrid and TStringGrid build on it in
// draw_grid.h and string_grid.h).
//
// TCustomGrid is a window of cells in columns and rows, the first
// FixedCols columns and FixedRows rows fixed (they never scroll). It owns
// the geometry (column widths, row heights, grid lines), the current cell
// and the selection, scrolling through its scroll bars and LeftCol/TopRow,
// the keyboard and mouse handling (navigation, range selection, sizing and
// moving columns and rows in the fixed area with an XOR drag line, timed
// scrolling while selecting past an edge) and the in-place editor's life
// cycle. It draws nothing of a cell itself: descendants override DrawCell
// and the other protected hooks, which are the contract with the data grid.
//
// Coordinates: cells are (column, row) = (X, Y); pixel positions are client
// coordinates. A cell's extent is its width (height) plus the grid-line
// width when lines are drawn on that axis; a negative width hides a column
// whose extent is then 0 or less.
//
// GUI thread only.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/exceptions.h"
#include "platform/base/sets.h"
#include "platform/gui/controls.h"

class TInplaceEdit;

// Raised for a cell or count out of range.
class EInvalidGridOperation : public Exception {
 public:
  using Exception::Exception;
};

// The message of EInvalidGridOperation for a bad cell, column or row.
inline constexpr char kGridIndexOutOfRange[] = "Grid index out of range";

enum TGridOption {
  goFixedVertLine,
  goFixedHorzLine,
  goVertLine,
  goHorzLine,
  goRangeSelect,
  goDrawFocusSelected,
  goRowSizing,
  goColSizing,
  goRowMoving,
  goColMoving,
  goEditing,
  goTabs,
  goRowSelect,
  goAlwaysShowEditor,
  goThumbTracking
};
using TGridOptions = TSet<TGridOption>;

enum TGridState { gsNormal, gsSelecting, gsRowSizing, gsColSizing, gsRowMoving, gsColMoving };

enum TGridDrawStateItem { gdSelected, gdFocused, gdFixed };
using TGridDrawState = TSet<TGridDrawStateItem>;

enum TGridScrollDirection { sdLeft, sdRight, sdUp, sdDown };
using TGridScrollDirections = TSet<TGridScrollDirection>;

struct TGridCoord {
  int X = 0;
  int Y = 0;
  friend bool operator==(const TGridCoord&, const TGridCoord&) = default;
};

// A block of cells, corners included (Left..Right, Top..Bottom).
struct TGridRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  friend bool operator==(const TGridRect&, const TGridRect&) = default;
};

// A cell laid out along an axis: its index, where it starts and its width
// (height) without the line.
struct TGridCellSpan {
  int Index = 0;
  int Start = 0;
  int Extent = 0;
  friend bool operator==(const TGridCellSpan&, const TGridCellSpan&) = default;
};

// The layout of one axis for the current scroll position.
struct TGridAxisDrawInfo {
  int EffectiveLineWidth = 0;   // grid-line width when lines are drawn, else 0
  int FixedBoundary = 0;        // pixels taken by the fixed cells (with lines)
  int GridBoundary = 0;         // end of the last drawn cell, at most GridExtent
  int GridExtent = 0;           // the client extent
  int LastFullVisibleCell = 0;  // the last scrolling cell shown whole
  int FullVisBoundary = 0;      // end of LastFullVisibleCell
  int FixedCellCount = 0;
  int FirstGridCell = 0;  // LeftCol or TopRow
  int GridCellCount = 0;  // ColCount or RowCount
  // The width (height) of a cell, without the line.
  std::function<int(int)> GetExtent;
  // The cells laid out, in order: every fixed cell, then the scrolling
  // cells from FirstGridCell on, as far as they can be drawn or hit. The
  // first ShownCellCount of them are drawn; any after those (only hidden
  // cells with negative extents lead to that) count for hit tests alone.
  std::vector<TGridCellSpan> Cells;
  int ShownCellCount = 0;

  // Where cell `index` starts and ends (without its line) when it is
  // drawn; false when it is not. Fixed cells are always drawn.
  bool CellSpan(int index, int& start, int& end) const;
  // The cell at pixel `n`, or -1 for none (a line after a cell belongs to
  // the cell).
  int CellAt(int n) const;
  // The smallest first scrolling cell that still shows `last` whole (but
  // not below the fixed cells). Depends on the extent and the fixed cells
  // only, not on FirstGridCell.
  int FirstShowingWhole(int last) const;
};

struct TGridDrawInfo {
  TGridAxisDrawInfo Horz;
  TGridAxisDrawInfo Vert;
};

class TCustomGrid;
using TSelectCellEvent = std::function<void(TObject* sender, int col, int row, bool& canSelect)>;
using TMovedEvent = std::function<void(TObject* sender, int fromIndex, int toIndex)>;

class TCustomGrid : public TCustomControl {
  MEBRATH_CLASS(TCustomGrid, TCustomControl)
 public:
  // --- geometry
  int ColCount() const { return FColCount; }
  // Keeps at least FixedCols + 1 columns; raises EInvalidGridOperation
  // "Fixed column count must be less than column count" otherwise.
  void SetColCount(int value);
  int RowCount() const { return FRowCount; }
  void SetRowCount(int value);
  int FixedCols() const { return FFixedCols; }
  // REQUIRES: 0 <= value < ColCount (else EInvalidGridOperation).
  void SetFixedCols(int value);
  int FixedRows() const { return FFixedRows; }
  void SetFixedRows(int value);
  // Raises EInvalidGridOperation "Grid index out of range" for a bad index.
  int ColWidths(int index) const;
  void SetColWidths(int index, int value);
  int RowHeights(int index) const;
  void SetRowHeights(int index, int value);
  int DefaultColWidth() const { return FDefaultColWidth; }
  // Sets every column to the new width.
  void SetDefaultColWidth(int value);
  int DefaultRowHeight() const { return FDefaultRowHeight; }
  // Drops every individual row height.
  void SetDefaultRowHeight(int value);
  int GridLineWidth() const { return FGridLineWidth; }
  void SetGridLineWidth(int value);
  // Whether Tab stops on a column (all do by default).
  bool TabStops(int index) const;
  void SetTabStops(int index, bool value);
  // The pixels taken by all visible cells (to the end of the last drawn one).
  int GridWidth();
  int GridHeight();

  // --- position
  int Col() const { return FCurrent.X; }
  void SetCol(int value);
  int Row() const { return FCurrent.Y; }
  void SetRow(int value);
  int LeftCol() const { return FTopLeft.X; }
  void SetLeftCol(int value);
  int TopRow() const { return FTopLeft.Y; }
  void SetTopRow(int value);
  // How many scrolling columns (rows) are shown whole; at least 1: when
  // none fits, the first one counts.
  int VisibleColCount();
  int VisibleRowCount();
  TGridRect Selection() const;
  void SetSelection(const TGridRect& value);

  // --- options and look
  TGridOptions Options() const { return FOptions; }
  void SetOptions(TGridOptions value);
  TColor FixedColor() const { return FFixedColor; }
  void SetFixedColor(TColor value);
  bool DefaultDrawing() const { return FDefaultDrawing; }
  void SetDefaultDrawing(bool value);
  TFormBorderStyle BorderStyle() const { return FBorderStyle; }
  // bsNone or bsSingle.
  void SetBorderStyle(TFormBorderStyle value);
  TScrollStyle ScrollBars() const { return FScrollBars; }
  void SetScrollBars(TScrollStyle value);

  // --- editor
  bool EditorMode() const { return FEditorMode; }
  // True shows the editor (when CanEditShow), false hides it.
  void SetEditorMode(bool value);
  TInplaceEdit* InplaceEditor() const { return FInplaceEdit; }

  // --- cells and points
  // The client rectangle of a cell; empty when it is not visible.
  TRect CellRect(int col, int row);
  // The cell under a client point; (-1, -1) outside the cells.
  TGridCoord MouseCoord(int x, int y);
  void MouseToCell(int x, int y, int& col, int& row);

  // --- repainting
  void InvalidateCell(int col, int row);
  void InvalidateCol(int col);
  void InvalidateRow(int row);
  void InvalidateGrid();
  // Repaints the editor's window when it shows.
  void InvalidateEditor();

  // --- events
  TSelectCellEvent OnSelectCell;
  TNotifyEvent OnTopLeftChanged;
  TMovedEvent OnColumnMoved;
  TMovedEvent OnRowMoved;

 protected:
  explicit TCustomGrid(TComponent* owner);
  void BeforeDestruction() override;

  // --- layout
  // The layout for the current client size, scroll position, counts, sizes
  // and line options. Worked out on the first query after any of them
  // changes; the reference holds until the grid changes.
  const TGridDrawInfo& DrawInfo();
  // A copy of DrawInfo().
  void CalcDrawInfo(TGridDrawInfo& info);
  // The layout for a client area of the given size.
  void CalcDrawInfoXY(TGridDrawInfo& info, int width, int height);
  // Only the fixed parts (for hit tests in the fixed area).
  void CalcFixedInfo(TGridDrawInfo& info);
  // What a press at (x, y) would start: gsRowSizing/gsColSizing with the
  // index of the cell whose edge is grabbed, the line position and the
  // offset from the pointer to it; gsNormal otherwise.
  virtual void CalcSizingState(int x, int y, TGridState& state, int& index, int& sizingPos,
                               int& sizingOfs, TGridDrawInfo& fixedInfo);
  TGridState GridState() const { return FGridState; }
  void SetGridState(TGridState value) { FGridState = value; }

  // --- moving the current cell and the view
  // Makes (col, row) current (the anchor too when moveAnchor) and scrolls
  // it into view.
  void FocusCell(int col, int row, bool moveAnchor);
  // As FocusCell, scrolling only when `show`. Raises EInvalidGridOperation
  // "Grid index out of range" for a cell outside the grid.
  void MoveColRow(int col, int row, bool moveAnchor, bool show);
  // Scrolls so that the current cell is visible.
  void ClampInView(TGridCoord coord);
  void MoveTopLeft(int left, int top);

  // --- hooks
  virtual void DrawCell(int col, int row, const TRect& rect, TGridDrawState state);
  virtual bool SelectCell(int col, int row);
  virtual void TopLeftChanged();
  virtual void ColWidthsChanged();
  virtual void RowHeightsChanged();
  // Fires OnColumnMoved; a grid whose columns are numbered otherwise
  // reports its own numbers.
  virtual void ColumnMoved(int fromIndex, int toIndex);
  virtual void RowMoved(int fromIndex, int toIndex);
  virtual void TimedScroll(TGridScrollDirections direction);
  // Scales the default sizes and every width and height by m/d.
  virtual void ChangeScale(int m, int d);
  virtual bool BeginColumnDrag(int& origin, int& destination, TPoint mousePt);
  virtual bool CheckColumnDrag(int& origin, int& destination, TPoint mousePt);
  virtual bool EndColumnDrag(int& origin, int& destination, TPoint mousePt);
  virtual bool BeginRowDrag(int& origin, int& destination, TPoint mousePt);
  virtual bool CheckRowDrag(int& origin, int& destination, TPoint mousePt);
  virtual bool EndRowDrag(int& origin, int& destination, TPoint mousePt);
  // Whether the grid handles this key itself (rather than the editor).
  virtual bool CanGridAcceptKey(unsigned key, TShiftState shift);
  // A turn of the wheel towards the user (away from the user) that the
  // OnMouseWheel handlers left: moves the current row down (up) by one.
  // Returns whether the wheel was used; the grid's always is.
  virtual bool DoMouseWheelDown(TShiftState shift, TPoint mousePos);
  virtual bool DoMouseWheelUp(TShiftState shift, TPoint mousePos);

  // --- editor hooks
  virtual TInplaceEdit* CreateEditor();
  virtual bool CanEditShow();
  virtual bool CanEditAcceptKey(char32_t key);
  virtual bool CanEditModify();
  // The longest text the editor takes, in characters; 0 for no limit.
  virtual int GetEditLimit();
  virtual std::string GetEditMask(int col, int row);
  virtual std::string GetEditText(int col, int row);
  virtual void SetEditText(int col, int row, const std::string& value);
  virtual void ShowEditor();
  virtual void HideEditor();
  // Puts the editor over the current cell with the cell's text (hides it
  // when CanEditShow says no).
  virtual void UpdateEdit();
  // Hands the editor's text to SetEditText.
  void UpdateText();
  // Shows the editor and types `ch` into it.
  void ShowEditorChar(char32_t ch);

  // --- structure changes
  void MoveColumn(int fromIndex, int toIndex);
  void MoveRow(int fromIndex, int toIndex);
  void DeleteColumn(int index);
  void DeleteRow(int index);

  // TControl / TWinControl
  void WndProc(TMessage& message) override;
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void Paint() override;
  void KeyDown(unsigned& key, TShiftState shift) override;
  void KeyPress(char32_t& key) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  bool DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) override;
  void DoExit() override;
  void Resize() override;

  // The timer of TimedScroll.
  static constexpr unsigned kScrollTimerId = 1;
  static constexpr unsigned kScrollTimerInterval = 60;

  TInplaceEdit* FInplaceEdit = nullptr;
  int FInplaceCol = -1;
  int FInplaceRow = -1;

 private:
  friend class TInplaceEdit;
  // The widths (heights) of one axis. Every change counts in Version(),
  // which tells the layout cache that it is stale.
  class TAxisSizes {
   public:
    int operator[](int index) const { return FSizes[static_cast<std::size_t>(index)]; }
    unsigned Version() const { return FVersion; }
    void Set(int index, int value);
    void Assign(int count, int value);
    void Resize(int count, int value);
    void Move(int fromIndex, int toIndex);
    void Scale(int m, int d);

   private:
    std::vector<int> FSizes;
    unsigned FVersion = 0;
  };
  // Everything the layout depends on; the cache is rebuilt when it differs.
  struct TLayoutKey {
    int Width = -1;
    int Height = -1;
    TGridCoord TopLeft;
    int ColCount = 0;
    int RowCount = 0;
    int FixedCols = 0;
    int FixedRows = 0;
    int LineWidth = 0;
    bool FixedVertLine = false;
    bool VertLine = false;
    bool FixedHorzLine = false;
    bool HorzLine = false;
    unsigned ColSizes = 0;
    unsigned RowSizes = 0;
    friend bool operator==(const TLayoutKey&, const TLayoutKey&) = default;
  };
  TLayoutKey LayoutKey() const;
  // DrawInfo() held for as long as the caller keeps it, whatever changes.
  std::shared_ptr<const TGridDrawInfo> LayoutSnapshot();
  void CalcAxis(TGridAxisDrawInfo& axis, int extent, bool fixedLines, bool lines, bool horizontal,
                int fixedCount, int first, int count) const;
  int ColExtent(int index) const { return FColWidths[index]; }
  int RowExtent(int index) const { return FRowHeights[index]; }
  void ChangeSize(int newColCount, int newRowCount);
  void MoveAnchor(TGridCoord coord);
  void MoveCurrent(int col, int row, bool moveAnchor, bool show);
  void ScrollDataInfo(int oldLeft, int oldTop);
  void UpdateScrollRange();
  // True when a descendant sets the vertical bar itself (a data grid shows
  // the dataset's position there, not its rows').
  virtual bool OwnsVertScrollBar() const { return false; }
  void UpdateScrollPos();
  void ModifyScrollBar(int bar, int code, int pos);
  int MaxTopLeft(bool horizontal);
  void InvalidateRectIfShown(const TRect& r);
  void SelectionMoved(const TGridRect& oldSel);
  void DrawSizingLine(const TGridDrawInfo& info);
  void DrawMove();
  void CancelMode();
  void HideEdit();
  TGridRect GridRectNormalized(TGridCoord a, TGridCoord b) const;

  int FColCount = 5;
  int FRowCount = 5;
  int FFixedCols = 1;
  int FFixedRows = 1;
  int FDefaultColWidth = 64;
  int FDefaultRowHeight = 24;
  int FGridLineWidth = 1;
  TAxisSizes FColWidths;
  TAxisSizes FRowHeights;
  std::shared_ptr<TGridDrawInfo> FLayout;  // null until first asked for
  TLayoutKey FLayoutKey;
  std::vector<bool> FTabStops;
  TGridCoord FCurrent{1, 1};
  TGridCoord FAnchor{1, 1};
  TGridCoord FTopLeft{1, 1};
  TGridOptions FOptions{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect};
  TColor FFixedColor = clBtnFace;
  bool FDefaultDrawing = true;
  TFormBorderStyle FBorderStyle = bsSingle;
  TScrollStyle FScrollBars = ssBoth;
  bool FEditorMode = false;
  std::string FEditOriginalText;  // restored by Esc
  bool FUpdatingEditor = false;

  // Mouse state.
  TGridState FGridState = gsNormal;
  int FSizingIndex = 0;
  int FSizingPos = 0;
  int FSizingOfs = 0;
  bool FSizingLineShown = false;
  int FMoveIndex = 0;
  int FMovePos = 0;
  bool FMoveLineShown = false;
  TPoint FHitTest;
  bool FTimerActive = false;
  bool FClickedCurrent = false;  // the press was on the current cell
};
