#include "platform/widgets/grids.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <utility>

#include "platform/base/math_utils.h"
#include "platform/base/scope_guard.h"
#include "platform/draw/cursors.h"
#include "platform/draw/draw_text.h"
#include "platform/draw/draw_utils.h"
#include "platform/gui/gui_host.h"
#include "platform/gui/message_queue.h"
#include "platform/gui/scrolling.h"
#include "platform/widgets/grid_inplace_edit.h"

namespace {

const char kFixedColTooBig[] = "Fixed column count must be less than column count";
const char kFixedRowTooBig[] = "Fixed row count must be less than row count";

// Fixed lines are drawn darker than data lines: the fixed area reads as a
// frame around the data.
constexpr TColor kFixedLineColor = clBtnShadow;
constexpr TColor kDataLineColor = clSilver;

// How near (pixels) to a cell edge a press starts sizing.
constexpr int kSizingBand = 3;

template <class T>
void MoveItem(std::vector<T>& v, int from, int to) {
  T item = v[static_cast<std::size_t>(from)];
  v.erase(v.begin() + from);
  v.insert(v.begin() + to, item);
}

// Where `index` ends up when the item at `from` moves to `to`.
int MoveAdjust(int index, int from, int to) {
  if (index == from) return to;
  if (from < index && index <= to) return index - 1;
  if (to <= index && index < from) return index + 1;
  return index;
}

}  // namespace

// --- construction -------------------------------------------------------------

TCustomGrid::TCustomGrid(TComponent* owner) : TCustomControl(owner) {
  SetControlStyle(ControlStyle() + csOpaque + csDoubleClicks);
  SetTabStop(true);
  SetColor(clWindow);
  FColWidths.Assign(FColCount, FDefaultColWidth);
  FRowHeights.Assign(FRowCount, FDefaultRowHeight);
  FTabStops.assign(static_cast<std::size_t>(FColCount), true);
  SetBounds(0, 0, 320, 120);
}

void TCustomGrid::BeforeDestruction() {
  if (HandleAllocated()) KillTimer(Handle(), kScrollTimerId);
  TCustomControl::BeforeDestruction();
}

void TCustomGrid::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  params.Style |= WS_TABSTOP | WS_CLIPCHILDREN;
  if (FScrollBars == ssVertical || FScrollBars == ssBoth) params.Style |= WS_VSCROLL;
  if (FScrollBars == ssHorizontal || FScrollBars == ssBoth) params.Style |= WS_HSCROLL;
  if (FBorderStyle == bsSingle) params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomGrid::CreateWnd() {
  TCustomControl::CreateWnd();
  UpdateScrollRange();
}

// --- geometry -----------------------------------------------------------------

void TCustomGrid::TAxisSizes::Set(int index, int value) {
  FSizes[static_cast<std::size_t>(index)] = value;
  ++FVersion;
}

void TCustomGrid::TAxisSizes::Assign(int count, int value) {
  FSizes.assign(static_cast<std::size_t>(count), value);
  ++FVersion;
}

void TCustomGrid::TAxisSizes::Resize(int count, int value) {
  FSizes.resize(static_cast<std::size_t>(count), value);
  ++FVersion;
}

void TCustomGrid::TAxisSizes::Move(int fromIndex, int toIndex) {
  MoveItem(FSizes, fromIndex, toIndex);
  ++FVersion;
}

void TCustomGrid::TAxisSizes::Scale(int m, int d) {
  for (int& size : FSizes) size = MulDiv(size, m, d);
  ++FVersion;
}

void TCustomGrid::SetColCount(int value) {
  if (value == FColCount) return;
  if (value < 1) value = 1;
  if (value <= FFixedCols) SetFixedCols(value - 1);
  ChangeSize(value, FRowCount);
  if (FOptions.Contains(goRowSelect)) FAnchor.X = FColCount - 1;
}

void TCustomGrid::SetRowCount(int value) {
  if (value == FRowCount) return;
  if (value < 1) value = 1;
  if (value <= FFixedRows) SetFixedRows(value - 1);
  ChangeSize(FColCount, value);
}

void TCustomGrid::ChangeSize(int newColCount, int newRowCount) {
  HideEdit();
  FColWidths.Resize(newColCount, FDefaultColWidth);
  FTabStops.resize(static_cast<std::size_t>(newColCount), true);
  FRowHeights.Resize(newRowCount, FDefaultRowHeight);
  FColCount = newColCount;
  FRowCount = newRowCount;
  auto clamp = [](TGridCoord& c, int cols, int rows) {
    c.X = std::min(c.X, cols - 1);
    c.Y = std::min(c.Y, rows - 1);
  };
  clamp(FCurrent, FColCount, FRowCount);
  clamp(FAnchor, FColCount, FRowCount);
  FTopLeft.X = std::clamp(FTopLeft.X, FFixedCols, std::max(FFixedCols, MaxTopLeft(true)));
  FTopLeft.Y = std::clamp(FTopLeft.Y, FFixedRows, std::max(FFixedRows, MaxTopLeft(false)));
  UpdateScrollRange();
  InvalidateGrid();
  if (FEditorMode) UpdateEdit();
}

void TCustomGrid::SetFixedCols(int value) {
  if (value == FFixedCols) return;
  if (value < 0 || value >= FColCount) throw EInvalidGridOperation(kFixedColTooBig);
  FFixedCols = value;
  FCurrent.X = std::max(FCurrent.X, value);
  FAnchor.X = std::max(FAnchor.X, value);
  FTopLeft.X = std::max(FTopLeft.X, value);
  if (FTopLeft.X > MaxTopLeft(true)) FTopLeft.X = std::max(value, MaxTopLeft(true));
  UpdateScrollRange();
  InvalidateGrid();
}

void TCustomGrid::SetFixedRows(int value) {
  if (value == FFixedRows) return;
  if (value < 0 || value >= FRowCount) throw EInvalidGridOperation(kFixedRowTooBig);
  FFixedRows = value;
  FCurrent.Y = std::max(FCurrent.Y, value);
  FAnchor.Y = std::max(FAnchor.Y, value);
  FTopLeft.Y = std::max(FTopLeft.Y, value);
  if (FTopLeft.Y > MaxTopLeft(false)) FTopLeft.Y = std::max(value, MaxTopLeft(false));
  UpdateScrollRange();
  InvalidateGrid();
}

int TCustomGrid::ColWidths(int index) const {
  if (index < 0 || index >= FColCount) throw EInvalidGridOperation(kGridIndexOutOfRange);
  return ColExtent(index);
}

void TCustomGrid::SetColWidths(int index, int value) {
  if (index < 0 || index >= FColCount) throw EInvalidGridOperation(kGridIndexOutOfRange);
  if (ColExtent(index) == value) return;
  FColWidths.Set(index, value);
  ColWidthsChanged();
}

int TCustomGrid::RowHeights(int index) const {
  if (index < 0 || index >= FRowCount) throw EInvalidGridOperation(kGridIndexOutOfRange);
  return RowExtent(index);
}

void TCustomGrid::SetRowHeights(int index, int value) {
  if (index < 0 || index >= FRowCount) throw EInvalidGridOperation(kGridIndexOutOfRange);
  if (RowExtent(index) == value) return;
  FRowHeights.Set(index, value);
  RowHeightsChanged();
}

void TCustomGrid::SetDefaultColWidth(int value) {
  if (value == FDefaultColWidth) return;
  FDefaultColWidth = value;
  FColWidths.Assign(FColCount, value);
  ColWidthsChanged();
}

void TCustomGrid::SetDefaultRowHeight(int value) {
  FDefaultRowHeight = value;
  // Always drops individual heights, even when the default stays: the data
  // grid relies on that to reset its rows.
  FRowHeights.Assign(FRowCount, value);
  RowHeightsChanged();
}

void TCustomGrid::SetGridLineWidth(int value) {
  if (value == FGridLineWidth) return;
  FGridLineWidth = std::max(0, value);
  ColWidthsChanged();
}

