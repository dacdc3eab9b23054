#include "storage/dbf_format.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/base/codepage.h"
#include "platform/base/format.h"
#include "platform/base/math_utils.h"
#include "platform/base/number_format.h"
#include "platform/base/text.h"
#include "platform/base/two_digits.h"
#include "platform/data/db_consts.h"

namespace dbf {

// ---- Little-endian numbers --------------------------------------------

void EncodeFixed16(char* dst, std::uint16_t value) {
  dst[0] = static_cast<char>(value & 0xFF);
  dst[1] = static_cast<char>(value >> 8);
}

void EncodeFixed32(char* dst, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) dst[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

void EncodeFixed64(char* dst, std::uint64_t value) {
  for (int i = 0; i < 8; ++i) dst[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::uint16_t DecodeFixed16(const char* src) {
  const auto* p = reinterpret_cast<const unsigned char*>(src);
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t DecodeFixed32(const char* src) {
  const auto* p = reinterpret_cast<const unsigned char*>(src);
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
         (std::uint32_t{p[3]} << 24);
}

std::uint64_t DecodeFixed64(const char* src) {
  return std::uint64_t{DecodeFixed32(src)} | (std::uint64_t{DecodeFixed32(src + 4)} << 32);
}

// ---- Header and descriptors -------------------------------------------

void THeader::EncodeTo(std::string* dst) const {
  char buf[kHeaderSize] = {};
  buf[kVersionOffset] = static_cast<char>(Version);
  buf[kYearOffset] = static_cast<char>(Year);
  buf[kMonthOffset] = static_cast<char>(Month);
  buf[kDayOffset] = static_cast<char>(Day);
  EncodeFixed32(buf + kRecordCountOffset, RecordCount);
  EncodeFixed16(buf + kHeaderLengthOffset, HeaderLength);
  EncodeFixed16(buf + kRecordLengthOffset, RecordLength);
  buf[kStructureVersionOffset] = static_cast<char>(StructureVersion);
  buf[kCodePageOffset] = static_cast<char>(CodePage);
  dst->append(buf, kHeaderSize);
}

THeader THeader::DecodeFrom(std::string_view src) {
  THeader h;
  h.Version = static_cast<std::uint8_t>(src[kVersionOffset]);
  h.Year = static_cast<std::uint8_t>(src[kYearOffset]);
  h.Month = static_cast<std::uint8_t>(src[kMonthOffset]);
  h.Day = static_cast<std::uint8_t>(src[kDayOffset]);
  h.RecordCount = DecodeFixed32(src.data() + kRecordCountOffset);
  h.HeaderLength = DecodeFixed16(src.data() + kHeaderLengthOffset);
  h.RecordLength = DecodeFixed16(src.data() + kRecordLengthOffset);
  h.StructureVersion = static_cast<std::uint8_t>(src[kStructureVersionOffset]);
  h.CodePage = static_cast<std::uint8_t>(src[kCodePageOffset]);
  return h;
}

void TFieldDescriptor::EncodeTo(std::string* dst) const {
  char buf[kDescriptorSize] = {};
  std::memcpy(buf + kNameOffset, Name.data(), std::min(Name.size(), kMaxNameLength));
  buf[kTypeOffset] = Type;
  EncodeFixed32(buf + kColumnOffsetOffset, Offset);
  buf[kLengthOffset] = static_cast<char>(Length);
  buf[kDecimalsOffset] = static_cast<char>(Decimals);
  dst->append(buf, kDescriptorSize);
}

TFieldDescriptor TFieldDescriptor::DecodeFrom(std::string_view src) {
  TFieldDescriptor d;
  std::string_view name = src.substr(kNameOffset, kNameWidth);
  d.Name = std::string(name.substr(0, name.find('\0')));
  d.Type = src[kTypeOffset];
  d.Offset = DecodeFixed32(src.data() + kColumnOffsetOffset);
  d.Length = static_cast<std::uint8_t>(src[kLengthOffset]);
  d.Decimals = static_cast<std::uint8_t>(src[kDecimalsOffset]);
  return d;
}

std::string EncodeLayout(THeader header, std::vector<TFieldDescriptor> fields,
                         std::string_view tail) {
  std::uint32_t offset = 1;
  for (TFieldDescriptor& f : fields) {
    if (f.Length == 0) throw ERangeError("Field '" + f.Name + "' has length 0");
    f.Offset = offset;
    offset += f.Length;
  }
  const std::size_t headerLength = kHeaderSize + kDescriptorSize * fields.size() + 1 + tail.size();
  if (headerLength > kMaxHeaderLength || offset > 0xFFFF)
    throw ERangeError("The table header would be " + std::to_string(headerLength) +
                      " bytes with records of " + std::to_string(offset) +
                      " bytes; at most 65535 each");
  header.HeaderLength = static_cast<std::uint16_t>(headerLength);
  header.RecordLength = static_cast<std::uint16_t>(offset);
  std::string out;
  out.reserve(headerLength);
  header.EncodeTo(&out);
  for (const TFieldDescriptor& f : fields) f.EncodeTo(&out);
  out.push_back(kTerminator);
  out.append(tail);
  return out;
}

void RaiseDamaged(std::string_view fileName, std::string_view what) {
  throw EDBFError("Таблица " + std::string(fileName) + " повреждена: " + std::string(what) + ".");
}

namespace {

// The width a letter's value needs, or 0 when any length will do.
std::size_t FixedWidth(char type) {
  switch (type) {
    case kTypeDate:
    case kTypeDouble:
    case kTypeTimeStamp:
    case kTypeCurrency:
      return 8;
    case kTypeInteger:
      return 4;
    default:
      return 0;
  }
}

std::string Printable(std::string_view name) {
  std::string out;
  for (char c : name) out.push_back(static_cast<unsigned char>(c) < 0x20 ? '?' : c);
  return Oem866ToUtf8(out);
}

}  // namespace

TLayout DecodeLayout(std::string_view head, std::int64_t fileSize, std::string_view fileName) {
  auto num = [](auto v) { return std::to_string(v); };
  if (fileSize < static_cast<std::int64_t>(kHeaderSize) || head.size() < kHeaderSize)
    RaiseDamaged(fileName, "файл короче своего заголовка в 32 байта");
  TLayout layout;
  layout.Header = THeader::DecodeFrom(head);
  const std::uint32_t headerLength = layout.Header.HeaderLength;
  if (headerLength > fileSize)
    RaiseDamaged(fileName, "заголовок длиной " + num(headerLength) +
                               " байт выходит за конец файла (" + num(fileSize) + " байт)");
  if (head.size() < headerLength) RaiseDamaged(fileName, "заголовок не прочитан целиком");

  const std::size_t maxFields =
      headerLength >= kHeaderSize ? (headerLength - kHeaderSize) / kDescriptorSize : 0;
  std::size_t pos = kHeaderSize;
  bool terminated = false;
  while (layout.Fields.size() < maxFields && pos + kDescriptorSize <= headerLength) {
    const char first = head[pos];
    if (first == kTerminator || first == '\0') {
      terminated = true;
      break;
    }
    layout.Fields.push_back(TFieldDescriptor::DecodeFrom(head.substr(pos, kDescriptorSize)));
    pos += kDescriptorSize;
  }
  if (!terminated && pos < headerLength && (head[pos] == kTerminator || head[pos] == '\0'))
    terminated = true;
  if (layout.Fields.empty()) RaiseDamaged(fileName, "в файле нет описаний полей");
  layout.TailPosition =
      terminated && pos + 1 < headerLength ? static_cast<std::uint32_t>(pos + 1) : 0;

  bool storedOffsets = false;
  for (const TFieldDescriptor& f : layout.Fields) storedOffsets |= f.Offset != 0;
  std::uint32_t offset = 1;
  for (TFieldDescriptor& f : layout.Fields) {
    const std::string name = Printable(f.Name);
    if (f.Length == 0) RaiseDamaged(fileName, "поле " + name + " имеет длину 0");
    if (const std::size_t width = FixedWidth(f.Type); width != 0 && f.Length != width)
      RaiseDamaged(fileName, "поле " + name + " типа " + std::string(1, f.Type) + " имеет длину " +
                                 num(f.Length) + " вместо " + num(width));
    if (storedOffsets && f.Offset != offset)
      RaiseDamaged(fileName, "поле " + name + " начинается со смещения " + num(f.Offset) +
                                 ", а предыдущие поля заканчиваются на " + num(offset));
    f.Offset = offset;
    offset += f.Length;
  }
  layout.RecordLength = offset;
  if (layout.Header.RecordLength != offset)
    RaiseDamaged(fileName, "в заголовке длина записи " + num(layout.Header.RecordLength) +
                               " байт, а поля дают " + num(offset));
  const std::int64_t room = (fileSize - headerLength) / offset;
  if (layout.Header.RecordCount > room)
    RaiseDamaged(fileName, "в заголовке " + num(layout.Header.RecordCount) +
                               " записей, а в файле помещается " + num(room));
  return layout;
}

TLayout ReadLayout(TStream& stream, std::string_view fileName) {
  const std::int64_t size = stream.Size();
  std::string head(static_cast<std::size_t>(std::min<std::int64_t>(size, kHeaderSize)), '\0');
  stream.SetPosition(0);
  stream.ReadBuffer(head.data(), static_cast<std::int64_t>(head.size()));
  if (head.size() == kHeaderSize) {
    const std::uint16_t headerLength = DecodeFixed16(head.data() + kHeaderLengthOffset);
    if (headerLength > kHeaderSize && headerLength <= size) {
      head.resize(headerLength);
      stream.ReadBuffer(head.data() + kHeaderSize, headerLength - std::int64_t{kHeaderSize});
    }
  }
  // The size is taken again after the header was read: another user's
  // append writes its record before it counts it in the header, so a size
  // read after the count always holds every record counted.
  TLayout layout = DecodeLayout(head, std::max(size, stream.Size()), fileName);
  stream.SetPosition(layout.Header.HeaderLength);
  return layout;
}

// ---- Type maps --------------------------------------------------------

namespace {

// The column a new field asks for is not one the format can hold.
[[noreturn]] void RaiseFieldRangeError(std::string_view fieldName, std::string_view what) {
  throw ERangeError("Field '" + std::string(fieldName) + "': " + std::string(what));
}

}  // namespace

std::optional<TOriginWidth> ParseOriginWidth(std::string_view origin) {
  const std::size_t point = origin.find('.');
  if (point == std::string_view::npos) return std::nullopt;
  return TOriginWidth{StrToInt(origin.substr(0, point)), StrToInt(origin.substr(point + 1, 10))};
}

TColumnSpec ColumnForKind(TValueKind kind, int size, std::string_view origin,
                          std::string_view fieldName) {
  TColumnSpec spec;
  switch (kind) {
    case TValueKind::String:
      spec = {kTypeChar, 1, 0};
      break;
    case TValueKind::Boolean:
      spec = {kTypeLogical, 1, 0};
      break;
    case TValueKind::Date:
    case TValueKind::DateTime:
      spec = {kTypeDate, 8, 0};
      break;
    case TValueKind::Word:
      spec = {kTypeNumeric, 5, 0};
      break;
    case TValueKind::SmallInt:
      spec = {kTypeNumeric, 6, 0};
      break;
    case TValueKind::Integer:
      spec = {kTypeNumeric, 10, 0};
      break;
    case TValueKind::LargeInt:
      spec = {kTypeNumeric, 20, 0};
      break;
    case TValueKind::Float:
      spec = {kTypeNumeric, 20, 5};
      break;
    case TValueKind::Currency:
      spec = {kTypeNumeric, 20, 2};
      break;
    case TValueKind::Unknown:
      RaiseFieldRangeError(fieldName, "no column type");
  }
  if (size > kMaxColumnLength)
    RaiseFieldRangeError(fieldName, "size " + std::to_string(size) + " is above 255");
  if (size >= 1) spec.Length = size;
  if (spec.Type == kTypeNumeric) {
    if (const std::optional<TOriginWidth> width = ParseOriginWidth(origin)) {
      const auto [length, decimals] = *width;
      if (length < 1 || length > kMaxColumnLength)
        RaiseFieldRangeError(fieldName, "length " + std::to_string(length) + " is outside 1..255");
      if (decimals < 0 || decimals > kMaxColumnLength)
        RaiseFieldRangeError(fieldName,
                             "decimals " + std::to_string(decimals) + " are outside 0..255");
      spec.Length = length;
      spec.Decimals = decimals;
    }
  }
  if (spec.Type == kTypeDate && spec.Length != 8)
    RaiseFieldRangeError(fieldName, "a date column is 8 bytes, not " + std::to_string(spec.Length));
  return spec;
}

TValueKind KindForColumn(const TFieldDescriptor& column, bool dateTimeAsDate) {
  switch (column.Type) {
    case kTypeChar:
      return TValueKind::String;
    case kTypeNumeric:
    case kTypeFloat:
      if (column.Decimals > 0) return TValueKind::Float;
      if (column.Length < 5) return TValueKind::SmallInt;
      if (column.Length < 10) return TValueKind::Integer;
      if (column.Length <= 20) return TValueKind::LargeInt;
      return TValueKind::String;
    case kTypeDouble:
      return TValueKind::Float;
    case kTypeDate:
      return TValueKind::Date;
    case kTypeInteger:
      return TValueKind::Integer;
    case kTypeLogical:
      return TValueKind::Boolean;
    case kTypeTimeStamp:
      return dateTimeAsDate ? TValueKind::Date : TValueKind::DateTime;
    case kTypeCurrency:
      return TValueKind::Currency;
    default:
      return TValueKind::Unknown;
  }
}

std::string EncodeFieldName(std::string_view utf8Name, bool ansiTable) {
  std::string bytes = FromUtf8(utf8Name, ansiTable ? TCodePage::Win1251 : TCodePage::Oem866);
  if (bytes.size() > kMaxNameLength) bytes.resize(kMaxNameLength);
  return bytes;
}

std::string DecodeFieldName(std::string_view stored, bool ansiTable) {
  return ToUtf8(stored.substr(0, stored.find('\0')),
                ansiTable ? TCodePage::Win1251 : TCodePage::Oem866);
}

// ---- Column values ----------------------------------------------------

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 0x20; }

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Copies `text` right-justified into the column, blanks before it.
void PutRight(std::span<char> column, std::string_view text) {
  const std::size_t pad = column.size() - text.size();
  std::fill(column.begin(), column.begin() + static_cast<std::ptrdiff_t>(pad), ' ');
  std::memcpy(column.data() + pad, text.data(), text.size());
}

std::string Nines(int count) {
  return count > 0 ? std::string(static_cast<std::size_t>(count), '9') : "0";
}

// The largest and smallest texts a column of `length` with `decimals`
// places can hold.
std::pair<std::string, std::string> NumericBounds(int length, int decimals) {
  const int intDigits = length - (decimals > 0 ? decimals + 1 : 0);
  const std::string fraction =
      decimals > 0 ? std::string(1, FormatSettings.DecimalSeparator) + Nines(decimals) : "";
  if (intDigits < 1) return {"0", "0"};
  const std::string max = Nines(intDigits) + fraction;
  const std::string min = intDigits >= 2 ? "-" + Nines(intDigits - 1) + fraction : "0";
  return {min, max};
}

}  // namespace

void RaiseRangeError(std::string_view valueText, std::string_view fieldName,
                     std::string_view minText, std::string_view maxText) {
  throw ERangeError(Format(SFieldRangeError, std::string(valueText), std::string(fieldName),
                           std::string(minText), std::string(maxText)));
}

void EncodeChar(std::span<char> column, std::string_view bytes) {
  std::fill(column.begin(), column.end(), ' ');
  std::memcpy(column.data(), bytes.data(), std::min(bytes.size(), column.size()));
}

double DecodeNumericFloat(std::string_view column) {
  const std::string_view text = NumericText(column);
  double value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return 0;
  return value;
}

namespace {

Currency DecodeNumericCurrencyInFull(std::string_view column);

}  // namespace

Currency DecodeNumericCurrency(std::string_view column) {
  // The usual column, "[blanks][sign]digits[.digits][blanks]" with at most
  // 14 integer and 15 digits in all, in one pass straight into the scaled
  // value; anything else is decoded in full.
  static constexpr std::int64_t kPowers[] = {1,         10,         100,         1000,
                                             10000,     100000,     1000000,     10000000,
                                             100000000, 1000000000, 10000000000, 100000000000};
  const char* p = column.data();
  const char* const end = p + column.size();
  while (p != end && IsBlank(*p)) ++p;
  const bool negative = p != end && *p == '-';
  if (p != end && (*p == '-' || *p == '+')) ++p;
  // One pass over the digits and one '.', the digits gathered as one
  // integer (wrapping harmlessly when there are too many: that text is
  // decoded in full).
  const char* const start = p;
  const char* dot = nullptr;
  std::uint64_t digits = 0;
  for (; p != end; ++p) {
    const unsigned digit = static_cast<unsigned char>(*p) - 48u;
    if (digit < 10u) {
      digits = digits * 10 + digit;
    } else if (*p == '.' && dot == nullptr) {
      dot = p;
    } else {
      break;
    }
  }
  const std::ptrdiff_t integerLength = (dot != nullptr ? dot : p) - start;
  const std::ptrdiff_t places = dot != nullptr ? p - dot - 1 : 0;
  while (p != end && IsBlank(*p)) ++p;
  if (p != end || integerLength > 14 || integerLength + places > 15 || integerLength + places == 0)
    return DecodeNumericCurrencyInFull(column);
  std::int64_t scaled;
  if (places <= 4) {
    scaled = static_cast<std::int64_t>(digits) * kPowers[4 - places];
  } else {
    // Half to even on the dropped digits.
    const std::int64_t unit = kPowers[places - 4];
    scaled = static_cast<std::int64_t>(digits) / unit;
    const std::int64_t rest = static_cast<std::int64_t>(digits) % unit;
    if (rest * 2 > unit || (rest * 2 == unit && scaled % 2 != 0)) ++scaled;
  }
  return Currency::FromScaled(negative ? -scaled : scaled);
}

namespace {

Currency DecodeNumericCurrencyInFull(std::string_view column) {
  // Up to 15 significant digits the double holds exactly the digits
  // written (its shortest text is theirs), so rounding them here rounds
  // as Currency(double) does; longer or other text goes that way.
  const std::string_view text = TrimBlanks(column);
  const char* p = text.data();
  const char* const end = p + text.size();
  const bool negative = p != end && *p == '-';
  if (p != end && (*p == '-' || *p == '+')) ++p;
  const char* const integerStart = p;
  while (p != end && *p == '0') ++p;
  const char* const significantStart = p;
  std::int64_t scaled = 0;
  for (; p != end && *p >= '0' && *p <= '9' && p - significantStart < 15; ++p)
    scaled = scaled * 10 + (*p - '0');
  const char* const integerEnd = p;
  const char* fraction = p;
  const char* fractionEnd = p;
  if (p != end && *p == '.') {
    fraction = ++p;
    while (p != end && *p >= '0' && *p <= '9') ++p;
    fractionEnd = p;
  }
  const std::ptrdiff_t integerDigits = integerEnd - significantStart;
  while (fractionEnd != fraction && fractionEnd[-1] == '0') --fractionEnd;
  std::ptrdiff_t fractionDigits = fractionEnd - fraction;
  if (integerDigits == 0) {
    const char* first = fraction;
    while (first != fractionEnd && *first == '0') ++first;
    fractionDigits = fractionEnd - first;
  }
  if (p != end || integerDigits > 14 || integerDigits + fractionDigits > 15 ||
      (integerEnd == integerStart && fractionEnd == fraction && p - fraction == 0))
    return Currency(DecodeNumericFloat(column));
  const std::ptrdiff_t places = fractionEnd - fraction;
  for (std::ptrdiff_t k = 0; k < 4; ++k)
    scaled = scaled * 10 + (k < places ? fraction[k] - '0' : 0);
  if (places > 4) {
    // Half to even on the dropped digits (no trailing zeros among them).
    const int next = fraction[4] - '0';
    if (next > 5 || (next == 5 && (places > 5 || scaled % 2 != 0))) ++scaled;
  }
  return Currency::FromScaled(negative ? -scaled : scaled);
}

}  // namespace

std::int64_t DecodeNumericInteger(std::string_view column) {
  // Blanks, then at most 18 digits, as every whole number is written:
  // read at once.
  std::size_t i = 0;
  while (i < column.size() && column[i] == ' ') ++i;
  if (column.size() - i <= 18) {
    std::int64_t value = 0;
    std::size_t j = i;
    for (; j < column.size(); ++j) {
      const auto digit = static_cast<unsigned>(column[j] - '0');
      if (digit > 9) break;
      value = value * 10 + digit;
    }
    if (j == column.size() && j > i) return value;
  }
  std::string_view text = TrimBlanks(column);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  std::int64_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return 0;
  return value;
}

namespace {

// The significant digits of `magnitude` in scientific text `text` ..
// `end` ("d.ddde+XX"), and its decimal exponent.
std::string SignificantDigits(const char* text, const char* end, int& exponent) {
  const char* e = std::find(text, end, 'e');
  std::string digits(1, text[0]);
  if (e - text > 2) digits.append(text + 2, e);
  std::from_chars(e + (e[1] == '+' ? 2 : 1), end, exponent);
  return digits;
}

// `value` with `decimals` places, '.' as separator. A value whose shortest
// exact text has at most 15 significant digits is rounded as the runtime's
// formatter rounds: half away from zero on its 18 significant digits
// (correctly rounded), so 0.125 gives 0.13 and 2.675 (2.67499999999999982)
// gives 2.67, and no digit past those 15 is stored. The formatter stops
// there; a value that carries more digits is rounded once, half away from
// zero, from its exact binary value, so 991372012590115.25 (the double of
// 991372012590115.29) is stored as it is when the column has two places.
// Past 18 integer digits the exact fixed digits. REQUIRES: finite.
std::string FixedText(double value, int decimals) {
  constexpr int kRecordDigits = 18;
  constexpr int kFormatDigits = 15;
  constexpr int kMantissaBits = 53;
  constexpr int kMostExactDigits = 767;  // of any double
  char buf[800];  // any finite double with 255 decimals, or all its exact digits
  const double magnitude = std::fabs(value);
  // How many significant digits the value carries.
  auto [shortEnd, shortEc] =
      std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific);
  const int carried = static_cast<int>(
      std::count_if(buf, std::find(buf, shortEnd, 'e'), [](char c) { return c != '.'; }));
  // Its 18 significant digits, "d.dddddddddddddddddde+XX".
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific,
                                 kRecordDigits - 1);
  int exponent = 0;
  std::string digits = SignificantDigits(buf, end, exponent);
  if (exponent >= kRecordDigits) {
    const auto fixed =
        std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    return std::string(buf, fixed.ec == std::errc() ? fixed.ptr : buf);
  }
  // The digits of value * 10^decimals rounded to an integer: `kept` of
  // them, of which the first `limit` come from the value.
  int kept = exponent + decimals + 1;
  int limit = std::min(kept, kFormatDigits);
  if (carried > kFormatDigits && kept >= 0) {
    // The exact value has no more significant digits than its integer
    // digits and its binary places (2^-n has n decimal places).
    int binaryExponent = 0;
    std::frexp(magnitude, &binaryExponent);
    const int exact =
        std::clamp(exponent + 1 + std::max(0, kMantissaBits - binaryExponent), 1, kMostExactDigits);
    const auto all =
        std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific, exact - 1);
    digits = SignificantDigits(buf, all.ptr, exponent);
    kept = exponent + decimals + 1;
    limit = kept;
    if (static_cast<int>(digits.size()) <= kept)
      digits.append(static_cast<std::size_t>(kept) + 1 - digits.size(), '0');
  }
  std::string scaled;
  if (value != 0 && kept >= 0) {
    scaled = digits.substr(0, static_cast<std::size_t>(limit));
    if (digits[static_cast<std::size_t>(limit)] >= '5') {
      std::size_t i = scaled.size();
      while (i > 0 && scaled[i - 1] == '9') scaled[--i] = '0';
      if (i == 0) {
        scaled.insert(scaled.begin(), '1');
      } else {
        ++scaled[i - 1];
      }
    }
    scaled.append(static_cast<std::size_t>(kept - limit), '0');
  }
  const bool zero = scaled.find_first_not_of('0') == std::string::npos;
  const std::size_t width = static_cast<std::size_t>(decimals) + 1;
  if (scaled.size() < width) scaled.insert(0, width - scaled.size(), '0');
  if (decimals > 0) scaled.insert(scaled.size() - static_cast<std::size_t>(decimals), 1, '.');
  // A negative value that rounds to zero is stored without its sign.
  return value < 0 && !zero ? "-" + scaled : scaled;
}

}  // namespace

