#include "report/fr_interpreter.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <vector>

#include "platform/base/scope_guard.h"
#include "platform/base/text.h"

namespace {

constexpr char kCondJump = 1;
constexpr char kJump = 2;
constexpr char kCall = 3;
constexpr int kMaxDepth = 200;

bool IsIdentStart(unsigned char c) { return std::isalpha(c) != 0 || c == '_' || c >= 0x80; }
bool IsIdentChar(unsigned char c) { return IsIdentStart(c) || std::isdigit(c) != 0 || c == '.'; }

std::string Address(int a) {
  std::string s(2, '\0');
  s[0] = static_cast<char>(a & 0xFF);
  s[1] = static_cast<char>((a >> 8) & 0xFF);
  return s;
}

struct TCompileError {
  std::size_t Pos;
  std::string Message;
};

// One compilation: the source without comments, the cuts that map positions
// back, the instructions emitted so far and the labels.
class TCompiler {
 public:
  TCompiler(const TfrParser& parser, std::string source) : FParser(parser) {
    CutComments(std::move(source));
  }

  void Compile() {
    SkipBlanks();
    if (FPos < FBuf.size()) Statement();
    for (const TGoto& g : FGotos) {
      bool found = false;
      for (const auto& [label, index] : FLabels) {
        if (label == g.Label) {
          FCode[static_cast<std::size_t>(g.Index)] = std::string(1, kJump) + Address(index);
          found = true;
          break;
        }
      }
      if (!found) throw TCompileError{g.Pos, "Label \"" + g.Label + "\" is not defined"};
    }
    for (std::string& line : FCode) {
      if (line[0] == kCondJump) {
        line = line.substr(0, 3) + FParser.ToPostfix(line.substr(3));
      } else if (line[0] == kCall) {
        line = std::string(1, kCall) + FParser.ToPostfix(line.substr(1));
      } else if (line[0] != kJump) {
        const std::size_t blank = line.find(' ');
        line = line.substr(0, blank) + " " + FParser.ToPostfix(line.substr(blank + 1));
      }
    }
  }

  std::vector<std::string> FCode;

  // The error's position in the source as written.
  std::size_t SourcePos(std::size_t pos) const {
    std::size_t result = pos;
    for (const auto& [at, length] : FCuts)
      if (at <= pos) result += length;
    return result;
  }

 private:
  struct TGoto {
    int Index;
    std::string Label;
    std::size_t Pos;
  };

  void CutComments(std::string s) {
    FBuf.reserve(s.size());
    char quote = 0;
    for (std::size_t i = 0; i < s.size();) {
      const char c = s[i];
      if (quote != 0) {
        if (c == quote) quote = 0;
        FBuf += c;
        ++i;
      } else if (c == '\'' || c == '"') {
        quote = c;
        FBuf += c;
        ++i;
      } else if (c == '{') {
        std::size_t end = s.find('}', i);
        end = end == std::string::npos ? s.size() : end + 1;
        FCuts.emplace_back(FBuf.size(), end - i);
        i = end;
      } else if (c == '/' && i + 1 < s.size() && s[i + 1] == '/') {
        std::size_t end = s.find('\r', i);
        if (end == std::string::npos) end = s.size();
        FCuts.emplace_back(FBuf.size(), end - i);
        i = end;
      } else {
        FBuf += c;
        ++i;
      }
    }
  }

  [[noreturn]] void Fail(const std::string& message) const { throw TCompileError{FWord, message}; }

  void SkipBlanks() {
    while (FPos < FBuf.size() && static_cast<unsigned char>(FBuf[FPos]) <= 32) ++FPos;
  }

  // Reads the next word, upper-cased: an identifier or number run, a quoted
  // string, a two-character operator or one character. Empty at the end.
  std::string Word() {
    SkipBlanks();
    FWord = FPos;
    if (FPos >= FBuf.size()) return {};
    const std::size_t start = FPos;
    const unsigned char c = static_cast<unsigned char>(FBuf[FPos]);
    if (IsIdentChar(c)) {
      while (FPos < FBuf.size() && IsIdentChar(static_cast<unsigned char>(FBuf[FPos]))) ++FPos;
    } else if (c == '\'' || c == '"') {
      SkipString();
    } else if (FPos + 1 < FBuf.size() &&
               ((c == ':' && FBuf[FPos + 1] == '=') || (c == '<' && FBuf[FPos + 1] == '=') ||
                (c == '>' && FBuf[FPos + 1] == '=') || (c == '<' && FBuf[FPos + 1] == '>'))) {
      FPos += 2;
    } else {
      ++FPos;
    }
    return AnsiUpperCase(std::string_view(FBuf).substr(start, FPos - start));
  }
  std::string PeekWord() {
    const std::size_t pos = FPos, word = FWord;
    std::string w = Word();
    FPos = pos;
    FWord = word;
    return w;
  }
  void PutBack() { FPos = FWord; }

