// An amount of money in Russian words for payment documents: the roubles
// in words with the rouble word in the right form, then the kopecks as two
// digits with the kopeck word ("Два рубля 01 копейка"). Amounts from 0 up
// to 999 999 999 999.99 roubles. Pure functions.
#pragma once

#include <string>
#include <string_view>

// The amount, rounded to kopecks, in words; "Ноль рублей" below one rouble;
// no kopeck part when they are 00. The first letter is upper case, words
// are joined by single blanks.
// Throws EConvertError for a negative amount, one of 10^12 roubles or
// more, or one that is not a number.
std::string SumInWords(double amount);

// One group of three digits ("105") with its scale word; `group` is 1 for
// roubles, 2 thousands, 3 millions, 4 milliards. Thousands take "одна" and
// "две". "" for "000".
// REQUIRES: `digits` is three digits; 1 <= group <= 4.
std::string TriadToWords(std::string_view digits, int group);

// The scale word of `group` for a group ending in the digits `tens`,
// `units`: "рубль"/"тысяча".. after 1, "рубля"/"тысячи".. after 2..4, else
// "рублей"/"тысяч".. (11..19 included).
std::string ScaleWord(int units, int tens, int group);

// " копеек", " копейка" or " копейки" after the two digits, by the digits;
// "" for "00".
// REQUIRES: `digits` is two digits.
std::string KopecksInWords(std::string_view digits);
