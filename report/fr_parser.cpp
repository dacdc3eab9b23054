#include "report/fr_parser.h"

#include <algorithm>
#include <cmath>

#include "platform/base/codepage.h"
#include "platform/base/date_time.h"
#include "platform/base/format.h"
#include "platform/base/format_settings.h"
#include "platform/base/math_utils.h"
#include "platform/base/number_format.h"
#include "platform/base/scope_guard.h"
#include "platform/base/string_list.h"
#include "platform/base/text.h"
#include "report/fr_utils.h"

namespace {

// Operator codes of the postfix string.
constexpr char kGreaterEq = 1;
constexpr char kLessEq = 2;
constexpr char kNotEq = 3;
constexpr char kOr = 4;
constexpr char kAnd = 5;
constexpr char kInt = 6;
constexpr char kFrac = 7;
constexpr char kNeg = 9;
constexpr char kPlus = 10;
constexpr char kStr = 11;
constexpr char kNot = 12;
constexpr char kMod = 13;
constexpr char kRound = 14;

constexpr int kStackDepth = 8;

bool IsOperator(char c) {
  switch (c) {
    case '*':
    case '/':
    case '+':
    case '-':
    case '<':
    case '>':
    case '=':
    case kGreaterEq:
    case kLessEq:
    case kNotEq:
    case kOr:
    case kAnd:
    case kInt:
    case kFrac:
    case kNeg:
    case kPlus:
    case kStr:
    case kNot:
    case kMod:
    case kRound:
      return true;
    default:
      return false;
  }
}

bool IsPrefix(char c) {
  return c == kNeg || c == kPlus || c == kNot || c == kInt || c == kFrac || c == kStr ||
         c == kRound;
}

int Priority(char c) {
  switch (c) {
    case kInt:
    case kFrac:
    case kStr:
    case kRound:
      return 0;
    case '*':
    case '/':
    case kAnd:
    case kOr:
    case kNot:
    case kMod:
      return 1;
    case '+':
    case '-':
    case kNeg:
    case kPlus:
      return 2;
    case '(':
      return 5;
    default:
      return 3;
  }
}

bool EndsWord(char c) {
  switch (c) {
    case '\r':
    case ' ':
    case '(':
    case ')':
    case '*':
    case '+':
    case '-':
    case '/':
    case '<':
    case '=':
    case '>':
    case '[':
      return true;
    default:
      return false;
  }
}

// A word from `i`: leading control characters and blanks skipped, then up to
// a delimiter outside double quotes. An odd count of '"' is an error.
std::string_view ReadWord(std::string_view s, std::size_t& i) {
  while (i < s.size() && static_cast<unsigned char>(s[i]) <= ' ') ++i;
  const std::size_t start = i;
  bool quoted = false;
  while (i < s.size() && (quoted || !EndsWord(s[i]))) {
    if (s[i] == '"') quoted = !quoted;
    ++i;
  }
  if (quoted) throw EParserError("Unbalanced quotes in \"%s\"", std::string(s.substr(start)));
  return s.substr(start, i - start);
}

// Offset just past the quoted string whose opening quote is at `i` ('' is
// one quote inside); the end of the text when it is not closed.
std::size_t SkipQuoted(std::string_view s, std::size_t i, bool* closed = nullptr) {
  ++i;
  while (i < s.size()) {
    if (s[i] == '\'') {
      if (i + 1 < s.size() && s[i + 1] == '\'') {
        i += 2;
        continue;
      }
      if (closed != nullptr) *closed = true;
      return i + 1;
    }
    ++i;
  }
  if (closed != nullptr) *closed = false;
  return s.size();
}

bool IsNumberStart(char c) { return c == ',' || c == '.' || (c >= '0' && c <= '9'); }

// ASCII case-insensitive equality with an upper-case ASCII `upper`.
bool SameAscii(std::string_view s, std::string_view upper) {
  if (s.size() != upper.size()) return false;
  for (std::size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    if (c != upper[i]) return false;
  }
  return true;
}

// The operator code of a keyword (every keyword is ASCII), else 0.
char Keyword(std::string_view word) {
  static const std::pair<const char*, char> kWords[] = {
      {"INT", kInt}, {"FRAC", kFrac}, {"ROUND", kRound}, {"OR", kOr},
      {"AND", kAnd}, {"NOT", kNot},   {"STR", kStr},     {"MOD", kMod}};
  if (word.size() < 2 || word.size() > 5) return 0;
  for (const auto& [keyword, code] : kWords)
    if (SameAscii(word, keyword)) return code;
  return 0;
}

double Snapped(double d) {
  const double nearest = std::round(d);
  return std::fabs(d - nearest) < 1e-10 ? nearest : d;
}

}  // namespace

