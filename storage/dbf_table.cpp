#include "storage/dbf_table.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "platform/base/clock.h"
#include "platform/base/codepage.h"
#include "platform/base/file_stream.h"
#include "platform/base/file_utils.h"
#include "platform/base/format.h"
#include "platform/data/db_consts.h"
#include "storage/mapped_read.h"

using namespace dbf;

namespace {

constexpr int kLockRetryMilliseconds = 200;

// Holds a byte-range lock until the end of the scope, whatever happens.
class TRangeLockGuard {
 public:
  TRangeLockGuard(std::function<void()> unlock) : FUnlock(std::move(unlock)) {}
  ~TRangeLockGuard() { FUnlock(); }
  TRangeLockGuard(const TRangeLockGuard&) = delete;
  TRangeLockGuard& operator=(const TRangeLockGuard&) = delete;

 private:
  std::function<void()> FUnlock;
};

bool IsStringType(TFieldType type) {
  return type == ftString || type == ftFixedChar || type == ftWideString;
}

bool IsNumericLetter(char type) { return type == kTypeNumeric || type == kTypeFloat; }

TValueKind KindOfFieldType(TFieldType type) {
  switch (type) {
    case ftString:
    case ftFixedChar:
    case ftWideString:
    case ftBytes:
      return TValueKind::String;
    case ftBoolean:
      return TValueKind::Boolean;
    case ftDate:
      return TValueKind::Date;
    case ftDateTime:
    case ftTimeStamp:
      return TValueKind::DateTime;
    case ftWord:
      return TValueKind::Word;
    case ftSmallint:
      return TValueKind::SmallInt;
    case ftInteger:
    case ftAutoInc:
      return TValueKind::Integer;
    case ftLargeint:
      return TValueKind::LargeInt;
    case ftFloat:
      return TValueKind::Float;
    case ftCurrency:
      return TValueKind::Currency;
    default:
      return TValueKind::Unknown;
  }
}

TFieldType FieldTypeOfKind(TValueKind kind) {
  switch (kind) {
    case TValueKind::String:
      return ftString;
    case TValueKind::SmallInt:
      return ftSmallint;
    case TValueKind::Integer:
      return ftInteger;
    case TValueKind::Word:
      return ftWord;
    case TValueKind::LargeInt:
      return ftLargeint;
    case TValueKind::Float:
      return ftFloat;
    case TValueKind::Currency:
      return ftCurrency;
    case TValueKind::Boolean:
      return ftBoolean;
    case TValueKind::Date:
      return ftDate;
    case TValueKind::DateTime:
      return ftDateTime;
    case TValueKind::Unknown:
      break;
  }
  return ftUnknown;
}

constexpr std::size_t kWindowBytes = 64 * 1024;
constexpr std::size_t kScanBytes = 1 << 20;
constexpr std::size_t kPackBlockBytes = 64 * 1024;

// Replaces `to` by `from` in one step, as rename(2) does.
void ReplaceFile(const std::string& from, const std::string& to) {
  if (std::rename(from.c_str(), to.c_str()) != 0)
    throw EDBFError("cannot rename " + from + " to " + to + ": " + std::strerror(errno));
  // The rename is durable once the directory is.
  const std::string dir = ExtractFileDir(ExpandFileName(to));
  const int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

// File systems whose mapped pages are the pages every reader and writer of
// the file shares. A network client may keep mapped pages that another
// machine has rewritten since, so anything else is read by system calls.
bool OnLocalFileSystem(int handle) {
  struct statfs info;
  if (handle < 0 || ::fstatfs(handle, &info) != 0) return false;
  switch (static_cast<unsigned long>(info.f_type)) {
    case 0xEF53:      // ext2, ext3, ext4
    case 0x58465342:  // xfs
    case 0x9123683E:  // btrfs
    case 0x01021994:  // tmpfs
    case 0x858458F6:  // ramfs
    case 0x794C7630:  // overlayfs
    case 0xF2F52010:  // f2fs
    case 0x2FC12FC1:  // zfs
    case 0x3153464A:  // jfs
    case 0x52654973:  // reiserfs
      return true;
    default:
      return false;
  }
}

// Room mapped past the end of the file, so that appends rarely remap.
constexpr std::size_t kMapHeadroomBytes = 4 << 20;

std::int32_t DaysOf(TDateTime value) { return DateTimeToTimeStamp(value).Date; }

TDateTime DateOfDays(std::int32_t days) { return TimeStampToDateTime(TTimeStamp{0, days}); }

}  // namespace

// ---- TDFieldDef

void TDFieldDef::Assign(const TPersistent* source) {
  TFieldDef::Assign(source);
  if (const auto* def = dynamic_cast<const TDFieldDef*>(source)) FDbfType = def->FDbfType;
}

// ---- construction

TmDbfTable::TmDbfTable(TComponent* owner)
    : TDataSet(owner, TCollection::ItemFactory<TDFieldDef>()),
      FForceStringFields(std::make_unique<TStringList>()) {
  LockWait = [](int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  };
  FCursor = new TDbfCursor(this);
}

TmDbfTable::~TmDbfTable() {
  UnmapFile();
  while (!FOrderings.empty()) delete FOrderings.back();
}

void TmDbfTable::RemoveOrdering(TDbfCursor* cursor) {
  FOrderings.erase(std::remove(FOrderings.begin(), FOrderings.end(), cursor), FOrderings.end());
  if (FCursor == cursor) FCursor = FOrderings.empty() ? nullptr : FOrderings.front();
}

void TmDbfTable::SetTableName(const std::string& name) {
  CheckInactive();
  FTableName = name;
}

void TmDbfTable::SetReadOnly(bool value) {
  CheckInactive();
  FReadOnly = value;
}

void TmDbfTable::SetExclusive(bool value) {
  CheckInactive();
  FExclusive = value;
}

void TmDbfTable::SetDateTimeAsDate(bool value) {
  CheckInactive();
  FDateTimeAsDate = value;
}

void TmDbfTable::SetAnsiTable(bool value) {
  if (FAnsiTable == value) return;
  FAnsiTable = value;
  if (Active()) DataEvent(deDataSetChange, 0);
}

void TmDbfTable::SetForceStringFields(const TStrings& names) { FForceStringFields->Assign(names); }

std::unique_ptr<TFileStream> TmDbfTable::OpenStream(const std::string& fileName, unsigned mode) {
  if (StreamFactory) return StreamFactory(fileName, mode);
  return std::make_unique<TFileStream>(fileName, mode);
}

// ---- creation

void TmDbfTable::CreateTable(const std::string& tail) {
  CheckInactive();
  WriteEmptyTable(FTableName, tail);
}

void TmDbfTable::WriteEmptyTable(const std::string& fileName, const std::string& tail) {
  struct Source {
    std::string Name;
    TFieldType Type;
    int Size;
    std::string Origin;
  };
  std::vector<Source> sources;
  for (int i = 0; i < FieldCount(); ++i) {
    TField* field = Fields()[i];
    if (field->FieldKind() == fkData)
      sources.push_back({field->FieldName(), field->DataType(), field->Size(), field->Origin()});
  }
  if (sources.empty()) {
    for (int i = 0; i < FieldDefs().Count(); ++i) {
      TFieldDef* def = FieldDefs()[i];
      sources.push_back({def->Name(), def->DataType(), def->Size(), ""});
    }
  }
  if (sources.empty()) throw Exception(Name() + ".CreateTable: no fields");
  std::vector<TFieldDescriptor> columns;
  for (const Source& s : sources) {
    const TValueKind kind = KindOfFieldType(s.Type);
    if (kind == TValueKind::Unknown)
      throw Exception(Name() + ".CreateTable: bad field type: " + FieldTypeName(s.Type));
    const TColumnSpec spec = ColumnForKind(kind, s.Size, s.Origin, s.Name);
    columns.push_back({EncodeFieldName(s.Name), spec.Type, 0,
                       static_cast<std::uint8_t>(spec.Length),
                       static_cast<std::uint8_t>(spec.Decimals)});
  }
  THeader header;
  int year, month, day;
  DecodeDate(Date(), year, month, day);
  header.Year = static_cast<std::uint8_t>(std::clamp(year - 1900, 0, 255));
  header.Month = static_cast<std::uint8_t>(month);
  header.Day = static_cast<std::uint8_t>(day);
  header.StructureVersion = FVers;
  header.CodePage = FCodePage;
  const std::string bytes = EncodeLayout(header, std::move(columns), tail);
  std::unique_ptr<TFileStream> stream = OpenStream(fileName, fmCreate);
  stream->WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
}

// ---- field definitions

TFieldType TmDbfTable::FieldTypeOfColumn(const TFieldDescriptor& column) const {
  const std::string name = DecodeFieldName(column.Name, FAnsiTable);
  bool asString = FForceStringFields->IndexOf(name) >= 0;
  if (!asString && OnFieldAsString) OnFieldAsString(const_cast<TmDbfTable*>(this), name, asString);
  if (asString) return ftString;
  const TValueKind kind = KindForColumn(column, FDateTimeAsDate);
  if (IsNumericLetter(column.Type) && column.Decimals == 0 && kind != TValueKind::String) {
    if (TField* field = FindField(name); field != nullptr) {
      const TFieldType type = field->DataType();
      if (type == ftSmallint || type == ftInteger || type == ftLargeint) return type;
    }
  }
  return FieldTypeOfKind(kind);
}

void TmDbfTable::InternalInitFieldDefs() {
  TLayout layout;
  if (FStream) {
    layout = FLayout;
  } else {
    std::unique_ptr<TFileStream> stream = OpenStream(FTableName, fmOpenRead | fmShareDenyWrite);
    layout = ReadLayout(*stream, FTableName);
  }
  FieldDefs().Clear();
  for (const TFieldDescriptor& column : layout.Fields) {
    auto* def = static_cast<TDFieldDef*>(FieldDefs().AddFieldDef());
    def->SetName(DecodeFieldName(column.Name, FAnsiTable));
    const TFieldType type = FieldTypeOfColumn(column);
    def->SetDataType(type);
    if (type == ftString) def->SetSize(column.Length);
    def->SetDbfType(column.Type);
  }
}

// ---- open and close

void TmDbfTable::InternalOpen() {
  if (!FStream && !FileExists(FTableName)) throw EDBFError("Open: Table file not found");
  try {
    FWriteError.clear();
    DropWindow();
    FStream = OpenStream(FTableName, (FReadOnly ? fmOpenRead : fmOpenReadWrite) |
                                         (FExclusive ? fmShareExclusive : fmShareDenyNone));
    FLayout = ReadSharedLayout();
    FFileVers = FLayout.Header.StructureVersion;
    if (FFileVers != FVers && OnUserConvert) UpgradeStructure();
    SetBookmarkSize(4);
    InternalInitFieldDefs();
    if (DefaultFields()) {
      CreateFields();
    } else if (!FDesignOnlyFields) {
      for (int i = 0; i < FieldDefs().Count(); ++i) {
        TFieldDef* def = FieldDefs()[i];
        if (def->DataType() != ftUnknown && FindField(def->Name()) == nullptr)
          def->CreateField(this);
      }
    }
    BindFields(true);
    for (int i = 0; i < FieldCount(); ++i)
      if (IsStringType(Fields()[i]->DataType()) && Fields()[i]->DataType() != ftWideString)
        Fields()[i]->SetTransliterate(true);
    FCalcOffset = static_cast<int>(FLayout.RecordLength);
    FBookmarkOffset = FCalcOffset + CalcFieldsSize();
    FBufferSize = FBookmarkOffset + 8;
    FSpare.assign(static_cast<std::size_t>(FBufferSize), '\0');
    FIsOpen = true;
    // A stream from StreamFactory may inject faults or not be a plain file.
    FMapReads = !StreamFactory && (FExclusive || OnLocalFileSystem(FStream->Handle()));
    RebuildOrderings();
    FixCodePageByte();
  } catch (...) {
    FIsOpen = false;
    UnmapFile();
    FStream.reset();
    AbandonUpgrade();
    throw;
  }
}

void TmDbfTable::InternalClose() {
  BindFields(false);
  if (DefaultFields()) DestroyFields();
  for (TDbfCursor* cursor : FOrderings) cursor->Clear();
  UnmapFile();
  FStream.reset();
  AbandonUpgrade();
  FIsOpen = false;
  FKnownCount = 0;
  DropWindow();
  FWindow = {};
}

void TmDbfTable::FixCodePageByte() {
  if (FReadOnly || FLayout.Header.CodePage == FCodePage) return;
  // Only byte 29, and under the header lock: the rest of the header may
  // have changed since we read it (another user's append).
  if (!Lock(0, kHeaderSize)) return;  // the next open tries again
  TRangeLockGuard unlock([this] { Unlock(0, kHeaderSize); });
  const char byte = static_cast<char>(FCodePage);
  GuardedWrite([&] {
    FStream->SetPosition(kCodePageOffset);
    FStream->WriteBuffer(&byte, 1);
  });
  FLayout.Header.CodePage = FCodePage;
}

// ---- orderings

TField* TmDbfTable::KeyField(const std::string& fieldName) {
  CheckActive();
  TField* field = FindField(fieldName);
  if (field == nullptr) DatabaseError(Format(SFieldNotFound, fieldName), this);
  return field;
}

TmDbfTable::TKeySpec TmDbfTable::KeySpecOf(const TDbfCursor* cursor) {
  TKeySpec spec;
  if (cursor->KeyFieldName().empty()) return spec;
  TField* field = FindField(cursor->KeyFieldName());
  if (field == nullptr) return spec;
  spec.IsString = IsStringType(field->DataType());
  if (field->FieldKind() == fkData && field->FieldNo() > 0) {
    const TFieldDescriptor& column = Column(field->FieldNo());
    spec.Offset = static_cast<int>(column.Offset);
    spec.Length = column.Length;
  } else if (field->FieldKind() == fkCalculated && spec.IsString) {
    // The value after the slot's flag byte; its first Size - 1 bytes.
    spec.Offset = FCalcOffset + field->Offset() + 1;
    spec.Length = std::max(field->Size() - 1, 0);
    spec.Calculated = true;
  }
  return spec;
}

std::string_view TmDbfTable::KeyIn(const TKeySpec& spec, const char* buffer, std::string& scratch) {
  if (!spec.Calculated) return {buffer + spec.Offset, static_cast<std::size_t>(spec.Length)};
  // A shorter value is padded with blanks, as a searched value is.
  scratch.assign(static_cast<std::size_t>(spec.Length), ' ');
  const char* value = buffer + spec.Offset;
  if (value[-1] != 0) {
    const std::size_t n = strnlen(value, scratch.size());
    std::memcpy(scratch.data(), value, n);
  }
  return scratch;
}

const char* TmDbfTable::WithCalcFields(const char* record) {
  // Building an ordering comes here for every record: the calculated area
  // is cleared by the computation, so only the record is copied.
  if (FKeyBuffer.size() != static_cast<std::size_t>(FBufferSize))
    FKeyBuffer.assign(static_cast<std::size_t>(FBufferSize), '\0');
  std::memcpy(FKeyBuffer.data(), record, FLayout.RecordLength);
  GetCalcFields(FKeyBuffer.data());
  return FKeyBuffer.data();
}

template <class F>
void TmDbfTable::ScanLiveRecords(std::uint32_t from, std::uint32_t to, F&& visit) {
  if (from >= to) return;
  const std::size_t recordLength = FLayout.RecordLength;
  if (FMapReads) {
    // Every record up to `to` is in the file (the caller checked the
    // header's count, under the header lock or against the file's size).
    const std::size_t end = static_cast<std::size_t>(FLayout.RecordPosition(to));
    if (end > FMapLength) MapFile();
  }
  const std::uint32_t perChunk =
      static_cast<std::uint32_t>(std::max<std::size_t>(1, kScanBytes / recordLength));
  std::vector<char> chunk;
  for (std::uint32_t first = from; first < to; first += std::min(perChunk, to - first)) {
    const std::uint32_t count = std::min(perChunk, to - first);
    chunk.resize(count * recordLength);
    // Copied out of the mapping, not visited in place: the visit runs our
    // code and the user's, which a cut file must not interrupt.
    const std::size_t position = static_cast<std::size_t>(FLayout.RecordPosition(first));
    if (FMap != nullptr && position + chunk.size() <= FMapLength) {
      CopyMapped(chunk.data(), position, chunk.size());
    } else {
      FStream->SetPosition(FLayout.RecordPosition(first));
      FStream->ReadBuffer(chunk.data(), static_cast<std::int64_t>(chunk.size()));
    }
    for (std::uint32_t i = 0; i < count; ++i) {
      const char* record = chunk.data() + i * recordLength;
      if (record[0] == kLiveFlag) visit(static_cast<int>(first + i), record);
    }
  }
}

void TmDbfTable::BuildOrderings(const std::vector<TDbfCursor*>& cursors, std::uint32_t count) {
  std::vector<TKeySpec> specs;
  bool calculated = false;
  for (TDbfCursor* cursor : cursors) {
    specs.push_back(KeySpecOf(cursor));
    calculated = calculated || specs.back().Calculated;
    cursor->BeginBuild(specs.back().Length);
  }
  std::string scratch;
  ScanLiveRecords(0, count, [&](int record, const char* bytes) {
    const char* buffer = calculated ? WithCalcFields(bytes) : bytes;
    for (std::size_t i = 0; i < cursors.size(); ++i)
      cursors[i]->AddBuilt(record, KeyIn(specs[i], buffer, scratch));
  });
  for (TDbfCursor* cursor : cursors) cursor->EndBuild();
}

TLayout TmDbfTable::ReadSharedLayout() {
  try {
    return ReadLayout(*FStream, FTableName);
  } catch (const EDBFError&) {
    if (FExclusive || !Lock(0, kHeaderSize)) throw;
  }
  TRangeLockGuard unlock([this] { Unlock(0, kHeaderSize); });
  return ReadLayout(*FStream, FTableName);
}

void TmDbfTable::RebuildOrderings() {
  DropWindow();
  char head[kHeaderSize];
  std::uint32_t count = 0;
  std::int64_t room = 0;
  // The count first, then the size: an append writes its record before it
  // counts it, so the size then covers every record counted.
  auto read = [&] {
    FStream->SetPosition(0);
    FStream->ReadBuffer(head, kHeaderSize);
    count = DecodeFixed32(head + kRecordCountOffset);
    room = (FStream->Size() - FLayout.Header.HeaderLength) / FLayout.RecordLength;
  };
  read();
  if (count > room && !FExclusive && Lock(0, kHeaderSize)) {
    TRangeLockGuard unlock([this] { Unlock(0, kHeaderSize); });
    read();
  }
  if (count > room)
    RaiseDamaged(FTableName, "the header counts " + std::to_string(count) +
                                 " records but the file holds " + std::to_string(room));
  BuildOrderings(FOrderings, count);
  FKnownCount = count;
  FLayout.Header.RecordCount = count;
}

int TmDbfTable::AddAppended(std::uint32_t count, const char* record) {
  std::vector<TKeySpec> specs;
  bool calculated = false;
  for (TDbfCursor* cursor : FOrderings) {
    specs.push_back(KeySpecOf(cursor));
    calculated = calculated || specs.back().Calculated;
  }
  std::string scratch;
  auto add = [&](int number, const char* bytes) {
    const char* buffer = calculated ? WithCalcFields(bytes) : bytes;
    int index = -1;
    for (std::size_t i = 0; i < FOrderings.size(); ++i) {
      const int at = FOrderings[i]->RecordAppended(number, KeyIn(specs[i], buffer, scratch));
      if (FOrderings[i] == FCursor) index = at;
    }
    return index;
  };
  // Other users' records first: they stand before ours in the file.
  ScanLiveRecords(FKnownCount, count, add);
  FKnownCount = count;
  int index = -1;
  if (record != nullptr) {
    index = add(static_cast<int>(count), record);
    FKnownCount = count + 1;
  }
  FLayout.Header.RecordCount = FKnownCount;
  return index;
}

void TmDbfTable::SetOrder(TField* field, bool descending) {
  if (State() != dsBrowse) return;
  UpdateCursorPos();
  const std::string name = field != nullptr ? field->FieldName() : std::string();
  if (name.empty() || FCursor->KeyFieldName() != name || FCursor->Descending() != descending ||
      FCursor->Count() == 0) {
    FCursor->SetKey(name, descending);
    BuildOrderings({FCursor}, FKnownCount);
  }
  Resync(TResyncMode{rmCenter});
  DoAfterScroll();
}

std::string TmDbfTable::PrepareKey(TField* field, const TKeySpec& spec, const std::string& value,
                                   std::uint8_t options) const {
  const std::size_t length = static_cast<std::size_t>(spec.Length);
  std::string key;
  if (spec.IsString) {
    key = FromUtf8(value, FAnsiTable ? TCodePage::Win1251 : TCodePage::Oem866);
    if ((options & kFindPartial) == 0) key.resize(length, ' ');
    if (options & kFindCaseInsensitive) {
      if (FAnsiTable)
        AnsiUpperCaseBytes(key);
      else
        OemUpperCase(key);
    }
  } else if (field->DataType() == ftDate || field->DataType() == ftDateTime) {
    key = value;
  } else if (value.size() >= length) {
    key = value.substr(value.size() - length);
  } else {
    key = std::string(length - value.size(), ' ') + value;
  }
  return key;
}

bool TmDbfTable::FindKey(const std::string& fieldName, const std::string& value,
                         std::uint8_t options) {
  TField* field = KeyField(fieldName);
  if (State() != dsBrowse) return false;
  UpdateCursorPos();
  if (FCursor->KeyFieldName() != field->FieldName() || FCursor->Descending() ||
      FCursor->Count() == 0) {
    FCursor->SetKey(field->FieldName(), false);
    BuildOrderings({FCursor}, FKnownCount);
  }
  const TKeySpec spec = KeySpecOf(FCursor);
  const std::string key = PrepareKey(field, spec, value, options);
  const bool insensitive = (options & kFindCaseInsensitive) != 0 && spec.IsString;
  const int index =
      FCursor->Search(key, (options & kFindPartial) != 0,
                      insensitive ? (FAnsiTable ? AnsiUpperByte : OemUpper) : nullptr);
  if (index >= 0) FCursor->SetPosition(index);
  Resync(TResyncMode{rmCenter});
  if (index >= 0) DoAfterScroll();
  return index >= 0;
}

int TmDbfTable::FindOtherKey(const std::string& fieldName, const std::string& value,
                             std::uint8_t options) {
  TField* field = KeyField(fieldName);
  TDbfCursor* ordering = nullptr;
  for (TDbfCursor* cursor : FOrderings) {
    if (cursor->KeyFieldName() == field->FieldName() && !cursor->Descending()) {
      ordering = cursor;
      break;
    }
  }
  if (ordering == nullptr) return -1;
  const int current = State() == dsInsert ? -1 : PhysicalRecNo();
  const TKeySpec spec = KeySpecOf(ordering);
  const std::string key = PrepareKey(field, spec, value, options);
  const bool insensitive = (options & kFindCaseInsensitive) != 0 && spec.IsString;
  const int other = ordering->SearchOther(
      key, (options & kFindPartial) != 0,
      insensitive ? (FAnsiTable ? AnsiUpperByte : OemUpper) : nullptr, current);
  return other < 0 ? 0 : other + 1;
}

TDbfCursor* TmDbfTable::AddCursor(TField* field) {
  auto* cursor = new TDbfCursor(this);
  cursor->SetKey(field->FieldName(), false);
  if (FIsOpen) BuildOrderings({cursor}, FKnownCount);
  return cursor;
}

// ---- locks and writes

bool TmDbfTable::Lock(std::int64_t offset, std::int64_t length) {
  if (FExclusive) return true;
  FStream->UnlockRange(offset, length);
  if (FStream->LockRange(offset, length)) return true;
  if (FStream->LastLockError() != kErrorLockViolation) return false;
  if (LockWait) LockWait(kLockRetryMilliseconds);
  return FStream->LockRange(offset, length);
}

void TmDbfTable::Unlock(std::int64_t offset, std::int64_t length) {
  if (!FExclusive && FStream) FStream->UnlockRange(offset, length);
}

void TmDbfTable::LockOrRaise(std::int64_t offset, std::int64_t length) {
  if (!Lock(offset, length)) DatabaseError(SRecordLocked, this);
}

void TmDbfTable::CheckWritable() {
  if (!FWriteError.empty())
    throw EDBFError("Table " + FTableName + " takes no more writes after a failed one (" +
                    FWriteError + "); reopen it");
}

template <class F>
void TmDbfTable::GuardedWrite(F&& write) {
  try {
    write();
  } catch (const Exception& e) {
    if (FWriteError.empty()) FWriteError = e.Message();
    throw;
  }
}

void TmDbfTable::ReadRecord(int recordNumber, char* buffer, bool sequential, bool backwards) {
  const std::uint32_t record = static_cast<std::uint32_t>(recordNumber);
  const std::size_t length = FLayout.RecordLength;
  if (FMapReads && record < FKnownCount) {
    const std::size_t end = static_cast<std::size_t>(FLayout.RecordPosition(record)) + length;
    if (end > FMapLength) MapFile();
    if (FMap != nullptr && end <= FMapLength) {
      CopyMapped(buffer, end - length, length);
      return;
    }
  }
  const bool inWindow = record >= FWindowFirst && record - FWindowFirst < FWindowCount;
  // Another user may have rewritten a record since we read it: a shared
  // table re-reads the current record, and trusts the window only briefly.
  const bool fresh =
      FExclusive || (sequential && GetTickCount() - FWindowTick < kSharedWindowMilliseconds);
  if (inWindow && fresh) {
    std::memcpy(buffer, FWindow.data() + (record - FWindowFirst) * length, length);
    return;
  }
  // Only a run of steps through neighbouring records (a scan, not the
  // step or two of a resync) is worth a block.
  const std::uint32_t previous = FLastRead;
  FLastRead = record;
  FRun = sequential && record == (backwards ? previous - 1 : previous + 1) ? FRun + 1 : 0;
  if (!sequential || FRun < 2 || record >= FKnownCount) {
    // One call, not a seek and a read: this is the path of every jump.
    const ssize_t got = ::pread(FStream->Handle(), buffer, length, FLayout.RecordPosition(record));
    if (got != static_cast<ssize_t>(length)) {
      FStream->SetPosition(FLayout.RecordPosition(record));
      FStream->ReadBuffer(buffer, static_cast<std::int64_t>(length));
    }
    if (inWindow) std::memcpy(FWindow.data() + (record - FWindowFirst) * length, buffer, length);
    return;
  }
  const std::uint32_t span =
      static_cast<std::uint32_t>(std::max<std::size_t>(1, kWindowBytes / length));
  std::uint32_t first = record;
  if (backwards) first = record + 1 >= span ? record + 1 - span : 0;
  const std::uint32_t count = std::min(span, FKnownCount - first);
  DropWindow();
  FWindow.resize(count * length);
  FStream->SetPosition(FLayout.RecordPosition(first));
  FStream->ReadBuffer(FWindow.data(), static_cast<std::int64_t>(FWindow.size()));
  FWindowFirst = first;
  FWindowCount = count;
  FWindowTick = GetTickCount();
  std::memcpy(buffer, FWindow.data() + (record - first) * length, length);
}

void TmDbfTable::MapFile() {
  UnmapFile();
  const std::int64_t size = FStream->Size();
  const std::size_t length = static_cast<std::size_t>(size) + kMapHeadroomBytes;
  void* map = ::mmap(nullptr, length, PROT_READ, MAP_SHARED, FStream->Handle(), 0);
  if (map == MAP_FAILED) {
    FMapReads = false;  // read through the stream from now on
    return;
  }
  // Pages past the end of the file may be touched only once the file has
  // grown over them: readers check that the record is one the table knows.
  FMap = static_cast<const char*>(map);
  FMapLength = length;
}

void TmDbfTable::UnmapFile() {
  if (FMap != nullptr) ::munmap(const_cast<char*>(FMap), FMapLength);
  FMap = nullptr;
  FMapLength = 0;
}

void TmDbfTable::CopyMapped(char* to, std::size_t offset, std::size_t length) {
  if (CopyFromMapping(to, FMap + offset, length)) return;
  UnmapFile();
  FMapReads = false;
  throw EDBFError("Table " + FTableName +
                  ": the file was cut short by another program while it was open");
}

void TmDbfTable::WriteRecord(int recordNumber, const char* buffer) {
  const std::uint32_t record = static_cast<std::uint32_t>(recordNumber);
  FStream->SetPosition(FLayout.RecordPosition(record));
  FStream->WriteBuffer(buffer, FLayout.RecordLength);
  if (record >= FWindowFirst && record - FWindowFirst < FWindowCount)
    std::memcpy(FWindow.data() + (record - FWindowFirst) * FLayout.RecordLength, buffer,
                FLayout.RecordLength);
}

void TmDbfTable::AppendRecord(char* buffer) {
  CheckWritable();
  LockOrRaise(0, kHeaderSize);
  TRangeLockGuard unlock([this] { Unlock(0, kHeaderSize); });
  std::uint32_t count = 0;
  GuardedWrite([&] {
    // Other users' appends count: the header is read again under the lock.
    char head[kHeaderSize];
    FStream->SetPosition(0);
    FStream->ReadBuffer(head, kHeaderSize);
    count = DecodeFixed32(head + kRecordCountOffset);
    std::vector<char> out(buffer, buffer + FLayout.RecordLength);
    out.push_back(kEofMarker);
    FStream->SetPosition(FLayout.RecordPosition(count));
    FStream->WriteBuffer(out.data(), static_cast<std::int64_t>(out.size()));
    EncodeFixed32(head + kRecordCountOffset, count + 1);
    FStream->SetPosition(0);
    FStream->WriteBuffer(head, kHeaderSize);
  });
  // Our own record costs one entry per ordering; records other users
  // appended meanwhile (the header's count tells) are read and added
  // first, so no ordering is rebuilt.
  if (count < FKnownCount) {
    RebuildOrderings();
    FCursor->SetPosition(FCursor->IndexOfRecord(static_cast<int>(count)));
  } else {
    FCursor->SetPosition(AddAppended(count, buffer));
  }
}

// ---- pack and structure upgrade

void TmDbfTable::Step() {
  if (StepHook) StepHook(++FStepCount);
}

std::unique_ptr<TFileStream> TmDbfTable::HoldExclusively(const std::string& what) {
  try {
    return OpenStream(FTableName, fmOpenRead | fmShareExclusive);
  } catch (const EFOpenError&) {
    if (!FileExists(FTableName)) throw;
    throw EDBFError("Cannot " + what + " table " + FTableName + ": it is in use by another user.");
  }
}

void TmDbfTable::Pack(const std::string& tail, bool dropTail) {
  CheckInactive();
  if (FTableName.empty()) throw EDBFError("Table name not specified.");
  if (!FileExists(FTableName)) throw EDBFError("Table " + FTableName + " does not exist.");
  FStepCount = 0;
  const std::string oldName = FTableName + ",old";
  const std::string newName = FTableName + ",new";
  // Nobody may have the file while it is replaced; the hold also keeps
  // others out until the new file is in place.
  std::unique_ptr<TFileStream> hold = HoldExclusively("pack");
  try {
    Step();
    if (!CopyFile(FTableName, oldName, false))
      throw EDBFError("cannot copy it to " + oldName + ": " + LastFileError());
    Step();
    std::unique_ptr<TFileStream> in = OpenStream(oldName, fmOpenRead | fmShareExclusive);
    // The count is not trusted here: records are copied until the file ends.
    std::string head(kHeaderSize, '\0');
    in->ReadBuffer(head.data(), kHeaderSize);
    const std::uint16_t headerLength = DecodeFixed16(head.data() + kHeaderLengthOffset);
    const std::uint16_t recordLength = DecodeFixed16(head.data() + kRecordLengthOffset);
    if (headerLength < kHeaderSize) RaiseDamaged(FTableName, "the header is too short");
    head.resize(headerLength);
    in->ReadBuffer(head.data() + kHeaderSize, headerLength - kHeaderSize);
    std::string probe = head;
    EncodeFixed32(probe.data() + kRecordCountOffset, 0);
    const TLayout layout = DecodeLayout(probe, in->Size(), FTableName);
    std::string out = head.substr(0, kHeaderSize);
    out[kCodePageOffset] = static_cast<char>(FCodePage);
    const std::size_t tailAt = layout.TailPosition != 0 ? layout.TailPosition : headerLength;
    if (tail.empty() && !dropTail) {
      out.append(head, kHeaderSize);
    } else {
      out.append(head, kHeaderSize, tailAt - kHeaderSize);
      if (!dropTail) out += tail;
    }
    if (out.size() > kMaxHeaderLength)
      throw ERangeError("The header of " + FTableName + " would be " + std::to_string(out.size()) +
                        " bytes, more than 65535");
    const std::uint16_t newHeaderLength = static_cast<std::uint16_t>(out.size());
    std::unique_ptr<TFileStream> result = OpenStream(newName, fmCreate);
    result->WriteBuffer(out.data(), static_cast<std::int64_t>(out.size()));
    Step();
    const std::size_t perBlock = std::max<std::size_t>(1, kPackBlockBytes / recordLength);
    std::vector<char> block(perBlock * recordLength);
    std::uint32_t kept = 0;
    for (bool more = true; more;) {
      const std::int64_t got = in->Read(block.data(), static_cast<std::int64_t>(block.size()));
      const std::size_t records = static_cast<std::size_t>(got) / recordLength;
      more = records == perBlock;
      std::size_t write = 0;
      for (std::size_t i = 0; i < records; ++i) {
        const char* record = block.data() + i * recordLength;
        if (record[0] == kDeletedFlag) continue;
        if (write != i * recordLength) std::memmove(block.data() + write, record, recordLength);
        write += recordLength;
        ++kept;
      }
      result->WriteBuffer(block.data(), static_cast<std::int64_t>(write));
      Step();
    }
    result->WriteBuffer(&kEofMarker, 1);
    EncodeFixed16(out.data() + kHeaderLengthOffset, newHeaderLength);
    EncodeFixed32(out.data() + kRecordCountOffset, kept);
    result->SetPosition(0);
    result->WriteBuffer(out.data(), kHeaderSize);
    result->FlushBuffers();
    result.reset();
    in.reset();
    Step();
    // The new file must open and hold what we wrote before it replaces
    // the original.
    {
      std::unique_ptr<TFileStream> check = OpenStream(newName, fmOpenRead | fmShareExclusive);
      const TLayout written = ReadLayout(*check, newName);
      if (written.Header.RecordCount != kept || check->Size() != written.RecordPosition(kept) + 1)
        throw EDBFError("the new file " + newName + " does not hold the records written");
    }
    Step();
    ReplaceFile(newName, FTableName);
  } catch (const ERangeError&) {
    DeleteFile(newName);
    DeleteFile(oldName);
    throw;
  } catch (const Exception& e) {
    DeleteFile(newName);
    throw EDBFError("Pack of table " + FTableName + " failed: " + e.Message() +
                    ". The table is unchanged.");
  }
  Step();
  hold.reset();
  DeleteFile(oldName);
}

void TmDbfTable::UpgradeStructure() {
  if (FFileVers > FVers)
    throw EDBFError("Table " + FTableName + " has structure version " + std::to_string(FFileVers) +
                    ", newer than " + std::to_string(FVers) + "; it was left as it is.");
  FStepCount = 0;
  UnmapFile();
  FStream.reset();
  FUpgradeHold = HoldExclusively("upgrade the structure of");
  Step();
  const std::string oldName = FTableName + "_old";
  if (!CopyFile(FTableName, oldName, false))
    throw EDBFError("Cannot upgrade the structure of table " + FTableName + ": cannot copy it to " +
                    oldName + ": " + LastFileError());
  Step();
  // The original stays in place until the conversion has succeeded.
  FUpgradeFile = FTableName + ",new";
  WriteEmptyTable(FUpgradeFile, "");
  Step();
  FStream = OpenStream(FUpgradeFile, (FReadOnly ? fmOpenRead : fmOpenReadWrite) |
                                         (FExclusive ? fmShareExclusive : fmShareDenyNone));
  FLayout = ReadLayout(*FStream, FTableName);
  FUpgradeFrom = FFileVers;
}

void TmDbfTable::AbandonUpgrade() {
  FUpgradeHold.reset();
  if (!FUpgradeFile.empty()) {
    if (!FStream) DeleteFile(FUpgradeFile);
    FUpgradeFile.clear();
  }
}

void TmDbfTable::RunConversion() {
  auto old = CreateUnique<TmDbfTable>();
  old->SetTableName(FTableName + "_old");
  old->SetVers(FUpgradeFrom);
  old->SetAutoConvert(false);
  old->SetAnsiTable(FAnsiTable);
  old->SetDateTimeAsDate(FDateTimeAsDate);
  DisableControls();
  FEventsOff = true;
  try {
    old->Open();
    OnUserConvert(this, old.get(), FUpgradeFrom);
    CheckBrowseMode();
    FStream->FlushBuffers();
    Step();
    ReplaceFile(FUpgradeFile, FTableName);
    FUpgradeFile.clear();
    FUpgradeHold.reset();
  } catch (...) {
    FEventsOff = false;
    EnableControls();
    old.reset();
    const std::exception_ptr error = std::current_exception();
    // The original file is still in place: close on the new one and drop it.
    try {
      Close();
    } catch (...) {
    }
    try {
      std::rethrow_exception(error);
    } catch (const EAbort&) {
      throw;
    } catch (const Exception& e) {
      throw EDBFError("The structure upgrade of table " + FTableName + " failed: " + e.Message() +
                      ". The table was left as it was.");
    }
  }
  FFileVers = FVers;
  old.reset();
  FEventsOff = false;
  EnableControls();
  First();
  RebuildOrderings();
}

// ---- buffers

TRecordBuffer TmDbfTable::AllocRecordBuffer() {
  return new char[static_cast<std::size_t>(FBufferSize)]();
}

void TmDbfTable::FreeRecordBuffer(TRecordBuffer& buffer) {
  delete[] buffer;
  buffer = nullptr;
}

void TmDbfTable::InternalInitRecord(TRecordBuffer buffer) {
  std::memset(buffer, 0, static_cast<std::size_t>(FBufferSize));
}

void TmDbfTable::ClearCalcFields(TRecordBuffer buffer) {
  std::memset(buffer + FCalcOffset, 0, static_cast<std::size_t>(CalcFieldsSize()));
}

void TmDbfTable::GetBookmarkData(TRecordBuffer buffer, void* data) {
  std::memcpy(data, buffer + FBookmarkOffset, 4);
}

void TmDbfTable::SetBookmarkData(TRecordBuffer buffer, const void* data) {
  std::memcpy(buffer + FBookmarkOffset, data, 4);
}

TBookmarkFlag TmDbfTable::GetBookmarkFlag(TRecordBuffer buffer) {
  return static_cast<TBookmarkFlag>(buffer[FBookmarkOffset + 4]);
}

void TmDbfTable::SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) {
  buffer[FBookmarkOffset + 4] = static_cast<char>(flag);
}

