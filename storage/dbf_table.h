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
// AnsiTable. The table converts every string itself, in GetFieldData,
// GetFieldString (AsString: straight from the record into the text) and
// SetFieldData, so its string fields have Transliterate off. Calculated
// text is kept in the file's code page. Orderings and searches work on
// the file's own bytes (dbf_cursor.h).
//
// Reading. Records come from the file layer (dbf_file.h): through a
// read-only mapping of the file for an exclusive table and for a shared
// one on a local file system, otherwise through a read-ahead window that a
// shared table trusts only briefly (kSharedWindowMilliseconds); a read of
// the current record (resync, refresh, after edit or cancel, bookmarks,
// searches) always goes to the file. Only records the table knows to be in
// the file are read (our own pack, CreateTable and upgrade never cut a
// file that someone holds: they wait for every user to close it). A file
// that another program cuts short while it is mapped fails the read with
// EDBFError instead of ending the program. A refresh, a rebuild and
// closing drop the window.
//
// Pack, creation and the structure upgrade write whole files
// (dbf_rewrite.h). Pack and the upgrade hold the file exclusively (they
// fail with EDBFError "...: она открыта другим пользователем." when someone else
// has it open, as CreateTable over an open file fails with EFCreateError),
// write the new file beside it, check it, and put it in place with one
// atomic rename: at every moment the table's name holds either the
// original file or the complete new one, and a failure leaves the original
// as it was and says so.
//
// Appends leave, should the process die at any byte, the counted records
// followed by the end byte; a writable exclusive open and the next append
// cut off whatever such a death left past them (dbf_file.h).
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
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/base/codepage.h"
#include "platform/base/string_list.h"
#include "platform/data/data_set.h"
#include "storage/dbf_cursor.h"
#include "storage/dbf_file.h"
#include "storage/dbf_format.h"
#include "storage/dbf_rewrite.h"

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
  // Moves the records of an older structure into the new one (see
  // Open). The table stays open and empty until it returns; events are
  // off and the controls disabled meanwhile.
  TOnUserConvert OnUserConvert;

  // Makes the key of an ordering on a calculated string field straight
  // from a record as stored (`record`: the deletion flag, then the
  // columns), writing KeyLength bytes to `key`: the bytes the calculated
  // value would give, without computing the calculated fields.
  using TKeyMaker = std::function<void(const char* record, char* key)>;
  // Orderings on `field` take their keys from `maker` from now on (an
  // empty maker: from the calculated fields again). The maker looks only
  // at the deletion flag and the columns of the data fields `reads`.
  // REQUIRES: `field` is a calculated string field of this table.
  void SetKeyMaker(TField* field, const std::vector<TField*>& reads, TKeyMaker maker);
  // Asked where a key maker spares computing a record's calculated fields
  // for an ordering: true computes them all the same (an owner adds values
  // up as the records pass). Unset: they are spared.
  std::function<bool()> CalcFieldsWithMadeKeys;
  // The column of data field `field` in `record` (a record of this open
  // table as stored) and its type letter; false for a field without one.
  bool ColumnIn(const TField* field, const char* record, std::string_view& bytes, char& type) const;

  // Waits between the two tries of a lock; sleeps by default. Tests put a
  // recorder here.
  std::function<void(int milliseconds)> LockWait;
  // Opens the file stream; TFileStream by default. Tests put a stream with
  // injected faults here.
  std::function<std::unique_ptr<TFileStream>(const std::string& fileName, unsigned mode)>
      StreamFactory;
  // Called between the steps of a pack and of a structure upgrade with the
  // step's number, from 1; tests stop the process or throw there.
  std::function<void(int step)> StepHook;

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
  // Many appends in a row (an import): until EndAppendBatch the table
  // holds the header lock, so other users cannot append meanwhile, and
  // posted new records reach the file in blocks (TDbfFile's append batch)
  // instead of one write and one lock each; the file ends up with the same
  // bytes. Closing the table ends the batch quietly.
  // Throws EDatabaseError (record locked) when another user holds the
  // header. REQUIRES: the table is open.
  void BeginAppendBatch();
  // Writes the records still collected and releases the header lock (also
  // when the write fails, which throws: the records that did not reach
  // the file leave the orderings). Nothing happens outside a batch.
  void EndAppendBatch();
  // The current ordering.
  TDbfCursor* Cursor() const { return FCursor; }
  // The physical record number of the active record; -1 when none.
  int PhysicalRecNo();
  // Every ordering, the current one included, in creation order.
  const std::vector<TDbfCursor*>& Orderings() const { return FOrderings; }

  // --- sort orders and search (keys in dbf_cursor.h)
  // In browse state only (else nothing happens): orders the current
  // ordering by `field` (physical order when null), descending or not,
  // keeps the same record current, re-reads the buffers and runs the
  // after-scroll handling.
  // REQUIRES: field is null or a field of this table.
  void SetOrder(TField* field, bool descending);
  // Orders the current ordering ascending by the field (unless it already
  // is) and searches `value` with `options`; when found, moves there
  // (after-scroll handling runs). Outside browse state returns false and
  // changes nothing. String keys: the value is padded with blanks to the
  // key length (cut when longer) unless foPartial, and converted to the
  // file's code page; with foCaseInsensitive both sides are
  // upper-cased (OEM tables: Cyrillic only). Other keys: the value is
  // right-justified to the key length, except dates, which are given as
  // stored (yyyymmdd).
  // Throws EDatabaseError "<Name>: Cannot perform this operation on a
  // closed dataset" when closed, "<Name>: Field '<name>' not found".
  bool FindKey(const std::string& fieldName, const std::string& value, TFindOptions options);
  // Searches the first ascending ordering on the field, in creation order,
  // without moving: -1 when there is none, 0 when no record other than the
  // current one (none in insert state) has the key, else the physical
  // record number of such a record + 1. Every matching entry is looked
  // at. Throws as FindKey.
  int FindOtherKey(const std::string& fieldName, const std::string& value, TFindOptions options);
  // Adds an ascending ordering on `field`, built at once when the table is
  // open; it does not become current. Each call adds one; the table owns
  // it. REQUIRES: field is a field of this table.
  TDbfCursor* AddCursor(TField* field);

  // --- file operations
  // Removes the records flagged deleted from the file TableName. An empty
  // `tail` keeps the header tail unless `dropTail`; a non-empty one
  // replaces it; `dropTail` removes it. Header byte 29 becomes CodePage.
  // Records are copied by the header's record length until the file ends,
  // whatever the header's record count says. Leaves TableName + ",old" and
  // ",new" only when the process dies midway (the next pack overwrites
  // them). Does not open the table.
  // Throws EDatabaseError "...on an open dataset" when open; EDBFError
  // "Table name not specified.", "Table <name> does not exist.", "Не
  // удается упаковать таблицу <name>: она открыта другим пользователем."
  // (EDBFInUseError)
  // and "Упаковка таблицы <name> не удалась: <why>. Таблица не
  // изменена."; ERangeError when the
  // new header would exceed 65535 bytes (nothing is written).
  void Pack(const std::string& tail, bool dropTail);

  // The bytes of the column of data field `field` in the active record,
  // as stored (text in the file's code page: Windows-1251 for an ANSI
  // table, else OEM 866), and the column's type letter. False for a
  // field without a column, or when there is no record. Valid until the
  // record buffer changes. A writer of whole registers reads this way
  // without going through UTF-8.
  bool GetColumnBytes(TField* field, std::string_view& bytes, char& type);
  // Sets the text of string field `field` from Windows-1251 `bytes`
  // straight in the record, with the same result as
  // field->SetAsString(Win1251ToUtf8(bytes)): cut to the field's Size and
  // the column's width, padded with blanks, each character in the file's
  // code page, then the field-change handling. Returns false, changing
  // nothing, when that cannot be done byte for byte (not a plain string
  // field with a column, an OnValidate handler or Transliterate on, no
  // record in edit or insert, or a byte that is NUL or whose character the
  // file's page writes as other than one byte); the caller then goes
  // through the field. A reader of whole registers writes this way
  // without going through UTF-8.
  bool SetColumnText(TField* field, std::string_view bytes);
  // The same for an integer field (smallint, integer, word, largeint) on
  // an N or F column from the decimal text `text`, as
  // field->SetAsString(text) sets it; for a float field on such a column
  // from "[-]digits[.digits]" ('.' being the decimal separator); and for
  // a date field on a D column from a valid date's parts, as
  // field->SetAsDateTime(EncodeDate(year, month, day)). False, changing
  // nothing, where the bytes would not be the same or the field would
  // refuse the value (an OnValidate handler, a range the value leaves, a
  // text that does not fit): the caller then goes through the field.
  bool SetColumnInteger(TField* field, std::string_view text);
  bool SetColumnFloat(TField* field, std::string_view text);
  bool SetColumnDate(TField* field, int year, int month, int day);
  // Clears such a field, or a string field, straight in the record, as
  // field->Clear() does; false, changing nothing, where that cannot be
  // done so.
  bool SetColumnNull(TField* field);

  // The column of a field that the calls above can write, found once for
  // many records (a reader of whole registers): PrepareDirectColumn fills
  // `column` for `field` and returns true when the field is the plain class
  // of its kind with a column of the open table; else false, and `column`
  // writes nothing. The calls taking `column` do what the same calls
  // taking the field do, checking again each time what may change between
  // records (the state and record, an OnValidate handler, Transliterate,
  // the field's Size and bounds). REQUIRES: the table has stayed open
  // since `column` was prepared.
  enum class TDirectKind : unsigned char { None, Text, Integer, Float, Date };
  struct TDirectColumn {
    TField* Field = nullptr;
    TDirectKind Kind = TDirectKind::None;
    char Type = 0;  // the column's letter
    int Decimals = 0;
    std::size_t Offset = 0;
    std::size_t Length = 0;
    // For an integer field: the range of its type, which it checks when
    // it has no bounds of its own.
    std::int64_t TypeMin = 0, TypeMax = 0;
  };
  bool PrepareDirectColumn(TField* field, TDirectColumn& column);
  bool SetColumnText(const TDirectColumn& column, std::string_view bytes);
  bool SetColumnInteger(const TDirectColumn& column, std::string_view text);
  bool SetColumnFloat(const TDirectColumn& column, std::string_view text);
  bool SetColumnDate(const TDirectColumn& column, int year, int month, int day);
  bool SetColumnNull(const TDirectColumn& column);

  // How the value of data field `From` of another table goes into data
  // field `To` of this one by the columns' bytes (PrepareColumnCopy).
  struct TColumnCopy {
    TField* To = nullptr;
    TField* From = nullptr;
    std::uint32_t ToOffset = 0, FromOffset = 0, Length = 0;
    char Type = 0;
    // The integer range the value must keep to the fields' way.
    std::int64_t Min = 0, Max = 0;
  };
  // A copy of `from` in `source` into `to` for CopyColumn, where the
  // fields' way (to->SetValue(from->Value())) depends only on the column's
  // bytes: the same field type, column letter, width, decimals and text
  // page, a plain string, integer or date field without an OnValidate
  // handler. Nothing otherwise. Valid while both tables stay open.
  std::optional<TColumnCopy> PrepareColumnCopy(TField* to, TmDbfTable& source, TField* from);
  // Gives the record in edit or insert the value of copy.From in
  // `source`'s active record straight from the column's bytes, the bytes
  // to->SetValue(from->Value()) would store, then the field-change
  // handling, where the value is stored as this table writes it (text of
  // characters that take one byte each and blanks after it, an integer in
  // the range, a date or blanks). Returns false, changing nothing,
  // otherwise: the caller then goes through the fields. A copier of whole
  // registers copies this way without a value in between.
  bool CopyColumn(const TColumnCopy& copy, TmDbfTable& source);

  // --- TDataSet
  int CompareBookmarks(const TBookmark& a, const TBookmark& b) override;
  // True for a bookmark of a position 0 .. RecordCount - 1.
  bool BookmarkValid(const TBookmark& bookmark) override;
  bool GetFieldData(TField* field, void* buffer) override;
  // Decodes an N or F column straight into the Currency.
  bool GetFieldCurrency(TField* field, Currency& value) override;
  // The text of an N or F column of a number field.
  bool GetFieldDecimalText(TField* field, std::string_view& text) override;
  // A D column's eight digits, without the day number between.
  bool GetFieldDateParts(TField* field, TDateParts& parts) override;
  // Converts a C column straight from the record into `value`.
  bool GetFieldString(TField* field, std::string& value) override;
  void SetFieldData(TField* field, const void* buffer) override;
  // toOem: UTF-8 to the file's code page; else back. Returns the length
  // written; an empty text gives 0. The table's own fields do not call
  // it: the table converts their text itself.
  int Translate(const char* src, char* dest, bool toOem) override;

 protected:
  explicit TmDbfTable(TComponent* owner);

  // --- TDataSet hooks
  TRecordBuffer AllocRecordBuffer() override;
  void FreeRecordBuffer(TRecordBuffer& buffer) override;
  void InternalInitRecord(TRecordBuffer buffer) override;
  TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) override;
  int GetRecordSize() override { return FFile ? static_cast<int>(FFile->RecordLength()) : 0; }
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

  // Opening, when FileVers differs from Vers and OnUserConvert is set:
  // takes the file exclusively, copies it to TableName + "_old" and opens
  // a new empty file of the current structure (TableName + ",new") in its
  // place. After opening, OnUserConvert fills it from a table open on
  // "_old"; only then does the new file replace the original. A file
  // whose version is above Vers is refused.
  // Throws EDBFError "Таблица <name> имеет версию структуры <n>, более
  // новую, чем <Vers>; таблица оставлена как есть.", "Не удается обновить
  // структуру таблицы <name>: она открыта другим пользователем.", and
  // (after opening) "Обновление структуры таблицы <name> не удалось:
  // <why>. Таблица оставлена как была." with the table closed.
  virtual void UpgradeStructure();

 private:
  friend class TDbfCursor;

  void AddOrdering(TDbfCursor* cursor) { FOrderings.push_back(cursor); }
  void RemoveOrdering(TDbfCursor* cursor);

  // Where an ordering's key lies in a record buffer.
  struct TKeySpec {
    int Offset = 0;  // of the column, or of the calculated value
    int Length = 0;  // 0: no key (physical order)
    bool Calculated = false;
    bool IsString = false;
    // A calculated number: its key orders as the numbers do.
    TFieldType NumberType = ftUnknown;
    // Makes a calculated key from the record's columns.
    const TKeyMaker* Maker = nullptr;
    // The fields whose columns the maker reads.
    const std::vector<std::string>* Reads = nullptr;
  };
  // The keys of one record for a list of orderings; the calculated fields
  // are computed at most once, and only when a key needs them.
  class TRecordKeys {
   public:
    TRecordKeys(TmDbfTable& table, const std::vector<TKeySpec>& specs);
    // True when no key needs a record's bytes (physical order only).
    bool NoneNeedsRecord() const { return FNoneNeedsRecord; }
    // The parts of a record the keys read (besides the deletion flag);
    // empty when they read whole records.
    std::vector<TDbfFile::TRecordPart> Parts() const;
    // Starts on `record`, as stored.
    void Start(const char* record) {
      FRecord = record;
      FBuffer = FCalcAlways ? FTable.WithCalcFields(record) : nullptr;
    }
    std::string_view Key(std::size_t ordering);

   private:
    TmDbfTable& FTable;
    const std::vector<TKeySpec>& FSpecs;
    bool FCalcAlways = false;
    bool FNoneNeedsRecord = true;
    const char* FRecord = nullptr;
    const char* FBuffer = nullptr;  // with the calculated fields, once computed
    std::string FScratch;
  };
  TKeySpec KeySpecOf(const TDbfCursor* cursor);
  // The key of an ordering on `field` (none when null).
  TKeySpec KeySpecOf(TField* field);
  // The key bytes in `buffer` (calculated fields computed when the key is
  // one); `scratch` holds a calculated key.
  static std::string_view KeyIn(const TKeySpec& spec, const char* buffer, std::string& scratch);
  // A record buffer holding `record` with its calculated fields computed.
  const char* WithCalcFields(const char* record);
  // Builds `cursors` from records 0 .. count - 1 of the file.
  void BuildOrderings(const std::vector<TDbfCursor*>& cursors, std::uint32_t count);
  // Adds records appended to the file since the orderings were built, up
  // to `count`, and our own `record` (when not null) as record `count`;
  // returns the index of our record in the current ordering.
  int AddAppended(std::uint32_t count, const char* record);
  // Orders the current ordering by the field (physical order when empty),
  // from another ordering in that order when there is one, else from the
  // file.
  void OrderCurrentBy(const std::string& fieldName, bool descending);
  // The key a search looks for: `value` as `field` stores it, cut or
  // padded to the key's length (a partial string key: only the value's
  // own bytes), upper-cased for a case-insensitive search. It lives in
  // FSearchKey until the next search.
  std::string_view PrepareKey(TField* field, const TKeySpec& spec, const std::string& value,
                              TFindOptions options);
  TField* KeyField(const std::string& fieldName);
  // KeySpecOf(field) for the field a search names, kept from the last
  // search on the same field until the table closes or a key maker
  // changes (a field's kind, size and place are fixed while open).
  const TKeySpec& SearchKeySpec(TField* field);
  dbf::TStreamOpener Opener();
  void Step();
  void RunConversion();
  // The columns of a new file, from the persistent data fields (from the
  // field definitions when there are none).
  std::vector<dbf::TFieldDescriptor> NewColumns();
  void WriteEmptyTable(const std::string& fileName, const std::string& tail);
  // Writes every column's empty value into `record`.
  void InitEmptyRecord(char* record) const;
  // The record buffer that field access uses in the current state.
  char* FieldBuffer();
  // The same, browsing (as reading every field of every record does)
  // without a call.
  const char* ReadBuffer() {
    return State() == dsBrowse && !IsEmpty() ? ActiveBuffer() : FieldBuffer();
  }
  // GetFieldString's general way, in any state.
  bool ReadFieldString(TField* field, std::string& value);
  // The record being edited or inserted, for a value set straight into
  // `column`; null when there is none, or the field has an OnValidate
  // handler or no column.
  char* DirectRecord(const TDirectColumn& column);
  // The field-change handling after such a value is set: DataEvent(
  // deFieldChange, field), or only the record marked modified when
  // nothing can hear the change (controls disabled, no calculated fields,
  // no OnChange handler).
  void ColumnChanged(TField* field) {
    // What DataEvent does for a data field of a plain class (whose Change
    // only runs OnChange) when nothing hears it.
    if (ControlsDisabled() && CalcFieldsSize() == 0 && !field->OnChange &&
        field->FieldKind() == fkData) {
      SetModified(true);
      return;
    }
    DataEvent(deFieldChange, reinterpret_cast<std::intptr_t>(field));
  }
  const dbf::TFieldDescriptor& Column(int fieldNo) const;
  TFieldType FieldTypeOfColumn(const dbf::TFieldDescriptor& column) const;
  TCodePage TextPage() const { return FAnsiTable ? TCodePage::Win1251 : TCodePage::Oem866; }
  // `sequential`: a step to the next or prior record, which the
  // read-ahead window serves (`backwards` for the prior one).
  void ReadRecord(int recordNumber, char* buffer, bool sequential = false, bool backwards = false);
  // Appends `buffer` under the header lock; the current ordering ends on
  // the new record.
  void AppendRecord(char* buffer);
  // Re-reads the record count (checking it against the file) and rebuilds
  // every ordering.
  void RebuildOrderings();
  void FixCodePageByte();
  // Raises the lock message when the range cannot be locked.
  void LockOrRaise(std::int64_t offset, std::int64_t length);
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
  TDbfCursor* FCursor = nullptr;
  std::vector<TDbfCursor*> FOrderings;  // the current one included; owned
  std::vector<char> FSpare;             // the record before edit or insert
  std::unique_ptr<TDbfFile> FFile;      // while open
  int FBookmarkOffset = 0;
  int FBufferSize = 0;
  bool FIsOpen = false;
  // SearchKeySpec's field (null: none kept) and its key.
  TField* FSearchSpecField = nullptr;
  TKeySpec FSearchSpec;
  // The bytes of the last search's key, kept so that the next one reuses
  // them.
  std::string FSearchKey;

  int FKeyFieldIndex = 0;        // in Fields(), of the field KeyField found last
  std::vector<char> FKeyBuffer;  // a record buffer for computing keys
  struct TKeyMakerEntry {
    std::string Field;  // the key field's name
    std::vector<std::string> Reads;
    TKeyMaker Maker;
  };
  std::vector<TKeyMakerEntry> FKeyMakers;
  std::vector<TKeySpec> FAppendSpecs;  // AddAppended's, kept for its room
  std::string FKeyScratch;

  int FStepCount = 0;
  // A structure upgrade in progress, and the old version.
  std::unique_ptr<dbf::TStructureUpgrade> FUpgrade;
  std::uint8_t FUpgradeFrom = 0;
};
