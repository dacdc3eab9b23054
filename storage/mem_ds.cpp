#include "storage/mem_ds.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "platform/base/format.h"
#include "platform/base/scope_guard.h"
#include "platform/base/text.h"
#include "platform/data/db_consts.h"
#include "platform/data/fields.h"

namespace {

constexpr const char* SNoDataFields = "%s: Can't open: has no data fields";
// 31.12.1899 as a day count: earlier dates are stored as "no date".
constexpr std::int32_t kFirstStoredDay = 693595;

bool IsStringType(TFieldType type) {
  return type == ftString || type == ftFixedChar || type == ftWideString;
}

template <typename T>
T Load(const char* p) {
  T value;
  std::memcpy(&value, p, sizeof(T));
  return value;
}

// Whether a stored value of `field` counts as a value (dates and
// date-times of 0 are null).
bool HasValue(const TField* field, const char* slot) {
  switch (field->DataType()) {
    case ftDate:
      return Load<std::int32_t>(slot) != 0;
    case ftDateTime:
      return Load<double>(slot) != 0;
    default:
      return true;
  }
}

// Equality of two native values of a non-string field; kinds that cannot
// be searched never match.
bool SameValue(TFieldType type, const char* a, const char* b) {
  switch (type) {
    case ftSmallint:
    case ftWord:
      return Load<std::int16_t>(a) == Load<std::int16_t>(b);
    case ftInteger:
    case ftAutoInc:
    case ftDate:
    case ftTime:
      return Load<std::int32_t>(a) == Load<std::int32_t>(b);
    case ftLargeint:
      return Load<std::int64_t>(a) == Load<std::int64_t>(b);
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftDateTime:
      return Load<double>(a) == Load<double>(b);
    default:
      return false;
  }
}

bool IsSearchable(TFieldType type) {
  switch (type) {
    case ftSmallint:
    case ftWord:
    case ftInteger:
    case ftAutoInc:
    case ftDate:
    case ftTime:
    case ftLargeint:
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftDateTime:
      return true;
    default:
      return false;
  }
}

// Whether `text`, upper-cased as AnsiUpperCase does, equals `foldedKey`
// or (partial) begins with it. Searching runs this over every record, so
// it folds one character at a time and stops at the first difference
// instead of building the folded text.
bool FoldedTextMatches(std::string_view text, std::string_view foldedKey, bool partial) {
  if (partial ? text.size() < foldedKey.size() : text.size() != foldedKey.size()) return false;
  std::string folded;
  std::size_t i = 0;
  while (i < foldedKey.size()) {
    const unsigned char b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
      const char up = b >= 'a' && b <= 'z' ? static_cast<char>(b - 32) : static_cast<char>(b);
      if (up != foldedKey[i]) return false;
      ++i;
      continue;
    }
    const std::size_t start = i;
    const char32_t c = DecodeUtf8At(text, i);
    folded.clear();
    if (c == kReplacementChar && i - start == 1)
      folded.push_back(text[start]);  // an invalid byte stays as it is
    else
      AppendUtf8(folded, AnsiUpperCaseChar(c));
    if (foldedKey.compare(start, folded.size(), folded) != 0 ||
        start + folded.size() > foldedKey.size())
      return false;
  }
  return true;
}

}  // namespace

TmemDs::TmemDs(TComponent* owner) : TDataSet(owner) {}

// ---- structure

void TmemDs::InternalInitFieldDefs() {
  FieldDefs().Clear();
  FOffsets.clear();
  FRecordSize = 0;
  for (int i = 0; i < FieldCount(); ++i) {
    TField* field = Fields()[i];
    if (field->FieldKind() != fkData && field->FieldKind() != fkInternalCalc) continue;
    FieldDefs().Add(field->FieldName(), field->DataType(), field->Size(), field->Required());
    FOffsets.push_back(FRecordSize);
    FRecordSize += field->DataSize();
  }
}

void TmemDs::InternalOpen() {
  FRecords.clear();
  FCurrent = -1;
  SetBookmarkSize(4);
  InternalInitFieldDefs();
  if (FRecordSize == 0) throw EDatabaseError(Format(SNoDataFields, Name()));
  if (DefaultFields()) CreateFields();
  BindFields(true);
  SetCalcFieldsOffset(FRecordSize);
  FOpen = true;
}

