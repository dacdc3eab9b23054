// The message boxes of the register, all owned by the application and
// captioned with its title unless a caption is given. GUI thread only.
#pragma once

#include <string>
#include <string_view>

#include "platform/base/format.h"

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

// --- implementation

template <class... Args>
void ShowErrorFmt(std::string_view pattern, const Args&... args) {
  ShowError(Format(pattern, args...));
}