bool TCustomGrid::TabStops(int index) const {
  if (index < 0 || index >= FColCount) throw EInvalidGridOperation(kGridIndexOutOfRange);
  return FTabStops[static_cast<std::size_t>(index)];
}

void TCustomGrid::SetTabStops(int index, bool value) {
  if (index < 0 || index >= FColCount) throw EInvalidGridOperation(kGridIndexOutOfRange);
  FTabStops[static_cast<std::size_t>(index)] = value;
}

void TCustomGrid::ColWidthsChanged() {
  UpdateScrollRange();
  InvalidateGrid();
  if (FEditorMode) UpdateEdit();
}

void TCustomGrid::RowHeightsChanged() {
  UpdateScrollRange();
  InvalidateGrid();
  if (FEditorMode) UpdateEdit();
}

void TCustomGrid::ChangeScale(int m, int d) {
  if (m == d || d == 0) return;
  FDefaultColWidth = MulDiv(FDefaultColWidth, m, d);
  FDefaultRowHeight = MulDiv(FDefaultRowHeight, m, d);
  FColWidths.Scale(m, d);
  FRowHeights.Scale(m, d);
  ColWidthsChanged();
  RowHeightsChanged();
}

// --- draw info ------------------------------------------------------------------

bool TGridAxisDrawInfo::CellSpan(int index, int& start, int& end) const {
  std::size_t k;
  if (index < FixedCellCount) {
    if (index < 0) return false;
    k = static_cast<std::size_t>(index);
  } else {
    if (index < FirstGridCell || index - FirstGridCell >= ShownCellCount - FixedCellCount)
      return false;
    k = static_cast<std::size_t>(FixedCellCount + index - FirstGridCell);
  }
  start = Cells[k].Start;
  end = start + Cells[k].Extent;
  return true;
}

int TGridAxisDrawInfo::CellAt(int n) const {
  if (n < 0) return -1;
  const int lw = EffectiveLineWidth;
  const auto fixedEnd = Cells.begin() + FixedCellCount;
  if (n < FixedBoundary) {
    for (auto c = Cells.begin(); c != fixedEnd; ++c)
      if (n < c->Start + c->Extent + lw) return c->Index;
    return -1;
  }
  for (auto c = fixedEnd; c != Cells.end(); ++c) {
    const int line = c->Start + c->Extent + lw;
    if (n < line) return n < GridExtent ? c->Index : -1;
    if (line > GridExtent) break;
  }
  return -1;
}

int TGridAxisDrawInfo::FirstShowingWhole(int last) const {
  const int lw = EffectiveLineWidth;
  const int room = GridExtent + lw - FixedBoundary;
  int first = last;
  int used = GetExtent(last) + lw;
  while (first > FixedCellCount && used + GetExtent(first - 1) + lw <= room) {
    --first;
    used += GetExtent(first) + lw;
  }
  return first;
}

void TCustomGrid::CalcAxis(TGridAxisDrawInfo& axis, int extent, bool fixedLines, bool lines,
                           bool horizontal, int fixedCount, int first, int count) const {
  const TAxisSizes& sizes = horizontal ? FColWidths : FRowHeights;
  axis.EffectiveLineWidth = (fixedLines || lines) ? FGridLineWidth : 0;
  axis.GetExtent = [&sizes](int i) { return sizes[i]; };
  axis.FixedCellCount = fixedCount;
  axis.FirstGridCell = first;
  axis.GridCellCount = count;
  axis.GridExtent = extent;
  axis.Cells.clear();
  const int lw = axis.EffectiveLineWidth;
  int pos = 0;
  for (int i = 0; i < fixedCount; ++i) {
    axis.Cells.push_back({i, pos, sizes[i]});
    pos += sizes[i] + lw;
  }
  axis.FixedBoundary = pos;
  axis.GridBoundary = pos;
  axis.FullVisBoundary = pos;
  axis.LastFullVisibleCell = first;
  for (int i = first; i < count; ++i) {
    axis.GridBoundary += sizes[i] + lw;
    if (axis.GridBoundary > extent + lw) {
      axis.GridBoundary = extent;
      break;
    }
    axis.LastFullVisibleCell = i;
    axis.FullVisBoundary = axis.GridBoundary;
  }
  // The scrolling cells: drawn while they start before the grid boundary;
  // hit tests go on to the first one that crosses the client edge. With
  // non-negative extents both stop at the same cell.
  bool drawn = true;
  bool hit = true;
  axis.ShownCellCount = fixedCount;
  for (int i = first; i < count && (drawn || hit); ++i) {
    drawn = drawn && pos < axis.GridBoundary;
    if (!drawn && !hit) break;
    if (drawn) ++axis.ShownCellCount;
    axis.Cells.push_back({i, pos, sizes[i]});
    pos += sizes[i] + lw;
    hit = hit && pos <= extent;
  }
}

void TCustomGrid::CalcDrawInfoXY(TGridDrawInfo& info, int width, int height) {
  CalcAxis(info.Horz, width, FOptions.Contains(goFixedVertLine), FOptions.Contains(goVertLine),
           true, FFixedCols, FTopLeft.X, FColCount);
  CalcAxis(info.Vert, height, FOptions.Contains(goFixedHorzLine), FOptions.Contains(goHorzLine),
           false, FFixedRows, FTopLeft.Y, FRowCount);
}

TCustomGrid::TLayoutKey TCustomGrid::LayoutKey() const {
  const TRect client = ClientRect();
  return {client.Right,
          client.Bottom,
          FTopLeft,
          FColCount,
          FRowCount,
          FFixedCols,
          FFixedRows,
          FGridLineWidth,
          FOptions.Contains(goFixedVertLine),
          FOptions.Contains(goVertLine),
          FOptions.Contains(goFixedHorzLine),
          FOptions.Contains(goHorzLine),
          FColWidths.Version(),
          FRowHeights.Version()};
}

// Every query checks the key, so no change can leave a stale layout behind,
// whichever path it takes (setters, messages, the parent resizing us).
const TGridDrawInfo& TCustomGrid::DrawInfo() {
  TLayoutKey key = LayoutKey();
  if (FLayout == nullptr || !(key == FLayoutKey)) {
    // A layout still held by a paint in progress is left to it.
    if (FLayout == nullptr || FLayout.use_count() > 1) FLayout = std::make_shared<TGridDrawInfo>();
    CalcDrawInfoXY(*FLayout, key.Width, key.Height);
    FLayoutKey = key;
  }
  return *FLayout;
}

std::shared_ptr<const TGridDrawInfo> TCustomGrid::LayoutSnapshot() {
  DrawInfo();
  return FLayout;
}

void TCustomGrid::CalcDrawInfo(TGridDrawInfo& info) { info = DrawInfo(); }

void TCustomGrid::CalcFixedInfo(TGridDrawInfo& info) {
  CalcAxis(info.Horz, ClientWidth(), FOptions.Contains(goFixedVertLine),
           FOptions.Contains(goVertLine), true, FFixedCols, FFixedCols, FFixedCols);
  CalcAxis(info.Vert, ClientHeight(), FOptions.Contains(goFixedHorzLine),
           FOptions.Contains(goHorzLine), false, FFixedRows, FFixedRows, FFixedRows);
}

TRect TCustomGrid::CellRect(int col, int row) {
  if (col < 0 || row < 0 || col >= FColCount || row >= FRowCount) return {};
  const TGridDrawInfo& info = DrawInfo();
  TRect r;
  if (!info.Horz.CellSpan(col, r.Left, r.Right) || !info.Vert.CellSpan(row, r.Top, r.Bottom))
    return {};
  return r;
}

TGridCoord TCustomGrid::MouseCoord(int x, int y) {
  const TGridDrawInfo& info = DrawInfo();
  TGridCoord c{info.Horz.CellAt(x), info.Vert.CellAt(y)};
  if (c.X < 0 || c.Y < 0) return {-1, -1};
  return c;
}

void TCustomGrid::MouseToCell(int x, int y, int& col, int& row) {
  TGridCoord c = MouseCoord(x, y);
  col = c.X;
  row = c.Y;
}

