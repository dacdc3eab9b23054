#include "register/core/xml_out.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "platform/base/codepage.h"
#include "platform/base/file_stream.h"
#include "platform/base/format_settings.h"
#include "platform/base/number_format.h"
#include "platform/base/text.h"
#include "platform/data/data_set.h"
#include "platform/data/fields.h"
#include "storage/dbf_format.h"
#include "storage/dbf_table.h"

namespace {

// What the writer hands the file at a time: the capacity the caller asks
// for is the least, and a block this size keeps a 60 MB export to a
// thousand writes instead of sixty thousand.
constexpr std::size_t kBlockBytes = 64 * 1024;

// The number of decimals of a plain pattern "0" or "0.0…0" (at most
// six), or -1 for any other.
int PlainDecimals(std::string_view format) {
  if (format == "0") return 0;
  if (format.size() < 3 || format.size() > 8 || format.substr(0, 2) != "0.") return -1;
  for (const char c : format.substr(2))
    if (c != '0') return -1;
  return static_cast<int>(format.size() - 2);
}

constexpr double kPowersOfTen[] = {1, 10, 100, 1000, 10000, 100000, 1000000};

void AppendTwoDigits(std::string& out, int value) {
  out += static_cast<char>('0' + value / 10);
  out += static_cast<char>('0' + value % 10);
}

constexpr auto kEscaped = [] {
  std::array<bool, 256> table{};
  for (unsigned char c : {'"', '&', '<', '>'}) table[c] = true;
  for (int c = 0; c < 0x20; ++c) table[c] = true;
  return table;
}();

// One character of an attribute value: a double quote becomes a single
// one, "&", "<" and ">" their entities, and control characters blanks
// (they have no place in XML; a reader would turn the legal ones, tab and
// line breaks, into blanks anyway). Anything else stays as it is.
void AppendXmlAttributeChar(std::string& out, char c) {
  if (!kEscaped[static_cast<unsigned char>(c)]) {
    out += c;
    return;
  }
  switch (c) {
    case '"':
      out += '\'';
      break;
    case '&':
      out += "&amp;";
      break;
    case '<':
      out += "&lt;";
      break;
    case '>':
      out += "&gt;";
      break;
    default:
      out += ' ';
  }
}

// OEM 866 bytes to Windows-1251 bytes (ASCII unchanged).
const std::array<char, 256>& OemToAnsiTable() {
  static const std::array<char, 256> table = [] {
    std::string all(256, '\0');
    for (int b = 0; b < 256; ++b) all[static_cast<std::size_t>(b)] = static_cast<char>(b);
    const std::string converted = OemToAnsi(all);
    std::array<char, 256> out{};
    std::copy(converted.begin(), converted.end(), out.begin());
    return out;
  }();
  return table;
}

// AppendXmlAttributeText over bytes of a single-byte page, each first
// mapped through `map` when given. The escaped characters are ASCII, the
// same in every page.
void AppendXmlAttributeBytes(std::string& out, std::string_view bytes, const char* map) {
  // The escaped characters are ASCII, which every map keeps as it is (a
  // missing character becomes "?"): most values have none and are copied
  // whole.
  if (std::none_of(bytes.begin(), bytes.end(),
                   [](char c) { return kEscaped[static_cast<unsigned char>(c)]; })) {
    const std::size_t start = out.size();
    out.resize(start + bytes.size());
    char* to = out.data() + start;
    if (map == nullptr) {
      std::memcpy(to, bytes.data(), bytes.size());
    } else {
      for (const char raw : bytes) *to++ = map[static_cast<unsigned char>(raw)];
    }
    return;
  }
  for (const char raw : bytes)
    AppendXmlAttributeChar(out, map != nullptr ? map[static_cast<unsigned char>(raw)] : raw);
}

int Digit(char c) { return c - '0'; }

bool IsDigits(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool IsIntegral(TFieldType type) {
  return type == ftSmallint || type == ftInteger || type == ftWord || type == ftLargeint ||
         type == ftAutoInc;
}

}  // namespace

void AppendFloatText(std::string& out, std::string_view format, double value) {
  // The register's float columns use plain patterns ("0.000"): their
  // text is made here in integers. FormatFloat rounds half away from zero
  // on the value's decimal digits; so does this, and a value whose scaled
  // fraction comes within a millionth of a half (where the scaling's own
  // rounding could decide) is left to FormatFloat, as is anything large,
  // negative or not a plain pattern.
  const int decimals = PlainDecimals(format);
  if (decimals >= 0 && value >= 0 && value * kPowersOfTen[decimals] < 1e9) {
    const double scaled = value * kPowersOfTen[decimals];
    const double whole = std::floor(scaled);
    const double fraction = scaled - whole;
    if (std::fabs(fraction - 0.5) > 1e-6) {
      const auto units = static_cast<std::int64_t>(whole) + (fraction > 0.5 ? 1 : 0);
      const auto scale = static_cast<std::int64_t>(kPowersOfTen[decimals]);
      char digits[24];
      auto [end, ec] = std::to_chars(digits, digits + sizeof digits, units / scale);
      out.append(digits, end);
      if (decimals > 0) {
        out += FormatSettings.DecimalSeparator;
        std::int64_t rest = units % scale;
        char tail[8];
        for (int i = decimals - 1; i >= 0; --i, rest /= 10)
          tail[i] = static_cast<char>('0' + rest % 10);
        out.append(tail, static_cast<std::size_t>(decimals));
      }
      return;
    }
  }
  out += FormatFloat(format, value);
}

void AppendXmlAttributeText(std::string& out, std::string_view text) {
  // Most values hold none of the four characters: look for one first.
  std::size_t i = 0;
  while (i < text.size() && !kEscaped[static_cast<unsigned char>(text[i])]) ++i;
  if (i == text.size()) {
    out.append(text);
    return;
  }
  out.append(text.substr(0, i));
  for (; i < text.size(); ++i) AppendXmlAttributeChar(out, text[i]);
}

std::string XmlAttributeText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  AppendXmlAttributeText(out, text);
  return out;
}

