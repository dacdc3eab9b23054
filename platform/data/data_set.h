// TDataSet: the dataset base class that tables derive from, with the
// classic record-buffer window, state machine, events and data links.
//
// GUI thread only. Descendants (the DBF table, the in-memory table, test
// fixtures) override the protected hooks below; the base drives them in
// the classic order. The contract, one group at a time:
//
// Open/close. Open: BeforeOpen; DefaultFields := (FieldCount == 0);
//   InternalOpen (read the defs with InternalInitFieldDefs, CreateFields
//   when DefaultFields, BindFields(true), SetBookmarkSize, and leave the
//   cursor before the first record); then the buffer window is allocated
//   (AllocRecordBuffer per buffer) and filled with GetRecord(gmNext) from
//   the cursor (Bof true), state dsBrowse, the links hear deUpdateState,
//   AfterOpen, and AfterScroll unless empty.
//   An exception from InternalOpen closes the cursor (InternalClose) and
//   propagates (so InternalClose must cope with a half-open state).
//   Close: BeforeClose, state dsInactive, buffers freed
//   (FreeRecordBuffer), InternalClose (BindFields(false), and
//   DestroyFields when DefaultFields), AfterClose. IsCursorOpen answers
//   whether the storage is open. InitFieldDefs (FieldDefs().Update())
//   calls InternalInitFieldDefs open or closed.
//
// Buffers. AllocRecordBuffer returns a buffer of the descendant's record
//   size plus whatever it keeps behind it (calculated area of
//   CalcFieldsSize() bytes, bookmark, flag); FreeRecordBuffer frees it.
//   InternalInitRecord clears one for a new record. ClearCalcFields zeroes
//   the calculated area of a buffer. The window holds up to BufferCount
//   records (the largest BufferCount of the attached links, at least 1)
//   plus one scratch buffer.
//
// Reading. GetRecord(buffer, gmNext/gmPrior/gmCurrent, doCheck) moves the
//   descendant's cursor one record (or stays for gmCurrent), fills the
//   buffer, sets its bookmark data and bfCurrent flag, calls
//   GetCalcFields(buffer), and answers grOK, grBOF, grEOF or grError
//   (raising instead of grError when doCheck). InternalFirst/InternalLast
//   put the cursor before the first/after the last record.
//   InternalSetToRecord(buffer) puts the cursor on the buffer's record
//   (its bookmark). The base calls InternalSetToRecord (flag bfCurrent or
//   bfInserted), InternalFirst (bfBOF) or InternalLast (bfEOF) before
//   reading relative to a buffer (UpdateCursorPos): a descendant never has
//   to guess where its cursor is.
//
// Bookmarks. SetBookmarkSize(n) in InternalOpen; GetBookmarkData/
//   SetBookmarkData copy n bytes between a buffer and a bookmark;
//   GetBookmarkFlag/SetBookmarkFlag read and write the buffer's flag.
//   InternalGotoBookmark puts the cursor on a bookmark (may raise, or EAbort
//   for a silent failure). CompareBookmarks and BookmarkValid must be
//   defined by each dataset (the base raises).
//
// Fields. GetFieldData(field, buffer) copies the field's native value
//   (fields.h) from the record buffer that the state selects (browse:
//   ActiveBuffer; edit/insert: ActiveBuffer; dsCalcFields: CalcBuffer;
//   others as the descendant keeps them) and answers whether there is a
//   value; buffer nullptr only asks. GetFieldString(field, value) gives a
//   string field's value as UTF-8 text; the base goes through
//   GetFieldData. Calculated and lookup fields live in
//   the calculated area at field->Offset() (flag byte, then the value).
//   SetFieldData(field, buffer) stores it (nullptr = null); it must raise
//   DatabaseError(SNotEditing) outside the write states, call
//   field->Validate(buffer) before storing a data field, and afterwards
//   (except in dsCalcFields, dsFilter and dsNewValue) call
//   DataEvent(deFieldChange, field), which marks the record modified,
//   recomputes calculated fields, runs the field's OnChange and tells the
//   data sources of the field and then of every calculated and lookup
//   field (their controls follow the edit).
//   Translate(src, dest, toOem) converts NUL-terminated text between the
//   storage encoding (toOem) and UTF-8; dest never overlaps src and has
//   room for 4*strlen(src)+1 bytes; returns the length written. The base
//   copies.
//
// Old values. Edit copies the first GetRecordSize() bytes of the active
//   buffer (the record; calculated area and bookmark excluded) into a
//   buffer of its own; Insert and Append clear that buffer with
//   InternalInitRecord. While the state is dsOldValue (TField::OldValue),
//   ActiveBuffer() is that copy, so a GetFieldData that reads
//   ActiveBuffer() in dsOldValue as in browse serves old values with no
//   buffer of its own. A descendant that keeps its own old record maps
//   dsOldValue to it instead.
//
// Editing. InternalEdit (before dsEdit; keep an old copy if wanted),
//   InternalInsert (after the new buffer is in place, before dsInsert),
//   InternalPost (call the base first: it checks required fields; then
//   write ActiveBuffer: insert state adds, edit state overwrites),
//   InternalCancel, InternalDelete (the cursor's record),
//   InternalAddRecord(buffer, append) for AppendRecord-like additions,
//   InternalRefresh (re-read storage; the base resyncs after). Errors of
//   InternalEdit/Post/Delete that are EDatabaseError go through
//   OnEditError/OnPostError/OnDeleteError (daFail re-raises, daAbort
//   aborts silently, daRetry tries again). InternalHandleException is for
//   descendants' own use (the base never calls it).
//
// Counting. GetRecordCount (-1 when unknown), GetRecNo (1-based; the base
//   calls UpdateCursorPos first, so the cursor is on the active record),
//   SetRecNo (the descendant checks browse mode, moves, resyncs and runs
//   DoAfterScroll itself), GetCanModify, IsSequenced.
//
// Events. Every event has a protected virtual DoXxx that fires it; a
//   descendant may override DoXxx to skip it. An exception from a
//   before-event stops the operation with the state unchanged. The base
//   never reads records past a filter itself: a descendant that honours
//   Filtered calls DoOnFilterRecord(accept) for each candidate record, with
//   the fields reading that record (usually in SetTempState(dsFilter)).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/component.h"
#include "platform/base/exceptions.h"
#include "platform/base/sets.h"
#include "platform/base/variant.h"
#include "platform/data/field_defs.h"
#include "platform/data/fields.h"

