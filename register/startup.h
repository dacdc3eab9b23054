// The program's start-up: the composition root. Every hook and host the
// libraries need is installed here, in this order: the desktop (main()
// passes the Qt host and services), the start-up format settings, the
// report windows (every hook of frReportHooks() and frFunctionHooks()),
// the grid unit (its resources and the form's and columns' property
// interceptors), the streaming class of the register windows' tab sheets;
// then the application is initialised and titled "Mebrath", the data
// module, the main window, the print-parameter dialog and the directory
// window are made in that order, and the message loop runs until the main
// window closes.
//
// StartProgram is the one place where the running program gets what it
// needs; main() and the tests of the whole program call it alike.
// GUI thread only.
#pragma once

#include <functional>
#include <string>

// Installs the desktop: its host and services (main() passes the Qt ones).
using TDesktopInstaller = std::function<void()>;

// The help document beside the program.
std::string ProgramHelpFile();

// The desktop, the start-up format settings, the report windows (the
// preview's Help opens ProgramHelpFile), the grid unit, the tab sheet's
// streaming class, then CreateProgramForms.
void StartProgram(const TDesktopInstaller& installDesktop);

// Makes the long-lived objects (REQUIRES: the start-up format settings are
// applied and a host, if any, is installed).
void CreateProgramForms();

// StartProgram, then the message loop. Returns the exit code.
int RunProgram(const TDesktopInstaller& installDesktop);
