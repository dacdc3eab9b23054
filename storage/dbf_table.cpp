#include "storage/dbf_table.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <chrono>
#include <cstring>
#include <optional>
#include <thread>
#include <typeinfo>

#include "platform/base/clock.h"
#include "platform/base/codepage.h"
#include "platform/base/file_stream.h"
#include "platform/base/file_utils.h"
#include "platform/base/format.h"
#include "platform/base/format_settings.h"
#include "platform/base/math_utils.h"
#include "platform/data/db_consts.h"
#include "platform/data/fields.h"

using namespace dbf;

namespace {

bool IsStringType(TFieldType type) {
  // One bit test: every text read asks.
  constexpr std::uint64_t kStringKinds = std::uint64_t{1} << ftString |
                                         std::uint64_t{1} << ftFixedChar |
                                         std::uint64_t{1} << ftWideString;
  return static_cast<unsigned>(type) < 64 && ((kStringKinds >> type) & 1) != 0;
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

std::int32_t DaysOf(TDateTime value) { return DateTimeToTimeStamp(value).Date; }

// A calculated number as the field keeps it in a record buffer.
double StoredNumber(TFieldType type, const char* bytes) {
  auto read = [bytes](auto value) {
    std::memcpy(&value, bytes, sizeof value);
    return static_cast<double>(value);
  };
  switch (type) {
    case ftSmallint:
      return read(std::int16_t{});
    case ftWord:
      return read(std::uint16_t{});
    case ftLargeint:
      return read(std::int64_t{});
    case ftFloat:
    case ftCurrency:
    case ftBCD:
      return read(double{});
    default:
      return read(std::int32_t{});
  }
}

// The key of a calculated number: the double's bits, most significant
// byte first, the sign bit set for a positive number and every bit
// inverted for a negative one, so that the bytes compare as the numbers
// do. No value sorts first.
constexpr int kNumberKeyLength = 8;
std::string NumberKey(std::optional<double> number) {
  std::string key(kNumberKeyLength, '\0');
  if (!number) return key;
  const double value = *number == 0 ? 0.0 : *number;  // -0 is 0
  auto bits = std::bit_cast<std::uint64_t>(value);
  bits = (bits >> 63) != 0 ? ~bits : bits | (std::uint64_t{1} << 63);
  for (int i = kNumberKeyLength - 1; i >= 0; --i, bits >>= 8)
    key[static_cast<std::size_t>(i)] = static_cast<char>(bits & 0xFF);
  return key;
}

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

TStreamOpener TmDbfTable::Opener() {
  return [this](const std::string& fileName, unsigned mode) { return OpenStream(fileName, mode); };
}

// ---- creation

void TmDbfTable::CreateTable(const std::string& tail) {
  CheckInactive();
  WriteEmptyTable(FTableName, tail);
}

std::vector<TFieldDescriptor> TmDbfTable::NewColumns() {
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
    columns.push_back({EncodeFieldName(s.Name, FAnsiTable), spec.Type, 0,
                       static_cast<std::uint8_t>(spec.Length),
                       static_cast<std::uint8_t>(spec.Decimals)});
  }
  return columns;
}

void TmDbfTable::WriteEmptyTable(const std::string& fileName, const std::string& tail) {
  std::vector<TFieldDescriptor> columns = NewColumns();
  THeader header;
  int year, month, day;
  DecodeDate(Date(), year, month, day);
  header.Year = static_cast<std::uint8_t>(std::clamp(year - 1900, 0, 255));
  header.Month = static_cast<std::uint8_t>(month);
  header.Day = static_cast<std::uint8_t>(day);
  header.StructureVersion = FVers;
  header.CodePage = FCodePage;
  dbf::WriteEmptyTable(Opener(), fileName, header, std::move(columns), tail);
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
  if (FFile) {
    layout = FFile->Layout();
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
  if (!FFile && !FileExists(FTableName)) throw EDBFError("Open: Table file not found");
  try {
    FFile = std::make_unique<TDbfFile>(
        FTableName,
        OpenStream(FTableName, (FReadOnly ? fmOpenRead : fmOpenReadWrite) |
                                   (FExclusive ? fmShareExclusive : fmShareDenyNone)),
        FExclusive, LockWait);
    FFile->ReadLayout();
    FFileVers = FFile->Layout().Header.StructureVersion;
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
    // The table converts text itself (GetFieldData, SetFieldData).
    for (int i = 0; i < FieldCount(); ++i)
      if (IsStringType(Fields()[i]->DataType())) Fields()[i]->SetTransliterate(false);
    const int recordLength = static_cast<int>(FFile->RecordLength());
    SetCalcFieldsOffset(recordLength);
    FBookmarkOffset = recordLength + CalcFieldsSize();
    FBufferSize = FBookmarkOffset + 8;
    FSpare.assign(static_cast<std::size_t>(FBufferSize), '\0');
    FIsOpen = true;
    // A stream from StreamFactory may inject faults or not be a plain file.
    FFile->SetMapReads(!StreamFactory &&
                       (FExclusive || OnLocalFileSystem(FFile->Stream().Handle())));
    FFile->SetDirectWrites(!StreamFactory);
    FFile->CheckRecordFlags(FFile->CountRecords());
    RebuildOrderings();
    // Shared, another user may be appending: the next append cuts it.
    if (FExclusive && !FReadOnly) FFile->CutUncountedTail();
    FixCodePageByte();
  } catch (...) {
    FIsOpen = false;
    FFile.reset();
    FUpgrade.reset();
    throw;
  }
}

void TmDbfTable::InternalClose() {
  BindFields(false);
  if (DefaultFields()) DestroyFields();
  for (TDbfCursor* cursor : FOrderings) cursor->Clear();
  FFile.reset();
  FUpgrade.reset();
  FIsOpen = false;
  FSearchSpecField = nullptr;
}

void TmDbfTable::FixCodePageByte() {
  if (FReadOnly || FFile->Layout().Header.CodePage == FCodePage) return;
  FFile->WriteCodePageByte(FCodePage);  // without the lock, the next open tries again
}

// ---- orderings

TField* TmDbfTable::KeyField(const std::string& fieldName) {
  CheckActive();
  // A search names the same field call after call: the place found last
  // is checked (still a field of that name) instead of searching the list.
  const TFields& fields = Fields();
  if (FKeyFieldIndex < fields.Count()) {
    TField* field = fields[FKeyFieldIndex];
    if (field->FieldName() == fieldName) return field;
  }
  TField* field = FindField(fieldName);
  if (field == nullptr) DatabaseError(Format(SFieldNotFound, fieldName), this);
  FKeyFieldIndex = fields.IndexOf(field);
  FSearchSpecField = nullptr;  // found anew: its spec too
  return field;
}

const TmDbfTable::TKeySpec& TmDbfTable::SearchKeySpec(TField* field) {
  if (FSearchSpecField != field) {
    FSearchSpec = KeySpecOf(field);
    FSearchSpecField = field;
  }
  return FSearchSpec;
}

TmDbfTable::TKeySpec TmDbfTable::KeySpecOf(const TDbfCursor* cursor) {
  if (cursor->KeyFieldName().empty()) return {};
  return KeySpecOf(FindField(cursor->KeyFieldName()));
}

TmDbfTable::TKeySpec TmDbfTable::KeySpecOf(TField* field) {
  TKeySpec spec;
  if (field == nullptr) return spec;
  spec.IsString = IsStringType(field->DataType());
  if (field->FieldKind() == fkData && field->FieldNo() > 0) {
    const TFieldDescriptor& column = Column(field->FieldNo());
    spec.Offset = static_cast<int>(column.Offset);
    spec.Length = column.Length;
  } else if (field->FieldKind() == fkCalculated && spec.IsString) {
    // The value after the slot's flag byte; its first Size - 1 bytes.
    spec.Offset = CalcFieldsOffset() + field->Offset() + 1;
    spec.Length = std::max(field->Size() - 1, 0);
    spec.Calculated = true;
    for (const TKeyMakerEntry& entry : FKeyMakers) {
      if (entry.Field == field->FieldName()) {
        spec.Maker = &entry.Maker;
        spec.Reads = &entry.Reads;
      }
    }
  } else if (field->FieldKind() == fkCalculated && dynamic_cast<TNumericField*>(field) != nullptr) {
    spec.Offset = CalcFieldsOffset() + field->Offset() + 1;
    spec.Length = kNumberKeyLength;
    spec.Calculated = true;
    spec.NumberType = field->DataType();
  }
  return spec;
}

void TmDbfTable::SetKeyMaker(TField* field, const std::vector<TField*>& reads, TKeyMaker maker) {
  FSearchSpecField = nullptr;  // its maker may move or go
  std::erase_if(FKeyMakers,
                [field](const TKeyMakerEntry& entry) { return entry.Field == field->FieldName(); });
  if (!maker) return;
  TKeyMakerEntry entry{field->FieldName(), {}, std::move(maker)};
  for (const TField* read : reads) entry.Reads.push_back(read->FieldName());
  FKeyMakers.push_back(std::move(entry));
}

bool TmDbfTable::ColumnIn(const TField* field, const char* record, std::string_view& bytes,
                          char& type) const {
  if (field->FieldKind() != fkData || field->FieldNo() <= 0 || !FFile) return false;
  const TFieldDescriptor& column = Column(field->FieldNo());
  bytes = std::string_view(record + column.Offset, column.Length);
  type = column.Type;
  return true;
}

std::string_view TmDbfTable::KeyIn(const TKeySpec& spec, const char* buffer, std::string& scratch) {
  if (!spec.Calculated) return {buffer + spec.Offset, static_cast<std::size_t>(spec.Length)};
  if (spec.NumberType != ftUnknown) {
    const char* value = buffer + spec.Offset;
    scratch = value[-1] != 0 ? NumberKey(StoredNumber(spec.NumberType, value)) : NumberKey({});
    return scratch;
  }
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
  std::memcpy(FKeyBuffer.data(), record, FFile->RecordLength());
  GetCalcFields(FKeyBuffer.data());
  return FKeyBuffer.data();
}

TmDbfTable::TRecordKeys::TRecordKeys(TmDbfTable& table, const std::vector<TKeySpec>& specs)
    : FTable(table), FSpecs(specs) {
  bool made = false;
  for (const TKeySpec& spec : specs) {
    FNoneNeedsRecord = FNoneNeedsRecord && spec.Length == 0 && !spec.Calculated;
    FCalcAlways = FCalcAlways || (spec.Calculated && spec.Maker == nullptr);
    made = made || spec.Maker != nullptr;
  }
  if (made && !FCalcAlways && table.CalcFieldsWithMadeKeys)
    FCalcAlways = table.CalcFieldsWithMadeKeys();
}

std::vector<TDbfFile::TRecordPart> TmDbfTable::TRecordKeys::Parts() const {
  std::vector<TDbfFile::TRecordPart> parts;
  if (FCalcAlways) return parts;
  auto add = [&](int offset, int length) {
    parts.push_back({static_cast<std::size_t>(offset), static_cast<std::size_t>(length)});
  };
  for (const TKeySpec& spec : FSpecs) {
    if (spec.Maker != nullptr) {
      for (const std::string& name : *spec.Reads) {
        const TField* field = FTable.FindField(name);
        if (field == nullptr || field->FieldKind() != fkData || field->FieldNo() <= 0) return {};
        const TFieldDescriptor& column = FTable.Column(field->FieldNo());
        add(static_cast<int>(column.Offset), column.Length);
      }
    } else if (spec.Length > 0) {
      add(spec.Offset, spec.Length);
    }
  }
  return parts;
}

std::string_view TmDbfTable::TRecordKeys::Key(std::size_t ordering) {
  const TKeySpec& spec = FSpecs[ordering];
  if (spec.Maker != nullptr) {
    FScratch.resize(static_cast<std::size_t>(spec.Length));
    (*spec.Maker)(FRecord, FScratch.data());
    return FScratch;
  }
  return KeyIn(spec, spec.Calculated ? FBuffer : FRecord, FScratch);
}

void TmDbfTable::BuildOrderings(const std::vector<TDbfCursor*>& cursors, std::uint32_t count) {
  std::vector<TKeySpec> specs;
  for (TDbfCursor* cursor : cursors) {
    specs.push_back(KeySpecOf(cursor));
    cursor->BeginBuild(specs.back().Length);
  }
  TRecordKeys keys(*this, specs);
  if (keys.NoneNeedsRecord()) {
    // Physical order needs no record, only which ones are live.
    FFile->ScanLiveRecordNumbers(0, count, [&](int record) {
      for (TDbfCursor* cursor : cursors) cursor->AddBuilt(record, {});
    });
    for (TDbfCursor* cursor : cursors) cursor->EndBuild();
    return;
  }
  // Only what the keys read comes from the file.
  const std::vector<TDbfFile::TRecordPart> parts = keys.Parts();
  FFile->ScanLiveRecords(
      0, count,
      [&](int record, const char* bytes) {
        keys.Start(bytes);
        for (std::size_t i = 0; i < cursors.size(); ++i) cursors[i]->AddBuilt(record, keys.Key(i));
      },
      parts);
  for (TDbfCursor* cursor : cursors) cursor->EndBuild();
}

void TmDbfTable::RebuildOrderings() {
  const std::uint32_t count = FFile->CountRecords();
  BuildOrderings(FOrderings, count);
  FFile->SetKnownCount(count);
}

int TmDbfTable::AddAppended(std::uint32_t count, const char* record) {
  // The list's room is kept from append to append.
  std::vector<TKeySpec> specs = std::move(FAppendSpecs);
  specs.clear();
  for (TDbfCursor* cursor : FOrderings) specs.push_back(KeySpecOf(cursor));
  TRecordKeys keys(*this, specs);
  auto add = [&](int number, const char* bytes) {
    keys.Start(bytes);
    int index = -1;
    for (std::size_t i = 0; i < FOrderings.size(); ++i) {
      const int at = FOrderings[i]->RecordAppended(number, keys.Key(i));
      if (FOrderings[i] == FCursor) index = at;
    }
    return index;
  };
  // Other users' records first: they stand before ours in the file.
  FFile->ScanLiveRecords(FFile->KnownCount(), count, add);
  FFile->SetKnownCount(count);
  int index = -1;
  if (record != nullptr) {
    index = add(static_cast<int>(count), record);
    FFile->SetKnownCount(count + 1);
  }
  FAppendSpecs = std::move(specs);
  return index;
}

void TmDbfTable::SetOrder(TField* field, bool descending) {
  if (State() != dsBrowse) return;
  UpdateCursorPos();
  const std::string name = field != nullptr ? field->FieldName() : std::string();
  if (name.empty() || FCursor->KeyFieldName() != name || FCursor->Descending() != descending ||
      FCursor->Count() == 0)
    OrderCurrentBy(name, descending);
  Resync(TResyncMode{rmCenter});
  DoAfterScroll();
}

void TmDbfTable::OrderCurrentBy(const std::string& fieldName, bool descending) {
  FCursor->SetKey(fieldName, descending);
  // Every ordering holds the same records: one already in this order
  // saves reading the file (and computing a calculated key) again.
  for (const TDbfCursor* other : FOrderings) {
    if (other != FCursor && !fieldName.empty() && other->KeyFieldName() == fieldName &&
        other->Descending() == descending && other->KeyLength() > 0) {
      FCursor->CopyOrder(*other);
      return;
    }
  }
  BuildOrderings({FCursor}, FFile->KnownCount());
}

std::string_view TmDbfTable::PrepareKey(TField* field, const TKeySpec& spec,
                                        const std::string& value, TFindOptions options) {
  const std::size_t length = static_cast<std::size_t>(spec.Length);
  std::string& key = FSearchKey;
  if (spec.IsString) {
    // Converted in place: never longer than the UTF-8 text, and a whole
    // key is padded with blanks. The string keeps its size from search to
    // search, so that setting it mostly costs nothing.
    key.resize(std::max(value.size(), length));
    const std::size_t n = FromUtf8(value, TextPage(), key.data());
    const bool partial = options.Contains(foPartial);
    if (!partial && n < length) std::memset(key.data() + n, ' ', length - n);
    const std::size_t size = partial ? n : length;
    if (options.Contains(foCaseInsensitive)) {
      unsigned char (*const upper)(unsigned char) = FAnsiTable ? AnsiUpperByte : OemUpper;
      for (std::size_t i = 0; i < size; ++i)
        key[i] = static_cast<char>(upper(static_cast<unsigned char>(key[i])));
    }
    return {key.data(), size};
  }
  if (field->DataType() == ftDate || field->DataType() == ftDateTime) {
    key = value;
  } else if (value.size() >= length) {
    key = value.substr(value.size() - length);
  } else {
    key = std::string(length - value.size(), ' ') + value;
  }
  return key;
}

bool TmDbfTable::FindKey(const std::string& fieldName, const std::string& value,
                         TFindOptions options) {
  TField* field = KeyField(fieldName);
  if (State() != dsBrowse) return false;
  UpdateCursorPos();
  if (FCursor->KeyFieldName() != field->FieldName() || FCursor->Descending() ||
      FCursor->Count() == 0)
    OrderCurrentBy(field->FieldName(), false);
  const TKeySpec& spec = SearchKeySpec(field);
  const std::string_view key = PrepareKey(field, spec, value, options);
  const bool insensitive = options.Contains(foCaseInsensitive) && spec.IsString;
  const int index =
      FCursor->Search(key, options.Contains(foPartial),
                      insensitive ? (FAnsiTable ? AnsiUpperByte : OemUpper) : nullptr);
  if (index >= 0) FCursor->SetPosition(index);
  Resync(TResyncMode{rmCenter});
  if (index >= 0) DoAfterScroll();
  return index >= 0;
}

int TmDbfTable::FindOtherKey(const std::string& fieldName, const std::string& value,
                             TFindOptions options) {
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
  const TKeySpec& spec = SearchKeySpec(field);
  const std::string_view key = PrepareKey(field, spec, value, options);
  const bool insensitive = options.Contains(foCaseInsensitive) && spec.IsString;
  const int other = ordering->SearchOther(
      key, options.Contains(foPartial),
      insensitive ? (FAnsiTable ? AnsiUpperByte : OemUpper) : nullptr, current);
  return other < 0 ? 0 : other + 1;
}

TDbfCursor* TmDbfTable::AddCursor(TField* field) {
  auto* cursor = new TDbfCursor(this);
  cursor->SetKey(field->FieldName(), false);
  if (FIsOpen) BuildOrderings({cursor}, FFile->KnownCount());
  return cursor;
}

// ---- locks and writes

void TmDbfTable::LockOrRaise(std::int64_t offset, std::int64_t length) {
  if (!FFile->Lock(offset, length)) DatabaseError(SRecordLocked, this);
}

void TmDbfTable::ReadRecord(int recordNumber, char* buffer, bool sequential, bool backwards) {
  FFile->ReadRecord(static_cast<std::uint32_t>(recordNumber), buffer, sequential, backwards);
}

void TmDbfTable::AppendRecord(char* buffer) {
  FFile->CheckWritable();
  std::uint32_t count = 0;
  if (!FFile->Append(buffer, count)) DatabaseError(SRecordLocked, this);
  // Our own record costs one entry per ordering; records other users
  // appended meanwhile (the header's count tells) are read and added
  // first, so no ordering is rebuilt.
  if (count < FFile->KnownCount()) {
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

void TmDbfTable::Pack(const std::string& tail, bool dropTail) {
  CheckInactive();
  FStepCount = 0;
  PackTable(Opener(), FTableName, FCodePage, tail, dropTail, [this] { Step(); });
}

void TmDbfTable::UpgradeStructure() {
  if (FFileVers > FVers)
    throw EDBFError("Таблица " + FTableName + " имеет версию структуры " +
                    std::to_string(FFileVers) + ", более новую, чем " + std::to_string(FVers) +
                    "; таблица оставлена как есть.");
  FStepCount = 0;
  FFile.reset();
  FUpgrade = std::make_unique<TStructureUpgrade>(
      Opener(), FTableName, [this] { Step(); },
      [this](const std::string& fileName) { WriteEmptyTable(fileName, ""); });
  Step();
  FFile = std::make_unique<TDbfFile>(
      FTableName,
      OpenStream(FUpgrade->NewFile(), (FReadOnly ? fmOpenRead : fmOpenReadWrite) |
                                          (FExclusive ? fmShareExclusive : fmShareDenyNone)),
      FExclusive, LockWait);
  FFile->ReadLayout();
  FUpgradeFrom = FFileVers;
}

void TmDbfTable::RunConversion() {
  auto old = CreateUnique<TmDbfTable>();
  old->SetTableName(FUpgrade->OldFile());
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
    FFile->Stream().FlushBuffers();
    Step();
    FUpgrade->Commit();
    FUpgrade.reset();
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
      throw EDBFError("Обновление структуры таблицы " + FTableName + " не удалось: " + e.Message() +
                      ". Таблица оставлена как была.");
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
  // As zeros with the empty record over them from byte 1 (InitEmptyRecord),
  // each byte written once.
  const std::size_t size = static_cast<std::size_t>(FBufferSize);
  const std::string& empty = FFile->EmptyRecord();
  const std::size_t copied = empty.size() > 1 ? std::min(empty.size(), size) : 0;
  std::memset(buffer + copied, 0, size - copied);
  if (copied > 0) {
    buffer[0] = '\0';
    std::memcpy(buffer + 1, empty.data() + 1, copied - 1);
  }
}

void TmDbfTable::InitEmptyRecord(char* record) const {
  // Each column empty as its letter stores it, so that a field never
  // assigned is as readable to other DBF readers as a cleared one. The
  // empty record is made once: appends start here every time.
  const std::string& empty = FFile->EmptyRecord();
  if (empty.size() > 1) std::memcpy(record + 1, empty.data() + 1, empty.size() - 1);
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
    // Cleared there first when the table has calculated fields (nothing
    // to clear otherwise).
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
  if (FCursor->Count() > 0) {
    std::memcpy(FSpare.data(), ActiveBuffer(), FSpare.size());
  } else {
    std::fill(FSpare.begin(), FSpare.end(), '\0');
    InitEmptyRecord(FSpare.data());
  }
}

void TmDbfTable::InternalPost() {
  TDataSet::InternalPost();
  FFile->CheckWritable();
  if (State() == dsEdit) {
    const int record = FCursor->RecordNumber();
    if (record < 0 || record >= static_cast<int>(FFile->KnownCount()))
      throw EDBFError("GetRecord: Invalid record");
    const std::uint32_t number = static_cast<std::uint32_t>(record);
    const std::int64_t offset = FFile->Layout().RecordPosition(number);
    LockOrRaise(offset, FFile->RecordLength());
    TRangeLockGuard unlock(*FFile, offset, FFile->RecordLength());
    FFile->GuardedWrite([&] { FFile->WriteRecord(number, ActiveBuffer()); });
    std::vector<TKeySpec> specs;
    for (TDbfCursor* cursor : FOrderings) specs.push_back(KeySpecOf(cursor));
    TRecordKeys keys(*this, specs);
    keys.Start(ActiveBuffer());
    for (std::size_t i = 0; i < FOrderings.size(); ++i)
      FOrderings[i]->RecordChanged(record, keys.Key(i));
    return;
  }
  InternalLast();
  ActiveBuffer()[0] = kLiveFlag;
  AppendRecord(ActiveBuffer());
  DoAfterScroll();
}

void TmDbfTable::InternalAddRecord(TRecordBuffer buffer, bool) {
  FFile->CheckWritable();
  InternalLast();
  buffer[0] = kLiveFlag;
  AppendRecord(buffer);
}

void TmDbfTable::InternalDelete() {
  FFile->CheckWritable();
  const int record = FCursor->RecordNumber();
  if (record < 0 || FCursor->Position() >= FCursor->Count())
    throw EDBFError("GetRecord: Invalid record");
  const std::uint32_t number = static_cast<std::uint32_t>(record);
  const std::int64_t offset = FFile->Layout().RecordPosition(number);
  LockOrRaise(offset, FFile->RecordLength());
  TRangeLockGuard unlock(*FFile, offset, FFile->RecordLength());
  ActiveBuffer()[0] = kDeletedFlag;
  FFile->GuardedWrite([&] { FFile->WriteRecord(number, ActiveBuffer()); });
  for (TDbfCursor* cursor : FOrderings) cursor->RecordDeleted(record);
}

void TmDbfTable::InternalRefresh() { RebuildOrderings(); }

void TmDbfTable::BeginAppendBatch() {
  CheckActive();
  FFile->CheckWritable();
  if (!FFile->BeginAppendBatch()) DatabaseError(SRecordLocked, this);
}

void TmDbfTable::EndAppendBatch() {
  if (!FFile) return;
  try {
    FFile->EndAppendBatch();
  } catch (const Exception&) {
    // The file cut off the block that failed: the orderings let its
    // records go, so nothing shows a record the file does not hold.
    RebuildOrderings();
    throw;
  }
}

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
  return FFile->Layout().Fields[static_cast<std::size_t>(fieldNo - 1)];
}

bool TmDbfTable::GetFieldData(TField* field, void* buffer) {
  char* record = FieldBuffer();
  if (record == nullptr) return false;
  if (field->FieldNo() <= 0) {
    const TDataSetState state = State();
    if (state != dsBrowse && state != dsEdit && state != dsInsert && state != dsCalcFields)
      return false;
    if (!IsStringType(field->DataType()) || buffer == nullptr)
      return GetCalcFieldData(record, field, buffer);
    // Calculated text is kept in the file's code page, so that a key
    // computed from it compares with the columns' bytes.
    if (!GetCalcFieldData(record, field, nullptr)) return false;
    const std::size_t room = static_cast<std::size_t>(field->DataSize() - 1);
    const char* value = record + CalcFieldsOffset() + field->Offset() + 1;
    char* out = static_cast<char*>(buffer);
    out[ToUtf8({value, strnlen(value, room)}, TextPage(), out, room)] = '\0';
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
      if (buffer != nullptr) {
        // Whole characters only, as many as the field's buffer holds (a
        // field narrower than its column may get fewer than AsString).
        char* out = static_cast<char*>(buffer);
        const std::size_t n = ToUtf8(DecodeChar(bytes), TextPage(), out,
                                     static_cast<std::size_t>(field->DataSize() - 1));
        out[n] = '\0';
      }
      return true;
    }
    case ftSmallint:
    case ftWord:
    case ftInteger:
    case ftAutoInc:
    case ftLargeint: {
      // Numbers are never null: a null check needs no decoding.
      if (buffer == nullptr) return IsNumericLetter(type) || type == kTypeInteger;
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
      if (buffer == nullptr)
        return IsNumericLetter(type) || type == kTypeDouble || type == kTypeCurrency;
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
        // A D column holds whole days: no split of the value needed.
        has = put(type == kTypeDate ? static_cast<std::int32_t>(*v) + DateDelta : DaysOf(*v));
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

bool TmDbfTable::GetFieldCurrency(TField* field, Currency& value) {
  // Only the framework's number fields, whose AsCurrency is
  // Currency(AsFloat()) of the decoded column; the rest go through the
  // field.
  const TFieldType kind = field->DataType();
  const TClassInfo* info = &field->ClassInfo();
  bool isFloat = false;
  bool plain = false;
  switch (kind) {
    case ftFloat:
    case ftCurrency:
    case ftBCD:
      isFloat = true;
      plain = info == &TFloatField::kClassInfo || info == &TCurrencyField::kClassInfo ||
              info == &TBCDField::kClassInfo;
      break;
    case ftSmallint:
    case ftWord:
    case ftInteger:
    case ftAutoInc:
    case ftLargeint:
      plain = info == &TIntegerField::kClassInfo || info == &TSmallintField::kClassInfo ||
              info == &TWordField::kClassInfo || info == &TAutoIncField::kClassInfo ||
              info == &TLargeintField::kClassInfo;
      break;
    default:
      break;
  }
  if (!plain || field->FieldNo() <= 0) return TDataSet::GetFieldCurrency(field, value);
  const char* record = FieldBuffer();
  if (record == nullptr) return false;
  const TFieldDescriptor& column = Column(field->FieldNo());
  if (!IsNumericLetter(column.Type)) return TDataSet::GetFieldCurrency(field, value);
  const std::string_view bytes(record + column.Offset, column.Length);
  if (isFloat) {
    value = DecodeNumericCurrency(bytes);
    return true;
  }
  std::int64_t v = DecodeNumericInteger(bytes);
  // As GetFieldData narrows it.
  if (kind == ftSmallint && (v < INT16_MIN || v > INT16_MAX)) v = 0;
  if (kind == ftWord && (v < 0 || v > UINT16_MAX)) v = 0;
  if ((kind == ftInteger || kind == ftAutoInc) && (v < INT32_MIN || v > INT32_MAX)) v = 0;
  constexpr std::int64_t kExactUnits = 900'000'000'000'000;  // * 10000 fits 64 bits
  value = v >= -kExactUnits && v <= kExactUnits ? Currency::FromScaled(v * Currency::kScale)
                                                : Currency(static_cast<double>(v));
  return true;
}

bool TmDbfTable::GetFieldDecimalText(TField* field, std::string_view& text) {
  switch (field->DataType()) {
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftSmallint:
    case ftWord:
    case ftInteger:
    case ftAutoInc:
    case ftLargeint:
      break;
    default:
      return false;
  }
  if (field->FieldNo() <= 0) return false;
  const char* record = ReadBuffer();
  if (record == nullptr) return false;
  const TFieldDescriptor& column = Column(field->FieldNo());
  if (!IsNumericLetter(column.Type)) return false;
  text = NumericText({record + column.Offset, column.Length});
  if (text.empty()) text = "0";  // a blank column reads as 0
  return true;
}

bool TmDbfTable::GetFieldDateParts(TField* field, TDateParts& parts) {
  if (field->DataType() != ftDate || field->FieldNo() <= 0) return false;
  const char* record = ReadBuffer();
  if (record == nullptr) return false;
  const TFieldDescriptor& column = Column(field->FieldNo());
  if (column.Type != kTypeDate) return false;
  switch (DecodeDateDigits({record + column.Offset, column.Length}, parts.Year, parts.Month,
                           parts.Day)) {
    case TDateDigits::kDate:
      parts.Null = false;
      return true;
    case TDateDigits::kNull:
      parts.Null = true;
      return true;
    case TDateDigits::kOther:
      break;
  }
  return false;
}

bool TmDbfTable::GetColumnBytes(TField* field, std::string_view& bytes, char& type) {
  if (field->FieldNo() <= 0) return false;
  const char* record = FieldBuffer();
  if (record == nullptr) return false;
  const TFieldDescriptor& column = Column(field->FieldNo());
  bytes = std::string_view(record + column.Offset, column.Length);
  type = column.Type;
  return true;
}

namespace {

// `value` becomes `bytes` of `page` as UTF-8; true. Made on the stack
// first, so that `value` is allocated once at its size (or not at all when
// it is short).
[[gnu::noinline]] bool AssignText(std::string_view bytes, TCodePage page, std::string& value) {
  char out[3 * dbf::kMaxColumnLength + 1];
  const std::size_t n = ToUtf8(bytes, page, out, sizeof out);
  value.clear();
  value.append(out, n);  // cheaper than assign, which allows for overlap
  return true;
}

}  // namespace

bool TmDbfTable::GetFieldString(TField* field, std::string& value) {
  // Browsing, as reading every field of every record does, with no call
  // but the last: the common read saves no registers. Anything else goes
  // the general way.
  if (State() != dsBrowse || IsEmpty() || field->FieldNo() <= 0 || !IsStringType(field->DataType()))
    return ReadFieldString(field, value);
  const TFieldDescriptor& column = Column(field->FieldNo());
  const std::string_view text = DecodeChar({ActiveBuffer() + column.Offset, column.Length});
  if (text.empty()) {  // blanks, as most columns of a register are
    value.clear();
    return true;
  }
  if (text.size() > static_cast<std::size_t>(field->Size())) return ReadFieldString(field, value);
  return AssignText(text, TextPage(), value);
}

bool TmDbfTable::ReadFieldString(TField* field, std::string& value) {
  if (field->FieldNo() <= 0 || !IsStringType(field->DataType()))
    return TDataSet::GetFieldString(field, value);
  const char* record = ReadBuffer();
  if (record == nullptr) return false;
  const TFieldDescriptor& column = Column(field->FieldNo());
  // At most Size * 4 characters, as when the field read the file's bytes
  // through its buffer and converted them itself (DataSize - 1 of a string
  // kind, never below Size: a text no longer than that needs no cut).
  std::string_view text = DecodeChar({record + column.Offset, column.Length});
  if (text.size() > static_cast<std::size_t>(field->Size()))
    text = text.substr(0, static_cast<std::size_t>(field->DataSize() - 1));
  if (text.empty()) {
    value.clear();
    return true;
  }
  return AssignText(text, TextPage(), value);
}

namespace {

// True when `field` is the one plain class of its kind that a column is
// written straight into (one class compared only: comparing with several
// would compare their names byte for byte).
bool IsPlainField(const TField& field) {
  const std::type_info& kind = typeid(field);
  switch (field.DataType()) {
    case ftString:
      return kind == typeid(TStringField);
    case ftInteger:
      return kind == typeid(TIntegerField);
    case ftSmallint:
      return kind == typeid(TSmallintField);
    case ftWord:
      return kind == typeid(TWordField);
    case ftLargeint:
      return kind == typeid(TLargeintField);
    case ftFloat:
      return kind == typeid(TFloatField);
    case ftDate:
      return kind == typeid(TDateField);
    default:
      return false;
  }
}

// For each Windows-1251 byte, the one byte its character becomes in a
// column of the page, as the field's way (through UTF-8) writes it; 0 for
// NUL, which ends the field's text, and for characters written as several
// bytes (no character becomes NUL).
struct TDirectText {
  char Byte[256] = {};
};

TDirectText MakeDirectText(TCodePage page) {
  TDirectText table;
  for (int b = 1; b < 256; ++b) {
    const char c = static_cast<char>(b);
    const std::string bytes = FromUtf8(Win1251ToUtf8(std::string_view(&c, 1)), page);
    if (bytes.size() == 1) table.Byte[b] = bytes[0];
  }
  return table;
}

// Whether any of the first `count` bytes of `bytes` is NUL; eight at a
// time.
bool HasNul(const char* bytes, std::size_t count) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ULL, kHigh = 0x8080808080808080ULL;
  std::size_t i = 0;
  for (; i + 8 <= count; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, bytes + i, 8);
    if (((word - kOnes) & ~word & kHigh) != 0) return true;
  }
  for (; i < count; ++i)
    if (bytes[i] == '\0') return true;
  return false;
}

const TDirectText& DirectText(TCodePage page) {
  // Made once, both together: one guard to pass per call.
  static const TDirectText tables[] = {MakeDirectText(TCodePage::Win1251),
                                       MakeDirectText(TCodePage::Oem866)};
  return tables[page == TCodePage::Win1251 ? 0 : 1];
}

}  // namespace

bool TmDbfTable::PrepareDirectColumn(TField* field, TDirectColumn& direct) {
  direct = {};
  if (!FIsOpen || !FFile || field->FieldNo() <= 0 ||
      static_cast<std::size_t>(field->FieldNo()) > FFile->Layout().Fields.size() ||
      !IsPlainField(*field))
    return false;
  const TFieldDescriptor& column = Column(field->FieldNo());
  direct.Field = field;
  direct.Offset = column.Offset;
  direct.Length = column.Length;
  direct.Type = column.Type;
  direct.Decimals = column.Decimals;
  switch (field->DataType()) {
    case ftString:
      direct.Kind = TDirectKind::Text;
      break;
    case ftFloat:
      direct.Kind = TDirectKind::Float;
      break;
    case ftDate:
      direct.Kind = TDirectKind::Date;
      break;
    default:
      direct.Kind = TDirectKind::Integer;
      direct.TypeMin = INT32_MIN;
      direct.TypeMax = INT32_MAX;
      if (field->DataType() == ftSmallint) {
        direct.TypeMin = INT16_MIN;
        direct.TypeMax = INT16_MAX;
      } else if (field->DataType() == ftWord) {
        direct.TypeMin = 0;
        direct.TypeMax = UINT16_MAX;
      } else if (field->DataType() == ftLargeint) {
        direct.TypeMin = INT64_MIN;
        direct.TypeMax = INT64_MAX;
      }
      break;
  }
  return true;
}

char* TmDbfTable::DirectRecord(const TDirectColumn& column) {
  if (column.Kind == TDirectKind::None || column.Field->OnValidate ||
      (State() != dsEdit && State() != dsInsert))
    return nullptr;
  // The field's buffer in these states.
  return ActiveBuffer();
}

bool TmDbfTable::SetColumnText(TField* field, std::string_view bytes) {
  TDirectColumn column;
  return PrepareDirectColumn(field, column) && SetColumnText(column, bytes);
}

bool TmDbfTable::SetColumnText(const TDirectColumn& column, std::string_view bytes) {
  if (column.Kind != TDirectKind::Text || column.Length > dbf::kMaxColumnLength ||
      column.Field->Transliterate())
    return false;
  char* record = DirectRecord(column);
  if (record == nullptr) return false;
  TField* field = column.Field;
  const TDirectText& table = DirectText(TextPage());
  // The field keeps Size characters, one byte each in either page.
  const std::size_t kept =
      std::min({bytes.size(), static_cast<std::size_t>(field->Size()), column.Length});
  // Converted beside the record first, blanks after (in blocks: room for
  // one more): nothing changes when a byte fails.
  char converted[dbf::kMaxColumnLength + 32];
  const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t i = 0;
  for (; i + 4 <= kept; i += 4) {
    converted[i] = table.Byte[in[i]];
    converted[i + 1] = table.Byte[in[i + 1]];
    converted[i + 2] = table.Byte[in[i + 2]];
    converted[i + 3] = table.Byte[in[i + 3]];
  }
  for (; i < kept; ++i) converted[i] = table.Byte[in[i]];
  if (HasNul(converted, kept)) return false;
  for (std::size_t j = kept; j < bytes.size(); ++j)
    if (table.Byte[static_cast<unsigned char>(bytes[j])] == '\0') return false;
  static constexpr char kBlanks[32] = {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
                                       ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
                                       ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
  for (i = kept; i < column.Length; i += sizeof kBlanks)
    std::memcpy(converted + i, kBlanks, sizeof kBlanks);
  std::memcpy(record + column.Offset, converted, column.Length);
  ColumnChanged(field);
  return true;
}

bool TmDbfTable::SetColumnInteger(TField* field, std::string_view text) {
  TDirectColumn column;
  return PrepareDirectColumn(field, column) && SetColumnInteger(column, text);
}

bool TmDbfTable::SetColumnInteger(const TDirectColumn& column, std::string_view text) {
  if (column.Kind != TDirectKind::Integer || !IsNumericLetter(column.Type)) return false;
  char* record = DirectRecord(column);
  if (record == nullptr) return false;
  TField* field = column.Field;
  // The range the field checks: its own bounds when set, else its type's.
  const auto& integral = static_cast<const TIntegralField&>(*field);
  std::int64_t lo = column.TypeMin, hi = column.TypeMax;
  if (integral.MinValue() != 0 || integral.MaxValue() != 0) {
    lo = integral.MinValue();
    hi = integral.MaxValue();
    // A smallint column also refuses what lies outside 16 bits.
    if (field->DataType() == ftSmallint) {
      lo = std::max<std::int64_t>(lo, INT16_MIN);
      hi = std::min<std::int64_t>(hi, INT16_MAX);
    }
  }
  if (!EncodeIntegerText({record + column.Offset, column.Length}, text, lo, hi)) return false;
  ColumnChanged(field);
  return true;
}

bool TmDbfTable::SetColumnFloat(TField* field, std::string_view text) {
  TDirectColumn column;
  return PrepareDirectColumn(field, column) && SetColumnFloat(column, text);
}

bool TmDbfTable::SetColumnFloat(const TDirectColumn& column, std::string_view text) {
  if (column.Kind != TDirectKind::Float || FormatSettings.DecimalSeparator != '.' ||
      !IsNumericLetter(column.Type))
    return false;
  const auto& number = static_cast<const TFloatField&>(*column.Field);
  if (number.MinValue() != 0 || number.MaxValue() != 0) return false;
  char* record = DirectRecord(column);
  if (record == nullptr) return false;
  if (!EncodeFloatText({record + column.Offset, column.Length}, column.Decimals, text))
    return false;
  ColumnChanged(column.Field);
  return true;
}

bool TmDbfTable::SetColumnNull(TField* field) {
  TDirectColumn column;
  return PrepareDirectColumn(field, column) && SetColumnNull(column);
}

bool TmDbfTable::SetColumnNull(const TDirectColumn& column) {
  // Classes whose Clear is the field's own: the value cleared as null.
  char* record = DirectRecord(column);
  if (record == nullptr) return false;
  ClearColumn({record + column.Offset, column.Length},
              column.Kind == TDirectKind::Text ? kTypeChar : column.Type);
  ColumnChanged(column.Field);
  return true;
}

bool TmDbfTable::SetColumnDate(TField* field, int year, int month, int day) {
  TDirectColumn column;
  return PrepareDirectColumn(field, column) && SetColumnDate(column, year, month, day);
}

bool TmDbfTable::SetColumnDate(const TDirectColumn& column, int year, int month, int day) {
  if (column.Kind != TDirectKind::Date || column.Type != kTypeDate) return false;
  char* record = DirectRecord(column);
  if (record == nullptr) return false;
  if (!EncodeDateParts({record + column.Offset, column.Length}, year, month, day)) return false;
  ColumnChanged(column.Field);
  return true;
}

namespace {

// For each byte of a page, true when its character takes that one byte
// again on the way through UTF-8; never for NUL, which ends a text.
struct TSameText {
  bool Byte[256] = {};
};

TSameText MakeSameText(TCodePage page) {
  TSameText table;
  for (int b = 1; b < 256; ++b) {
    const std::string byte(1, static_cast<char>(b));
    table.Byte[b] = FromUtf8(ToUtf8(byte, page), page) == byte;
  }
  return table;
}

const TSameText& SameText(TCodePage page) {
  static const TSameText ansi = MakeSameText(TCodePage::Win1251);
  static const TSameText oem = MakeSameText(TCodePage::Oem866);
  return page == TCodePage::Win1251 ? ansi : oem;
}

// Text as a string field reads it and writes it back the same: characters
// of one byte each, then blanks only.
bool PlainText(std::string_view column, const TSameText& same) {
  const std::size_t n = DecodeChar(column).size();
  for (std::size_t i = 0; i < n; ++i)
    if (!same.Byte[static_cast<unsigned char>(column[i])]) return false;
  for (std::size_t i = n; i < column.size(); ++i)
    if (column[i] != ' ') return false;
  return true;
}

// A date as EncodeDateColumn writes it: blanks, or a valid yyyymmdd other
// than day 0 (which it writes as blanks).
bool PlainDate(std::string_view column) {
  if (column.size() != 8) return false;
  if (column.find_first_not_of(' ') == std::string_view::npos) return true;
  if (column.find_first_not_of("0123456789") != std::string_view::npos) return false;
  const std::optional<TDateTime> date = DecodeDateColumn(column);
  return date && Trunc(*date) != 0;
}

}  // namespace

std::optional<TmDbfTable::TColumnCopy> TmDbfTable::PrepareColumnCopy(TField* to, TmDbfTable& source,
                                                                     TField* from) {
  if (!FFile || !source.FFile || to->FieldKind() != fkData || from->FieldKind() != fkData ||
      to->FieldNo() <= 0 || from->FieldNo() <= 0 || to->DataType() != from->DataType() ||
      to->OnValidate)
    return std::nullopt;
  const TFieldDescriptor& column = Column(to->FieldNo());
  const TFieldDescriptor& sourceColumn = source.Column(from->FieldNo());
  if (column.Type != sourceColumn.Type || column.Length != sourceColumn.Length ||
      column.Decimals != sourceColumn.Decimals)
    return std::nullopt;
  TColumnCopy copy{to, from, column.Offset, sourceColumn.Offset, column.Length, column.Type};
  switch (to->DataType()) {
    case ftString:
      if (column.Type == kTypeChar && typeid(*to) == typeid(TStringField) &&
          typeid(*from) == typeid(TStringField) && !to->Transliterate() && !from->Transliterate() &&
          FAnsiTable == source.FAnsiTable && to->Size() >= column.Length &&
          from->Size() >= column.Length)
        return copy;
      break;
    case ftSmallint:
    case ftInteger: {
      const auto* integral = dynamic_cast<const TIntegralField*>(to);
      if (integral == nullptr || !IsNumericLetter(column.Type) || column.Decimals != 0) break;
      const bool small = to->DataType() == ftSmallint;
      // A field's own range (MaxValue) replaces its type's.
      copy.Min = integral->MinValue() != 0 || integral->MaxValue() != 0
                     ? integral->MinValue()
                     : (small ? INT16_MIN : INT32_MIN);
      copy.Max = integral->MinValue() != 0 || integral->MaxValue() != 0
                     ? integral->MaxValue()
                     : (small ? INT16_MAX : INT32_MAX);
      return copy;
    }
    case ftDate:
      if (column.Type == kTypeDate && column.Length == 8) return copy;
      break;
    default:
      break;
  }
  return std::nullopt;
}

bool TmDbfTable::CopyColumn(const TColumnCopy& copy, TmDbfTable& source) {
  if (State() != dsEdit && State() != dsInsert) return false;
  char* record = FieldBuffer();
  const char* sourceRecord = source.FieldBuffer();
  if (record == nullptr || sourceRecord == nullptr) return false;
  const std::string_view bytes(sourceRecord + copy.FromOffset, copy.Length);
  char* out = record + copy.ToOffset;
  switch (copy.Type) {
    case kTypeChar:
      if (!PlainText(bytes, SameText(TextPage()))) return false;
      std::memcpy(out, bytes.data(), bytes.size());
      break;
    case kTypeDate:
      if (!PlainDate(bytes)) return false;
      std::memcpy(out, bytes.data(), bytes.size());
      break;
    default: {
      // As the source field reads it (its type's range, else 0), in the
      // target's range, written as the target writes it.
      std::int64_t value = DecodeNumericInteger(bytes);
      const bool small = copy.From->DataType() == ftSmallint;
      if (value < (small ? INT16_MIN : INT32_MIN) || value > (small ? INT16_MAX : INT32_MAX))
        value = 0;
      if (value < copy.Min || value > copy.Max) return false;
      char text[24];
      const auto [end, ec] = std::to_chars(text, text + sizeof text, value);
      const std::size_t length = static_cast<std::size_t>(end - text);
      if (ec != std::errc() || length > copy.Length) return false;
      std::memset(out, ' ', copy.Length - length);
      std::memcpy(out + copy.Length - length, text, length);
      break;
    }
  }
  DataEvent(deFieldChange, reinterpret_cast<std::intptr_t>(copy.To));
  return true;
}

void TmDbfTable::SetFieldData(TField* field, const void* buffer) {
  const TDataSetState state = State();
  if (!IsWriteState(state)) DatabaseError(SNotEditing, this);
  char* record = FieldBuffer();
  if (record == nullptr) return;
  if (field->FieldNo() <= 0) {
    if (buffer != nullptr && IsStringType(field->DataType())) {
      // Converted on the stack when it fits (a text never grows from
      // UTF-8 to the file's page), NUL-filled to the field's DataSize.
      const std::string_view text(static_cast<const char*>(buffer));
      const std::size_t size = static_cast<std::size_t>(std::max(field->DataSize(), 1));
      if (text.size() < size) {
        // Shorter than the value's place, as calculated keys are: straight
        // into the slot (its flag byte, then the value), as
        // SetCalcFieldData lays it out.
        char* slot = record + CalcFieldsOffset() + field->Offset();
        slot[0] = 1;
        const std::size_t n = FromUtf8(text, TextPage(), slot + 1);
        std::memset(slot + 1 + n, 0, size - n);
        return;
      }
      const std::size_t room = std::max(size, text.size() + 1);
      char local[1024];
      std::string heap;
      char* bytes = local;
      if (room > sizeof local) {
        heap.assign(room, '\0');
        bytes = heap.data();
      }
      const std::size_t n = FromUtf8(text, TextPage(), bytes);
      if (n < size) std::memset(bytes + n, 0, size - n);
      bytes[size - 1] = '\0';
      SetCalcFieldData(record, field, bytes);
    } else {
      SetCalcFieldData(record, field, buffer);
    }
  } else {
    field->Validate(buffer);
    const TFieldDescriptor& column = Column(field->FieldNo());
    const std::span<char> bytes(record + column.Offset, column.Length);
    const char type = column.Type;
    // The name the user knows, for a value that does not fit its column.
    const std::string& name =
        field->DisplayLabel().empty() ? field->FieldName() : field->DisplayLabel();
    const TFieldType dataType = field->DataType();
    if (buffer == nullptr) {
      // A cleared value is stored as the letter's empty value.
      ClearColumn(bytes, IsStringType(dataType) ? kTypeChar : type);
    } else if (IsStringType(dataType)) {
      // Converted on the stack: a text never grows from UTF-8 to one byte
      // a character, and only the column's width of it is kept.
      // The whole text: one that holds a NUL byte (a damaged file's) is
      // not cut there.
      const std::string_view text =
          NativeText(static_cast<const char*>(buffer), static_cast<std::size_t>(field->DataSize()));
      char converted[4 * dbf::kMaxColumnLength + 1];
      if (text.size() < sizeof converted) {
        EncodeChar(bytes, std::string_view(converted, FromUtf8(text, TextPage(), converted)));
      } else {
        EncodeChar(bytes, FromUtf8(text, TextPage()));
      }
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

int TmDbfTable::Translate(const char* src, char* dest, bool toOem) {
  if (src == nullptr || *src == '\0') {
    if (dest != nullptr) *dest = '\0';
    return 0;
  }
  const std::string out = toOem ? FromUtf8(src, TextPage()) : ToUtf8(src, TextPage());
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
  if (FUpgrade && FFileVers != FVers) RunConversion();
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
