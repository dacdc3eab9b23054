// The program's entry point: the desktop host first, then the start-up
// format settings, then the program block.
#include "platform/qt/qt_host.h"
#include "platform/qt/qt_services.h"
#include "register/data_module.h"
#include "register/startup.h"

int main(int argc, char** argv) {
  TQtHost& host = InstallQtHost(argc, argv);
  InstallQtServices(host);
  ApplyStartupFormatSettings();
  return RunProgram();
}
