// The number and date formats the register's files, exchange texts and
// reports are written in. The program sets them once at start-up; tests of
// the core set them the same way. GUI thread only.
#pragma once

// Dates as "dd.mm.yyyy" and numbers with a decimal point.
void ApplyStartupFormatSettings();
