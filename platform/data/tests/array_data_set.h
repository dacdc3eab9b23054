// A small dataset over an array of records, for the framework's tests.
// Record layout: for each data field a null flag byte and its native
// value; then the calculated area, a 4-byte bookmark (the row index) and
// a flag byte. Storage text is upper case ASCII when Transliterate is on
// (Translate upper-cases toward storage and lower-cases back).
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "platform/data/data_set.h"
#include "platform/data/db_consts.h"

struct TColumn {
  std::string Name;
  TFieldType Type;
  int Size = 0;
};

class TArrayDataSet : public TDataSet {
  MEBRATH_CLASS(TArrayDataSet, TDataSet)
 public:
  std::vector<TColumn> Columns;
  std::vector<std::string> Rows;  // raw records
  bool UpperStorage = false;

  int CompareBookmarks(const TBookmark& a, const TBookmark& b) override {
    if (a.empty() || b.empty()) return a.empty() == b.empty() ? 0 : (a.empty() ? -1 : 1);
    int x = Decode(a.data()), y = Decode(b.data());
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  bool BookmarkValid(const TBookmark& b) override {
    if (b.size() != 4) return false;
    int x = Decode(b.data());
    return x >= 0 && x < static_cast<int>(Rows.size());
  }
  int Translate(const char* src, char* dest, bool toOem) override {
    if (!UpperStorage) return TDataSet::Translate(src, dest, toOem);
    int n = 0;
    for (; src[n] != 0; ++n) {
      char c = src[n];
      dest[n] = toOem ? (c >= 'a' && c <= 'z' ? c - 32 : c) : (c >= 'A' && c <= 'Z' ? c + 32 : c);
    }
    dest[n] = 0;
    return n;
  }
  bool GetFieldData(TField* field, void* buffer) override {
    char* record = RecordBuffer();
    if (record == nullptr) return false;
    const char* slot = field->FieldNo() > 0
                           ? record + FOffsets[static_cast<std::size_t>(field->FieldNo() - 1)]
                           : record + FRecordSize + field->Offset();
    if (slot[0] == 0) return false;
    if (buffer != nullptr)
      std::memcpy(buffer, slot + 1, static_cast<std::size_t>(field->DataSize()));
    return true;
  }
  void SetFieldData(TField* field, const void* buffer) override {
    TDataSetState s = State();
    if (!IsWriteState(s)) DatabaseError(SNotEditing, this);
    char* record = RecordBuffer();
    if (record == nullptr) return;
    char* slot;
    if (field->FieldNo() > 0) {
      field->Validate(buffer);
      slot = record + FOffsets[static_cast<std::size_t>(field->FieldNo() - 1)];
    } else {
      slot = record + FRecordSize + field->Offset();
    }
    slot[0] = buffer != nullptr ? 1 : 0;
    std::memset(slot + 1, 0, static_cast<std::size_t>(field->DataSize()));
    if (buffer != nullptr)
      std::memcpy(slot + 1, buffer, static_cast<std::size_t>(field->DataSize()));
    if (s != dsCalcFields && s != dsFilter && s != dsNewValue)
      DataEvent(deFieldChange, reinterpret_cast<std::intptr_t>(field));
  }
  int Position() const { return FCurrent; }

 protected:
  explicit TArrayDataSet(TComponent* owner) : TDataSet(owner) {}

  TRecordBuffer AllocRecordBuffer() override {
    return new char[static_cast<std::size_t>(BufferSize())]();
  }
  void FreeRecordBuffer(TRecordBuffer& buffer) override {
    delete[] buffer;
    buffer = nullptr;
  }
  void InternalInitRecord(TRecordBuffer buffer) override {
    std::memset(buffer, 0, static_cast<std::size_t>(FRecordSize));
  }
  void ClearCalcFields(TRecordBuffer buffer) override {
    std::memset(buffer + FRecordSize, 0, static_cast<std::size_t>(CalcFieldsSize()));
  }
  TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) override {
    const TGetResult result =
        StepRecordIndex(FCurrent, static_cast<int>(Rows.size()), mode, doCheck);
    if (result != grOK) return result;
    std::memcpy(buffer, Rows[static_cast<std::size_t>(FCurrent)].data(),
                static_cast<std::size_t>(FRecordSize));
    std::memcpy(buffer + BookmarkOffset(), &FCurrent, 4);
    SetBookmarkFlag(buffer, bfCurrent);
    ClearCalcFields(buffer);
    GetCalcFields(buffer);
    return grOK;
  }
  int GetRecordSize() override { return FRecordSize; }
  void GetBookmarkData(TRecordBuffer buffer, void* data) override {
    std::memcpy(data, buffer + BookmarkOffset(), 4);
  }
  void SetBookmarkData(TRecordBuffer buffer, const void* data) override {
    std::memcpy(buffer + BookmarkOffset(), data, 4);
  }
  TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) override {
    return static_cast<TBookmarkFlag>(buffer[BookmarkOffset() + 4]);
  }
  void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) override {
    buffer[BookmarkOffset() + 4] = static_cast<char>(flag);
  }
  void InternalGotoBookmark(const void* bookmark) override { FCurrent = Decode(bookmark); }
  void InternalSetToRecord(TRecordBuffer buffer) override {
    FCurrent = Decode(buffer + BookmarkOffset());
  }
  void InternalFirst() override { FCurrent = -1; }
  void InternalLast() override { FCurrent = static_cast<int>(Rows.size()); }
  void InternalInitFieldDefs() override {
    FieldDefs().Clear();
    for (const TColumn& c : Columns) FieldDefs().Add(c.Name, c.Type, c.Size);
  }
  void InternalOpen() override {
    InternalInitFieldDefs();
    if (DefaultFields()) CreateFields();
    BindFields(true);
    FOffsets.assign(Columns.size(), 0);
    FRecordSize = 0;
    for (std::size_t i = 0; i < Columns.size(); ++i) {
      FOffsets[i] = FRecordSize;
      TField* field = Fields().FieldByNumber(static_cast<int>(i) + 1);
      FRecordSize += 1 + (field ? field->DataSize() : 0);
    }
    for (std::string& row : Rows) row.resize(static_cast<std::size_t>(FRecordSize));
    SetBookmarkSize(4);
    FCurrent = -1;
    FOpen = true;
  }
  void InternalClose() override {
    BindFields(false);
    if (DefaultFields()) DestroyFields();
    FOpen = false;
  }
  void InternalAddRecord(TRecordBuffer buffer, bool append) override {
    if (append || FCurrent < 0) FCurrent = append ? static_cast<int>(Rows.size()) : 0;
    Rows.insert(Rows.begin() + FCurrent,
                std::string(buffer, static_cast<std::size_t>(FRecordSize)));
  }
  void InternalDelete() override {
    Rows.erase(Rows.begin() + FCurrent);
    if (FCurrent >= static_cast<int>(Rows.size())) FCurrent = static_cast<int>(Rows.size()) - 1;
  }
  void InternalPost() override {
    TDataSet::InternalPost();
    std::string record(ActiveBuffer(), static_cast<std::size_t>(FRecordSize));
    if (State() == dsEdit) {
      Rows[static_cast<std::size_t>(FCurrent)] = record;
      return;
    }
    if (GetBookmarkFlag(ActiveBuffer()) == bfEOF) FCurrent = static_cast<int>(Rows.size());
    if (FCurrent < 0) FCurrent = 0;
    Rows.insert(Rows.begin() + FCurrent, record);
  }
  bool IsCursorOpen() override { return FOpen; }
  int GetRecordCount() override { return static_cast<int>(Rows.size()); }
  int GetRecNo() override { return State() == dsInsert ? 0 : FCurrent + 1; }
  void SetRecNoValue(int value) override {
    CheckBrowseMode();
    if (value < 1 || value > static_cast<int>(Rows.size())) return;
    DoBeforeScroll();
    FCurrent = value - 1;
    Resync(TResyncMode{rmCenter});
    DoAfterScroll();
  }

 private:
  static int Decode(const void* data) {
    int value;
    std::memcpy(&value, data, 4);
    return value;
  }
  int BookmarkOffset() const { return FRecordSize + CalcFieldsSize(); }
  int BufferSize() const { return BookmarkOffset() + 5; }
  char* RecordBuffer() {
    switch (State()) {
      case dsBrowse:
        return IsEmpty() ? nullptr : ActiveBuffer();
      case dsEdit:
      case dsInsert:
      case dsNewValue:
      case dsOldValue:
        return ActiveBuffer();
      case dsCalcFields:
        return CalcBuffer();
      default:
        return nullptr;
    }
  }

  std::vector<int> FOffsets;
  int FRecordSize = 0;
  int FCurrent = -1;
  bool FOpen = false;
};