int TCustomGrid::GridWidth() { return DrawInfo().Horz.GridBoundary; }

int TCustomGrid::GridHeight() { return DrawInfo().Vert.GridBoundary; }

int TCustomGrid::VisibleColCount() {
  return std::max(0, DrawInfo().Horz.LastFullVisibleCell - FTopLeft.X + 1);
}

int TCustomGrid::VisibleRowCount() {
  return std::max(0, DrawInfo().Vert.LastFullVisibleCell - FTopLeft.Y + 1);
}

// The smallest first cell that still shows the last one whole (the fixed
// count at least).
int TCustomGrid::MaxTopLeft(bool horizontal) {
  const TGridDrawInfo& info = DrawInfo();
  const TGridAxisDrawInfo& a = horizontal ? info.Horz : info.Vert;
  if (a.GridCellCount <= a.FixedCellCount) return a.FixedCellCount;
  return a.FirstShowingWhole(a.GridCellCount - 1);
}

// --- position ---------------------------------------------------------------------

TGridRect TCustomGrid::GridRectNormalized(TGridCoord a, TGridCoord b) const {
  return {std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y)};
}

TGridRect TCustomGrid::Selection() const { return GridRectNormalized(FCurrent, FAnchor); }

void TCustomGrid::SetSelection(const TGridRect& value) {
  TGridRect old = Selection();
  FAnchor = {value.Left, value.Top};
  FCurrent = {value.Right, value.Bottom};
  if (FOptions.Contains(goRowSelect)) {
    FCurrent.X = FFixedCols;
    FAnchor.X = FColCount - 1;
  }
  ClampInView(FCurrent);
  SelectionMoved(old);
}

void TCustomGrid::SetCol(int value) {
  if (value != FCurrent.X) FocusCell(value, FCurrent.Y, true);
}

void TCustomGrid::SetRow(int value) {
  if (value != FCurrent.Y) FocusCell(FCurrent.X, value, true);
}

void TCustomGrid::SetLeftCol(int value) {
  if (value != FTopLeft.X) MoveTopLeft(value, FTopLeft.Y);
}

void TCustomGrid::SetTopRow(int value) {
  if (value != FTopLeft.Y) MoveTopLeft(FTopLeft.X, value);
}

void TCustomGrid::FocusCell(int col, int row, bool moveAnchor) {
  MoveColRow(col, row, moveAnchor, true);
  if (FEditorMode) UpdateEdit();
  Click();
}

void TCustomGrid::MoveColRow(int col, int row, bool moveAnchor, bool show) {
  MoveCurrent(col, row, moveAnchor, show);
}

void TCustomGrid::MoveCurrent(int col, int row, bool moveAnchor, bool show) {
  if (col < 0 || row < 0 || col >= FColCount || row >= FRowCount)
    throw EInvalidGridOperation(kGridIndexOutOfRange);
  if (!SelectCell(col, row)) return;
  TGridRect old = Selection();
  bool moved = col != FCurrent.X || row != FCurrent.Y;
  if (moved) {
    UpdateText();
    if (!FOptions.Contains(goAlwaysShowEditor)) {
      FEditorMode = false;
      HideEdit();
    }
  }
  FCurrent = {col, row};
  if (moveAnchor || !FOptions.Contains(goRangeSelect)) FAnchor = FCurrent;
  if (FOptions.Contains(goRowSelect)) {
    FCurrent.X = FFixedCols;
    FAnchor.X = FColCount - 1;
  }
  if (show) ClampInView(FCurrent);
  SelectionMoved(old);
  if (moved && FEditorMode) UpdateEdit();
}

void TCustomGrid::MoveAnchor(TGridCoord coord) {
  if (!FOptions.Contains(goRangeSelect)) {
    MoveCurrent(coord.X, coord.Y, true, true);
    return;
  }
  TGridRect old = Selection();
  FAnchor = coord;
  if (FOptions.Contains(goRowSelect)) FAnchor.X = FColCount - 1;
  ClampInView(coord);
  SelectionMoved(old);
}

void TCustomGrid::ClampInView(TGridCoord coord) {
  if (!HandleAllocated()) return;
  const TGridDrawInfo& info = DrawInfo();
  int left = FTopLeft.X;
  int top = FTopLeft.Y;
  auto clampAxis = [](const TGridAxisDrawInfo& a, int c, int current) {
    if (c < a.FixedCellCount) return current;
    if (c < current) return c;
    if (c > a.LastFullVisibleCell ||
        (c == a.LastFullVisibleCell && a.FullVisBoundary > a.GridExtent)) {
      // Scroll so that `c` is the last cell shown whole.
      return std::max(a.FirstShowingWhole(c), current);
    }
    return current;
  };
  if (!FOptions.Contains(goRowSelect)) left = clampAxis(info.Horz, coord.X, left);
  top = clampAxis(info.Vert, coord.Y, top);
  MoveTopLeft(left, top);
}

void TCustomGrid::MoveTopLeft(int left, int top) {
  left = std::clamp(left, FFixedCols, std::max(FFixedCols, MaxTopLeft(true)));
  top = std::clamp(top, FFixedRows, std::max(FFixedRows, MaxTopLeft(false)));
  if (left == FTopLeft.X && top == FTopLeft.Y) return;
  TGridCoord old = FTopLeft;
  FTopLeft = {left, top};
  ScrollDataInfo(old.X, old.Y);
  TopLeftChanged();
}

void TCustomGrid::TopLeftChanged() {
  UpdateScrollPos();
  if (FEditorMode && FInplaceEdit != nullptr) UpdateEdit();
  if (OnTopLeftChanged) OnTopLeftChanged(this);
}

// Scrolling by less than a screen moves what stays visible (ScrollWindow)
// and repaints only the cells that come into view; anything else repaints
// the whole grid.
void TCustomGrid::ScrollDataInfo(int oldLeft, int oldTop) {
  if (!HandleAllocated()) return;
  const TGridDrawInfo& info = DrawInfo();
  auto distance = [](const TGridAxisDrawInfo& a, int from, int to) {
    int d = 0;
    for (int i = std::min(from, to); i < std::max(from, to); ++i)
      d += a.GetExtent(i) + a.EffectiveLineWidth;
    return from < to ? -d : d;
  };
  int dx = distance(info.Horz, oldLeft, FTopLeft.X);
  int dy = distance(info.Vert, oldTop, FTopLeft.Y);
  const int width = ClientWidth();
  const int height = ClientHeight();
  if ((dx != 0 && dy != 0) || std::abs(dx) >= width - info.Horz.FixedBoundary ||
      std::abs(dy) >= height - info.Vert.FixedBoundary) {
    InvalidateGrid();
    return;
  }
  if (dy != 0) {
    TRect area{0, info.Vert.FixedBoundary, width, height};
    ScrollWindow(Handle(), 0, dy, &area, &area);
    TRect exposed = dy < 0 ? TRect{0, std::max(area.Top, height + dy), width, height}
                           : TRect{0, area.Top, width, area.Top + dy};
    InvalidateRect(Handle(), &exposed, false);
  } else if (dx != 0) {
    TRect area{info.Horz.FixedBoundary, 0, width, height};
    ScrollWindow(Handle(), dx, 0, &area, &area);
    TRect exposed = dx < 0 ? TRect{std::max(area.Left, width + dx), 0, width, height}
                           : TRect{area.Left, 0, area.Left + dx, height};
    InvalidateRect(Handle(), &exposed, false);
  }
}

// --- repainting ---------------------------------------------------------------------

void TCustomGrid::InvalidateRectIfShown(const TRect& r) {
  if (!HandleAllocated() || IsRectEmpty(r)) return;
  InvalidateRect(Handle(), &r, false);
}

void TCustomGrid::InvalidateCell(int col, int row) { InvalidateRectIfShown(CellRect(col, row)); }

void TCustomGrid::InvalidateRow(int row) {
  TRect r = CellRect(FFixedCols > 0 ? 0 : FTopLeft.X, row);
  if (IsRectEmpty(r)) return;
  InvalidateRectIfShown({0, r.Top, ClientWidth(), r.Bottom + FGridLineWidth});
}

