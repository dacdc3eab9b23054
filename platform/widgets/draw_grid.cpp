#include "platform/widgets/draw_grid.h"

void TDrawGrid::DrawCell(int col, int row, const TRect& rect, TGridDrawState state) {
  if (DefaultDrawing()) Canvas()->FillRect(rect);
  if (OnDrawCell) OnDrawCell(this, col, row, rect, state);
}

std::string TDrawGrid::GetEditMask(int col, int row) {
  std::string value;
  if (OnGetEditMask) OnGetEditMask(this, col, row, value);
  return value;
}

std::string TDrawGrid::GetEditText(int col, int row) {
  std::string value;
  if (OnGetEditText) OnGetEditText(this, col, row, value);
  return value;
}

void TDrawGrid::SetEditText(int col, int row, const std::string& value) {
  if (OnSetEditText) OnSetEditText(this, col, row, value);
}

void TDrawGrid::ColumnMoved(int fromIndex, int toIndex) {
  TCustomGrid::ColumnMoved(fromIndex, toIndex);
}
void TDrawGrid::RowMoved(int, int) {}