void TmemDs::InternalClose() {
  FRecords.clear();
  BindFields(false);
  if (DefaultFields()) DestroyFields();
  FCurrent = -1;
  FOpen = false;
}

int TmemDs::FieldOffset(const TField* field) const {
  return FOffsets[static_cast<std::size_t>(field->FieldNo() - 1)];
}

// ---- buffers

TRecordBuffer TmemDs::AllocRecordBuffer() {
  return new char[static_cast<std::size_t>(BufferSize())]();
}

void TmemDs::FreeRecordBuffer(TRecordBuffer& buffer) {
  delete[] buffer;
  buffer = nullptr;
}

void TmemDs::InternalInitRecord(TRecordBuffer buffer) {
  std::memset(buffer, 0, static_cast<std::size_t>(FRecordSize));
}

void TmemDs::GetBookmarkData(TRecordBuffer buffer, void* data) {
  std::memcpy(data, buffer + BookmarkOffset(), 4);
}

void TmemDs::SetBookmarkData(TRecordBuffer buffer, const void* data) {
  std::memcpy(buffer + BookmarkOffset(), data, 4);
}

TBookmarkFlag TmemDs::GetBookmarkFlag(TRecordBuffer buffer) {
  return static_cast<TBookmarkFlag>(buffer[BookmarkOffset() + 4]);
}

void TmemDs::SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) {
  buffer[BookmarkOffset() + 4] = static_cast<char>(flag);
}

bool TmemDs::GetActiveRecBuf(TRecordBuffer& buffer) {
  switch (State()) {
    case dsBrowse:
      buffer = IsEmpty() ? nullptr : ActiveBuffer();
      break;
    case dsEdit:
    case dsInsert:
    case dsOldValue:  // the base holds the record as it was before Edit
      buffer = ActiveBuffer();
      break;
    case dsCalcFields:
    case dsInternalCalc:
      buffer = CalcBuffer();
      break;
    case dsFilter:
      buffer = FKeyBuffer;
      break;
    default:
      buffer = nullptr;
      break;
  }
  return buffer != nullptr;
}

// ---- navigation

TGetResult TmemDs::GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) {
  const TGetResult result = StepRecordIndex(FCurrent, Count(), mode, doCheck);
  if (result != grOK) return result;
  const TStoredRecord& record = FRecords[static_cast<std::size_t>(FCurrent)];
  std::memcpy(buffer, record.Data.get(), static_cast<std::size_t>(FRecordSize));
  std::memcpy(buffer + BookmarkOffset(), &record.Serial, 4);
  SetBookmarkFlag(buffer, bfCurrent);
  GetCalcFields(buffer);
  return grOK;
}

int TmemDs::IndexOfSerial(std::uint32_t serial) const {
  const int count = Count();
  if (count == 0) return -1;
  const int hint = std::clamp(FCurrent, 0, count - 1);
  for (int distance = 0;; ++distance) {
    const int up = hint + distance;
    const int down = hint - distance;
    if (up >= count && down < 0) return -1;
    if (up < count && FRecords[static_cast<std::size_t>(up)].Serial == serial) return up;
    if (down >= 0 && FRecords[static_cast<std::size_t>(down)].Serial == serial) return down;
  }
}

int TmemDs::IndexOfBookmark(const TBookmark& bookmark) const {
  if (bookmark.size() != 4) return -1;
  return IndexOfSerial(Load<std::uint32_t>(bookmark.data()));
}

void TmemDs::InternalGotoBookmark(const void* bookmark) {
  int index = IndexOfSerial(Load<std::uint32_t>(static_cast<const char*>(bookmark)));
  if (index < 0) Abort();
  FCurrent = index;
}

void TmemDs::InternalSetToRecord(TRecordBuffer buffer) {
  int index = IndexOfSerial(Load<std::uint32_t>(buffer + BookmarkOffset()));
  if (index >= 0) FCurrent = index;
}