void TCustomGrid::InvalidateCol(int col) {
  TRect r = CellRect(col, FFixedRows > 0 ? 0 : FTopLeft.Y);
  if (IsRectEmpty(r)) return;
  InvalidateRectIfShown({r.Left, 0, r.Right + FGridLineWidth, ClientHeight()});
}

void TCustomGrid::InvalidateGrid() { Invalidate(); }

void TCustomGrid::InvalidateEditor() {
  FInplaceCol = -1;
  FInplaceRow = -1;
  UpdateEdit();
}

void TCustomGrid::SelectionMoved(const TGridRect& old) {
  if (!HandleAllocated()) return;
  TGridRect now = Selection();
  if (now == old) return;
  const TGridDrawInfo& info = DrawInfo();
  // The pixel span of cells lo..hi on an axis (visible part only).
  auto span = [](const TGridAxisDrawInfo& a, int lo, int hi, int& start, int& end) {
    start = -1;
    for (int i = lo; i <= hi; ++i) {
      int s, e;
      if (!a.CellSpan(i, s, e)) {
        if (i >= a.FirstGridCell) break;
        // Skip the cells scrolled out of view at once.
        if (i >= a.FixedCellCount) i = a.FirstGridCell - 1;
        continue;
      }
      if (start < 0) start = s;
      end = e + a.EffectiveLineWidth;
    }
    return start >= 0;
  };
  for (const TGridRect& g : {old, now}) {
    TRect r;
    if (span(info.Horz, g.Left, g.Right, r.Left, r.Right) &&
        span(info.Vert, g.Top, g.Bottom, r.Top, r.Bottom))
      InvalidateRectIfShown(r);
  }
}

// --- options and look ------------------------------------------------------------------

void TCustomGrid::SetOptions(TGridOptions value) {
  if (value == FOptions) return;
  if (value.Contains(goRowSelect)) value.Exclude(goAlwaysShowEditor);
  FOptions = value;
  if (!FEditorMode && value.Contains(goAlwaysShowEditor)) {
    FEditorMode = true;
  } else if (FEditorMode && !value.Contains(goEditing)) {
    FEditorMode = false;
  }
  if (value.Contains(goRowSelect)) {
    FCurrent.X = FFixedCols;
    FAnchor = {FColCount - 1, FCurrent.Y};
  }
  if (FEditorMode)
    UpdateEdit();
  else
    HideEdit();
  UpdateScrollRange();
  InvalidateGrid();
}

void TCustomGrid::SetFixedColor(TColor value) {
  if (value == FFixedColor) return;
  FFixedColor = value;
  InvalidateGrid();
}

void TCustomGrid::SetDefaultDrawing(bool value) {
  if (value == FDefaultDrawing) return;
  FDefaultDrawing = value;
  InvalidateGrid();
}

void TCustomGrid::SetBorderStyle(TFormBorderStyle value) {
  if (value != bsNone) value = bsSingle;
  if (value == FBorderStyle) return;
  FBorderStyle = value;
  if (HandleAllocated()) RecreateWnd();
}

void TCustomGrid::SetScrollBars(TScrollStyle value) {
  if (value == FScrollBars) return;
  FScrollBars = value;
  if (HandleAllocated()) RecreateWnd();
}

// --- scroll bars ------------------------------------------------------------------------

void TCustomGrid::UpdateScrollRange() {
  if (!HandleAllocated()) return;
  static thread_local int depth = 0;
  if (depth > 2) return;  // showing or hiding a bar resizes the client area
  ++depth;
  auto setBar = [&](int bar, bool wanted, int count, int fixed, int maxTop, int pos) {
    TScrollInfo si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = 0;
    si.nMax = wanted ? std::max(0, count - fixed - 1) : 0;
    si.nPage = wanted ? static_cast<unsigned>(std::max(1, count - maxTop)) : 1;
    si.nPos = wanted ? pos - fixed : 0;
    SetScrollInfo(Handle(), bar, si, true);
  };
  bool vert = FScrollBars == ssVertical || FScrollBars == ssBoth;
  bool horz = FScrollBars == ssHorizontal || FScrollBars == ssBoth;
  if (!OwnsVertScrollBar())
    setBar(SB_VERT, vert, FRowCount, FFixedRows, MaxTopLeft(false), FTopLeft.Y);
  setBar(SB_HORZ, horz, FColCount, FFixedCols, MaxTopLeft(true), FTopLeft.X);
  // The client area may have changed: keep the top-left cell in range.
  int left = std::min(FTopLeft.X, std::max(FFixedCols, MaxTopLeft(true)));
  int top = std::min(FTopLeft.Y, std::max(FFixedRows, MaxTopLeft(false)));
  --depth;
  MoveTopLeft(left, top);
}

void TCustomGrid::UpdateScrollPos() {
  if (!HandleAllocated()) return;
  if ((FScrollBars == ssVertical || FScrollBars == ssBoth) && !OwnsVertScrollBar())
    SetScrollPos(Handle(), SB_VERT, FTopLeft.Y - FFixedRows, true);
  if (FScrollBars == ssHorizontal || FScrollBars == ssBoth)
    SetScrollPos(Handle(), SB_HORZ, FTopLeft.X - FFixedCols, true);
}

void TCustomGrid::ModifyScrollBar(int bar, int code, int pos) {
  const bool horz = bar == SB_HORZ;
  const int fixed = horz ? FFixedCols : FFixedRows;
  const int first = horz ? FTopLeft.X : FTopLeft.Y;
  if (code == SB_THUMBTRACK && !FOptions.Contains(goThumbTracking)) return;
  // The bar counts the scrolling cells from 0.
  TScrollAxis axis{.Position = first,
                   .Min = fixed,
                   .Max = MaxTopLeft(horz),
                   .Page = std::max(1, horz ? VisibleColCount() : VisibleRowCount())};
  std::optional<int> target = ScrollTarget(
      code, fixed + ThumbPosition(HandleAllocated() ? Handle() : nullptr, bar, pos), axis);
  if (!target) return;
  if (horz)
    MoveTopLeft(*target, FTopLeft.Y);
  else
    MoveTopLeft(FTopLeft.X, *target);
}

// --- painting -----------------------------------------------------------------------------

