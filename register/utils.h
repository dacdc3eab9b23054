// Small routines shared by every window of the register: padding, month
// boundaries, the insurance-number (SNILS) check and the program's version
// block. GUI thread only.
#pragma once

#include <string>
#include <string_view>

#include "platform/base/date_time.h"

// `text` prefixed with `ch` until it is `width` characters long; a longer
// text comes back unchanged.
std::string PadLeft(std::string_view text, int width, char32_t ch);

// Day 1 of the month, or the current date and time when `month` is outside
// 1..12.
TDateTime FirstDayOfMonth(int month, int year);

// The month's last day (leap years respected), or the current date and
// time when `month` is outside 1..12.
TDateTime LastDayOfMonth(int month, int year);

// `text` without every character outside "0".."9".
std::string DigitsOnly(std::string_view text);

// The insurance-number check: an empty number is valid (it is optional);
// otherwise exactly 11 digits whose last two equal the weighted sum of the
// first nine (weights 9..1) mod 101, with 100 counting as 0.
bool IsValidSnils(std::string_view text);

// A value of the program's version block: "InternalName", "Programmer" or
// "E-mail"; empty when absent or empty.
std::string GetVersionValue(std::string_view key);

// The program's version as "major.minor.release.build".
std::string GetFileVersion();
