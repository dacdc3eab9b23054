#include "register/core/number_text.h"

#include "platform/base/text.h"

std::string PadLeft(std::string_view text, int width, char32_t ch) {
  const int missing = width - Length(text);
  if (missing <= 0) {
    return std::string(text);
  }
  return StringOfChar(ch, missing) + std::string(text);
}

std::string DigitsOnly(std::string_view text) {
  std::string digits;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      digits += c;
    }
  }
  return digits;
}

bool IsValidSnils(std::string_view text) {
  const std::string digits = DigitsOnly(text);
  if (digits.empty()) {
    return true;
  }
  if (digits.size() != 11) {
    return false;
  }
  int sum = 0;
  for (int i = 0; i < 9; ++i) {
    sum += (digits[i] - '0') * (9 - i);
  }
  int check = sum % 101;
  if (check == 100) {
    check = 0;
  }
  return (digits[9] - '0') * 10 + (digits[10] - '0') == check;
}
