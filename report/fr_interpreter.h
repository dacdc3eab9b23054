// TfrInterpretator: compiles the small scripts of report objects, bands and
// pages into one-line instructions and runs them.
//
// Statements: begin ... end, if/then/else, repeat/until, while/do,
// for := to do, goto n, n: labels, assignments (name[i] := v becomes
// SETARRAY(name, i, v)), and calls (a bare name is NAME(0)); { } and //
// comments. Keywords are case-insensitive.
//
// Compiled script, one instruction per string (binary: addresses are two raw
// bytes, low first, and postfix strings hold control codes):
//   \x01 lo hi <postfix>   jump to the address when the condition is 0
//   \x02 lo hi             jump
//   \x03 <postfix>         evaluate and drop; EXIT(0) stops the run
//   <name> <postfix>       SetValue(name, value)
//
// A failed compile leaves the compiled list empty and one error line
// "Line L/C: message" (1-based, positions in the source as written), so a
// broken script never runs. Runs stop with EScriptError after MaxSteps
// instructions: a template's endless loop must not freeze the program.
//
// GUI thread only.
#pragma once

#include <string>

#include "platform/base/exceptions.h"
#include "platform/base/string_list.h"
#include "platform/base/variant.h"
#include "report/fr_parser.h"

class EScriptError : public Exception {
 public:
  using Exception::Exception;
};

class TfrInterpretator {
 public:
  static constexpr long kMaxSteps = 10'000'000;
  static constexpr int kMaxSource = 32000;  // characters, line breaks included
  static constexpr int kMaxLabels = 101;

  TfrInterpretator();
  virtual ~TfrInterpretator() = default;
  TfrInterpretator(const TfrInterpretator&) = delete;
  TfrInterpretator& operator=(const TfrInterpretator&) = delete;

  // The names, assignments and calls of a running script; nothing here.
  virtual void GetValue(const std::string& Name, Variant& Value);
  virtual void SetValue(const std::string& Name, const Variant& Value);
  virtual void DoFunction(const std::string& Name, const Variant& p1, const Variant& p2,
                          const Variant& p3, Variant& Val);

  // Clears both lists and compiles `source`; on an error `compiled` stays
  // empty and `errors` holds one line. An empty source compiles to nothing.
  virtual void CompileScript(const TStrings& source, TStrings& compiled, TStrings& errors);
  // Raises what evaluation raises, and EScriptError past kMaxSteps.
  virtual void RunScript(const TStrings& compiled);
  long MaxSteps = kMaxSteps;

  // The calls of `functions` in the expression part of every instruction.
  void SplitExpressions(const TStrings& compiled, const TStrings& functions, TStrings& splitTo,
                        const TfrVariables* variables);

 protected:
  TfrParser FParser;
};

// The address of a jump instruction (codes 1 and 2).
int JumpAddress(const std::string& instruction);
