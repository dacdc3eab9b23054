// Display formats of text objects.
//
// A format code is one 32-bit value: the category in bits 24-27 (read;
// writers keep it below 16), the format's index in the category in bits
// 16-23, the number of decimals in bits 8-15, the decimal separator in bits
// 0-7. FormatStr holds the pattern of a custom format (index 4).
//   0 text
//   1 number:  0 "1234,5"  1 "1234,50"  2 "1 234,5"  3 "1 234,50"  4 custom
//   2 date:    0 mm.dd.yy  1 mm.dd.yyyy  2 d mmm yyyy  3 the runtime's long
//              date  4 custom
//   3 time:    0 hh:nn:ss  1 h:nn:ss  2 hh:nn  3 h:nn  4 custom
//   4 Boolean: 0 "0;1"  1 "No;Yes"  2 "_;x"  3 "False;True"  4 custom
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/base/variant.h"

enum TfrFormatCategory { fcText = 0, fcNumber = 1, fcDate = 2, fcTime = 3, fcBoolean = 4 };

constexpr std::int32_t MakeFormat(int category, int index, int decimals, char separator) {
  return static_cast<std::int32_t>(((category & 0x0F) << 24) | ((index & 0xFF) << 16) |
                                   ((decimals & 0xFF) << 8) |
                                   static_cast<unsigned char>(separator));
}
constexpr int FormatCategory(std::int32_t code) { return (code >> 24) & 0x0F; }
constexpr int FormatIndex(std::int32_t code) { return (code >> 16) & 0xFF; }
constexpr int FormatDecimals(std::int32_t code) { return (code >> 8) & 0xFF; }
constexpr char FormatSeparator(std::int32_t code) { return static_cast<char>(code & 0xFF); }

// The text of `value` by `code`. Empty, Null and blank text give "". When a
// conversion fails the value's plain text is the result. Numbers go
// through the runtime's FormatFloat / FloatToStrF with the code's decimal
// separator (the runtime's when the code has none).
std::string FormatValue(const Variant& value, std::int32_t code, std::string_view formatStr);
