// The report expression parser, the engine's named value list, the
// splitter that finds function calls inside expressions and the split of a
// memo line at its bracketed expressions.
//
// TfrParser turns an infix expression (the text between brackets in a memo,
// a band condition, a script line) into the engine's postfix string and
// evaluates that string to a Variant. It knows literals, operators and
// COPY, IF, STRTODATE, STRTOTIME, TRUE, FALSE; every other name and
// function is answered by the owner through OnGetValue and OnFunction.
//
// Postfix string (stored by the script compiler, evaluated for highlights):
//   - an operand is its text and one blank: a number as written, a quoted
//     string with its quotes, a name, name[index] or [text];
//   - a call is its source text NAME(args), without a blank;
//   - an operator is one character: * / + - < > = or a code below:
//       1 >=   2 <=   3 <>   4 OR   5 AND   6 INT   7 FRAC   9 unary -
//       10 unary +   11 STR   12 NOT   13 MOD   14 ROUND
//   Codes 9, 10 and 13 are tab, LF and CR: never split a postfix string
//   into lines.
// Priorities, tightest first: INT FRAC STR ROUND; * / AND OR NOT MOD;
// + - and the unary signs; comparisons. So `a = 1 OR b = 2` groups as
// (a = (1 OR b)) = 2: templates use parentheses. A sign or NOT in operand
// position is pushed without popping, so `2*-3` is -6 and `a AND NOT b`
// works.
//
// Values follow Variant's rules (variant.h): + and OR add, * and AND
// multiply, / by zero gives 0, MOD by zero raises EDivByZero, comparisons
// and NOT give the Integers 1 and 0, TRUE/FALSE are Booleans. The
// evaluation stack holds eight values; a deeper or malformed expression
// raises EParserError. Conversions that fail raise the runtime's conversion
// errors; the parser catches nothing.
//
// Calls and brackets nest at most kMaxNesting deep (EParserError beyond).
//
// Text offsets in this unit are byte offsets into UTF-8 text (0-based): the
// characters scanned for ([ ] ' " ( ) and operators) are ASCII and never
// part of a multi-byte character. GUI thread only.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/base/exceptions.h"
#include "platform/base/variant.h"

class TStrings;

inline constexpr int kMaxNesting = 64;

// Raised for malformed expressions and for names that resolve to
// themselves.
class EParserError : public Exception {
 public:
  using Exception::Exception;
};

// Asked for the value of every name the parser meets (upper-cased) and of
// every [text] (unchanged).
using TGetPValueEvent = std::function<void(const std::string& Name, Variant& Value)>;
// Asked for every function the parser does not know. p1..p3 are the first
// three argument texts as strings, not evaluated.
using TFunctionEvent = std::function<void(const std::string& Name, const Variant& p1,
                                          const Variant& p2, const Variant& p3, Variant& Val)>;
// The nine-argument form, used only when OnFunction is not assigned.
using TFunctionEvent9 =
    std::function<void(const std::string& Name, const std::array<Variant, 9>& Args, Variant& Val)>;

class TfrParser {
 public:
  TGetPValueEvent OnGetValue;
  TFunctionEvent OnFunction;
  TFunctionEvent9 OnFunction9;

  // Infix to postfix. An unterminated quoted string or bracket runs to the
  // end of the text. Raises Exception with an empty message when a call's
  // parentheses do not balance.
  std::string ToPostfix(std::string_view s) const;
  // Evaluates a postfix string; the result is the bottom of the stack
  // (Empty for an empty string).
  Variant EvaluatePostfix(std::string_view s);
  // EvaluatePostfix(ToPostfix(s)); the postfix form of recent texts is
  // kept.
  Variant Calculate(std::string_view s);

 private:
  static constexpr std::size_t kPostfixCacheSize = 4096;
  int FDepth = 0;
  struct THash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
  };
  std::unordered_map<std::string, std::string, THash, std::equal_to<>> FPostfixCache;
};