void TCustomGrid::Paint() {
  TCanvas& canvas = *Canvas();
  // Held, not borrowed: DrawCell is the descendants' and may change the
  // grid, which then lays itself out anew beside this one.
  const std::shared_ptr<const TGridDrawInfo> layout = LayoutSnapshot();
  const TGridDrawInfo& info = *layout;
  const TGridAxisDrawInfo& h = info.Horz;
  const TGridAxisDrawInfo& v = info.Vert;
  const TRect clip = canvas.ClipRect();
  const bool focused = Focused() || (FInplaceEdit != nullptr && FInplaceEdit->HandleAllocated() &&
                                     GetFocus() == FInplaceEdit->Handle());
  const TGridRect sel = Selection();
  const bool rowSelect = FOptions.Contains(goRowSelect);

  // The drawn cells of each axis, hidden ones (no room even with their
  // line) left out.
  struct TSpan {
    int Index, Start, End;
  };
  auto spans = [](const TGridAxisDrawInfo& a, std::vector<TSpan>& out) {
    out.reserve(static_cast<std::size_t>(a.ShownCellCount));
    for (int k = 0; k < a.ShownCellCount; ++k) {
      const TGridCellSpan& c = a.Cells[static_cast<std::size_t>(k)];
      if (c.Extent + a.EffectiveLineWidth > 0)
        out.push_back({c.Index, c.Start, c.Start + c.Extent});
    }
  };
  std::vector<TSpan> cols, rows;
  spans(h, cols);
  spans(v, rows);

  // Grid lines, as strips after each cell: fixed ones darker.
  const int lw = FGridLineWidth;
  if (lw > 0) {
    for (const TSpan& c : cols) {
      bool fixed = c.Index < FFixedCols;
      bool want = FOptions.Contains(goFixedVertLine);
      bool wantData = FOptions.Contains(goVertLine);
      // The strip beside a fixed column runs down the whole grid (fixed
      // colour in the fixed rows, data colour below) as does a data one.
      if (fixed ? want : wantData) {
        TRect top{c.End, 0, c.End + lw, std::min(v.FixedBoundary, v.GridBoundary)};
        TRect below{c.End, v.FixedBoundary, c.End + lw, v.GridBoundary};
        if (fixed || FOptions.Contains(goFixedVertLine)) canvas.FillSolidRect(top, kFixedLineColor);
        canvas.FillSolidRect(below, fixed ? kFixedLineColor : kDataLineColor);
      }
    }
    for (const TSpan& r : rows) {
      bool fixed = r.Index < FFixedRows;
      bool want = fixed ? FOptions.Contains(goFixedHorzLine) : FOptions.Contains(goHorzLine);
      if (want) {
        TRect left{0, r.End, std::min(h.FixedBoundary, h.GridBoundary), r.End + lw};
        TRect right{h.FixedBoundary, r.End, h.GridBoundary, r.End + lw};
        canvas.FillSolidRect(left, kFixedLineColor);
        canvas.FillSolidRect(right, fixed ? kFixedLineColor : kDataLineColor);
      }
    }
  }

  // Cells. The grid's state is read once: a DrawCell that changes it
  // invalidates the grid for another paint, and this one stays consistent.
  const TGridCoord current = FCurrent;
  const bool defaultDrawing = FDefaultDrawing;
  const bool drawFocusSelected = FOptions.Contains(goDrawFocusSelected);
  const bool editorMode = FEditorMode;
  const bool fixedEdges =
      defaultDrawing && lw > 0 &&
      (FOptions.Contains(goFixedVertLine) || FOptions.Contains(goFixedHorzLine));
  const TColor fixedColor = FFixedColor;
  const TColor color = Color();
  const TColor fontColor = Font()->Color();
  TRect focusRect;
  for (const TSpan& r : rows) {
    if (r.End <= clip.Top || r.Start >= clip.Bottom) continue;
    const bool fixedRow = r.Index < v.FixedCellCount;
    const bool currentRow = r.Index == current.Y;
    const bool selectedRow = r.Index >= sel.Top && r.Index <= sel.Bottom;
    for (const TSpan& c : cols) {
      if (c.End <= clip.Left || c.Start >= clip.Right) continue;
      TRect cell{c.Start, r.Start, c.End, r.End};
      TGridDrawState state;
      const bool fixedCell = fixedRow || c.Index < h.FixedCellCount;
      if (fixedCell) {
        state.Include(gdFixed);
      } else {
        const bool isCurrent = currentRow && c.Index == current.X;
        if (focused && isCurrent) state.Include(gdFocused);
        const bool inSel = selectedRow && c.Index >= sel.Left && c.Index <= sel.Right;
        if (inSel && (!isCurrent || !focused || rowSelect || drawFocusSelected))
          state.Include(gdSelected);
        if (isCurrent && focused && !rowSelect && !editorMode) focusRect = cell;
      }
      if (defaultDrawing) {
        const bool selected = state.Contains(gdSelected);
        canvas.Brush()->SetColor(fixedCell ? fixedColor : selected ? clHighlight : color);
        canvas.Font()->SetColor(selected ? clHighlightText : fontColor);
      }
      DrawCell(c.Index, r.Index, cell, state);
      if (fixedEdges && fixedCell) {
        TRect edge = cell;
        DrawEdge(canvas, edge, BDR_RAISEDINNER, BF_RECT);
      }
    }
  }
  if (focused && !editorMode) {
    if (rowSelect) {
      TRect a = CellRect(FFixedCols, FCurrent.Y);
      if (!IsRectEmpty(a)) focusRect = {h.FixedBoundary, a.Top, h.GridBoundary, a.Bottom};
    }
    if (!IsRectEmpty(focusRect)) DrawFocusRect(canvas, focusRect);
  }

  // What lies beyond the last cell.
  const int width = ClientWidth();
  const int height = ClientHeight();
  if (h.GridBoundary < width) canvas.FillSolidRect({h.GridBoundary, 0, width, height}, Color());
  if (v.GridBoundary < height)
    canvas.FillSolidRect({0, v.GridBoundary, h.GridBoundary, height}, Color());
}

void TCustomGrid::DrawCell(int, int, const TRect&, TGridDrawState) {}

// --- hooks --------------------------------------------------------------------------------

bool TCustomGrid::SelectCell(int, int) { return true; }
void TCustomGrid::ColumnMoved(int fromIndex, int toIndex) {
  if (OnColumnMoved) OnColumnMoved(this, fromIndex, toIndex);
}
void TCustomGrid::RowMoved(int, int) {}

bool TCustomGrid::BeginColumnDrag(int&, int&, TPoint) { return true; }
bool TCustomGrid::CheckColumnDrag(int&, int&, TPoint) { return true; }
bool TCustomGrid::EndColumnDrag(int&, int&, TPoint) { return true; }
bool TCustomGrid::BeginRowDrag(int&, int&, TPoint) { return true; }
bool TCustomGrid::CheckRowDrag(int&, int&, TPoint) { return true; }
bool TCustomGrid::EndRowDrag(int&, int&, TPoint) { return true; }
bool TCustomGrid::CanGridAcceptKey(unsigned, TShiftState) { return true; }

void TCustomGrid::TimedScroll(TGridScrollDirections direction) {
  const TGridDrawInfo& info = DrawInfo();
  TGridCoord anchor = FAnchor;
  int left = FTopLeft.X;
  int top = FTopLeft.Y;
  if (!FOptions.Contains(goRowSelect)) {
    if (direction.Contains(sdLeft) && left > FFixedCols) anchor.X = --left;
    if (direction.Contains(sdRight) && info.Horz.LastFullVisibleCell < FColCount - 1) {
      ++left;
      anchor.X = info.Horz.LastFullVisibleCell + 1;
    }
  }
  if (direction.Contains(sdUp) && top > FFixedRows) anchor.Y = --top;
  if (direction.Contains(sdDown) && info.Vert.LastFullVisibleCell < FRowCount - 1) {
    ++top;
    anchor.Y = info.Vert.LastFullVisibleCell + 1;
  }
  if (left == FTopLeft.X && top == FTopLeft.Y) return;
  MoveTopLeft(left, top);
  if (FOptions.Contains(goRangeSelect))
    MoveAnchor(anchor);
  else
    MoveCurrent(anchor.X, anchor.Y, true, true);
}

// --- editor -------------------------------------------------------------------------------

TInplaceEdit* TCustomGrid::CreateEditor() { return Create<TInplaceEdit>(this); }

bool TCustomGrid::CanEditShow() {
  if (!FOptions.Contains(goEditing) || FOptions.Contains(goRowSelect)) return false;
  if (!FEditorMode || !HandleAllocated()) return false;
  if (FOptions.Contains(goAlwaysShowEditor)) return true;
  HWND focus = GetFocus();
  return focus != nullptr && (focus == Handle() || IsChild(Handle(), focus));
}

bool TCustomGrid::CanEditAcceptKey(char32_t) { return true; }
bool TCustomGrid::CanEditModify() { return FOptions.Contains(goEditing); }
int TCustomGrid::GetEditLimit() { return 0; }
std::string TCustomGrid::GetEditMask(int, int) { return {}; }
std::string TCustomGrid::GetEditText(int, int) { return {}; }
void TCustomGrid::SetEditText(int, int, const std::string&) {}

void TCustomGrid::SetEditorMode(bool value) {
  if (value == FEditorMode && (!value || (FInplaceEdit != nullptr && FInplaceEdit->Visible())))
    return;
  if (value)
    ShowEditor();
  else
    HideEditor();
}

void TCustomGrid::ShowEditor() {
  FEditorMode = true;
  UpdateEdit();
  if (FInplaceEdit == nullptr || !FInplaceEdit->Visible()) FEditorMode = false;
}

