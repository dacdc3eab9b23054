#include "platform/gui/services.h"

#include <iostream>

#include "platform/gui/gui_host.h"
#include "platform/gui/messages.h"

namespace {
TMessageBoxHandler gMessageBox;
TOpenDocumentHandler gOpenDocument;
TKeyboardLayoutHandler gKeyboardLayout;
TKeyboardLayoutStateHandler gKeyboardLayoutState;
TClipboardTextHandler gClipboard;
std::string gClipboardText;
}  // namespace

void SetMessageBoxHandler(TMessageBoxHandler handler) { gMessageBox = std::move(handler); }

int DefaultMessageBoxResult(unsigned flags) {
  static constexpr int kButtons[][3] = {
      {IDOK, IDOK, IDOK},      {IDOK, IDCANCEL, IDCANCEL}, {IDABORT, IDRETRY, IDIGNORE},
      {IDYES, IDNO, IDCANCEL}, {IDYES, IDNO, IDNO},        {IDRETRY, IDCANCEL, IDCANCEL}};
  unsigned kind = flags & 0x0F;
  unsigned def = (flags >> 8) & 0x0F;
  if (kind > 5) kind = 0;
  if (def > 2) def = 0;
  return kButtons[kind][def];
}

int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) {
  if (gMessageBox) return gMessageBox(text, caption, flags);
  std::cerr << caption << ": " << text << '\n';
  return DefaultMessageBoxResult(flags);
}

void SetOpenDocumentHandler(TOpenDocumentHandler handler) { gOpenDocument = std::move(handler); }
void SetKeyboardLayoutHandler(TKeyboardLayoutHandler handler) {
  gKeyboardLayout = std::move(handler);
}
bool ActivateKeyboardLayout(int languageId) {
  return gKeyboardLayout ? gKeyboardLayout(languageId) : false;
}

void SetKeyboardLayoutStateHandler(TKeyboardLayoutStateHandler handler) {
  gKeyboardLayoutState = std::move(handler);
}
int CurrentKeyboardLayout() {
  return gKeyboardLayoutState.Current ? gKeyboardLayoutState.Current() : -1;
}
bool RestoreKeyboardLayout(int token) {
  return token >= 0 && gKeyboardLayoutState.Restore ? gKeyboardLayoutState.Restore(token) : false;
}

bool OpenDocument(const std::string& pathOrUrl) {
  return gOpenDocument ? gOpenDocument(pathOrUrl) : false;
}

void SetClipboardTextHandler(TClipboardTextHandler handler) { gClipboard = std::move(handler); }
std::string GetClipboardText() { return gClipboard.Get ? gClipboard.Get() : gClipboardText; }
void SetClipboardText(const std::string& text) {
  if (gClipboard.Set) {
    gClipboard.Set(text);
  } else {
    gClipboardText = text;
  }
}

void MessageBeep(unsigned) {
  if (IGuiHost* host = GuiHost()) host->Beep();
}
