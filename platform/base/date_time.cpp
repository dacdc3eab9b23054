#include "platform/base/date_time.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>

#include "platform/base/clock.h"
#include "platform/base/exceptions.h"

namespace {

constexpr int kMinDay = -693593;  // 01.01.0001
constexpr int kMaxDay = 2958465;  // 31.12.9999
constexpr int kMaxTimeStampDate = kMaxDay + DateDelta;

[[noreturn]] void RaiseDateEncode() { throw EConvertError(std::string("Недопустимая дата")); }

[[noreturn]] void RaiseTimeEncode() { throw EConvertError(std::string("Недопустимое время")); }

[[noreturn]] void RaiseDateDecode() {
  throw EConvertError(std::string("Недопустимое значение даты"));
}

// A TDateTime taken apart by the sign rule: the day number and the
// milliseconds since that day's midnight.
struct TDayTime {
  int Days;
  int MSecs;
};

bool TrySplit(TDateTime dt, TDayTime& result) {
  if (!std::isfinite(dt)) return false;
  double whole = std::trunc(dt);
  if (whole < kMinDay || whole > kMaxDay) return false;
  int days = static_cast<int>(whole);
  long long msecs = std::llround(std::fabs(dt - whole) * MSecsPerDay);
  if (msecs >= MSecsPerDay) {
    // Rounded up to the next midnight; "next" is +1 on both sides of zero.
    msecs = 0;
    if (++days > kMaxDay) return false;
  }
  result = {days, static_cast<int>(msecs)};
  return true;
}

TDayTime Split(TDateTime dt) {
  TDayTime result;
  if (!TrySplit(dt, result)) RaiseDateDecode();
  return result;
}

TDateTime Combine(int days, int msecs) {
  double time = static_cast<double>(msecs) / MSecsPerDay;
  return days >= 0 ? days + time : days - time;
}

// Both parts are already TDateTimes: a whole day and a fraction.
TDateTime CombineDateTime(TDateTime date, TDateTime time) {
  return date >= 0 ? date + time : date - time;
}

bool ValidDate(int year, int month, int day) {
  return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
         day <= kMonthDays[IsLeapYear(year)][month - 1];
}

// REQUIRES: ValidDate(year, month, day).
int DayNumber(int year, int month, int day) {
  const int* table = kMonthDays[IsLeapYear(year)];
  for (int i = 0; i < month - 1; ++i) day += table[i];
  int y = year - 1;
  return y * 365 + y / 4 - y / 100 + y / 400 + day - DateDelta;
}

// REQUIRES: kMinDay <= days <= kMaxDay.
void CivilFromDays(int days, int& year, int& month, int& day) {
  constexpr int kD1 = 365, kD4 = kD1 * 4 + 1, kD100 = kD4 * 25 - 1, kD400 = kD100 * 4 + 1;
  int t = days + DateDelta - 1;  // days since 01.01.0001
  int y = 1 + (t / kD400) * 400;
  t %= kD400;
  int i = t / kD100;
  t %= kD100;
  if (i == 4) {  // 31.12 of a year divisible by 400
    --i;
    t += kD100;
  }
  y += i * 100 + (t / kD4) * 4;
  t %= kD4;
  i = t / kD1;
  t %= kD1;
  if (i == 4) {  // 31.12 of a leap year
    --i;
    t += kD1;
  }
  y += i;
  const int* table = kMonthDays[IsLeapYear(y)];
  int m = 0;
  while (t >= table[m]) t -= table[m++];
  year = y;
  month = m + 1;
  day = t + 1;
}

// Day of the week of a day number: 0 = Sunday.
int WeekDayIndex(int days) { return (days + DateDelta) % 7; }

}  // namespace

// ---- Calendar ----

int DaysInAMonth(int year, int month) {
  if (year < 1 || year > 9999 || month < 1 || month > 12) RaiseDateEncode();
  return DaysInValidMonth(year, month);
}

int DaysInMonth(int year, int month) { return DaysInAMonth(year, month); }

int DaysInMonth(TDateTime date) {
  int y, m, d;
  DecodeDate(date, y, m, d);
  return DaysInAMonth(y, m);
}

bool TryEncodeDate(int year, int month, int day, TDateTime& result) {
  if (!ValidDate(year, month, day)) return false;
  result = DayNumber(year, month, day);
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime result;
  if (!TryEncodeDate(year, month, day, result)) RaiseDateEncode();
  return result;
}

bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& result) {
  if (hour < 0 || hour > 23 || min < 0 || min > 59 || sec < 0 || sec > 59 || msec < 0 || msec > 999)
    return false;
  result = static_cast<double>(((hour * 60 + min) * 60 + sec) * 1000 + msec) / MSecsPerDay;
  return true;
}

TDateTime EncodeTime(int hour, int min, int sec, int msec) {
  TDateTime result;
  if (!TryEncodeTime(hour, min, sec, msec, result)) RaiseTimeEncode();
  return result;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec) {
  return CombineDateTime(EncodeDate(year, month, day), EncodeTime(hour, min, sec, msec));
}

void DecodeDate(TDateTime dt, int& year, int& month, int& day) {
  CivilFromDays(Split(dt).Days, year, month, day);
}

void DecodeTime(TDateTime dt, int& hour, int& min, int& sec, int& msec) {
  int t = Split(dt).MSecs;
  msec = t % 1000;
  t /= 1000;
  sec = t % 60;
  t /= 60;
  min = t % 60;
  hour = t / 60;
}

void DecodeDateTime(TDateTime dt, int& year, int& month, int& day, int& hour, int& min, int& sec,
                    int& msec) {
  DecodeDate(dt, year, month, day);
  DecodeTime(dt, hour, min, sec, msec);
}

int DayOfWeek(TDateTime dt) { return WeekDayIndex(Split(dt).Days) + 1; }

int DayOfTheWeek(TDateTime dt) {
  int index = WeekDayIndex(Split(dt).Days);
  return index == 0 ? 7 : index;
}

int YearOf(TDateTime dt) {
  int y, m, d;
  DecodeDate(dt, y, m, d);
  return y;
}

int MonthOf(TDateTime dt) {
  int y, m, d;
  DecodeDate(dt, y, m, d);
  return m;
}

int DayOf(TDateTime dt) {
  int y, m, d;
  DecodeDate(dt, y, m, d);
  return d;
}

TDateTime DateOf(TDateTime dt) { return Split(dt).Days; }

TDateTime TimeOf(TDateTime dt) { return static_cast<double>(Split(dt).MSecs) / MSecsPerDay; }

TDateTime StartOfTheMonth(TDateTime dt) {
  int y, m, d;
  DecodeDate(dt, y, m, d);
  return EncodeDate(y, m, 1);
}

TDateTime EndOfTheMonth(TDateTime dt) {
  int y, m, d;
  DecodeDate(dt, y, m, d);
  return EncodeDateTime(y, m, DaysInAMonth(y, m), 23, 59, 59, 999);
}

TDateTime IncMonth(TDateTime dt, int months) {
  TDayTime parts = Split(dt);
  int y, m, d;
  CivilFromDays(parts.Days, y, m, d);
  long long total = y * 12LL + (m - 1) + months;
  if (total < 12 || total >= 10000 * 12LL) RaiseDateEncode();
  y = static_cast<int>(total / 12);
  m = static_cast<int>(total % 12) + 1;
  d = std::min(d, kMonthDays[IsLeapYear(y)][m - 1]);
  return Combine(DayNumber(y, m, d), parts.MSecs);
}

TDateTime IncDay(TDateTime dt, int days) {
  TDayTime parts = Split(dt);
  long long target = static_cast<long long>(parts.Days) + days;
  if (target < kMinDay || target > kMaxDay) RaiseDateEncode();
  return Combine(static_cast<int>(target), parts.MSecs);
}

// ---- Time stamps ----

TTimeStamp DateTimeToTimeStamp(TDateTime dt) {
  TDayTime parts = Split(dt);
  return {parts.MSecs, parts.Days + DateDelta};
}

TDateTime TimeStampToDateTime(const TTimeStamp& ts) {
  if (ts.Date < 1 || ts.Date > kMaxTimeStampDate || ts.Time < 0 || ts.Time >= MSecsPerDay)
    throw EConvertError("'" + std::to_string(ts.Date) + "." + std::to_string(ts.Time) +
                        "' не является допустимой отметкой времени");
  return Combine(ts.Date - DateDelta, ts.Time);
}

TTimeStamp MSecsToTimeStamp(double msecs) {
  double rounded = std::round(msecs);
  if (!std::isfinite(rounded) || rounded < 0 ||
      rounded >= static_cast<double>(INT_MAX) * MSecsPerDay) {
    char text[64];
    std::snprintf(text, sizeof text, "%.15g", msecs);
    throw EConvertError("'" + std::string(text) + "' не является допустимой отметкой времени");
  }
  long long whole = static_cast<long long>(rounded);
  return {static_cast<int>(whole % MSecsPerDay), static_cast<int>(whole / MSecsPerDay)};
}

