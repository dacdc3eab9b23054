// Internal to platform/base: the byte-to-character tables of the two code
// pages the program's files use, and their reverse lookup. Shared by
// codepage.cpp (conversions) and text.cpp (collation by Windows-1251 order).
// Use codepage.h from outside the runtime.
#pragma once

#include <array>
#include <cstdint>

namespace codepage_tables {

// The upper halves (bytes 0x80..0xFF); 0x00..0x7F are ASCII in both pages.
using THighHalf = std::array<char16_t, 128>;

// clang-format off
// Windows-1251. 0x98 is unassigned in the page; it maps to U+0098, the C1
// control of the same number, so that every byte survives a round trip.
inline constexpr THighHalf kWin1251 = {
    // 0x80
    u'\u0402', u'\u0403', u'\u201A', u'\u0453', u'\u201E', u'\u2026', u'\u2020', u'\u2021',
    u'\u20AC', u'\u2030', u'\u0409', u'\u2039', u'\u040A', u'\u040C', u'\u040B', u'\u040F',
    // 0x90
    u'\u0452', u'\u2018', u'\u2019', u'\u201C', u'\u201D', u'\u2022', u'\u2013', u'\u2014',
    u'\u0098', u'\u2122', u'\u0459', u'\u203A', u'\u045A', u'\u045C', u'\u045B', u'\u045F',
    // 0xA0
    u'\u00A0', u'\u040E', u'\u045E', u'\u0408', u'\u00A4', u'\u0490', u'\u00A6', u'\u00A7',
    u'\u0401', u'\u00A9', u'\u0404', u'\u00AB', u'\u00AC', u'\u00AD', u'\u00AE', u'\u0407',
    // 0xB0
    u'\u00B0', u'\u00B1', u'\u0406', u'\u0456', u'\u0491', u'\u00B5', u'\u00B6', u'\u00B7',
    u'\u0451', u'\u2116', u'\u0454', u'\u00BB', u'\u0458', u'\u0405', u'\u0455', u'\u0457',
    // 0xC0..0xFF: А..я
    u'\u0410', u'\u0411', u'\u0412', u'\u0413', u'\u0414', u'\u0415', u'\u0416', u'\u0417',
    u'\u0418', u'\u0419', u'\u041A', u'\u041B', u'\u041C', u'\u041D', u'\u041E', u'\u041F',
    u'\u0420', u'\u0421', u'\u0422', u'\u0423', u'\u0424', u'\u0425', u'\u0426', u'\u0427',
    u'\u0428', u'\u0429', u'\u042A', u'\u042B', u'\u042C', u'\u042D', u'\u042E', u'\u042F',
    u'\u0430', u'\u0431', u'\u0432', u'\u0433', u'\u0434', u'\u0435', u'\u0436', u'\u0437',
    u'\u0438', u'\u0439', u'\u043A', u'\u043B', u'\u043C', u'\u043D', u'\u043E', u'\u043F',
    u'\u0440', u'\u0441', u'\u0442', u'\u0443', u'\u0444', u'\u0445', u'\u0446', u'\u0447',
    u'\u0448', u'\u0449', u'\u044A', u'\u044B', u'\u044C', u'\u044D', u'\u044E', u'\u044F',
};

// OEM 866 (DOS Cyrillic).
inline constexpr THighHalf kOem866 = {
    // 0x80..0x9F: А..Я
    u'\u0410', u'\u0411', u'\u0412', u'\u0413', u'\u0414', u'\u0415', u'\u0416', u'\u0417',
    u'\u0418', u'\u0419', u'\u041A', u'\u041B', u'\u041C', u'\u041D', u'\u041E', u'\u041F',
    u'\u0420', u'\u0421', u'\u0422', u'\u0423', u'\u0424', u'\u0425', u'\u0426', u'\u0427',
    u'\u0428', u'\u0429', u'\u042A', u'\u042B', u'\u042C', u'\u042D', u'\u042E', u'\u042F',
    // 0xA0..0xAF: а..п
    u'\u0430', u'\u0431', u'\u0432', u'\u0433', u'\u0434', u'\u0435', u'\u0436', u'\u0437',
    u'\u0438', u'\u0439', u'\u043A', u'\u043B', u'\u043C', u'\u043D', u'\u043E', u'\u043F',
    // 0xB0..0xDF: shades, box drawing, blocks
    u'\u2591', u'\u2592', u'\u2593', u'\u2502', u'\u2524', u'\u2561', u'\u2562', u'\u2556',
    u'\u2555', u'\u2563', u'\u2551', u'\u2557', u'\u255D', u'\u255C', u'\u255B', u'\u2510',
    u'\u2514', u'\u2534', u'\u252C', u'\u251C', u'\u2500', u'\u253C', u'\u255E', u'\u255F',
    u'\u255A', u'\u2554', u'\u2569', u'\u2566', u'\u2560', u'\u2550', u'\u256C', u'\u2567',
    u'\u2568', u'\u2564', u'\u2565', u'\u2559', u'\u2558', u'\u2552', u'\u2553', u'\u256B',
    u'\u256A', u'\u2518', u'\u250C', u'\u2588', u'\u2584', u'\u258C', u'\u2590', u'\u2580',
    // 0xE0..0xEF: р..я
    u'\u0440', u'\u0441', u'\u0442', u'\u0443', u'\u0444', u'\u0445', u'\u0446', u'\u0447',
    u'\u0448', u'\u0449', u'\u044A', u'\u044B', u'\u044C', u'\u044D', u'\u044E', u'\u044F',
    // 0xF0
    u'\u0401', u'\u0451', u'\u0404', u'\u0454', u'\u0407', u'\u0457', u'\u040E', u'\u045E',
    u'\u00B0', u'\u2219', u'\u00B7', u'\u221A', u'\u2116', u'\u00A4', u'\u25A0', u'\u00A0',
};
// clang-format on

inline constexpr std::uint16_t kNoByte = 0xFFFF;

// Reverse lookup over the ranges where the pages' characters live:
// U+0000..U+04FF and U+2000..U+25FF. Everything else has no byte.
class TReverse {
 public:
  constexpr explicit TReverse(const THighHalf& high) {
    for (auto& v : FLow) v = kNoByte;
    for (auto& v : FPunct) v = kNoByte;
    for (std::uint16_t b = 0; b < 0x80; ++b) FLow[b] = b;
    for (std::uint16_t i = 0; i < 128; ++i) {
      const char32_t c = high[i];
      if (c < kLowEnd) {
        FLow[c] = static_cast<std::uint16_t>(0x80 + i);
      } else if (c >= kPunctBegin && c < kPunctEnd) {
        FPunct[c - kPunctBegin] = static_cast<std::uint16_t>(0x80 + i);
      }
    }
  }
  // The byte for `c`, or kNoByte.
  constexpr std::uint16_t ByteOf(char32_t c) const {
    if (c < kLowEnd) return FLow[c];
    if (c >= kPunctBegin && c < kPunctEnd) return FPunct[c - kPunctBegin];
    return kNoByte;
  }

 private:
  static constexpr char32_t kLowEnd = 0x500;
  static constexpr char32_t kPunctBegin = 0x2000;
  static constexpr char32_t kPunctEnd = 0x2600;
  std::array<std::uint16_t, kLowEnd> FLow{};
  std::array<std::uint16_t, kPunctEnd - kPunctBegin> FPunct{};
};

inline constexpr TReverse kWin1251Reverse{kWin1251};
inline constexpr TReverse kOem866Reverse{kOem866};

}  // namespace codepage_tables
