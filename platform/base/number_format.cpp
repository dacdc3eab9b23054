#include "platform/base/number_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

#include "platform/base/exceptions.h"
#include "platform/base/format_settings.h"

namespace {

// The classic formatter saw a double through 18 significant digits.
constexpr int kDoubleDigits = 18;
constexpr int kDoublePrecision = 15;
// Every digit of the largest Currency, so currency text is always exact.
constexpr int kCurrencyPrecision = 19;
constexpr double kGeneralOnlyLimit = 1e18;

// A decimal number: value = 0.D1D2...Dn * 10^Exponent. No leading zeros,
// no trailing zeros; Count == 0 is zero (Negative may still be set).
struct TDecimal {
  bool Negative = false;
  int Exponent = 0;
  int Count = 0;
  char Digits[24];

  bool IsZero() const { return Count == 0; }
  char DigitAt(int i) const { return i >= 0 && i < Count ? Digits[i] : '0'; }
};

void StripTrailingZeros(TDecimal& d) {
  while (d.Count > 0 && d.Digits[d.Count - 1] == '0') {
    --d.Count;
  }
  if (d.Count == 0) {
    d.Exponent = 0;
  }
}

// Whether a finite `magnitude` >= 0 is a whole number (every double from
// 2^52 up is); cheaper than comparing with std::trunc.
bool IsWhole(double magnitude) {
  if (magnitude >= 4503599627370496.0) {
    return true;
  }
  return static_cast<double>(static_cast<std::uint64_t>(magnitude)) == magnitude;
}

// The 18 significant digits, always written out in full.
// REQUIRES: value is finite.
TDecimal FromDoubleDigits(double value) {
  TDecimal d;
  d.Negative = std::signbit(value);
  if (value == 0) {
    return d;
  }
  // "d.ddddddddddddddddde+XXX"
  char buffer[40];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                    std::chars_format::scientific, kDoubleDigits - 1);
  d.Digits[0] = buffer[0];
  std::copy(buffer + 2, buffer + 1 + kDoubleDigits, d.Digits + 1);
  d.Count = kDoubleDigits;
  const char* p = buffer + 1 + kDoubleDigits + 1;  // after 'e'
  const bool negativeExponent = *p == '-';
  int exponent = 0;
  for (++p; p < result.ptr; ++p) {
    exponent = exponent * 10 + (*p - '0');
  }
  d.Exponent = (negativeExponent ? -exponent : exponent) + 1;
  StripTrailingZeros(d);
  return d;
}

// The shortest digits that read back as `value` (a normal double), when
// they are the digits the 18-digit form rounds to at `keep` significant
// digits, whatever `keep` the caller takes from them: up to 15 such digits
// lie nearer the value than half a unit of their 15th place (a normal
// double is within 2^-53 of them), so rounding the 18 digits anywhere from
// their last place to the 15th gives them back. A power of ten is left
// out: the 18 digits may lie just below it, one decade lower. False, `d`
// untouched, otherwise.
bool ShortestDigits(double value, TDecimal& d, int& count) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                    std::chars_format::scientific);
  // "d[.ddd]e[+-]XX"
  const char* p = buffer;
  TDecimal shortest;
  shortest.Negative = std::signbit(value);
  shortest.Digits[shortest.Count++] = *p++;
  if (*p == '.') {
    for (++p; *p != 'e'; ++p) {
      if (shortest.Count == kDoublePrecision) return false;
      shortest.Digits[shortest.Count++] = *p;
    }
  }
  ++p;  // 'e'
  const bool negativeExponent = *p == '-';
  int exponent = 0;
  for (++p; p < result.ptr; ++p) exponent = exponent * 10 + (*p - '0');
  shortest.Exponent = (negativeExponent ? -exponent : exponent) + 1;
  StripTrailingZeros(shortest);
  if (shortest.Count == 1 && shortest.Digits[0] == '1') return false;
  count = shortest.Count;
  d = shortest;
  return true;
}

// FromDoubleDigits, quicker for whole numbers.
// REQUIRES: value is finite.
TDecimal FromDouble(double value) {
  const double magnitude = std::fabs(value);
  if (value == 0 || !(magnitude < 1e18 && IsWhole(magnitude))) {
    return FromDoubleDigits(value);
  }
  // A whole number of at most 18 digits: its exact digits are the 18
  // significant ones.
  TDecimal d;
  d.Negative = std::signbit(value);
  const auto result =
      std::to_chars(d.Digits, d.Digits + sizeof d.Digits, static_cast<std::uint64_t>(magnitude));
  d.Count = static_cast<int>(result.ptr - d.Digits);
  d.Exponent = d.Count;
  StripTrailingZeros(d);
  return d;
}