int TmemDs::CompareBookmarks(const TBookmark& a, const TBookmark& b) {
  if (a.empty() || b.empty()) return a.empty() == b.empty() ? 0 : (a.empty() ? -1 : 1);
  // Vanished bookmarks go after every live record, by serial.
  auto key = [this](const TBookmark& bookmark) -> std::int64_t {
    int index = IndexOfBookmark(bookmark);
    if (index >= 0) return index;
    std::uint32_t serial = bookmark.size() == 4 ? Load<std::uint32_t>(bookmark.data()) : 0;
    return std::int64_t{std::numeric_limits<int>::max()} + serial;
  };
  std::int64_t x = key(a);
  std::int64_t y = key(b);
  return x < y ? -1 : (x > y ? 1 : 0);
}

bool TmemDs::BookmarkValid(const TBookmark& bookmark) {
  return FOpen && IndexOfBookmark(bookmark) >= 0;
}

int TmemDs::GetRecNo() {
  if (!FOpen || State() == dsInsert) return 0;
  if (FCurrent < 0) return Count() > 0 ? 1 : 0;
  return std::min(FCurrent, Count() - 1) + 1;
}

void TmemDs::SetRecNoValue(int value) {
  if (!FOpen || ComponentState().Contains(csDestroying)) return;
  CheckBrowseMode();
  const int count = Count();
  if (value > count) {
    Last();
    return;
  }
  if (value < 0) {
    First();
    return;
  }
  const int old = RecNo();
  const bool moves = std::max(value, 1) != old;
  if (moves) DoBeforeScroll();
  FCurrent = value - 1;
  Resync(TResyncMode{rmCenter});
  if (moves) DoAfterScroll();
}

// ---- editing

void TmemDs::InsertStored(int index, const char* buffer) {
  TStoredRecord record{FNextSerial++,
                       std::make_unique<char[]>(static_cast<std::size_t>(FRecordSize))};
  std::memcpy(record.Data.get(), buffer, static_cast<std::size_t>(FRecordSize));
  index = std::clamp(index, 0, Count());
  FRecords.insert(FRecords.begin() + index, std::move(record));
  FCurrent = index;
}

void TmemDs::InternalPost() {
  TDataSet::InternalPost();
  TRecordBuffer buffer = ActiveBuffer();
  if (State() == dsEdit) {
    // The edited record by its serial: a position can only be stale.
    int index = IndexOfSerial(Load<std::uint32_t>(buffer + BookmarkOffset()));
    if (index >= 0) {
      std::memcpy(FRecords[static_cast<std::size_t>(index)].Data.get(), buffer,
                  static_cast<std::size_t>(FRecordSize));
      FCurrent = index;
      return;
    }
    if (Count() > 0) Abort();  // the record is gone; nothing to overwrite
  }
  InsertStored(std::max(FCurrent, 0), buffer);
}

void TmemDs::InternalAddRecord(TRecordBuffer buffer, bool append) {
  if (append) FCurrent = Count();
  InsertStored(std::max(FCurrent, 0), buffer);
}

void TmemDs::InternalDelete() {
  if (FCurrent < 0 || FCurrent >= Count()) DatabaseError(SNoRecords, this);
  FRecords.erase(FRecords.begin() + FCurrent);
  if (FCurrent >= Count()) FCurrent = Count() - 1;
}

// ---- field data

bool TmemDs::GetFieldData(TField* field, void* buffer) {
  TRecordBuffer record;
  if (!GetActiveRecBuf(record)) return false;
  const auto size = static_cast<std::size_t>(field->DataSize());
  if (field->FieldNo() > 0) {
    const char* slot = record + FieldOffset(field);
    if (!HasValue(field, slot)) return false;
    if (buffer != nullptr) std::memcpy(buffer, slot, size);
    return true;
  }
  if (field->FieldNo() < 0) return GetCalcFieldData(record, field, buffer);
  return false;
}

bool TmemDs::GetFieldString(TField* field, std::string& value) {
  // The base reads through a C string, which would cut a text at a NUL
  // byte (a damaged file's); a slot is NUL-filled after its text.
  if (field->FieldNo() <= 0 || !IsStringType(field->DataType()))
    return TDataSet::GetFieldString(field, value);
  TRecordBuffer record;
  if (!GetActiveRecBuf(record)) return false;
  const std::string_view text =
      NativeText(record + FieldOffset(field), static_cast<std::size_t>(field->DataSize()));
  if (field->Transliterate() && !text.empty())
    value = TranslatedText(*this, text.data(), text.size(), false);
  else
    value.assign(text);
  return true;
}

