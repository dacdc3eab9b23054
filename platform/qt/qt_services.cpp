#include "platform/qt/qt_services.h"

#include "platform/gui/message_dialog.h"
#include "platform/qt/qt_host.h"

void InstallQtServices(TQtHost& host) {
  InstallMessageDialogs();
  InstallQtClipboardText();
  SetClipboardBackend(MakeQtClipboardBackend());
  InstallQtShell();
  SetFileDialogBackend(MakeQtFileDialogBackend(host));
  SetPrinterBackend(MakeQtPrinterBackend());
}