// FloatToStrF of a whole number in ffGeneral or ffFixed when it has no more
// digits than the precision: then nothing rounds, and the text is the
// integer's digits (with the fixed format's zero decimals), written to
// `out` (room for 40 characters). Its length; 0 for any other value.
int WholeNumberText(double value, TFloatFormat format, int precision, int digits, char* out) {
  if (format != ffGeneral && format != ffFixed) {
    return 0;
  }
  const double magnitude = std::fabs(value);
  if (!(magnitude < 1e15) || !IsWhole(magnitude)) {
    return 0;
  }
  char* p = out;
  if (magnitude != 0 && std::signbit(value)) {
    *p++ = '-';
  }
  const auto result = std::to_chars(p, out + 16, static_cast<std::uint64_t>(magnitude));
  if (result.ptr - p > std::clamp(precision, 1, kDoublePrecision)) {
    return 0;
  }
  p = result.ptr;
  const int decimals = format == ffFixed ? std::clamp(digits, 0, 18) : 0;
  if (decimals > 0) {
    *p++ = FormatSettings.DecimalSeparator;
    p = std::fill_n(p, decimals, '0');
  }
  return static_cast<int>(p - out);
}

TDecimal FromCurrency(Currency value) {
  TDecimal d;
  const std::int64_t scaled = value.Scaled();
  d.Negative = scaled < 0;
  const std::uint64_t magnitude =
      scaled < 0 ? 0 - static_cast<std::uint64_t>(scaled) : static_cast<std::uint64_t>(scaled);
  if (magnitude == 0) {
    return d;
  }
  const auto result = std::to_chars(d.Digits, d.Digits + sizeof d.Digits, magnitude);
  d.Count = static_cast<int>(result.ptr - d.Digits);
  d.Exponent = d.Count - 4;
  StripTrailingZeros(d);
  return d;
}

// Keeps the first `keep` significant digits, rounding half away from zero.
void RoundKeep(TDecimal& d, int keep) {
  if (keep >= d.Count) {
    return;
  }
  if (keep < 0) {
    d.Count = 0;
    d.Exponent = 0;
    return;
  }
  const bool up = d.Digits[keep] >= '5';
  d.Count = keep;
  if (!up) {
    StripTrailingZeros(d);
    return;
  }
  int i = keep - 1;
  while (i >= 0 && d.Digits[i] == '9') {
    --i;
  }
  if (i < 0) {
    d.Digits[0] = '1';
    d.Count = 1;
    ++d.Exponent;
    return;
  }
  ++d.Digits[i];
  d.Count = i + 1;
}

void AppendExponent(std::string& out, char letter, int exponent, int minDigits, bool plus) {
  out += letter;
  if (exponent < 0) {
    out += '-';
  } else if (plus) {
    out += '+';
  }
  char buffer[12];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::abs(exponent));
  const int length = static_cast<int>(result.ptr - buffer);
  out.append(std::max(minDigits - length, 0), '0');
  out.append(buffer, result.ptr);
}

// The integer digits of `d`, grouped by three when `group`; "0" for none.
void AppendInteger(std::string& out, const TDecimal& d, bool group) {
  if (d.Exponent <= 0) {
    out += '0';
    return;
  }
  for (int i = 0; i < d.Exponent; ++i) {
    out += d.DigitAt(i);
    const int rest = d.Exponent - 1 - i;
    if (group && rest > 0 && rest % 3 == 0) {
      out += FormatSettings.ThousandSeparator;
    }
  }
}

void AppendFraction(std::string& out, const TDecimal& d, int decimals) {
  if (decimals <= 0) {
    return;
  }
  out += FormatSettings.DecimalSeparator;
  for (int k = 0; k < decimals; ++k) {
    out += d.DigitAt(d.Exponent + k);
  }
}

// `d` already rounded to its precision.
std::string GeneralText(const TDecimal& d, int precision, int digits) {
  if (d.IsZero()) {
    return "0";
  }
  std::string out;
  if (d.Negative) {
    out += '-';
  }
  if (d.Exponent > precision || d.Exponent < -3) {
    out += d.Digits[0];
    if (d.Count > 1) {
      out += FormatSettings.DecimalSeparator;
      out.append(d.Digits + 1, d.Count - 1);
    }
    AppendExponent(out, 'E', d.Exponent - 1, digits, false);
  } else {
    AppendInteger(out, d, false);
    AppendFraction(out, d, d.Count - d.Exponent);
  }
  return out;
}

