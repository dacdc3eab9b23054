#include "platform/base/variant.h"

#include <cmath>
#include <limits>

#include "platform/base/date_time.h"
#include "platform/base/exceptions.h"
#include "platform/base/number_format.h"
#include "platform/base/text.h"

namespace {

constexpr TVarType kArrayType = varArray | varVariant;
constexpr double kTwo63 = 9223372036854775808.0;

[[noreturn]] void RaiseCast(TVarType from, TVarType to) {
  throw EVariantError("Could not convert variant of type (" + VarTypeAsText(from) +
                      ") into type (" + VarTypeAsText(to) + ")");
}

[[noreturn]] void RaiseOverflow(TVarType from, TVarType to) {
  throw EVariantError("Overflow while converting variant of type (" + VarTypeAsText(from) +
                      ") into type (" + VarTypeAsText(to) + ")");
}

[[noreturn]] void RaiseInvalidOp() {
  throw EVariantError(std::string("Invalid variant operation"));
}
[[noreturn]] void RaiseNotArray() { throw EVariantError(std::string("Variant is not an array")); }
[[noreturn]] void RaiseBounds() {
  throw EVariantError(std::string("Variant or safe array index out of bounds"));
}
[[noreturn]] void RaiseIntOverflow() { throw EIntOverflow(std::string("Integer overflow")); }

bool IsSmallOrdinal(TVarType t) {
  return t == varShortInt || t == varSmallint || t == varInteger || t == varByte || t == varWord;
}
bool IsWideOrdinal(TVarType t) { return t == varLongWord || t == varInt64; }
bool IsReal(TVarType t) { return t == varSingle || t == varDouble; }
bool FitsInteger(std::int64_t i) {
  return i >= std::numeric_limits<int>::min() && i <= std::numeric_limits<int>::max();
}

// Rounds half to even to an integer; `from`/`to` name the conversion for the
// overflow message.
std::int64_t RoundToInt64(double d, TVarType from, TVarType to) {
  if (!(d >= -kTwo63 && d < kTwo63)) {
    RaiseOverflow(from, to);
  }
  const double r = std::nearbyint(d);
  if (r >= kTwo63) {
    RaiseOverflow(from, to);
  }
  return static_cast<std::int64_t>(r);
}

std::int64_t RoundCurrency(Currency c) {
  std::int64_t q = c.Scaled() / Currency::kScale;
  const std::int64_t r = c.Scaled() % Currency::kScale;
  const std::int64_t twice = (r < 0 ? -r : r) * 2;
  if (twice > Currency::kScale || (twice == Currency::kScale && q % 2 != 0)) {
    q += r < 0 ? -1 : 1;
  }
  return q;
}

Currency CurrencyFromInt(std::int64_t i, TVarType from) {
  std::int64_t scaled;
  if (__builtin_mul_overflow(i, Currency::kScale, &scaled)) {
    RaiseOverflow(from, varCurrency);
  }
  return Currency::FromScaled(scaled);
}

Currency CurrencyFromDouble(double d, TVarType from) {
  if (!(std::fabs(d) * Currency::kScale < kTwo63)) {
    RaiseOverflow(from, varCurrency);
  }
  return Currency(d);
}

// Reads text as an integer: integer syntax first, else a float rounded.
bool TryTextToInt64(const std::string& s, std::int64_t& out, TVarType to) {
  if (TryStrToInt64(s, out)) {
    return true;
  }
  double d;
  if (!TryStrToFloat(s, d)) {
    return false;
  }
  out = RoundToInt64(d, varString, to);
  return true;
}

// Checks a Double result of arithmetic.
double CheckedReal(double d) {
  if (std::isnan(d)) {
    throw EInvalidOp(std::string("Invalid floating point operation"));
  }
  if (std::isinf(d)) {
    throw EOverflow(std::string("Floating point overflow"));
  }
  return d;
}

// Compares d with i exactly (a double cast would merge neighbours above
// 2^53); NaN is below every number.
int CompareRealWithInt64(double d, std::int64_t i) {
  if (std::isnan(d)) {
    return -1;
  }
  if (d >= kTwo63) {
    return 1;
  }
  if (d < -kTwo63) {
    return -1;
  }
  // Within the Int64 range the integer part is exact; the fraction decides
  // a tie.
  const double whole = std::floor(d);
  const auto w = static_cast<std::int64_t>(whole);
  if (w != i) {
    return w < i ? -1 : 1;
  }
  return d > whole ? 1 : 0;
}

int Sign(int c) { return c < 0 ? -1 : (c > 0 ? 1 : 0); }

}  // namespace

