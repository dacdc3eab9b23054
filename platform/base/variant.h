// Variant: the classic dynamically typed value.
//
// The report engine's expressions, the grid and the edit controls compute
// with it, so this header is the contract of its behaviour: which kind
// an operation yields, when text becomes a number, how values order. GUI
// thread only (conversions read the global FormatSettings).
//
// A Variant is a small value type (copy, move, compare). It holds one of the
// kinds below; VarType() gives the classic type code. Text is UTF-8. Arrays
// are one-dimensional arrays of Variants with their own bounds; copying a
// Variant copies the array (shared until one copy is written).
//
// Empty and Null
//   Empty (Unassigned) is "no value yet": the default-constructed Variant.
//   Null is "unknown": database nulls. Factories: Variant::Unassigned(),
//   free Unassigned() and VarEmpty() give Empty; Variant::Null() and VarNull()
//   give Null. (There is no free Null(): the name is too common to take.)
//
// Kinds in operations
//   An ordinal is Boolean, ShortInt, Smallint, Integer, Byte, Word, LongWord
//   or Int64; a float is Single or Double. In arithmetic and comparison
//   Boolean counts as the integer True = -1, False = 0.
//
// Arithmetic: a + b, a - b, a * b, -a
//   Checked in this order:
//   1. either operand an array: EVariantError "Invalid variant operation".
//   2. either operand Null: the result is Null.
//   3. every operand Empty: the result is Empty (Empty + Empty = Empty, so a
//      sum started from Empty stays Empty until a value arrives).
//   4. a + b with both strings, or a string and Empty: concatenation (Empty
//      is ""). "a" + "b" = "ab" (String).
//   5. otherwise each string operand is converted with StrToFloat (global
//      DecimalSeparator) to a Double, raising EVariantError "Could not
//      convert variant of type (String) into type (Double)" when it cannot;
//      Empty is the Integer 0. Then the result kind is, first match:
//        - a Date operand:   Date - Date = Double; any other + - with a Date
//                            is Date; * with a Date is Double
//        - a float operand:  Double
//        - a Currency:       Currency (with ordinals and Currency)
//        - a LongWord/Int64: Int64
//        - otherwise:        Integer, widened to Int64 when the exact result
//                            does not fit 32 bits
//      "1" + 2 = 3 (Double); Empty + 5 = 5 (Integer); True + 1 = 0 (Integer).
//   Int64 and Currency overflow raise EIntOverflow "Integer overflow" (an
//   ordinal too large to become Currency raises the conversion overflow
//   error below); a
//   Double result that is infinite raises EOverflow "Floating point
//   overflow" and one that is not a number EInvalidOp "Invalid floating point
//   operation".
//
// Division: a / b
//   Steps 1, 2 and 5 as above (Empty is 0); both operands become Double and
//   the result is Double: 7 / 2 = 3.5. A zero divisor raises EZeroDivide
//   "Floating point division by zero" (0 / 0 included).
//
// Integer division and remainder: IntDiv(a, b), a % b (the classic div, mod)
//   Steps 1 and 2 as above; then both operands are converted to Int64 as
//   AsInt64() does (floats and Currency rounded half to even, strings read
//   as integers or else as floats then rounded, Empty 0). A zero divisor
//   raises EDivByZero "Division by zero". The quotient is truncated toward
//   zero and the remainder has the dividend's sign: IntDiv(7, 2) = 3,
//   -7 % 2 = -1. The result is Int64 when an operand is LongWord or Int64 or
//   the result does not fit 32 bits; otherwise Integer. Text that does not
//   read as a number raises "Could not convert variant of type (String) into
//   type (Int64)".
//
// Logic: VarAnd, VarOr, VarXor, VarNot
//   1. an array operand: EVariantError "Invalid variant operation".
//   2. a Null operand: the result is Null (Null propagates; no three-valued
//      shortcuts: Null and False is Null).
//   3. a string operand becomes Boolean when it is "True" or "False" (any
//      case), else a number read as AsInt64() reads it, else raises
//      EVariantError "Could not convert variant of type (String) into type
//      (Boolean)".
//   4. both operands Boolean: logical, the result is Boolean
//      (True or False = True). Empty next to a Boolean is False.
//   5. otherwise bitwise on integers: Boolean is -1/0, Empty 0, floats,
//      Currency and Dates are rounded half to even; the result kind follows
//      the IntDiv rule (True and 1 = 1, Integer; VarNot(0) = -1, Integer).
//   Unlike arithmetic, Empty is simply 0 here: VarNot(Empty) = -1.
//
// Comparison: VarCompareValue, == != < <= > >=
//   1. an array operand: EVariantError "Invalid variant operation".
//   2. Null equals Null and is less than every other value, Empty included.
//   3. Empty equals Empty; next to a string it is "", otherwise 0.
//   4. two strings: case-sensitive, locale order (AnsiCompareStr).
//   5. a string and a non-string: numerically when the string converts with
//      StrToFloat, otherwise as strings with the other operand put through
//      VarToStr. "10" > 9; "abc" vs 5 compares "abc" with "5".
//   6. numbers (Boolean -1/0, Dates as their day count): ordinals and
//      Currency exactly among themselves, Int64 exactly against Double too;
//      Currency against a float as doubles, so Currency 0.1 equals 0.1. A
//      NaN equals NaN and is less than every other number.
//   Among values of one family (Null, Empty and numbers; or Null, Empty and
//   strings) this is a strict weak ordering, except that Currency beyond
//   2^49 against floats compares with the precision of a double. Mixing
//   numbers with strings that do not read as numbers can break
//   transitivity; group change detection and MAXNUM/MINNUM only ever mix
//   such values in odd templates.
//   VarCompareValue never yields vrNotEqual; the value exists for callers
//   written against the classic set.
//
// Conversions (members As...(), VarToStr)
//   Failure raises EVariantError "Could not convert variant of type (%s)
//   into type (%s)" with the classic names of VarTypeAsText (e.g. "String",
//   "Null", "Array Variant"; the target is "Integer", "Int64", "Double",
//   "Currency", "Date", "Boolean" or "String"). A value out of the target's
//   range raises EVariantError "Overflow while converting variant of type
//   (%s) into type (%s)".
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "platform/base/currency.h"
#include "platform/base/date_time.h"