std::string WrapCurrency(const std::string& number, bool negative) {
  const std::string& symbol = FormatSettings.CurrencyString;
  if (!negative) {
    switch (FormatSettings.CurrencyFormat) {
      case 1:
        return number + symbol;
      case 2:
        return symbol + " " + number;
      case 3:
        return number + " " + symbol;
      default:
        return symbol + number;
    }
  }
  switch (FormatSettings.NegCurrFormat) {
    case 1:
      return "-" + symbol + number;
    case 2:
      return symbol + "-" + number;
    case 3:
      return symbol + number + "-";
    case 4:
      return "(" + number + symbol + ")";
    case 5:
      return "-" + number + symbol;
    case 6:
      return number + "-" + symbol;
    case 7:
      return number + symbol + "-";
    case 8:
      return "-" + number + " " + symbol;
    case 9:
      return "-" + symbol + " " + number;
    case 10:
      return number + " " + symbol + "-";
    case 11:
      return symbol + " " + number + "-";
    case 12:
      return symbol + " -" + number;
    case 13:
      return number + "- " + symbol;
    case 14:
      return "(" + symbol + " " + number + ")";
    case 15:
      return "(" + number + " " + symbol + ")";
    default:
      return "(" + symbol + number + ")";
  }
}

std::string DecimalToStrF(TDecimal d, TFloatFormat format, int precision, int maxPrecision,
                          int digits) {
  precision = std::clamp(precision, 1, maxPrecision);
  switch (format) {
    case ffExponent: {
      RoundKeep(d, precision);
      std::string out;
      if (d.Negative && !d.IsZero()) {
        out += '-';
      }
      out += d.DigitAt(0);
      if (precision > 1) {
        out += FormatSettings.DecimalSeparator;
        for (int i = 1; i < precision; ++i) {
          out += d.DigitAt(i);
        }
      }
      AppendExponent(out, 'E', d.IsZero() ? 0 : d.Exponent - 1, std::clamp(digits, 0, 4), true);
      return out;
    }
    case ffFixed:
    case ffNumber:
    case ffCurrency: {
      digits = std::clamp(digits, 0, 18);
      RoundKeep(d, std::min(precision, d.Exponent + digits));
      if (d.Exponent > precision) {
        return GeneralText(d, precision, 0);
      }
      std::string number;
      AppendInteger(number, d, format != ffFixed);
      AppendFraction(number, d, digits);
      const bool negative = d.Negative && !d.IsZero();
      if (format == ffCurrency) {
        return WrapCurrency(number, negative);
      }
      return negative ? "-" + number : number;
    }
    case ffGeneral:
    default:
      RoundKeep(d, precision);
      return GeneralText(d, precision, std::clamp(digits, 0, 4));
  }
}

std::string NonFiniteText(double value) {
  if (std::isnan(value)) {
    return "NAN";
  }
  return value < 0 ? "-INF" : "INF";
}

// ---- FormatFloat pattern language ----

enum class TTokenKind { Zero, Hash, Point, Comma, Exponent, Literal, Skip };

struct TToken {
  TTokenKind Kind = TTokenKind::Skip;
  std::string_view Text;  // Literal
  char Letter = 'E';      // Exponent
  bool Plus = false;      // Exponent: "E+"
  int ExponentDigits = 0;
};

// Splits one section into tokens; once the exponent has been seen every
// remaining character is literal.
class TPatternScanner {
 public:
  explicit TPatternScanner(std::string_view section) : FText(section) {}

