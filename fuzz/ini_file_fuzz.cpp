// Reads arbitrary bytes as an INI file and walks everything in it; then
// checks that a write reads back and that comma text round-trips.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "fuzz_file.h"
#include "platform/base/ini_file.h"
#include "platform/base/string_list.h"

namespace {

const std::string& FuzzPath() {
  static const std::string path = FuzzFilePath("ini_file_fuzz", ".ini");
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  std::ofstream(FuzzPath(), std::ios::binary | std::ios::trunc) << bytes;

  TIniFile ini(FuzzPath());
  TStringList sections, keys, values;
  ini.ReadSections(sections);
  for (int i = 0; i < sections.Count(); ++i) {
    const std::string& section = sections.StringRef(i);
    ini.ReadSection(section, keys);
    ini.ReadSectionValues(section, values);
    for (int k = 0; k < keys.Count(); ++k) {
      ini.ReadString(section, keys[k], "");
      ini.ReadInteger(section, keys[k], 0);
      ini.ReadFloat(section, keys[k], 0);
      ini.ReadDateTime(section, keys[k], 0);
    }
  }

  ini.WriteString("fuzz", "key", " value ");
  if (ini.ReadString("fuzz", "key", "") != " value ") std::abort();
  if (TIniFile(FuzzPath()).ReadString("FUZZ", "KEY", "") != " value ") std::abort();

  TStringList list, back;
  list.SetCommaText(bytes);
  back.SetCommaText(list.CommaText());
  if (!back.Equals(list)) std::abort();
  return 0;
}