using TVarType = std::uint16_t;

inline constexpr TVarType varEmpty = 0x0000;
inline constexpr TVarType varNull = 0x0001;
inline constexpr TVarType varSmallint = 0x0002;
inline constexpr TVarType varInteger = 0x0003;
inline constexpr TVarType varSingle = 0x0004;
inline constexpr TVarType varDouble = 0x0005;
inline constexpr TVarType varCurrency = 0x0006;
inline constexpr TVarType varDate = 0x0007;
inline constexpr TVarType varOleStr = 0x0008;  // never produced
inline constexpr TVarType varBoolean = 0x000B;
inline constexpr TVarType varVariant = 0x000C;
inline constexpr TVarType varShortInt = 0x0010;
inline constexpr TVarType varByte = 0x0011;
inline constexpr TVarType varWord = 0x0012;
inline constexpr TVarType varLongWord = 0x0013;
inline constexpr TVarType varInt64 = 0x0014;
inline constexpr TVarType varString = 0x0100;
inline constexpr TVarType varTypeMask = 0x0FFF;
inline constexpr TVarType varArray = 0x2000;

enum TVariantRelationship { vrEqual, vrLessThan, vrGreaterThan, vrNotEqual };

class Variant {
 public:
  // Empty.
  Variant() = default;
  Variant(bool value) : FType(varBoolean), FValue(value) {}
  // The kind follows the C++ type: 8-bit ShortInt/Byte, 16-bit
  // Smallint/Word, 32-bit Integer/LongWord, 64-bit signed Int64. There is no
  // unsigned 64-bit kind, and char is refused (letter or number?).
  template <class T>
  requires(std::is_integral_v<T> && !std::is_same_v<T, bool> && !std::is_same_v<T, char> &&
           (std::is_signed_v<T> || sizeof(T) < 8)) Variant(T value)
      : FType(IntegerKind<T>()), FValue(static_cast<std::int64_t>(value)) {}
  Variant(char) = delete;
  // Single keeps the float's value; Double (a TDateTime too: use
  // VarFromDateTime for a Date).
  Variant(float value) : FType(varSingle), FValue(static_cast<double>(value)) {}
  Variant(double value) : FType(varDouble), FValue(value) {}
  Variant(Currency value) : FType(varCurrency), FValue(value) {}
  Variant(std::string value) : FType(varString), FValue(std::move(value)) {}
  Variant(std::string_view value) : Variant(std::string(value)) {}
  Variant(const char* value) : Variant(std::string(value ? value : "")) {}

  static Variant Unassigned() { return Variant(); }
  static Variant Null() {
    Variant v;
    v.FType = varNull;
    return v;
  }
  // A Date: the day count of a TDateTime.
  static Variant FromDateTime(TDateTime value) {
    Variant v(value);
    v.FType = varDate;
    return v;
  }

  // The classic type code; arrays give varArray | varVariant.
  TVarType VType() const { return FType; }

  // Conversions; see the header comment for failures. Empty gives 0, "" or
  // false; Null raises. Floats round half to even to integers.
  int AsInteger() const;
  std::int64_t AsInt64() const;
  double AsDouble() const;
  Currency AsCurrency() const;
  // The TDateTime day count; strings are read with TryStrToDateTime and
  // raise the conversion error (not EConvertError) when they do not read.
  TDateTime AsDateTime() const;
  // Numbers: non-zero is true; strings: "True"/"False" in any case or
  // numeric text.
  bool AsBoolean() const;
  // VarToStr.
  std::string AsString() const;

