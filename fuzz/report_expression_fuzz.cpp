// Arbitrary text as a report expression: converted, evaluated, split and
// expanded as a memo line. Failures must be exceptions, never crashes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/base/exceptions.h"
#include "platform/base/string_list.h"
#include "report/fr_parser.h"
#include "report/fr_view.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  TfrParser parser;
  int depth = 0;
  parser.OnGetValue = [](const std::string& name, Variant& v) {
    v = Variant(static_cast<int>(name.size() % 3));
  };
  parser.OnFunction = [&](const std::string&, const Variant& p1, const Variant&, const Variant&,
                          Variant& v) {
    // Functions evaluate their first argument, as the engine's do.
    if (depth < 8) {
      ++depth;
      try {
        v = parser.Calculate(VarToStr(p1));
      } catch (...) {
        --depth;
        throw;
      }
      --depth;
    }
  };
  try {
    parser.Calculate(text);
  } catch (const Exception&) {
  }
  try {
    parser.EvaluatePostfix(text);
  } catch (const Exception&) {
  }
  TStringList match, out;
  match.Add("SUM");
  TfrVariables vars;
  vars.SetVariable("A", Variant(text));
  vars.SetVariable("B", Variant("[A]"));
  try {
    TfrFunctionSplitter(match, out, &vars).Split(text + " + [B]");
  } catch (const Exception&) {
  }
  const std::string expanded = ExpandLine(text, [](const std::string& e) { return e + "!"; });
  if (expanded.size() > 2 * text.size() + 1) std::abort();  // never expands twice
  return 0;
}
