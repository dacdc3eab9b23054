// TmDbfTable: the dataset over one DBF register file (format in
// dbf_format.h), and TDFieldDef, its field definition with the column's
// type letter.
//
// Navigation goes through the table's current ordering (TDbfCursor); a
// bookmark is a position in it, not a record number. Records are read from
// the file when the framework asks for them; a post rewrites the record,
// an insert appends it at the end of the file, a delete flags it '*'.
//
// Sharing. With Exclusive (the default) the file is opened deny-all and no
// lock is taken. Otherwise it is opened shared, a post holds a byte-range
// lock on its record and an append (and the code-page fix-up at open) one
// on the 32 header bytes, for the one write only; a lock that another open
// file holds is tried once more after LockWait(200), then the post fails
// with EDatabaseError "<Name>: Запись заблокирована другим пользователем."
// and the record stays in edit. Every lock is released on every path.
//
// Text: fields hold UTF-8; the file holds OEM 866, or Windows-1251 for an
// AnsiTable. Translate converts between the two.
//
// Failures: EDBFError for a missing or damaged file, an invalid record or
// bookmark; ERangeError for a number that does not fit its column (nothing
// is written, the record stays in edit); the stream's errors for I/O. After
// a failed write the table refuses every further write (EDBFError naming
// the first failure) until it is reopened.
//
// GUI thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/base/string_list.h"
#include "platform/data/data_set.h"
#include "storage/dbf_cursor.h"
#include "storage/dbf_format.h"

class TFileStream;
class TmDbfTable;

// A field definition of a DBF table: the column's type letter besides the
// framework's definition.
class TDFieldDef : public TFieldDef {
  MEBRATH_CLASS(TDFieldDef, TFieldDef)
 public:
  char DbfType() const { return FDbfType; }
  void SetDbfType(char type) { FDbfType = type; }
  void Assign(const TPersistent* source) override;

 protected:
  explicit TDFieldDef(TCollection* collection) : TFieldDef(collection) {}

 private:
  char FDbfType = dbf::kTypeChar;
};

using TOnFieldAsString =
    std::function<void(TmDbfTable* sender, const std::string& fieldName, bool& asString)>;
using TOnUserConvert =
    std::function<void(TmDbfTable* sender, TmDbfTable* oldTable, std::uint8_t oldVers)>;

// The message of a lock that could not be had.
inline constexpr const char* SRecordLocked = "Запись заблокирована другим пользователем.";

class TmDbfTable : public TDataSet {
  MEBRATH_CLASS(TmDbfTable, TDataSet)
 public:
  ~TmDbfTable() override;

  // --- properties
  const std::string& TableName() const { return FTableName; }
  // REQUIRES: the table is closed (else EDatabaseError "Cannot perform
  // this operation on an open dataset").
  void SetTableName(const std::string& name);
  bool ReadOnly() const { return FReadOnly; }
  // REQUIRES: closed, as SetTableName.
  void SetReadOnly(bool value);
  bool Exclusive() const { return FExclusive; }
  // REQUIRES: closed, as SetTableName.
  void SetExclusive(bool value);
  bool AnsiTable() const { return FAnsiTable; }
  // Switches the code page of the text; an open table's links hear
  // deDataSetChange.
  void SetAnsiTable(bool value);
  bool DateTimeAsDate() const { return FDateTimeAsDate; }
  // REQUIRES: closed, as SetTableName.
  void SetDateTimeAsDate(bool value);
  // Column names (case-insensitive) that open as string fields.
  TStrings& ForceStringFields() { return *FForceStringFields; }
  // Copies the list.
  void SetForceStringFields(const TStrings& names);
  bool DesignOnlyFields() const { return FDesignOnlyFields; }
  void SetDesignOnlyFields(bool value) { FDesignOnlyFields = value; }
  std::uint8_t CodePage() const { return FCodePage; }
  void SetCodePage(std::uint8_t value) { FCodePage = value; }
  std::uint8_t Vers() const { return FVers; }
  void SetVers(std::uint8_t value) { FVers = value; }
  // The structure version found in the file at opening.
  std::uint8_t FileVers() const { return FFileVers; }
  // Stored only.
  bool AutoConvert() const { return FAutoConvert; }
  void SetAutoConvert(bool value) { FAutoConvert = value; }

  TOnFieldAsString OnFieldAsString;
  TOnUserConvert OnUserConvert;

  // Waits between the two tries of a lock; sleeps by default. Tests put a
  // recorder here.
  std::function<void(int milliseconds)> LockWait;
  // Opens the file stream; TFileStream by default. Tests put a stream with
  // injected faults here.
  std::function<std::unique_ptr<TFileStream>(const std::string& fileName, unsigned mode)>
      StreamFactory;

  // --- operations
  // Writes a new, empty file at TableName from the persistent data fields
  // (from the field definitions when there are none), replacing any file
  // there: header byte 14 = Vers, byte 29 = CodePage, creation date today,
  // `tail` after the terminator. Does not open the table.
  // Raises EDatabaseError "...on an open dataset" when open; Exception
  // "<Name>.CreateTable: no fields" / "<Name>.CreateTable: bad field type:
  // ftMemo"; ERangeError / EConvertError for sizes and origins
  // (ColumnForKind); EFCreateError when the file is in use elsewhere.
  void CreateTable(const std::string& tail = "");
  // While set, every dataset event is skipped (before/after cancel, close,
  // delete, edit, insert, post, refresh, scroll, before-open, calculated
  // fields, new record); after-open still runs. Clearing it rebuilds every
  // ordering from the file and moves to the first record.
  void SetEventsOff(bool value);
  bool EventsOff() const { return FEventsOff; }
  // The current ordering.
  TDbfCursor* Cursor() const { return FCursor; }
  // The physical record number of the active record; -1 when none.
  int PhysicalRecNo();