  bool Next(TToken& token) {
    if (FPos >= FText.size()) {
      return false;
    }
    token = TToken();
    const char c = FText[FPos];
    if (c == '"' || c == '\'') {
      const std::size_t close = FText.find(c, FPos + 1);
      const std::size_t end = close == std::string_view::npos ? FText.size() : close;
      token.Kind = TTokenKind::Literal;
      token.Text = FText.substr(FPos + 1, end - FPos - 1);
      FPos = close == std::string_view::npos ? end : end + 1;
      return true;
    }
    ++FPos;
    if (!FExponentSeen) {
      switch (c) {
        case '0':
          token.Kind = TTokenKind::Zero;
          return true;
        case '#':
          token.Kind = TTokenKind::Hash;
          return true;
        case '.':
          token.Kind = FPointSeen ? TTokenKind::Skip : TTokenKind::Point;
          FPointSeen = true;
          return true;
        case ',':
          token.Kind = TTokenKind::Comma;
          return true;
        case 'E':
        case 'e':
          if (FPos < FText.size() && (FText[FPos] == '+' || FText[FPos] == '-')) {
            token.Kind = TTokenKind::Exponent;
            token.Letter = c;
            token.Plus = FText[FPos] == '+';
            ++FPos;
            while (FPos < FText.size() && FText[FPos] == '0') {
              ++token.ExponentDigits;
              ++FPos;
            }
            FExponentSeen = true;
            return true;
          }
          break;
        default:
          break;
      }
    }
    token.Kind = TTokenKind::Literal;
    token.Text = FText.substr(FPos - 1, 1);
    return true;
  }

  bool PointSeen() const { return FPointSeen; }

 private:
  std::string_view FText;
  std::size_t FPos = 0;
  bool FPointSeen = false;
  bool FExponentSeen = false;
};

struct TSectionLayout {
  int IntCount = 0;       // digit placeholders before the point
  int IntMinDigits = 0;   // from the first integer '0' to the point
  int FracCount = 0;      // digit placeholders after the point
  int FracMinDigits = 0;  // up to the last '0' after the point
  bool Thousands = false;
  bool Scientific = false;
};

TSectionLayout Analyze(std::string_view section) {
  TSectionLayout layout;
  TPatternScanner scanner(section);
  TToken token;
  int firstIntZero = -1;
  bool afterPoint = false;
  while (scanner.Next(token)) {
    switch (token.Kind) {
      case TTokenKind::Zero:
      case TTokenKind::Hash:
        if (afterPoint) {
          ++layout.FracCount;
          if (token.Kind == TTokenKind::Zero) {
            layout.FracMinDigits = layout.FracCount;
          }
        } else {
          if (token.Kind == TTokenKind::Zero && firstIntZero < 0) {
            firstIntZero = layout.IntCount;
          }
          ++layout.IntCount;
        }
        break;
      case TTokenKind::Point:
        afterPoint = true;
        break;
      case TTokenKind::Comma:
        layout.Thousands = true;
        break;
      case TTokenKind::Exponent:
        layout.Scientific = true;
        break;
      default:
        break;
    }
  }
  layout.IntMinDigits = firstIntZero < 0 ? 0 : layout.IntCount - firstIntZero;
  return layout;
}

void RoundForLayout(TDecimal& d, const TSectionLayout& layout) {
  if (layout.Scientific) {
    RoundKeep(d, std::max(layout.IntCount + layout.FracCount, 1));
  } else {
    RoundKeep(d, d.Exponent + layout.FracCount);
  }
}

// Writes `d` (rounded for `layout`) through the section's tokens.
void EmitSection(std::string& out, std::string_view section, const TSectionLayout& layout,
                 const TDecimal& d) {
  // The integer digits P[0..integerLength): the first `realDigits` digits
  // of d, left-padded with zeros to the section's minimum.
  int realDigits;
  int fractionStart;  // index into d of the first decimal digit
  int exponent = 0;
  if (layout.Scientific) {
    realDigits = d.IsZero() ? 0 : layout.IntCount;
    fractionStart = layout.IntCount;
    exponent = d.IsZero() ? 0 : d.Exponent - layout.IntCount;
  } else {
    realDigits = std::max(d.Exponent, 0);
    fractionStart = d.Exponent;
  }
  const int integerLength = std::max(realDigits, layout.IntMinDigits);
  const int padding = integerLength - realDigits;
  const int significantDecimals = std::clamp(d.Count - fractionStart, 0, layout.FracCount);
  const int printedDecimals = std::max(layout.FracMinDigits, significantDecimals);

  const std::string& separator = FormatSettings.ThousandSeparator;
  auto emitInteger = [&](int from, int to) {  // P[from..to)
    for (int k = std::max(from, 0); k < to; ++k) {
      out += k < padding ? '0' : d.DigitAt(k - padding);
      const int rest = integerLength - 1 - k;
      if (layout.Thousands && rest > 0 && rest % 3 == 0) {
        out += separator;
      }
    }
  };

  TPatternScanner scanner(section);
  TToken token;
  int intIndex = 0;
  int fracIndex = 0;
  bool afterPoint = false;
  while (scanner.Next(token)) {
    switch (token.Kind) {
      case TTokenKind::Zero:
      case TTokenKind::Hash:
        if (afterPoint) {
          ++fracIndex;
          if (fracIndex <= printedDecimals) {
            out += d.DigitAt(fractionStart + fracIndex - 1);
          }
        } else {
          // Placeholder i takes P[L - IntCount + i]; the first one also
          // takes every digit in front of it.
          const int position = integerLength - layout.IntCount + intIndex;
          emitInteger(intIndex == 0 ? 0 : position, position + 1);
          ++intIndex;
        }
        break;
      case TTokenKind::Point:
        if (layout.IntCount == 0) {
          emitInteger(0, integerLength);
        }
        afterPoint = true;
        if (printedDecimals > 0) {
          out += FormatSettings.DecimalSeparator;
        }
        break;
      case TTokenKind::Exponent:
        AppendExponent(out, token.Letter, exponent, token.ExponentDigits, token.Plus);
        break;
      case TTokenKind::Literal:
        out += token.Text;
        break;
      default:
        break;
    }
  }
}

