// Services that the desktop provides and tests replace: message boxes,
// opening documents, the clipboard's text, the beep.
//
// Each is a replaceable function. InstallQtServices (platform/qt) installs
// real ones when the program's start-up installs the desktop; tests
// install scripted ones. Without any, a message box
// answers its default button without showing anything (and writes the
// text to stderr), documents do not open, and the clipboard is a string
// in memory. GUI thread only.
#pragma once

#include <functional>
#include <string>

// Shows `text` captioned `caption` with MB_ flags; returns IDOK, IDYES, ...
using TMessageBoxHandler =
    std::function<int(const std::string& text, const std::string& caption, unsigned flags)>;
void SetMessageBoxHandler(TMessageBoxHandler handler);
int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags);
// The button a box with these flags answers by default (MB_DEFBUTTONn).
int DefaultMessageBoxResult(unsigned flags);

// Opens a file or link with the desktop's program for it; false on failure.
using TOpenDocumentHandler = std::function<bool(const std::string& pathOrUrl)>;
void SetOpenDocumentHandler(TOpenDocumentHandler handler);
bool OpenDocument(const std::string& pathOrUrl);

struct TClipboardTextHandler {
  std::function<std::string()> Get;
  std::function<void(const std::string&)> Set;
};
void SetClipboardTextHandler(TClipboardTextHandler handler);
std::string GetClipboardText();
void SetClipboardText(const std::string& text);

// Switches the keyboard to the layout of a Windows language id (1049
// Russian, 1033 English (United States)) where the desktop allows it;
// false when it does not (no handler, no such layout, no way to switch).
using TKeyboardLayoutHandler = std::function<bool(int languageId)>;
void SetKeyboardLayoutHandler(TKeyboardLayoutHandler handler);
bool ActivateKeyboardLayout(int languageId);

// The desktop's current keyboard layout as the user left it, as an opaque
// token for RestoreKeyboardLayout (on X11 the locked XKB group); -1 when it
// cannot be read (no handler, no way to ask). Restoring -1 does nothing and
// answers false.
struct TKeyboardLayoutStateHandler {
  std::function<int()> Current;
  std::function<bool(int token)> Restore;
};
void SetKeyboardLayoutStateHandler(TKeyboardLayoutStateHandler handler);
int CurrentKeyboardLayout();
bool RestoreKeyboardLayout(int token);

// The desktop's warning sound (through the host; nothing headless).
void MessageBeep(unsigned type = 0);
