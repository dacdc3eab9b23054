// Feeds arbitrary bytes to the VCLDBIF reader, as a paste from any program
// would: it must fail with its format error or read values whose
// re-encoding reads back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "grid/vcldbif_format.h"
#include "platform/base/exceptions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::string again;
  try {
    vcldbif::Reader reader(bytes);
    const std::vector<vcldbif::ColumnInfo> columns = reader.ReadPrefix();
    vcldbif::PutPrefix(again, columns);
    vcldbif::Value value;
    while (reader.ReadValue(value)) {
      switch (value.Kind) {
        case vcldbif::kTagInteger:
          vcldbif::PutInteger(again, value.Integer);
          break;
        case vcldbif::kTagFloat:
          vcldbif::PutFloat(again, value.Float);
          break;
        case vcldbif::kTagString:
        case vcldbif::kTagBinary:
          vcldbif::PutBytes(again, value.Kind, value.Bytes);
          break;
        default:
          vcldbif::PutTag(again, value.Kind);
      }
    }
    vcldbif::PutTag(again, vcldbif::kTagEnd);
  } catch (const Exception& e) {
    if (e.Message() != vcldbif::kFormatErrorText) std::abort();
    return 0;
  }
  // Only the version byte and unknown tags may differ.
  if (again.size() > bytes.size()) std::abort();
  return 0;
}
