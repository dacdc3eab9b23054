// IMemTableEh: what a dataset may offer beyond TDataSet so that a grid can
// show one grid row per dataset row and draw the records as a tree.
//
// A dataset offers it by deriving from it as well as from TDataSet; a
// grid asks with dynamic_cast (MemTableInterfaceOf). None of the
// program's own datasets does.
//
// Rows are the dataset's visible rows (the nodes whose parents are all
// expanded), numbered from 0. "The reading position" is the row that
// BeginReadAt chose, else the record the fields read now (the active
// buffer). The node queries answer for the reading position. GUI thread
// only.
#pragma once

#include <string>
#include <vector>

#include "platform/data/data_set.h"

class IMemTableEh {
 public:
  // Makes `count` more records available (a dataset that reads lazily
  // reads them now); the dataset tells its links when the count grew.
  virtual void FetchRecords(int count) = 0;
  // The 0-based row of the current record; -1 when there is none.
  virtual int CurrentRow() = 0;

  // --- the node at the reading position
  virtual bool NodeExpanded() = 0;
  virtual bool NodeHasChildren() = 0;
  // 1 for a top-level node.
  virtual int NodeLevel() = 0;
  // The level of the node on the row above / below; negative when there
  // is no such row.
  virtual int PrevNodeLevel() = 0;
  virtual int NextNodeLevel() = 0;

  // Identifies the current record; valid until the dataset changes.
  virtual const void* CurrentRowObject() = 0;
  // The row of a bookmarked record; -1 when it is not shown.
  virtual int RowOfBookmark(const std::string& bookmark) = 0;
  // The number of visible rows.
  virtual int RowCount() = 0;
  // The records are shown as a tree.
  virtual bool TreeDisplay() = 0;
  // Whether the ancestor at `level` of the node at the reading position
  // (the node itself for its own level) has a sibling after it.
  virtual bool HasNextSibling(int level) = 0;
  // Makes the record of `rowObject` current again.
  virtual void SetToRowObject(const void* rowObject) = 0;
  // Expands or collapses the node on row `rowIndex`; returns the 1-based
  // record number of that node afterwards.
  virtual int SetNodeExpanded(int rowIndex, bool value) = 0;
  // Moves the records of `bookmarks` to row `targetRow`, under a parent at
  // `targetLevel` - 1 (-1: the mover decides). With `checkOnly` only tells
  // whether it could. False when nothing was (or could be) moved.
  virtual bool MoveRecords(const std::vector<std::string>& bookmarks, int targetRow,
                           int targetLevel, bool checkOnly) = 0;
  // Makes row `rowIndex` the reading position (fields, bookmark and node
  // queries read it) without moving the dataset.
  virtual void BeginReadAt(int rowIndex) = 0;
  // The reading position returns to the current record.
  virtual void EndRead() = 0;

 protected:
  ~IMemTableEh() = default;
};

// The dataset's interface, or nullptr when it offers none.
inline IMemTableEh* MemTableInterfaceOf(TDataSet* dataSet) {
  return dynamic_cast<IMemTableEh*>(dataSet);
}
