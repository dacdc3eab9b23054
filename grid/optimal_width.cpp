// Fitting columns to their contents: titles, footers and data cells are
// measured with the texts and fonts their drawing uses.

#include <algorithm>
#include <string>
#include <unordered_map>

#include "grid/db_grid.h"
#include "platform/base/scope_guard.h"
#include "platform/base/text.h"
#include "platform/data/data_guards.h"
#include "platform/data/data_set.h"
#include "platform/draw/draw_text.h"
#include "platform/gui/window.h"

namespace {

// The width `text` needs in the canvas's font; wrapped texts are laid
// out in `wrapWidth` (a word longer than that widens it).
int MeasureText(TCanvas& canvas, const std::string& text, bool wrap, int wrapWidth) {
  if (wrap) {
    TRect r{0, 0, std::max(1, wrapWidth), 0};
    canvas.TextRect(r, text, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    return r.Right - r.Left;
  }
  int widest = 0;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    widest = std::max(widest, canvas.TextWidth(line));
    start = end + 1;
  }
  return widest;
}

}  // namespace

void TCustomDBGridEh::OptimizeColumnWidth(TColumnEh* column) {
  std::vector<TColumnEh*> list;
  if (SelectionType() == gstColumns)
    for (int i = 0; i < Selection()->Columns().Count(); ++i)
      list.push_back(Selection()->Columns().Items(i));
  else if (SelectionType() == gstAll)
    list = FVisibleColumns;
  if (column != nullptr && std::find(list.begin(), list.end(), column) == list.end())
    list.push_back(column);
  OptimizeColsWidth(list);
}

void TCustomDBGridEh::OptimizeColsWidth(const std::vector<TColumnEh*>& columns) {
  if (columns.empty()) return;
  std::vector<int> widths;
  widths.reserve(columns.size());
  for (TColumnEh* c : columns)
    widths.push_back(std::max(TitleOptimalWidth(c), FootersOptimalWidth(c)));
  if (FOptionsEh.Contains(dghOptimizeWidthByData) && FDataLink->Active()) {
    TDataSet* ds = FDataLink->DataSet();
    TControlsDisabledGuard controls(ds);
    // Back to the current record afterwards, also when measuring throws.
    TBookmarkGuard position(ds);
    ds->First();
    const bool numbered = ds->IsSequenced();
    const int count = numbered ? ds->RecordCount() : 0;
    // Registers repeat their values a lot: without handlers that could
    // change the text or font, a text is measured once per column.
    std::vector<std::unordered_map<std::string, int>> known(columns.size());
    std::vector<bool> plain(columns.size());
    for (std::size_t i = 0; i < columns.size(); ++i)
      plain[i] =
          !OnGetCellParams && !columns[i]->OnGetCellParams && columns[i]->GetCellKind() == ctCommon;
    while (!ds->Eof()) {
      for (std::size_t i = 0; i < columns.size(); ++i) {
        int w = 0;
        if (plain[i]) {
          auto [it, added] = known[i].try_emplace(columns[i]->GetCellDisplayText(), 0);
          if (added) it->second = DataCellOptimalWidth(columns[i]);
          w = it->second;
        } else {
          w = DataCellOptimalWidth(columns[i]);
        }
        widths[i] = std::max(widths[i], w);
      }
      if (numbered && ds->RecNo() >= count) break;
      ds->Next();
    }
  }
  BeginLayout();
  TFinallyGuard layout([this] { EndLayout(); });
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (FAutoFitColWidths)
      columns[i]->SetAutoFitWidth(widths[i]);
    else
      columns[i]->SetWidth(widths[i]);
  }
  if (FAutoFitColWidths) RequestLayout();
}

int TCustomDBGridEh::TitleOptimalWidth(TColumnEh* column) {
  TColumnTitleEh* title = column->Title();
  TCanvas& canvas = MeasureCanvas();
  canvas.Font()->Assign(title->Font());
  const int room = title->GetSortMarkingWidth(canvas, column->Width());
  const int extra = room > 2 ? 4 + room - 2 : 0;
  if (FTitleImages != nullptr && title->ImageIndex() >= 0) return extra + FTitleImages->Width();
  std::string caption = title->Caption();
  if (FUseMultiTitle) {
    const std::size_t bar = caption.rfind('|');
    if (bar != std::string::npos) caption = caption.substr(bar + 1);
  }
  const bool vertical = title->Orientation() == tohVertical;
  const bool wrap = !vertical && (FUseMultiTitle || FTitleHeight > 0 || FTitleLines > 0);
  if (vertical) return extra + canvas.TextHeight(caption) + 4;
  return MeasureText(canvas, caption, wrap, column->Width() - 2 * 2) + extra;
}

int TCustomDBGridEh::FootersOptimalWidth(TColumnEh* column) {
  TCanvas& canvas = MeasureCanvas();
  int widest = 0;
  for (int row = 0; row < FFooterRowCount; ++row) {
    TColumnFooterEh* footer = column->UsedFooter(row);
    TFont font;
    font.Assign(footer->Font());
    TColor background = footer->Color();
    TAlignment alignment = footer->Alignment();
    std::string text = GetFooterValue(row, column);
    if (OnGetFooterParams)
      OnGetFooterParams(this, column->Index(), row, column, &font, background, alignment, {}, text);
    canvas.Font()->Assign(&font);
    const bool wrap = footer->WordWrap() && FMultiLineRows;
    widest = std::max(widest, MeasureText(canvas, text, wrap, column->Width() - 4) + 5);
  }
  return widest;
}

int TCustomDBGridEh::DataCellOptimalWidth(TColumnEh* column) {
  int extra = 4;
  if (column->AlwaysShowEditButton()) extra += column->GetEditButtonsWidth();
  if (!FVisibleColumns.empty() && column == FVisibleColumns.front()) extra += TreeIndentWidth();
  const TColumnEhType kind = column->GetCellKind();
  if (kind == ctCheckboxes) return extra + 13;
  if (kind == ctKeyImageList && column->ImageList() != nullptr)
    return extra + column->ImageList()->Width();
  if (column->ImageList() != nullptr) extra += column->ImageList()->Width() + 4;
  TFont font;
  font.Assign(column->Font());
  FColCellParams.Col = -1;
  FColCellParams.Row = -1;
  FColCellParams.State = 0;
  FColCellParams.Font = &font;
  FColCellParams.Background = column->Color();
  FColCellParams.Alignment = column->Alignment();
  FColCellParams.ImageIndex = -1;
  FColCellParams.Text = column->GetCellDisplayText();
  FColCellParams.CheckState = cbUnchecked;
  FColCellParams.ReadOnly = column->ReadOnly();
  if (OnGetCellParams) OnGetCellParams(this, column, &font, FColCellParams.Background, {});
  column->GetColCellParams(false, FColCellParams);
  TCanvas& canvas = MeasureCanvas();
  canvas.Font()->Assign(&font);
  const bool wrap = column->WordWrap() && FMultiLineRows;
  return MeasureText(canvas, FColCellParams.Text, wrap, column->Width() - 4) + extra;
}
