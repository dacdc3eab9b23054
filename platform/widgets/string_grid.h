// TStringGrid: a draw grid that keeps a text and an object per cell.
//
// Cells are stored sparsely and move with their columns and rows; the
// editor edits the cell's text. GUI thread only.
#pragma once

#include <string>
#include <vector>

#include "platform/widgets/draw_grid.h"

// A grid of text cells, each with an optional object.
class TStringGrid : public TDrawGrid {
  MEBRATH_CLASS(TStringGrid, TDrawGrid)
 public:
  // Empty text / null for a cell never set. REQUIRES: the cell is in the
  // grid (else EInvalidGridOperation "Grid index out of range").
  const std::string& Cells(int col, int row) const;
  void SetCells(int col, int row, const std::string& value);
  TObject* Objects(int col, int row) const;
  void SetObjects(int col, int row, TObject* value);
  // A column's (row's) texts, top to bottom (left to right).
  std::vector<std::string> Cols(int index) const;
  void SetCols(int index, const std::vector<std::string>& value);
  std::vector<std::string> Rows(int index) const;
  void SetRows(int index, const std::vector<std::string>& value);

 protected:
  explicit TStringGrid(TComponent* owner) : TDrawGrid(owner) {}
  // TCustomGrid
  void DrawCell(int col, int row, const TRect& rect, TGridDrawState state) override;
  std::string GetEditText(int col, int row) override;
  void SetEditText(int col, int row, const std::string& value) override;
  void ColumnMoved(int fromIndex, int toIndex) override;
  void RowMoved(int fromIndex, int toIndex) override;

 private:
  struct TCell {
    std::string Text;
    TObject* Object = nullptr;
  };
  const TCell* Find(int col, int row) const;
  TCell& Ensure(int col, int row);
  void CheckIndex(int col, int row) const;
  // Sparse: one vector of rows per column.
  std::vector<std::vector<TCell>> FCells;
};
