#include "register/core/sum_in_words.h"

#include <algorithm>
#include <cmath>

#include "platform/base/exceptions.h"
#include "platform/base/format.h"
#include "platform/base/format_settings.h"
#include "platform/base/text.h"

namespace {

const char* const kUnits[] = {"",     "один",  "два",  "три",    "четыре",
                              "пять", "шесть", "семь", "восемь", "девять"};
const char* const kTeens[] = {
    "",           "одиннадцать", "двенадцать", "тринадцать",   "четырнадцать",
    "пятнадцать", "шестнадцать", "семнадцать", "восемнадцать", "девятнадцать"};
const char* const kTens[] = {"",          "десять",     "двадцать",  "тридцать",    "сорок",
                             "пятьдесят", "шестьдесят", "семьдесят", "восемьдесят", "девяносто"};
const char* const kHundreds[] = {"",        "сто",      "двести",  "триста",    "четыреста",
                                 "пятьсот", "шестьсот", "семьсот", "восемьсот", "девятьсот"};
const char* const kScaleOne[] = {"", "рубль", "тысяча", "миллион", "миллиард"};
const char* const kScaleFew[] = {"", "рубля", "тысячи", "миллиона", "миллиарда"};
const char* const kScaleMany[] = {"", "рублей", "тысяч", "миллионов", "миллиардов"};

constexpr int kDigits = 15;  // 12 rouble digits, ".", 2 kopeck digits

int Digit(char c) { return c - '0'; }

// Appends `word` after a blank unless either side is empty.
void Join(std::string& words, std::string_view word) {
  if (word.empty()) return;
  if (!words.empty()) words += ' ';
  words += word;
}

}  // namespace

std::string ScaleWord(int units, int tens, int group) {
  if (tens != 1 && units == 1) return kScaleOne[group];
  if (tens != 1 && units >= 2 && units <= 4) return kScaleFew[group];
  return kScaleMany[group];
}

std::string TriadToWords(std::string_view digits, int group) {
  const int h = Digit(digits[0]), t = Digit(digits[1]), u = Digit(digits[2]);
  if (h == 0 && t == 0 && u == 0) return {};
  std::string words = kHundreds[h];
  if (t == 1 && u != 0) {
    Join(words, kTeens[u]);
  } else {
    Join(words, kTens[t]);
    if (group == 2 && u == 1) {
      Join(words, "одна");
    } else if (group == 2 && u == 2) {
      Join(words, "две");
    } else {
      Join(words, kUnits[u]);
    }
  }
  Join(words, ScaleWord(u, t, group));
  return words;
}

std::string KopecksInWords(std::string_view digits) {
  if (digits == "00") return {};
  const int k1 = Digit(digits[0]), k2 = Digit(digits[1]);
  const char* word = " копеек";
  if (k1 != 1 && k2 == 1) word = " копейка";
  if (k1 != 1 && k2 >= 2 && k2 <= 4) word = " копейки";
  return std::string(digits) + word;
}

std::string SumInWords(double amount) {
  TFormatSettingsOverride settings;
  FormatSettings.DecimalSeparator = '.';
  std::string s = std::isfinite(amount) ? Format("%.2f", amount) : std::string("?");
  const bool plain =
      s.size() >= 4 && s.size() <= kDigits && s[s.size() - 3] == '.' &&
      std::all_of(s.begin(), s.end(), [](char c) { return c == '.' || (c >= '0' && c <= '9'); });
  if (!plain || amount < 0) {
    throw EConvertError(
        "Сумму %s нельзя записать прописью: допустимы суммы от 0 до "
        "999999999999.99.",
        s);
  }
  s.insert(0, kDigits - s.size(), '0');
  std::string words;
  // Decided on the rounded digits, so 0.999 is one rouble, not "Ноль".
  if (s.compare(0, 12, "000000000000") == 0) {
    words = "Ноль рублей";
  } else {
    for (int group = 1; group <= 4; ++group) {
      const std::string_view triad = std::string_view(s).substr(12 - 3 * group, 3);
      std::string part = TriadToWords(triad, group);
      if (part.empty() && group == 1) part = "рублей";
      if (part.empty()) continue;
      if (!words.empty()) part += ' ';
      words = part + words;
    }
    words = AnsiUpperCase(Copy(words, 1, 1)) + Copy(words, 2, Length(words));
  }
  return Trim(words + " " + KopecksInWords(std::string_view(s).substr(13, 2)));
}
