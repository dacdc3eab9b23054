// Format: the classic printf-like formatter.
//
// Directive: "%" [index ":"] ["-"] [width] ["." precision] type, where
// index, width and precision may be "*" (taken from the next argument,
// which must be an integer). "%%" is a literal "%". Indexes are 0-based and
// move the argument position: "%1:s %0:s" swaps two strings, and the
// directives after an indexed one continue from it.
//   d  integer; precision = minimum digits ("%.7d" of 42 is "0000042")
//   u  integer as unsigned
//   x  integer in upper-case hex; precision = minimum digits
//   e  scientific, precision = significant digits (default 15),
//      "1.23450000000000E+003"
//   f  fixed, precision = decimals (default 2)
//   g  general, shortest text of up to precision digits (default 15)
//   n  as f with thousand separators
//   m  money per the currency settings, precision default CurrencyDecimals
//   p  pointer, upper-case hex of at least 8 digits
//   s  string or char; precision cuts it to that many characters
// The type letter may be upper or lower case. Width pads with blanks on the
// left ("-": on the right); width and precision count characters. Float
// directives take double and Currency arguments (a Currency exactly) and
// print as FloatToStrF does; d, u and x take integer arguments only (not
// bool). A negative integer in the int range prints through u and x as its
// 32-bit pattern ("%x" of -1 is "FFFFFFFF"), other negatives as 64-bit.
// Any mismatch, missing argument or bad directive raises EConvertError
// "Format '<pattern>' invalid or incompatible with argument".
// GUI thread only (reads FormatSettings).
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/base/var_rec.h"

// FormatV (declared in var_rec.h) takes a ready span of arguments.

template <class... Args>
std::string Format(std::string_view pattern, const Args&... args) {
  if constexpr (sizeof...(Args) == 0) {
    return FormatV(pattern, {});
  } else {
    const TVarRec records[] = {TVarRec(args)...};
    return FormatV(pattern, records);
  }
}
