// Currency: money as a 64-bit integer count of ten-thousandths.
//
// Arithmetic is exact; multiplication and division round half to even back
// to four decimals, as the classic money type did. Conversion from double
// rounds half to even. Text conversion lives with the number formatting
// (CurrToStr, CurrToStrF, FormatCurr in number_format.h).
//
// Overflow of the 64-bit range raises EIntOverflow. Division by zero raises
// EZeroDivide.
#pragma once

#include <compare>
#include <cstdint>

class Currency {
 public:
  static constexpr std::int64_t kScale = 10000;

  constexpr Currency() = default;
  // Whole units: Currency(5) is 5.0000.
  constexpr Currency(int units) : FValue(std::int64_t{units} * kScale) {}
  // From a double, rounded half to even to four decimals. Raises
  // EIntOverflow when the value does not fit (or is not finite).
  explicit Currency(double value);

  // From the raw scaled count: FromScaled(12345) is 1.2345.
  static constexpr Currency FromScaled(std::int64_t scaled) {
    Currency c;
    c.FValue = scaled;
    return c;
  }
  constexpr std::int64_t Scaled() const { return FValue; }
  double ToDouble() const { return static_cast<double>(FValue) / kScale; }

  Currency operator-() const;
  Currency& operator+=(Currency other);
  Currency& operator-=(Currency other);
  Currency& operator*=(Currency other);
  Currency& operator/=(Currency other);
  friend Currency operator+(Currency a, Currency b) { return a += b; }
  friend Currency operator-(Currency a, Currency b) { return a -= b; }
  friend Currency operator*(Currency a, Currency b) { return a *= b; }
  friend Currency operator/(Currency a, Currency b) { return a /= b; }

  friend constexpr bool operator==(Currency a, Currency b) = default;
  friend constexpr auto operator<=>(Currency a, Currency b) = default;

 private:
  std::int64_t FValue = 0;
};
