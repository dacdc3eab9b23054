// Feeds random files to the DBF header reader and decodes every column of
// every record it accepts. A damaged file must end in EDBFError, never in a
// crash, a hang or a read outside the buffer.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "storage/dbf_format.h"

namespace {

void DecodeColumn(const dbf::TFieldDescriptor& field, std::string_view column) {
  using namespace dbf;
  switch (field.Type) {
    case kTypeNumeric:
    case kTypeFloat:
      DecodeNumericFloat(column);
      DecodeNumericInteger(column);
      break;
    case kTypeDate:
      DecodeDateColumn(column);
      break;
    case kTypeInteger:
      DecodeInt32(column);
      break;
    case kTypeDouble:
      DecodeDouble(column);
      break;
    case kTypeCurrency:
      DecodeCurrency(column);
      break;
    case kTypeLogical:
      DecodeLogical(column);
      break;
    case kTypeTimeStamp:
      DecodeTimeStampColumn(column, false);
      DecodeTimeStampColumn(column, true);
      break;
    default:
      DecodeChar(column);
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view file(reinterpret_cast<const char*>(data), size);
  dbf::TLayout layout;
  try {
    layout = dbf::DecodeLayout(file, static_cast<std::int64_t>(size), "fuzz");
  } catch (const EDBFError&) {
    return 0;
  }
  for (const dbf::TFieldDescriptor& field : layout.Fields) {
    dbf::KindForColumn(field, false);
    dbf::DecodeFieldName(field.Name, false);
  }
  for (std::uint32_t record = 0; record < layout.Header.RecordCount; ++record) {
    const std::string_view bytes =
        file.substr(static_cast<std::size_t>(layout.RecordPosition(record)), layout.RecordLength);
    if (bytes.size() != layout.RecordLength) __builtin_trap();  // the count was checked
    for (const dbf::TFieldDescriptor& field : layout.Fields)
      DecodeColumn(field, bytes.substr(field.Offset, field.Length));
  }
  return 0;
}