  void SkipString() {
    const char quote = FBuf[FPos++];
    while (FPos < FBuf.size()) {
      if (FBuf[FPos] == quote) {
        if (FPos + 1 < FBuf.size() && FBuf[FPos + 1] == quote) {
          FPos += 2;
          continue;
        }
        ++FPos;
        return;
      }
      ++FPos;
    }
  }

  int Emit(std::string line) {
    if (FCode.size() >= 65536) Fail("Script is too long");
    FCode.push_back(std::move(line));
    return static_cast<int>(FCode.size()) - 1;
  }
  int Here() const { return static_cast<int>(FCode.size()); }
  void Patch(int index, int address) {
    std::string& line = FCode[static_cast<std::size_t>(index)];
    line.replace(1, 2, Address(address));
  }

  // One more level of nesting: a hostile script must not run the stack out.
  TDepthGuard Deeper() {
    if (FDepth >= kMaxDepth) Fail("Script is nested too deeply");
    return TDepthGuard(FDepth);
  }

  void Statement() {
    const TDepthGuard depth = Deeper();
    const std::string w = Word();
    if (w.empty() || w == "END" || w == "UNTIL" || w == "ELSE" || w == ";") {
      PutBack();
    } else if (w == "BEGIN") {
      for (;;) {
        Statement();
        const std::string next = Word();
        if (next == "END") break;
        if (next != ";") Fail("Need \";\" or \"end\" here");
      }
    } else if (w == "IF") {
      const std::string cond = Expression();
      if (Word() != "THEN") Fail("Need \"then\" here");
      const int jump = Emit(std::string(1, kCondJump) + Address(0) + cond);
      Statement();
      if (Word() == "ELSE") {
        const int skip = Emit(std::string(1, kJump) + Address(0));
        Patch(jump, Here());
        Statement();
        Patch(skip, Here());
      } else {
        PutBack();
        Patch(jump, Here());
      }
    } else if (w == "REPEAT") {
      const int top = Here();
      for (;;) {
        Statement();
        const std::string next = Word();
        if (next == "UNTIL") break;
        if (next != ";") Fail("Need \";\" or \"until\" here");
      }
      Emit(std::string(1, kCondJump) + Address(top) + Expression());
    } else if (w == "WHILE") {
      const std::string cond = Expression();
      if (Word() != "DO") Fail("Need \"do\" here");
      const int jump = Emit(std::string(1, kCondJump) + Address(0) + cond);
      Statement();
      Emit(std::string(1, kJump) + Address(jump));
      Patch(jump, Here());
    } else if (w == "FOR") {
      SkipBlanks();
      const std::size_t start = FPos;
      if (FPos >= FBuf.size() || !IsIdentStart(static_cast<unsigned char>(FBuf[FPos])))
        Fail("Need \":=\" here");
      const std::string variable = Word();
      (void)variable;
      const std::string name = FBuf.substr(start, FPos - start);
      if (Word() != ":=") Fail("Need \":=\" here");
      Emit(name + " " + Expression());
      if (Word() != "TO") Fail("Need \"to\" here");
      const std::string limit = Expression();
      if (Word() != "DO") Fail("Need \"do\" here");
      const int jump = Emit(std::string(1, kCondJump) + Address(0) + name + "<=" + limit);
      Statement();
      Emit(name + " " + name + "+1");
      Emit(std::string(1, kJump) + Address(jump));
      Patch(jump, Here());
    } else if (w == "GOTO") {
      const std::string label = Word();
      if (label.empty() ||
          !std::all_of(label.begin(), label.end(), [](char c) { return c >= '0' && c <= '9'; }))
        Fail("\"goto\" label must be a number");
      FGotos.push_back({Emit(std::string(1, kJump) + Address(0)), label, FWord});
    } else if (std::isdigit(static_cast<unsigned char>(w[0])) != 0 && PeekWord() == ":") {
      Word();
      bool known = false;
      for (const auto& entry : FLabels) known = known || entry.first == w;
      if (!known) {
        if (static_cast<int>(FLabels.size()) >= TfrInterpretator::kMaxLabels)
          Fail("Too many labels");
        FLabels.emplace_back(w, Here());
      }
      Statement();
    } else if (IsIdentStart(static_cast<unsigned char>(w[0]))) {
      Assignment();
    } else {
      PutBack();
      Emit(std::string(1, kCall) + Expression());
    }
  }

