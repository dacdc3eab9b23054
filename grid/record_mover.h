// TGridRecordMoverEh: the drag of records by their indicator cell. It keeps
// the drag's state (the dragged record's row, tree level and bookmark, the
// target row and level, where the drop line starts), draws and erases the
// XOR drop line, follows the pointer, scrolls the rows while the pointer is
// beyond the first or last data row (on the timer's ticks as on mouse
// moves) and tells at the end whether the records are to move.
//
// Rows are grid rows. The grid is seen through TGridRecordMoverHostEh, so
// the drag is tested against a fake. GUI thread only.
#pragma once

#include <string>

#include "platform/gui/messages.h"

// What the mover calls on its grid.
class TGridRecordMoverHostEh {
 public:
  // The grid's veto before a drag starts (CanBeginRecordMoving).
  virtual bool RecordMovingCanBegin(int& origin, int& destination, TPoint at) = 0;
  // The drag started: the grid captures the mouse and starts the timer;
  // it ended: both stop.
  virtual void RecordMovingBegan() = 0;
  virtual void RecordMovingEnded() = 0;
  // The left end of the drop line for `row` and the tree level the
  // records would take there (GetRecordMovingDropPos).
  virtual int RecordMovingDropPos(int row, TPoint at, int& level) = 0;
  // Draws the XOR line across the client from `x` at the top (`before`)
  // or bottom of `row`; false when nothing was drawn (no window, or the
  // row not shown).
  virtual bool RecordMovingDrawLine(int row, bool before, int x) = 0;
  // The data rows a drop may target now (first <= last).
  virtual void RecordMovingRows(int& first, int& last) = 0;
  // -1 when client `y` lies above the data rows, 1 when below row `last`
  // (shown), else 0.
  virtual int RecordMovingScrollDirection(int y, int last) = 0;
  // Scrolls the rows one step in `direction` and repaints; returns the
  // grid row that now shows the record `bookmark` (off the window: just
  // above or below it), or `sourceRow` when the rows are the dataset's.
  virtual int RecordMovingScroll(int direction, const std::string& bookmark, int sourceRow) = 0;
  // The grid row under client (x, y) clamped into the client area (-1 for
  // none); `above` when `y` lies above the data rows.
  virtual int RecordMovingRowAt(int x, int y, bool& above) = 0;

 protected:
  ~TGridRecordMoverHostEh() = default;
};

class TGridRecordMoverEh {
 public:
  explicit TGridRecordMoverEh(TGridRecordMoverHostEh* host) : FHost(host) {}

  bool Dragging() const { return FDragging; }
  // The drag's rows and tree levels (-1 without a tree); -1 rows before
  // the first drag.
  int SourceRow() const { return FSourceRow; }
  int SourceLevel() const { return FSourceLevel; }
  int TargetRow() const { return FTargetRow; }
  int TargetLevel() const { return FTargetLevel; }
  // The dragged record.
  const std::string& Bookmark() const { return FBookmark; }
  bool LineShown() const { return FLineShown; }

  // Starts dragging the record `bookmark` of grid row `row` (tree level
  // `level`) pressed at `at`: false when the host vetoes it. Source and
  // target are that row either way.
  bool Begin(int row, int level, const std::string& bookmark, TPoint at);
  // Follows the pointer at client (x, y). Nothing when not dragging.
  void Track(int x, int y);
  // Ends the drag: the line is erased and the host told. The rows and
  // levels stay for the drop. Nothing when not dragging.
  void End();
  // The tree level records dropped on grid row `row` take, `offset`
  // pixels right of the tree area's left edge (one level per `levelWidth`),
  // within what the tree allows there: above the source row, a sibling of
  // the row (`nodeLevel`) or a child of the row above (`prevLevel`); below
  // it, a child of the row or a sibling of it or of an ancestor down to
  // the row below's level (`nextLevel`); on the source row, the dragged
  // record's own level. A level below 1 reads as none (1).
  int DropLevel(int row, int offset, int levelWidth, int nodeLevel, int prevLevel,
                int nextLevel) const;
  // The target differs from the source in row or level.
  bool TargetMoved() const { return FTargetRow != FSourceRow || FTargetLevel != FSourceLevel; }

 private:
  void ToggleLine();

  TGridRecordMoverHostEh* FHost;
  bool FDragging = false;
  int FSourceRow = -1;
  int FSourceLevel = -1;
  int FTargetRow = -1;
  int FTargetLevel = -1;
  std::string FBookmark;
  int FDropX = 0;
  bool FLineShown = false;
};
