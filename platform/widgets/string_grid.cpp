#include "platform/widgets/string_grid.h"

#include <cstddef>

#include "platform/widgets/grid_inplace_edit.h"

namespace {

template <class T>
void MoveItem(std::vector<T>& v, int from, int to) {
  T item = std::move(v[static_cast<std::size_t>(from)]);
  v.erase(v.begin() + from);
  v.insert(v.begin() + to, std::move(item));
}

}  // namespace

void TStringGrid::CheckIndex(int col, int row) const {
  if (col < 0 || row < 0 || col >= ColCount() || row >= RowCount())
    throw EInvalidGridOperation(kGridIndexOutOfRange);
}

const TStringGrid::TCell* TStringGrid::Find(int col, int row) const {
  if (static_cast<std::size_t>(col) >= FCells.size()) return nullptr;
  const auto& column = FCells[static_cast<std::size_t>(col)];
  if (static_cast<std::size_t>(row) >= column.size()) return nullptr;
  return &column[static_cast<std::size_t>(row)];
}

TStringGrid::TCell& TStringGrid::Ensure(int col, int row) {
  if (static_cast<std::size_t>(col) >= FCells.size())
    FCells.resize(static_cast<std::size_t>(col) + 1);
  auto& column = FCells[static_cast<std::size_t>(col)];
  if (static_cast<std::size_t>(row) >= column.size())
    column.resize(static_cast<std::size_t>(row) + 1);
  return column[static_cast<std::size_t>(row)];
}

const std::string& TStringGrid::Cells(int col, int row) const {
  static const std::string empty;
  CheckIndex(col, row);
  const TCell* c = Find(col, row);
  return c != nullptr ? c->Text : empty;
}

void TStringGrid::SetCells(int col, int row, const std::string& value) {
  CheckIndex(col, row);
  TCell& c = Ensure(col, row);
  if (c.Text == value) return;
  c.Text = value;
  InvalidateCell(col, row);
  if (EditorMode() && col == FInplaceCol && row == FInplaceRow && FInplaceEdit != nullptr &&
      FInplaceEdit->Text() != value)
    FInplaceEdit->SetText(value);
}

TObject* TStringGrid::Objects(int col, int row) const {
  CheckIndex(col, row);
  const TCell* c = Find(col, row);
  return c != nullptr ? c->Object : nullptr;
}

void TStringGrid::SetObjects(int col, int row, TObject* value) {
  CheckIndex(col, row);
  Ensure(col, row).Object = value;
}

std::vector<std::string> TStringGrid::Cols(int index) const {
  std::vector<std::string> out;
  for (int r = 0; r < RowCount(); ++r) out.push_back(Cells(index, r));
  return out;
}

void TStringGrid::SetCols(int index, const std::vector<std::string>& value) {
  for (int r = 0; r < RowCount() && r < static_cast<int>(value.size()); ++r)
    SetCells(index, r, value[static_cast<std::size_t>(r)]);
}

std::vector<std::string> TStringGrid::Rows(int index) const {
  std::vector<std::string> out;
  for (int c = 0; c < ColCount(); ++c) out.push_back(Cells(c, index));
  return out;
}

void TStringGrid::SetRows(int index, const std::vector<std::string>& value) {
  for (int c = 0; c < ColCount() && c < static_cast<int>(value.size()); ++c)
    SetCells(c, index, value[static_cast<std::size_t>(c)]);
}

void TStringGrid::DrawCell(int col, int row, const TRect& rect, TGridDrawState state) {
  if (DefaultDrawing()) {
    TCanvas* canvas = Canvas();
    const TCell* c = Find(col, row);
    TRect r = rect;
    if (c != nullptr && !c->Text.empty()) {
      canvas->TextRect(r, r.Left + 2, r.Top + 2, c->Text);
    } else {
      canvas->FillRect(r);
    }
  }
  if (OnDrawCell) OnDrawCell(this, col, row, rect, state);
}

std::string TStringGrid::GetEditText(int col, int row) {
  std::string value = Cells(col, row);
  if (OnGetEditText) OnGetEditText(this, col, row, value);
  return value;
}

void TStringGrid::SetEditText(int col, int row, const std::string& value) {
  TDrawGrid::SetEditText(col, row, value);
  CheckIndex(col, row);
  TCell& c = Ensure(col, row);
  if (c.Text == value) return;
  c.Text = value;
  InvalidateCell(col, row);
}

void TStringGrid::ColumnMoved(int fromIndex, int toIndex) {
  if (FCells.size() < static_cast<std::size_t>(ColCount()))
    FCells.resize(static_cast<std::size_t>(ColCount()));
  MoveItem(FCells, fromIndex, toIndex);
  TCustomGrid::ColumnMoved(fromIndex, toIndex);
}

void TStringGrid::RowMoved(int fromIndex, int toIndex) {
  for (auto& column : FCells) {
    if (column.size() < static_cast<std::size_t>(RowCount()))
      column.resize(static_cast<std::size_t>(RowCount()));
    MoveItem(column, fromIndex, toIndex);
  }
}