double TimeStampToMSecs(const TTimeStamp& ts) {
  return static_cast<double>(ts.Date) * MSecsPerDay + ts.Time;
}

// ---- Formatting ----

namespace {

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Case-insensitive ASCII prefix test.
bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (UpperAscii(text[i]) != UpperAscii(prefix[i])) return false;
  return true;
}

// Nested formats (c, ddddd, t...) may name each other; two levels of
// nesting is all a sane format needs and stops a loop.
constexpr int kMaxFormatDepth = 2;

class TDateFormatter {
 public:
  TDateFormatter(TDateTime dt, const TFormatSettings& settings) : FSettings(settings) {
    TDayTime parts = Split(dt);
    CivilFromDays(parts.Days, FYear, FMonth, FDay);
    FWeekDay = WeekDayIndex(parts.Days);
    FMSecs = parts.MSecs;
    int t = parts.MSecs;
    FMSec = t % 1000;
    t /= 1000;
    FSec = t % 60;
    t /= 60;
    FMin = t % 60;
    FHour = t / 60;
  }

  std::string Run(std::string_view format) {
    Append(format, 0);
    return std::move(FOut);
  }

 private:
  // As "%0*d" prints it; every date shown in a grid comes here.
  void Number(int value, int width) {
    char text[16];
    const auto result = std::to_chars(text, text + sizeof text, value);
    const char* digits = text;
    if (value < 0) {
      FOut += '-';
      ++digits;
      --width;
    }
    const int count = static_cast<int>(result.ptr - digits);
    if (count < width) FOut.append(static_cast<std::size_t>(width - count), '0');
    FOut.append(digits, static_cast<std::size_t>(count));
  }

  // Length of the run of `letter` (either case) starting at `i`.
  static size_t RunLength(std::string_view format, size_t i) {
    char letter = UpperAscii(format[i]);
    size_t j = i;
    while (j < format.size() && UpperAscii(format[j]) == letter) ++j;
    return j - i;
  }

  // Whether an am/pm token follows in the format (outside quotes): it turns
  // the hour to the 12-hour clock.
  static bool TwelveHourAhead(std::string_view format, size_t i) {
    while (i < format.size()) {
      char c = format[i];
      if (c == '"' || c == '\'') {
        size_t close = format.find(c, i + 1);
        if (close == std::string_view::npos) return false;
        i = close + 1;
        continue;
      }
      std::string_view rest = format.substr(i);
      if (StartsWithNoCase(rest, "am/pm") || StartsWithNoCase(rest, "a/p") ||
          StartsWithNoCase(rest, "ampm"))
        return true;
      ++i;
    }
    return false;
  }

