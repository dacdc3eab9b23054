// Arbitrary text as a report script: compiled, then run with a step limit;
// and as a bracketed expression of a report (value resolution, the function
// library, the report's procedures). Compile errors must come back as one
// error line and an empty program; runs must end (the step limit) with at
// most an exception.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/base/exceptions.h"
#include "platform/base/string_list.h"
#include "report/fr_interpreter.h"
#include "report/fr_report.h"

namespace {

class TFuzzInterp : public TfrInterpretator {
 public:
  void GetValue(const std::string& name, Variant& value) override {
    value = FVars.GetVariable(name);
    if (VarIsEmpty(value)) value = Variant(static_cast<int>(name.size() % 3));
  }
  void SetValue(const std::string& name, const Variant& value) override {
    FVars.SetVariable(name, value);
  }

 private:
  TfrVariables FVars;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TStringList source, compiled, errors;
  source.SetText(std::string(reinterpret_cast<const char*>(data), size));
  TFuzzInterp interp;
  interp.MaxSteps = 10000;
  interp.CompileScript(source, compiled, errors);
  if (errors.Count() > 1 || (errors.Count() == 1 && compiled.Count() != 0)) std::abort();
  try {
    interp.RunScript(compiled);
  } catch (const Exception&) {
  }
  static TfrReport* report = [] {
    static TObjectPtr<TComponent> owner = CreateUnique<TComponent>();
    auto* r = Create<TfrReport>(owner.get());
    r->Variables().SetVariable("A", Variant("[B]"));
    return r;
  }();
  try {
    report->ExpressionText(nullptr, std::string(reinterpret_cast<const char*>(data), size));
  } catch (const Exception&) {
  }
  return 0;
}
