#include "register/core/sum_in_words.h"

#include <gtest/gtest.h>

#include <limits>

#include "platform/base/exceptions.h"

namespace {

TEST(SumInWordsTest, Amounts) {
  const struct {
    double amount;
    const char* words;
  } cases[] = {
      {0, "Ноль рублей"},
      {0.01, "Ноль рублей 01 копейка"},
      {0.5, "Ноль рублей 50 копеек"},
      {0.999, "Один рубль"},
      {1, "Один рубль"},
      {2.01, "Два рубля 01 копейка"},
      {3.12, "Три рубля 12 копеек"},
      {4.22, "Четыре рубля 22 копейки"},
      {5.11, "Пять рублей 11 копеек"},
      {10, "Десять рублей"},
      {11, "Одиннадцать рублей"},
      {12, "Двенадцать рублей"},
      {20, "Двадцать рублей"},
      {21, "Двадцать один рубль"},
      {100, "Сто рублей"},
      {111, "Сто одиннадцать рублей"},
      {112, "Сто двенадцать рублей"},
      {1000, "Одна тысяча рублей"},
      {2000, "Две тысячи рублей"},
      {3000, "Три тысячи рублей"},
      {5000, "Пять тысяч рублей"},
      {11000, "Одиннадцать тысяч рублей"},
      {12000, "Двенадцать тысяч рублей"},
      {21000, "Двадцать одна тысяча рублей"},
      {1000000, "Один миллион рублей"},
      {1001000, "Один миллион одна тысяча рублей"},
      {2000002, "Два миллиона два рубля"},
      {1e11 + 0.01, "Сто миллиардов рублей 01 копейка"},
      {999999999999.99,
       "Девятьсот девяносто девять миллиардов девятьсот девяносто девять миллионов девятьсот "
       "девяносто девять тысяч девятьсот девяносто девять рублей 99 копеек"},
  };
  for (const auto& c : cases) EXPECT_EQ(SumInWords(c.amount), c.words) << c.amount;
}

TEST(SumInWordsTest, RefusesWhatItCannotSpell) {
  for (double amount :
       {-0.01, -1.0, 1e12, 999999999999.996, 1e300, std::numeric_limits<double>::quiet_NaN(),
        std::numeric_limits<double>::infinity()}) {
    EXPECT_THROW(SumInWords(amount), EConvertError) << amount;
  }
}

TEST(SumInWordsTest, Helpers) {
  EXPECT_EQ(TriadToWords("000", 2), "");
  EXPECT_EQ(TriadToWords("101", 2), "сто одна тысяча");
  EXPECT_EQ(TriadToWords("014", 3), "четырнадцать миллионов");
  EXPECT_EQ(TriadToWords("340", 4), "триста сорок миллиардов");
  EXPECT_EQ(ScaleWord(1, 1, 1), "рублей");
  EXPECT_EQ(ScaleWord(3, 2, 3), "миллиона");
  EXPECT_EQ(KopecksInWords("00"), "");
  EXPECT_EQ(KopecksInWords("12"), "12 копеек");
  EXPECT_EQ(KopecksInWords("21"), "21 копейка");
}

}  // namespace