// `tooLargeForFixed`: the value has more integer digits than the fixed
// layout can hold; only a scientific section may format it, any other one
// gives the general text.
std::string FormatDecimal(std::string_view pattern, const TDecimal& value, int generalPrecision,
                          bool tooLargeForFixed = false) {
  // Sections, split at ";" outside quotes.
  std::string_view sections[3];
  int sectionCount = 0;
  {
    std::size_t start = 0;
    char quote = 0;
    for (std::size_t i = 0; i <= pattern.size() && sectionCount < 3; ++i) {
      if (i == pattern.size() || (quote == 0 && pattern[i] == ';')) {
        sections[sectionCount++] = pattern.substr(start, i - start);
        start = i + 1;
      } else if (quote != 0) {
        quote = pattern[i] == quote ? 0 : quote;
      } else if (pattern[i] == '"' || pattern[i] == '\'') {
        quote = pattern[i];
      }
    }
  }
  auto usable = [&](int i) { return i < sectionCount && !sections[i].empty(); };

  int index = 0;
  bool minus = false;
  if (value.IsZero()) {
    index = usable(2) ? 2 : 0;
  } else if (value.Negative) {
    if (usable(1)) {
      index = 1;
    } else {
      minus = true;
    }
  }
  TSectionLayout layout = Analyze(sections[index]);
  if (tooLargeForFixed && !layout.Scientific) {
    return DecimalToStrF(value, ffGeneral, generalPrecision, generalPrecision, 0);
  }
  TDecimal rounded = value;
  RoundForLayout(rounded, layout);
  if (rounded.IsZero() && !value.IsZero()) {
    minus = false;
    if (usable(2)) {
      index = 2;
      layout = Analyze(sections[2]);
    }
  }
  if (sections[index].empty()) {
    return DecimalToStrF(value, ffGeneral, generalPrecision, generalPrecision, 0);
  }
  std::string out;
  if (minus) {
    out += '-';
  }
  EmitSection(out, sections[index], layout, rounded);
  return out;
}

// ---- Parsing ----

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && IsBlank(text.back())) {
    text.remove_suffix(1);
  }
  return text;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

