// The grid's list of selected records (TBookmarkListEh, kept in the
// dataset's bookmark order) and the hint window of its cell, title and
// footer tool tips (TToolTipsWindow). GUI thread only.
#pragma once

#include <string>

#include "controls/dataset_helpers.h"
#include "platform/draw/geometry.h"
#include "platform/gui/hint_window.h"
#include "platform/widgets/grids.h"

class TCustomDBGridEh;

class TBookmarkListEh : public TBMListEh {
 public:
  explicit TBookmarkListEh(TCustomDBGridEh* grid) : FGrid(grid) {}
  TCustomDBGridEh* Grid() const { return FGrid; }
  // Selecting a record switches the grid's selection to records (a
  // rectangle or columns selection is dropped), repaints its row and
  // tells the grid's selection.
  void SetCurrentRowSelected(bool value) override;
  void Clear() override;
  // The grid cells (all data columns) from the first to the last visible
  // row whose record is listed; -1 everywhere when none is.
  TGridRect GetSelectedRowsRect();

 protected:
  TDataSet* GetDataSet() override;
  void Invalidate() override;
  void SelectionChanged() override;

 private:
  TCustomDBGridEh* FGrid;
};

// Measures its text in the font handed over as the hint's data, in the
// window text colour.
class TToolTipsWindow : public THintWindow {
  MEBRATH_CLASS(TToolTipsWindow, THintWindow)
 public:
  TRect CalcHintRect(int maxWidth, const std::string& hint, void* data) override;

 protected:
  explicit TToolTipsWindow(TComponent* owner) : THintWindow(owner) {}
};
