// The program's version block, as the about box shows it.
#pragma once

#include <string>
#include <string_view>

// A value of the program's version block: "InternalName", "Programmer" or
// "E-mail"; empty when absent or empty.
std::string GetVersionValue(std::string_view key);

// The program's version as "major.minor.release.build".
std::string GetFileVersion();
