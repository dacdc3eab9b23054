// TVarRec: one argument of Format, as the classic "array of const" held it.
//
// Format (format.h) takes its arguments as a span of TVarRec; the variadic
// overloads build the span from ordinary C++ values. A TVarRec only refers
// to the string it was made from, so it must not outlive the call.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

#include "platform/base/currency.h"

struct TVarRec {
  enum class Kind { Integer, Unsigned, Double, Currency, String, Char, Pointer, Boolean };

  Kind VType;
  std::int64_t VInteger = 0;  // Integer, Unsigned (bit pattern), Boolean
  double VDouble = 0;         // Double
  ::Currency VCurrency;       // Currency
  std::string_view VString;   // String: UTF-8, not owned
  const void* VPointer = nullptr;
  char VChar = 0;  // Char: one byte, formatted by %s

  // clang-format off
  template <class T>
    requires(std::is_integral_v<T> && std::is_signed_v<T> && !std::is_same_v<T, char>)
  TVarRec(T v) : VType(Kind::Integer), VInteger(v) {}
  template <class T>
    requires(std::is_integral_v<T> && std::is_unsigned_v<T> && !std::is_same_v<T, bool>)
  TVarRec(T v) : VType(Kind::Unsigned), VInteger(static_cast<std::int64_t>(v)) {}
  // clang-format on
  TVarRec(bool v) : VType(Kind::Boolean), VInteger(v ? 1 : 0) {}
  TVarRec(double v) : VType(Kind::Double), VDouble(v) {}
  TVarRec(float v) : VType(Kind::Double), VDouble(v) {}
  TVarRec(long double v) : VType(Kind::Double), VDouble(static_cast<double>(v)) {}
  TVarRec(::Currency v) : VType(Kind::Currency), VCurrency(v) {}
  TVarRec(char v) : VType(Kind::Char), VChar(v) {}
  TVarRec(const char* v) : VType(Kind::String), VString(v ? v : "") {}
  TVarRec(std::string_view v) : VType(Kind::String), VString(v) {}
  TVarRec(const std::string& v) : VType(Kind::String), VString(v) {}
  TVarRec(const void* v) : VType(Kind::Pointer), VPointer(v) {}
};

// Formats `pattern` with `args`; defined in format.cpp. Raises EConvertError
// for a bad pattern or an argument of the wrong kind.
std::string FormatV(std::string_view pattern, std::span<const TVarRec> args);