  void Assignment() {
    const std::size_t start = FWord;
    const std::string name = FBuf.substr(start, FPos - start);
    std::string index;
    if (FPos < FBuf.size() && FBuf[FPos] == '(') {
      FPos = start;
      Emit(std::string(1, kCall) + Expression());
      return;
    }
    if (FPos < FBuf.size() && FBuf[FPos] == '[') {
      ++FPos;
      index = Expression();
      if (Word() != "]") Fail("Need \"]\" here");
    }
    const std::string next = PeekWord();
    if (index.empty() &&
        (next.empty() || next == ";" || next == "END" || next == "ELSE" || next == "UNTIL")) {
      Emit(std::string(1, kCall) + name + "(0)");
      return;
    }
    if (Word() != ":=") Fail("Need \":=\" here");
    const std::string value = Expression();
    if (!index.empty())
      Emit(std::string(1, kCall) + "SETARRAY(" + name + ", " + index + ", " + value + ")");
    else
      Emit(name + " " + value);
  }

  // Checks one expression and returns its source text.
  std::string Expression() {
    SkipBlanks();
    const std::size_t start = FPos;
    Relation();
    return Trim(FBuf.substr(start, FPos - start));
  }

  void Relation() {
    const TDepthGuard depth = Deeper();
    Simple();
    const std::string w = PeekWord();
    if (w == ">=" || w == "<=" || w == "<>" || w == ">" || w == "<" || w == "=") {
      Word();
      Simple();
    }
  }
  void Simple() {
    Term();
    for (;;) {
      const std::string w = PeekWord();
      if (w != "+" && w != "-" && w != "OR") return;
      Word();
      Term();
    }
  }
  void Term() {
    Factor();
    for (;;) {
      const std::string w = PeekWord();
      if (w != "*" && w != "/" && w != "AND" && w != "MOD") return;
      Word();
      Factor();
    }
  }
  void Factor() {
    const TDepthGuard depth = Deeper();
    SkipBlanks();
    FWord = FPos;
    if (FPos >= FBuf.size()) Fail("Need an expression here");
    const unsigned char c = static_cast<unsigned char>(FBuf[FPos]);
    if (c == '(') {
      ++FPos;
      Relation();
      if (Word() != ")") Fail("Need \")\" here");
    } else if (c == '[') {
      int level = 0;
      char quote = 0;
      for (; FPos < FBuf.size(); ++FPos) {
        const char ch = FBuf[FPos];
        if (quote != 0) {
          if (ch == quote) quote = 0;
        } else if (ch == '\'' || ch == '"') {
          quote = ch;
        } else if (ch == '[') {
          ++level;
        } else if (ch == ']' && --level == 0) {
          break;
        }
      }
      if (FPos >= FBuf.size()) Fail("Need \"]\" here");
      ++FPos;
    } else if (c == '+' || c == '-') {
      ++FPos;
      Relation();
    } else if (c == '\'' || c == '"') {
      SkipString();
    } else if (std::isdigit(c) != 0) {
      while (FPos < FBuf.size() && std::isdigit(static_cast<unsigned char>(FBuf[FPos])) != 0)
        ++FPos;
      if (FPos + 1 < FBuf.size() && FBuf[FPos] == '.' &&
          std::isdigit(static_cast<unsigned char>(FBuf[FPos + 1])) != 0) {
        ++FPos;
        while (FPos < FBuf.size() && std::isdigit(static_cast<unsigned char>(FBuf[FPos])) != 0)
          ++FPos;
      }
    } else if (IsIdentStart(c)) {
      const std::string w = Word();
      if (w == "NOT") {
        Relation();
        return;
      }
      if (FPos < FBuf.size() && FBuf[FPos] == '[') {
        ++FPos;
        Relation();
        if (Word() != "]") Fail("Need \"]\" here");
      } else if (FPos < FBuf.size() && FBuf[FPos] == '(') {
        ++FPos;
        if (PeekWord() == ")") {
          Word();
          return;
        }
        for (;;) {
          Relation();
          const std::string next = Word();
          if (next == ")") break;
          if (next != ",") Fail("Need \",\" or \")\" here");
        }
      }
    } else {
      Fail("Need an expression here");
    }
  }

