#include "platform/base/variant.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "platform/base/exceptions.h"
#include "platform/base/format_settings.h"

namespace {

constexpr std::int64_t kInt64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kInt64Min = std::numeric_limits<std::int64_t>::min();
const Variant kDate = VarFromDateTime(45000);  // 15.03.2023

// "Kind text" of a result, or "Class message" of the exception it raised.
std::string Outcome(const std::function<Variant()>& f) {
  try {
    const Variant r = f();
    return VarTypeAsText(VarType(r)) + " " + VarToStr(r);
  } catch (const EDivByZero& e) {
    return "EDivByZero " + e.Message();
  } catch (const EIntOverflow& e) {
    return "EIntOverflow " + e.Message();
  } catch (const EZeroDivide& e) {
    return "EZeroDivide " + e.Message();
  } catch (const EOverflow& e) {
    return "EOverflow " + e.Message();
  } catch (const EVariantError& e) {
    return "EVariantError " + e.Message();
  }
}

std::string Raised(const std::function<void()>& f) {
  return Outcome([&] {
    f();
    return Variant("no exception");
  });
}

Variant Apply(const Variant& a, const std::string& op, const Variant& b) {
  if (op == "+") return a + b;
  if (op == "-") return a - b;
  if (op == "*") return a * b;
  if (op == "/") return a / b;
  if (op == "div") return IntDiv(a, b);
  if (op == "mod") return a % b;
  if (op == "and") return VarAnd(a, b);
  if (op == "or") return VarOr(a, b);
  if (op == "xor") return VarXor(a, b);
  if (op == "neg") return -a;
  if (op == "not") return VarNot(a);
  if (op == "cmp") {
    static const char* const kNames[] = {"=", "<", ">", "<>"};
    return Variant(kNames[VarCompareValue(a, b)]);
  }
  ADD_FAILURE() << "unknown op " << op;
  return Variant();
}

struct Row {
  Variant left;
  std::string op;
  Variant right;
  std::string expected;  // "Kind text", or "Exception message"
};

class VariantTest : public ::testing::Test {
 protected:
  VariantTest() { FormatSettings.DecimalSeparator = '.'; }
  TFormatSettingsOverride FSettings;
};

const std::string kStrToDouble =
    "EVariantError Could not convert variant of type (String) into type (Double)";
const std::string kStrToBool =
    "EVariantError Could not convert variant of type (String) into type (Boolean)";
const std::string kInvalidOp = "EVariantError Invalid variant operation";

TEST_F(VariantTest, OperatorTable) {
  const Variant empty;
  const Variant null = VarNull();
  const Row rows[] = {
      // + - *: kinds and promotion
      {1, "+", 2, "Integer 3"},
      {"1", "+", 2, "Double 3"},
      {2, "+", "1.5", "Double 3.5"},
      {"a", "+", "b", "String ab"},
      {"a", "+", 1, kStrToDouble},
      {1, "+", "1,5", kStrToDouble},
      {empty, "+", 5, "Integer 5"},
      {empty, "+", "x", "String x"},
      {"x", "+", empty, "String x"},
      {empty, "+", empty, "Empty "},
      {empty, "*", empty, "Empty "},
      {null, "+", 1, "Null "},
      {"x", "+", null, "Null "},
      {null, "+", empty, "Null "},
      {true, "+", 1, "Integer 0"},
      {true, "+", true, "Integer -2"},
      {2147483647, "+", 1, "Int64 2147483648"},
      {-2147483647 - 1, "-", 1, "Int64 -2147483649"},
      {65536, "*", 65536, "Int64 4294967296"},
      {kInt64Max, "+", 1, "EIntOverflow Integer overflow"},
      {std::uint8_t{200}, "+", std::uint8_t{100}, "Integer 300"},
      {std::uint32_t{1}, "+", 1, "Int64 2"},
      {std::int64_t{2}, "*", std::int16_t{3}, "Int64 6"},
      {Currency(1.5), "+", 2, "Currency 3.5"},
      {Currency(2.5), "*", Currency(1.5), "Currency 3.75"},
      {Currency(1.5), "+", 0.25, "Double 1.75"},
      {true, "-", Currency(1), "Currency -2"},
      {1.5, "*", 2, "Double 3"},
      {0.5f, "+", 1, "Double 1.5"},
      {7, "-", "2", "Double 5"},
      {"5", "-", "2", "Double 3"},
      {empty, "-", 3, "Integer -3"},
      {1e308, "*", 10, "EOverflow Floating point overflow"},
      {kDate, "+", 1, "Date 16.03.2023"},
      {1, "+", kDate, "Date 16.03.2023"},
      {kDate, "-", 1, "Date 14.03.2023"},
      {kDate, "+", 0.5, "Date 15.03.2023 12:00:00"},
      {kDate, "-", VarFromDateTime(44990), "Double 10"},
      {kDate, "*", 2, "Double 90000"},
      {VarArrayOf({1}), "+", 1, kInvalidOp},
      // /
      {7, "/", 2, "Double 3.5"},
      {6, "/", 3, "Double 2"},
      {"9", "/", 2, "Double 4.5"},
      {Currency(1), "/", Currency(4), "Double 0.25"},
      {1, "/", 0, "EZeroDivide Floating point division by zero"},
      {0, "/", 0.0, "EZeroDivide Floating point division by zero"},
      {empty, "/", empty, "EZeroDivide Floating point division by zero"},
      {null, "/", 0, "Null "},
      // div and mod
      {7, "div", 2, "Integer 3"},
      {-7, "div", 2, "Integer -3"},
      {-7, "mod", 2, "Integer -1"},
      {7, "mod", -2, "Integer 1"},
      {7, "mod", 0, "EDivByZero Division by zero"},
      {7, "div", empty, "EDivByZero Division by zero"},
      {7.5, "div", 2, "Integer 4"},
      {6.5, "mod", 4, "Integer 2"},
      {Currency(2.5), "div", 1, "Integer 2"},
      {"9", "mod", 4, "Integer 1"},
      {"9.5", "div", 1, "Integer 10"},
      {std::int64_t{10}, "div", 3, "Int64 3"},
      {1e12, "div", 1, "Int64 1000000000000"},
      {kInt64Min, "div", -1, "EIntOverflow Integer overflow"},
      {kInt64Min, "mod", -1, "Int64 0"},
      {"x", "div", 2, "EVariantError Could not convert variant of type (String) into type (Int64)"},
      {null, "mod", 0, "Null "},
      // and or xor not
      {true, "and", 1, "Integer 1"},
      {true, "or", false, "Boolean True"},
      {true, "xor", true, "Boolean False"},
      {12, "and", 10, "Integer 8"},
      {12, "or", 3, "Integer 15"},
      {5, "xor", 1, "Integer 4"},
      {"true", "and", true, "Boolean True"},
      {"FALSE", "or", false, "Boolean False"},
      {"6", "and", 3, "Integer 2"},
      {"True", "and", 6, "Integer 6"},
      {"x", "and", 1, kStrToBool},
      {empty, "and", true, "Boolean False"},
      {empty, "or", 5, "Integer 5"},
      {empty, "or", empty, "Integer 0"},
      {null, "and", false, "Null "},
      {2.5, "or", 0, "Integer 2"},
      {std::int64_t{1}, "or", 2, "Int64 3"},
      {0, "not", empty, "Integer -1"},
      {true, "not", empty, "Boolean False"},
      {empty, "not", empty, "Integer -1"},
      {null, "not", empty, "Null "},
      {"False", "not", empty, "Boolean True"},
      {"x", "not", empty, kStrToBool},
      // unary minus
      {5, "neg", empty, "Integer -5"},
      {empty, "neg", empty, "Empty "},
      {null, "neg", empty, "Null "},
      {-2147483647 - 1, "neg", empty, "Int64 2147483648"},
      {kInt64Min, "neg", empty, "EIntOverflow Integer overflow"},
      {true, "neg", empty, "Integer 1"},
      {"2.5", "neg", empty, "Double -2.5"},
      {Currency(1.5), "neg", empty, "Currency -1.5"},
      {VarFromDateTime(-45000), "neg", empty, "Date 15.03.2023"},
      // comparisons
      {"10", "cmp", 9, "String >"},
      {"10", "cmp", "9", "String <"},
      {"abc", "cmp", 5, "String >"},
      {"abc", "cmp", "abd", "String <"},
      {"abc", "cmp", "abc", "String ="},
      {"True", "cmp", true, "String ="},
      {"1,5", "cmp", 2, "String <"},
      {null, "cmp", null, "String ="},
      {null, "cmp", empty, "String <"},
      {null, "cmp", -1e308, "String <"},
      {"", "cmp", null, "String >"},
      {empty, "cmp", 0, "String ="},
      {empty, "cmp", "", "String ="},
      {empty, "cmp", -1, "String >"},
      {empty, "cmp", "a", "String <"},
      {true, "cmp", -1, "String ="},
      {false, "cmp", true, "String >"},
      {1, "cmp", 1.0, "String ="},
      {kInt64Max, "cmp", 9223372036854775807.0, "String <"},
      {std::int64_t{9007199254740993}, "cmp", 9007199254740992.0, "String >"},
      {Currency(0.1), "cmp", 0.1, "String ="},
      {Currency::FromScaled(kInt64Max), "cmp", kInt64Max, "String <"},
      {kDate, "cmp", 45000, "String ="},
      {kDate, "cmp", "45000.5", "String <"},
      {VarArrayOf({1}), "cmp", 1, kInvalidOp},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(Outcome([&] { return Apply(row.left, row.op, row.right); }), row.expected)
        << VarToStr(row.left) << " " << row.op << " " << VarToStr(row.right);
  }
}

// MAXNUM/MINNUM and group changes sort and compare mixed values.
TEST_F(VariantTest, ComparisonIsAStrictWeakOrderOnNumbers) {
  const std::vector<Variant> values = {VarNull(), Variant(),
                                       0,         -1,
                                       true,      false,
                                       2.5,       Currency(2.5),
                                       0.1,       Currency(0.1),
                                       kDate,     45000.0,
                                       kInt64Max, 9223372036854775807.0,
                                       kInt64Min, std::uint8_t{2},
                                       0.5f,      std::numeric_limits<double>::quiet_NaN(),
                                       -1e300};
  for (const Variant& a : values) {
    EXPECT_FALSE(a < a);
    for (const Variant& b : values) {
      EXPECT_EQ(a < b, VarCompareValue(a, b) == vrLessThan);
      EXPECT_EQ(a == b, b == a);
      EXPECT_EQ(a<b, b> a);
      if (a < b) {
        EXPECT_FALSE(b < a);
      }
      for (const Variant& c : values) {
        if (a < b && b < c) {
          EXPECT_TRUE(a < c) << VarToStr(a) << " " << VarToStr(b) << " " << VarToStr(c);
        }
        if (a == b && b == c) {
          EXPECT_TRUE(a == c);
        }
      }
    }
  }
}

TEST_F(VariantTest, KindsOfConstructedValues) {
  struct Case {
    Variant value;
    TVarType type;
    bool ordinal, floating, numeric, str;
  };
  const Case cases[] = {
      {Variant(), varEmpty, false, false, false, false},
      {VarNull(), varNull, false, false, false, false},
      {true, varBoolean, true, false, true, false},
      {std::int8_t{1}, varShortInt, true, false, true, false},
      {std::uint8_t{1}, varByte, true, false, true, false},
      {std::int16_t{1}, varSmallint, true, false, true, false},
      {std::uint16_t{1}, varWord, true, false, true, false},
      {1, varInteger, true, false, true, false},
      {1u, varLongWord, true, false, true, false},
      {std::int64_t{1}, varInt64, true, false, true, false},
      {1.0f, varSingle, false, true, true, false},
      {1.0, varDouble, false, true, true, false},
      {Currency(1), varCurrency, false, true, true, false},
      {kDate, varDate, false, false, false, false},
      {"s", varString, false, false, false, true},
      {std::string("s"), varString, false, false, false, true},
      {VarArrayOf({}), varArray | varVariant, false, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(VarTypeAsText(c.type));
    EXPECT_EQ(VarType(c.value), c.type);
    EXPECT_EQ(VarIsOrdinal(c.value), c.ordinal);
    EXPECT_EQ(VarIsFloat(c.value), c.floating);
    EXPECT_EQ(VarIsNumeric(c.value), c.numeric);
    EXPECT_EQ(VarIsStr(c.value), c.str);
    EXPECT_EQ(VarIsArray(c.value), c.type == (varArray | varVariant));
    EXPECT_EQ(VarIsEmpty(c.value), c.type == varEmpty);
    EXPECT_EQ(VarIsClear(c.value), c.type == varEmpty);
    EXPECT_EQ(VarIsNull(c.value), c.type == varNull);
  }
  EXPECT_TRUE(VarIsEmpty(Unassigned()));
  EXPECT_TRUE(VarIsNull(Variant::Null()));
}

TEST_F(VariantTest, ToStrFollowsTheSettings) {
  EXPECT_EQ(VarToStr(1.5), "1.5");
  EXPECT_EQ(VarToStr(0.1f), "0.1");
  EXPECT_EQ(VarToStr(true), "True");
  EXPECT_EQ(VarToStr(false), "False");
  EXPECT_EQ(VarToStr(Variant()), "");
  EXPECT_EQ(VarToStr(VarNull()), "");
  EXPECT_EQ(VarToStr(kInt64Min), "-9223372036854775808");
  EXPECT_EQ(VarToStr(Currency(12.5)), "12.5");
  EXPECT_EQ(VarToStr(kDate), "15.03.2023");
  EXPECT_EQ(VarToStrDef(VarNull(), "-"), "-");
  EXPECT_EQ(VarToStrDef(Variant(), "-"), "");
  FormatSettings.DecimalSeparator = ',';
  EXPECT_EQ(VarToStr(1.5), "1,5");
  EXPECT_EQ(VarToStr(Currency(12.5)), "12,5");
  EXPECT_EQ(Variant("1,5").AsDouble(), 1.5);
  EXPECT_EQ(Raised([] { Variant("1.5").AsDouble(); }), kStrToDouble);
  EXPECT_EQ(Raised([] { VarToStr(VarArrayOf({1})); }),
            "EVariantError Could not convert variant of type (Array Variant) into type (String)");
}

TEST_F(VariantTest, Conversions) {
  EXPECT_EQ(Variant(2.5).AsInteger(), 2);
  EXPECT_EQ(Variant(3.5).AsInteger(), 4);
  EXPECT_EQ(Variant(-2.5).AsInteger(), -2);
  EXPECT_EQ(Variant("3.5").AsInteger(), 4);
  EXPECT_EQ(Variant(" 12").AsInteger(), 12);
  EXPECT_EQ(Variant(true).AsInteger(), -1);
  EXPECT_EQ(Variant().AsInteger(), 0);
  EXPECT_EQ(Variant(Currency(-2.5)).AsInt64(), -2);
  EXPECT_EQ(Variant(Currency(-3.5)).AsInt64(), -4);
  EXPECT_EQ(Variant("9000000000").AsInt64(), 9000000000);
  EXPECT_EQ(Variant("1.5").AsDouble(), 1.5);
  EXPECT_EQ(Variant(true).AsDouble(), -1);
  EXPECT_EQ(Variant("1.23456").AsCurrency(), Currency::FromScaled(12346));
  EXPECT_EQ(Variant(7).AsCurrency(), Currency(7));
  EXPECT_EQ(Variant(kDate).AsDateTime(), 45000);
  EXPECT_EQ(Variant("15.03.2023").AsDateTime(), 45000);
  EXPECT_TRUE(Variant("TRUE").AsBoolean());
  EXPECT_FALSE(Variant("false").AsBoolean());
  EXPECT_FALSE(Variant("0").AsBoolean());
  EXPECT_TRUE(Variant("2").AsBoolean());
  EXPECT_FALSE(Variant(0.0).AsBoolean());
  EXPECT_TRUE(Variant(Currency::FromScaled(1)).AsBoolean());
  EXPECT_FALSE(Variant().AsBoolean());
  EXPECT_EQ(Variant(12).AsString(), "12");

  const std::string cast = "EVariantError Could not convert variant of type ";
  const std::string overflow = "EVariantError Overflow while converting variant of type ";
  EXPECT_EQ(Raised([] { VarNull().AsInteger(); }), cast + "(Null) into type (Integer)");
  EXPECT_EQ(Raised([] { VarNull().AsInt64(); }), cast + "(Null) into type (Int64)");
  EXPECT_EQ(Raised([] { VarNull().AsDouble(); }), cast + "(Null) into type (Double)");
  EXPECT_EQ(Raised([] { VarNull().AsCurrency(); }), cast + "(Null) into type (Currency)");
  EXPECT_EQ(Raised([] { VarNull().AsDateTime(); }), cast + "(Null) into type (Date)");
  EXPECT_EQ(Raised([] { VarNull().AsBoolean(); }), cast + "(Null) into type (Boolean)");
  EXPECT_EQ(Raised([] { Variant("abc").AsInteger(); }), cast + "(String) into type (Integer)");
  EXPECT_EQ(Raised([] { Variant("abc").AsCurrency(); }), cast + "(String) into type (Currency)");
  EXPECT_EQ(Raised([] { Variant("abc").AsDateTime(); }), cast + "(String) into type (Date)");
  EXPECT_EQ(Raised([] { Variant("yes").AsBoolean(); }), kStrToBool);
  EXPECT_EQ(Raised([] { VarArrayOf({}).AsDouble(); }), cast + "(Array Variant) into type (Double)");
  EXPECT_EQ(Raised([] { Variant(3e9).AsInteger(); }), overflow + "(Double) into type (Integer)");
  EXPECT_EQ(Raised([] { Variant(std::int64_t{5000000000}).AsInteger(); }),
            overflow + "(Int64) into type (Integer)");
  EXPECT_EQ(Raised([] { Variant(1e19).AsInt64(); }), overflow + "(Double) into type (Int64)");
  EXPECT_EQ(Raised([] { Variant("1e30").AsInt64(); }), overflow + "(String) into type (Int64)");
  EXPECT_EQ(Raised([] { Variant(1e20).AsCurrency(); }), overflow + "(Double) into type (Currency)");
}

TEST_F(VariantTest, Arrays) {
  Variant a = VarArrayCreate(1, 3);
  EXPECT_TRUE(VarIsArray(a));
  EXPECT_EQ(VarArrayDimCount(a), 1);
  EXPECT_EQ(VarArrayDimCount(5), 0);
  EXPECT_EQ(VarArrayLowBound(a), 1);
  EXPECT_EQ(VarArrayHighBound(a), 3);
  EXPECT_TRUE(VarIsEmpty(VarArrayGet(a, 2)));
  VarArrayPut(a, "x", 3);
  EXPECT_EQ(VarToStr(VarArrayGet(a, 3)), "x");

  // Copies are values: writing one leaves the other alone.
  const Variant copy = a;
  VarArrayPut(a, 7, 3);
  EXPECT_EQ(VarToStr(VarArrayGet(copy, 3)), "x");
  EXPECT_EQ(VarToStr(VarArrayGet(a, 3)), "7");
  VarArrayPut(a, a, 1);  // an array may hold an earlier copy of itself
  EXPECT_EQ(VarToStr(VarArrayGet(VarArrayGet(a, 1), 3)), "7");
  EXPECT_TRUE(VarIsArray(VarArrayGet(a, 1)));

  const Variant of = VarArrayOf({1, "a", VarNull()});
  EXPECT_EQ(VarArrayLowBound(of), 0);
  EXPECT_EQ(VarArrayHighBound(of), 2);
  EXPECT_TRUE(VarIsNull(VarArrayGet(of, 2)));
  const Variant none = VarArrayCreate(5, 4);
  EXPECT_EQ(VarArrayHighBound(none), 4);

  const std::string bounds = "EVariantError Variant or safe array index out of bounds";
  EXPECT_EQ(Raised([&] { VarArrayGet(a, 0); }), bounds);
  EXPECT_EQ(Raised([&] { VarArrayPut(a, 1, 4); }), bounds);
  EXPECT_EQ(Raised([&] { VarArrayGet(none, 5); }), bounds);
  EXPECT_EQ(Raised([&] { VarArrayHighBound(a, 2); }), bounds);
  EXPECT_EQ(Raised([] { VarArrayLowBound(5); }), "EVariantError Variant is not an array");
  EXPECT_EQ(Raised([] { VarArrayCreate(1, -1); }),
            "EVariantError Error creating variant or safe array");
}

}  // namespace