// ---- navigation

TGetResult TmDbfTable::GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) {
  TDbfCursor* cursor = FCursor;
  const int count = cursor->Count();
  if (count == 0) return grEOF;
  for (;;) {
    int position = cursor->Position();
    switch (mode) {
      case gmCurrent:
        if (position < 0 || position >= count) {
          if (doCheck) throw EDBFError("GetRecord: Invalid record");
          return grError;
        }
        break;
      case gmNext:
        if (position >= count - 1) {
          cursor->SetPosition(count);
          return grEOF;
        }
        cursor->SetPosition(++position);
        break;
      case gmPrior:
        if (position <= 0) {
          cursor->SetPosition(-1);
          return grBOF;
        }
        cursor->SetPosition(--position);
        break;
    }
    ReadRecord(cursor->RecordAt(position), buffer, mode != gmCurrent, mode == gmPrior);
    // Deleted by another user since the ordering was built.
    if (buffer[0] == kDeletedFlag) {
      if (mode == gmCurrent) return grError;
      continue;
    }
    const std::int32_t bookmark = position;
    std::memcpy(buffer + FBookmarkOffset, &bookmark, 4);
    SetBookmarkFlag(buffer, bfCurrent);
    ClearCalcFields(buffer);
    GetCalcFields(buffer);
    return grOK;
  }
}

