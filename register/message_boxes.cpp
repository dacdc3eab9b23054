#include "register/message_boxes.h"

#include <cstdlib>

#include "platform/base/clock.h"
#include "platform/base/exceptions.h"
#include "platform/base/format.h"
#include "platform/base/text.h"
#include "platform/gui/forms.h"
#include "platform/gui/messages.h"
#include "register/version.h"

std::string PadLeft(std::string_view text, int width, char32_t ch) {
  const int missing = width - Length(text);
  if (missing <= 0) {
    return std::string(text);
  }
  return StringOfChar(ch, missing) + std::string(text);
}

TDateTime FirstDayOfMonth(int month, int year) {
  if (month < 1 || month > 12) {
    return Now();
  }
  return EncodeDate(year, month, 1);
}

TDateTime LastDayOfMonth(int month, int year) {
  if (month < 1 || month > 12) {
    return Now();
  }
  return EncodeDate(year, month, DaysInAMonth(year, month));
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

std::string GetVersionValue(std::string_view key) {
  if (key == "InternalName") return kVersionInternalName;
  if (key == "Programmer") return kVersionProgrammer;
  if (key == "E-mail") return kVersionEmail;
  return "";
}

std::string GetFileVersion() {
  return Format("%d.%d.%d.%d", kVersionMajor, kVersionMinor, kVersionRelease, kVersionBuild);
}

int MsgBox(const std::string& caption, const std::string& text, unsigned flags) {
  return Application->MessageBox(text, caption, flags);
}

int MsgBoxT(const std::string& text, unsigned flags) {
  return MsgBox(Application->Title(), text, flags);
}

void ShowError(const std::string& text) { MsgBoxT(text, MB_ICONERROR | MB_OK); }

void ErrorAbort(const std::string& text) {
  ShowError(text);
  Abort();
}

bool AskYes(const std::string& text) { return MsgBoxT(text, MB_YESNO | MB_ICONQUESTION) == IDYES; }

bool AskYesCaption(const std::string& caption, const std::string& text) {
  return MsgBox(caption, text, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

namespace {
THaltHandler& HaltHandler() {
  static THaltHandler handler;
  return handler;
}
}  // namespace

void SetHaltHandler(THaltHandler handler) { HaltHandler() = std::move(handler); }

void Halt(int code) {
  if (HaltHandler()) {
    HaltHandler()(code);
  }
  std::exit(code);
}
