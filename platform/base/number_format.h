// Number to text and text to number, with the classic rules.
//
// Every routine reads the global FormatSettings (DecimalSeparator,
// ThousandSeparator, CurrencyString, CurrencyFormat, NegCurrFormat,
// CurrencyDecimals) and never the C locale. GUI thread only, like
// FormatSettings itself.
//
// Rounding. A double is first written as its 18 significant decimal digits
// (correctly rounded, as the classic formatter saw it), and those digits are
// rounded half away from zero at the wanted place. So 2.5 gives "3", 0.125
// with two decimals gives "0.13", but 2.675 (really 2.67499999999999982...)
// gives "2.67" and 1.005 gives "1.00". A Currency is rounded the same way on
// its exact digits. A negative value that rounds to zero prints without "-".
//
// NaN, +Inf and -Inf print as "NAN", "INF" and "-INF" in every format.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/base/currency.h"

enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

// FloatToStrF: `precision` is the number of significant digits (1..15 for a
// double, 1..19 for a Currency, clamped); `digits` depends on the format:
//   ffGeneral  shortest text of up to `precision` significant digits, no
//              trailing zeros; exponent form ("1E20", "1.5E-5") when the
//              decimal exponent is >= precision or < -4, `digits` being the
//              minimum exponent digits (0..4).
//   ffExponent "d.dddE+ddd": `precision` significant digits, the exponent
//              signed and at least `digits` (0..4) digits long.
//   ffFixed    `digits` (0..18) decimals; falls back to ffGeneral when the
//              integer part has more than `precision` digits.
//   ffNumber   as ffFixed with ThousandSeparator between groups of three.
//   ffCurrency as ffNumber, wrapped in CurrencyString by CurrencyFormat
//              (positive) or NegCurrFormat (negative, classic codes 0..15).
std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits);
// The Currency form works on the exact scaled value, never through double.
std::string FloatToStrF(Currency value, TFloatFormat format, int precision, int digits);
// The same text the long way, always through the 18 digits: the reference
// that FloatToStrF's quicker ways (whole numbers, values whose shortest
// digits are those it keeps) are tested against.
std::string FloatToStrFByDigits(double value, TFloatFormat format, int precision, int digits);
// FloatToStrF(value, ffGeneral, 15, 0): "0.1", "1E20", "0.333333333333333".
std::string FloatToStr(double value);
// FloatToStr of the double that the plain decimal text `text`
// ([-]digits[.digits], '.' the point) reads as, made from its digits;
// false, `out` untouched, for other text or more than 15 significant
// digits.
bool DecimalTextToStr(std::string_view text, std::string& out);
// Room for any text FloatToStr writes ("-1.23456789012345E-308").
inline constexpr std::size_t kFloatTextRoom = 32;
// DecimalTextToStr's text written to `out` (kFloatTextRoom bytes), for
// the caller to make its string in place: the number of bytes written;
// 0, nothing written, where DecimalTextToStr gives false.
std::size_t DecimalTextToChars(std::string_view text, char* out);

// FormatFloat: formats with a pattern of the classic picture language:
//   0        digit, always printed (leading/trailing zeros)
//   #        digit, printed only when significant
//   .        the first one is the decimal point (printed as DecimalSeparator
//            when a decimal digit follows it); later ones are ignored
//   ,        anywhere in the section (after the point too): group the integer digits
//            by three with ThousandSeparator; the "," itself never prints
//   E+ E- e+ e-  scientific form; the 0s right after it are the minimum
//            exponent digits; "E+" prints "+" for positive exponents
//   "..." '...'  literal text
//   other characters are printed as they are.
// Up to three sections separated by ";": positive; negative (printed without
// a minus); zero. A missing or empty negative section means the first one
// with a leading "-"; a missing or empty zero section means the first one.
// A value that rounds to zero in its section is printed with the zero
// section when there is one, otherwise with its own section and no "-".
// Integer digits beyond the placeholders all go to the first placeholder;
// the minus sign comes first in the result, before any literal.
// An empty pattern is FloatToStr; so are NaN, the infinities, and values of
// 1E18 or more in magnitude unless their section is scientific
// (FormatFloat("0.0E+00", 1e20) is "1.0E+20").
std::string FormatFloat(std::string_view pattern, double value);
// FormatFloat the long way, always through the 18 digits (for tests, as
// FloatToStrFByDigits).
std::string FormatFloatByDigits(std::string_view pattern, double value);
// FormatFloat on the exact Currency value; an empty pattern is CurrToStr.
std::string FormatCurr(std::string_view pattern, Currency value);
// Shortest exact text: CurrToStr(Currency(12.5)) == "12,5" (by settings).
std::string CurrToStr(Currency value);
// FloatToStrF on the exact value with every significant digit available.
std::string CurrToStrF(Currency value, TFloatFormat format, int digits);

// Integer parsing. Accepted: blanks (space, tab) around, an optional sign,
// then decimal digits, or "$" / "0x" / "0X" and hex digits. Hex text is a
// bit pattern of the target width, as the classic did: StrToInt("$FFFFFFFF")
// is -1. Decimal text out of range, empty text or anything else raises
// EConvertError "'<text>' не является целым числом".
int StrToInt(std::string_view text);
int StrToIntDef(std::string_view text, int defaultValue);
bool TryStrToInt(std::string_view text, int& value);
std::int64_t StrToInt64(std::string_view text);
std::int64_t StrToInt64Def(std::string_view text, std::int64_t defaultValue);
bool TryStrToInt64(std::string_view text, std::int64_t& value);

// Floating-point parsing: blanks around, optional sign, digits with at most
// one DecimalSeparator (only that character: with "," as the separator "."
// is rejected), at least one digit, optional exponent E or e, optional sign,
// digits. The whole text must match. The result is correctly rounded;
// values too small for a double become zero, too large ones are errors.
// Failures raise EConvertError "'<text>' не является числом".
double StrToFloat(std::string_view text);
bool TryStrToFloat(std::string_view text, double& value);
double StrToFloatDef(std::string_view text, double defaultValue);
// The same syntax, exact on the decimal digits: more than four decimals
// round half to even. Out of the Currency range is an error (same message).
Currency StrToCurr(std::string_view text);
bool TryStrToCurr(std::string_view text, Currency& value);