void TmDbfTable::InternalGotoBookmark(const void* bookmark) {
  std::int32_t position;
  std::memcpy(&position, bookmark, 4);
  if (position < 0 || position >= FCursor->Count())
    throw EDBFError("Bookmark " + std::to_string(position) + " not found");
  FCursor->SetPosition(position);
}

void TmDbfTable::InternalSetToRecord(TRecordBuffer buffer) {
  InternalGotoBookmark(buffer + FBookmarkOffset);
}

void TmDbfTable::InternalFirst() { FCursor->SetPosition(-1); }

void TmDbfTable::InternalLast() { FCursor->SetPosition(FCursor->Count()); }

int TmDbfTable::GetRecordCount() { return FIsOpen ? FCursor->Count() : 0; }

int TmDbfTable::GetRecNo() {
  if (State() == dsInsert) return 0;
  const int position = FCursor->Position();
  return position >= 0 && position < FCursor->Count() ? position + 1 : 0;
}

void TmDbfTable::SetRecNoValue(int value) {
  CheckBrowseMode();
  if (value < 1 || value > FCursor->Count()) return;
  DoBeforeScroll();
  FCursor->SetPosition(value - 1);
  Resync(TResyncMode{rmCenter});
  DoAfterScroll();
}

int TmDbfTable::PhysicalRecNo() {
  if (!FIsOpen || IsEmpty() || State() == dsInsert) return -1;
  UpdateCursorPos();
  const int position = FCursor->Position();
  return position >= 0 && position < FCursor->Count() ? FCursor->RecordAt(position) : -1;
}

