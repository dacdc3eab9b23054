// TDateTime and the classic date routines: calendar arithmetic, the
// dataset framework's time stamps, FormatDateTime and date/time parsing.
//
// A TDateTime is a double: the whole part counts days from 30.12.1899
// (day 0), the fraction is the time of day. Before 30.12.1899 the value is
// negative and the rule is "whole part is the day, the fraction's absolute
// value is the time": -1.25 is 29.12.1899 06:00, not 28.12.1899 18:00.
// Every routine here decodes and encodes by that rule. Times are rounded to
// the nearest millisecond when decoded; 23:59:59.9996 becomes midnight of
// the next day.
//
// The calendar is the proleptic Gregorian one, years 1..9999, that is
// -693593 (01.01.0001) to 2958465.99999 (31.12.9999 23:59:59.999).
// Decoding a value outside that range (or NaN) raises EConvertError
// "Недопустимое значение даты".
//
// Formatting and parsing read the global FormatSettings; parsing reads the
// clock (clock.h) for the current year. GUI thread only.
#pragma once

#include <string>
#include <string_view>

#include "platform/base/format_settings.h"

using TDateTime = double;

inline constexpr int HoursPerDay = 24;
inline constexpr int MinsPerDay = HoursPerDay * 60;
inline constexpr int SecsPerDay = MinsPerDay * 60;
inline constexpr int MSecsPerDay = SecsPerDay * 1000;
// Days from 01.01.0001 to 30.12.1899; a TTimeStamp's Date is the TDateTime
// day plus DateDelta.
inline constexpr int DateDelta = 693594;
// Days from 30.12.1899 to 01.01.1970, the Unix epoch.
inline constexpr int UnixDateDelta = 25569;

// ---- Calendar ----

constexpr bool IsLeapYear(int year) {
  return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}
// The days of each month, of a common year and of a leap year.
inline constexpr int kMonthDays[2][12] = {{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
                                          {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}};
// Days in the month, 28..31. Raises EConvertError "Недопустимая дата" for a
// month outside 1..12 or a year outside 1..9999.
int DaysInAMonth(int year, int month);
// The same without the checks, inline: every stored date read asks it.
// REQUIRES: year 1..9999, month 1..12.
constexpr int DaysInValidMonth(int year, int month) {
  return kMonthDays[IsLeapYear(year) ? 1 : 0][month - 1];
}
int DaysInMonth(int year, int month);
// Days in the month of `date`.
int DaysInMonth(TDateTime date);

// Fails (returns false, leaves `result` alone) unless year 1..9999, month
// 1..12 and day 1..DaysInAMonth.
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
// Raises EConvertError "Недопустимая дата".
TDateTime EncodeDate(int year, int month, int day);
// Fails unless hour 0..23, min 0..59, sec 0..59, msec 0..999.
bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& result);
// Raises EConvertError "Недопустимое время".
TDateTime EncodeTime(int hour, int min, int sec, int msec);
// Date and time together, by the sign rule above. Raises as EncodeDate and
// EncodeTime do.
TDateTime EncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec);

void DecodeDate(TDateTime dt, int& year, int& month, int& day);
void DecodeTime(TDateTime dt, int& hour, int& min, int& sec, int& msec);
void DecodeDateTime(TDateTime dt, int& year, int& month, int& day, int& hour, int& min, int& sec,
                    int& msec);

// 1 = Sunday .. 7 = Saturday.
int DayOfWeek(TDateTime dt);
// ISO: 1 = Monday .. 7 = Sunday.
int DayOfTheWeek(TDateTime dt);
int YearOf(TDateTime dt);
int MonthOf(TDateTime dt);
int DayOf(TDateTime dt);
// The day at midnight.
TDateTime DateOf(TDateTime dt);
// The time of day as a fraction 0 <= result < 1 (also for negative dates).
TDateTime TimeOf(TDateTime dt);
// Midnight of the first day of the month.
TDateTime StartOfTheMonth(TDateTime dt);
// 23:59:59.999 of the last day of the month.
TDateTime EndOfTheMonth(TDateTime dt);

// Moves by `months` (negative goes back), keeping the time of day; the day
// is clamped to the last day of the target month (31.08.2005 + 6 months is
// 28.02.2006). Raises EConvertError when the result leaves years 1..9999.
TDateTime IncMonth(TDateTime dt, int months = 1);
// Moves by whole days keeping the time of day, also across 30.12.1899
// (where plain addition would turn 29.12 06:00 + 2 into 30.12 18:00).
TDateTime IncDay(TDateTime dt, int days = 1);

