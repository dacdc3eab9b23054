// The desktop services over Qt: message forms, the clipboard (QClipboard),
// opening documents and links (QDesktopServices), the open and save
// dialogs (QFileDialog) and the printers (QPrinterInfo over CUPS, QPrinter
// and QPdfWriter).
//
// InstallQtServices registers them all behind the interfaces of
// platform/gui; the program calls it right after InstallQtHost. The
// pieces are reachable one by one for tests. GUI thread only.
#pragma once

#include <memory>
#include <string>

#include "platform/draw/printers.h"
#include "platform/gui/clipboard.h"
#include "platform/widgets/file_dialogs.h"

class QUrl;
class TQtHost;

// Registers the message forms as the message-box handler, the Qt
// clipboard (text and formats), the document opener, the file dialogs
// (parented to the active form's widget) and the printer backend.
// REQUIRES: InstallQtHost ran.
void InstallQtServices(TQtHost& host);

// --- clipboard (qt_clipboard.cpp)
// The MIME type a registered format travels under:
// "application/x-mebrath-" + the name in lower case, characters other
// than letters, digits, ".", "+" and "-" written as "_" and two hex digits.
std::string ClipboardMimeType(unsigned format);
std::unique_ptr<IClipboardBackend> MakeQtClipboardBackend();
// services.h's clipboard text over QClipboard.
void InstallQtClipboardText();

// --- shell (qt_shell.cpp)
// A link stays as it is ("scheme:..."); anything else is a file, made
// absolute.
QUrl DocumentUrl(const std::string& pathOrUrl);
void InstallQtShell();
// The keyboard layout hook (services.h): XKB groups on X11, nothing
// elsewhere.
void InstallQtKeyboardLayouts();

// --- file dialogs (qt_file_dialogs.cpp)
// "desc|*.a;*.b" becomes Qt's "desc (*.a *.b)".
std::string QtNameFilter(const TFileFilter& filter);
TFileDialogBackend MakeQtFileDialogBackend(TQtHost& host);

// --- printers (qt_printer.cpp)
std::unique_ptr<IPrinterBackend> MakeQtPrinterBackend();