int TmDbfTable::CompareBookmarks(const TBookmark& a, const TBookmark& b) {
  if (a.size() != 4 || b.size() != 4) {
    const bool aEmpty = a.size() != 4, bEmpty = b.size() != 4;
    return aEmpty == bEmpty ? 0 : (aEmpty ? -1 : 1);
  }
  std::int32_t x, y;
  std::memcpy(&x, a.data(), 4);
  std::memcpy(&y, b.data(), 4);
  return x < y ? -1 : (x > y ? 1 : 0);
}

bool TmDbfTable::BookmarkValid(const TBookmark& bookmark) {
  if (!FIsOpen || bookmark.size() != 4) return false;
  std::int32_t position;
  std::memcpy(&position, bookmark.data(), 4);
  return position >= 0 && position < FCursor->Count();
}

// ---- editing

void TmDbfTable::InternalEdit() { std::memcpy(FSpare.data(), ActiveBuffer(), FSpare.size()); }

void TmDbfTable::InternalInsert() {
  if (FCursor->Count() > 0)
    std::memcpy(FSpare.data(), ActiveBuffer(), FSpare.size());
  else
    std::fill(FSpare.begin(), FSpare.end(), '\0');
}

void TmDbfTable::InternalPost() {
  TDataSet::InternalPost();
  CheckWritable();
  if (State() == dsEdit) {
    const int record = FCursor->RecordNumber();
    if (record < 0 || record >= static_cast<int>(FKnownCount))
      throw EDBFError("GetRecord: Invalid record");
    const std::int64_t offset = FLayout.RecordPosition(static_cast<std::uint32_t>(record));
    LockOrRaise(offset, FLayout.RecordLength);
    TRangeLockGuard unlock([this, offset] { Unlock(offset, FLayout.RecordLength); });
    GuardedWrite([&] { WriteRecord(record, ActiveBuffer()); });
    bool calculated = false;
    std::vector<TKeySpec> specs;
    for (TDbfCursor* cursor : FOrderings) {
      specs.push_back(KeySpecOf(cursor));
      calculated = calculated || specs.back().Calculated;
    }
    const char* buffer = calculated ? WithCalcFields(ActiveBuffer()) : ActiveBuffer();
    std::string scratch;
    for (std::size_t i = 0; i < FOrderings.size(); ++i)
      FOrderings[i]->RecordChanged(record, KeyIn(specs[i], buffer, scratch));
    return;
  }
  InternalLast();
  ActiveBuffer()[0] = kLiveFlag;
  AppendRecord(ActiveBuffer());
  DoAfterScroll();
}