  const TfrParser& FParser;
  std::string FBuf;
  std::size_t FPos = 0;
  std::size_t FWord = 0;
  int FDepth = 0;
  std::vector<std::pair<std::size_t, std::size_t>> FCuts;
  std::vector<std::pair<std::string, int>> FLabels;
  std::vector<TGoto> FGotos;
};

std::string ErrorLine(const TStrings& source, std::size_t pos, const std::string& message) {
  int line = 1;
  std::size_t lineStart = 0;
  for (int i = 0; i < source.Count(); ++i) {
    const std::size_t length = source[i].size() + 1;
    if (pos < lineStart + length || i == source.Count() - 1) {
      line = i + 1;
      break;
    }
    lineStart += length;
  }
  const std::string text = line <= source.Count() ? source[line - 1] : std::string();
  const std::size_t within = pos > lineStart ? pos - lineStart : 0;
  const int column = Length(std::string_view(text).substr(0, std::min(within, text.size()))) + 1;
  return "Line " + std::to_string(line) + "/" + std::to_string(column) + ": " + message;
}

}  // namespace

int JumpAddress(const std::string& instruction) {
  return static_cast<unsigned char>(instruction[1]) |
         (static_cast<unsigned char>(instruction[2]) << 8);
}

TfrInterpretator::TfrInterpretator() {
  FParser.OnGetValue = [this](const std::string& name, Variant& value) { GetValue(name, value); };
  FParser.OnFunction = [this](const std::string& name, const Variant& p1, const Variant& p2,
                              const Variant& p3,
                              Variant& val) { DoFunction(name, p1, p2, p3, val); };
}

void TfrInterpretator::GetValue(const std::string&, Variant&) {}
void TfrInterpretator::SetValue(const std::string&, const Variant&) {}
void TfrInterpretator::DoFunction(const std::string&, const Variant&, const Variant&,
                                  const Variant&, Variant&) {}

void TfrInterpretator::CompileScript(const TStrings& source, TStrings& compiled, TStrings& errors) {
  compiled.Clear();
  errors.Clear();
  std::string text;
  for (int i = 0; i < source.Count(); ++i) text += source[i] + "\r";
  for (char& c : text)
    if (c == '\t') c = ' ';
  if (Length(text) > kMaxSource) {
    errors.Add("Line 1/1: Script is too long");
    return;
  }
  TCompiler compiler(FParser, text);
  try {
    compiler.Compile();
  } catch (const TCompileError& e) {
    errors.Add(ErrorLine(source, compiler.SourcePos(e.Pos), e.Message));
    return;
  } catch (const Exception& e) {
    // An expression the parser cannot turn into postfix.
    errors.Add(ErrorLine(source, 0, e.Message().empty() ? "Need \")\" here" : e.Message()));
    return;
  }
  for (const std::string& line : compiler.FCode) compiled.Add(line);
}

void TfrInterpretator::RunScript(const TStrings& compiled) {
  const int count = compiled.Count();
  long steps = 0;
  for (int i = 0; i < count;) {
    if (++steps > MaxSteps)
      throw EScriptError("Script stopped after " + std::to_string(MaxSteps) + " steps");
    const std::string line = compiled[i];
    if (line.empty()) {
      ++i;
      continue;
    }
    switch (line[0]) {
      case kCondJump: {
        const Variant v = FParser.EvaluatePostfix(std::string_view(line).substr(3));
        i = !(v == Variant(0)) ? i + 1 : JumpAddress(line);
        break;
      }
      case kJump:
        i = JumpAddress(line);
        break;
      case kCall: {
        const std::string_view expr = std::string_view(line).substr(1);
        if (UpperCase(expr) == "EXIT(0)") return;
        FParser.EvaluatePostfix(expr);
        ++i;
        break;
      }
      default: {
        const std::size_t blank = line.find(' ');
        const std::string name = line.substr(0, blank);
        const Variant v = blank == std::string::npos
                              ? Variant()
                              : FParser.EvaluatePostfix(std::string_view(line).substr(blank + 1));
        SetValue(name, v);
        ++i;
        break;
      }
    }
  }
}

void TfrInterpretator::SplitExpressions(const TStrings& compiled, const TStrings& functions,
                                        TStrings& splitTo, const TfrVariables* variables) {
  TfrFunctionSplitter splitter(functions, splitTo, variables);
  for (int i = 0; i < compiled.Count(); ++i) {
    const std::string line = compiled[i];
    if (line.empty()) continue;
    if (line[0] == kCondJump)
      splitter.Split(std::string_view(line).substr(3));
    else if (line[0] == kCall)
      splitter.Split(std::string_view(line).substr(1));
    else if (line[0] != kJump)
      splitter.Split(std::string_view(line).substr(std::min(line.find(' '), line.size())));
  }
}