std::string GetBracketedText(std::string_view s, std::size_t start, std::size_t& finish) {
  finish = start;
  if (start >= s.size() || s[start] != '[') return {};
  int depth = 0;
  char quote = 0;
  for (std::size_t i = start; i < s.size(); ++i) {
    const char c = s[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == '[') {
      ++depth;
    } else if (c == ']' && --depth == 0) {
      finish = i;
      return std::string(s.substr(start + 1, i - start - 1));
    }
  }
  finish = s.size();
  return {};
}

std::size_t FindFormatSuffix(std::string_view expression) {
  char quote = 0;
  std::size_t found = std::string_view::npos;
  for (std::size_t i = 0; i + 1 < expression.size(); ++i) {
    const char c = expression[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == ' ' && expression[i + 1] == '#') {
      found = i;
    }
  }
  return found;
}

TfrExpression::TfrExpression(std::string text) : Text(std::move(text)) {
  const std::size_t suffix = FindFormatSuffix(Text);
  HasSuffix = suffix != std::string::npos;
  if (!HasSuffix) {
    Name = Text;
    return;
  }
  Suffix = Text.substr(suffix + 2);
  Name = Trim(std::string_view(Text).substr(0, suffix));
}

TfrBracketedLine SplitBracketedLine(std::string_view line) {
  TfrBracketedLine split;
  std::size_t i = 0;
  while (i < line.size()) {
    const std::size_t open = line.find('[', i);
    if (open == std::string_view::npos) break;
    std::size_t finish;
    std::string inner = GetBracketedText(line, open, finish);
    if (finish >= line.size()) break;  // no ']': the rest stays literal
    split.Literals.emplace_back(line.substr(i, open - i));
    split.Expressions.emplace_back(std::move(inner));
    i = finish + 1;
  }
  split.Literals.emplace_back(line.substr(std::min(i, line.size())));
  return split;
}

std::vector<std::string> SplitCallArguments(std::string_view s, std::size_t open,
                                            std::size_t& close) {
  std::vector<std::string> args;
  int depth = 0;
  std::size_t argStart = open + 1;
  std::size_t i = open;
  while (i < s.size()) {
    const char c = s[i];
    if (c == '\'') {
      i = SkipQuoted(s, i);
      continue;
    }
    if (c == '(') {
      ++depth;
    } else if (c == ')' || (c == ',' && depth == 1)) {
      if (c == ')') --depth;
      if (depth == 0 || c == ',') {
        if (args.size() < 9) args.push_back(Trim(s.substr(argStart, i - argStart)));
        argStart = i + 1;
      }
      if (depth == 0) {
        close = i;
        // "f()" has no argument rather than one empty one.
        if (args.size() == 1 && args[0].empty()) args.clear();
        return args;
      }
    }
    ++i;
  }
  throw Exception("");
}