void AppendExchangeDateText(std::string& out, TDateTime date) {
  if (!(date > 0)) return;
  int year = 0, month = 0, day = 0;
  DecodeDate(date, year, month, day);
  char digits[8];
  auto [end, ec] = std::to_chars(digits, digits + sizeof digits, year);
  out.append(static_cast<std::size_t>(std::max<std::ptrdiff_t>(0, 4 - (end - digits))), '0');
  out.append(digits, end);
  out += '.';
  AppendTwoDigits(out, month);
  out += '.';
  AppendTwoDigits(out, day);
}

std::string ExchangeDateText(TDateTime date) {
  std::string out;
  AppendExchangeDateText(out, date);
  return out;
}

void AppendExchangeFieldText(std::string& out, const TField& field) {
  const TFieldType type = field.DataType();
  if (type == ftDate || type == ftDateTime) {
    TDateTime value = 0;
    if (static_cast<const TDateTimeField&>(field).GetValue(value))
      AppendExchangeDateText(out, value);
  } else if (type == ftFloat || type == ftCurrency || type == ftBCD) {
    const auto& numeric = static_cast<const TNumericField&>(field);
    if (numeric.DisplayFormat().empty()) {
      out += field.IsNull() ? std::string("0") : field.AsString();
    } else {
      AppendFloatText(out, numeric.DisplayFormat(), field.AsFloat());
    }
  } else if (IsIntegral(type)) {
    std::int64_t value = 0;
    if (!static_cast<const TIntegralField&>(field).GetValue(value)) value = 0;
    char digits[24];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, end);
  } else {
    AppendXmlAttributeText(out, field.AsString());
  }
}

std::string ExchangeFieldText(const TField& field) {
  std::string out;
  AppendExchangeFieldText(out, field);
  return out;
}

std::vector<TField*> FieldsOfList(const TDataSet& dataSet, std::string_view fieldList) {
  std::vector<TField*> fields;
  std::size_t start = 0;
  while (start <= fieldList.size()) {
    std::size_t comma = fieldList.find(',', start);
    if (comma == std::string_view::npos) comma = fieldList.size();
    const std::string name = Trim(fieldList.substr(start, comma - start));
    if (!name.empty()) fields.push_back(dataSet.FieldByName(name));
    start = comma + 1;
  }
  return fields;
}

TxmlOut::TxmlOut(const std::string& fileName, int capacity)
    : FStream(std::make_unique<TFileStream>(fileName, fmCreate)),
      FBuffer(std::max(static_cast<std::size_t>(std::max(capacity, 1)), kBlockBytes)) {}

TxmlOut::~TxmlOut() {
  try {
    Flush();
  } catch (...) {
    // The failure was the caller's to see through Close.
  }
}

