// The bytes of a DBF register file (dBASE III layout) and the encoding of
// every column type, with nothing of the dataset around them.
//
// A file is a 32-byte header, one 32-byte descriptor per column, the
// terminator 0x0D, an optional header tail, then fixed-length records,
// each a deletion flag followed by the columns back to back, and (once the
// file has had an append or a pack) one end-of-file byte 0x1A. All numbers
// are little-endian. Text in C columns and field names is in the table's
// code page (OEM 866, or Windows-1251 for an ANSI table); this module moves
// bytes only, the table converts them to and from UTF-8.
//
// Decoding a column reads straight from the record buffer; encoding writes
// into it and never past the column. Encoders refuse a value that does not
// fit with ERangeError naming the field and the value, and write nothing.
// Decoding never fails: bytes that mean nothing read as empty (0, "" or
// null, by the rules of each letter). A damaged header raises EDBFError
// saying what is wrong.
//
// Pure functions and plain records; any thread, except EncodeNumericFloat
// (it reads the runtime's FormatSettings).
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/currency.h"
#include "platform/base/date_time.h"
#include "platform/base/exceptions.h"
#include "platform/base/stream.h"

// The table's own failures: a missing file, a damaged file, a bad record
// position or bookmark. A plain message.
class EDBFError : public Exception {
 public:
  using Exception::Exception;
};

// Another user has the table open where the operation needs it alone.
class EDBFInUseError : public EDBFError {
 public:
  using EDBFError::EDBFError;
};

namespace dbf {

// ---- Constants --------------------------------------------------------

inline constexpr std::size_t kHeaderSize = 32;
inline constexpr std::size_t kDescriptorSize = 32;
inline constexpr char kTerminator = 0x0D;
inline constexpr char kEofMarker = 0x1A;
inline constexpr char kLiveFlag = ' ';
inline constexpr char kDeletedFlag = '*';
inline constexpr std::uint8_t kVersionDBase3 = 3;
inline constexpr std::size_t kMaxHeaderLength = 65535;
inline constexpr int kMaxColumnLength = 255;
inline constexpr std::size_t kMaxNameLength = 10;
// The code-page byte (header byte 29) as dBASE readers know it.
inline constexpr std::uint8_t kCodePageNone = 0x00;
inline constexpr std::uint8_t kCodePageOem866 = 0x65;
inline constexpr std::uint8_t kCodePageWin1251 = 0xC9;

// File header (32 bytes at offset 0):
//   offset width meaning
//   0      1     version byte; 3 on creation; ignored on reading
//   1      1     year of creation - 1900
//   2      1     month of creation (1..12)
//   3      1     day of creation (1..31)
//   4      4     record count (unsigned)
//   8      2     header length = offset of the first record
//   10     2     record length as created (1 + sum of column lengths)
//   12     2     zero
//   14     1     structure version of the table (Vers when created)
//   15     14    zero
//   29     1     code-page byte
//   30     2     zero
inline constexpr std::size_t kVersionOffset = 0;
inline constexpr std::size_t kYearOffset = 1;
inline constexpr std::size_t kMonthOffset = 2;
inline constexpr std::size_t kDayOffset = 3;
inline constexpr std::size_t kRecordCountOffset = 4;
inline constexpr std::size_t kHeaderLengthOffset = 8;
inline constexpr std::size_t kRecordLengthOffset = 10;
inline constexpr std::size_t kStructureVersionOffset = 14;
inline constexpr std::size_t kCodePageOffset = 29;

// Field descriptor (32 bytes each, from offset 32, in column order):
//   offset width meaning
//   0      11    name, at most 10 characters, NUL-filled, in the table's
//                code page
//   11     1     type letter (ASCII)
//   12     4     offset of the column in the record; the first is 1
//   16     1     column length (1..255)
//   17     1     decimal places (N and F only)
//   18     14    zero
inline constexpr std::size_t kNameOffset = 0;
inline constexpr std::size_t kNameWidth = 11;
inline constexpr std::size_t kTypeOffset = 11;
inline constexpr std::size_t kColumnOffsetOffset = 12;
inline constexpr std::size_t kLengthOffset = 16;
inline constexpr std::size_t kDecimalsOffset = 17;

// Type letters.
inline constexpr char kTypeChar = 'C';
inline constexpr char kTypeNumeric = 'N';
inline constexpr char kTypeFloat = 'F';
inline constexpr char kTypeDouble = 'B';
inline constexpr char kTypeDate = 'D';
inline constexpr char kTypeInteger = 'I';
inline constexpr char kTypeLogical = 'L';
inline constexpr char kTypeTimeStamp = 'T';
inline constexpr char kTypeCurrency = 'Y';

// Eight of these bytes in a D column (older files write day number 0,
// 30.12.1899, so) read as null, as a blank does.
inline constexpr char kZeroDateByte = 0x14;
// T columns store Julian day numbers: Julian day = day count + this, where
// day count 1 is 01.01.0001. A stored day above kJulianThreshold is a
// Julian day; a smaller one is taken as a day count.
inline constexpr std::uint32_t kJulianDayDelta = 1721425;
inline constexpr std::uint32_t kJulianThreshold = 2415020;

// ---- Little-endian numbers in byte buffers ----------------------------

void EncodeFixed16(char* dst, std::uint16_t value);
void EncodeFixed32(char* dst, std::uint32_t value);
void EncodeFixed64(char* dst, std::uint64_t value);
std::uint16_t DecodeFixed16(const char* src);
std::uint32_t DecodeFixed32(const char* src);
std::uint64_t DecodeFixed64(const char* src);

// ---- Header and descriptors -------------------------------------------

struct THeader {
  std::uint8_t Version = kVersionDBase3;
  std::uint8_t Year = 0;  // year of creation - 1900
  std::uint8_t Month = 0;
  std::uint8_t Day = 0;
  std::uint32_t RecordCount = 0;
  std::uint16_t HeaderLength = 0;
  std::uint16_t RecordLength = 0;
  std::uint8_t StructureVersion = 0;
  std::uint8_t CodePage = kCodePageNone;