template <class T>
bool ParseInteger(std::string_view text, T& value) {
  using U = std::make_unsigned_t<T>;
  std::string_view s = TrimBlanks(text);
  bool negative = false;
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  U magnitude = 0;
  const bool hex = !s.empty() && (s.front() == '$' ||
                                  (s.size() > 1 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')));
  if (hex) {
    s.remove_prefix(s.front() == '$' ? 1 : 2);
    if (s.empty()) return false;
    for (char c : s) {
      const int digit = HexValue(c);
      if (digit < 0 || (magnitude >> (std::numeric_limits<U>::digits - 4)) != 0) return false;
      magnitude = static_cast<U>(magnitude * 16 + digit);
    }
  } else {
    if (s.empty()) return false;
    const U limit = static_cast<U>(std::numeric_limits<T>::max()) + (negative ? 1 : 0);
    for (char c : s) {
      if (!IsDigit(c)) return false;
      const U digit = static_cast<U>(c - '0');
      if (magnitude > (limit - digit) / 10) return false;
      magnitude = static_cast<U>(magnitude * 10 + digit);
    }
  }
  value = static_cast<T>(negative ? static_cast<U>(0 - magnitude) : magnitude);
  return true;
}

[[noreturn]] void RaiseBadInteger(std::string_view text) {
  throw EConvertError("'" + std::string(text) + "' не является целым числом");
}

[[noreturn]] void RaiseBadFloat(std::string_view text) {
  throw EConvertError("'" + std::string(text) + "' не является числом");
}

// The pieces of a number in the float syntax.
struct TNumberText {
  bool Negative = false;
  std::string_view Integer;   // digits before the separator
  std::string_view Fraction;  // digits after it
  long Exponent = 0;          // saturated at +-kExponentLimit
};

constexpr long kExponentLimit = 100000;

bool SplitNumber(std::string_view text, TNumberText& number) {
  std::string_view s = TrimBlanks(text);
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    number.Negative = s[i] == '-';
    ++i;
  }
  std::size_t start = i;
  while (i < s.size() && IsDigit(s[i])) ++i;
  number.Integer = s.substr(start, i - start);
  if (i < s.size() && s[i] == FormatSettings.DecimalSeparator) {
    start = ++i;
    while (i < s.size() && IsDigit(s[i])) ++i;
    number.Fraction = s.substr(start, i - start);
  }
  if (number.Integer.empty() && number.Fraction.empty()) return false;
  if (i < s.size() && (s[i] == 'E' || s[i] == 'e')) {
    ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
      negative = s[i] == '-';
      ++i;
    }
    if (i >= s.size() || !IsDigit(s[i])) return false;
    long exponent = 0;
    for (; i < s.size() && IsDigit(s[i]); ++i) {
      exponent = std::min(exponent * 10 + (s[i] - '0'), kExponentLimit);
    }
    number.Exponent = negative ? -exponent : exponent;
  }
  return i == s.size();
}

bool ParseFloat(std::string_view text, double& value) {
  TNumberText number;
  if (!SplitNumber(text, number)) return false;
  std::string plain;
  plain.reserve(number.Integer.size() + number.Fraction.size() + 12);
  plain.append(number.Integer);
  plain += '.';
  plain.append(number.Fraction);
  plain += 'e';
  plain += std::to_string(number.Exponent);
  double result = 0;
  const auto [end, error] = std::from_chars(plain.data(), plain.data() + plain.size(), result);
  if (error == std::errc::result_out_of_range) {
    // Decide between overflow and underflow by the decimal magnitude.
    const std::size_t leadingZeros = number.Integer.find_first_not_of('0');
    long magnitude;
    if (leadingZeros != std::string_view::npos) {
      magnitude = static_cast<long>(number.Integer.size() - leadingZeros);
    } else {
      const std::size_t fractionZeros = number.Fraction.find_first_not_of('0');
      magnitude = -static_cast<long>(
          fractionZeros == std::string_view::npos ? number.Fraction.size() : fractionZeros);
    }
    if (magnitude + number.Exponent > 0) return false;
    result = 0;
  } else if (error != std::errc() || end != plain.data() + plain.size()) {
    return false;
  }
  value = number.Negative ? -result : result;
  return true;
}

bool ParseCurrency(std::string_view text, Currency& value) {
  TNumberText number;
  if (!SplitNumber(text, number)) return false;
  // All digits as one integer M; the value is M * 10^shift ten-thousandths.
  std::string digits;
  digits.reserve(number.Integer.size() + number.Fraction.size());
  digits.append(number.Integer);
  digits.append(number.Fraction);
  const std::size_t firstNonZero = digits.find_first_not_of('0');
  if (firstNonZero == std::string::npos) {
    value = Currency();
    return true;
  }
  digits.erase(0, firstNonZero);
  const long shift = number.Exponent - static_cast<long>(number.Fraction.size()) + 4;
  const long length = static_cast<long>(digits.size());
  const long whole = length + shift;  // digits of the scaled integer
  if (whole > 19) return false;
  unsigned __int128 scaled = 0;
  for (long i = 0; i < whole; ++i) {
    scaled = scaled * 10 + (i < length ? digits[i] - '0' : 0);
  }
  // Half to even on the dropped digits.
  if (whole >= 0 && whole < length) {
    const char first = digits[whole];
    const bool restNonZero = digits.find_first_not_of('0', whole + 1) != std::string::npos;
    if (first > '5' || (first == '5' && (restNonZero || scaled % 2 != 0))) {
      ++scaled;
    }
  }
  const unsigned __int128 limit =
      static_cast<unsigned __int128>(std::numeric_limits<std::int64_t>::max()) +
      (number.Negative ? 1 : 0);
  if (scaled > limit) return false;
  const auto magnitude = static_cast<std::uint64_t>(scaled);
  value =
      Currency::FromScaled(static_cast<std::int64_t>(number.Negative ? 0 - magnitude : magnitude));
  return true;
}

}  // namespace

