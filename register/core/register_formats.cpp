#include "register/core/register_formats.h"

#include "platform/base/format_settings.h"

void ApplyStartupFormatSettings() {
  FormatSettings.DateSeparator = '.';
  FormatSettings.DecimalSeparator = '.';
  FormatSettings.ShortDateFormat = "dd.mm.yyyy";
}
