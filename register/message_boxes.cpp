#include "register/message_boxes.h"

#include "platform/base/exceptions.h"
#include "platform/gui/forms.h"
#include "platform/gui/messages.h"

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
