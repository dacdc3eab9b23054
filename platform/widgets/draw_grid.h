// TDrawGrid: the base grid with its cells drawn and edited through events.
//
// OnDrawCell draws a cell (after the default fill when DefaultDrawing);
// OnGetEditMask, OnGetEditText and OnSetEditText stand for the editor
// hooks. GUI thread only.
#pragma once

#include <functional>
#include <string>

#include "platform/widgets/grids.h"

// A grid whose cells are drawn by OnDrawCell.
using TDrawCellEvent =
    std::function<void(TObject* sender, int col, int row, const TRect& rect, TGridDrawState state)>;
using TGetEditEvent = std::function<void(TObject* sender, int col, int row, std::string& value)>;
using TSetEditEvent =
    std::function<void(TObject* sender, int col, int row, const std::string& value)>;

class TDrawGrid : public TCustomGrid {
  MEBRATH_CLASS(TDrawGrid, TCustomGrid)
 public:
  TDrawCellEvent OnDrawCell;
  TGetEditEvent OnGetEditMask;
  TGetEditEvent OnGetEditText;
  TSetEditEvent OnSetEditText;

 protected:
  explicit TDrawGrid(TComponent* owner) : TCustomGrid(owner) {}
  // TCustomGrid
  void DrawCell(int col, int row, const TRect& rect, TGridDrawState state) override;
  std::string GetEditMask(int col, int row) override;
  std::string GetEditText(int col, int row) override;
  void SetEditText(int col, int row, const std::string& value) override;
  void ColumnMoved(int fromIndex, int toIndex) override;
  void RowMoved(int fromIndex, int toIndex) override;
};
