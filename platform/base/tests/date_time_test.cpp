#include "platform/base/date_time.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/base/clock.h"
#include "platform/base/exceptions.h"

namespace {

// "dd.mm.yyyy hh:nn:ss.zzz" of a value, or the error text.
std::string Show(TDateTime dt) {
  try {
    int y, m, d, h, n, s, z;
    DecodeDateTime(dt, y, m, d, h, n, s, z);
    char text[64];
    std::snprintf(text, sizeof text, "%02d.%02d.%04d %02d:%02d:%02d.%03d", d, m, y, h, n, s, z);
    return text;
  } catch (const EConvertError& e) {
    return e.Message();
  }
}

template <class F>
std::string ErrorOf(F&& f) {
  try {
    f();
  } catch (const EConvertError& e) {
    return e.Message();
  }
  return "no error";
}

TEST(DateTimeCalendar, KnownDaysAndTheSignRule) {
  struct Case {
    TDateTime value;
    const char* shown;
  } cases[] = {
      {0, "30.12.1899 00:00:00.000"},
      {2, "01.01.1900 00:00:00.000"},
      {1.5, "31.12.1899 12:00:00.000"},
      {-1.25, "29.12.1899 06:00:00.000"},
      {-1.75, "29.12.1899 18:00:00.000"},
      {-693593, "01.01.0001 00:00:00.000"},
      {2958465, "31.12.9999 00:00:00.000"},
      {38718, "01.01.2006 00:00:00.000"},
      {36526 + 86399999.0 / MSecsPerDay, "01.01.2000 23:59:59.999"},
      // Rounds to the next midnight, forwards on both sides of zero.
      {0.99999999999, "31.12.1899 00:00:00.000"},
      {-1.99999999999, "30.12.1899 00:00:00.000"},
      {-693594, "Недопустимое значение даты"},
      {2958466, "Недопустимое значение даты"},
      {2958465.99999999999, "Недопустимое значение даты"},
  };
  for (const Case& c : cases) EXPECT_EQ(Show(c.value), c.shown) << c.value;
}

TEST(DateTimeCalendar, EncodeDecodeRoundTrips) {
  struct Case {
    int y, m, d, h, n, s, z;
  } cases[] = {
      {1, 1, 1, 0, 0, 0, 0},         {9999, 12, 31, 23, 59, 59, 999}, {1899, 12, 30, 0, 0, 0, 1},
      {1899, 12, 29, 6, 0, 0, 0},    {1800, 2, 28, 13, 14, 15, 16},   {1600, 2, 29, 23, 0, 0, 0},
      {2000, 2, 29, 12, 30, 0, 500}, {2004, 12, 31, 0, 0, 1, 0},      {1900, 3, 1, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    TDateTime dt = EncodeDateTime(c.y, c.m, c.d, c.h, c.n, c.s, c.z);
    int y, m, d, h, n, s, z;
    DecodeDateTime(dt, y, m, d, h, n, s, z);
    EXPECT_TRUE(y == c.y && m == c.m && d == c.d && h == c.h && n == c.n && s == c.s && z == c.z)
        << Show(dt);
    TTimeStamp ts = DateTimeToTimeStamp(dt);
    EXPECT_EQ(TimeStampToDateTime(ts), dt);
    EXPECT_EQ(TimeStampToDateTime(MSecsToTimeStamp(TimeStampToMSecs(ts))), dt);
  }
  EXPECT_EQ(EncodeDateTime(1899, 12, 29, 6, 0, 0, 0), -1.25);
  // Every day of a span that crosses zero and two century leap rules.
  TDateTime prev = EncodeDate(1599, 12, 31);
  for (int day = 1; day < 400 * 366; ++day) {
    int y, m, d;
    DecodeDate(prev + 1, y, m, d);
    EXPECT_EQ(EncodeDate(y, m, d), prev + 1);
    prev += 1;
    if (HasFailure()) break;
  }
}

TEST(DateTimeCalendar, InvalidArguments) {
  TDateTime dt = 123;
  EXPECT_FALSE(TryEncodeDate(1900, 2, 29, dt));
  EXPECT_FALSE(TryEncodeDate(0, 1, 1, dt));
  EXPECT_FALSE(TryEncodeDate(10000, 1, 1, dt));
  EXPECT_FALSE(TryEncodeDate(2006, 13, 1, dt));
  EXPECT_FALSE(TryEncodeDate(2006, 4, 31, dt));
  EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, dt));
  EXPECT_FALSE(TryEncodeTime(0, 60, 0, 0, dt));
  EXPECT_FALSE(TryEncodeTime(0, 0, 0, 1000, dt));
  EXPECT_FALSE(TryEncodeTime(-1, 0, 0, 0, dt));
  EXPECT_EQ(dt, 123);
  EXPECT_EQ(ErrorOf([] { EncodeDate(2005, 2, 29); }), "Недопустимая дата");
  EXPECT_EQ(ErrorOf([] { EncodeTime(12, 0, 60, 0); }), "Недопустимое время");
  EXPECT_EQ(ErrorOf([] { IncMonth(EncodeDate(9999, 12, 1)); }), "Недопустимая дата");
}

