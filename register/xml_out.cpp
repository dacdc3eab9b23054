#include "register/xml_out.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "platform/base/codepage.h"
#include "platform/base/file_stream.h"
#include "platform/base/number_format.h"
#include "platform/base/text.h"
#include "platform/data/data_set.h"
#include "platform/data/fields.h"

namespace {

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

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

bool IsIntegral(TFieldType type) {
  return type == ftSmallint || type == ftInteger || type == ftWord || type == ftLargeint ||
         type == ftAutoInc;
}

}  // namespace

void AppendXmlAttributeText(std::string& out, std::string_view text) {
  // Most values hold none of the four characters: look for one first.
  std::size_t i = 0;
  while (i < text.size() && !kEscaped[static_cast<unsigned char>(text[i])]) ++i;
  if (i == text.size()) {
    out.append(text);
    return;
  }
  out.append(text.substr(0, i));
  for (; i < text.size(); ++i) {
    switch (text[i]) {
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
        // Control characters have no place in XML; a reader would turn
        // the legal ones (tab, line breaks) into blanks anyway.
        out += static_cast<unsigned char>(text[i]) < 0x20 ? ' ' : text[i];
    }
  }
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
      out += FormatFloat(numeric.DisplayFormat(), field.AsFloat());
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
      FBuffer(static_cast<std::size_t>(std::max(capacity, 1))) {}

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
  // The line is built as Windows-1251 bytes: markup and most values are
  // ASCII, so only the values that are not get converted.
  for (TField* field : fields) {
    FLine += field->FieldName();
    FLine += "=\"";
    const std::size_t start = FLine.size();
    AppendExchangeFieldText(FLine, *field);
    const std::string_view value = std::string_view(FLine).substr(start);
    if (!IsAscii(value)) FLine.replace(start, std::string::npos, Utf8ToWin1251(value));
    FLine += "\" ";
  }
  FLine += close ? "/>" : ">";
  WriteBytes(FLine);
}
