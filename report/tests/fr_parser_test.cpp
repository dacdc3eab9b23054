#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/base/exceptions.h"
#include "platform/base/format_settings.h"
#include "platform/base/string_list.h"
#include "report/fr_parser.h"

namespace {

// A parser whose names come from a table and whose functions are recorded.
struct Harness {
  TfrParser parser;
  std::map<std::string, Variant> values{
      {"A", Variant(5)}, {"B", Variant(0)}, {"S", Variant("abc")}, {"SUM", Variant(12.5)}};
  std::vector<std::string> asked;
  std::vector<std::string> calls;
  Harness() {
    parser.OnGetValue = [this](const std::string& name, Variant& v) {
      asked.push_back(name);
      auto it = values.find(name);
      if (it != values.end()) v = it->second;
    };
    parser.OnFunction = [this](const std::string& name, const Variant& p1, const Variant& p2,
                               const Variant&, Variant& v) {
      calls.push_back(name + "(" + VarToStr(p1) + "|" + VarToStr(p2) + ")");
      v = Variant(42);
    };
  }
};

std::string Text(const Variant& v) { return VarToStr(v); }

TEST(FrParser, PostfixGroupings) {
  TfrParser p;
  const struct {
    const char* infix;
    std::string postfix;
  } cases[] = {
      {"1+2*3", "1 2 3 *+"},
      {"1-2-3", "1 2 -3 -"},
      {"-2*3", "2 3 *\x09"},
      {"2*-3", "2 3 \x09*"},
      {"a AND NOT b", "a b \x0C\x05"},
      {"NOT 0 + 1",
       "0 \x0C"
       "1 +"},
      {"a = 1 OR b = 2", "a 1 b \x04=2 ="},
      {"a<>b", "a b \x03"},
      {"a >= b", "a b \x01"},
      {"f(1, (2))+x", "f(1, (2))x +"},
      {"'It''s' + [A]", "'It''s' [A] +"},
      {"arr[2]", "arr[2] "},
      {"%d  x", "%dx "},
      {"1 ;2", "1 "},
  };
  for (const auto& c : cases) EXPECT_EQ(p.ToPostfix(c.infix), c.postfix) << c.infix;
}

TEST(FrParser, CalculateTable) {
  TFormatSettingsOverride keep;
  FormatSettings.DecimalSeparator = ',';
  const struct {
    const char* expr;
    const char* result;
  } cases[] = {
      {"10/0", "0"},
      {"7/2", "3,5"},
      {"INT 2.99999999999999", "3"},
      {"FRAC 2.99999999999999", "0"},
      {"INT(-2.7)", "-2"},
      {"FRAC 2.25", "0,25"},
      {"1,5 + 1", "2,5"},
      {"1.5 + 1", "2,5"},
      {"'It''s'", "It's"},
      {"3 > 2 AND 1 > 0", "1"},
      {"-2*3", "-6"},
      {"2*-3", "-6"},
      {"2 - -1", "3"},
      {"NOT 0 + 1", "2"},
      {"ROUND 2.5", "2"},
      {"ROUND 3.5", "4"},
      {"ROUND(-2.5)", "-2"},
      {"7 MOD 3", "1"},
      {"-7 MOD 2", "-1"},
      {"STR 5 + 'x'", "5x"},
      {"[A] * 2 + 1", "11"},
      {"A AND NOT B", "5"},
      {"(1 + 2) * 3", "9"},
      {"'a' < 'b'", "1"},
      {"'10' > 9", "1"},
      {"COPY('abcdef', 2, 3)", "bcd"},
      {"COPY('абвгд', 2, 2)", "бв"},
      {"COPY('abc', -5, 2)", "ab"},
      {"COPY('abc', 2, 2000000000)", "bc"},
      {"IF(1, 'y', 'n')", "y"},
      {"IF(TRUE, 'y', 'n')", "y"},
      {"IF(FALSE, 'y', 'n')", "n"},
      {"TRUE", "True"},
      {"'unterminated", "unterminated"},
  };
  for (const auto& c : cases) {
    Harness h;
    EXPECT_EQ(Text(h.parser.Calculate(c.expr)), c.result) << c.expr;
  }
}

TEST(FrParser, CallbacksAndLaziness) {
  Harness h;
  h.parser.Calculate("IF(0, [A], [B])");
  EXPECT_EQ(h.asked, std::vector<std::string>{"B"});

  Harness g;
  EXPECT_EQ(Text(g.parser.Calculate("Arr[2]")), "42");
  EXPECT_EQ(g.calls, std::vector<std::string>{"GETARRAY(Arr|2)"});

  Harness f;
  f.parser.Calculate("sum([x], 'a,b') + a");
  EXPECT_EQ(f.calls, std::vector<std::string>{"SUM([x]|'a,b')"});
  EXPECT_EQ(f.asked, std::vector<std::string>{"A"});

  Harness n;
  n.parser.OnFunction = nullptr;
  std::string nine;
  n.parser.OnFunction9 = [&](const std::string& name, const std::array<Variant, 9>& a, Variant&) {
    nine = name + ":" + VarToStr(a[0]) + VarToStr(a[8]);
  };
  n.parser.Calculate("F(1,2,3,4,5,6,7,8,9,10)");
  EXPECT_EQ(nine, "F:19");
}

TEST(FrParser, Errors) {
  Harness h;
  EXPECT_THROW(h.parser.Calculate("1 MOD 0"), EDivByZero);
  EXPECT_THROW(h.parser.Calculate("1+(2+(3+(4+(5+(6+(7+(8+9)))))))"), EParserError);
  EXPECT_THROW(h.parser.EvaluatePostfix("1 +"), EParserError);
  EXPECT_THROW(h.parser.Calculate("a\"b + 1"), EParserError);
  // Deep nesting of calls is refused before the stack runs out.
  std::string deep;
  for (int i = 0; i < 10000; ++i) deep += "IF(1,";
  EXPECT_THROW(h.parser.Calculate(deep + "1" + std::string(10000, ')')), EParserError);
  std::string brackets = std::string(10000, '[') + std::string(10000, ']');
  TStringList match, out;
  EXPECT_THROW(TfrFunctionSplitter(match, out, nullptr).Split(brackets), EParserError);
  EXPECT_THROW(h.parser.Calculate("1 + 'x' * 2"), EVariantError);
  try {
    h.parser.Calculate("f(1, 2");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "");
  }
  // An unmatched bracket is literal and ends the expression.
  EXPECT_EQ(Text(h.parser.Calculate("'x' + [A")), "x[A");
}

