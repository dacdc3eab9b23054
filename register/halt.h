// The program's orderly stop (the date guard ends the process with it).
// Tests replace the handler so that the stop can be seen without exiting.
#pragma once

#include <functional>

// Ends the process with `code`. Tests replace the handler; the default
// exits.
using THaltHandler = std::function<void(int code)>;
void SetHaltHandler(THaltHandler handler);
[[noreturn]] void Halt(int code);
