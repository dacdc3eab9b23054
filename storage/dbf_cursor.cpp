#include "storage/dbf_cursor.h"

#include <algorithm>

#include "storage/dbf_table.h"

TDbfCursor::TDbfCursor(TmDbfTable* table) : FTable(table) { table->AddOrdering(this); }

TDbfCursor::~TDbfCursor() { FTable->RemoveOrdering(this); }

int TDbfCursor::RecordNumber() const {
  if (FPosition < 0) return -1;
  if (FPosition >= Count()) return Count();
  return RecordAt(FPosition);
}

int TDbfCursor::IndexOfRecord(int recordNumber) const {
  // Physical order is ascending, so a binary search finds it.
  const auto it = std::lower_bound(FEntries.begin(), FEntries.end(), recordNumber);
  return it != FEntries.end() && *it == recordNumber ? static_cast<int>(it - FEntries.begin()) : -1;
}

void TDbfCursor::Rebuild(const std::vector<int>& liveRecords) {
  const int current = FPosition >= 0 && FPosition < Count() ? RecordAt(FPosition) : -1;
  FEntries = liveRecords;
  if (current >= 0) {
    const int index = IndexOfRecord(current);
    FPosition = index >= 0 ? index : Count();
  } else if (FPosition > Count()) {
    FPosition = Count();
  }
}

void TDbfCursor::Clear() {
  FEntries.clear();
  FPosition = -1;
}

void TDbfCursor::RecordAppended(int recordNumber) { FEntries.push_back(recordNumber); }

void TDbfCursor::RecordDeleted(int recordNumber) {
  const int index = IndexOfRecord(recordNumber);
  if (index < 0) return;
  FEntries.erase(FEntries.begin() + index);
  if (FEntries.empty())
    FPosition = -1;
  else if (FPosition > index || FPosition >= Count())
    --FPosition;
}