void TmDbfTable::InternalAddRecord(TRecordBuffer buffer, bool) {
  CheckWritable();
  InternalLast();
  buffer[0] = kLiveFlag;
  AppendRecord(buffer);
}

void TmDbfTable::InternalDelete() {
  CheckWritable();
  const int record = FCursor->RecordNumber();
  if (record < 0 || FCursor->Position() >= FCursor->Count())
    throw EDBFError("GetRecord: Invalid record");
  const std::int64_t offset = FLayout.RecordPosition(static_cast<std::uint32_t>(record));
  LockOrRaise(offset, FLayout.RecordLength);
  TRangeLockGuard unlock([this, offset] { Unlock(offset, FLayout.RecordLength); });
  ActiveBuffer()[0] = kDeletedFlag;
  GuardedWrite([&] { WriteRecord(record, ActiveBuffer()); });
  for (TDbfCursor* cursor : FOrderings) cursor->RecordDeleted(record);
}

void TmDbfTable::InternalRefresh() { RebuildOrderings(); }

void TmDbfTable::SetEventsOff(bool value) {
  if (FEventsOff == value) return;
  FEventsOff = value;
  if (!value && Active()) {
    RebuildOrderings();
    First();
  }
}

// ---- fields

char* TmDbfTable::FieldBuffer() {
  switch (State()) {
    case dsBrowse:
    case dsBlockRead:
      return IsEmpty() ? nullptr : ActiveBuffer();
    case dsEdit:
    case dsInsert:
    case dsNewValue:
      return ActiveBuffer();
    case dsCalcFields:
      return CalcBuffer();
    case dsOldValue:
      return FSpare.data();
    default:
      return nullptr;
  }
}