void TxmlOut::Write(std::string_view text) {
  if (IsAscii(text)) {
    WriteBytes(text);
  } else {
    WriteBytes(Utf8ToWin1251(text));
  }
}

void TxmlOut::WriteBytes(std::string_view bytes) {
  if (bytes.size() > FBuffer.size() - FPos) Flush();
  if (bytes.size() > FBuffer.size()) {
    FStream->WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    return;
  }
  std::copy(bytes.begin(), bytes.end(), FBuffer.begin() + static_cast<std::ptrdiff_t>(FPos));
  FPos += bytes.size();
}

void TxmlOut::Flush() {
  if (FPos == 0 || !FStream) return;
  const std::size_t count = FPos;
  FPos = 0;
  FStream->WriteBuffer(FBuffer.data(), static_cast<std::int64_t>(count));
}

void TxmlOut::Close() {
  if (!FStream) return;
  Flush();
  FStream.reset();
}

void TxmlOut::WriteXmlDecl() { Write("<?xml version=\"1.0\" encoding=\"windows-1251\"?>"); }

void TxmlOut::WriteRecord(TDataSet& dataSet, std::string_view name, bool close,
                          std::string_view fieldList) {
  const std::vector<TField*> fields = FieldsOfList(dataSet, fieldList);
  WriteRecord(name, close, fields);
}

void TxmlOut::WriteRecord(std::string_view name, bool close, std::span<TField* const> fields) {
  FLine.clear();
  FLine += '<';
  FLine += name;
  FLine += ' ';
  for (TField* field : fields) {
    FLine += field->FieldName();
    FLine += "=\"";
    AppendFieldBytes(FLine, *field);
    FLine += "\" ";
  }
  FLine += close ? "/>" : ">";
  WriteBytes(FLine);
}

bool TxmlOut::AppendColumnBytes(std::string& line, TField& field) {
  TDataSet* dataSet = field.DataSet();
  if (dataSet != FLastDataSet) {
    FLastDataSet = dataSet;
    FLastTable = dynamic_cast<TmDbfTable*>(dataSet);
  }
  if (FLastTable == nullptr) return false;
  const TFieldType type = field.DataType();
  const bool text = type == ftString || type == ftFixedChar || type == ftWideString;
  if (!text && type != ftDate) return false;
  std::string_view bytes;
  char letter = 0;
  if (!FLastTable->GetColumnBytes(&field, bytes, letter)) return false;
  if (text) {
    if (letter != dbf::kTypeChar) return false;
    // What GetFieldString would convert: the column less its trailing
    // blanks, within the field's size.
    bytes = dbf::DecodeChar(bytes).substr(0, static_cast<std::size_t>(field.DataSize() - 1));
    AppendXmlAttributeBytes(line, bytes,
                            FLastTable->AnsiTable() ? nullptr : OemToAnsiTable().data());
    return true;
  }
  // A date column of eight digits that make a real date is "yyyy.mm.dd"
  // as it stands; blanks are the empty date; anything else takes the
  // field's own way.
  if (letter != dbf::kTypeDate || bytes.size() != 8) return false;
  if (bytes == "        ") return true;
  TDateTime date = 0;
  if (!IsDigits(bytes) ||
      !TryEncodeDate(
          ((Digit(bytes[0]) * 10 + Digit(bytes[1])) * 10 + Digit(bytes[2])) * 10 + Digit(bytes[3]),
          Digit(bytes[4]) * 10 + Digit(bytes[5]), Digit(bytes[6]) * 10 + Digit(bytes[7]), date) ||
      !(date > 0))
    return false;
  line.append(bytes.substr(0, 4));
  line += '.';
  line.append(bytes.substr(4, 2));
  line += '.';
  line.append(bytes.substr(6, 2));
  return true;
}

void TxmlOut::AppendFieldBytes(std::string& line, const TField& field) {
  // A register table's text and date columns go from its bytes straight
  // to the line; the rest through the field's text, converted in place
  // when it is not ASCII.
  if (AppendColumnBytes(line, const_cast<TField&>(field))) return;
  const std::size_t start = line.size();
  AppendExchangeFieldText(line, field);
  const std::string_view value = std::string_view(line).substr(start);
  if (!IsAscii(value))
    line.resize(start + FromUtf8(value, TCodePage::Win1251, line.data() + start));
}

void TxmlOut::WriteAnsi(std::string_view bytes) { WriteBytes(bytes); }