// `s[start]` should be a '['. Returns the text up to its matching ']'
// (nesting counted, brackets inside '...' or "..." ignored) and sets
// `finish` to the offset of that ']'. When s[start] is no '[' (or start is
// past the end) the result is empty and finish = start. When no ']' matches,
// the result is empty and finish = s.size(): the rest is literal text.
std::string GetBracketedText(std::string_view s, std::size_t start, std::size_t& finish);

// The offset of the " #" that starts a display-format suffix ("[SUM] #N0,2"):
// the last one outside '...' and "..."; npos when there is none.
std::size_t FindFormatSuffix(std::string_view expression);

// One bracketed expression of a memo line, split from the line once so that
// printing evaluates it record after record without scanning it again.
struct TfrExpression {
  TfrExpression() = default;
  explicit TfrExpression(std::string text);

  std::string Text;  // as it stood between the brackets
  // Text before a " #" format suffix, trimmed; all of Text (untrimmed) when
  // there is no suffix.
  std::string Name;
  bool HasSuffix = false;
  std::string Suffix;  // after the " #"

  // The suffix's format as the report last read it, under the decimal
  // separator `FormatSeparator` (the reading depends on it); kept by the
  // report that evaluates the expression.
  mutable bool FormatRead = false;
  mutable char FormatSeparator = 0;
  mutable std::int32_t Format = 0;
  mutable std::string FormatStr;
};

// A line split at its bracketed expressions: Literals[0], Expressions[0],
// Literals[1], ..., Literals[n], with n + 1 literals: each '[' opens an
// expression up to its matching ']' (GetBracketedText); from a '[' that no
// ']' matches, the rest of the line is literal text. "[]" is an expression
// with empty text.
struct TfrBracketedLine {
  std::vector<std::string> Literals;
  std::vector<TfrExpression> Expressions;
};
TfrBracketedLine SplitBracketedLine(std::string_view line);

// The argument texts of the call whose '(' is at `open`, trimmed, up to
// nine; `close` receives the offset of the matching ')'. Commas at depth 1
// separate; '...' parts are skipped. Raises Exception with an empty message
// when the parentheses do not balance.
std::vector<std::string> SplitCallArguments(std::string_view s, std::size_t open,
                                            std::size_t& close);

// Named Variants in insertion order; names compare without regard to case
// (Cyrillic folded). Adding a name that is present overwrites its value.
class TfrVariables {
 public:
  void SetVariable(std::string_view Name, const Variant& Value);
  // Empty when absent.
  Variant GetVariable(std::string_view Name) const;
  int IndexOf(std::string_view Name) const;
  int Count() const { return static_cast<int>(FItems.size()); }
  // REQUIRES: 0 <= index < Count() (GetName, SetName, Delete); raise
  // EListError otherwise.
  const std::string& GetName(int index) const;
  void SetName(int index, std::string_view Name);
  // The Integer 0 for an index out of range.
  Variant GetValueAt(int index) const;
  // Ignored out of range.
  void SetValueAt(int index, const Variant& Value);
  void Delete(int index);
  void Clear() { FItems.clear(); }

 private:
  void CheckIndex(int index) const;
  std::vector<std::pair<std::string, Variant>> FItems;
};

// Collects the full text of every call of the listed functions inside an
// expression, looking into brackets, call arguments and (by name) the
// values of the variables, which are themselves expressions.
class TfrFunctionSplitter {
 public:
  // The lists must outlive the splitter; `variables` may be null.
  TfrFunctionSplitter(const TStrings& MatchFuncs, TStrings& SplitTo, const TfrVariables* Variables);
  // Appends to SplitTo. A variable that refers to itself, directly or
  // through others, raises EParserError "Undefined symbol" with its name.
  void Split(std::string_view s);

 private:
  void SplitVariable(int index);
  const TStrings& FMatchFuncs;
  TStrings& FSplitTo;
  const TfrVariables* FVariables;
  std::unordered_set<std::string> FExpanding;
  int FDepth = 0;
};