class TDataSource;
class TDataLink;
class TStream;
class TStrings;

enum TDataSetState {
  dsInactive,
  dsBrowse,
  dsEdit,
  dsInsert,
  dsSetKey,
  dsCalcFields,
  dsFilter,
  dsNewValue,
  dsOldValue,
  dsCurValue,
  dsBlockRead,
  dsInternalCalc,
  dsOpening
};

// The states in which field data may be written: editing, inserting,
// setting a key, and the calculation, filter and new-value states.
bool IsWriteState(TDataSetState state);

// The classic numbering; the Info of deFieldChange and deRecordChange is
// the TField* (or 0), of deFocusControl a TField** (the link clears it to
// say "handled"), of deDataSetScroll the scroll distance, of
// deDisabledStateChange 1 when enabled, 0 when disabled.
enum TDataEvent {
  deFieldChange = 0,
  deRecordChange = 1,
  deDataSetChange = 2,
  deDataSetScroll = 3,
  deLayoutChange = 4,
  deUpdateRecord = 5,
  deUpdateState = 6,
  deCheckBrowseMode = 7,
  dePropertyChange = 8,
  deFieldListChange = 9,
  deFocusControl = 10,
  deParentScroll = 11,
  deConnectChange = 12,
  deReconcileError = 13,
  deDisabledStateChange = 14
};

enum TGetMode { gmCurrent, gmNext, gmPrior };
enum TGetResult { grOK, grBOF, grEOF, grError };
enum TBookmarkFlag { bfCurrent, bfBOF, bfEOF, bfInserted };
enum TResyncModeFlag { rmExact, rmCenter };
using TResyncMode = TSet<TResyncModeFlag>;
enum TLocateOption { loCaseInsensitive, loPartialKey };
using TLocateOptions = TSet<TLocateOption>;
enum TDataAction { daFail, daAbort, daRetry };

