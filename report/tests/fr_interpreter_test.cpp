#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/base/string_list.h"
#include "platform/base/text.h"
#include "report/fr_interpreter.h"

namespace {

// Variables in a map; calls recorded; f(x) returns x * 10.
class TRecordingInterp : public TfrInterpretator {
 public:
  std::map<std::string, Variant> Vars;
  std::vector<std::string> Calls;
  void GetValue(const std::string& name, Variant& value) override {
    auto it = Vars.find(name);
    if (it != Vars.end()) value = it->second;
  }
  void SetValue(const std::string& name, const Variant& value) override {
    Vars[UpperCase(name)] = value;
  }
  void DoFunction(const std::string& name, const Variant& p1, const Variant& p2, const Variant& p3,
                  Variant& val) override {
    Calls.push_back(name + "(" + VarToStr(p1) + "|" + VarToStr(p2) + "|" + VarToStr(p3) + ")");
    if (name == "F") val = FParser.Calculate(VarToStr(p1)).AsInteger() * 10;
  }
  // Compiles and runs; returns the error line or "".
  std::string Run(const std::string& script) {
    TStringList source, compiled, errors;
    source.SetText(script);
    CompileScript(source, compiled, errors);
    if (errors.Count() > 0) return errors[0];
    RunScript(compiled);
    return "";
  }
  int Var(const std::string& name) { return Vars[name].AsInteger(); }
};

// The shape of a compiled script: "C3" conditional jump to 3, "J5" jump,
// "call", "set".
std::string Shape(const std::string& script) {
  TfrInterpretator interp;
  TStringList source, compiled, errors;
  source.SetText(script);
  interp.CompileScript(source, compiled, errors);
  if (errors.Count() > 0) return errors[0];
  std::string out;
  for (int i = 0; i < compiled.Count(); ++i) {
    const std::string line = compiled[i];
    if (!out.empty()) out += ' ';
    if (line[0] == 1)
      out += "C" + std::to_string(JumpAddress(line));
    else if (line[0] == 2)
      out += "J" + std::to_string(JumpAddress(line));
    else if (line[0] == 3)
      out += "call";
    else
      out += "set";
  }
  return out;
}

TEST(FrInterpreter, CompiledShapes) {
  const struct {
    const char* Script;
    const char* Shape;
  } cases[] = {
      {"", ""},
      {"begin a := 1; end", "set"},
      {"begin a := 1 end", "set"},
      {"if x > 1 then y := 2 else y := 3", "C3 set J4 set"},
      {"if x > 1 then y := 2", "C2 set"},
      {"while a < 3 do a := a + 1", "C3 set J0"},
      {"for i := 1 to 3 do s := s + i", "set C5 set set J1"},
      {"repeat a := a + 1 until a > 3", "set C0"},
      {"begin 10: a := 1; goto 10 end", "set J0"},
      {"begin ShowBand(Band1); stopreport end", "call call"},
      {"begin arr[1] := 5 end", "call"},
      {"begin {comment} a := 1; // rest\r b := 2 end", "set set"},
      {"begin\n a := 'x;{not a comment}'\nend", "set"},
  };
  for (const auto& c : cases) EXPECT_EQ(Shape(c.Script), c.Shape) << c.Script;
}

TEST(FrInterpreter, ErrorsGiveLineAndColumn) {
  const struct {
    const char* Script;
    const char* Error;
  } cases[] = {
      {"begin a := 1 b := 2 end", "Line 1/14: Need \";\" or \"end\" here"},
      {"if a > 1 y := 2", "Line 1/10: Need \"then\" here"},
      {"repeat a := 1 b", "Line 1/15: Need \";\" or \"until\" here"},
      {"while a b := 1", "Line 1/9: Need \"do\" here"},
      {"for i := 1 do a := 1", "Line 1/12: Need \"to\" here"},
      {"for i := 1 to 2 a := 1", "Line 1/17: Need \"do\" here"},
      {"goto x", "Line 1/6: \"goto\" label must be a number"},
      {"begin a 1 end", "Line 1/9: Need \":=\" here"},
      {"a := (1 + 2", "Line 1/12: Need \")\" here"},
      {"a := [b", "Line 1/6: Need \"]\" here"},
      {"a := f(1 2)", "Line 1/10: Need \",\" or \")\" here"},
      // A comment cut out before the error does not shift the position.
      {"begin\n  {long comment} a := 1 b := 2\nend", "Line 2/25: Need \";\" or \"end\" here"},
      {"begin goto 7 end", "Line 1/12: Label \"7\" is not defined"},
      {"a := )", "Line 1/6: Need an expression here"},
  };
  for (const auto& c : cases) EXPECT_EQ(Shape(c.Script), c.Error) << c.Script;
}

TEST(FrInterpreter, FailedCompileNeverRuns) {
  TRecordingInterp interp;
  TStringList source, compiled, errors;
  source.SetText("begin a := 1; b := ) end");
  interp.CompileScript(source, compiled, errors);
  EXPECT_EQ(compiled.Count(), 0);
  EXPECT_EQ(errors.Count(), 1);
}

TEST(FrInterpreter, RunsStatements) {
  TRecordingInterp interp;
  EXPECT_EQ(interp.Run("begin s := 0; for i := 1 to 4 do s := s + i end"), "");
  EXPECT_EQ(interp.Var("S"), 10);
  EXPECT_EQ(interp.Run("begin a := 0; repeat a := a + 2 until a >= 7 end"), "");
  EXPECT_EQ(interp.Var("A"), 8);
  EXPECT_EQ(interp.Run("begin n := 0; while n < 5 do begin n := n + 1; if n = 3 then exit end end"),
            "");
  EXPECT_EQ(interp.Var("N"), 3);
  EXPECT_EQ(interp.Run("if 2 > 1 then r := 'yes' else r := 'no'"), "");
  EXPECT_EQ(VarToStr(interp.Vars["R"]), "yes");
  EXPECT_EQ(interp.Run("begin k := 0; 5: k := k + 1; if k < 3 then goto 5 end"), "");
  EXPECT_EQ(interp.Var("K"), 3);
  EXPECT_EQ(interp.Run("v := f(4) + 1"), "");
  EXPECT_EQ(interp.Var("V"), 41);
}

TEST(FrInterpreter, ForEndIsEvaluatedOnEveryPass) {
  TRecordingInterp interp;
  EXPECT_EQ(
      interp.Run("begin m := 10; c := 0; for i := 1 to m do begin c := c + 1; m := 3 end end"), "");
  EXPECT_EQ(interp.Var("C"), 3);
}

TEST(FrInterpreter, CallsAndArrays) {
  TRecordingInterp interp;
  EXPECT_EQ(interp.Run("begin NewPage; arr[i + 1] := 'x'; ShowBand(Band1) end"), "");
  EXPECT_EQ(interp.Calls, (std::vector<std::string>{"NEWPAGE(0||)", "SETARRAY(arr|i + 1|'x')",
                                                    "SHOWBAND(Band1||)"}));
}

TEST(FrInterpreter, EndlessLoopIsStopped) {
  TRecordingInterp interp;
  EXPECT_EQ(interp.MaxSteps, 10'000'000);
  interp.MaxSteps = 1000;
  EXPECT_THROW(interp.Run("begin 1: goto 1 end"), EScriptError);
  EXPECT_THROW(interp.Run("while 1 do a := 1"), EScriptError);
}

TEST(FrInterpreter, TooManyLabelsAndDeepNesting) {
  std::string labels = "begin ";
  for (int i = 0; i < 102; ++i) labels += std::to_string(i) + ": a := 1; ";
  EXPECT_EQ(Shape(labels + "end").substr(0, 5), "Line ");
  EXPECT_EQ(Shape(std::string(5000, '(')).substr(0, 5), "Line ");
  EXPECT_EQ(Shape("a := " + std::string(40000, '1')), "Line 1/1: Script is too long");
}

TEST(FrInterpreter, SplitExpressionsFindsCalls) {
  TfrInterpretator interp;
  TStringList source, compiled, errors, funcs, out;
  funcs.Add("SUM");
  source.SetText("begin if SUM([x]) > 1 then a := SUM([y]) end");
  interp.CompileScript(source, compiled, errors);
  ASSERT_EQ(errors.Count(), 0);
  interp.SplitExpressions(compiled, funcs, out, nullptr);
  EXPECT_EQ(out.Count(), 2);
}

}  // namespace