// ---- Time stamps of the dataset framework ----

struct TTimeStamp {
  int Time;  // milliseconds since midnight, 0..MSecsPerDay-1
  int Date;  // days since 01.01.0001 plus one: 1 is 01.01.0001
};

// Raises as DecodeDate does.
TTimeStamp DateTimeToTimeStamp(TDateTime dt);
// Raises EConvertError "'<Date>.<Time>' не является допустимой отметкой
// времени" unless
// Date is 1..3652059 (31.12.9999) and Time is 0..MSecsPerDay-1.
TDateTime TimeStampToDateTime(const TTimeStamp& ts);
// Milliseconds since 01.01.0001 to a time stamp; fractions of a millisecond
// are rounded. Raises EConvertError "'<msecs>' не является допустимой
// отметкой времени"
// for a negative, non-finite or too large count. The result is not
// range-checked: TimeStampToDateTime does that.
TTimeStamp MSecsToTimeStamp(double msecs);
// Date * MSecsPerDay + Time.
double TimeStampToMSecs(const TTimeStamp& ts);

// ---- Formatting ----

// Formats by the classic tokens (case-insensitive, Latin letters only):
//   c       ShortDateFormat, then " " and LongTimeFormat unless midnight
//   d dd    day; ddd ShortDayNames; dddd LongDayNames;
//   ddddd   ShortDateFormat; dddddd LongDateFormat
//   m mm    month; mmm ShortMonthNames; mmmm LongMonthNames.
//           m/mm right after an h/hh token (only non-letters between) means
//           minutes
//   yy      two-digit year; yyy and longer: four digits
//   h hh  n nn  s ss   hour, minute, second (one form without padding)
//   z       milliseconds unpadded; zzz padded to three digits
//   t tt    ShortTimeFormat, LongTimeFormat
//   am/pm a/p   12-hour clock; prints the format's own letters, so "AM/PM"
//           prints "AM" or "PM" and "a/p" prints "a" or "p"
//   ampm    12-hour clock; prints TimeAMString or TimePMString
//   /  :    DateSeparator, TimeSeparator
//   "..." '...'  literal text
// Any other character, including every non-ASCII one, is copied as is.
// Raises as DecodeDate does for an out-of-range value.
std::string FormatDateTime(std::string_view format, TDateTime dt);
std::string FormatDateTime(std::string_view format, TDateTime dt, const TFormatSettings& settings);
// ShortDateFormat.
std::string DateToStr(TDateTime dt);
// LongTimeFormat.
std::string TimeToStr(TDateTime dt);
// ShortDateFormat, plus a blank and LongTimeFormat when the time is not
// midnight ("c").
std::string DateTimeToStr(TDateTime dt);

// ---- Parsing ----
//
// A date is two or three unsigned numbers separated by DateSeparator, blanks
// allowed around every part (" 1. 2.2006"). Their order (day-month-year,
// month-day-year or year-month-day) is that of the first of the letters
// d, m, y in ShortDateFormat. With two numbers the year is omitted and is
// the current year of the clock.
//
// A year written with one or two digits falls in the century window around
// the clock's current year:
//   threshold = CurrentYear - TwoDigitYearCenturyWindow
//   year      = Y + (threshold div 100) * 100
//   if TwoDigitYearCenturyWindow > 0 and year < threshold: year += 100
// so with a window of 50 in 2024, "74" is 1974 and "73" is 2073. A window
// of 0 puts the year in the current century. Three or four digits are taken
// as written.
//
// A time is hh:nn[:ss[.zzz]] (the milliseconds' separator may also be
// DecimalSeparator; they are read as a whole number, ".5" is 5 ms), with an
// optional AM or PM (or TimeAMString, TimePMString), case-insensitive,
// before or after it. With AM/PM the hour must be 1..12.
//
// A date and time is a date optionally followed by a time, or a time alone
// (on day 0). The whole text must be taken; blanks may trail. Numbers have
// at most four digits.

bool TryStrToDate(std::string_view text, TDateTime& result);
bool TryStrToTime(std::string_view text, TDateTime& result);
bool TryStrToDateTime(std::string_view text, TDateTime& result);
// Raise EConvertError "'<text>' не является датой" / "... временем" /
// "... датой и временем".
TDateTime StrToDate(std::string_view text);
TDateTime StrToTime(std::string_view text);
TDateTime StrToDateTime(std::string_view text);
TDateTime StrToDateDef(std::string_view text, TDateTime fallback);
