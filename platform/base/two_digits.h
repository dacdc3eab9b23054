// kTwoDigits: the text of 00..99 in one table, for writing numbers two
// digits at a time. Pure data; safe from any thread.
#pragma once

#include <array>
#include <cstddef>

// "00".."99": the digits of n at 2 * n.
inline constexpr std::array<char, 200> kTwoDigits = [] {
  std::array<char, 200> digits{};
  for (int i = 0; i < 100; ++i) {
    digits[static_cast<std::size_t>(2 * i)] = static_cast<char>('0' + i / 10);
    digits[static_cast<std::size_t>(2 * i + 1)] = static_cast<char>('0' + i % 10);
  }
  return digits;
}();
