// The byte layout of "VCLDBIF", the grid's own exchange format for rows of
// typed field values (clipboard and files). Pure bytes: no grid, no
// dataset; the grid's exporter and importer sit on top of it.
//
//   offset  size  content
//   0       7     "VCLDBIF"
//   7       1     version (written as 1; readers do not compare it)
//   8       4     column count N, signed 32-bit little-endian
//   12      ...   N column blocks: visibility byte, zero-terminated name
//   then    ...   tagged values, N per record, record after record
//   end     1     tag 0
//
//   tag  payload
//   0    none                 end of data
//   1    none                 no value
//   2    none                 null
//   3    int32                integer
//   4    8-byte IEEE double   float
//   5    int32 L, L bytes     string (Windows-1251)
//   6    int32 L, L bytes     binary
//
// A tag above 6 reads as no value. Any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vcldbif {

inline constexpr std::string_view kSignature = "VCLDBIF";
inline constexpr std::uint8_t kVersion = 1;
inline constexpr std::size_t kPrefixSize = 12;

enum Tag : std::uint8_t {
  kTagEnd = 0,
  kTagNoValue = 1,
  kTagNull = 2,
  kTagInteger = 3,
  kTagFloat = 4,
  kTagString = 5,
  kTagBinary = 6
};

struct ColumnInfo {
  bool Visible = true;
  std::string Name;
};

// One decoded value. Kind is kTagNoValue also for tags above 6.
struct Value {
  Tag Kind = kTagNoValue;
  std::int32_t Integer = 0;
  double Float = 0;
  std::string Bytes;  // tags 5 and 6
};

// Appends to `out`.
void PutPrefix(std::string& out, const std::vector<ColumnInfo>& columns);
void PutTag(std::string& out, Tag tag);  // tags without payload: 0, 1, 2
void PutInteger(std::string& out, std::int32_t value);
void PutFloat(std::string& out, double value);
void PutBytes(std::string& out, Tag tag, std::string_view bytes);  // tags 5, 6

// The text of the error every malformed input raises.
inline constexpr std::string_view kFormatErrorText =
    "TDBGridEhImportAsVCLDBIF.ReadPrefix: Неверный формат VCLDBIF";

// Reads a payload in place; `data` must outlive the reader. Every read
// that needs more bytes than remain, a wrong signature, a negative count
// or length raise Exception with kFormatErrorText, before anything is
// allocated for it.
class Reader {
 public:
  explicit Reader(std::string_view data) : FData(data) {}
  // The prefix and the column blocks.
  std::vector<ColumnInfo> ReadPrefix();
  // The next value; false (and `value` untouched) at tag 0.
  bool ReadValue(Value& value);
  std::size_t Position() const { return FPos; }

 private:
  [[noreturn]] static void Fail();
  const char* Take(std::size_t count);
  std::int32_t TakeInt32();

  std::string_view FData;
  std::size_t FPos = 0;
};

}  // namespace vcldbif
