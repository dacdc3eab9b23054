// TDbfCursor: an ordering of the live records of a DBF table, which drives
// the table's navigation, record numbers and bookmarks.
//
// An ordering is a list of entries (physical record numbers counted from
// 0) and a position in it: -1 before the first entry, Count() after the
// last. This one keeps physical order; sort orders on a key field extend
// it. The table owns its orderings and tells each of them what changed
// (TDbfNotify), so that an append or a posted change costs one entry, not
// a rebuild. GUI thread only.
#pragma once

#include <cstdint>
#include <vector>

class TmDbfTable;

// What the table tells its orderings, with the classic numbers.
enum TDbfNotify {
  dnAppend = 0,      // records were added at the end of the file
  dnDelete = 1,      // the current record was flagged deleted
  dnChange = 2,      // the current record was rewritten
  dnClear = 3,       // close, start of a refresh
  dnRebuild = 4,     // after open, refresh
  dnRebuildAll = 5,  // structure upgrade, events switched back on
};

class TDbfCursor {
 public:
  // Adds itself to `table`'s orderings; the table frees it.
  explicit TDbfCursor(TmDbfTable* table);
  virtual ~TDbfCursor();
  TDbfCursor(const TDbfCursor&) = delete;
  TDbfCursor& operator=(const TDbfCursor&) = delete;

  TmDbfTable* Table() const { return FTable; }
  int Count() const { return static_cast<int>(FEntries.size()); }
  // -1 before the first entry, Count() after the last.
  int Position() const { return FPosition; }
  // REQUIRES: -1 <= position <= Count().
  void SetPosition(int position) { FPosition = position; }
  // The record number at the position; -1 before the first entry, Count()
  // after the last.
  int RecordNumber() const;
  // REQUIRES: 0 <= index < Count().
  int RecordAt(int index) const { return FEntries[static_cast<std::size_t>(index)]; }
  // The index of the entry holding `recordNumber`, or -1.
  virtual int IndexOfRecord(int recordNumber) const;

  // Replaces the entries with `liveRecords` (ascending record numbers),
  // keeping the current record when it is still there (else after the
  // last entry).
  virtual void Rebuild(const std::vector<int>& liveRecords);
  // Empties the list; the position becomes -1.
  virtual void Clear();
  // `recordNumber` was appended to the file.
  virtual void RecordAppended(int recordNumber);
  // `recordNumber` was flagged deleted.
  virtual void RecordDeleted(int recordNumber);
  // `recordNumber` was rewritten; physical order does not change.
  virtual void RecordChanged(int recordNumber) { (void)recordNumber; }

 protected:
  std::vector<int> FEntries;
  int FPosition = -1;

 private:
  TmDbfTable* FTable;
};
