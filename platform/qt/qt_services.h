// The desktop services over Qt: message forms, the clipboard (QClipboard),
// opening documents and links (QDesktopServices), the open and save
// dialogs (QFileDialog), the printers (QPrinterInfo over CUPS, QPrinter
// and QPdfWriter) and the metafile renderer.
//
// InstallQtServices registers them all behind the interfaces of
// platform/gui; the program calls it right after InstallQtHost. The
// pieces are reachable one by one for tests. GUI thread only.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/draw/metafile_renderer.h"
#include "platform/draw/printers.h"
#include "platform/gui/clipboard.h"
#include "platform/widgets/file_dialogs.h"

class QUrl;
class TQtHost;

// Registers the message forms as the message-box handler, the Qt
// clipboard (text and formats), the document opener, the file dialogs
// (parented to the active form's widget), the printer backend and the
// metafile renderer.
// REQUIRES: InstallQtHost ran.
void InstallQtServices(TQtHost& host);

// --- clipboard (qt_clipboard.cpp)
// The MIME type a registered format travels under:
// "application/x-mebrath-" + the name in lower case, characters other
// than letters, digits, ".", "+" and "-" written as "_" and two hex digits.
// A name holding "/" is taken as a MIME type of its own ("text/csv").
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
// "desc|*.a;*.b" becomes Qt's "desc (*.a *.b)"; a description already
// ending with its patterns ("PDF (*.pdf)|*.pdf") shows them once.
std::string QtNameFilter(const TFileFilter& filter);
TFileDialogBackend MakeQtFileDialogBackend(TQtHost& host);

// --- printers (qt_printer.cpp)
std::unique_ptr<IPrinterBackend> MakeQtPrinterBackend();

// --- metafile pictures (qt_metafile.cpp)
// WMF through libwmf, EMF through libemf2svg, both as SVG drawn by QtSvg.
std::unique_ptr<IMetafileRenderer> MakeQtMetafileRenderer();
// `svg` drawn stretched over a width x height ARGB image, transparent
// where it draws nothing; nullptr when it is no SVG Qt can read.
TRasterImagePtr RenderSvg(std::string_view svg, int width, int height);
