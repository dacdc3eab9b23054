// Small routines shared by every window of the register: padding, month
// boundaries, the insurance-number (SNILS) check, the program's version
// block and the message boxes captioned with the application title. GUI
// thread only.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/base/date_time.h"
#include "platform/base/format.h"

// `text` prefixed with `ch` until it is `width` characters long; a longer
// text comes back unchanged.
std::string PadLeft(std::string_view text, int width, char32_t ch);

// Day 1 of the month, or the current date and time when `month` is outside
// 1..12.
TDateTime FirstDayOfMonth(int month, int year);

// The month's last day (leap years respected), or the current date and
// time when `month` is outside 1..12.
TDateTime LastDayOfMonth(int month, int year);

// `text` without every character outside "0".."9".
std::string DigitsOnly(std::string_view text);

// The insurance-number check: an empty number is valid (it is optional);
// otherwise exactly 11 digits whose last two equal the weighted sum of the
// first nine (weights 9..1) mod 101, with 100 counting as 0.
bool IsValidSnils(std::string_view text);

// A value of the program's version block: "InternalName", "Programmer" or
// "E-mail"; empty when absent or empty.
std::string GetVersionValue(std::string_view key);

// The program's version as "major.minor.release.build".
std::string GetFileVersion();

// --- Message boxes, all owned by the application.

// A message box with the given caption, text and classic MB_ flags;
// returns the button code (IDOK, IDYES, ...).
int MsgBox(const std::string& caption, const std::string& text, unsigned flags);
// MsgBox captioned with the application title.
int MsgBoxT(const std::string& text, unsigned flags);
// The error box (flags 16: error icon, OK button).
void ShowError(const std::string& text);
// ShowError, then the silent abort: the operation in progress stops
// without a second message (a post is refused and the record stays in
// edit).
[[noreturn]] void ErrorAbort(const std::string& text);
// Yes/No with the question icon (flags 36); true only for Yes.
bool AskYes(const std::string& text);
bool AskYesCaption(const std::string& caption, const std::string& text);

// ShowError of Format(pattern, args...).
template <class... Args>
void ShowErrorFmt(std::string_view pattern, const Args&... args);

// Ends the process with `code` (the date guard's orderly stop). Tests
// replace the handler; the default exits.
using THaltHandler = std::function<void(int code)>;
void SetHaltHandler(THaltHandler handler);
[[noreturn]] void Halt(int code);

// --- implementation

template <class... Args>
void ShowErrorFmt(std::string_view pattern, const Args&... args) {
  ShowError(Format(pattern, args...));
}