void TCustomGrid::HideEditor() {
  FEditorMode = false;
  HideEdit();
}

void TCustomGrid::ShowEditorChar(char32_t ch) {
  ShowEditor();
  if (FInplaceEdit != nullptr && FInplaceEdit->Visible())
    FInplaceEdit->Perform(WM_CHAR, static_cast<WPARAM>(ch));
}

void TCustomGrid::UpdateEdit() {
  if (FUpdatingEditor) return;
  if (!CanEditShow()) {
    HideEdit();
    return;
  }
  TFlagGuard updating(FUpdatingEditor);
  if (FInplaceEdit == nullptr) {
    FInplaceEdit = CreateEditor();
    FInplaceEdit->SetParent(this);
  }
  if (FInplaceCol != FCurrent.X || FInplaceRow != FCurrent.Y) {
    HideEdit();
    FInplaceCol = FCurrent.X;
    FInplaceRow = FCurrent.Y;
    FInplaceEdit->UpdateContents();
    FEditOriginalText = FInplaceEdit->Text();
    FInplaceEdit->SelectAll();
  }
  TRect r = CellRect(FCurrent.X, FCurrent.Y);
  if (IsRectEmpty(r))
    FInplaceEdit->Hide();
  else
    FInplaceEdit->Move(r);
}

void TCustomGrid::HideEdit() {
  if (FInplaceEdit == nullptr) return;
  TFinallyGuard hide([this] {
    FInplaceCol = -1;
    FInplaceRow = -1;
    FInplaceEdit->Hide();
  });
  UpdateText();
}

void TCustomGrid::UpdateText() {
  if (FInplaceEdit != nullptr && FInplaceCol >= 0 && FInplaceRow >= 0)
    SetEditText(FInplaceCol, FInplaceRow, FInplaceEdit->Text());
}

// --- structure ----------------------------------------------------------------------------

void TCustomGrid::MoveColumn(int fromIndex, int toIndex) {
  if (fromIndex == toIndex) return;
  if (fromIndex < 0 || toIndex < 0 || fromIndex >= FColCount || toIndex >= FColCount)
    throw EInvalidGridOperation(kGridIndexOutOfRange);
  HideEdit();
  FColWidths.Move(fromIndex, toIndex);
  {
    std::vector<bool>& t = FTabStops;
    bool item = t[static_cast<std::size_t>(fromIndex)];
    t.erase(t.begin() + fromIndex);
    t.insert(t.begin() + toIndex, item);
  }
  FCurrent.X = MoveAdjust(FCurrent.X, fromIndex, toIndex);
  FAnchor.X = MoveAdjust(FAnchor.X, fromIndex, toIndex);
  ColumnMoved(fromIndex, toIndex);
  InvalidateGrid();
  if (FEditorMode) UpdateEdit();
}

void TCustomGrid::MoveRow(int fromIndex, int toIndex) {
  if (fromIndex == toIndex) return;
  if (fromIndex < 0 || toIndex < 0 || fromIndex >= FRowCount || toIndex >= FRowCount)
    throw EInvalidGridOperation(kGridIndexOutOfRange);
  HideEdit();
  FRowHeights.Move(fromIndex, toIndex);
  FCurrent.Y = MoveAdjust(FCurrent.Y, fromIndex, toIndex);
  FAnchor.Y = MoveAdjust(FAnchor.Y, fromIndex, toIndex);
  RowMoved(fromIndex, toIndex);
  if (OnRowMoved) OnRowMoved(this, fromIndex, toIndex);
  InvalidateGrid();
  if (FEditorMode) UpdateEdit();
}

void TCustomGrid::DeleteColumn(int index) {
  MoveColumn(index, FColCount - 1);
  SetColCount(FColCount - 1);
}

void TCustomGrid::DeleteRow(int index) {
  MoveRow(index, FRowCount - 1);
  SetRowCount(FRowCount - 1);
}

// --- keyboard -----------------------------------------------------------------------------

void TCustomGrid::KeyDown(unsigned& key, TShiftState shift) {
  TCustomControl::KeyDown(key, shift);
  if (key == 0) return;
  if (!CanGridAcceptKey(key, shift)) {
    key = 0;
    return;
  }
  const bool rowSelect = FOptions.Contains(goRowSelect);
  const TGridDrawInfo& info = DrawInfo();
  const int pageWidth = std::max(1, info.Horz.LastFullVisibleCell - FTopLeft.X + 1);
  const int pageHeight = std::max(1, info.Vert.LastFullVisibleCell - FTopLeft.Y + 1);
  TGridCoord cur = FCurrent;
  TGridCoord topLeft = FTopLeft;
  const bool ctrl = shift.Contains(ssCtrl);
  switch (key) {
    case VK_UP:
      if (ctrl)
        --topLeft.Y;
      else
        --cur.Y;
      break;
    case VK_DOWN:
      if (ctrl)
        ++topLeft.Y;
      else
        ++cur.Y;
      break;
    case VK_LEFT:
      if (ctrl) {
        if (!rowSelect) cur.X -= pageWidth;
        topLeft.X -= pageWidth;
      } else if (rowSelect) {
        --topLeft.X;
      } else {
        --cur.X;
      }
      break;
    case VK_RIGHT:
      if (ctrl) {
        if (!rowSelect) cur.X += pageWidth;
        topLeft.X += pageWidth;
      } else if (rowSelect) {
        ++topLeft.X;
      } else {
        ++cur.X;
      }
      break;
    case VK_PRIOR:
      if (ctrl) {
        cur.Y = FTopLeft.Y;
      } else {
        cur.Y -= pageHeight;
        topLeft.Y -= pageHeight;
      }
      break;
    case VK_NEXT:
      if (ctrl) {
        cur.Y = info.Vert.LastFullVisibleCell;
      } else {
        cur.Y += pageHeight;
        topLeft.Y += pageHeight;
      }
      break;
    case VK_HOME:
      if (ctrl || rowSelect) {
        cur.Y = FFixedRows;
        if (ctrl) cur.X = FFixedCols;
      } else {
        cur.X = FFixedCols;
      }
      break;
    case VK_END:
      if (ctrl || rowSelect) {
        cur.Y = FRowCount - 1;
        if (ctrl) cur.X = FColCount - 1;
      } else {
        cur.X = FColCount - 1;
      }
      break;
    case VK_TAB:
      if (!shift.Contains(ssAlt) && FOptions.Contains(goTabs) && !rowSelect) {
        // To the next (previous) tab stop, wrapping into the next
        // (previous) row; a full circle leaves the cell where it is.
        TGridCoord start = cur;
        do {
          if (shift.Contains(ssShift)) {
            if (--cur.X < FFixedCols) {
              cur.X = FColCount - 1;
              if (--cur.Y < FFixedRows) cur.Y = FRowCount - 1;
            }
          } else {
            if (++cur.X >= FColCount) {
              cur.X = FFixedCols;
              if (++cur.Y >= FRowCount) cur.Y = FFixedRows;
            }
          }
        } while (!FTabStops[static_cast<std::size_t>(cur.X)] && !(cur == start));
        shift.Exclude(ssShift);  // Shift+Tab moves, it does not extend
      }
      break;
    case VK_F2:
      SetEditorMode(true);
      return;
    case VK_ESCAPE:
      if (FEditorMode && FInplaceEdit != nullptr && FInplaceCol >= 0) {
        // Esc gives the cell back the text it had when editing began.
        FInplaceEdit->SetText(FEditOriginalText);
        UpdateText();
        if (FOptions.Contains(goAlwaysShowEditor))
          FInplaceEdit->SelectAll();
        else
          HideEditor();
        key = 0;
      }
      return;
    default:
      return;
  }
  cur.X = std::clamp(cur.X, FFixedCols, FColCount - 1);
  cur.Y = std::clamp(cur.Y, FFixedRows, FRowCount - 1);
  const bool scrolled = !(topLeft == FTopLeft);
  if (scrolled) MoveTopLeft(topLeft.X, topLeft.Y);
  if (!(cur == FCurrent)) {
    bool extend = shift.Contains(ssShift) && FOptions.Contains(goRangeSelect);
    if (extend) {
      // Shift moves the far corner and keeps the anchor: swap roles so
      // that the current cell stays where editing would happen.
      TGridRect old = Selection();
      FCurrent = cur;
      ClampInView(cur);
      SelectionMoved(old);
      Click();
    } else {
      FocusCell(cur.X, cur.Y, true);
    }
  } else if (scrolled && ctrl && (key == VK_UP || key == VK_DOWN)) {
    // Ctrl+Up/Down scrolled the view; keep the current cell inside it.
    int row = std::clamp(FCurrent.Y, FTopLeft.Y, DrawInfo().Vert.LastFullVisibleCell);
    if (row != FCurrent.Y) FocusCell(FCurrent.X, row, true);
  }
}