std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits) {
  if (!std::isfinite(value)) {
    return NonFiniteText(value);
  }
  const double magnitude = std::fabs(value);
  char whole[40];
  if (const int length = WholeNumberText(value, format, precision, digits, whole); length > 0) {
    return std::string(whole, static_cast<std::size_t>(length));
  }
  TDecimal d;
  int count = 0;
  // Whole numbers have their own quick way in FromDouble.
  if (!IsWhole(magnitude) && std::isnormal(value) && ShortestDigits(value, d, count)) {
    // The significant digits DecimalToStrF keeps: when the shortest digits
    // fit, they are what it would round the 18 digits to.
    const int clamped = std::clamp(precision, 1, kDoublePrecision);
    const bool fixed = format == ffFixed || format == ffNumber || format == ffCurrency;
    const int keep = fixed ? std::min(clamped, d.Exponent + std::clamp(digits, 0, 18)) : clamped;
    if (count <= keep) {
      return DecimalToStrF(d, format, precision, kDoublePrecision, digits);
    }
  }
  return DecimalToStrF(FromDouble(value), format, precision, kDoublePrecision, digits);
}

std::string FloatToStrFByDigits(double value, TFloatFormat format, int precision, int digits) {
  if (!std::isfinite(value)) {
    return NonFiniteText(value);
  }
  return DecimalToStrF(FromDoubleDigits(value), format, precision, kDoublePrecision, digits);
}

std::string FloatToStrF(Currency value, TFloatFormat format, int precision, int digits) {
  return DecimalToStrF(FromCurrency(value), format, precision, kCurrencyPrecision, digits);
}

std::string FloatToStr(double value) { return FloatToStrF(value, ffGeneral, kDoublePrecision, 0); }

namespace {

bool DecimalTextToStrInFull(std::string_view text, std::string& out);

}  // namespace

namespace {

// DecimalTextToStrInFull's text in `out` (kFloatTextRoom bytes); 0 where
// it gives false.
[[gnu::noinline]] std::size_t DecimalTextToCharsInFull(std::string_view text, char* out) {
  std::string made;
  if (!DecimalTextToStrInFull(text, made) || made.size() > kFloatTextRoom) return 0;
  std::memcpy(out, made.data(), made.size());
  return made.size();
}

// DecimalTextToChars of more than one byte; out of line, so that a single
// digit saves no registers.
[[gnu::noinline]] std::size_t DecimalTextToCharsLonger(std::string_view text, char* out) {
  // Most stored numbers are already written as FloatToStr writes them, but
  // for trailing fraction zeros (and then a bare point): [-]digits[.digits]
  // without leading zeros, at most 15 significant digits, at most three
  // zeros between the point and the first digit of a number below 1. One
  // pass finds where that text ends; a zero of either sign is "0".
  const char* const begin = text.data();
  const char* const end = begin + text.size();
  const char* p = begin;
  if (p != end && *p == '-') ++p;
  const char* const integer = p;
  while (p != end && IsDigit(*p)) ++p;
  if (p == integer || (*integer == '0' && p - integer > 1))
    return DecimalTextToCharsInFull(text, out);
  const char* kept = p;
  const char* point = end;
  std::ptrdiff_t significant = *integer == '0' ? 0 : p - integer;
  if (p != end) {
    if (*p != '.') return DecimalTextToCharsInFull(text, out);
    point = p++;
    const char* first = p;
    while (p != end && IsDigit(*p)) ++p;
    if (p != end) return DecimalTextToCharsInFull(text, out);
    while (p != first && p[-1] == '0') --p;
    if (p != first) {
      kept = p;
      if (significant == 0) {
        while (*first == '0') ++first;
        if (first - point > 4) return DecimalTextToCharsInFull(text, out);
      }
      significant += p - first;
    }
  }
  if (significant == 0) {
    out[0] = '0';
    return 1;
  }
  if (significant > kDoublePrecision) return DecimalTextToCharsInFull(text, out);
  // At most "-0.000" and 15 digits.
  const auto size = static_cast<std::size_t>(kept - begin);
  std::memcpy(out, begin, size);
  if (kept > point) out[point - begin] = FormatSettings.DecimalSeparator;
  return size;
}

}  // namespace

std::size_t DecimalTextToChars(std::string_view text, char* out) {
  if (text.size() != 1 || !IsDigit(text[0])) return DecimalTextToCharsLonger(text, out);
  // A single digit, as a blank column reads, is its own text.
  out[0] = text[0];
  return 1;
}

