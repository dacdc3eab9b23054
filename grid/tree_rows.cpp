#include "grid/tree_rows.h"

#include <algorithm>

#include "controls/dataset_helpers.h"
#include "platform/base/scope_guard.h"
#include "platform/data/data_guards.h"
#include "platform/data/data_source.h"
#include "platform/data/mem_table_intf.h"

int TGridTreeRowsEh::IndentWidth() const {
  if (!Shown()) return 0;
  return std::max(0, FRows.MemTable()->NodeLevel() * kLevelWidth);
}

TTreeNodeShapeEh TGridTreeRowsEh::NodeShape() const {
  IMemTableEh* table = FRows.MemTable();
  TTreeNodeShapeEh node;
  node.Level = std::max(1, table->NodeLevel());
  node.NextLevel = table->NextNodeLevel();
  node.HasChildren = table->NodeHasChildren();
  node.Expanded = table->NodeExpanded();
  for (int level = 1; level <= node.Level; ++level)
    node.HasNextSibling.push_back(table->HasNextSibling(level));
  return node;
}

void TGridTreeRowsEh::ReadNode(int row, int& indent, bool& expanded) const {
  IMemTableEh* table = FRows.MemTable();
  if (row >= 0) table->BeginReadAt(row);
  indent = IndentWidth();
  expanded = table->NodeExpanded();
  if (row >= 0) table->EndRead();
}

void TGridTreeRowsEh::NodeClicked(int row, bool expanded, bool onButton) {
  IMemTableEh* table = FRows.MemTable();
  TDataSet* ds = FRows.Link()->DataSet();
  const void* rowObject = table->CurrentRowObject();
  TFlagGuard treeExpand(FRows.InTreeExpand());
  TControlsDisabledGuard disabled(ds);
  if (!onButton) return;
  const int recNo = table->SetNodeExpanded(row, !expanded);
  // The current record stays, unless the dataset says the node itself
  // went elsewhere.
  if (recNo > 0 && recNo != ds->RecNo())
    ds->SetRecNo(recNo);
  else
    table->SetToRowObject(rowObject);
}

bool TGridTreeRowsEh::SetCurrentNodeExpanded(bool value, bool allBelow) {
  IMemTableEh* table = FRows.MemTable();
  TDataSet* ds = FRows.Link()->DataSet();
  if (ds->IsEmpty() || ds->State() != dsBrowse) return false;
  const int row = table->CurrentRow();
  if (row < 0) return false;
  const void* rowObject = table->CurrentRowObject();
  TFlagGuard treeExpand(FRows.InTreeExpand());
  TControlsDisabledGuard disabled(ds);
  const int level = table->NodeLevel();
  if (table->NodeHasChildren() && (allBelow || table->NodeExpanded() != value))
    table->SetNodeExpanded(row, value || allBelow);
  if (allBelow) {
    // Every node under the current one, as the rows open up below it.
    for (int r = row + 1; r < table->RowCount(); ++r) {
      table->BeginReadAt(r);
      const int nodeLevel = table->NodeLevel();
      const bool closed = table->NodeHasChildren() && !table->NodeExpanded();
      table->EndRead();
      if (nodeLevel <= level) break;
      if (closed) table->SetNodeExpanded(r, true);
    }
  }
  table->SetToRowObject(rowObject);
  return true;
}