// Access to Variant's representation for the operations below.
class VariantAccess {
 public:
  using TArray = Variant::TArray;

  static std::int64_t Ordinal(const Variant& v) {
    if (v.FType == varBoolean) {
      return std::get<bool>(v.FValue) ? -1 : 0;
    }
    return std::get<std::int64_t>(v.FValue);
  }
  static double Real(const Variant& v) { return std::get<double>(v.FValue); }
  static Currency Curr(const Variant& v) { return std::get<Currency>(v.FValue); }
  static const std::string& Str(const Variant& v) { return std::get<std::string>(v.FValue); }

  static const TArray& Array(const Variant& v) {
    if (v.FType != kArrayType) {
      RaiseNotArray();
    }
    return *std::get<std::shared_ptr<TArray>>(v.FValue);
  }
  // Copy on write: the array of `v` is unshared before it is changed.
  static TArray& MutableArray(Variant& v) {
    if (v.FType != kArrayType) {
      RaiseNotArray();
    }
    auto& p = std::get<std::shared_ptr<TArray>>(v.FValue);
    if (p.use_count() > 1) {
      p = std::make_shared<TArray>(*p);
    }
    return *p;
  }
  static Variant MakeArray(int low, std::vector<Variant> items) {
    Variant v;
    v.FType = kArrayType;
    auto a = std::make_shared<TArray>();
    a->Low = low;
    a->Items = std::move(items);
    v.FValue = std::move(a);
    return v;
  }
  static Variant MakeInt(std::int64_t i, bool wide) {
    Variant v(i);
    if (!wide && FitsInteger(i)) {
      v.FType = varInteger;
    }
    return v;
  }
};

namespace {

using A = VariantAccess;

// A number taking part in arithmetic, in the class that decides the result.
struct Num {
  enum Class { Int, Wide, Curr, Real, Date } cls;
  std::int64_t i = 0;  // Int, Wide
  Currency c;          // Curr
  double d = 0;        // Real, Date

  static Num Integral(Class cls, std::int64_t i) { return {cls, i, Currency(), 0}; }
  static Num Floating(Class cls, double d) { return {cls, 0, Currency(), d}; }