void TmemDs::SetFieldData(TField* field, const void* buffer) {
  const TDataSetState state = State();
  if (!IsWriteState(state)) DatabaseError(SNotEditing, this);
  TRecordBuffer record;
  if (!GetActiveRecBuf(record)) return;
  const auto size = static_cast<std::size_t>(field->DataSize());
  if (field->FieldNo() > 0) {
    if (state == dsCalcFields) DatabaseError(SNotEditing, this);
    if (field->ReadOnly() && state != dsFilter) field->CheckReadOnly();
    if (FKeyBuffer == nullptr) field->Validate(buffer);
    if (field->FieldKind() != fkInternalCalc) {
      char* slot = record + FieldOffset(field);
      std::memset(slot, 0, size);
      if (buffer != nullptr) {
        const char* source = static_cast<const char*>(buffer);
        if (IsStringType(field->DataType())) {
          // The whole text, NUL bytes in it too; the last byte stays NUL.
          const std::string_view text = NativeText(source, size - 1);
          std::memcpy(slot, text.data(), text.size());
        } else if (field->DataType() == ftDate) {
          std::int32_t days = Load<std::int32_t>(source);
          if (days >= kFirstStoredDay) std::memcpy(slot, &days, 4);
        } else {
          std::memcpy(slot, source, size);
        }
      }
    }
  } else if (field->FieldNo() < 0) {
    SetCalcFieldData(record, field, buffer);
  }
  if (state != dsCalcFields && state != dsFilter && state != dsNewValue)
    DataEvent(deFieldChange, reinterpret_cast<std::intptr_t>(field));
}

// ---- search

std::string TmemDs::ConvertKey(TField* field, const std::string& keyText) {
  std::vector<char> scratch(static_cast<std::size_t>(BufferSize()), '\0');
  {
    // The fields point at the scratch record in the dsFilter state (no
    // change events, read-only fields allowed) until the text is in.
    TValueGuard<char*> key(FKeyBuffer, scratch.data());
    const TDataSetState saved = SetTempState(dsFilter);
    TScopeExit restore([&] { RestoreState(saved); });
    field->SetText(keyText);
  }
  const char* slot = scratch.data() + FieldOffset(field);
  return std::string(slot, static_cast<std::size_t>(field->DataSize()));
}

int TmemDs::FindRecord(const std::string& keyFields, const std::string& keyText,
                       TLocateOptions options) {
  CheckActive();
  TField* field = FieldByName(keyFields);
  if (FRecords.empty() || field->FieldNo() <= 0) return -1;
  const TFieldType type = field->DataType();
  const std::size_t offset = static_cast<std::size_t>(FieldOffset(field));
  const std::size_t size = static_cast<std::size_t>(field->DataSize());

  if (IsStringType(type)) {
    std::string key = keyText;
    if (field->Transliterate() && !key.empty()) {
      std::string out(key.size() * 4 + 1, '\0');
      out.resize(static_cast<std::size_t>(std::max(Translate(key.c_str(), out.data(), true), 0)));
      key = std::move(out);
    }
    const bool fold = options.Contains(loCaseInsensitive);
    const bool partial = options.Contains(loPartialKey);
    if (fold) key = AnsiUpperCase(key);
    for (int i = 0; i < Count(); ++i) {
      const char* slot = FRecords[static_cast<std::size_t>(i)].Data.get() + offset;
      const std::string_view text = NativeText(slot, size);
      if (fold ? FoldedTextMatches(text, key, partial)
               : (partial ? text.starts_with(key) : text == key))
        return i + 1;
    }
    return -1;
  }

  if (!IsSearchable(type)) return -1;
  const std::string key = ConvertKey(field, keyText);
  for (int i = 0; i < Count(); ++i) {
    const char* slot = FRecords[static_cast<std::size_t>(i)].Data.get() + offset;
    if (SameValue(type, slot, key.data())) return i + 1;
  }
  return -1;
}

bool TmemDs::Locate(const std::string& keyFields, const Variant& keyValues,
                    TLocateOptions options) {
  if (VarIsNull(keyValues) || VarIsEmpty(keyValues)) return false;
  CheckBrowseMode();
  const int position = FindRecord(keyFields, VarToStr(keyValues), options);
  if (position >= 1) {
    SetRecNo(position);
  } else {
    Last();
  }
  Refresh();
  return position >= 1;
}
