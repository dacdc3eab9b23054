// TmemDs: a dataset that keeps its records in memory and never touches a
// file. Its structure comes from its persistent fields (Create<...Field>,
// SetDataSet before Open). The register windows hold a coupon's child rows
// in one (edited in a grid) and the rows of the invoice report in another;
// they empty it by closing and opening it again.
//
// Record buffer: every data field's native value (fields.h) at its offset,
// in field order, with no null flags; then the calculated area
// (CalcFieldsSize bytes, for calculated and lookup fields); then the
// bookmark (a 32-bit serial number) and the bookmark flag byte, and one
// spare byte. A date of day 0 and a date-time of 0 ms are null; every other
// kind always has a value (zero in a new record). Dates before 31.12.1899
// are stored as 0, so they read back null.
//
// Bookmarks are serial numbers given to each stored record when it is
// added; they are never reused for the life of the component (not even
// after reopening), so the bookmark of a deleted record stays invalid
// instead of naming another record. CompareBookmarks orders by the records'
// current positions; going to a vanished bookmark is a silent abort
// (EAbort).
//
// Costs, n records: append and navigation O(1); delete and insert O(n)
// worst case (O(1) at either end); Locate, FindRecord, GotoBookmark,
// BookmarkValid and CompareBookmarks O(n).
//
// GUI thread only.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/data/data_set.h"

class TmemDs : public TDataSet {
  MEBRATH_CLASS(TmemDs, TDataSet)
 public:
  // The dataset can be modified exactly when ReadOnly is false (the
  // default); writing to a read-only one raises "Cannot modify a read-only
  // dataset".
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool value) { FReadOnly = value; }

  // Finds the first record whose field `keyFields` matches `keyValues`
  // (FindRecord on the value's text) and makes it current; when none
  // matches, goes to the last record. Refreshes either way. A null or
  // unassigned `keyValues` returns false and moves nothing. Posts or
  // cancels a pending edit before searching. Raises as FindRecord does.
  bool Locate(const std::string& keyFields, const Variant& keyValues,
              TLocateOptions options) override;

  // The 1-based position of the first record whose field `keyFields`
  // matches `keyText`, or -1 (also for an empty dataset). Moves nothing and
  // writes into no record.
  //   String fields: the stored text equals keyText, or starts with it
  //   (loPartialKey), with Cyrillic-aware case folding (loCaseInsensitive).
  //   Integer, float, currency, date, time and date-time fields: keyText is
  //   read as the field's edit text (the field's OnSetText and text rules,
  //   without its OnValidate) and compared by value; an empty text means
  //   zero (null for dates).
  //   Boolean, bytes, blob and calculated fields never match.
  // Raises EDatabaseError "Field '%s' not found" when `keyFields` is not
  // one field of the dataset, and the field's conversion error (e.g.
  // EConvertError) when keyText does not read as its value.
  // REQUIRES: the dataset is open.
  virtual int FindRecord(const std::string& keyFields, const std::string& keyText,
                         TLocateOptions options);

  // By the records' current positions; an empty bookmark sorts first, a
  // vanished one after every live record (by serial among themselves).
  int CompareBookmarks(const TBookmark& a, const TBookmark& b) override;
  // True when the bookmark's record is still in the dataset.
  bool BookmarkValid(const TBookmark& bookmark) override;

  bool GetFieldData(TField* field, void* buffer) override;
  // A stored text straight from its record, NUL bytes in it too.
  bool GetFieldString(TField* field, std::string& value) override;
  // Raises "Dataset not in edit or insert mode" outside the write states
  // (and for a data field in dsCalcFields), "Field '%s' cannot be modified"
  // for a read-only field (except in dsFilter); runs the field's OnValidate.
  void SetFieldData(TField* field, const void* buffer) override;

 protected:
  explicit TmemDs(TComponent* owner);

  // The record buffer that fields read and write in the current state;
  // false (and nullptr) when there is none.
  virtual bool GetActiveRecBuf(TRecordBuffer& buffer);

  // TDataSet
  TRecordBuffer AllocRecordBuffer() override;
  void FreeRecordBuffer(TRecordBuffer& buffer) override;
  void InternalInitRecord(TRecordBuffer buffer) override;
  TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) override;
  int GetRecordSize() override { return FRecordSize; }
  void GetBookmarkData(TRecordBuffer buffer, void* data) override;
  void SetBookmarkData(TRecordBuffer buffer, const void* data) override;
  TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) override;
  void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) override;
  void InternalGotoBookmark(const void* bookmark) override;
  void InternalSetToRecord(TRecordBuffer buffer) override;
  void InternalFirst() override { FCurrent = -1; }
  void InternalLast() override { FCurrent = Count(); }
  void InternalOpen() override;
  void InternalClose() override;
  void InternalInitFieldDefs() override;
  void InternalAddRecord(TRecordBuffer buffer, bool append) override;
  void InternalDelete() override;
  void InternalPost() override;
  bool IsCursorOpen() override { return FOpen; }
  int GetRecordCount() override { return FOpen ? Count() : 0; }
  int GetRecNo() override;
  void SetRecNoValue(int value) override;
  bool GetCanModify() override { return !FReadOnly; }

 private:
  struct TStoredRecord {
    std::uint32_t Serial;
    std::unique_ptr<char[]> Data;  // FRecordSize bytes
  };

  int Count() const { return static_cast<int>(FRecords.size()); }
  int BookmarkOffset() const { return FRecordSize + CalcFieldsSize(); }
  int BufferSize() const { return BookmarkOffset() + 6; }
  int FieldOffset(const TField* field) const;
  // Position of the record with `serial`, searching outward from the
  // cursor (window buffers are near it); -1 when it is gone.
  int IndexOfSerial(std::uint32_t serial) const;
  int IndexOfBookmark(const TBookmark& bookmark) const;
  // Stores a copy of the record part of `buffer` at `index` with a new
  // serial, and puts the cursor on it.
  void InsertStored(int index, const char* buffer);
  // `keyText` as the field's native value (DataSize bytes).
  std::string ConvertKey(TField* field, const std::string& keyText);

  std::vector<int> FOffsets;  // by FieldNo - 1
  std::deque<TStoredRecord> FRecords;
  int FRecordSize = 0;
  int FCurrent = -1;  // -1 before the first record, Count() after the last
  std::uint32_t FNextSerial = 1;
  bool FOpen = false;
  bool FReadOnly = false;
  // While a key is converted: the scratch record the fields write into.
  char* FKeyBuffer = nullptr;
};