// A record buffer: bytes that the descendant lays out.
using TRecordBuffer = char*;
// Bookmarks are byte strings of BookmarkSize bytes; empty is "none".
using TBookmark = std::string;
using TBookmarkStr = std::string;

class TDataSet;
using TDataSetNotifyEvent = std::function<void(TDataSet* dataSet)>;
using TDataSetErrorEvent =
    std::function<void(TDataSet* dataSet, EDatabaseError& e, TDataAction& action)>;
using TFilterRecordEvent = std::function<void(TDataSet* dataSet, bool& accept)>;

// Raises EDatabaseError: "Name: message" when `component` has a name,
// else the message.
[[noreturn]] void DatabaseError(const std::string& message, const TComponent* component = nullptr);

class TDataSet : public TComponent {
  MEBRATH_CLASS(TDataSet, TComponent)
 public:
  // --- state
  TDataSetState State() const { return FState; }
  bool Active() const { return FState != dsInactive; }
  // Opens or closes (see the hook contract). Closing does not post.
  void SetActive(bool value);
  void Open() { SetActive(true); }
  void Close() { SetActive(false); }
  // The record in edit or insert was changed by a field (deFieldChange).
  bool Modified() const { return FModified; }
  bool Bof() const { return FBOF; }
  bool Eof() const { return FEOF; }
  bool IsEmpty() const { return FActiveRecord >= FRecordCount; }
  int RecordCount() { return GetRecordCount(); }
  int RecNo();
  void SetRecNo(int value) { SetRecNoValue(value); }
  virtual bool IsSequenced() { return true; }
  bool CanModify() { return GetCanModify(); }
  // True when the fields were made from the field definitions at Open.
  bool DefaultFields() const { return FDefaultFields; }
  // Raises "Cannot perform this operation on a closed dataset" / "...on an
  // open dataset" (with the name prefix).
  void CheckActive() const;
  void CheckInactive() const;

  // --- navigation (each raises on a closed dataset; each posts or cancels
  // an edit first through CheckBrowseMode)
  void First();
  void Last();
  void Next() { MoveBy(1); }
  void Prior() { MoveBy(-1); }
  // Moves by `distance` records within the data; returns the distance
  // actually moved (negative backwards). Sets Eof/Bof when it hits an end.
  int MoveBy(int distance);
  // Reads every record once, in the order Next would go from First, and
  // runs `visit` for each with the fields reading that record (as
  // GetRecord filled it: records the dataset passes over are passed over,
  // calculated fields are computed) and Bookmark() giving its bookmark.
  // Nothing else moves: the current record, the buffer window and the
  // cursor are as they were afterwards (also when `visit` throws), no
  // scroll event fires and the links hear nothing meanwhile. `visit` must
  // not navigate, edit, refresh or close the dataset. False, visiting
  // nothing, outside the browse state; true otherwise (an empty dataset
  // visits nothing).
  bool ForEachRecord(const std::function<void()>& visit);

  // --- editing
  // Insert before the current record (dsInsert); OnNewRecord runs.
  void Insert();
  // Go to the last record, then insert after it.
  void Append();
  // dsEdit on the current record; an empty dataset inserts instead.
  void Edit();
  // Writes the record; raises "Dataset not in edit or insert mode" in
  // other states. An exception (EAbort from BeforePost included) leaves
  // the record in its edit state.
  void Post();
  void Cancel();
  // Deletes the current record (in insert state: cancels).
  void Delete();
  // Re-reads the data; keeps the current record when it still exists.
  void Refresh();
  // Posts a modified record, cancels an unmodified one.
  void CheckBrowseMode();
  // Tells the links to write their edits into the fields (deUpdateRecord).
  // REQUIRES: a write state (else "Dataset not in edit or insert mode").
  void UpdateRecord();
  // Re-reads the buffer window around the cursor. rmExact: the current
  // record must still be there ("Record not found"); rmCenter: centre it.
  void Resync(TResyncMode mode);
  // Clears every field of the record in edit or insert.
  void ClearFields();