const TFieldDescriptor& TmDbfTable::Column(int fieldNo) const {
  return FLayout.Fields[static_cast<std::size_t>(fieldNo - 1)];
}

std::span<char> TmDbfTable::ColumnOf(char* record, int fieldNo) {
  const TFieldDescriptor& column = Column(fieldNo);
  return {record + column.Offset, column.Length};
}

bool TmDbfTable::GetFieldData(TField* field, void* buffer) {
  char* record = FieldBuffer();
  if (record == nullptr) return false;
  if (field->FieldNo() <= 0) {
    const TDataSetState state = State();
    if (state != dsBrowse && state != dsEdit && state != dsInsert && state != dsCalcFields)
      return false;
    const char* slot = record + FCalcOffset + field->Offset();
    if (slot[0] == 0) return false;
    if (buffer != nullptr)
      std::memcpy(buffer, slot + 1, static_cast<std::size_t>(field->DataSize()));
    return true;
  }
  const TFieldDescriptor& column = Column(field->FieldNo());
  const std::string_view bytes(record + column.Offset, column.Length);
  const char type = column.Type;
  // Decoded into a local first: a null check (no buffer) asks for the
  // value too, so that a cleared column reports null.
  char value[8] = {};
  auto put = [&](const auto& v) {
    std::memcpy(value, &v, sizeof v);
    return true;
  };
  bool has = false;
  switch (field->DataType()) {
    case ftString:
    case ftFixedChar:
    case ftWideString: {
      std::string_view text = DecodeChar(bytes);
      std::string converted;
      if (!field->Transliterate()) {
        converted = ToUtf8(text, FAnsiTable ? TCodePage::Win1251 : TCodePage::Oem866);
        text = converted;
      }
      if (buffer != nullptr) {
        const std::size_t n =
            std::min(text.size(), static_cast<std::size_t>(field->DataSize() - 1));
        std::memcpy(buffer, text.data(), n);
        static_cast<char*>(buffer)[n] = '\0';
      }
      return true;
    }
    case ftSmallint:
    case ftWord:
    case ftInteger:
    case ftAutoInc:
    case ftLargeint: {
      std::int64_t v;
      if (IsNumericLetter(type))
        v = DecodeNumericInteger(bytes);
      else if (type == kTypeInteger)
        v = DecodeInt32(bytes);
      else
        return false;
      switch (field->DataType()) {
        case ftSmallint:
          has = put(static_cast<std::int16_t>(v >= INT16_MIN && v <= INT16_MAX ? v : 0));
          break;
        case ftWord:
          has = put(static_cast<std::uint16_t>(v >= 0 && v <= UINT16_MAX ? v : 0));
          break;
        case ftLargeint:
          has = put(v);
          break;
        default:
          has = put(static_cast<std::int32_t>(v >= INT32_MIN && v <= INT32_MAX ? v : 0));
          break;
      }
      break;
    }
    case ftFloat:
    case ftCurrency:
    case ftBCD: {
      double v;
      if (IsNumericLetter(type))
        v = DecodeNumericFloat(bytes);
      else if (type == kTypeDouble)
        v = DecodeDouble(bytes);
      else if (type == kTypeCurrency)
        v = DecodeCurrency(bytes).ToDouble();
      else
        return false;
      has = put(v);
      break;
    }
    case ftBoolean: {
      if (type != kTypeLogical) return false;
      const std::optional<bool> v = DecodeLogical(bytes);
      if (!v) return false;
      has = put(static_cast<std::int16_t>(*v ? -1 : 0));
      break;
    }
    case ftDate:
    case ftDateTime: {
      std::optional<TDateTime> v;
      if (type == kTypeDate)
        v = DecodeDateColumn(bytes);
      else if (type == kTypeTimeStamp)
        v = DecodeTimeStampColumn(bytes, field->DataType() == ftDate);
      else
        return false;
      if (!v) return false;
      if (field->DataType() == ftDate)
        has = put(DaysOf(*v));
      else
        has = put(TimeStampToMSecs(DateTimeToTimeStamp(*v)));
      break;
    }
    default:
      return false;
  }
  if (has && buffer != nullptr)
    std::memcpy(buffer, value, static_cast<std::size_t>(field->DataSize()));
  return has;
}

