#include "report/fr_format.h"

#include <algorithm>

#include "platform/base/date_time.h"
#include "platform/base/exceptions.h"
#include "platform/base/format_settings.h"
#include "platform/base/number_format.h"
#include "platform/base/scope_guard.h"
#include "platform/base/text.h"
#include "report/fr_utils.h"

namespace {

std::string NumberText(double d, int index, int decimals, std::string_view pattern) {
  switch (index) {
    case 0:
      return FormatFloat("##0." + std::string(static_cast<std::size_t>(decimals), '#'), d);
    case 1:
      return FloatToStrF(d, ffFixed, 15, decimals);
    case 2:
      return FormatFloat("#,##0." + std::string(static_cast<std::size_t>(decimals), '#'), d);
    case 3:
      return FloatToStrF(d, ffNumber, 15, decimals);
    default:
      return FormatFloat(pattern, d);
  }
}

std::string FormatOrThrow(const Variant& value, std::int32_t code, std::string_view formatStr) {
  const int index = FormatIndex(code);
  switch (FormatCategory(code)) {
    case fcNumber: {
      double d;
      if (VarIsStr(value)) {
        // Text that is no number is shown as it is, without an exception.
        if (!TryStrToFloat(Trim(VarToStr(value)), d)) return VarToStr(value);
      } else {
        d = value.AsDouble();
      }
      const char wanted = FormatSeparator(code);
      TValueGuard separator(FormatSettings.DecimalSeparator,
                            wanted != 0 ? wanted : FormatSettings.DecimalSeparator);
      return NumberText(d, index, FormatDecimals(code), formatStr);
    }
    case fcDate: {
      TDateTime d;
      if (VarIsStr(value) && !TryStrToDateTime(VarToStr(value), d)) return VarToStr(value);
      if (!VarIsStr(value)) d = value.AsDateTime();
      if (index == 4) return FormatDateTime(formatStr, d);
      if (index == 3) return FormatDateTime(FormatSettings.LongDateFormat, d);
      return FormatDateTime(LoadEngineString(frsDateFormatFirst + index), d);
    }
    case fcTime: {
      TDateTime d;
      if (VarIsStr(value) && !TryStrToDateTime(VarToStr(value), d)) return VarToStr(value);
      if (!VarIsStr(value)) d = value.AsDateTime();
      if (index == 4) return FormatDateTime(formatStr, d);
      return FormatDateTime(LoadEngineString(frsTimeFormatFirst + (index & 3)), d);
    }
    case fcBoolean: {
      const std::string pair = index == 4 ? std::string(formatStr)
                                          : LoadEngineString(frsBooleanFormatFirst + (index & 3));
      const std::size_t semi = pair.find(';');
      const bool yes = value.AsInteger() != 0;
      if (semi == std::string::npos) return yes ? std::string() : pair;
      return yes ? pair.substr(semi + 1) : pair.substr(0, semi);
    }
    default:
      return VarToStr(value);
  }
}

}  // namespace

std::string FormatValue(const Variant& value, std::int32_t code, std::string_view formatStr) {
  const TVarType type = value.VType();
  if (type == varEmpty || type == varNull) return {};
  const int category = FormatCategory(code);
  const bool formatted =
      category == fcNumber || category == fcDate || category == fcTime || category == fcBoolean;
  if (type == varString) {
    // Blank text shows nothing; text under no format shows as it is.
    std::string text = VarToStr(value);
    if (std::all_of(text.begin(), text.end(),
                    [](char c) { return static_cast<unsigned char>(c) <= 0x20; }))
      return {};
    if (!formatted) return text;
  } else if (!formatted) {
    // Under no format a value is its plain text (what FormatOrThrow would
    // give, and raise, itself).
    return VarToStr(value);
  }
  try {
    return FormatOrThrow(value, code, formatStr);
  } catch (const Exception&) {
    return VarToStr(value);
  }
}
