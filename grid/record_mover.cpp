#include "grid/record_mover.h"

#include <algorithm>

bool TGridRecordMoverEh::Begin(int row, int level, const std::string& bookmark, TPoint at) {
  FSourceRow = FTargetRow = row;
  FSourceLevel = FTargetLevel = level;
  FBookmark = bookmark;
  int origin = row;
  int destination = row;
  if (!FHost->RecordMovingCanBegin(origin, destination, at)) return false;
  FDragging = true;
  FHost->RecordMovingBegan();
  int dropLevel = -1;
  FDropX = FHost->RecordMovingDropPos(row, at, dropLevel);
  ToggleLine();
  return true;
}

void TGridRecordMoverEh::ToggleLine() {
  // Above the source (or on it, not deeper) the records go before the
  // row; else after it.
  const bool before =
      FTargetRow < FSourceRow || (FTargetRow == FSourceRow && FTargetLevel <= FSourceLevel);
  if (FHost->RecordMovingDrawLine(FTargetRow, before, FDropX)) FLineShown = !FLineShown;
}

void TGridRecordMoverEh::Track(int x, int y) {
  if (!FDragging) return;
  int first = 0;
  int last = 0;
  FHost->RecordMovingRows(first, last);
  const int direction = FHost->RecordMovingScrollDirection(y, last);
  bool erased = false;
  if (direction != 0) {
    // The line goes while the rows move under it.
    if (FLineShown) ToggleLine();
    erased = true;
    FSourceRow = FHost->RecordMovingScroll(direction, FBookmark, FSourceRow);
  }
  bool above = false;
  int row = FHost->RecordMovingRowAt(x, y, above);
  if (above || (row >= 0 && row < first))
    row = first;
  else if (row < 0 || row > last)
    row = last;
  int level = -1;
  const int dropX = FHost->RecordMovingDropPos(row, {x, y}, level);
  if (!erased && row == FTargetRow && level == FTargetLevel && dropX == FDropX) return;
  if (FLineShown) ToggleLine();
  FTargetRow = row;
  FTargetLevel = level;
  FDropX = dropX;
  ToggleLine();
}

void TGridRecordMoverEh::End() {
  if (!FDragging) return;
  if (FLineShown) ToggleLine();
  FDragging = false;
  FHost->RecordMovingEnded();
}

int TGridRecordMoverEh::DropLevel(int row, int offset, int levelWidth, int nodeLevel, int prevLevel,
                                  int nextLevel) const {
  nodeLevel = std::max(1, nodeLevel);
  int low = nodeLevel;
  int high = nodeLevel;
  if (row < FSourceRow) {
    high = std::max(low, prevLevel > 0 ? prevLevel + 1 : 1);
  } else if (row > FSourceRow) {
    low = std::min(nodeLevel, nextLevel > 0 ? nextLevel : 1);
    high = nodeLevel + 1;
  } else if (FSourceLevel > 0) {
    low = high = FSourceLevel;
  }
  return std::clamp(offset / levelWidth + 1, low, high);
}