TEST(DateTimeCalendar, LeapYearsAndMonthLengths) {
  EXPECT_FALSE(IsLeapYear(1900));
  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_TRUE(IsLeapYear(2004));
  EXPECT_FALSE(IsLeapYear(2005));
  EXPECT_EQ(DaysInAMonth(2004, 2), 29);
  EXPECT_EQ(DaysInMonth(1900, 2), 28);
  EXPECT_EQ(DaysInMonth(EncodeDate(2006, 4, 15)), 30);
}

TEST(DateTimeCalendar, IncMonthClampsAndKeepsTime) {
  struct Case {
    const char* from;
    int months;
    const char* to;
  } cases[] = {
      {"31.08.2005", 6, "28.02.2006"},  {"31.08.2003", 6, "29.02.2004"},
      {"31.01.2004", 1, "29.02.2004"},  {"31.01.2005", 1, "28.02.2005"},
      {"31.03.2005", -1, "28.02.2005"}, {"15.01.2006", -13, "15.12.2004"},
      {"15.06.2006", 0, "15.06.2006"},  {"31.12.2006", 12, "31.12.2007"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(DateToStr(IncMonth(StrToDate(c.from), c.months)), c.to) << c.from << c.months;
  EXPECT_EQ(Show(IncMonth(EncodeDateTime(2005, 8, 31, 10, 20, 30, 400), 6)),
            "28.02.2006 10:20:30.400");
  EXPECT_EQ(Show(IncMonth(EncodeDateTime(1900, 1, 15, 6, 0, 0, 0), -1)), "15.12.1899 06:00:00.000");
  EXPECT_EQ(Show(IncDay(-1.25, 2)), "31.12.1899 06:00:00.000");
}

TEST(DateTimeCalendar, PartsOfADay) {
  // 30.12.1899 was a Saturday, 01.01.2006 a Sunday, 01.01.0001 a Monday.
  EXPECT_EQ(DayOfWeek(0), 7);
  EXPECT_EQ(DayOfWeek(EncodeDate(2006, 1, 1)), 1);
  EXPECT_EQ(DayOfWeek(EncodeDate(1, 1, 1)), 2);
  EXPECT_EQ(DayOfWeek(-1.75), 6);
  EXPECT_EQ(DayOfTheWeek(EncodeDate(2006, 1, 1)), 7);
  EXPECT_EQ(DayOfTheWeek(EncodeDate(2006, 1, 2)), 1);
  EXPECT_EQ(DateOf(-1.25), -1);
  EXPECT_EQ(TimeOf(-1.25), 0.25);
  EXPECT_EQ(StartOfTheMonth(EncodeDateTime(2004, 2, 17, 5, 0, 0, 0)), EncodeDate(2004, 2, 1));
  EXPECT_EQ(Show(EndOfTheMonth(EncodeDate(2004, 2, 17))), "29.02.2004 23:59:59.999");
}

TEST(DateTimeTimeStamp, ConstantsAndErrors) {
  EXPECT_EQ(DateTimeToTimeStamp(0).Date, DateDelta);
  EXPECT_EQ(DateTimeToTimeStamp(EncodeDate(1, 1, 1)).Date, 1);
  EXPECT_EQ(DateTimeToTimeStamp(EncodeDate(1970, 1, 1)).Date, DateDelta + UnixDateDelta);
  TTimeStamp ts = DateTimeToTimeStamp(-1.25);
  EXPECT_EQ(ts.Date, DateDelta - 1);
  EXPECT_EQ(ts.Time, MSecsPerDay / 4);
  EXPECT_EQ(TimeStampToMSecs({1000, 1}), MSecsPerDay + 1000.0);
  ts = MSecsToTimeStamp(3.0 * MSecsPerDay + 7.4);
  EXPECT_EQ(ts.Date, 3);
  EXPECT_EQ(ts.Time, 7);
  EXPECT_EQ(ErrorOf([] {
              TimeStampToDateTime({0, 0});
            }),
            "'0.0' не является допустимой отметкой времени");
  EXPECT_EQ(ErrorOf([] {
              TimeStampToDateTime({MSecsPerDay, 5});
            }),
            "'5.86400000' не является допустимой отметкой времени");
  EXPECT_EQ(ErrorOf([] { MSecsToTimeStamp(-1); }), "'-1' не является допустимой отметкой времени");
}

TEST(FormatDateTime, Tokens) {
  TFormatSettingsOverride keep;
  FormatSettings.TimeAMString = "утра";
  FormatSettings.TimePMString = "вечера";
  const TDateTime dt = EncodeDateTime(2006, 3, 5, 14, 7, 9, 45);  // a Sunday
  const TDateTime morning = EncodeDateTime(2006, 3, 5, 0, 30, 0, 0);
  struct Case {
    const char* format;
    TDateTime value;
    const char* expected;
  } cases[] = {
      {"d dd ddd dddd", dt, "5 05 Вс воскресенье"},
      {"ddddd", dt, "05.03.2006"},
      {"dddddd", dt, "5 Март 2006 г."},
      {"m mm mmm mmmm", dt, "3 03 мар Март"},
      {"yy yyyy", dt, "06 2006"},
      {"yyyy", EncodeDate(5, 1, 1), "0005"},
      {"h hh n nn s ss z zzz", dt, "14 14 7 07 9 09 45 045"},
      {"hh:mm", dt, "14:07"},
      {"h.m", dt, "14.7"},
      {"DD.MM.YYYY HH:NN", dt, "05.03.2006 14:07"},
      {"t|tt", dt, "14:07|14:07:09"},
      {"c", dt, "05.03.2006 14:07:09"},
      {"c", EncodeDate(2006, 3, 5), "05.03.2006"},
      {"h:nn am/pm", dt, "2:07 pm"},
      {"h:nn AM/PM", morning, "12:30 AM"},
      {"hh a/p", morning, "12 a"},
      {"h ampm", dt, "2 вечера"},
      {"h ampm", morning, "12 утра"},
      {"dd/mm/yyyy", dt, "05.03.2006"},
      {"yyyy/mm/dd", dt, "2006.03.05"},
      {"\"dd\" 'mm' yyyy", dt, "dd mm 2006"},
      {"'unterminated", dt, "unterminated"},
      {"Дата должна быть в промежутке 01.01.2006 - dd.mm.yyyy.", dt,
       "Дата должна быть в промежутке 01.01.2006 - 05.03.2006."},
      // Cyrillic "с" and "а" are not the Latin tokens.
      {"с а dd", dt, "с а 05"},
      {"-1.25: c", -1.25, "-1.25: 29.12.1899 6:00:00"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatDateTime(c.format, c.value), c.expected) << c.format;
}

TEST(FormatDateTime, SeparatorsAndSettings) {
  const TDateTime dt = EncodeDateTime(2006, 3, 5, 9, 8, 7, 0);
  {
    TFormatSettingsOverride keep;
    FormatSettings.DateSeparator = '/';
    FormatSettings.TimeSeparator = '-';
    FormatSettings.ShortDateFormat = "mm/dd/yyyy";
    EXPECT_EQ(FormatDateTime("dd/mm/yyyy hh:nn", dt), "05/03/2006 09-08");
    EXPECT_EQ(DateTimeToStr(dt), "03/05/2006 9-08-07");
    // A format that names itself stops instead of looping.
    FormatSettings.ShortDateFormat = "ddddd!";
    EXPECT_EQ(DateToStr(dt), "!!");
  }
  EXPECT_EQ(DateTimeToStr(dt), "05.03.2006 9:08:07");
  EXPECT_EQ(TimeToStr(dt), "9:08:07");
  TFormatSettings other;
  other.DateSeparator = '-';
  EXPECT_EQ(FormatDateTime("dd/mm", dt, other), "05-03");
}

TEST(StrToDate, OrdersWindowsAndBlanks) {
  TScopedClock clock(EncodeDateTime(2024, 6, 1, 12, 0, 0, 0));
  TFormatSettingsOverride keep;
  struct Case {
    const char* shortFormat;
    int window;
    const char* text;
    const char* expected;  // dd.mm.yyyy, or "-" for invalid
  } cases[] = {
      {"dd.mm.yyyy", 50, "05.03.2006", "05.03.2006"},
      {"dd.mm.yyyy", 50, " 1. 2.2006 ", "01.02.2006"},
      {"dd.mm.yyyy", 50, "1.2", "01.02.2024"},
      {"dd.mm.yyyy", 50, "1.2.74", "01.02.1974"},
      {"dd.mm.yyyy", 50, "1.2.73", "01.02.2073"},
      {"dd.mm.yyyy", 50, "1.2.5", "01.02.2005"},
      {"dd.mm.yyyy", 50, "1.2.0005", "01.02.0005"},
      {"dd.mm.yyyy", 50, "1.2.205", "01.02.0205"},
      {"dd.mm.yyyy", 0, "1.2.99", "01.02.2099"},
      {"dd.mm.yyyy", 0, "1.2.23", "01.02.2023"},
      {"dd.mm.yyyy", 10, "1.2.14", "01.02.2014"},
      {"dd.mm.yyyy", 10, "1.2.13", "01.02.2113"},
      {"dd.mm.yyyy", 10, "1.2.12", "01.02.2112"},
      {"mm.dd.yyyy", 50, "02.01.2006", "01.02.2006"},
      {"mm.dd.yyyy", 50, "2.1", "01.02.2024"},
      {"yyyy.mm.dd", 50, "2006.02.01", "01.02.2006"},
      {"yyyy.mm.dd", 50, "06.2.1", "01.02.2006"},
      {"yyyy.mm.dd", 50, "2.1", "01.02.2024"},
      {"'year' dd.mm.yyyy", 50, "1.2.2006", "01.02.2006"},
      {"dd.mm.yyyy", 50, "", "-"},
      {"dd.mm.yyyy", 50, "  .  .    ", "-"},
      {"dd.mm.yyyy", 50, "31.02.2006", "-"},
      {"dd.mm.yyyy", 50, "1.2.", "-"},
      {"dd.mm.yyyy", 50, "1.2.2006x", "-"},
      {"dd.mm.yyyy", 50, "1/2/2006", "-"},
      {"dd.mm.yyyy", 50, "1.2.02006", "-"},
      {"dd.mm.yyyy", 50, "1.2.0", "01.02.2000"},
      {"dd.mm.yyyy", 50, "1.2.0000", "-"},
      {"dd.mm.yyyy", 50, "-1.2.2006", "-"},
  };
  for (const Case& c : cases) {
    FormatSettings.ShortDateFormat = c.shortFormat;
    FormatSettings.TwoDigitYearCenturyWindow = c.window;
    TDateTime dt = -1e9;
    bool ok = TryStrToDate(c.text, dt);
    EXPECT_EQ(ok ? FormatDateTime("dd.mm.yyyy", dt) : "-", c.expected)
        << c.shortFormat << " [" << c.text << "]";
  }
}

TEST(StrToDate, TimesAndDateTimes) {
  TScopedClock clock(EncodeDate(2024, 6, 1));
  TFormatSettingsOverride keep;
  FormatSettings.DecimalSeparator = ',';
  struct Case {
    const char* text;
    const char* expected;  // "-" for invalid
  } cases[] = {
      {"10:05", "30.12.1899 10:05:00.000"},
      {" 9:05:07 ", "30.12.1899 09:05:07.000"},
      {"9:05:07.250", "30.12.1899 09:05:07.250"},
      {"9:05:07,250", "30.12.1899 09:05:07.250"},
      {"9:05 pm", "30.12.1899 21:05:00.000"},
      {"12:05 AM", "30.12.1899 00:05:00.000"},
      {"12:05 PM", "30.12.1899 12:05:00.000"},
      {"PM 1:00", "30.12.1899 13:00:00.000"},
      {"13:00 PM", "-"},
      {"24:00", "-"},
      {"10", "-"},
      {"10:60", "-"},
      {"01.02.2006 10:30", "01.02.2006 10:30:00.000"},
      {"01.02.2006", "01.02.2006 00:00:00.000"},
      {"29.12.1899 6:00", "29.12.1899 06:00:00.000"},
      {"01.02.2006 10:30 x", "-"},
  };
  for (const Case& c : cases) {
    TDateTime dt;
    bool ok = TryStrToDateTime(c.text, dt);
    EXPECT_EQ(ok ? Show(dt) : "-", c.expected) << c.text;
  }
  EXPECT_EQ(StrToDateTime("29.12.1899 6:00"), -1.25);
  EXPECT_EQ(Show(StrToTime("23:59:59.999")), "30.12.1899 23:59:59.999");
  EXPECT_EQ(StrToDateDef("junk", 7), 7);
  EXPECT_EQ(ErrorOf([] { StrToDate("  .  .    "); }), "'  .  .    ' не является датой");
  EXPECT_EQ(ErrorOf([] { StrToDate("01.02.2006 10:00"); }), "'01.02.2006 10:00' не является датой");
  EXPECT_EQ(ErrorOf([] { StrToTime("25:00"); }), "'25:00' не является временем");
  EXPECT_EQ(ErrorOf([] { StrToDateTime("x"); }), "'x' не является датой и временем");
}

TEST(Clock, InjectedAndRestored) {
  const TDateTime fixed = EncodeDateTime(2006, 1, 2, 3, 4, 5, 6);
  {
    TScopedClock clock(fixed);
    EXPECT_EQ(Now(), fixed);
    EXPECT_EQ(Date(), EncodeDate(2006, 1, 2));
    EXPECT_EQ(Show(Time()), "30.12.1899 03:04:05.006");
    {
      TScopedClock inner([] { return 0.0; });
      EXPECT_EQ(Now(), 0);
    }
    EXPECT_EQ(Now(), fixed);
  }
  EXPECT_GT(YearOf(Now()), 2000);  // the system clock is back
  std::uint32_t tick = 0xFFFFFFF0u;
  {
    TScopedTickSource source([&tick] { return tick; });
    std::uint32_t start = GetTickCount();
    tick += 0x20;  // wraps
    EXPECT_EQ(GetTickCount() - start, 0x20u);
  }
  SetClock([] { return 1.5; });
  EXPECT_EQ(Now(), 1.5);
  SetClock(nullptr);
  EXPECT_GT(YearOf(Now()), 2000);
}

}  // namespace