  void Append(std::string_view format, int depth) {
    if (depth > kMaxFormatDepth) return;
    char lastToken = ' ';
    size_t i = 0;
    while (i < format.size()) {
      char c = format[i];
      char token = UpperAscii(c);
      if (IsAsciiLetter(c)) {
        if (token == 'M' && lastToken == 'H') token = 'N';
        lastToken = token;
      }
      switch (token) {
        case 'Y': {
          size_t n = RunLength(format, i);
          i += n;
          if (n <= 2)
            Number(FYear % 100, 2);
          else
            Number(FYear, 4);
          break;
        }
        case 'M': {
          size_t n = RunLength(format, i);
          i += n;
          if (n <= 2)
            Number(FMonth, static_cast<int>(n));
          else if (n == 3)
            FOut += FSettings.ShortMonthNames[FMonth - 1];
          else
            FOut += FSettings.LongMonthNames[FMonth - 1];
          break;
        }
        case 'D': {
          size_t n = RunLength(format, i);
          i += n;
          if (n <= 2)
            Number(FDay, static_cast<int>(n));
          else if (n == 3)
            FOut += FSettings.ShortDayNames[FWeekDay];
          else if (n == 4)
            FOut += FSettings.LongDayNames[FWeekDay];
          else if (n == 5)
            Append(FSettings.ShortDateFormat, depth + 1);
          else
            Append(FSettings.LongDateFormat, depth + 1);
          break;
        }
        case 'H': {
          size_t n = RunLength(format, i);
          i += n;
          int hour = FHour;
          if (TwelveHourAhead(format, i)) {
            hour %= 12;
            if (hour == 0) hour = 12;
          }
          Number(hour, n == 1 ? 1 : 2);
          break;
        }
        case 'N': {
          size_t n = RunLength(format, i);
          i += n;
          Number(FMin, n == 1 ? 1 : 2);
          break;
        }
        case 'S': {
          size_t n = RunLength(format, i);
          i += n;
          Number(FSec, n == 1 ? 1 : 2);
          break;
        }
        case 'Z': {
          size_t n = RunLength(format, i);
          i += n;
          Number(FMSec, n < 3 ? 1 : 3);
          break;
        }
        case 'T': {
          size_t n = RunLength(format, i);
          i += n;
          Append(n == 1 ? FSettings.ShortTimeFormat : FSettings.LongTimeFormat, depth + 1);
          break;
        }
        case 'C': {
          i += RunLength(format, i);
          Append(FSettings.ShortDateFormat, depth + 1);
          if (FMSecs != 0) {
            FOut += ' ';
            Append(FSettings.LongTimeFormat, depth + 1);
          }
          break;
        }
        case 'A': {
          std::string_view rest = format.substr(i);
          bool pm = FHour >= 12;
          if (StartsWithNoCase(rest, "am/pm")) {
            FOut += rest.substr(pm ? 3 : 0, 2);
            i += 5;
          } else if (StartsWithNoCase(rest, "a/p")) {
            FOut += rest[pm ? 2 : 0];
            i += 3;
          } else if (StartsWithNoCase(rest, "ampm")) {
            FOut += pm ? FSettings.TimePMString : FSettings.TimeAMString;
            i += 4;
          } else {
            FOut += c;
            ++i;
          }
          break;
        }
        case '/':
          FOut += FSettings.DateSeparator;
          ++i;
          break;
        case ':':
          FOut += FSettings.TimeSeparator;
          ++i;
          break;
        case '"':
        case '\'': {
          size_t close = format.find(c, i + 1);
          if (close == std::string_view::npos) close = format.size();
          FOut += format.substr(i + 1, close - i - 1);
          i = std::min(close + 1, format.size());
          break;
        }
        default:
          // Bytes of multi-byte UTF-8 characters are never tokens.
          FOut += c;
          ++i;
          break;
      }
    }
  }

  const TFormatSettings& FSettings;
  std::string FOut;
  int FYear, FMonth, FDay, FWeekDay;
  int FHour, FMin, FSec, FMSec, FMSecs;
};

}  // namespace

std::string FormatDateTime(std::string_view format, TDateTime dt, const TFormatSettings& settings) {
  return TDateFormatter(dt, settings).Run(format);
}

std::string FormatDateTime(std::string_view format, TDateTime dt) {
  return FormatDateTime(format, dt, FormatSettings);
}

std::string DateToStr(TDateTime dt) { return FormatDateTime("ddddd", dt); }

std::string TimeToStr(TDateTime dt) { return FormatDateTime("tt", dt); }

std::string DateTimeToStr(TDateTime dt) { return FormatDateTime("c", dt); }

// ---- Parsing ----

namespace {

enum class TDateOrder { DMY, MDY, YMD };

TDateOrder DateOrderOf(std::string_view format) {
  for (size_t i = 0; i < format.size(); ++i) {
    char c = format[i];
    if (c == '"' || c == '\'') {
      size_t close = format.find(c, i + 1);
      if (close == std::string_view::npos) break;
      i = close;
      continue;
    }
    switch (UpperAscii(c)) {
      case 'D':
        return TDateOrder::DMY;
      case 'M':
        return TDateOrder::MDY;
      case 'Y':
        return TDateOrder::YMD;
    }
  }
  return TDateOrder::DMY;
}

int WindowedYear(int year, int currentYear, int window) {
  int threshold = currentYear - window;
  int result = year + (threshold / 100) * 100;
  if (window > 0 && result < threshold) result += 100;
  return result;
}

constexpr int kMaxDigits = 4;

class TDateScanner {
 public:
  explicit TDateScanner(std::string_view text) : FText(text) {}

  void SkipBlanks() {
    while (FPos < FText.size() && FText[FPos] == ' ') ++FPos;
  }

  bool AtEnd() {
    SkipBlanks();
    return FPos == FText.size();
  }

  bool Char(char c) {
    SkipBlanks();
    if (FPos < FText.size() && FText[FPos] == c) {
      ++FPos;
      return true;
    }
    return false;
  }

  bool Text(std::string_view text) {
    SkipBlanks();
    if (text.empty() || !StartsWithNoCase(FText.substr(FPos), text)) return false;
    FPos += text.size();
    return true;
  }