  // Appends the 32 header bytes to `dst`; every byte not named above is 0.
  void EncodeTo(std::string* dst) const;
  // REQUIRES: src.size() >= kHeaderSize.
  static THeader DecodeFrom(std::string_view src);
};

struct TFieldDescriptor {
  std::string Name;  // bytes of the file's name, at most 10, no NUL
  char Type = kTypeChar;
  std::uint32_t Offset = 0;  // in the record; the deletion flag is at 0
  std::uint8_t Length = 0;
  std::uint8_t Decimals = 0;

  // Appends the 32 descriptor bytes to `dst`; the name is cut to 10 bytes.
  void EncodeTo(std::string* dst) const;
  // REQUIRES: src.size() >= kDescriptorSize. The name runs to its first NUL.
  static TFieldDescriptor DecodeFrom(std::string_view src);
};

// The structure of an opened file.
struct TLayout {
  THeader Header;
  // The columns, with Offset as the record layout puts them (1 + the
  // lengths before); a file that stores 0 there (as dBASE III did) gets
  // the computed offset.
  std::vector<TFieldDescriptor> Fields;
  // 1 + the sum of the column lengths: the length used for record I/O.
  std::uint32_t RecordLength = 1;
  // Where the header tail starts; 0 when the file has none.
  std::uint32_t TailPosition = 0;

