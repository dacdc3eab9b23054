// The program's entry point: the program's start-up with the Qt desktop,
// then its message loop.
#include <cstdio>
#include <cstdlib>

#include "platform/qt/qt_host.h"
#include "platform/qt/qt_services.h"
#include "register/startup.h"

namespace {
// Without a display the toolkit would abort with a message about platform
// plugins; say what is wrong and how to run the program instead.
bool DisplayAvailable() {
  for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != 0) return true;
  }
  return false;
}
}  // namespace

int main(int argc, char** argv) {
  if (!DisplayAvailable()) {
    std::fprintf(stderr,
                 "mebrath: no display found; start it on a desktop, or without one as "
                 "\"xvfb-run %s\"\n",
                 argv[0]);
    return 1;
  }
  return RunProgram([&] { InstallQtServices(InstallQtHost(argc, argv)); });
}
