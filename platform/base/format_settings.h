// The process-wide format settings that every conversion routine reads.
//
// Defaults are those of a Russian desktop. The program changes some of them
// once at start-up (date and decimal separators to ".", short date format to
// "dd.mm.yyyy"); code that needs another value for a moment uses
// TFormatSettingsOverride, which puts the old settings back even when an
// exception passes. GUI thread only.
#pragma once

#include <array>
#include <string>

struct TFormatSettings {
  // Separators are single ASCII characters except the thousands separator,
  // which is UTF-8 text (a no-break space by default).
  char DecimalSeparator = ',';
  std::string ThousandSeparator = "\u00A0";
  char DateSeparator = '.';
  char TimeSeparator = ':';
  std::string ShortDateFormat = "dd.mm.yyyy";
  std::string LongDateFormat = "d mmmm yyyy 'г.'";
  std::string ShortTimeFormat = "h:mm";
  std::string LongTimeFormat = "h:mm:ss";
  std::string TimeAMString = "";
  std::string TimePMString = "";
  std::string CurrencyString = "р.";
  int CurrencyFormat = 3;  // 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"
  int NegCurrFormat = 8;   // classic codes 0..15
  int CurrencyDecimals = 2;
  int TwoDigitYearCenturyWindow = 50;
  // Index 0 is January / Sunday, as the classic arrays are 1-based.
  std::array<std::string, 12> ShortMonthNames = {"янв", "фев", "мар", "апр", "май", "июн",
                                                 "июл", "авг", "сен", "окт", "ноя", "дек"};
  std::array<std::string, 12> LongMonthNames = {"Январь",   "Февраль", "Март",   "Апрель",
                                                "Май",      "Июнь",    "Июль",   "Август",
                                                "Сентябрь", "Октябрь", "Ноябрь", "Декабрь"};
  std::array<std::string, 7> ShortDayNames = {"Вс", "Пн", "Вт", "Ср", "Чт", "Пт", "Сб"};
  std::array<std::string, 7> LongDayNames = {"воскресенье", "понедельник", "вторник", "среда",
                                             "четверг",     "пятница",     "суббота"};
};

// The settings in force. Plain global, read by every routine.
extern TFormatSettings FormatSettings;

// Keeps a copy of FormatSettings and restores it when it goes out of scope.
class TFormatSettingsOverride {
 public:
  TFormatSettingsOverride() : FSaved(FormatSettings) {}
  ~TFormatSettingsOverride() { FormatSettings = FSaved; }
  TFormatSettingsOverride(const TFormatSettingsOverride&) = delete;
  TFormatSettingsOverride& operator=(const TFormatSettingsOverride&) = delete;

 private:
  TFormatSettings FSaved;
};
