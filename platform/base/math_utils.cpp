#include "platform/base/math_utils.h"

#include <cmath>
#include <limits>
#include <string>

#include "platform/base/exceptions.h"

namespace {

[[noreturn]] void RaiseInvalidOp() {
  throw EInvalidOp(std::string("Invalid floating point operation"));
}

// 2^63 is exact in a double; anything at or above it does not fit. False
// for NaN too.
bool FitsInt64(double value) {
  return value >= -9223372036854775808.0 && value < 9223372036854775808.0;
}

// REQUIRES: value is already integral (or NaN / infinite).
std::int64_t ToInt64(double value) {
  if (!FitsInt64(value)) {
    RaiseInvalidOp();
  }
  return static_cast<std::int64_t>(value);
}

double CheckPower(double result, double base, double exponent) {
  if (std::isnan(result) && !std::isnan(base) && !std::isnan(exponent)) {
    RaiseInvalidOp();
  }
  if (std::isinf(result) && std::isfinite(base) && std::isfinite(exponent)) {
    if (base == 0) {
      throw EZeroDivide(std::string("Floating point division by zero"));
    }
    throw EOverflow(std::string("Floating point overflow"));
  }
  return result;
}

}  // namespace

std::int64_t Round(double value) { return ToInt64(std::nearbyint(value)); }

std::int64_t Trunc(double value) { return ToInt64(std::trunc(value)); }

bool TryTrunc(double value, std::int64_t& result) {
  const double whole = std::trunc(value);
  if (!FitsInt64(whole)) {
    return false;
  }
  result = static_cast<std::int64_t>(whole);
  return true;
}

std::int64_t Floor(double value) { return ToInt64(std::floor(value)); }

std::int64_t Ceil(double value) { return ToInt64(std::ceil(value)); }

double Int(double value) { return std::trunc(value); }

double Frac(double value) { return value - std::trunc(value); }

double Power(double base, double exponent) {
  if (exponent == 0) {
    return 1;
  }
  return CheckPower(std::pow(base, exponent), base, exponent);
}

double IntPower(double base, int exponent) { return Power(base, exponent); }

int MulDiv(int a, int b, int c) {
  if (c == 0) {
    return -1;
  }
  __int128 numerator = static_cast<__int128>(a) * b;
  __int128 denominator = c;
  if (denominator < 0) {
    numerator = -numerator;
    denominator = -denominator;
  }
  // Halves away from zero: round the magnitude, then restore the sign.
  const __int128 magnitude = numerator < 0 ? -numerator : numerator;
  __int128 rounded = (2 * magnitude + denominator) / (2 * denominator);
  if (numerator < 0) {
    rounded = -rounded;
  }
  if (rounded > std::numeric_limits<int>::max() || rounded < std::numeric_limits<int>::min()) {
    return -1;
  }
  return static_cast<int>(rounded);
}
