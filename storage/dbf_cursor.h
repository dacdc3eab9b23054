// TDbfCursor: an ordering of the live records of a DBF table, which drives
// the table's navigation, record numbers and bookmarks, and answers key
// searches.
//
// An ordering is a list of entries (physical record numbers counted from
// 0) and a position in it: -1 before the first entry, Count() after the
// last. Without a key field the entries stand in physical order; with one
// they are sorted by the key bytes the table stored for each record (the
// column's bytes as on disk, or the calculated value's first Size - 1
// bytes), ascending or descending. One comparison orders everything an
// ordering does (build, insert, move, search): the ordinal byte comparison
// of the keys, a shorter key that is a prefix of a longer one first, equal
// keys by record number. Keeping one total order lets a binary search find
// every key that is there and the entry of any record.
//
// The table owns its orderings, computes the keys and tells each ordering
// what changed, so that an append, a posted change or a delete costs one
// entry, not a rebuild. Orderings outlive close and reopen with their key
// field name and direction. GUI thread only.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/sets.h"

class TmDbfTable;

// Search options of FindKey and FindOtherKey.
enum TFindOption { foCaseInsensitive, foPartial };
using TFindOptions = TSet<TFindOption>;

class TDbfCursor {
 public:
  // Adds itself to `table`'s orderings, in physical order; the table frees
  // it.
  explicit TDbfCursor(TmDbfTable* table);
  virtual ~TDbfCursor();
  TDbfCursor(const TDbfCursor&) = delete;
  TDbfCursor& operator=(const TDbfCursor&) = delete;

  TmDbfTable* Table() const { return FTable; }
  // Empty for physical order.
  const std::string& KeyFieldName() const { return FKeyFieldName; }
  bool Descending() const { return FDescending; }
  // The length of every key; 0 in physical order.
  int KeyLength() const { return FKeyLength; }
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
  // The key of the entry at `index`. REQUIRES: 0 <= index < Count().
  std::string_view KeyAt(int index) const { return KeyOf(RecordAt(index)); }
  // The index of the entry holding `recordNumber`, or -1. A binary search.
  int IndexOfRecord(int recordNumber) const;

  // Searches the prepared `value` (key bytes, cut or padded by the table)
  // and returns the index of the first matching entry, or -1. `partial`
  // compares only value.size() bytes of each key; `fold` (may be null)
  // upper-cases a byte, and then every key is folded before it is compared,
  // entry by entry, since the order is by the unfolded bytes.
  // REQUIRES: an ascending ordering.
  int Search(std::string_view value, bool partial, unsigned char (*fold)(unsigned char)) const;
  // As Search, but returns the record number of a matching entry other
  // than `exceptRecord`, looking at every matching entry; -1 when none.
  int SearchOther(std::string_view value, bool partial, unsigned char (*fold)(unsigned char),
                  int exceptRecord) const;

  // --- maintenance by the table
  // Sets the key field (empty for physical order) and direction for the
  // next build; the key length is set by BeginBuild.
  void SetKey(const std::string& fieldName, bool descending);
  // Starts a build: remembers the current record, empties the list.
  void BeginBuild(int keyLength);
  // Adds a live record during a build. REQUIRES: key.size() == KeyLength().
  void AddBuilt(int recordNumber, std::string_view key);
  // Sorts, and puts the position back on the remembered record (after the
  // last entry when it is gone).
  void EndBuild();
  // Takes the entries and keys of `other`, an ordering of this table with
  // the same key field and direction, instead of a build; the position
  // stays on the current record (after the last entry when it is gone).
  void CopyOrder(const TDbfCursor& other);
  // Empties the list; the position becomes -1.
  void Clear();
  // `recordNumber`, beyond every record in the list, was appended; returns
  // the index of its entry.
  int RecordAppended(int recordNumber, std::string_view key);
  // `recordNumber` was flagged deleted; its entry goes.
  void RecordDeleted(int recordNumber);
  // `recordNumber` was rewritten with `key`; its entry moves to its new
  // place and the position follows it.
  void RecordChanged(int recordNumber, std::string_view key);

 private:
  // A key's first 16 bytes as a big-endian number.
  using THead = unsigned __int128;

  std::string_view KeyOf(int recordNumber) const {
    return {FKeys.data() + static_cast<std::size_t>(recordNumber) * FKeyLength,
            static_cast<std::size_t>(FKeyLength)};
  }
  // What FHeads holds for `recordNumber`'s stored key.
  THead HeadOfRecord(int recordNumber) const;
  void StoreKey(int recordNumber, std::string_view key);
  // Sorts the entries by Less and fills FHeads. REQUIRES: a key.
  void SortEntries();
  // Puts the position back on FRemembered (after the last entry when it
  // is gone) and forgets it.
  void RestorePosition();
  // The total order of the entries.
  bool Less(int a, int b) const;
  // The index at which `recordNumber`'s entry stands or would stand.
  int LowerBound(int recordNumber) const;
  // The half-open range of entries whose key starts with (or equals)
  // `value`, for a case-sensitive search; with `firstOnly`, only its first
  // entry. REQUIRES: an ascending ordering with a key.
  std::pair<int, int> MatchRange(std::string_view value, bool partial,
                                 bool firstOnly = false) const;
  bool Matches(int index, std::string_view value, bool partial,
               unsigned char (*fold)(unsigned char)) const;

  std::vector<int> FEntries;
  // With a key, FHeads[i] is the head of KeyAt(i): its first 16 bytes as
  // a big-endian number (zero bytes past the end of shorter keys),
  // complemented in a descending ordering. So FHeads never decreases, and
  // where two heads differ they alone order the entries: searches halve
  // over this array and read the keys only among equal heads of keys
  // longer than 16 bytes. Empty in physical order.
  std::vector<THead> FHeads;
  // The key of record r at r * FKeyLength, for every record the ordering
  // has seen.
  std::string FKeys;
  int FKeyLength = 0;
  int FPosition = -1;
  int FRemembered = -1;  // the current record during a build
  std::string FKeyFieldName;
  bool FDescending = false;
  TmDbfTable* FTable;
};
