// Message boxes, message dialogs and input boxes drawn as our own modal
// forms.
//
// The message form: the caption given, an icon we draw (MB_ICONERROR,
// MB_ICONQUESTION, MB_ICONWARNING, MB_ICONINFORMATION), the text wrapped
// to at most kMessageTextWidth pixels (line breaks kept, "&" shown as is),
// and a row of buttons with Russian captions ("ОК", "Отмена", "Да", "Нет",
// "Прервать", "Повтор", "Пропустить", "Все"). The default button
// (MB_DEFBUTTON1..3, or the one the dialog names) has the focus, so Enter
// answers it; Tab and the arrows move between the buttons. Esc (and
// closing the window) answers the box's cancel choice: Cancel when the box
// has one, OK for a box with OK alone, and nothing for Yes/No and
// Abort/Retry/Ignore boxes, as the classic boxes did; a MessageDlg without
// Cancel takes No, then OK.
//
// InstallMessageDialogs makes MessageBoxForm services.h's message-box
// handler; the program does this when it runs with a desktop host. Tests
// keep scripted handlers (services.h for boxes, SetMessageDlgHandler and
// SetInputQueryHandler here) or drive a form from CreateMessageDialog with
// posted messages. Without a host or a handler, MessageDlg answers its
// default button and InputQuery answers Cancel, showing nothing.
// GUI thread only.
#pragma once

#include <functional>
#include <string>

#include "platform/base/sets.h"
#include "platform/gui/forms.h"

inline constexpr int kMessageTextWidth = 420;

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll };
using TMsgDlgButtons = TSet<TMsgDlgBtn>;

// The form of a MessageBox call with these MB_ flags, made but not shown
// (owned by the caller). Its ShowModal returns the ID* answer, mrNone
// never.
TCustomForm* CreateMessageDialog(const std::string& text, const std::string& caption,
                                 unsigned flags);
// The form of a MessageDlg call: the buttons in the classic order (Yes,
// No, OK, Cancel, Abort, Retry, Ignore, All); its ShowModal returns the mr*
// answer. `caption` empty: the application's title.
TCustomForm* CreateMessageDialog(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons,
                                 const std::string& caption = "");

// Shows the message form modally and returns IDOK, IDYES, ...
int MessageBoxForm(const std::string& text, const std::string& caption, unsigned flags);
// Installs MessageBoxForm as services.h's message-box handler.
void InstallMessageDialogs();

// Asks with the application's title as caption; returns mrYes, mrNo,
// mrAll, ... The default button is OK, else Yes, else the first.
int MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons,
               int helpContext = 0);
using TMessageDlgHandler =
    std::function<int(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons)>;
// Replaces what MessageDlg does (null: the form with a host, else the
// default answer).
void SetMessageDlgHandler(TMessageDlgHandler handler);

// Asks for a line of text: `value` is shown and, on OK, replaced by what
// was typed. Returns true for OK.
bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value);
// What was typed, or `defaultValue` on Cancel.
std::string InputBox(const std::string& caption, const std::string& prompt,
                     const std::string& defaultValue);
using TInputQueryHandler =
    std::function<bool(const std::string& caption, const std::string& prompt, std::string& value)>;
void SetInputQueryHandler(TInputQueryHandler handler);
// The InputQuery form, made but not shown; its edit starts with `value`.
// ShowModal returns mrOk or mrCancel; InputQueryText reads the edit.
TCustomForm* CreateInputQueryDialog(const std::string& caption, const std::string& prompt,
                                    const std::string& value);
std::string InputQueryText(TCustomForm* dialog);