  // --- TDataSet
  int CompareBookmarks(const TBookmark& a, const TBookmark& b) override;
  // True for a bookmark of a position 0 .. RecordCount - 1.
  bool BookmarkValid(const TBookmark& bookmark) override;
  bool GetFieldData(TField* field, void* buffer) override;
  void SetFieldData(TField* field, const void* buffer) override;
  // toOem: UTF-8 to the file's code page; else back. Returns the length
  // written; an empty text gives 0.
  int Translate(const char* src, char* dest, bool toOem) override;

 protected:
  explicit TmDbfTable(TComponent* owner);

  // --- TDataSet hooks
  TRecordBuffer AllocRecordBuffer() override;
  void FreeRecordBuffer(TRecordBuffer& buffer) override;
  void InternalInitRecord(TRecordBuffer buffer) override;
  void ClearCalcFields(TRecordBuffer buffer) override;
  TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) override;
  int GetRecordSize() override { return static_cast<int>(FLayout.RecordLength); }
  void GetBookmarkData(TRecordBuffer buffer, void* data) override;
  void SetBookmarkData(TRecordBuffer buffer, const void* data) override;
  TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) override;
  void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) override;
  void InternalGotoBookmark(const void* bookmark) override;
  void InternalSetToRecord(TRecordBuffer buffer) override;
  void InternalFirst() override;
  void InternalLast() override;
  void InternalOpen() override;
  void InternalClose() override;
  void InternalInitFieldDefs() override;
  void InternalAddRecord(TRecordBuffer buffer, bool append) override;
  void InternalDelete() override;
  void InternalPost() override;
  void InternalEdit() override;
  void InternalInsert() override;
  void InternalRefresh() override;
  bool IsCursorOpen() override { return FIsOpen; }
  int GetRecordCount() override;
  int GetRecNo() override;
  void SetRecNoValue(int value) override;
  bool GetCanModify() override { return !FReadOnly; }

  // Events are skipped while EventsOff (after-open is not).
  void DoAfterOpen() override;
  void DoBeforeOpen() override;
  void DoBeforeClose() override;
  void DoAfterClose() override;
  void DoBeforeInsert() override;
  void DoAfterInsert() override;
  void DoBeforeEdit() override;
  void DoAfterEdit() override;
  void DoBeforePost() override;
  void DoAfterPost() override;
  void DoBeforeCancel() override;
  void DoAfterCancel() override;
  void DoBeforeDelete() override;
  void DoAfterDelete() override;
  void DoBeforeScroll() override;
  void DoAfterScroll() override;
  void DoBeforeRefresh() override;
  void DoAfterRefresh() override;
  void DoOnNewRecord() override;
  void DoOnCalcFields() override;

  // The structure upgrade runs here when FileVers differs from Vers and
  // OnUserConvert is set; the table opens the file as it is until then.
  virtual void UpgradeStructure() {}

 private:
  friend class TDbfCursor;

  void AddOrdering(TDbfCursor* cursor) { FOrderings.push_back(cursor); }
  void RemoveOrdering(TDbfCursor* cursor);
  // The record buffer that field access uses in the current state.
  char* FieldBuffer();
  std::span<char> ColumnOf(char* record, int fieldNo);
  const dbf::TFieldDescriptor& Column(int fieldNo) const;
  TFieldType FieldTypeOfColumn(const dbf::TFieldDescriptor& column) const;
  void ReadRecord(int recordNumber, char* buffer);
  void WriteRecord(int recordNumber, const char* buffer);
  // Appends `buffer` under the header lock; the current ordering ends on
  // the new record.
  void AppendRecord(char* buffer);
  // Reads the deletion flags of records from..to-1 and returns the live ones.
  std::vector<int> LiveRecords(std::uint32_t from, std::uint32_t to);
  // Re-reads the record count (checking it against the file) and rebuilds
  // every ordering.
  void RebuildOrderings();
  void FixCodePageByte();
  // Byte-range locks; true at once for an exclusive table.
  bool Lock(std::int64_t offset, std::int64_t length);
  void Unlock(std::int64_t offset, std::int64_t length);
  void LockOrRaise(std::int64_t offset, std::int64_t length);
  void CheckWritable();
  // Runs a write; a failure makes the table refuse further writes.
  template <class F>
  void GuardedWrite(F&& write);
  std::unique_ptr<TFileStream> OpenStream(const std::string& fileName, unsigned mode);
  bool Skipping() const { return FEventsOff; }

  std::string FTableName;
  bool FReadOnly = false;
  bool FExclusive = true;
  bool FAnsiTable = false;
  bool FDateTimeAsDate = false;
  bool FDesignOnlyFields = true;
  bool FAutoConvert = false;
  std::uint8_t FCodePage = 0;
  std::uint8_t FVers = 0;
  std::uint8_t FFileVers = 0;
  std::unique_ptr<TStringList> FForceStringFields;

  bool FEventsOff = false;
  char* FBuildBuffer = nullptr;  // the ordering's scratch buffer while one is built
  TDbfCursor* FCursor = nullptr;
  std::vector<TDbfCursor*> FOrderings;  // the current one included; owned
  std::vector<char> FSpare;             // the record before edit or insert
  std::unique_ptr<TFileStream> FStream;
  dbf::TLayout FLayout;
  std::uint32_t FKnownCount = 0;  // the record count the orderings have seen
  int FCalcOffset = 0;
  int FBookmarkOffset = 0;
  int FBufferSize = 0;
  bool FIsOpen = false;
  std::string FWriteError;  // the first failed write, until reopened
};
