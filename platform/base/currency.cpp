#include "platform/base/currency.h"

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

Currency::Currency(double value) {
  const double scaled = std::nearbyint(value * kScale);
  if (!std::isfinite(scaled) || scaled >= 9223372036854775808.0 ||
      scaled < -9223372036854775808.0) {
    RaiseOverflow();
  }
  FValue = static_cast<std::int64_t>(scaled);
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