void TCustomGrid::KeyPress(char32_t& key) {
  TCustomControl::KeyPress(key);
  if (key == 0) return;
  if (key == U'\r') {
    if (!FOptions.Contains(goAlwaysShowEditor) && FOptions.Contains(goEditing)) {
      if (FEditorMode)
        HideEditor();
      else
        ShowEditor();
    }
    key = 0;
    return;
  }
  if (FEditorMode && FInplaceEdit != nullptr && FInplaceEdit->Visible()) {
    // Typed ahead before the editor took the focus.
    FInplaceEdit->Perform(WM_CHAR, static_cast<WPARAM>(key));
    key = 0;
    return;
  }
  if (key >= 32 && key != 127 && FOptions.Contains(goEditing) && !FOptions.Contains(goRowSelect) &&
      CanEditAcceptKey(key)) {
    char32_t ch = key;
    key = 0;
    ShowEditorChar(ch);
  }
}

// --- mouse ----------------------------------------------------------------------------------

void TCustomGrid::CalcSizingState(int x, int y, TGridState& state, int& index, int& sizingPos,
                                  int& sizingOfs, TGridDrawInfo& fixedInfo) {
  state = gsNormal;
  index = -1;
  fixedInfo = DrawInfo();
  // Looks along one axis for an edge near `n`; the other coordinate must
  // lie in the fixed cells of the other axis.
  auto check = [&](const TGridAxisDrawInfo& a, int n) {
    const int lw = a.EffectiveLineWidth;
    const int band = std::max(kSizingBand, lw);
    auto test = [&](int i, int edge) {
      if (n >= edge - band && n < edge + lw + band) {
        index = i;
        sizingPos = edge;
        sizingOfs = edge - n;
        return true;
      }
      return false;
    };
    for (int k = 0; k < a.ShownCellCount; ++k) {
      const TGridCellSpan& c = a.Cells[static_cast<std::size_t>(k)];
      const int edge = c.Start + c.Extent;
      if (k >= a.FixedCellCount && edge > a.GridExtent + band) break;
      if (test(c.Index, edge)) return true;
    }
    return false;
  };
  if (FOptions.Contains(goColSizing) && y >= 0 && y < fixedInfo.Vert.FixedBoundary) {
    if (check(fixedInfo.Horz, x)) state = gsColSizing;
  } else if (FOptions.Contains(goRowSizing) && x >= 0 && x < fixedInfo.Horz.FixedBoundary) {
    if (check(fixedInfo.Vert, y)) state = gsRowSizing;
  }
}

void TCustomGrid::DrawSizingLine(const TGridDrawInfo& info) {
  if (!HandleAllocated()) return;
  TCanvas* canvas = GetDC(Handle());
  {
    TCanvasStateSaver saver(*canvas);
    canvas->Pen()->SetStyle(psDot);
    canvas->Pen()->SetMode(pmXor);
    canvas->Pen()->SetWidth(1);
    canvas->Pen()->SetColor(clWhite);
    if (FGridState == gsRowSizing) {
      canvas->MoveTo(0, FSizingPos);
      canvas->LineTo(info.Horz.GridBoundary, FSizingPos);
    } else {
      canvas->MoveTo(FSizingPos, 0);
      canvas->LineTo(FSizingPos, info.Vert.GridBoundary);
    }
  }
  ReleaseDC(Handle(), canvas);
  FSizingLineShown = !FSizingLineShown;
}

// The drop mark of a column or row move: a thick XOR line at the edge the
// moved cell would land on.
void TCustomGrid::DrawMove() {
  if (!HandleAllocated()) return;
  TRect r = FGridState == gsColMoving ? CellRect(FMovePos, 0) : CellRect(0, FMovePos);
  if (IsRectEmpty(r)) return;
  const TGridDrawInfo& info = DrawInfo();
  TCanvas* canvas = GetDC(Handle());
  {
    TCanvasStateSaver saver(*canvas);
    canvas->Pen()->SetStyle(psSolid);
    canvas->Pen()->SetMode(pmXor);
    canvas->Pen()->SetWidth(3);
    canvas->Pen()->SetColor(clWhite);
    if (FGridState == gsColMoving) {
      int x = FMovePos > FMoveIndex ? r.Right : r.Left;
      canvas->MoveTo(x, 0);
      canvas->LineTo(x, info.Vert.GridBoundary);
    } else {
      int y = FMovePos > FMoveIndex ? r.Bottom : r.Top;
      canvas->MoveTo(0, y);
      canvas->LineTo(info.Horz.GridBoundary, y);
    }
  }
  ReleaseDC(Handle(), canvas);
  FMoveLineShown = !FMoveLineShown;
}

void TCustomGrid::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  FClickedCurrent = false;
  if (button == mbLeft && !shift.Contains(ssDouble)) {
    TGridDrawInfo info;
    int index = -1;
    TGridState state = gsNormal;
    CalcSizingState(x, y, state, index, FSizingPos, FSizingOfs, info);
    if (state != gsNormal) {
      FGridState = state;
      FSizingIndex = index;
      DrawSizingLine(info);
      TCustomControl::MouseDown(button, shift, x, y);
      return;
    }
    TGridCoord hit = MouseCoord(x, y);
    FHitTest = {x, y};
    if (hit.X >= 0) {
      bool inFixedRow = hit.Y < FFixedRows && hit.X >= FFixedCols;
      bool inFixedCol = hit.X < FFixedCols && hit.Y >= FFixedRows;
      if (inFixedRow && FOptions.Contains(goColMoving)) {
        int origin = hit.X, dest = hit.X;
        if (BeginColumnDrag(origin, dest, {x, y})) {
          FGridState = gsColMoving;
          FMoveIndex = origin;
          FMovePos = dest;
        }
      } else if (inFixedCol && FOptions.Contains(goRowMoving)) {
        int origin = hit.Y, dest = hit.Y;
        if (BeginRowDrag(origin, dest, {x, y})) {
          FGridState = gsRowMoving;
          FMoveIndex = origin;
          FMovePos = dest;
        }
      } else if (hit.X >= FFixedCols && hit.Y >= FFixedRows) {
        if (FOptions.Contains(goEditing) && !FOptions.Contains(goRowSelect)) {
          if (hit == FCurrent) {
            FClickedCurrent = true;
            ShowEditor();
          } else {
            MoveCurrent(hit.X, hit.Y, true, true);
            if (FEditorMode) UpdateEdit();
          }
        } else {
          FGridState = gsSelecting;
          if (HandleAllocated()) {
            SetTimer(Handle(), kScrollTimerId, kScrollTimerInterval);
            FTimerActive = true;
          }
          if (shift.Contains(ssShift))
            MoveAnchor(hit);
          else
            MoveCurrent(hit.X, hit.Y, true, true);
        }
      }
    }
  }
  TCustomControl::MouseDown(button, shift, x, y);
}