void TmDbfTable::SetFieldData(TField* field, const void* buffer) {
  const TDataSetState state = State();
  if (state != dsEdit && state != dsInsert && state != dsSetKey && state != dsCalcFields &&
      state != dsFilter && state != dsNewValue && state != dsInternalCalc)
    DatabaseError(SNotEditing, this);
  char* record = FieldBuffer();
  if (record == nullptr) return;
  if (field->FieldNo() <= 0) {
    char* slot = record + FCalcOffset + field->Offset();
    slot[0] = buffer != nullptr ? 1 : 0;
    std::memset(slot + 1, 0, static_cast<std::size_t>(field->DataSize()));
    if (buffer != nullptr)
      std::memcpy(slot + 1, buffer, static_cast<std::size_t>(field->DataSize()));
  } else {
    field->Validate(buffer);
    const TFieldDescriptor& column = Column(field->FieldNo());
    const std::span<char> bytes = ColumnOf(record, field->FieldNo());
    const char type = column.Type;
    const std::string& name = field->FieldName();
    const TFieldType dataType = field->DataType();
    if (buffer == nullptr) {
      // A cleared value is stored as the letter's empty value.
      ClearColumn(bytes, IsStringType(dataType) ? kTypeChar : type);
    } else if (IsStringType(dataType)) {
      std::string_view text(static_cast<const char*>(buffer));
      std::string converted;
      if (!field->Transliterate()) {
        converted = FromUtf8(text, FAnsiTable ? TCodePage::Win1251 : TCodePage::Oem866);
        text = converted;
      }
      EncodeChar(bytes, text);
    } else {
      switch (dataType) {
        case ftSmallint:
        case ftWord:
        case ftInteger:
        case ftAutoInc:
        case ftLargeint: {
          std::int64_t v = 0;
          if (dataType == ftSmallint) {
            std::int16_t x;
            std::memcpy(&x, buffer, 2);
            v = x;
            CheckIntegerRange(v, INT16_MIN, INT16_MAX, name);
          } else if (dataType == ftWord) {
            std::uint16_t x;
            std::memcpy(&x, buffer, 2);
            v = x;
          } else if (dataType == ftLargeint) {
            std::memcpy(&v, buffer, 8);
          } else {
            std::int32_t x;
            std::memcpy(&x, buffer, 4);
            v = x;
          }
          if (IsNumericLetter(type))
            EncodeNumericInteger(bytes, v, name);
          else if (type == kTypeInteger)
            EncodeInt32(bytes, v, name);
          break;
        }
        case ftFloat:
        case ftCurrency:
        case ftBCD: {
          double v;
          std::memcpy(&v, buffer, 8);
          if (IsNumericLetter(type))
            EncodeNumericFloat(bytes, column.Decimals, v, name);
          else if (type == kTypeDouble)
            EncodeDouble(bytes, v);
          else if (type == kTypeCurrency)
            EncodeCurrency(bytes, Currency(v));
          break;
        }
        case ftBoolean: {
          std::int16_t v;
          std::memcpy(&v, buffer, 2);
          if (type == kTypeLogical) EncodeLogical(bytes, v != 0);
          break;
        }
        case ftDate: {
          std::int32_t days;
          std::memcpy(&days, buffer, 4);
          if (type == kTypeDate)
            EncodeDateColumn(bytes, DateOfDays(days));
          else if (type == kTypeTimeStamp)
            EncodeTimeStampColumn(bytes, DateOfDays(days), true);
          break;
        }
        case ftDateTime: {
          double msecs;
          std::memcpy(&msecs, buffer, 8);
          const TDateTime v = TimeStampToDateTime(MSecsToTimeStamp(msecs));
          if (type == kTypeTimeStamp)
            EncodeTimeStampColumn(bytes, v, false);
          else if (type == kTypeDate)
            EncodeDateColumn(bytes, v);
          break;
        }
        default:
          break;
      }
    }
  }
  if (state != dsCalcFields && state != dsFilter && state != dsNewValue)
    DataEvent(deFieldChange, reinterpret_cast<std::intptr_t>(field));
}

