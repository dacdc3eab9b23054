// Texts of the numbers a register keeps: padding, the digits of a typed
// number and the insurance-number (SNILS) check.
#pragma once

#include <string>
#include <string_view>

// `text` prefixed with `ch` until it is `width` characters long; a longer
// text comes back unchanged.
std::string PadLeft(std::string_view text, int width, char32_t ch);

// `text` without every character outside "0".."9".
std::string DigitsOnly(std::string_view text);

// The insurance-number check: an empty number is valid (it is optional);
// otherwise exactly 11 digits whose last two equal the weighted sum of the
// first nine (weights 9..1) mod 101, with 100 counting as 0.
bool IsValidSnils(std::string_view text);
