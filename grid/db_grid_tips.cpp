// The data grid's tool tips: a title's own hint, and the whole text of a
// data, title or footer cell that does not fit, shown over the cell in the
// cell's font.
#include <algorithm>

#include "grid/db_grid.h"
#include "grid/db_grid_modes.h"
#include "grid/selected_rows.h"
#include "platform/data/data_set.h"
#include "platform/draw/draw_text.h"
#include "platform/gui/hint_window.h"
#include "platform/gui/window.h"

namespace {

// The caption a multi-level title shows in its own (lowest) band.
std::string LeafCaption(const std::string& caption) {
  const std::size_t bar = caption.rfind('|');
  return bar == std::string::npos ? caption : caption.substr(bar + 1);
}

}  // namespace

void TCustomDBGridEh::ShowCellToolTip(THintInfo& info) {
  if (!HandleAllocated()) return;
  const TGridCoord cell = MouseCoord(info.CursorPos.X, info.CursorPos.Y);
  if (cell.X < 0 || cell.Y < 0) return;
  TCellColPartEh colPart;
  TCellRowPartEh rowPart;
  int colIndex, rowIndex;
  GetCellType(cell.X, cell.Y, colPart, rowPart, colIndex, rowIndex);
  TColumnEh* column = colPart == ccpDataEh ? ColumnOfRawCol(cell.X) : nullptr;
  if (column == nullptr) return;
  const TRect rect = CellRect(cell.X, cell.Y);
  if (IsRectEmpty(rect)) return;
  info.CursorRect = rect;

  auto showOverCell = [&](const std::string& text, const TFont* font) {
    FToolTipFont->Assign(font);
    info.HintStr = text;
    info.HintPos = ClientToScreen({rect.Left, rect.Top});
    info.HintData = FToolTipFont.get();
    info.HintWindowClass = [](TComponent* owner) -> THintWindow* {
      return Create<TToolTipsWindow>(owner);
    };
  };
  if (rowPart == crpTitleEh && !column->Title()->Hint().empty()) {
    showOverCell(column->Title()->Hint(), column->Title()->Font());
    return;
  }
  // Cut texts only while nothing is dragged and Ctrl is up.
  info.HintStr.clear();
  if (MouseCapture() || GetKeyState(VK_CONTROL) < 0) return;

  std::string text;
  const TFont* font = nullptr;
  int width = rect.Width();
  int height = rect.Height();
  bool wrap = false;
  bool rotated = false;
  if (rowPart == crpFooterEh) {
    TColumnFooterEh* footer = column->UsedFooter(rowIndex - 1);
    if (footer == nullptr || !footer->ToolTips()) return;
    text = GetFooterValue(rowIndex - 1, column);
    font = footer->Font();
    wrap = footer->WordWrap();
  } else if (rowPart == crpDataEh) {
    if (!FDataLink->Active() || !column->ToolTips() || rowIndex >= FRows->DataRowCount()) return;
    {
      TGridRowReadEh reading(*FRows, rowIndex);
      text = column->GetCellDisplayText();
      // The tree's indent is no room for the text.
      if (FTreeArea->IsTreeColumn(cell.X)) width -= FTree->IndentWidth();
    }
    font = column->Font();
    wrap = column->WordWrap() && FMultiLineRows;
    if (column->ImageList() != nullptr) width -= column->ImageList()->Width();
  } else if (rowPart == crpTitleEh) {
    if (!column->Title()->ToolTips()) return;
    text = FUseMultiTitle ? LeafCaption(column->Title()->Caption()) : column->Title()->Caption();
    font = column->Title()->Font();
    wrap = true;
    rotated = column->Title()->Orientation() == tohVertical;
  } else {
    return;
  }
  if (text.empty()) return;
  TCanvas& canvas = *Canvas();
  TCanvasStateSaver saver(canvas);
  canvas.Font()->Assign(font);
  int textWidth = canvas.TextWidth(text);
  int textHeight = canvas.TextHeight(text);
  if (rotated) std::swap(width, height);
  if (wrap && !rotated) {
    // Wrapped into the cell's text width: too tall, or a word too wide.
    TRect calc{0, 0, std::max(1, width - 4), 0};
    DrawText(canvas, text, calc, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    textWidth = calc.Width();
    textHeight = calc.Height();
  }
  if (!CellTextIsCut(textWidth, textHeight, width, height, wrap)) return;
  showOverCell(text, font);
}