void TCustomGrid::MouseMove(TShiftState shift, int x, int y) {
  switch (FGridState) {
    case gsSelecting: {
      TGridCoord hit = MouseCoord(x, y);
      if (hit.X >= FFixedCols && hit.Y >= FFixedRows && !(hit == FAnchor)) MoveAnchor(hit);
      break;
    }
    case gsColSizing:
    case gsRowSizing: {
      const TGridDrawInfo& info = DrawInfo();
      DrawSizingLine(info);  // erase
      FSizingPos = (FGridState == gsColSizing ? x : y) + FSizingOfs;
      DrawSizingLine(info);
      break;
    }
    case gsColMoving:
    case gsRowMoving: {
      TGridCoord hit = MouseCoord(x, y);
      int pos = FGridState == gsColMoving ? hit.X : hit.Y;
      int fixed = FGridState == gsColMoving ? FFixedCols : FFixedRows;
      if (pos >= fixed && pos != FMovePos) {
        int origin = FMoveIndex, dest = pos;
        bool ok = FGridState == gsColMoving ? CheckColumnDrag(origin, dest, {x, y})
                                            : CheckRowDrag(origin, dest, {x, y});
        if (ok) {
          if (FMoveLineShown) DrawMove();
          FMovePos = dest;
          if (FMovePos != FMoveIndex) DrawMove();
        }
      }
      break;
    }
    default:
      break;
  }
  TCustomControl::MouseMove(shift, x, y);
}

void TCustomGrid::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  switch (FGridState) {
    case gsSelecting:
      MouseMove(shift, x, y);
      if (FTimerActive && HandleAllocated()) KillTimer(Handle(), kScrollTimerId);
      FTimerActive = false;
      FGridState = gsNormal;
      if (FEditorMode) UpdateEdit();
      break;
    case gsColSizing:
    case gsRowSizing: {
      const TGridDrawInfo& info = DrawInfo();
      if (FSizingLineShown) DrawSizingLine(info);
      FSizingPos = (FGridState == gsColSizing ? x : y) + FSizingOfs;
      const TGridAxisDrawInfo& a = FGridState == gsColSizing ? info.Horz : info.Vert;
      int start = 0, end = 0;
      // The state stays until the new size is set: ColWidthsChanged and
      // RowHeightsChanged tell a user's sizing by it.
      {
        TScopeExit sized([this] { FGridState = gsNormal; });
        if (a.CellSpan(FSizingIndex, start, end) && FSizingPos - start > 1) {
          if (FGridState == gsColSizing)
            SetColWidths(FSizingIndex, FSizingPos - start);
          else
            SetRowHeights(FSizingIndex, FSizingPos - start);
        }
      }
      break;
    }
    case gsColMoving:
    case gsRowMoving: {
      if (FMoveLineShown) DrawMove();
      TGridState state = FGridState;
      FGridState = gsNormal;
      int origin = FMoveIndex, dest = FMovePos;
      if (origin != dest) {
        bool ok = state == gsColMoving ? EndColumnDrag(origin, dest, {x, y})
                                       : EndRowDrag(origin, dest, {x, y});
        if (ok) {
          if (state == gsColMoving)
            MoveColumn(origin, dest);
          else
            MoveRow(origin, dest);
        }
      }
      break;
    }
    default:
      break;
  }
  FGridState = gsNormal;
  TCustomControl::MouseUp(button, shift, x, y);
}

bool TCustomGrid::DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) {
  if (TCustomControl::DoMouseWheel(shift, wheelDelta, mousePos)) return true;
  if (wheelDelta == 0) return false;
  return wheelDelta < 0 ? DoMouseWheelDown(shift, mousePos) : DoMouseWheelUp(shift, mousePos);
}

// One notch moves the current row by one, as the arrow keys do.
bool TCustomGrid::DoMouseWheelDown(TShiftState, TPoint) {
  int row = std::min(FCurrent.Y + 1, FRowCount - 1);
  if (row != FCurrent.Y) FocusCell(FCurrent.X, row, true);
  return true;
}

bool TCustomGrid::DoMouseWheelUp(TShiftState, TPoint) {
  int row = std::max(FCurrent.Y - 1, FFixedRows);
  if (row != FCurrent.Y) FocusCell(FCurrent.X, row, true);
  return true;
}

void TCustomGrid::CancelMode() {
  const TGridDrawInfo& info = DrawInfo();
  switch (FGridState) {
    case gsColSizing:
    case gsRowSizing:
      if (FSizingLineShown) DrawSizingLine(info);
      break;
    case gsColMoving:
    case gsRowMoving:
      if (FMoveLineShown) DrawMove();
      break;
    case gsSelecting:
      if (FTimerActive && HandleAllocated()) KillTimer(Handle(), kScrollTimerId);
      FTimerActive = false;
      break;
    default:
      break;
  }
  FGridState = gsNormal;
}

void TCustomGrid::DoExit() {
  TCustomControl::DoExit();
  if (!FOptions.Contains(goAlwaysShowEditor)) HideEditor();
}

void TCustomGrid::Resize() {
  UpdateScrollRange();
  if (FEditorMode) UpdateEdit();
  TCustomControl::Resize();
}

// --- messages ---------------------------------------------------------------------------------

void TCustomGrid::WndProc(TMessage& message) {
  switch (message.Msg) {
    case WM_GETDLGCODE: {
      unsigned code = DLGC_WANTARROWS;
      if (!FOptions.Contains(goRowSelect)) {
        if (FOptions.Contains(goTabs)) code |= DLGC_WANTTAB;
        if (FOptions.Contains(goEditing)) code |= DLGC_WANTCHARS;
      }
      message.Result = code;
      return;
    }
    case WM_HSCROLL:
    case WM_VSCROLL: {
      TWMScroll s{message};
      ModifyScrollBar(message.Msg == WM_HSCROLL ? SB_HORZ : SB_VERT, s.ScrollCode(), s.Pos());
      message.Result = 0;
      return;
    }
    case WM_TIMER: {
      if (TWMTimer{message}.TimerID() != kScrollTimerId) break;
      if (FGridState != gsSelecting) return;
      TPoint p = ScreenToClient(GetCursorPos());
      const TGridDrawInfo& info = DrawInfo();
      TGridScrollDirections dirs;
      if (p.X < info.Horz.FixedBoundary) dirs.Include(sdLeft);
      if (p.X > info.Horz.FullVisBoundary) dirs.Include(sdRight);
      if (p.Y < info.Vert.FixedBoundary) dirs.Include(sdUp);
      if (p.Y > info.Vert.FullVisBoundary) dirs.Include(sdDown);
      if (!dirs.Empty()) TimedScroll(dirs);
      return;
    }
    case WM_SETCURSOR: {
      TWMSetCursor sc{message};
      if (sc.HitTest() == HTCLIENT && FGridState == gsNormal && HandleAllocated()) {
        TPoint p = ScreenToClient(GetCursorPos());
        TGridDrawInfo info;
        TGridState state;
        int index, pos, ofs;
        CalcSizingState(p.X, p.Y, state, index, pos, ofs, info);
        if (state != gsNormal) {
          if (GuiHost()) GuiHost()->SetCursorShape(state == gsColSizing ? crHSplit : crVSplit);
          message.Result = 1;
          return;
        }
      }
      break;
    }
    case WM_SETFOCUS:
      TCustomControl::WndProc(message);
      InvalidateCell(FCurrent.X, FCurrent.Y);
      if (FEditorMode) {
        TWMSetFocus f{message};
        if (FInplaceEdit == nullptr || !FInplaceEdit->HandleAllocated() ||
            f.FocusedWnd() != FInplaceEdit->Handle())
          UpdateEdit();
      }
      return;
    case WM_KILLFOCUS:
      TCustomControl::WndProc(message);
      if (FOptions.Contains(goRowSelect))
        InvalidateRow(FCurrent.Y);
      else
        InvalidateCell(FCurrent.X, FCurrent.Y);
      return;
    case WM_CANCELMODE:
    case CM_CANCELMODE:
      CancelMode();
      break;
    case CM_FONTCHANGED:
      TCustomControl::WndProc(message);
      if (FInplaceEdit != nullptr) FInplaceEdit->SetFont(Font());
      InvalidateGrid();
      return;
    default:
      break;
  }
  TCustomControl::WndProc(message);
}
