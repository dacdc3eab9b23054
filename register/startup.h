// The program block: initialise the application, title it "Mebrath",
// make the data module, the main window, the print-parameter dialog and
// the directory window in that order, and run the message loop until the
// main window closes. GUI thread only.
#pragma once

// Makes the long-lived objects (REQUIRES: the start-up format settings are
// applied and a host, if any, is installed).
void CreateProgramForms();

// CreateProgramForms, then the message loop. Returns the exit code.
int RunProgram();
