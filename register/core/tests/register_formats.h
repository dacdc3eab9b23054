// The number and date formats the program sets at start-up (the window
// side's ApplyStartupFormatSettings), for tests of the core, which has no
// start-up of its own.
#pragma once

#include "platform/base/format_settings.h"

inline void UseRegisterFormats() {
  FormatSettings.DateSeparator = '.';
  FormatSettings.DecimalSeparator = '.';
  FormatSettings.ShortDateFormat = "dd.mm.yyyy";
}