  bool Number(int& value, int& digits) {
    SkipBlanks();
    size_t start = FPos;
    value = 0;
    while (FPos < FText.size() && FText[FPos] >= '0' && FText[FPos] <= '9') {
      if (FPos - start == kMaxDigits) return false;
      value = value * 10 + (FText[FPos] - '0');
      ++FPos;
    }
    digits = static_cast<int>(FPos - start);
    return digits > 0;
  }

  bool Number(int& value) {
    int digits;
    return Number(value, digits);
  }

  // Whole days of the date at the scanner.
  bool Date(TDateTime& result) {
    const TFormatSettings& fs = FormatSettings;
    int n1, n2, n3 = 0, l1, l2, l3 = 0;
    if (!Number(n1, l1) || !Char(fs.DateSeparator) || !Number(n2, l2)) return false;
    bool hasYear = Char(fs.DateSeparator);
    if (hasYear && !Number(n3, l3)) return false;
    int year, month, day, yearDigits = kMaxDigits;
    TDateOrder order = DateOrderOf(fs.ShortDateFormat);
    if (!hasYear) {
      year = YearOf(Now());
      if (order == TDateOrder::DMY) {
        day = n1;
        month = n2;
      } else {
        month = n1;
        day = n2;
      }
    } else if (order == TDateOrder::DMY) {
      day = n1, month = n2, year = n3, yearDigits = l3;
    } else if (order == TDateOrder::MDY) {
      month = n1, day = n2, year = n3, yearDigits = l3;
    } else {
      year = n1, yearDigits = l1, month = n2, day = n3;
    }
    if (yearDigits <= 2) year = WindowedYear(year, YearOf(Now()), fs.TwoDigitYearCenturyWindow);
    return TryEncodeDate(year, month, day, result);
  }

  // The fraction of the day of the time at the scanner.
  bool Time(TDateTime& result) {
    const TFormatSettings& fs = FormatSettings;
    int baseHour = AmPm();
    int hour, min, sec = 0, msec = 0;
    if (!Number(hour) || !Char(fs.TimeSeparator) || !Number(min)) return false;
    if (Char(fs.TimeSeparator)) {
      if (!Number(sec)) return false;
      if ((Char('.') || Char(fs.DecimalSeparator)) && !Number(msec)) return false;
    }
    if (baseHour < 0) baseHour = AmPm();
    if (baseHour >= 0) {
      if (hour == 0 || hour > 12) return false;
      hour = hour % 12 + baseHour;
    }
    return TryEncodeTime(hour, min, sec, msec, result);
  }

 private:
  // 0 for AM, 12 for PM, -1 when neither is at the scanner.
  int AmPm() {
    const TFormatSettings& fs = FormatSettings;
    if (Text(fs.TimeAMString) || Text("AM")) return 0;
    if (Text(fs.TimePMString) || Text("PM")) return 12;
    return -1;
  }

  std::string_view FText;
  size_t FPos = 0;
};

[[noreturn]] void RaiseNotValid(std::string_view text, const char* what) {
  throw EConvertError("'" + std::string(text) + "' не является " + what);
}

}  // namespace

bool TryStrToDate(std::string_view text, TDateTime& result) {
  TDateScanner scanner(text);
  TDateTime date;
  if (!scanner.Date(date) || !scanner.AtEnd()) return false;
  result = date;
  return true;
}

bool TryStrToTime(std::string_view text, TDateTime& result) {
  TDateScanner scanner(text);
  TDateTime time;
  if (!scanner.Time(time) || !scanner.AtEnd()) return false;
  result = time;
  return true;
}

bool TryStrToDateTime(std::string_view text, TDateTime& result) {
  TDateScanner scanner(text);
  TDateTime date, time;
  if (scanner.Date(date)) {
    if (scanner.AtEnd()) {
      result = date;
      return true;
    }
    if (!scanner.Time(time) || !scanner.AtEnd()) return false;
    result = CombineDateTime(date, time);
    return true;
  }
  return TryStrToTime(text, result);
}

TDateTime StrToDate(std::string_view text) {
  TDateTime result;
  if (!TryStrToDate(text, result)) RaiseNotValid(text, "датой");
  return result;
}

TDateTime StrToTime(std::string_view text) {
  TDateTime result;
  if (!TryStrToTime(text, result)) RaiseNotValid(text, "временем");
  return result;
}

TDateTime StrToDateTime(std::string_view text) {
  TDateTime result;
  if (!TryStrToDateTime(text, result)) RaiseNotValid(text, "датой и временем");
  return result;
}

TDateTime StrToDateDef(std::string_view text, TDateTime fallback) {
  TDateTime result;
  return TryStrToDate(text, result) ? result : fallback;
}