  // Operators; the rules are in the header comment. Friends found only
  // through a Variant operand, so they never capture other types' mixed
  // expressions (std::string + int stays an error). % is the classic mod.
  friend Variant operator+(const Variant& a, const Variant& b);
  friend Variant operator-(const Variant& a, const Variant& b);
  friend Variant operator*(const Variant& a, const Variant& b);
  friend Variant operator/(const Variant& a, const Variant& b);
  friend Variant operator%(const Variant& a, const Variant& b);
  friend Variant operator-(const Variant& a);
  friend bool operator==(const Variant& a, const Variant& b);
  friend bool operator<(const Variant& a, const Variant& b);
  friend bool operator!=(const Variant& a, const Variant& b) { return !(a == b); }
  friend bool operator>(const Variant& a, const Variant& b) { return b < a; }
  friend bool operator<=(const Variant& a, const Variant& b) { return !(b < a); }
  friend bool operator>=(const Variant& a, const Variant& b) { return !(a < b); }

 private:
  struct TArray {
    int Low = 0;
    std::vector<Variant> Items;
  };

  template <class T>
  static constexpr TVarType IntegerKind() {
    if constexpr (sizeof(T) == 1) return std::is_signed_v<T> ? varShortInt : varByte;
    if constexpr (sizeof(T) == 2) return std::is_signed_v<T> ? varSmallint : varWord;
    if constexpr (sizeof(T) == 4) return std::is_signed_v<T> ? varInteger : varLongWord;
    return varInt64;
  }

  friend class VariantAccess;

  TVarType FType = varEmpty;
  // Ordinals (Boolean aside) as int64; Single, Double and Date as double.
  std::variant<std::monostate, bool, std::int64_t, double, Currency, std::string,
               std::shared_ptr<TArray>>
      FValue;
};

// Empty and Null (see the header comment for why there is no free Null()).
inline Variant Unassigned() { return Variant(); }
inline Variant VarEmpty() { return Variant(); }
inline Variant VarNull() { return Variant::Null(); }
// A Date from a TDateTime.
inline Variant VarFromDateTime(TDateTime value) { return Variant::FromDateTime(value); }

inline TVarType VarType(const Variant& v) { return v.VType(); }
// The classic name of a type code: "Integer", "String", "Array Variant"...
std::string VarTypeAsText(TVarType type);

bool VarIsEmpty(const Variant& v);
bool VarIsNull(const Variant& v);
// Empty (we hold no interfaces, so nothing else is clear).
bool VarIsClear(const Variant& v);
bool VarIsArray(const Variant& v);
bool VarIsStr(const Variant& v);
// Ordinal kinds, Boolean included as classic.
bool VarIsOrdinal(const Variant& v);
// Single, Double and Currency (not Date, as classic).
bool VarIsFloat(const Variant& v);
// VarIsOrdinal or VarIsFloat.
bool VarIsNumeric(const Variant& v);

// Text of a value: Empty and Null give "", Boolean "True"/"False", ordinals
// in decimal, Double FloatToStr, Single FloatToStrF with 7 significant
// digits, Currency CurrToStr, Date DateTimeToStr (the time only when not
// midnight), strings themselves. Arrays raise EVariantError.
std::string VarToStr(const Variant& v);
// As VarToStr, but Null gives `defaultText`.
std::string VarToStrDef(const Variant& v, const std::string& defaultText);

// Arrays. An array's elements start Empty. Indexes outside the bounds raise
// EVariantError "Variant or safe array index out of bounds"; an argument
// that is not an array raises EVariantError "Variant is not an array".
//
// Bounds low..high; high = low - 1 makes an empty array, anything lower
// raises EVariantError "Error creating variant or safe array".
Variant VarArrayCreate(int low, int high);
// Bounds 0..n-1 holding `items`.
Variant VarArrayOf(std::initializer_list<Variant> items);
Variant VarArrayOf(std::vector<Variant> items);
// 1 for arrays, 0 for anything else.
int VarArrayDimCount(const Variant& v);
// REQUIRES dim == 1 (other dims raise the index-out-of-bounds error).
int VarArrayLowBound(const Variant& v, int dim = 1);
int VarArrayHighBound(const Variant& v, int dim = 1);
Variant VarArrayGet(const Variant& v, int index);
void VarArrayPut(Variant& v, const Variant& value, int index);

// The classic div, and the logic operators; the rules are in the header
// comment. (+ - * / % and the comparisons are members of Variant.)
Variant IntDiv(const Variant& a, const Variant& b);
Variant VarAnd(const Variant& a, const Variant& b);
Variant VarOr(const Variant& a, const Variant& b);
Variant VarXor(const Variant& a, const Variant& b);
Variant VarNot(const Variant& a);

TVariantRelationship VarCompareValue(const Variant& a, const Variant& b);
