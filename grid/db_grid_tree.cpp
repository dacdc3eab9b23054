// Tree rows: a dataset that offers IMemTableEh and reports tree display
// gets an indent of one 18-pixel box per level at the left of the first
// visible column, with dotted connectors and a node button that expands or
// collapses the node. Numpad +, - and * act on the current node.
#include <algorithm>

#include "controls/dataset_helpers.h"
#include "controls/edit_buttons.h"
#include "grid/db_grid.h"
#include "grid/db_grid_modes.h"
#include "grid/tree_area.h"
#include "platform/data/data_set.h"
#include "platform/data/data_source.h"

// ---- the pure rule

std::vector<TTreeAreaBoxEh> TreeAreaBoxes(const TTreeNodeShapeEh& node) {
  auto nextSibling = [&](int level) {
    const auto index = static_cast<std::size_t>(level - 1);
    return level >= 1 && index < node.HasNextSibling.size() && node.HasNextSibling[index];
  };
  const int level = std::max(1, node.Level);
  std::vector<TTreeAreaBoxEh> boxes(static_cast<std::size_t>(level));
  for (int i = 0; i < level; ++i) {
    TTreeAreaBoxEh& box = boxes[static_cast<std::size_t>(i)];
    // The first box always joins the row below; a deeper one only while
    // the row below goes at least as deep.
    box.JoinBelow = i == 0 || !(node.NextLevel >= 0 && i >= node.NextLevel);
    if (i + 1 < level) {
      box.Kind = nextSibling(i + 1) ? 9 : -1;
    } else if (!node.HasChildren) {
      box.Kind = nextSibling(level) ? 6 : 7;
    } else if (nextSibling(level)) {
      box.Kind = node.Expanded ? 0 : 3;
    } else {
      box.Kind = node.Expanded ? 1 : 4;
    }
  }
  return boxes;
}

// ---- queries

bool TDBGridTreeAreaEh::IsTreeColumn(int col) const {
  return FGrid.FTree->Shown() && !FGrid.FVisibleColumns.empty() && col >= FGrid.FIndicatorOffset &&
         FGrid.ColumnOfRawCol(col) == FGrid.FVisibleColumns.front();
}

// ---- drawing

int TDBGridTreeAreaEh::DrawOfRow(int col, int row, const TRect& rect, TGridDrawState state) {
  const int dataRow = row - FGrid.FTitleOffset;
  if (!IsTreeColumn(col) || dataRow < 0 || dataRow >= FGrid.FRows->DataRowCount()) return 0;
  TGridRowReadEh reading(*FGrid.FRows, dataRow);
  const int indent = FGrid.FTree->IndentWidth();
  FGrid.DrawTreeArea(FGrid.RawToDataColumn(col), dataRow, false, rect, state);
  return indent;
}

void TCustomDBGridEh::DrawTreeArea(int dataCol, int dataRow, bool widen, const TRect& rect,
                                   TGridDrawState state) {
  FTreeArea->Paint(*Canvas(), dataCol, dataRow, widen, rect, state);
}

void TDBGridTreeAreaEh::Paint(TCanvas& canvas, int dataCol, int dataRow, bool widen,
                              const TRect& rect, TGridDrawState state) {
  TCustomDBGridEh& g = FGrid;
  if (!g.FTree->Shown()) return;
  TColumnEh* column =
      dataCol >= 0 && dataCol < g.FColumns->Count() ? g.FColumns->Items(dataCol) : nullptr;
  TColor background = column != nullptr ? column->Color() : g.Color();
  TFont font;
  font.Assign(column != nullptr ? column->Font() : g.Font());
  const int col = g.DataToRawColumn(dataCol);
  const int row = dataRow + g.FTitleOffset;
  const bool current = g.FRows->IsCurrentRow(dataRow);
  bool selected = current && (col == g.Col() || g.FOptions.Contains(dgRowSelect));
  if (!selected && g.SelectionType() != gstNon)
    selected = g.IsCellSelected(col, row, g.FDataLink->DataSet()->Bookmark());
  if (selected && g.FStyle != nullptr)
    g.HighlightDataCellColor(col, current ? g.Row() : row, dataCol, dataRow,
                             state + TGridDrawState{gdSelected}, background, &font);

  const TTreeNodeShapeEh node = g.FTree->NodeShape();

  TRect area = rect;
  if (widen) {
    area.Left -= 1;
    area.Top -= 1;
    area.Bottom += 1;
  }
  const bool rowLines = g.FOptions.Contains(dgRowLines);
  // Dots of neighbouring rows line up whatever row is at the top.
  const bool dotPhase = g.DefaultRowHeight() % 2 == 1 && g.TopRow() % 2 == 1;
  constexpr int width = TCustomDBGridEh::kTreeLevelWidth;
  TCanvasStateSaver saver(canvas);
  canvas.Brush()->SetColor(background);
  int left = area.Left;
  for (const TTreeAreaBoxEh& box : TreeAreaBoxes(node)) {
    const bool join = rowLines && box.JoinBelow;
    if (join) canvas.FillSolidRect({left, area.Bottom, left + width, area.Bottom + 1}, g.Color());
    canvas.FillSolidRect({left, area.Top, left + width, area.Bottom}, background);
    if (box.Kind >= 0)
      DrawTreeElementEh(canvas, {left, area.Top, left + width, area.Bottom + (join ? 1 : 0)},
                        box.Kind, 1.0, 1.0, dotPhase);
    left += width;
  }
  if (rowLines) {
    canvas.Pen()->SetStyle(psSolid);
    canvas.Pen()->SetMode(pmCopy);
    canvas.Pen()->SetWidth(1);
    canvas.Pen()->SetColor(clSilver);
    canvas.MoveTo(left - 1, area.Bottom);
    canvas.LineTo(left - 1, area.Top - 2);
  }
}