void EncodeNumericFloat(std::span<char> column, int decimals, double value,
                        std::string_view fieldName) {
  std::string text;
  if (std::isfinite(value)) text = FixedText(value, decimals);
  if (text.empty() || text.size() > column.size()) {
    const auto [min, max] = NumericBounds(static_cast<int>(column.size()), decimals);
    RaiseRangeError(FloatToStr(value), fieldName, min, max);
  }
  PutRight(column, text);
}

void EncodeNumericInteger(std::span<char> column, std::int64_t value, std::string_view fieldName) {
  char buf[24];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
  const std::string_view text(buf, static_cast<std::size_t>(end - buf));
  if (ec != std::errc() || text.size() > column.size()) {
    const auto [min, max] = NumericBounds(static_cast<int>(column.size()), 0);
    RaiseRangeError(std::to_string(value), fieldName, min, max);
  }
  PutRight(column, text);
}

bool EncodeIntegerText(std::span<char> column, std::string_view text, std::int64_t lo,
                       std::int64_t hi) {
  const char* digits = text.data();
  std::size_t count = text.size();
  const bool negative = count > 0 && *digits == '-';
  if (negative) {
    ++digits;
    --count;
  }
  // Beyond 18 digits the value may not fit 64 bits: the general way decides.
  if (count == 0 || count > 18) return false;
  std::int64_t magnitude = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const unsigned digit = static_cast<unsigned char>(digits[i]) - static_cast<unsigned>('0');
    if (digit > 9) return false;
    magnitude = magnitude * 10 + digit;
  }
  const std::int64_t value = negative ? -magnitude : magnitude;
  if (value < lo || value > hi) return false;
  // The value's own digits: no leading zeros, no sign for zero.
  while (count > 1 && *digits == '0') {
    ++digits;
    --count;
  }
  const std::size_t length = count + (value < 0 ? 1 : 0);
  if (length > column.size()) return false;
  // Columns and values are short: byte by byte from the right, the digits
  // behind the sign and blanks.
  char* const out = column.data();
  std::size_t at = column.size();
  for (const char* d = digits + count; d != digits;) out[--at] = *--d;
  if (value < 0) out[--at] = '-';
  while (at != 0) out[--at] = ' ';
  return true;
}