  // --- bookmarks
  // The active record's bookmark; empty when it has none (empty dataset,
  // a record being inserted).
  TBookmarkStr Bookmark();
  void SetBookmark(const TBookmarkStr& bookmark) { GotoBookmark(bookmark); }
  TBookmark GetBookmark() { return Bookmark(); }
  // Goes to the record (ignored for an empty bookmark), with scroll events.
  void GotoBookmark(const TBookmark& bookmark);
  void FreeBookmark(TBookmark& bookmark) { bookmark.clear(); }
  int BookmarkSize() const { return FBookmarkSize; }
  // -1, 0 or 1 in row order; an empty bookmark sorts first. The base
  // raises EDatabaseError: each dataset defines it.
  virtual int CompareBookmarks(const TBookmark& a, const TBookmark& b);
  // The base raises as CompareBookmarks does.
  virtual bool BookmarkValid(const TBookmark& bookmark);

  // --- controls and links
  void DisableControls();
  void EnableControls();
  bool ControlsDisabled() const { return FDisableCount != 0; }
  // Sends `event` to the data sources (and their links), unless controls
  // are disabled; see the hook contract for deFieldChange.
  void DataEvent(TDataEvent event, std::intptr_t info);
  // The buffer index that fields read (a link's ActiveRecord moves it).
  int ActiveRecord() const { return FActiveRecord; }
  // How many buffers the window has, and how many hold records.
  int BufferCount() const { return FBufferCount; }
  int BufferedRecordCount() const { return FRecordCount; }

  // --- fields
  TFields& Fields() { return *FFields; }
  const TFields& Fields() const { return *FFields; }
  int FieldCount() const { return FFields->Count(); }
  TFieldDefs& FieldDefs() { return *FFieldDefs; }
  TField* FindField(std::string_view name) const { return FFields->FindField(name); }
  TField* FieldByName(std::string_view name) const { return FFields->FieldByName(name); }
  // Fills `list` with the field names in order.
  void GetFieldNames(TStrings& list) const;
  // The fields named in "A;B" (FieldByName for each: raises when one is
  // missing).
  std::vector<TField*> GetFieldList(std::string_view names) const;
  // One name: the field's Value; several ("A;B"): a variant array.
  Variant FieldValues(std::string_view names) const;
  void SetFieldValues(std::string_view names, const Variant& value);
  // Makes one default field per field definition (owned by the dataset).
  void CreateFields();
  // Binds every field to its definition (data fields) or calculated slot;
  // raises "Field '%s' not found" or "Type mismatch for field '%s',
  // expecting: %s actual: %s". Unbinding resets FieldNo.
  void BindFields(bool binding);
  // Frees every field of the list.
  void DestroyFields() { FFields->Clear(); }
  void InitFieldDefs();

  // --- search (generic scans; descendants may override)
  // Finds the first record whose key fields equal `keyValues` (a variant
  // array for several fields) and makes it current with scroll events;
  // keeps the current record when none matches. Strings compare as text
  // (loCaseInsensitive, loPartialKey); others by value.
  virtual bool Locate(const std::string& keyFields, const Variant& keyValues,
                      TLocateOptions options);
  // The result fields' value(s) of the first matching record, or Null;
  // never moves.
  virtual Variant Lookup(const std::string& keyFields, const Variant& keyValues,
                         const std::string& resultFields);

  // --- filter (kept here; descendants apply them when reading)
  const std::string& Filter() const { return FFilter; }
  void SetFilter(const std::string& filter);
  bool Filtered() const { return FFiltered; }
  void SetFiltered(bool value);