// ---- under the cell editor

int TDBGridTreeAreaEh::PaintUnderEditor(TCanvas& canvas, TColumnEh* column, int height) {
  if (!FGrid.FTree->Shown() || column == nullptr || FGrid.FVisibleColumns.empty() ||
      column != FGrid.FVisibleColumns.front())
    return 0;
  const int row = FGrid.FRows->PerRecord() ? FGrid.FRows->MemTable()->CurrentRow()
                                           : FGrid.FDataLink->ActiveRecord();
  if (row < 0) return 0;
  const int indent = FGrid.FTree->IndentWidth();
  Paint(canvas, column->Index(), row, false, {0, 0, indent, height}, {gdFocused});
  return indent;
}

bool TDBGridTreeAreaEh::EditorClick(TColumnEh* column, int x) {
  if (!FGrid.FTree->Shown() || column == nullptr || FGrid.FVisibleColumns.empty() ||
      column != FGrid.FVisibleColumns.front())
    return false;
  const int indent = FGrid.FTree->IndentWidth();
  IMemTableEh* memTable = FGrid.FRows->MemTable();
  if (x < indent - TCustomDBGridEh::kTreeLevelWidth || x >= indent || !memTable->NodeHasChildren())
    return false;
  FGrid.SetCurrentNodeExpanded(!memTable->NodeExpanded(), false);
  return true;
}

// ---- expanding and collapsing

bool TCustomDBGridEh::CheckTreeExpandClick(int x, int y, bool checkOnly) {
  if (!FTree->Shown()) return false;
  const TGridCoord cell = MouseCoord(x, y);
  if (cell.X < 0 || cell.Y < 0) return false;
  TCellColPartEh colPart;
  TCellRowPartEh rowPart;
  int colIndex, rowIndex;
  GetCellType(cell.X, cell.Y, colPart, rowPart, colIndex, rowIndex);
  if (colPart != ccpDataEh || rowPart != crpDataEh || !FTreeArea->IsTreeColumn(cell.X))
    return false;
  if (rowIndex >= FRows->DataRowCount()) return false;
  TDataSet* ds = FDataLink->DataSet();
  if (ds->IsEmpty()) return false;

  const int delta = cell.Y - Row();
  const int savedTop = TopRow();
  const int clickedRow = ds->RecNo() - 1 + delta;
  int indent = 0;
  bool expanded = false;
  FTree->ReadNode(delta != 0 ? clickedRow : -1, indent, expanded);

  const TRect r = CellRect(cell.X, cell.Y);
  if (x < r.Left || x >= r.Left + indent) return false;
  if (checkOnly) return true;
  FTree->NodeClicked(clickedRow, expanded, x >= r.Left + indent - kTreeLevelWidth);
  if (FRows->PerRecord()) SafeSetTopRow(savedTop);
  InvalidateGrid();
  UpdateScrollBar();
  return true;
}

void TCustomDBGridEh::SetCurrentNodeExpanded(bool value, bool allBelow) {
  if (!FTree->Shown()) return;
  const int savedTop = TopRow();
  if (!FTree->SetCurrentNodeExpanded(value, allBelow)) return;
  if (FRows->PerRecord()) SafeSetTopRow(savedTop);
  InvalidateGrid();
  UpdateScrollBar();
}

bool TDBGridTreeAreaEh::Key(unsigned key) {
  if (!FGrid.FTree->Shown()) return false;
  FGrid.SetCurrentNodeExpanded(key != VK_SUBTRACT, key == VK_MULTIPLY);
  return true;
}
