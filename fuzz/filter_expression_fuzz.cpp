// Parses arbitrary text as a filter-row condition for every kind of column
// and with both decimal separators: a syntax error must be one of the
// parser's own messages, a bad operand the conversion's error; never a
// crash or a hang.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "grid/filter_expression.h"
#include "platform/base/exceptions.h"
#include "platform/base/format_settings.h"

namespace {

bool IsParserMessage(const std::string& message) {
  static constexpr std::string_view kPrefixes[] = {"Quote is absent: ",
                                                   "'(' expected: ",
                                                   "')' expected: ",
                                                   "Error in expression: ",
                                                   "Unexpected expression before Null: ",
                                                   "Unexpected expression after operator: ",
                                                   "Incorrect expression: ",
                                                   "Unexpected AND or OR: "};
  for (std::string_view prefix : kPrefixes)
    if (message.starts_with(prefix)) return true;
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
  TFormatSettingsOverride saved;
  FormatSettings.DecimalSeparator = (data[0] & 0x80) != 0 ? ',' : '.';
  TSTFilterExpressionEh expression;
  expression.ValueType = static_cast<TFilterValueTypeEh>(data[0] % 5);
  try {
    ParseFilterExpression(text, expression);
  } catch (const EConvertError&) {
  } catch (const Exception& e) {
    if (!IsParserMessage(e.Message())) std::abort();
  }
  if (expression.Operator1 > fokValueEh || expression.Operator2 > fokValueEh) std::abort();
  return 0;
}