  // --- calculated fields
  int CalcFieldsSize() const { return FCalcFieldsSize; }
  // In dsOldValue state: the copy of the record as it was before Edit (a
  // cleared record in insert).
  TRecordBuffer ActiveBuffer() const {
    if (FState == dsOldValue && FOldValueBuffer != nullptr) return FOldValueBuffer;
    if (FBuffers.empty()) return nullptr;
    return FBuffers[static_cast<std::size_t>(FActiveRecord)];
  }
  TRecordBuffer CalcBuffer() const { return FCalcBuffer; }
  // Runs OnCalcFields for `buffer` in dsCalcFields state (CalcBuffer =
  // buffer), after clearing the calculated area and resolving lookups.
  void GetCalcFields(TRecordBuffer buffer);
  void CalculateFields(TRecordBuffer buffer);

  // --- temporary states (the fields read another buffer meanwhile; links
  // hear nothing)
  TDataSetState SetTempState(TDataSetState value);
  void RestoreState(TDataSetState value);

  // --- blobs: a stream over a blob field's value; the base raises.
  virtual std::unique_ptr<TStream> CreateBlobStream(TField* field, TBlobStreamMode mode);

  // --- hooks the fields call (see the header comment)
  virtual bool GetFieldData(TField* field, void* buffer);
  // A string field's value as UTF-8 in `value`; false for no value. The
  // base reads it through GetFieldData (field->GetStringDataThroughBuffer);
  // a dataset may read its storage straight into `value`, with the same
  // result. Reading every field of every record as text comes here.
  virtual bool GetFieldString(TField* field, std::string& value);
  // A field's value as AsCurrency gives it; false for no value. The base
  // asks the field (IsNull, AsCurrency); a dataset may decode its storage
  // once, straight into `value`, with the same result. Summing a column
  // over every record comes here.
  virtual bool GetFieldCurrency(TField* field, Currency& value);
  // The decimal text a number field's value is read from, when the
  // storage keeps it so: a float's value is that text read as a double,
  // an integer's that text read as an integer when it is one that fits
  // the field's kind (else 0). AsString can then be made from the digits.
  // False (the base) when the storage keeps no such text. Valid until the
  // record buffer changes.
  virtual bool GetFieldDecimalText(TField* field, std::string_view& text);
  // A date field's value as year, month and day, when the storage keeps
  // the date so: true with `parts` (Null for no value), the day the
  // field's value is. False (the base) when the storage keeps no such
  // date; GetFieldData answers then. Showing a date as text comes here.
  virtual bool GetFieldDateParts(TField* field, TDateParts& parts);
  virtual void SetFieldData(TField* field, const void* buffer);
  virtual int Translate(const char* src, char* dest, bool toOem);

  // --- events
  TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
  TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
  TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
  TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
  TDataSetNotifyEvent BeforeRefresh, AfterRefresh;
  TDataSetNotifyEvent OnNewRecord, OnCalcFields;
  TDataSetErrorEvent OnPostError, OnDeleteError, OnEditError;
  TFilterRecordEvent OnFilterRecord;

  // The master data source; none in the base.
  virtual TDataSource* MasterSource() const { return nullptr; }

  ~TDataSet() override;

 protected:
  // `fieldDefFactory` makes the items of FieldDefs (TFieldDef or a
  // descendant).
  explicit TDataSet(TComponent* owner, TCollection::TItemFactory fieldDefFactory =
                                           TCollection::ItemFactory<TFieldDef>());
  void BeforeDestruction() override;
  void Notification(TComponent* component, TOperation operation) override;