namespace {

// The UTF-8 of each byte of a code page, made once.
struct TByteTable {
  char Bytes[256][4];
  std::uint8_t Lengths[256];
  explicit TByteTable(TCodePage page) {
    for (int b = 0; b < 256; ++b) {
      const std::string text = ToUtf8(std::string(1, static_cast<char>(b)), page);
      Lengths[b] = static_cast<std::uint8_t>(std::min<std::size_t>(text.size(), 4));
      std::memcpy(Bytes[b], text.data(), Lengths[b]);
    }
  }
};

}  // namespace

int TmDbfTable::Translate(const char* src, char* dest, bool toOem) {
  if (src == nullptr || *src == '\0') {
    if (dest != nullptr) *dest = '\0';
    return 0;
  }
  const TCodePage page = FAnsiTable ? TCodePage::Win1251 : TCodePage::Oem866;
  if (!toOem && src != dest) {
    // Reading every field of every record comes here: no allocation.
    static const TByteTable oem(TCodePage::Oem866), ansi(TCodePage::Win1251);
    const TByteTable& table = FAnsiTable ? ansi : oem;
    char* out = dest;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(src); *p != 0; ++p) {
      if (*p < 0x80) {
        *out++ = static_cast<char>(*p);
      } else {
        std::memcpy(out, table.Bytes[*p], table.Lengths[*p]);
        out += table.Lengths[*p];
      }
    }
    *out = '\0';
    return static_cast<int>(out - dest);
  }
  const std::string out = toOem ? FromUtf8(src, page) : ToUtf8(src, page);
  std::memcpy(dest, out.c_str(), out.size() + 1);
  return static_cast<int>(out.size());
}

// ---- events, skipped while events are off

void TmDbfTable::DoAfterOpen() {
  // The window shows the first record before the handler runs, also when
  // the framework has not read it yet.
  if (FIsOpen && BufferedRecordCount() == 0 && FCursor->Count() > 0) {
    InternalFirst();
    GetNextRecords();
  }
  if (!FUpgradeFile.empty() && FFileVers != FVers) RunConversion();
  TDataSet::DoAfterOpen();
}

#define DBF_EVENT(Name)                \
  void TmDbfTable::Name() {            \
    if (!Skipping()) TDataSet::Name(); \
  }
DBF_EVENT(DoBeforeOpen)
DBF_EVENT(DoBeforeClose)
DBF_EVENT(DoAfterClose)
DBF_EVENT(DoBeforeInsert)
DBF_EVENT(DoAfterInsert)
DBF_EVENT(DoBeforeEdit)
DBF_EVENT(DoAfterEdit)
DBF_EVENT(DoBeforePost)
DBF_EVENT(DoAfterPost)
DBF_EVENT(DoBeforeCancel)
DBF_EVENT(DoAfterCancel)
DBF_EVENT(DoBeforeDelete)
DBF_EVENT(DoAfterDelete)
DBF_EVENT(DoBeforeScroll)
DBF_EVENT(DoAfterScroll)
DBF_EVENT(DoBeforeRefresh)
DBF_EVENT(DoAfterRefresh)
DBF_EVENT(DoOnNewRecord)
DBF_EVENT(DoOnCalcFields)
#undef DBF_EVENT
