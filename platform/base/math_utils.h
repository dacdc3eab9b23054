// Rounding and power helpers with the classic names.
//
// Conversions to an integer raise EInvalidOp ("Invalid floating point
// operation") for NaN, the infinities and values outside the int64 range,
// as the classic FPU store did. Pure functions; any thread.
#pragma once

#include <cstdint>

// Nearest integer, halves to even (Round(2.5) == 2, Round(3.5) == 4), as
// the classic Round did under the default rounding mode.
std::int64_t Round(double value);
// Toward zero.
std::int64_t Trunc(double value);
// Trunc without the exception: false, leaving `result` as it was, for NaN,
// the infinities and values outside the int64 range.
bool TryTrunc(double value, std::int64_t& result);
// Toward minus / plus infinity.
std::int64_t Floor(double value);
std::int64_t Ceil(double value);
// The whole part toward zero, as a double (Int(-2.7) == -2.0).
double Int(double value);
// value - Int(value), with the sign of value.
double Frac(double value);
// base^exponent. Raises EInvalidOp for a negative base with a non-integral
// exponent, EZeroDivide for 0 to a negative power and EOverflow when a
// finite computation overflows. Power(x, 0) == 1 for every x.
double Power(double base, double exponent);
double IntPower(double base, int exponent);
// a * b / c computed in 64 bits and rounded to nearest, halves away from
// zero. Returns -1 when c == 0 or the result does not fit in an int.
int MulDiv(int a, int b, int c);