bool DecimalTextToStr(std::string_view text, std::string& out) {
  char made[kFloatTextRoom];
  const std::size_t size = DecimalTextToChars(text, made);
  if (size == 0) return false;
  out.assign(made, size);
  return true;
}

namespace {

// DecimalTextToStr of a text that is not FloatToStr's already; out of line,
// so that the plain text's way sets up none of its state.
[[gnu::noinline]] bool DecimalTextToStrInFull(std::string_view text, std::string& out) {
  // Up to 15 significant digits the double's 18 exact ones round back to
  // the digits written, so they are FloatToStr's digits too.
  TDecimal d;
  std::size_t i = 0;
  d.Negative = !text.empty() && text[0] == '-';
  if (d.Negative) ++i;
  bool point = false, any = false;
  int integerDigits = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '.' && !point) {
      point = true;
      continue;
    }
    if (c < '0' || c > '9') return false;
    any = true;
    if (c == '0' && d.Count == 0) {
      if (point) --d.Exponent;  // a zero between the point and the first digit
      continue;
    }
    if (d.Count == kDoublePrecision) {
      if (c != '0') return false;  // more significant digits than sure
      if (!point) ++integerDigits;
      continue;
    }
    d.Digits[d.Count++] = c;
    if (!point) ++integerDigits;
  }
  if (!any) return false;
  d.Exponent = d.Count == 0 ? 0 : (integerDigits > 0 ? integerDigits : d.Exponent);
  StripTrailingZeros(d);
  out = DecimalToStrF(d, ffGeneral, kDoublePrecision, kDoublePrecision, 0);
  return true;
}

}  // namespace

std::string FormatFloat(std::string_view pattern, double value) {
  if (pattern.empty() || !std::isfinite(value)) {
    return FloatToStr(value);
  }
  return FormatDecimal(pattern, FromDouble(value), kDoublePrecision,
                       std::fabs(value) >= kGeneralOnlyLimit);
}

std::string FormatFloatByDigits(std::string_view pattern, double value) {
  if (pattern.empty() || !std::isfinite(value)) {
    return FloatToStrFByDigits(value, ffGeneral, kDoublePrecision, 0);
  }
  return FormatDecimal(pattern, FromDoubleDigits(value), kDoublePrecision,
                       std::fabs(value) >= kGeneralOnlyLimit);
}

std::string FormatCurr(std::string_view pattern, Currency value) {
  if (pattern.empty()) {
    return CurrToStr(value);
  }
  return FormatDecimal(pattern, FromCurrency(value), kCurrencyPrecision);
}

std::string CurrToStr(Currency value) {
  return FloatToStrF(value, ffGeneral, kCurrencyPrecision, 0);
}

std::string CurrToStrF(Currency value, TFloatFormat format, int digits) {
  return FloatToStrF(value, format, kCurrencyPrecision, digits);
}

bool TryStrToInt(std::string_view text, int& value) { return ParseInteger(text, value); }

int StrToInt(std::string_view text) {
  int value = 0;
  if (!ParseInteger(text, value)) RaiseBadInteger(text);
  return value;
}

int StrToIntDef(std::string_view text, int defaultValue) {
  int value = 0;
  return ParseInteger(text, value) ? value : defaultValue;
}

bool TryStrToInt64(std::string_view text, std::int64_t& value) { return ParseInteger(text, value); }

std::int64_t StrToInt64(std::string_view text) {
  std::int64_t value = 0;
  if (!ParseInteger(text, value)) RaiseBadInteger(text);
  return value;
}

std::int64_t StrToInt64Def(std::string_view text, std::int64_t defaultValue) {
  std::int64_t value = 0;
  return ParseInteger(text, value) ? value : defaultValue;
}

bool TryStrToFloat(std::string_view text, double& value) { return ParseFloat(text, value); }

double StrToFloat(std::string_view text) {
  double value = 0;
  if (!ParseFloat(text, value)) RaiseBadFloat(text);
  return value;
}

double StrToFloatDef(std::string_view text, double defaultValue) {
  double value = 0;
  return ParseFloat(text, value) ? value : defaultValue;
}

bool TryStrToCurr(std::string_view text, Currency& value) { return ParseCurrency(text, value); }

Currency StrToCurr(std::string_view text) {
  Currency value;
  if (!ParseCurrency(text, value)) RaiseBadFloat(text);
  return value;
}