std::string TfrParser::ToPostfix(std::string_view s) const {
  std::string out;
  std::string stack;  // back is the top
  bool operandExpected = true;
  const auto pushOperator = [&](char op) {
    if (operandExpected) {
      if (op == '-') op = kNeg;
      if (op == '+') op = kPlus;
    }
    // A prefix operator in operand position must not pop the pending binary
    // operator that is still waiting for this operand.
    if (!(operandExpected && IsPrefix(op))) {
      const int p = Priority(op);
      while (!stack.empty() && p >= Priority(stack.back())) {
        out += stack.back();
        stack.pop_back();
      }
    }
    stack += op;
    operandExpected = true;
  };

  std::size_t i = 0;
  while (i < s.size()) {
    const char c = s[i];
    if (c == ';') break;
    if (static_cast<unsigned char>(c) <= ' ') {
      ++i;
      continue;
    }
    if (c == '(') {
      stack += '(';
      operandExpected = true;
      ++i;
      continue;
    }
    if (c == ')') {
      while (!stack.empty() && stack.back() != '(') {
        out += stack.back();
        stack.pop_back();
      }
      if (!stack.empty()) stack.pop_back();
      operandExpected = false;
      ++i;
      continue;
    }
    if (c == '*' || c == '+' || c == '-' || c == '/' || c == '<' || c == '=' || c == '>') {
      char op = c;
      const char next = i + 1 < s.size() ? s[i + 1] : 0;
      ++i;
      if (c == '<' && next == '>')
        op = kNotEq, ++i;
      else if (c == '>' && next == '=')
        op = kGreaterEq, ++i;
      else if (c == '<' && next == '=')
        op = kLessEq, ++i;
      pushOperator(op);
      continue;
    }

    // An operand.
    std::string operand;
    if (c == '%') {
      operand = std::string(s.substr(i, 2));
      i += operand.size();
    }
    if (i < s.size() && s[i] == '\'') {
      bool closed;
      const std::size_t end = SkipQuoted(s, i, &closed);
      operand += s.substr(i, end - i);
      if (!closed) operand += '\'';
      i = end;
    } else if (i < s.size() && s[i] == '[') {
      std::size_t finish;
      GetBracketedText(s, i, finish);
      if (finish < s.size()) {
        operand += s.substr(i, finish + 1 - i);
        i = finish + 1;
      } else {
        // No matching ']': the rest is literal text.
        operand += QuotedStr(s.substr(i));
        i = s.size();
      }
    } else {
      const std::string_view word = ReadWord(s, i);
      if (operand.empty() && !word.empty() && !IsNumberStart(word[0])) {
        const char code = Keyword(word);
        if (code != 0) {
          pushOperator(code);
          continue;
        }
      }
      operand += word;
      if (i < s.size() && s[i] == '[') {
        std::size_t finish;
        GetBracketedText(s, i, finish);
        const std::size_t end = finish < s.size() ? finish + 1 : s.size();
        operand += s.substr(i, end - i);
        i = end;
      } else if (i < s.size() && s[i] == '(' && !word.empty() && !IsNumberStart(word[0])) {
        std::size_t close;
        SplitCallArguments(s, i, close);
        operand += s.substr(i, close + 1 - i);
        i = close + 1;
        out += operand;
        operandExpected = false;
        continue;
      }
      if (operand.empty()) {
        // A stray character that starts nothing (a lone '"' pair is a
        // word); step over it so the scan always advances.
        ++i;
        continue;
      }
    }
    out += operand;
    out += ' ';
    operandExpected = false;
  }
  while (!stack.empty()) {
    if (stack.back() != '(') out += stack.back();
    stack.pop_back();
  }
  return out;
}

Variant TfrParser::Calculate(std::string_view s) {
  // Calls nest through their arguments; a hostile template must not run
  // the stack out.
  if (FDepth >= kMaxNesting) throw EParserError("Expression is too complex");
  TDepthGuard depth(FDepth);
  // Reports calculate the same few expressions for every record.
  auto it = FPostfixCache.find(s);
  if (it == FPostfixCache.end()) {
    if (FPostfixCache.size() >= kPostfixCacheSize) FPostfixCache.clear();
    it = FPostfixCache.emplace(std::string(s), ToPostfix(s)).first;
  }
  const std::string postfix = it->second;  // evaluation may calculate again
  return EvaluatePostfix(postfix);
}

