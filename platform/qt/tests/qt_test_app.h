// The Qt application every test of this folder runs in (offscreen).
#pragma once

#include "platform/qt/qt_host.h"

// Installs the Qt host once per test process; later calls return it.
inline TQtHost& TestHost() {
  static TQtHost* host = [] {
    static int argc = 1;
    static char name[] = "platform_qt_tests";
    static char* argv[] = {name, nullptr};
    return &InstallQtHost(argc, argv);
  }();
  return *host;
}
