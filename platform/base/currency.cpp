#include "platform/base/currency.h"

#include <charconv>
#include <cmath>

#include "platform/base/exceptions.h"

namespace {

[[noreturn]] void RaiseOverflow() { throw EIntOverflow(std::string("Integer overflow")); }

// Divides rounding half to even, as the FPU did when it stored the result.
std::int64_t DivideRoundEven(__int128 numerator, __int128 denominator) {
  if (denominator < 0) {
    numerator = -numerator;
    denominator = -denominator;
  }
  __int128 quotient = numerator / denominator;
  __int128 remainder = numerator % denominator;
  if (remainder < 0) {
    remainder = -remainder;
  }
  const __int128 twice = remainder * 2;
  if (twice > denominator || (twice == denominator && (quotient % 2) != 0)) {
    quotient += numerator < 0 ? -1 : 1;
  }
  if (quotient > INT64_MAX || quotient < INT64_MIN) {
    RaiseOverflow();
  }
  return static_cast<std::int64_t>(quotient);
}

}  // namespace

// Rounds the shortest decimal text of the double (the digits that read back
// as the same value), so Currency(0.00015) is 0.0002 although that double
// lies a little below 0.00015.
Currency::Currency(double value) {
  if (!std::isfinite(value) || std::fabs(value) >= 1e16) {
    RaiseOverflow();
  }
  if (value == 0) {
    return;
  }
  // "-d.ddde+XX": mantissa digits M, value = M * 10^(exponent - decimals).
  char buffer[40];
  const char* end =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific).ptr;
  const char* p = buffer;
  const bool negative = *p == '-';
  if (negative) {
    ++p;
  }
  __int128 mantissa = 0;
  int decimals = 0;
  bool afterPoint = false;
  for (; *p != 'e'; ++p) {
    if (*p == '.') {
      afterPoint = true;
      continue;
    }
    mantissa = mantissa * 10 + (*p - '0');
    decimals += afterPoint ? 1 : 0;
  }
  int exponent = 0;
  std::from_chars(p + (p[1] == '+' ? 2 : 1), end, exponent);
  const int shift = exponent - decimals + 4;
  if (negative) {
    mantissa = -mantissa;
  }
  if (shift >= 0) {
    for (int i = 0; i < shift; ++i) {
      mantissa *= 10;
    }
    if (mantissa > INT64_MAX || mantissa < INT64_MIN) {
      RaiseOverflow();
    }
    FValue = static_cast<std::int64_t>(mantissa);
  } else if (shift >= -18) {
    __int128 divisor = 1;
    for (int i = 0; i < -shift; ++i) {
      divisor *= 10;
    }
    FValue = DivideRoundEven(mantissa, divisor);
  }
}

Currency Currency::operator-() const {
  if (FValue == INT64_MIN) {
    RaiseOverflow();
  }
  return FromScaled(-FValue);
}

Currency& Currency::operator+=(Currency other) {
  if (__builtin_add_overflow(FValue, other.FValue, &FValue)) {
    RaiseOverflow();
  }
  return *this;
}

Currency& Currency::operator-=(Currency other) {
  if (__builtin_sub_overflow(FValue, other.FValue, &FValue)) {
    RaiseOverflow();
  }
  return *this;
}

Currency& Currency::operator*=(Currency other) {
  FValue = DivideRoundEven(static_cast<__int128>(FValue) * other.FValue, kScale);
  return *this;
}

Currency& Currency::operator/=(Currency other) {
  if (other.FValue == 0) {
    throw EZeroDivide(std::string("Floating point division by zero"));
  }
  FValue = DivideRoundEven(static_cast<__int128>(FValue) * kScale, other.FValue);
  return *this;
}
