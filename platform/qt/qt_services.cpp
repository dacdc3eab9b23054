#include "platform/qt/qt_services.h"

#include "platform/qt/qt_host.h"
#include "platform/widgets/message_dialog.h"

void InstallQtServices(TQtHost& host) {
  InstallMessageDialogs();
  InstallQtClipboardText();
  SetClipboardBackend(MakeQtClipboardBackend());
  InstallQtShell();
  InstallQtKeyboardLayouts();
  SetFileDialogBackend(MakeQtFileDialogBackend(host));
  SetPrinterBackend(MakeQtPrinterBackend());
  SetMetafileRenderer(MakeQtMetafileRenderer());
}
