#include "register/core/xml_import.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/base/codepage.h"
#include "platform/base/format.h"
#include "platform/base/format_settings.h"
#include "platform/base/scope_guard.h"
#include "platform/base/text.h"
#include "platform/data/data_guards.h"
#include "platform/data/fields.h"
#include "storage/dbf_table.h"

namespace {

int Digits(std::string_view text) {
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

// The same for the `count` bytes from `p`.
int DigitsAt(const char* p, int count) {
  int value = 0;
  for (int i = 0; i < count; ++i) {
    const unsigned digit = static_cast<unsigned char>(p[i]) - static_cast<unsigned>('0');
    if (digit > 9) return -1;
    value = value * 10 + static_cast<int>(digit);
  }
  return value;
}

// Sets a date field from "yyyy?mm?dd", whatever the separators; any other
// text clears it.
void SetDateText(TField& field, const std::string& value) {
  if (value.size() != 10) {
    field.SetAsString("");
    return;
  }
  TDateTime date = 0;
  const std::string_view v(value);
  const int year = Digits(v.substr(0, 4)), month = Digits(v.substr(5, 2)),
            day = Digits(v.substr(8, 2));
  if (year > 0 && month > 0 && day > 0 && TryEncodeDate(year, month, day, date)) {
    field.SetAsDateTime(date);
  } else {
    // The field's own conversion names what is wrong.
    field.SetAsString(value.substr(8, 2) + "." + value.substr(5, 2) + "." + value.substr(0, 4));
  }
}

// How a field takes an attribute's value, decided once per field.
enum class TTaker { Date, Text, Integer, Float };

TTaker TakerOf(const TField& field) {
  switch (field.DataType()) {
    case ftDate:
    case ftDateTime:
      return TTaker::Date;
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftLargeint:
      return TTaker::Integer;
    case ftFloat:
      return TTaker::Float;
    default:
      return TTaker::Text;
  }
}

// Puts an attribute's value, the file's bytes `raw`, into its field
// through the field, as UTF-8 text; the field raises what it refuses.
void SetFieldText(TField& field, TTaker taker, std::string_view raw) {
  if (taker == TTaker::Date) {
    SetDateText(field, Win1251ToUtf8(raw));
  } else {
    field.SetAsString(Win1251ToUtf8(raw));
  }
}

// Where an attribute's value goes: its field, how the field takes it, and
// the field's column when the table writes it straight into the record.
struct TTarget {
  TField* Field = nullptr;
  TTaker Taker = TTaker::Text;
  TmDbfTable::TDirectColumn Column;  // writes nothing when not prepared
};

// The value written by the table straight into the record where it can do
// so with the field's result; else through the field.
[[gnu::always_inline]] inline void SetFieldValue(TmDbfTable& table, const TTarget& target,
                                                 std::string_view raw) {
  const TmDbfTable::TDirectColumn& column = target.Column;
  switch (target.Taker) {
    case TTaker::Text:
      if (table.SetColumnText(column, raw)) return;
      break;
    case TTaker::Integer:
      if (raw.empty() ? table.SetColumnNull(column) : table.SetColumnInteger(column, raw)) return;
      break;
    case TTaker::Float:
      if (raw.empty() ? table.SetColumnNull(column) : table.SetColumnFloat(column, raw)) return;
      break;
    case TTaker::Date:
      // Any text but "yyyy?mm?dd" clears the date (as UTF-8: ASCII only
      // keeps its length).
      if (raw.size() != 10) {
        if (IsAscii(raw) && table.SetColumnNull(column)) return;
      } else if (static_cast<unsigned char>(raw[4]) < 0x80 &&
                 static_cast<unsigned char>(raw[7]) < 0x80) {
        // With digits in their places the whole text is ASCII.
        const char* d = raw.data();
        const int year = DigitsAt(d, 4), month = DigitsAt(d + 5, 2), day = DigitsAt(d + 8, 2);
        if (year > 0 && month > 0 && day > 0 && table.SetColumnDate(column, year, month, day))
          return;
      }
      break;
  }
  SetFieldText(*target.Field, target.Taker, raw);
}

void AssignAsciiUpper(std::string& out, std::string_view name) {
  out.assign(name);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
}

// The field name an attribute stands for: its name in capitals, with the
// group's number for a CHILD group's attribute (`group` >= 0). Written into
// `buffer` when it fits there, so that nothing is allocated per attribute.
class TFieldKey {
 public:
  std::string_view Make(std::string_view name, int group) {
    char digits[12];
    const char* end = digits;
    if (group >= 0) end = std::to_chars(digits, digits + sizeof digits, group).ptr;
    const std::size_t count = static_cast<std::size_t>(end - digits);
    if (name.size() + count > sizeof FBuffer) {
      AssignAsciiUpper(FLong, name);
      FLong.append(digits, count);
      return FLong;
    }
    for (std::size_t i = 0; i < name.size(); ++i) {
      const char c = name[i];
      FBuffer[i] = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    }
    std::copy(digits, digits + count, FBuffer + name.size());
    return {FBuffer, name.size() + count};
  }

 private:
  char FBuffer[64];
  std::string FLong;
};

// An attribute's name as met in a record, compared with the next
// record's name in that place as two words of the reader's bytes (which
// may be read that far) when it is short.
class TNameKey {
 public:
  explicit TNameKey(std::string_view name) : FName(name) {
    if (name.size() > kWords) return;
    char bytes[kWords] = {};
    char masks[kWords] = {};
    std::memcpy(bytes, name.data(), name.size());
    std::memset(masks, 0xFF, name.size());
    std::memcpy(FWords, bytes, kWords);
    std::memcpy(FMasks, masks, kWords);
  }
  // REQUIRES: `name` is the reader's RawName of an attribute.
  bool Matches(std::string_view name) const {
    if (name.size() != FName.size()) return false;
    if (name.size() > kWords) return std::memcmp(name.data(), FName.data(), name.size()) == 0;
    std::uint64_t words[2];
    std::memcpy(words, name.data(), kWords);
    return ((words[0] & FMasks[0]) == FWords[0]) & ((words[1] & FMasks[1]) == FWords[1]);
  }

 private:
  static constexpr std::size_t kWords = 16;
  static_assert(kWords <= TXmlReader::kReadableName);
  std::string FName;  // the file's bytes
  std::uint64_t FWords[2] = {};
  std::uint64_t FMasks[2] = {};
};

// What a tag's name tells the importer, worked out at its start tag and
// kept for its end tag.
enum : unsigned char {
  kHoldsChild = 1,  // the name holds "CHILD"
  kChildTag = 2,    // CHILD
  kRecordTag = 4,   // BTAL1, BTAL2, BTAL3
  kBtal3Tag = 8,    // BTAL3
  kHeaderTag = 16,  // HEADER
};

unsigned char TagFlags(std::string_view name) {
  if (name.size() < 5) return 0;
  if (name.size() == 5) {
    if (name == "CHILD") return kHoldsChild | kChildTag;
    if (name == "BTAL3") return kRecordTag | kBtal3Tag;
    if (name == "BTAL1" || name == "BTAL2") return kRecordTag;
    return 0;
  }
  if (name == "HEADER") return kHeaderTag;
  for (std::size_t i = 0; i + 5 <= name.size(); ++i)
    if (name[i] == 'C' && name[i + 1] == 'H' && name[i + 2] == 'I' && name[i + 3] == 'L' &&
        name[i + 4] == 'D')
      return kHoldsChild;
  return 0;
}

// A value that says something: not blank and not a zero ("0", "0.000"),
// which is what an exported group without a newborn holds.
bool CarriesData(std::string_view raw) {
  return raw.find_first_not_of(" 0.,+-") != std::string_view::npos;
}

// The values of a record's CHILD groups, held until a group that carries
// data shows the groups before it are rows: trailing groups that carry
// none (BQNT counts children born before, and the file has a group for
// each) are no rows and leave their fields as they are.
class TChildGroups {
 public:
  void Hold(const TTarget& target, std::string_view raw) {
    if (FUsed == FValues.size()) FValues.emplace_back();
    TValue& v = FValues[FUsed++];
    v.Target = target;
    // The reader's bytes last only until its next token: copied one
    // after another into room kept from record to record.
    v.At = FBytesUsed;
    v.Size = raw.size();
    if (FBytes.size() < FBytesUsed + raw.size())
      FBytes.resize(std::max(2 * FBytes.size(), FBytesUsed + raw.size()));
    if (!raw.empty()) std::memcpy(FBytes.data() + FBytesUsed, raw.data(), raw.size());
    FBytesUsed += raw.size();
    FData = FData || CarriesData(raw);
  }
  // The end of group `index` (1-based).
  void EndGroup(TmDbfTable& table, int index) {
    if (!FData) return;
    for (std::size_t i = 0; i < FUsed; ++i) {
      const TValue& v = FValues[i];
      SetFieldValue(table, v.Target, {FBytes.data() + v.At, v.Size});
    }
    Clear();
    FRows = index;
  }
  // The record's rows; the next record starts afresh.
  int EndRecord() {
    const int rows = FRows;
    Clear();
    FRows = 0;
    return rows;
  }

 private:
  struct TValue {
    TTarget Target;      // a copy: the slots it came from may move
    std::size_t At = 0;  // the value's bytes in FBytes
    std::size_t Size = 0;
  };
  void Clear() {
    FUsed = 0;
    FBytesUsed = 0;
    FData = false;
  }
  std::vector<TValue> FValues;
  std::vector<char> FBytes;
  std::size_t FBytesUsed = 0;
  std::size_t FUsed = 0;
  bool FData = false;
  int FRows = 0;
};

// Drops the record being read and switches the events on again, quietly:
// the failure that brought us here is the one to report.
void ResumeAfterFailure(TmDbfTable& table) noexcept {
  try {
    if (table.State() == dsInsert || table.State() == dsEdit) table.Cancel();
  } catch (...) {
  }
  try {
    table.EndAppendBatch();  // the records posted so far stay
  } catch (...) {
  }
  try {
    table.SetEventsOff(false);
  } catch (...) {
  }
}

}  // namespace

int ExchangeKindOfTarget(std::string_view target) {
  if (target == "BSERTIF1") return 1;
  if (target == "BSERTIF2") return 2;
  if (target == "BSERTIF3_1") return 31;
  if (target == "BSERTIF3_2") return 32;
  return 0;
}

TImpXml::TImpXml(const std::string& fileName) : FReader(fileName) {
  if (FReader.Next() != xkInstruction) throw Exception("Не найдена инструкция ?xml?.");
  if (FReader.Next() != xkInstruction) throw Exception("Не найдена инструкция ?BSERTIF?.");
  FKind = ExchangeKindOfTarget(FReader.Name());
  if (FKind == 0) throw Exception("Не распознан формат xml файла.");
}

int TImpXml::Execute(TmDbfTable& table, const TLpuAccess& lpu) {
  TFormatSettingsOverride settings;
  FormatSettings.DecimalSeparator = '.';
  FormatSettings.DateSeparator = '.';
  FormatSettings.ShortDateFormat = "dd.mm.yyyy";

  std::unordered_map<std::string, TField*> fields;
  for (int i = 0; i < table.FieldCount(); ++i) {
    TField* field = table.Fields()[i];
    std::string key;
    AssignAsciiUpper(key, field->FieldName());
    fields.emplace(key, field);
  }
  TField* cqnt = table.FindField("CQNT");
  TmDbfTable::TDirectColumn cqntColumn;
  if (cqnt != nullptr && FDirect) table.PrepareDirectColumn(cqnt, cqntColumn);

  // Records written, counted by the table: a start tag met while a record
  // is being inserted posts that one too.
  const int before = table.RecordCount();
  int imported = 0;
  TControlsDisabledGuard disabled(&table);
  table.SetEventsOff(true);
  bool finished = false;
  TScopeExit resume([&] {
    if (!finished) ResumeAfterFailure(table);
  });
  try {
    // One hold of the header lock and block writes for the whole file.
    table.BeginAppendBatch();
    int children = 0;
    TChildGroups groups;
    int insideChild = 0;    // open elements whose name holds "CHILD"
    bool inHeader = false;  // the attributes read are the header's
    TFieldKey key;
    // The attributes met so far in a record, in order: every record names
    // the same ones, so the look-up is mostly one comparison.
    struct TSeen {
      TNameKey Name;
      int Group;
      TTarget Target;
    };
    std::vector<TSeen> seen;
    // The one expected next and the end, as pointers: the look-up runs for
    // every attribute.
    TSeen* expected = seen.data();
    TSeen* seenEnd = expected;
    std::vector<unsigned char> open;  // TagFlags of the open elements
    for (TXmlTokenKind kind = FReader.Next(); kind != xkEndOfInput;) {
      if (kind == xkAttribute && !inHeader) {
        // A record's attributes, up to the next other token: their group
        // stays the same meanwhile.
        const int group = insideChild > 0 ? children : -1;
        do {
          if (table.State() == dsInsert) {
            // ASCII names compare alike as the file's bytes and as UTF-8.
            const std::string_view name = FReader.RawName();
            if (expected == seenEnd || expected->Group != group || !expected->Name.Matches(name)) {
              const std::string_view fieldName =
                  key.Make(IsAscii(name) ? name : std::string_view(FReader.Name()), group);
              const auto found = fields.find(std::string(fieldName));
              TTarget target;
              if (found != fields.end()) {
                target.Field = found->second;
                target.Taker = TakerOf(*target.Field);
                if (FDirect) table.PrepareDirectColumn(target.Field, target.Column);
              }
              seen.erase(seen.begin() + (expected - seen.data()), seen.end());
              seen.push_back({TNameKey(name), group, target});
              expected = &seen.back();
              seenEnd = seen.data() + seen.size();
            }
            const TTarget& target = expected->Target;
            ++expected;
            if (target.Field != nullptr) {
              if (insideChild > 0) {
                groups.Hold(target, FReader.RawValue());
              } else {
                SetFieldValue(table, target, FReader.RawValue());
              }
            }
          }
          kind = FReader.Next();
        } while (kind == xkAttribute);
        continue;
      }
      // ASCII names compare alike as the file's bytes and as UTF-8.
      const std::string_view name = FReader.RawName();
      switch (kind) {
        case xkAttribute: {
          // The header's.
          const std::string& utf8 = FReader.Name();
          lpu.SetValue(utf8 == "FROM" ? std::string("NAME") : utf8, FReader.Value());
          break;
        }
        case xkStartTag: {
          const unsigned char flags = TagFlags(name);
          open.push_back(flags);
          inHeader = (flags & kHeaderTag) != 0;
          if (flags & kHoldsChild) ++insideChild;
          if ((flags & kRecordTag) && (!(flags & kBtal3Tag) || table.State() != dsInsert)) {
            table.Append();
            expected = seen.data();
          } else if (flags & kChildTag) {
            ++children;
          }
          break;
        }
        case xkEndTag: {
          // The reader has checked that it closes the innermost element.
          const unsigned char flags = open.back();
          open.pop_back();
          const bool inserting = table.State() == dsInsert;
          if ((flags & kHoldsChild) && --insideChild == 0 && inserting)
            groups.EndGroup(table, children);
          if ((flags & kRecordTag) && inserting) {
            const int rows = groups.EndRecord();
            if (cqnt != nullptr) {
              char digits[12];
              const auto end = std::to_chars(digits, digits + sizeof digits, rows).ptr;
              if (!table.SetColumnInteger(cqntColumn, {digits, end})) cqnt->SetAsInteger(rows);
            }
            children = 0;
            table.Post();
          } else if (flags & kHeaderTag) {
            lpu.SaveLpu();
          }
          break;
        }
        default:
          break;
      }
      kind = FReader.Next();
    }
  } catch (Exception& e) {
    // Counted before the record being read is dropped.
    imported = table.RecordCount() - before;
    e.SetMessage(e.Message() + "\r\n" + Format("Импортировано записей: %d.", imported));
    throw;
  }
  table.EndAppendBatch();
  imported = table.RecordCount() - before;
  table.SetEventsOff(false);
  finished = true;
  return imported;
}