  double AsReal() const {
    switch (cls) {
      case Int:
      case Wide:
        return static_cast<double>(i);
      case Curr:
        return c.ToDouble();
      default:
        return d;
    }
  }
};

// Empty is 0, Boolean -1/0, strings go through StrToFloat.
Num ToNum(const Variant& v) {
  const TVarType t = v.VType();
  if (t == varEmpty) return Num::Integral(Num::Int, 0);
  if (t == varBoolean || IsSmallOrdinal(t)) return Num::Integral(Num::Int, A::Ordinal(v));
  if (IsWideOrdinal(t)) return Num::Integral(Num::Wide, A::Ordinal(v));
  if (IsReal(t)) return Num::Floating(Num::Real, A::Real(v));
  if (t == varDate) return Num::Floating(Num::Date, A::Real(v));
  if (t == varCurrency) return {Num::Curr, 0, A::Curr(v), 0};
  if (t == varString) {
    double d;
    if (!TryStrToFloat(A::Str(v), d)) {
      RaiseCast(varString, varDouble);
    }
    return Num::Floating(Num::Real, d);
  }
  RaiseInvalidOp();
}

Currency NumToCurrency(const Num& n) {
  return n.cls == Num::Curr ? n.c : CurrencyFromInt(n.i, varInt64);
}

enum class ArithOp { Add, Subtract, Multiply };

Variant Arith(const Num& a, const Num& b, ArithOp op) {
  if (a.cls == Num::Date || b.cls == Num::Date) {
    const double x = a.AsReal();
    const double y = b.AsReal();
    switch (op) {
      case ArithOp::Add:
        return VarFromDateTime(CheckedReal(x + y));
      case ArithOp::Subtract: {
        const double r = CheckedReal(x - y);
        return a.cls == Num::Date && b.cls == Num::Date ? Variant(r) : VarFromDateTime(r);
      }
      case ArithOp::Multiply:
        return Variant(CheckedReal(x * y));
    }
  }
  if (a.cls == Num::Real || b.cls == Num::Real) {
    const double x = a.AsReal();
    const double y = b.AsReal();
    switch (op) {
      case ArithOp::Add:
        return Variant(CheckedReal(x + y));
      case ArithOp::Subtract:
        return Variant(CheckedReal(x - y));
      case ArithOp::Multiply:
        return Variant(CheckedReal(x * y));
    }
  }
  if (a.cls == Num::Curr || b.cls == Num::Curr) {
    const Currency x = NumToCurrency(a);
    const Currency y = NumToCurrency(b);
    switch (op) {
      case ArithOp::Add:
        return Variant(x + y);
      case ArithOp::Subtract:
        return Variant(x - y);
      case ArithOp::Multiply:
        return Variant(x * y);
    }
  }
  std::int64_t r = 0;
  bool overflow = false;
  switch (op) {
    case ArithOp::Add:
      overflow = __builtin_add_overflow(a.i, b.i, &r);
      break;
    case ArithOp::Subtract:
      overflow = __builtin_sub_overflow(a.i, b.i, &r);
      break;
    case ArithOp::Multiply:
      overflow = __builtin_mul_overflow(a.i, b.i, &r);
      break;
  }
  if (overflow) {
    RaiseIntOverflow();
  }
  return A::MakeInt(r, a.cls == Num::Wide || b.cls == Num::Wide);
}

Variant BinaryArith(const Variant& a, const Variant& b, ArithOp op) {
  if (VarIsArray(a) || VarIsArray(b)) RaiseInvalidOp();
  if (VarIsNull(a) || VarIsNull(b)) return VarNull();
  if (VarIsEmpty(a) && VarIsEmpty(b)) return Variant();
  if (op == ArithOp::Add && (VarIsStr(a) || VarIsEmpty(a)) && (VarIsStr(b) || VarIsEmpty(b))) {
    return Variant(VarToStr(a) + VarToStr(b));
  }
  return Arith(ToNum(a), ToNum(b), op);
}

// Integer operands of div, mod and the bitwise operators.
struct IntOperand {
  std::int64_t value;
  bool wide;
};

IntOperand ToIntOperand(const Variant& v) { return {v.AsInt64(), IsWideOrdinal(v.VType())}; }

// A logic operand: a Boolean, or an integer for the bitwise forms.
struct LogicOperand {
  enum Class { Empty, Bool, Int } cls;
  std::int64_t value = 0;  // Int; Bool as -1/0
  bool wide = false;
};

LogicOperand ToLogic(const Variant& v) {
  const TVarType t = v.VType();
  if (t == varEmpty) return {LogicOperand::Empty};
  if (t == varBoolean) return {LogicOperand::Bool, A::Ordinal(v)};
  if (t == varString) {
    const std::string& s = A::Str(v);
    if (SameText(s, "True")) return {LogicOperand::Bool, -1};
    if (SameText(s, "False")) return {LogicOperand::Bool, 0};
    std::int64_t i;
    if (!TryTextToInt64(s, i, varBoolean)) {
      RaiseCast(varString, varBoolean);
    }
    return {LogicOperand::Int, i};
  }
  const IntOperand i = ToIntOperand(v);
  return {LogicOperand::Int, i.value, i.wide};
}

enum class LogicOp { And, Or, Xor };

Variant Logic(const Variant& a, const Variant& b, LogicOp op) {
  if (VarIsArray(a) || VarIsArray(b)) RaiseInvalidOp();
  if (VarIsNull(a) || VarIsNull(b)) return VarNull();
  LogicOperand x = ToLogic(a);
  LogicOperand y = ToLogic(b);
  const bool boolean = (x.cls == LogicOperand::Bool || y.cls == LogicOperand::Bool) &&
                       x.cls != LogicOperand::Int && y.cls != LogicOperand::Int;
  std::int64_t r = 0;
  switch (op) {
    case LogicOp::And:
      r = x.value & y.value;
      break;
    case LogicOp::Or:
      r = x.value | y.value;
      break;
    case LogicOp::Xor:
      r = x.value ^ y.value;
      break;
  }
  if (boolean) {
    return Variant(r != 0);
  }
  return A::MakeInt(r, x.wide || y.wide);
}

enum class IntOp { Div, Mod };

Variant IntegerDivision(const Variant& a, const Variant& b, IntOp op) {
  if (VarIsArray(a) || VarIsArray(b)) RaiseInvalidOp();
  if (VarIsNull(a) || VarIsNull(b)) return VarNull();
  const IntOperand x = ToIntOperand(a);
  const IntOperand y = ToIntOperand(b);
  if (y.value == 0) {
    throw EDivByZero(std::string("Division by zero"));
  }
  std::int64_t r;
  if (y.value == -1) {
    // x / -1 overflows for the smallest Int64; x % -1 is 0 always.
    if (op == IntOp::Mod) {
      r = 0;
    } else if (__builtin_sub_overflow(std::int64_t{0}, x.value, &r)) {
      RaiseIntOverflow();
    }
  } else {
    r = op == IntOp::Div ? x.value / y.value : x.value % y.value;
  }
  return A::MakeInt(r, x.wide || y.wide);
}

// Ordinals exactly, Currency exactly against ordinals and Currency, and
// Currency against floats as doubles (0.1 equals Currency 0.1).
int CompareNums(const Num& a, const Num& b) {
  const bool aInt = a.cls == Num::Int || a.cls == Num::Wide;
  const bool bInt = b.cls == Num::Int || b.cls == Num::Wide;
  if (aInt && bInt) {
    return a.i < b.i ? -1 : (a.i > b.i ? 1 : 0);
  }
  if (aInt && b.cls != Num::Curr) return -CompareRealWithInt64(b.d, a.i);
  if (bInt && a.cls != Num::Curr) return CompareRealWithInt64(a.d, b.i);
  if (aInt || bInt || (a.cls == Num::Curr && b.cls == Num::Curr)) {
    auto scaled = [](const Num& n) -> __int128 {
      return n.cls == Num::Curr ? n.c.Scaled() : static_cast<__int128>(n.i) * Currency::kScale;
    };
    const __int128 x = scaled(a);
    const __int128 y = scaled(b);
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  const double x = a.AsReal();
  const double y = b.AsReal();
  if (std::isnan(x) || std::isnan(y)) {
    return int{std::isnan(y)} - int{std::isnan(x)};
  }
  return x < y ? -1 : (x > y ? 1 : 0);
}

// Compares a string with a non-string value that is not Null or Empty.
int CompareStringWith(const std::string& s, const Variant& other) {
  double d;
  if (TryStrToFloat(s, d)) {
    return CompareNums(Num::Floating(Num::Real, d), ToNum(other));
  }
  return Sign(AnsiCompareStr(s, VarToStr(other)));
}

int Compare(const Variant& a, const Variant& b) {
  if (VarIsArray(a) || VarIsArray(b)) RaiseInvalidOp();
  if (VarIsNull(a) || VarIsNull(b)) {
    return VarIsNull(a) == VarIsNull(b) ? 0 : (VarIsNull(a) ? -1 : 1);
  }
  const bool aStr = VarIsStr(a);
  const bool bStr = VarIsStr(b);
  if (aStr || bStr) {
    if (VarIsEmpty(a) || VarIsEmpty(b) || (aStr && bStr)) {
      return Sign(AnsiCompareStr(VarToStr(a), VarToStr(b)));
    }
    return aStr ? CompareStringWith(A::Str(a), b) : -CompareStringWith(A::Str(b), a);
  }
  return CompareNums(ToNum(a), ToNum(b));
}

}  // namespace

// Conversions

std::int64_t Variant::AsInt64() const {
  switch (FType) {
    case varEmpty:
      return 0;
    case varSingle:
    case varDouble:
    case varDate:
      return RoundToInt64(A::Real(*this), FType, varInt64);
    case varCurrency:
      return RoundCurrency(A::Curr(*this));
    case varString: {
      std::int64_t i;
      if (!TryTextToInt64(A::Str(*this), i, varInt64)) {
        RaiseCast(varString, varInt64);
      }
      return i;
    }
    default:
      if (FType == varBoolean || IsSmallOrdinal(FType) || IsWideOrdinal(FType)) {
        return A::Ordinal(*this);
      }
      RaiseCast(FType, varInt64);
  }
}

int Variant::AsInteger() const {
  std::int64_t i;
  switch (FType) {
    case varSingle:
    case varDouble:
    case varDate:
      i = RoundToInt64(A::Real(*this), FType, varInteger);
      break;
    case varString:
      if (!TryTextToInt64(A::Str(*this), i, varInteger)) {
        RaiseCast(varString, varInteger);
      }
      break;
    case varNull:
    case kArrayType:
      RaiseCast(FType, varInteger);
    default:
      i = AsInt64();
  }
  if (!FitsInteger(i)) {
    RaiseOverflow(FType, varInteger);
  }
  return static_cast<int>(i);
}

double Variant::AsDouble() const {
  switch (FType) {
    case varEmpty:
      return 0;
    case varNull:
    case kArrayType:
      RaiseCast(FType, varDouble);
    default:
      return ToNum(*this).AsReal();
  }
}

Currency Variant::AsCurrency() const {
  switch (FType) {
    case varEmpty:
      return Currency();
    case varCurrency:
      return A::Curr(*this);
    case varSingle:
    case varDouble:
    case varDate:
      return CurrencyFromDouble(A::Real(*this), FType);
    case varString: {
      Currency c;
      if (!TryStrToCurr(A::Str(*this), c)) {
        RaiseCast(varString, varCurrency);
      }
      return c;
    }
    default:
      if (FType == varBoolean || IsSmallOrdinal(FType) || IsWideOrdinal(FType)) {
        return CurrencyFromInt(A::Ordinal(*this), FType);
      }
      RaiseCast(FType, varCurrency);
  }
}

double Variant::AsDateTime() const {
  switch (FType) {
    case varNull:
    case kArrayType:
      RaiseCast(FType, varDate);
    case varString: {
      double d;
      if (!TryStrToDateTime(A::Str(*this), d)) {
        RaiseCast(varString, varDate);
      }
      return d;
    }
    default:
      return AsDouble();
  }
}

bool Variant::AsBoolean() const {
  switch (FType) {
    case varEmpty:
      return false;
    case varNull:
    case kArrayType:
      RaiseCast(FType, varBoolean);
    case varString: {
      const std::string& s = A::Str(*this);
      if (SameText(s, "True")) return true;
      if (SameText(s, "False")) return false;
      double d;
      if (!TryStrToFloat(s, d)) {
        RaiseCast(varString, varBoolean);
      }
      return d != 0;
    }
    case varCurrency:
      return A::Curr(*this).Scaled() != 0;
    case varSingle:
    case varDouble:
    case varDate:
      return A::Real(*this) != 0;
    default:
      return A::Ordinal(*this) != 0;
  }
}

std::string Variant::AsString() const { return VarToStr(*this); }

std::string VarToStr(const Variant& v) {
  switch (v.VType()) {
    case varEmpty:
    case varNull:
      return std::string();
    case varBoolean:
      return A::Ordinal(v) ? "True" : "False";
    case varSingle:
      return FloatToStrF(A::Real(v), ffGeneral, 7, 0);
    case varDouble:
      return FloatToStr(A::Real(v));
    case varCurrency:
      return CurrToStr(A::Curr(v));
    case varDate:
      return DateTimeToStr(A::Real(v));
    case varString:
      return A::Str(v);
    case kArrayType:
      RaiseCast(kArrayType, varString);
    default:
      return std::to_string(A::Ordinal(v));
  }
}

std::string VarToStrDef(const Variant& v, const std::string& defaultText) {
  return VarIsNull(v) ? defaultText : VarToStr(v);
}

std::string VarTypeAsText(TVarType type) {
  if (type & varArray) {
    return "Array " + VarTypeAsText(type & varTypeMask);
  }
  switch (type) {
    case varEmpty:
      return "Empty";
    case varNull:
      return "Null";
    case varSmallint:
      return "Smallint";
    case varInteger:
      return "Integer";
    case varSingle:
      return "Single";
    case varDouble:
      return "Double";
    case varCurrency:
      return "Currency";
    case varDate:
      return "Date";
    case varOleStr:
      return "OleStr";
    case varBoolean:
      return "Boolean";
    case varVariant:
      return "Variant";
    case varShortInt:
      return "ShortInt";
    case varByte:
      return "Byte";
    case varWord:
      return "Word";
    case varLongWord:
      return "LongWord";
    case varInt64:
      return "Int64";
    case varString:
      return "String";
    default:
      return "Unknown";
  }
}

// Kinds

bool VarIsEmpty(const Variant& v) { return v.VType() == varEmpty; }
bool VarIsNull(const Variant& v) { return v.VType() == varNull; }
bool VarIsClear(const Variant& v) { return v.VType() == varEmpty; }
bool VarIsArray(const Variant& v) { return (v.VType() & varArray) != 0; }
bool VarIsStr(const Variant& v) { return v.VType() == varString; }
bool VarIsOrdinal(const Variant& v) {
  const TVarType t = v.VType();
  return t == varBoolean || IsSmallOrdinal(t) || IsWideOrdinal(t);
}
bool VarIsFloat(const Variant& v) { return IsReal(v.VType()) || v.VType() == varCurrency; }
bool VarIsNumeric(const Variant& v) { return VarIsOrdinal(v) || VarIsFloat(v); }

// Arrays

Variant VarArrayCreate(int low, int high) {
  const std::int64_t count = std::int64_t{high} - low + 1;
  if (count < 0) {
    throw EVariantError(std::string("Error creating variant or safe array"));
  }
  return A::MakeArray(low, std::vector<Variant>(static_cast<std::size_t>(count)));
}

Variant VarArrayOf(std::initializer_list<Variant> items) {
  return A::MakeArray(0, std::vector<Variant>(items));
}

Variant VarArrayOf(std::vector<Variant> items) { return A::MakeArray(0, std::move(items)); }

int VarArrayDimCount(const Variant& v) { return VarIsArray(v) ? 1 : 0; }

namespace {

const VariantAccess::TArray& ArrayWithDim(const Variant& v, int dim) {
  const VariantAccess::TArray& a = A::Array(v);
  if (dim != 1) {
    RaiseBounds();
  }
  return a;
}

std::size_t Slot(const VariantAccess::TArray& a, int index) {
  const std::int64_t slot = std::int64_t{index} - a.Low;
  if (slot < 0 || slot >= static_cast<std::int64_t>(a.Items.size())) {
    RaiseBounds();
  }
  return static_cast<std::size_t>(slot);
}

}  // namespace

int VarArrayLowBound(const Variant& v, int dim) { return ArrayWithDim(v, dim).Low; }

int VarArrayHighBound(const Variant& v, int dim) {
  const VariantAccess::TArray& a = ArrayWithDim(v, dim);
  return static_cast<int>(a.Low + static_cast<std::int64_t>(a.Items.size()) - 1);
}

Variant VarArrayGet(const Variant& v, int index) {
  const VariantAccess::TArray& a = A::Array(v);
  return a.Items[Slot(a, index)];
}

void VarArrayPut(Variant& v, const Variant& value, int index) {
  // Copied first: `value` may be `v` itself or one of its elements.
  Variant copy = value;
  VariantAccess::TArray& a = A::MutableArray(v);
  a.Items[Slot(a, index)] = std::move(copy);
}

// Operators

Variant operator+(const Variant& a, const Variant& b) { return BinaryArith(a, b, ArithOp::Add); }
Variant operator-(const Variant& a, const Variant& b) {
  return BinaryArith(a, b, ArithOp::Subtract);
}
Variant operator*(const Variant& a, const Variant& b) {
  return BinaryArith(a, b, ArithOp::Multiply);
}

Variant operator/(const Variant& a, const Variant& b) {
  if (VarIsArray(a) || VarIsArray(b)) RaiseInvalidOp();
  if (VarIsNull(a) || VarIsNull(b)) return VarNull();
  const double x = ToNum(a).AsReal();
  const double y = ToNum(b).AsReal();
  if (y == 0) {
    throw EZeroDivide(std::string("Floating point division by zero"));
  }
  return Variant(CheckedReal(x / y));
}

Variant operator%(const Variant& a, const Variant& b) { return IntegerDivision(a, b, IntOp::Mod); }
Variant IntDiv(const Variant& a, const Variant& b) { return IntegerDivision(a, b, IntOp::Div); }

Variant operator-(const Variant& a) {
  if (VarIsArray(a)) RaiseInvalidOp();
  if (VarIsNull(a) || VarIsEmpty(a)) return a;
  const Num n = ToNum(a);
  switch (n.cls) {
    case Num::Date:
      return VarFromDateTime(-n.d);
    case Num::Real:
      return Variant(-n.d);
    case Num::Curr:
      return Variant(-n.c);
    default:
      return Arith(Num::Integral(Num::Int, 0), n, ArithOp::Subtract);
  }
}

Variant VarAnd(const Variant& a, const Variant& b) { return Logic(a, b, LogicOp::And); }
Variant VarOr(const Variant& a, const Variant& b) { return Logic(a, b, LogicOp::Or); }
Variant VarXor(const Variant& a, const Variant& b) { return Logic(a, b, LogicOp::Xor); }

Variant VarNot(const Variant& a) {
  if (VarIsArray(a)) RaiseInvalidOp();
  if (VarIsNull(a)) return a;
  const LogicOperand x = ToLogic(a);
  if (x.cls == LogicOperand::Bool) {
    return Variant(x.value == 0);
  }
  return VariantAccess::MakeInt(~x.value, x.wide);
}

TVariantRelationship VarCompareValue(const Variant& a, const Variant& b) {
  const int c = Compare(a, b);
  return c < 0 ? vrLessThan : (c > 0 ? vrGreaterThan : vrEqual);
}

bool operator==(const Variant& a, const Variant& b) { return Compare(a, b) == 0; }
bool operator<(const Variant& a, const Variant& b) { return Compare(a, b) < 0; }
