#include "platform/base/format.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <span>

#include "platform/base/exceptions.h"
#include "platform/base/format_settings.h"
#include "platform/base/number_format.h"
#include "platform/base/text.h"

namespace {

class TFormatter {
 public:
  TFormatter(std::string_view pattern, std::span<const TVarRec> args)
      : FPattern(pattern), FArgs(args) {}

  std::string Run() {
    FOut.reserve(FPattern.size() + 16);
    std::size_t pos = 0;
    while (pos < FPattern.size()) {
      const std::size_t percent = FPattern.find('%', pos);
      if (percent == std::string_view::npos) {
        FOut.append(FPattern.substr(pos));
        break;
      }
      FOut.append(FPattern.substr(pos, percent - pos));
      pos = Directive(percent + 1);
    }
    return std::move(FOut);
  }

 private:
  [[noreturn]] void Fail() const {
    throw EConvertError("Format '" + std::string(FPattern) +
                        "' invalid or incompatible with argument");
  }

  const TVarRec& NextArg() {
    if (FArgIndex >= FArgs.size()) {
      Fail();
    }
    return FArgs[FArgIndex++];
  }

  // Digits or "*" at `pos`; -1 when there is neither.
  int Number(std::size_t& pos) {
    if (pos < FPattern.size() && FPattern[pos] == '*') {
      ++pos;
      const TVarRec& arg = NextArg();
      if (arg.VType != TVarRec::Kind::Integer && arg.VType != TVarRec::Kind::Unsigned) {
        Fail();
      }
      if (arg.VInteger < 0 || arg.VInteger > kMaxNumber) {
        Fail();
      }
      return static_cast<int>(arg.VInteger);
    }
    if (pos >= FPattern.size() || FPattern[pos] < '0' || FPattern[pos] > '9') {
      return -1;
    }
    int value = 0;
    while (pos < FPattern.size() && FPattern[pos] >= '0' && FPattern[pos] <= '9') {
      value = value * 10 + (FPattern[pos++] - '0');
      if (value > kMaxNumber) {
        Fail();
      }
    }
    return value;
  }

  // Formats the directive whose text starts at `pos` (after "%"); returns
  // the position after it.
  std::size_t Directive(std::size_t pos) {
    if (pos < FPattern.size() && FPattern[pos] == '%') {
      FOut += '%';
      return pos + 1;
    }
    int width = Number(pos);
    if (pos < FPattern.size() && FPattern[pos] == ':') {
      if (width < 0) {
        Fail();
      }
      FArgIndex = static_cast<std::size_t>(width);
      ++pos;
      width = -1;
    }
    bool left = false;
    if (width < 0 && pos < FPattern.size() && FPattern[pos] == '-') {
      left = true;
      ++pos;
    }
    if (width < 0) {
      width = Number(pos);
    }
    int precision = -1;
    if (pos < FPattern.size() && FPattern[pos] == '.') {
      ++pos;
      precision = std::max(Number(pos), 0);
    }
    if (pos >= FPattern.size()) {
      Fail();
    }
    const char type = FPattern[pos++];
    const std::size_t start = FOut.size();
    Convert(type, precision, NextArg());
    const int padding = width - Length(std::string_view(FOut).substr(start));
    if (padding > 0) {
      FOut.insert(left ? FOut.end() : FOut.begin() + static_cast<std::ptrdiff_t>(start),
                  static_cast<std::size_t>(padding), ' ');
    }
    return pos;
  }

  void Convert(char type, int precision, const TVarRec& arg) {
    using Kind = TVarRec::Kind;
    switch (type | 0x20) {  // lower case
      case 'd':
        if (arg.VType == Kind::Integer) {
          AppendDigits(arg.VInteger < 0, Magnitude(arg.VInteger), 10, precision);
        } else if (arg.VType == Kind::Unsigned) {
          AppendDigits(false, static_cast<std::uint64_t>(arg.VInteger), 10, precision);
        } else {
          Fail();
        }
        return;
      case 'u':
        AppendDigits(false, BitPattern(arg), 10, precision);
        return;
      case 'x':
        AppendDigits(false, BitPattern(arg), 16, precision);
        return;
      case 'p':
        if (arg.VType != Kind::Pointer) {
          Fail();
        }
        AppendDigits(false, reinterpret_cast<std::uintptr_t>(arg.VPointer), 16, 8);
        return;
      case 's':
        if (arg.VType == Kind::String) {
          FOut += precision < 0
                      ? arg.VString
                      : arg.VString.substr(0, ByteOffsetOfChar(arg.VString, precision + 1));
        } else if (arg.VType == Kind::Char) {
          if (precision != 0) {
            FOut += arg.VChar;
          }
        } else {
          Fail();
        }
        return;
      case 'e':
        FOut += Float(arg, ffExponent, precision < 0 ? 15 : precision, 3);
        return;
      case 'f':
        FOut += Float(arg, ffFixed, -1, precision < 0 ? 2 : precision);
        return;
      case 'g':
        FOut += Float(arg, ffGeneral, precision < 0 ? 15 : precision, 0);
        return;
      case 'n':
        FOut += Float(arg, ffNumber, -1, precision < 0 ? 2 : precision);
        return;
      case 'm':
        FOut +=
            Float(arg, ffCurrency, -1, precision < 0 ? FormatSettings.CurrencyDecimals : precision);
        return;
      default:
        Fail();
    }
  }

  static std::uint64_t Magnitude(std::int64_t v) {
    return v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
  }

  // An integer argument as the unsigned number u and x print.
  std::uint64_t BitPattern(const TVarRec& arg) const {
    if (arg.VType == TVarRec::Kind::Unsigned) {
      return static_cast<std::uint64_t>(arg.VInteger);
    }
    if (arg.VType != TVarRec::Kind::Integer) {
      Fail();
    }
    if (arg.VInteger < 0 && arg.VInteger >= INT32_MIN) {
      return static_cast<std::uint32_t>(arg.VInteger);
    }
    return static_cast<std::uint64_t>(arg.VInteger);
  }

  void AppendDigits(bool negative, std::uint64_t magnitude, int base, int minDigits) {
    char buffer[24];
    char* end = std::to_chars(buffer, buffer + sizeof buffer, magnitude, base).ptr;
    if (base == 16) {
      for (char* p = buffer; p < end; ++p) {
        if (*p >= 'a') {
          *p = static_cast<char>(*p - 'a' + 'A');
        }
      }
    }
    if (negative) {
      FOut += '-';
    }
    const auto length = static_cast<int>(end - buffer);
    if (minDigits > length) {
      FOut.append(static_cast<std::size_t>(minDigits - length), '0');
    }
    FOut.append(buffer, end);
  }

  // `precision` < 0 means the type's full precision.
  std::string Float(const TVarRec& arg, TFloatFormat format, int precision, int digits) const {
    if (arg.VType == TVarRec::Kind::Double) {
      return FloatToStrF(arg.VDouble, format, precision < 0 ? 15 : precision, digits);
    }
    if (arg.VType == TVarRec::Kind::Currency) {
      return FloatToStrF(arg.VCurrency, format, precision < 0 ? 19 : precision, digits);
    }
    Fail();
  }

  // Bounds widths, precisions and indexes to something sane.
  static constexpr int kMaxNumber = 1 << 20;

  std::string_view FPattern;
  std::span<const TVarRec> FArgs;
  std::size_t FArgIndex = 0;
  std::string FOut;
};

}  // namespace

std::string FormatV(std::string_view pattern, std::span<const TVarRec> args) {
  return TFormatter(pattern, args).Run();
}