Variant TfrParser::EvaluatePostfix(std::string_view s) {
  std::array<Variant, kStackDepth> stack;
  int count = 0;
  const auto push = [&](Variant v) {
    if (count == kStackDepth) throw EParserError("Expression is too complex");
    stack[count++] = std::move(v);
  };
  const auto need = [&](int n) {
    if (count < n) throw EParserError("Missing operand");
  };

  std::size_t i = 0;
  while (i < s.size()) {
    const char c = s[i];
    if (c == ' ') {
      ++i;
      continue;
    }
    if (IsOperator(c)) {
      ++i;
      if (IsPrefix(c)) {
        need(1);
        Variant& x = stack[count - 1];
        switch (c) {
          case kNeg:
            x = -x;
            break;
          case kPlus:
            break;
          case kNot:
            x = Variant(x == Variant(0) ? 1 : 0);
            break;
          case kInt:
            x = Variant(std::trunc(Snapped(x.AsDouble())));
            break;
          case kFrac: {
            const double d = Snapped(x.AsDouble());
            x = Variant(d - std::trunc(d));
            break;
          }
          case kRound:
            x = Variant(Round(x.AsDouble()));
            break;
          case kStr:
            x = Variant(VarToStr(x));
            break;
        }
        continue;
      }
      need(2);
      const Variant b = std::move(stack[--count]);
      Variant& a = stack[count - 1];
      switch (c) {
        case '+':
        case kOr:
          a = a + b;
          break;
        case '*':
        case kAnd:
          a = a * b;
          break;
        case '-':
          a = a - b;
          break;
        case '/':
          a = b == Variant(0) ? Variant(0) : a / b;
          break;
        case kMod:
          a = a % b;
          break;
        case '<':
          a = Variant(a < b ? 1 : 0);
          break;
        case '>':
          a = Variant(a > b ? 1 : 0);
          break;
        case '=':
          a = Variant(a == b ? 1 : 0);
          break;
        case kGreaterEq:
          a = Variant(a >= b ? 1 : 0);
          break;
        case kLessEq:
          a = Variant(a <= b ? 1 : 0);
          break;
        case kNotEq:
          a = Variant(a != b ? 1 : 0);
          break;
      }
      continue;
    }

    std::string prefix;
    if (c == '%') {
      prefix = std::string(s.substr(i, 2));
      i += prefix.size();
    }
    if (i < s.size() && s[i] == '\'') {
      bool closed;
      const std::size_t end = SkipQuoted(s, i, &closed);
      const std::string_view body = s.substr(i + 1, end - i - 1 - (closed ? 1 : 0));
      i = end;
      push(Variant(StringReplace(body, "''", "'", {rfReplaceAll})));
      continue;
    }
    if (i < s.size() && s[i] == '[') {
      std::size_t finish;
      std::string inner = GetBracketedText(s, i, finish);
      if (finish >= s.size()) {
        // Only hand-made postfix gets here (ToPostfix closes brackets).
        inner = std::string(s.substr(i + 1));
        if (!inner.empty() && inner.back() == ' ') inner.pop_back();
      }
      i = finish < s.size() ? finish + 1 : s.size();
      Variant v;
      if (OnGetValue) {
        if (prefix.empty())
          OnGetValue(inner, v);
        else
          OnGetValue(prefix + inner, v);
      }
      push(std::move(v));
      continue;
    }
    const std::string_view word = ReadWord(s, i);
    if (prefix.empty() && !word.empty() && IsNumberStart(word[0])) {
      std::string number(word);
      for (char& ch : number)
        if (ch == ',' || ch == '.') ch = FormatSettings.DecimalSeparator;
      push(Variant(StrToFloat(number)));
      continue;
    }
    if (i < s.size() && s[i] == '[') {
      std::size_t finish;
      std::string index = GetBracketedText(s, i, finish);
      i = finish < s.size() ? finish + 1 : s.size();
      push(Calculate("GETARRAY(" + prefix + std::string(word) + ", " + index + ")"));
      continue;
    }
    if (i < s.size() && s[i] == '(' && prefix.empty()) {
      std::size_t close;
      const std::vector<std::string> args = SplitCallArguments(s, i, close);
      i = close + 1;
      const std::string name = AnsiUpperCase(word);
      const auto arg = [&](std::size_t n) { return n < args.size() ? args[n] : std::string(); };
      if (name == "COPY") {
        const std::string text = VarToStr(Calculate(arg(0)));
        const int start = StrToInt(Trim(VarToStr(Calculate(arg(1)))));
        const int length = StrToInt(Trim(VarToStr(Calculate(arg(2)))));
        push(Variant(Copy(text, start, length)));
      } else if (name == "IF") {
        const Variant cond = Calculate(arg(0));
        const bool yes =
            VarType(cond) == varBoolean ? cond.AsBoolean() : Trunc(StrToFloat(VarToStr(cond))) != 0;
        push(Calculate(yes ? arg(1) : arg(2)));
      } else if (name == "STRTODATE") {
        push(VarFromDateTime(StrToDate(VarToStr(Calculate(arg(0))))));
      } else if (name == "STRTOTIME") {
        push(VarFromDateTime(StrToTime(VarToStr(Calculate(arg(0))))));
      } else {
        Variant result;
        if (OnFunction) {
          OnFunction(name, Variant(arg(0)), Variant(arg(1)), Variant(arg(2)), result);
        } else if (OnFunction9) {
          std::array<Variant, 9> all;
          for (std::size_t n = 0; n < all.size(); ++n) all[n] = Variant(arg(n));
          OnFunction9(name, all, result);
        }
        push(std::move(result));
      }
      continue;
    }
    if (word.empty() && prefix.empty()) {
      ++i;  // a stray character; never loop on it
      continue;
    }
    if (prefix.empty() && (SameAscii(word, "TRUE") || SameAscii(word, "FALSE"))) {
      push(Variant(word.size() == 4));
      continue;
    }
    const std::string upper = prefix.empty() && IsAscii(word)
                                  ? UpperCase(word)
                                  : AnsiUpperCase(prefix + std::string(word));
    Variant v;
    if (OnGetValue) OnGetValue(upper, v);
    push(std::move(v));
  }
  return count > 0 ? stack[0] : Variant();
}