TEST(FrParser, BracketedText) {
  const struct {
    const char* text;
    std::size_t start;
    const char* result;
    std::size_t finish;
  } cases[] = {
      {"x[A]y", 1, "A", 3},
      {"[[A]]", 0, "[A]", 4},
      {"['a]b']", 0, "'a]b'", 6},
      {"[\"]\"]", 0, "\"]\"", 4},
      {"abc", 1, "", 1},
      {"[abc", 0, "", 4},
      {"", 0, "", 0},
      {"[a]", 7, "", 7},
  };
  for (const auto& c : cases) {
    std::size_t finish = 99;
    EXPECT_EQ(GetBracketedText(c.text, c.start, finish), c.result) << c.text;
    EXPECT_EQ(finish, c.finish) << c.text;
  }
}

TEST(FrVariables, NamedValues) {
  TfrVariables v;
  v.SetVariable("Сумма", Variant(1));
  v.SetVariable("b", Variant("x"));
  v.SetVariable("СУММА", Variant(2));
  EXPECT_EQ(v.Count(), 2);
  EXPECT_EQ(v.IndexOf("сумма"), 0);
  EXPECT_EQ(Text(v.GetVariable("B")), "x");
  EXPECT_TRUE(VarIsEmpty(v.GetVariable("none")));
  EXPECT_EQ(Text(v.GetValueAt(0)), "2");
  EXPECT_EQ(Text(v.GetValueAt(5)), "0");
  v.SetValueAt(5, Variant(9));
  v.SetName(1, "c");
  EXPECT_EQ(v.IndexOf("b"), -1);
  v.Delete(0);
  EXPECT_EQ(v.GetName(0), "c");
  EXPECT_THROW(v.Delete(3), EListError);
  v.Clear();
  EXPECT_EQ(v.Count(), 0);
}

TEST(FrFunctionSplitter, CollectsCallsThroughVariablesAndGuardsCycles) {
  TStringList match;
  match.Add("SUM");
  match.Add("COUNT");
  TfrVariables vars;
  vars.SetVariable("Total", Variant("SUM([Qnt]) * 2"));
  vars.SetVariable("Loop", Variant("1 + [Loop2]"));
  vars.SetVariable("Loop2", Variant("Loop"));
  TStringList out;
  TfrFunctionSplitter splitter(match, out, &vars);
  splitter.Split("IF(COUNT(x) > 0, [Total], sum(y)) + 'SUM(z)'");
  EXPECT_EQ(out.Text(), "COUNT(x)\r\nSUM([Qnt])\r\nsum(y)\r\n");
  out.Clear();
  splitter.Split("' ignored SUM(1)");
  EXPECT_EQ(out.Count(), 0);
  try {
    splitter.Split("[Loop]");
    FAIL();
  } catch (const EParserError& e) {
    EXPECT_EQ(e.Message(), "Undefined symbol \"Loop\"");
  }
  // Expanding the same variable twice side by side is no cycle.
  splitter.Split("[Total] + [Total]");
  EXPECT_EQ(out.Count(), 2);
}

}  // namespace