  // --- hooks (see the header comment)
  virtual TRecordBuffer AllocRecordBuffer() = 0;
  virtual void FreeRecordBuffer(TRecordBuffer& buffer) = 0;
  virtual void InternalInitRecord(TRecordBuffer buffer) = 0;
  virtual TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) = 0;
  // For datasets that keep their records in a list: moves `index` (-1
  // before the first record, `count` after the last) the way GetRecord
  // moves its cursor and says what GetRecord answers. With nothing to
  // read at the current place and `doCheck`, raises "No Records".
  TGetResult StepRecordIndex(int& index, int count, TGetMode mode, bool doCheck);
  // Bytes of the record at the start of each buffer (old values copy
  // them); 0: no old values from the base.
  virtual int GetRecordSize() { return 0; }
  virtual void GetBookmarkData(TRecordBuffer buffer, void* data) = 0;
  virtual void SetBookmarkData(TRecordBuffer buffer, const void* data) = 0;
  virtual TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) = 0;
  virtual void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) = 0;
  virtual void InternalGotoBookmark(const void* bookmark) = 0;
  virtual void InternalSetToRecord(TRecordBuffer buffer) = 0;
  virtual void InternalFirst() = 0;
  virtual void InternalLast() = 0;
  virtual void InternalOpen() = 0;
  virtual void InternalClose() = 0;
  virtual void InternalInitFieldDefs() = 0;
  virtual void InternalHandleException() {}
  virtual void InternalAddRecord(TRecordBuffer buffer, bool append) = 0;
  virtual void InternalDelete() = 0;
  // Checks required fields (Required, not ReadOnly, data, null):
  // SFieldRequired ("Поле '%s' должно быть заполнено").
  virtual void InternalPost();
  virtual void InternalEdit() {}
  virtual void InternalInsert() {}
  virtual void InternalCancel() {}
  virtual void InternalRefresh() {}
  virtual bool IsCursorOpen() = 0;
  virtual int GetRecordCount() { return -1; }
  virtual int GetRecNo() { return -1; }
  virtual void SetRecNoValue(int value) { (void)value; }
  virtual bool GetCanModify() { return true; }
  // Zeroes the calculated area at CalcFieldsOffset(); does nothing when
  // the descendant set none.
  virtual void ClearCalcFields(TRecordBuffer buffer);
  // The value of `field` as seen in `state` (OldValue, NewValue, CurValue
  // come here): the field is read in that temporary state. dsOldValue
  // outside edit and insert gives the current value; inside them, Null
  // for a field that is not a data field.
  virtual Variant GetStateFieldValue(TDataSetState state, TField* field);
  // Initialises a new record: InternalInitRecord, ClearCalcFields, flag
  // bfInserted.
  virtual void InitRecord(TRecordBuffer buffer);

  // --- the calculated area, for descendants that keep it in their record
  // buffers: CalcFieldsSize() bytes at CalcFieldsOffset(), one slot per
  // calculated or lookup field at its Offset(), a flag byte (0: null)
  // followed by the field's native value (DataSize bytes).
  // Set in InternalOpen; -1 (the default) for none.
  void SetCalcFieldsOffset(int offset) { FCalcFieldsOffset = offset; }
  int CalcFieldsOffset() const { return FCalcFieldsOffset; }
  // Whether `record`'s slot for `field` holds a value; copies it to
  // `buffer` when that is not null. REQUIRES: CalcFieldsOffset() >= 0.
  bool GetCalcFieldData(const char* record, const TField* field, void* buffer) const;
  // Stores the value at `buffer` in `record`'s slot for `field`, or null
  // when `buffer` is null. REQUIRES: CalcFieldsOffset() >= 0.
  void SetCalcFieldData(char* record, const TField* field, const void* buffer) const;

  // --- services for descendants
  void SetBookmarkSize(int size) { FBookmarkSize = size; }
  // Puts the cursor on the active record (see the header comment).
  void UpdateCursorPos();
  // Forgets where the cursor is relative to the buffers.
  void CursorPosChanged() { FCurrentRecord = -1; }
  // Fills the window from the cursor: GetNextRecords reads forward,
  // GetPriorRecords backward, until it is full; each returns the count.
  int GetNextRecords();
  int GetPriorRecords();
  bool GetNextRecord();
  bool GetPriorRecord();
  void ClearBuffers();
  void SetState(TDataSetState value);
  void SetModified(bool value) { FModified = value; }
  void CheckCanModify();
  void SetDefaultFields(bool value) { FDefaultFields = value; }
  // The buffer at window index `index` (0..BufferCount).
  TRecordBuffer Buffer(int index) const { return FBuffers[static_cast<std::size_t>(index)]; }

  // --- event firing; override to suppress
  virtual void DoBeforeOpen();
  virtual void DoAfterOpen();
  virtual void DoBeforeClose();
  virtual void DoAfterClose();
  virtual void DoBeforeInsert();
  virtual void DoAfterInsert();
  virtual void DoBeforeEdit();
  virtual void DoAfterEdit();
  virtual void DoBeforePost();
  virtual void DoAfterPost();
  virtual void DoBeforeCancel();
  virtual void DoAfterCancel();
  virtual void DoBeforeDelete();
  virtual void DoAfterDelete();
  virtual void DoBeforeScroll();
  virtual void DoAfterScroll();
  virtual void DoBeforeRefresh();
  virtual void DoAfterRefresh();
  virtual void DoOnNewRecord();
  virtual void DoOnCalcFields();
  // The error events of Edit, Post and Delete: `action` starts as daFail.
  virtual void DoOnEditError(EDatabaseError& e, TDataAction& action);
  virtual void DoOnPostError(EDatabaseError& e, TDataAction& action);
  virtual void DoOnDeleteError(EDatabaseError& e, TDataAction& action);
  // Runs OnFilterRecord; `accept` starts as true and stays so without one.
  virtual void DoOnFilterRecord(bool& accept);

 private:
  friend class TDataSource;
  friend class TDataLink;
  friend class TField;
  friend class TFields;

  void CheckOperation(void (TDataSet::*operation)(),
                      void (TDataSet::*errorEvent)(EDatabaseError&, TDataAction&));
  void CallInternalPost() { InternalPost(); }
  void CallInternalEdit() { InternalEdit(); }
  void CallInternalDelete() { InternalDelete(); }
  void OpenCursor();
  void CloseCursor();
  void SetCurrentRecord(int index);
  void ActivateBuffers();
  void MoveBuffer(int curIndex, int newIndex);
  void SetBufferCount(int value);
  void FreeBuffers();
  void UpdateBufferCount();
  void AdjustFirstRecord(int delta);
  void BeginInsertAppend();
  void EndInsertAppend();
  // Keeps the record as it is now (Edit) or a cleared one (insert) for
  // the dsOldValue state.
  void SaveOldValues(bool inserting);
  void AddDataSource(TDataSource* source);
  void RemoveDataSource(TDataSource* source);
  // The scan of Locate and Lookup: leaves the match in FScratch.
  bool LocateRecord(const std::string& keyFields, const Variant& keyValues, TLocateOptions options);
  static void FireEvent(const TDataSetNotifyEvent& event, TDataSet* dataSet) {
    if (event) event(dataSet);
  }

  std::unique_ptr<TFields> FFields;
  std::unique_ptr<TFieldDefs> FFieldDefs;
  std::vector<TDataSource*> FDataSources;
  std::vector<TRecordBuffer> FBuffers;  // FBufferCount + 1 (the last: scratch)
  TRecordBuffer FScratch = nullptr;     // Locate/Lookup
  TRecordBuffer FCalcBuffer = nullptr;
  TRecordBuffer FOldValueBuffer = nullptr;  // the record before Edit/Insert
  TDataSetState FState = dsInactive;
  TDataSetState FDisableState = dsInactive;
  TDataEvent FEnableEvent = deDataSetChange;
  int FBufferCount = 0;
  int FRecordCount = 0;
  int FActiveRecord = 0;
  int FCurrentRecord = -1;
  int FBookmarkSize = 0;
  int FCalcFieldsSize = 0;
  int FCalcFieldsOffset = -1;
  // The lookup fields in field order, which CalculateFields resolves on
  // every change of a data field; rebuilt after the field list or a kind
  // changes.
  std::vector<TField*> FLookupFields;
  bool FLookupFieldsKnown = false;
  // The fields that a post requires a value of (Required, not ReadOnly,
  // data), in field order; rebuilt after the field list or one of those
  // properties changes.
  std::vector<TField*> FRequiredFields;
  bool FRequiredFieldsKnown = false;
  int FDisableCount = 0;
  bool FBOF = true;
  bool FEOF = true;
  bool FModified = false;
  bool FDefaultFields = false;
  bool FFiltered = false;
  std::string FFilter;
};