// --- TfrVariables ---------------------------------------------------------

void TfrVariables::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) throw EListError("List index out of bounds (%d)", index);
}

int TfrVariables::IndexOf(std::string_view Name) const {
  const bool ascii = IsAscii(Name);
  const std::string upper = ascii ? UpperCase(Name) : std::string();
  for (std::size_t i = 0; i < FItems.size(); ++i) {
    const std::string& item = FItems[i].first;
    if (ascii && IsAscii(item) ? SameAscii(item, upper) : AnsiSameText(item, Name))
      return static_cast<int>(i);
  }
  return -1;
}

void TfrVariables::SetVariable(std::string_view Name, const Variant& Value) {
  const int i = IndexOf(Name);
  if (i >= 0)
    FItems[static_cast<std::size_t>(i)].second = Value;
  else
    FItems.emplace_back(std::string(Name), Value);
}

Variant TfrVariables::GetVariable(std::string_view Name) const {
  const int i = IndexOf(Name);
  return i >= 0 ? FItems[static_cast<std::size_t>(i)].second : Variant();
}

const std::string& TfrVariables::GetName(int index) const {
  CheckIndex(index);
  return FItems[static_cast<std::size_t>(index)].first;
}

void TfrVariables::SetName(int index, std::string_view Name) {
  CheckIndex(index);
  FItems[static_cast<std::size_t>(index)].first = std::string(Name);
}

Variant TfrVariables::GetValueAt(int index) const {
  if (index < 0 || index >= Count()) return Variant(0);
  return FItems[static_cast<std::size_t>(index)].second;
}

void TfrVariables::SetValueAt(int index, const Variant& Value) {
  if (index < 0 || index >= Count()) return;
  FItems[static_cast<std::size_t>(index)].second = Value;
}

void TfrVariables::Delete(int index) {
  CheckIndex(index);
  FItems.erase(FItems.begin() + index);
}

// --- TfrFunctionSplitter --------------------------------------------------

TfrFunctionSplitter::TfrFunctionSplitter(const TStrings& MatchFuncs, TStrings& SplitTo,
                                         const TfrVariables* Variables)
    : FMatchFuncs(MatchFuncs), FSplitTo(SplitTo), FVariables(Variables) {}

void TfrFunctionSplitter::SplitVariable(int index) {
  const std::string key = AnsiUpperCase(FVariables->GetName(index));
  if (!FExpanding.insert(key).second)
    throw EParserError(LoadEngineString(frsUndefinedSymbol) + " \"" + FVariables->GetName(index) +
                       "\"");
  TScopeExit expanded([&] { FExpanding.erase(key); });
  Split(VarToStr(FVariables->GetValueAt(index)));
}

void TfrFunctionSplitter::Split(std::string_view text) {
  if (FDepth >= kMaxNesting) throw EParserError("Expression is too complex");
  TDepthGuard depth(FDepth);
  const std::string s = Trim(text);
  if (s.empty() || s[0] == '\'') return;
  const auto variable = [&](std::string_view name) {
    return FVariables != nullptr ? FVariables->IndexOf(name) : -1;
  };
  std::size_t i = 0;
  while (i < s.size()) {
    const char c = s[i];
    if (static_cast<unsigned char>(c) <= ' ' || c == '(' || c == ')' || c == '*' || c == '+' ||
        c == '-' || c == '/' || c == '<' || c == '=' || c == '>' || c == ',' || c == ';') {
      ++i;
      continue;
    }
    if (c == '\'') {
      i = SkipQuoted(s, i);
      continue;
    }
    if (c == '[') {
      std::size_t finish;
      const std::string inner = GetBracketedText(s, i, finish);
      if (finish >= s.size()) return;
      const int v = variable(inner);
      if (v >= 0)
        SplitVariable(v);
      else
        Split(inner);
      i = finish + 1;
      continue;
    }
    const std::size_t start = i;
    const std::string_view word = ReadWord(s, i);
    if (word.empty()) {
      ++i;
      continue;
    }
    if (i < s.size() && s[i] == '(') {
      std::size_t close;
      const std::vector<std::string> args = SplitCallArguments(s, i, close);
      for (const std::string& a : args) Split(a);
      if (FMatchFuncs.IndexOf(AnsiUpperCase(word)) >= 0)
        FSplitTo.Add(s.substr(start, close + 1 - start));
      i = close + 1;
      continue;
    }
    const int v = variable(word);
    if (v >= 0) SplitVariable(v);
  }
}
