#include "grid/data_rows.h"

#include <algorithm>

#include "platform/base/scope_guard.h"
#include "platform/data/data_set.h"
#include "platform/data/data_source.h"
#include "platform/data/mem_table_intf.h"

void TGridDataRowsEh::QueryMemTable(TDataSet* dataSet) {
  IMemTableEh* old = FMemTable;
  FMemTable = dataSet != nullptr ? MemTableInterfaceOf(dataSet) : nullptr;
  FMemTableDataSet = FMemTable != nullptr ? dataSet : nullptr;
  if (FMemTable != old) FHost->RowsMemTableChanged(FMemTableDataSet);
}

void TGridDataRowsEh::ForgetMemTable() {
  FMemTable = nullptr;
  FMemTableDataSet = nullptr;
}

bool TGridDataRowsEh::DataSetRemoved(const TComponent* component) {
  if (FMemTableDataSet == nullptr || component != FMemTableDataSet) return false;
  ForgetMemTable();
  return true;
}

void TGridDataRowsEh::ReadAt(int rowIndex) {
  if (PerRecord()) {
    FMemTable->BeginReadAt(rowIndex);
    return;
  }
  if (!FActiveRecordSaved) {
    FSavedActiveRecord = FLink->ActiveRecord();
    FActiveRecordSaved = true;
  }
  FLink->SetActiveRecord(rowIndex);
}

void TGridDataRowsEh::BeginRow(int rowIndex) {
  if (FReadDepth < kMaxReadDepth) FReading[static_cast<std::size_t>(FReadDepth)] = rowIndex;
  ++FReadDepth;
  ReadAt(rowIndex);
}

void TGridDataRowsEh::EndRow() {
  if (FReadDepth > 1) {
    // Back to the row of the read around this one.
    --FReadDepth;
    if (FReadDepth <= kMaxReadDepth) ReadAt(FReading[static_cast<std::size_t>(FReadDepth - 1)]);
    return;
  }
  FReadDepth = 0;
  if (PerRecord())
    FMemTable->EndRead();
  else if (FActiveRecordSaved)
    FLink->SetActiveRecord(FSavedActiveRecord);
  FSavedActiveRecord = -1;
  FActiveRecordSaved = false;
}

// ---- row-per-record scrolling

int TGridDataRowsEh::MaxTopRow() {
  const int fixed = FHost->RowsFixedCount();
  const int total = FHost->RowsTotalCount();
  if (total <= fixed) return fixed;
  return std::max(fixed, FHost->RowsFirstShowingWhole(total - 1));
}

void TGridDataRowsEh::SafeSetTopRow(int row) {
  if (!FHost->RowsWindowShown()) return;
  const int fixed = FHost->RowsFixedCount();
  const int last = std::max(fixed, std::min(FHost->RowsTotalCount() - 1, MaxTopRow()));
  row = std::clamp(row, fixed, last);
  const int old = FHost->RowsTopRow();
  if (row == old) return;
  FHost->RowsSetTopRow(row);
  FHost->RowsTopChanged(old);
}

void TGridDataRowsEh::ScrollRequest(int code, int thumb, bool tracking) {
  const int top = FHost->RowsTopRow();
  const int fixed = FHost->RowsFixedCount();
  switch (code) {
    case SB_LINEUP:
      SafeSetTopRow(top - 1);
      break;
    case SB_LINEDOWN:
      SafeSetTopRow(top + 1);
      break;
    case SB_PAGEUP: {
      // The rows that fit in the scrolling area ending at the top row.
      const int fit = top - FHost->RowsFirstShowingWhole(top) + 1;
      SafeSetTopRow(top - std::max(1, fit));
      break;
    }
    case SB_PAGEDOWN:
      SafeSetTopRow(top + std::max(1, FHost->RowsLastFullShown() - top));
      break;
    case SB_THUMBTRACK:
      if (tracking) SafeSetTopRow(fixed + thumb - 1);
      break;
    case SB_THUMBPOSITION:
      SafeSetTopRow(fixed + thumb - 1);
      break;
    case SB_TOP:
      SafeSetTopRow(fixed);
      break;
    case SB_BOTTOM:
      SafeSetTopRow(FHost->RowsTotalCount());
      break;
    default:
      break;
  }
}

void TGridDataRowsEh::Wheel(bool down, TShiftState shift, int page) {
  const int direction = down ? 1 : -1;
  if (shift.Contains(ssShift)) {
    // The current record moves.
    FLink->MoveBy(shift.Contains(ssCtrl) ? direction * page : direction);
    return;
  }
  if (!shift.Contains(ssCtrl)) {
    SafeSetTopRow(FHost->RowsTopRow() + direction);
    return;
  }
  if (down) {
    const int below = FHost->RowsTotalCount() - 1 - FHost->RowsLastFullShown();
    if (below < page) FMemTable->FetchRecords(page - below);
  }
  SafeSetTopRow(FHost->RowsTopRow() + direction * page);
}

void TGridDataRowsEh::FetchStep() {
  if (FInFetch) return;
  TFlagGuard inFetch(FInFetch);
  const int room = FHost->RowsRoomBelow();
  if (room > 0)
    FMemTable->FetchRecords(room);
  else if (FHost->RowsLastFullShown() >= FHost->RowsTotalCount() - 1)
    FMemTable->FetchRecords(1);
}