  std::int64_t RecordPosition(std::uint32_t recordNumber) const {
    return std::int64_t{Header.HeaderLength} + std::int64_t{recordNumber} * RecordLength;
  }
};

// The header part of a new file: `header` (with HeaderLength and
// RecordLength filled in), the descriptors (offsets assigned from 1),
// the terminator and `tail`. Throws ERangeError when the header part
// would exceed 65535 bytes or a column length is outside 1..255.
// REQUIRES: fields is not empty.
std::string EncodeLayout(THeader header, std::vector<TFieldDescriptor> fields,
                         std::string_view tail);

// Decodes and checks the header part of a file of `fileSize` bytes whose
// first bytes are `head` (at least min(fileSize, header length) of them).
// Descriptors are read until a short one, one starting with 0x00 or 0x0D,
// or (header length - 32) div 32 of them. Throws EDBFError
// "Таблица <fileName> повреждена: <what>." for a short header, a header length
// past the end of the file, no columns, a column of length 0, a column of a
// fixed-width letter (D 8, I 4, B, T and Y 8) with another length,
// descriptor offsets that do not add up, a header record length that does
// not match the columns, or a record count larger than the file holds.
TLayout DecodeLayout(std::string_view head, std::int64_t fileSize, std::string_view fileName);
// Reads the header part from the start of `stream` and decodes it as
// DecodeLayout does. Leaves the position at the first record. Throws as
// DecodeLayout, and the stream's errors.
TLayout ReadLayout(TStream& stream, std::string_view fileName);
// Throws EDBFError "Таблица <fileName> повреждена: <what>.".
[[noreturn]] void RaiseDamaged(std::string_view fileName, std::string_view what);

// ---- Type maps --------------------------------------------------------

// What a column holds, on both sides of the type maps. The table turns
// these into its field types.
enum class TValueKind {
  Unknown,
  String,
  SmallInt,
  Integer,
  Word,
  LargeInt,
  Float,
  Currency,
  Boolean,
  Date,
  DateTime,
};

// The column a field of `kind` gets on creation:
//   String C(size, 1 when 0); Boolean L1; Date, DateTime D8; Word N5;
//   SmallInt N6; Integer N10; LargeInt N20; Float N20.5; Currency N20.2.
// A size of 1 or more is the length for every kind; for N columns an
// `origin` holding a point ("7.0") gives length and decimals.
struct TColumnSpec {
  char Type = kTypeChar;
  int Length = 0;
  int Decimals = 0;
};
// The width a field's origin text carries for its N column: "7.0" is
// length 7 with no decimals, "5.3" length 5 with 3 (read from up to ten
// characters after the point). None when the text has no point. Throws
// EConvertError when either part is not a number; the limits are the
// caller's.
struct TOriginWidth {
  int Length = 0;
  int Decimals = 0;
};
std::optional<TOriginWidth> ParseOriginWidth(std::string_view origin);

// Throws ERangeError naming the field when the size, the origin's numbers
// or the result fall outside the column's limits (length 1..255, decimals
// 0..255, D exactly 8), EConvertError when the origin's parts are not
// numbers.
// REQUIRES: kind != TValueKind::Unknown.
TColumnSpec ColumnForKind(TValueKind kind, int size, std::string_view origin,
                          std::string_view fieldName);

// The kind a column opens as: C string; N/F with decimals float, without:
// length < 5 smallint, 5..9 integer, 10..20 largeint, above 20 string;
// B float; D date; I integer; L boolean; T date-time (date when
// `dateTimeAsDate`); Y currency; any other letter Unknown.
TValueKind KindForColumn(const TFieldDescriptor& column, bool dateTimeAsDate);

// Field names are in the table's code page, as its text is: OEM 866, or
// Windows-1251 for an ANSI table. A new name is cut to 10 bytes.
std::string EncodeFieldName(std::string_view utf8Name, bool ansiTable);
std::string DecodeFieldName(std::string_view stored, bool ansiTable);

// ---- Column values ----------------------------------------------------
//
// `column` is the column's bytes inside a record buffer. The letter each
// rule belongs to is in its name.

namespace detail {

// The top bit of each byte of `word` above 0x20: its low seven bits plus
// 0x5F, or the byte itself, reach the top bit (no carry crosses bytes).
inline std::uint64_t AboveBlank(std::uint64_t word) {
  return (((word & 0x7F7F7F7F7F7F7F7FULL) + 0x5F5F5F5F5F5F5F5FULL) | word) & 0x8080808080808080ULL;
}

// The count of the first bytes of a little-endian word up to its last one
// marked in `mask` (AboveBlank).
inline std::size_t UpToLastMarked(std::uint64_t mask) {
  return static_cast<std::size_t>(8 - std::countl_zero(mask) / 8);
}

}  // namespace detail

// C: the bytes without trailing blanks and control bytes; never null.
// Always inline: every text read comes here.
[[gnu::always_inline]] inline std::string_view DecodeChar(std::string_view column) {
  // Columns are mostly padding: blanks are skipped eight bytes at a time,
  // and the last byte kept is found in its word without a loop.
  std::size_t n = column.size();
  const char* p = column.data();
  if constexpr (std::endian::native == std::endian::little) {
    if (n >= 8) {
      for (; n >= 8; n -= 8) {
        std::uint64_t word;
        std::memcpy(&word, p + n - 8, 8);
        if (const std::uint64_t mask = detail::AboveBlank(word))
          return std::string_view(p, n - 8 + detail::UpToLastMarked(mask));
      }
      if (n == 0) return std::string_view(p, 0);
      // The rest from the column's first word, its bytes beyond the rest
      // left out.
      std::uint64_t word;
      std::memcpy(&word, p, 8);
      const std::uint64_t mask = detail::AboveBlank(word) & ((std::uint64_t{1} << (8 * n)) - 1);
      return std::string_view(p, mask != 0 ? detail::UpToLastMarked(mask) : 0);
    }
    if (n >= 4) {
      // Four to seven bytes as one word of two loads that overlap; the
      // bytes above the column are zero, which is never kept.
      std::uint32_t low, high;
      std::memcpy(&low, p, 4);
      std::memcpy(&high, p + n - 4, 4);
      const std::uint64_t mask =
          detail::AboveBlank(std::uint64_t{low} | std::uint64_t{high} << (8 * (n - 4)));
      return std::string_view(p, mask != 0 ? detail::UpToLastMarked(mask) : 0);
    }
  }
  while (n >= 8) {
    std::uint64_t word;
    std::memcpy(&word, p + n - 8, 8);
    if (detail::AboveBlank(word) != 0) break;
    n -= 8;
  }
  while (n > 0 && static_cast<unsigned char>(column[n - 1]) <= 0x20) --n;
  return std::string_view(p, n);
}
// C: blanks, then `bytes` left-justified, cut to the column.
void EncodeChar(std::span<char> column, std::string_view bytes);

// N, F: the text the number is read from: trimmed, without a leading '+'.
inline std::string_view NumericText(std::string_view column) {
  // Inline: every number read as text comes here. A blank column of four
  // to eight bytes, as an unfilled number is, is known by two loads.
  if (const std::size_t n = column.size(); n - 4 <= 4) {
    std::uint32_t low, high;
    std::memcpy(&low, column.data(), 4);
    std::memcpy(&high, column.data() + n - 4, 4);
    if (low == 0x20202020u && high == 0x20202020u) return std::string_view(column.data(), 0);
  }
  auto blank = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
  while (!column.empty() && blank(column.front())) column.remove_prefix(1);
  while (!column.empty() && blank(column.back())) column.remove_suffix(1);
  if (!column.empty() && column.front() == '+') column.remove_prefix(1);
  return column;
}
// N, F: the text trimmed and parsed with '.' as separator whatever the
// locale; empty or unparsable text gives 0.
double DecodeNumericFloat(std::string_view column);
// N, F: the value as Currency(DecodeNumericFloat(column)) gives it
// (rounded half to even to four places; raises EIntOverflow as it does),
// made from the digits themselves when they are plain.
Currency DecodeNumericCurrency(std::string_view column);
// N, F: as the integer it holds; 0 when empty, not a whole number or out
// of the 64-bit range.
std::int64_t DecodeNumericInteger(std::string_view column);
// N, F: `value` with `decimals` places, right-justified, rounded as the
// runtime's Format("%.*f") rounds (half away from zero on the value's 18
// significant digits), with '.' as separator. Every digit the value
// carries (as many as its shortest exact text has) that the column holds
// is stored, also where Format stops at 15 (-99999999999999.98 in
// N(20,2)); beyond 18 integer digits the exact fixed digits. Throws ERangeError naming
// `fieldName` and the value when the text is longer than the column, or
// the value is not finite.
void EncodeNumericFloat(std::span<char> column, int decimals, double value,
                        std::string_view fieldName);
void EncodeNumericInteger(std::span<char> column, std::int64_t value, std::string_view fieldName);
// Throws the same ERangeError when value is outside min..max.
void CheckIntegerRange(std::int64_t value, std::int64_t min, std::int64_t max,
                       std::string_view fieldName);

// N, F from a value's decimal text, written as the encoders above write
// the value the text parses to, without the number in between; false,
// writing nothing, for a text these do not take (the caller then parses
// it and encodes the value, which raises what is wrong). Integer: "digits"
// or "-digits" whose value lies in lo..hi and fits the column. Float:
// "[-][digits][.digits]" with some digit, at most `decimals` after the
// point and at most 15 significant in all, fitting the column.
bool EncodeIntegerText(std::span<char> column, std::string_view text, std::int64_t lo,
                       std::int64_t hi);
bool EncodeFloatText(std::span<char> column, int decimals, std::string_view text);

// I: 4-byte signed. Encoding throws ERangeError outside 32 bits.
// REQUIRES: column.size() == 4.
std::int32_t DecodeInt32(std::string_view column);
void EncodeInt32(std::span<char> column, std::int64_t value, std::string_view fieldName);
// B: 8-byte IEEE double. REQUIRES: column.size() == 8.
double DecodeDouble(std::string_view column);
void EncodeDouble(std::span<char> column, double value);
// Y: the value in ten-thousandths as an 8-byte signed integer.
// REQUIRES: column.size() == 8.
Currency DecodeCurrency(std::string_view column);
void EncodeCurrency(std::span<char> column, Currency value);
// L: T, Y, S are true; F, N false (upper case only); anything else null.
// Writing puts "T" or "F" in the first byte. REQUIRES: column not empty.
std::optional<bool> DecodeLogical(std::string_view column);
void EncodeLogical(std::span<char> column, bool value);
// D: "yyyymmdd". Day number 0 (30.12.1899) is written as blanks, an
// empty date. Reading strips blanks and control bytes (so kZeroDateByte
// too) at both ends; empty text, "00000000" and impossible dates read as
// null. Encoding throws
// EConvertError for a date outside years 1..9999.
// REQUIRES: column.size() == 8 for encoding.
std::optional<TDateTime> DecodeDateColumn(std::string_view column);
// D: the column as DecodeDateColumn reads it, without the day number: a
// date of eight digits as its year, month and day (kDate); eight blanks,
// or eight digits that make no date (kNull, `year`, `month` and `day`
// then undefined); any other bytes kOther, `year`, `month` and `day`
// untouched (DecodeDateColumn decides those).
enum class TDateDigits { kDate, kNull, kOther };
inline TDateDigits DecodeDateDigits(std::string_view column, int& year, int& month, int& day) {
  // Blanks or eight digits, as every date written is: no trimming, no
  // parsing. Inline: every date read as text comes here.
  if (column.size() != 8) return TDateDigits::kOther;
  std::uint64_t word;
  std::memcpy(&word, column.data(), 8);
  if (word == 0x2020202020202020ULL) return TDateDigits::kNull;
  const std::uint64_t digits = word - 0x3030303030303030ULL;
  // Every byte 0x30..0x39: no borrow, and each byte minus 0x30 below 10.
  if (((word & 0xF0F0F0F0F0F0F0F0ULL) != 0x3030303030303030ULL) ||
      (((digits + 0x7676767676767676ULL) & 0x8080808080808080ULL) != 0))
    return TDateDigits::kOther;
  int y, m, d;
  if constexpr (std::endian::native == std::endian::little) {
    // The digits paired in the word: each even byte becomes its digit
    // times ten plus the next one (no pair reaches the byte above).
    const std::uint64_t pairs = (digits * 10 + (digits >> 8)) & 0x00FF00FF00FF00FFULL;
    y = static_cast<int>(pairs & 0xFF) * 100 + static_cast<int>((pairs >> 16) & 0xFF);
    m = static_cast<int>((pairs >> 32) & 0xFF);
    d = static_cast<int>(pairs >> 48);
  } else {
    auto at = [&](int i) { return column[static_cast<std::size_t>(i)] - '0'; };
    y = ((at(0) * 10 + at(1)) * 10 + at(2)) * 10 + at(3);
    m = at(4) * 10 + at(5);
    d = at(6) * 10 + at(7);
  }
  // As TryEncodeDate checks ("00000000" too).
  if (y < 1 || m < 1 || m > 12 || d < 1) return TDateDigits::kNull;
  year = y;
  month = m;
  day = d;
  return d <= 28 || d <= DaysInValidMonth(y, m) ? TDateDigits::kDate : TDateDigits::kNull;
}
void EncodeDateColumn(std::span<char> column, TDateTime value);
// D: the date as EncodeDateColumn writes it, without the day number in
// between; false, writing nothing, for no valid date or day 0.
bool EncodeDateParts(std::span<char> column, int year, int month, int day);
// T: Julian day and milliseconds since midnight (stored minus 1 when
// above 0, read back plus 1). Two zero words read as null; so does a pair
// that is no valid date and time. With `asDate` the result is the day
// alone and the second word is written as 0.
// REQUIRES: column.size() == 8.
std::optional<TDateTime> DecodeTimeStampColumn(std::string_view column, bool asDate);
void EncodeTimeStampColumn(std::span<char> column, TDateTime value, bool asDate);

// Stores the empty value of the letter: blanks for C, N, F, D and L (which
// read back as "", 0, null and null), zero bytes for I, B, Y and T (0 and
// null). Unknown letters get blanks.
void ClearColumn(std::span<char> column, char type);

// Raises ERangeError with the framework's field range text (SFieldRangeError);
// `fieldName` is the name the user knows the field by.
[[noreturn]] void RaiseRangeError(std::string_view valueText, std::string_view fieldName,
                                  std::string_view minText, std::string_view maxText);

}  // namespace dbf
