// TGridTreeRowsEh: the data grid's tree rows. A dataset that offers
// IMemTableEh and reports tree display shows its rows as an outline; this
// unit asks the dataset about the node being read (its indent and shape)
// and expands or collapses nodes while the current record stays where it
// is. The grid keeps the drawing, the clicks and the top row.
//
// It reaches the dataset through the grid's data rows (data_rows.h), whose
// tree-expand flag it sets while a node changes. GUI thread only.
#pragma once

#include "grid/data_rows.h"
#include "grid/tree_area.h"

class TGridTreeRowsEh {
 public:
  // The pixels of one tree level.
  static constexpr int kLevelWidth = 18;

  explicit TGridTreeRowsEh(TGridDataRowsEh& rows) : FRows(rows) {}

  // The link is active and its dataset shows its rows as a tree.
  bool Shown() const {
    return FRows.MemTable() != nullptr && FRows.Link()->Active() && FRows.MemTable()->TreeDisplay();
  }
  // Level x kLevelWidth for the node being read; 0 when not Shown().
  int IndentWidth() const;
  // The node being read.
  // REQUIRES: Shown().
  TTreeNodeShapeEh NodeShape() const;
  // The indent and expanded state of the node on dataset row `row`
  // (0-based; -1 for the current record), read through the dataset's
  // reading position without moving it.
  // REQUIRES: Shown().
  void ReadNode(int row, int& indent, bool& expanded) const;
  // A click on the tree area of dataset row `row`, whose node is
  // `expanded`: on the node's button (`onButton`) the node toggles and the
  // current record stays, unless the dataset reports that the node itself
  // moved, and then goes with it. The dataset's controls are disabled
  // around it either way, so the grid hears one change.
  // REQUIRES: Shown(); the dataset is not empty.
  void NodeClicked(int row, bool expanded, bool onButton);
  // Expands or collapses the current node; `allBelow` expands it and
  // every node under it. False (nothing done) for an empty dataset, one
  // not browsing or no current row.
  // REQUIRES: Shown().
  bool SetCurrentNodeExpanded(bool value, bool allBelow);

 private:
  TGridDataRowsEh& FRows;
};