bool EncodeFloatText(std::span<char> column, int decimals, std::string_view text) {
  constexpr std::size_t kExactDigits = 15;  // carried by a double, and kept by FixedText
  if (decimals < 0) return false;
  const bool negative = !text.empty() && text.front() == '-';
  if (negative) text.remove_prefix(1);
  const std::size_t point = std::min(text.find('.'), text.size());
  std::string_view integer = text.substr(0, point);
  const std::string_view fraction = text.substr(std::min(point + 1, text.size()));
  if (integer.empty() && fraction.empty()) return false;
  if (fraction.size() > static_cast<std::size_t>(decimals)) return false;
  const auto allDigits = [](std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  if (!allDigits(integer) || !allDigits(fraction)) return false;
  while (!integer.empty() && integer.front() == '0') integer.remove_prefix(1);
  // Significant digits: from the first non-zero one.
  std::size_t significant = integer.size() + fraction.size();
  if (integer.empty()) {
    const std::size_t first = fraction.find_first_not_of('0');
    significant = first == std::string_view::npos ? 0 : fraction.size() - first;
  }
  if (significant > kExactDigits) return false;
  // A negative zero is stored without its sign.
  const bool minus = negative && significant > 0;
  const std::size_t integerDigits = std::max<std::size_t>(integer.size(), 1);
  const std::size_t length =
      (minus ? 1 : 0) + integerDigits + (decimals > 0 ? 1 + static_cast<std::size_t>(decimals) : 0);
  if (length > column.size()) return false;
  char* out = column.data() + (column.size() - length);
  std::fill(column.data(), out, ' ');
  if (minus) *out++ = '-';
  if (integer.empty()) {
    *out++ = '0';
  } else {
    out = std::copy(integer.begin(), integer.end(), out);
  }
  if (decimals > 0) {
    *out++ = '.';
    out = std::copy(fraction.begin(), fraction.end(), out);
    std::fill(out, column.data() + column.size(), '0');
  }
  return true;
}

void CheckIntegerRange(std::int64_t value, std::int64_t min, std::int64_t max,
                       std::string_view fieldName) {
  if (value < min || value > max)
    RaiseRangeError(std::to_string(value), fieldName, std::to_string(min), std::to_string(max));
}

std::int32_t DecodeInt32(std::string_view column) {
  return static_cast<std::int32_t>(DecodeFixed32(column.data()));
}

void EncodeInt32(std::span<char> column, std::int64_t value, std::string_view fieldName) {
  CheckIntegerRange(value, std::numeric_limits<std::int32_t>::min(),
                    std::numeric_limits<std::int32_t>::max(), fieldName);
  EncodeFixed32(column.data(), static_cast<std::uint32_t>(value));
}

double DecodeDouble(std::string_view column) {
  const std::uint64_t bits = DecodeFixed64(column.data());
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

void EncodeDouble(std::span<char> column, double value) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  EncodeFixed64(column.data(), bits);
}

Currency DecodeCurrency(std::string_view column) {
  return Currency::FromScaled(static_cast<std::int64_t>(DecodeFixed64(column.data())));
}

void EncodeCurrency(std::span<char> column, Currency value) {
  EncodeFixed64(column.data(), static_cast<std::uint64_t>(value.Scaled()));
}

std::optional<bool> DecodeLogical(std::string_view column) {
  switch (column.front()) {
    case 'T':
    case 'Y':
    case 'S':
      return true;
    case 'F':
    case 'N':
      return false;
    default:
      return std::nullopt;
  }
}

void EncodeLogical(std::span<char> column, bool value) { column[0] = value ? 'T' : 'F'; }

std::optional<TDateTime> DecodeDateColumn(std::string_view column) {
  int year, month, day;
  switch (DecodeDateDigits(column, year, month, day)) {
    case TDateDigits::kDate:
      return EncodeDate(year, month, day);
    case TDateDigits::kNull:
      return std::nullopt;
    case TDateDigits::kOther:
      break;
  }
  const std::string_view text = TrimBlanks(column);
  if (text.empty() || text == "00000000") return std::nullopt;
  auto part = [&](std::size_t pos, std::size_t count) {
    if (pos >= text.size()) return 0;
    const std::string_view digits = text.substr(pos, count);
    int value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return ec == std::errc() && end == digits.data() + digits.size() ? value : 0;
  };
  TDateTime result;
  if (!TryEncodeDate(part(0, 4), part(4, 2), part(6, 2), result)) return std::nullopt;
  return result;
}

void EncodeDateColumn(std::span<char> column, TDateTime value) {
  // Day 0 is no date other readers accept; ours reads both ways as null.
  if (Trunc(value) == 0) {
    std::fill(column.begin(), column.end(), ' ');
    return;
  }
  int year, month, day;
  DecodeDate(value, year, month, day);
  char buf[9];
  buf[0] = static_cast<char>('0' + year / 1000);
  buf[1] = static_cast<char>('0' + year / 100 % 10);
  buf[2] = static_cast<char>('0' + year / 10 % 10);
  buf[3] = static_cast<char>('0' + year % 10);
  buf[4] = static_cast<char>('0' + month / 10);
  buf[5] = static_cast<char>('0' + month % 10);
  buf[6] = static_cast<char>('0' + day / 10);
  buf[7] = static_cast<char>('0' + day % 10);
  std::memcpy(column.data(), buf, 8);
}

bool EncodeDateParts(std::span<char> column, int year, int month, int day) {
  if (column.size() != 8 || year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInAMonth(year, month))
    return false;
  // Day 0 is written as blanks; EncodeDateColumn knows that.
  if (year == 1899 && month == 12 && day == 30) return false;
  // Two digits at a time.
  const auto pair = [](int value) { return kTwoDigits.data() + 2 * value; };
  char* out = column.data();
  std::memcpy(out, pair(year / 100), 2);
  std::memcpy(out + 2, pair(year % 100), 2);
  std::memcpy(out + 4, pair(month), 2);
  std::memcpy(out + 6, pair(day), 2);
  return true;
}

std::optional<TDateTime> DecodeTimeStampColumn(std::string_view column, bool asDate) {
  std::uint32_t day = DecodeFixed32(column.data());
  std::uint32_t msecs = DecodeFixed32(column.data() + 4);
  if (day == 0 && msecs == 0) return std::nullopt;
  if (day > kJulianThreshold) day -= kJulianDayDelta;
  if (msecs > 0) ++msecs;
  TTimeStamp ts;
  ts.Date = static_cast<int>(std::min<std::uint32_t>(day, 0x7FFFFFFF));
  ts.Time = asDate ? 0 : static_cast<int>(std::min<std::uint32_t>(msecs, 0x7FFFFFFF));
  // Neither a valid day nor a time of day: nothing a field can show.
  if (ts.Date < 1 || ts.Date > 3652059 || ts.Time >= MSecsPerDay) return std::nullopt;
  return TimeStampToDateTime(ts);
}

void EncodeTimeStampColumn(std::span<char> column, TDateTime value, bool asDate) {
  const TTimeStamp ts = DateTimeToTimeStamp(value);
  const std::uint32_t day = ts.Date > 0 ? static_cast<std::uint32_t>(ts.Date) + kJulianDayDelta : 0;
  const std::uint32_t msecs = !asDate && ts.Time > 0 ? static_cast<std::uint32_t>(ts.Time) - 1 : 0;
  EncodeFixed32(column.data(), day);
  EncodeFixed32(column.data() + 4, msecs);
}

void ClearColumn(std::span<char> column, char type) {
  switch (type) {
    case kTypeInteger:
    case kTypeDouble:
    case kTypeCurrency:
    case kTypeTimeStamp:
      std::fill(column.begin(), column.end(), '\0');
      break;
    default:
      std::fill(column.begin(), column.end(), ' ');
      break;
  }
}

}  // namespace dbf
