// What a shell command prints on its standard output, for tests that read
// files back through outside tools (pdftotext, pdfinfo, pdftoppm). Empty
// when the command cannot be started.
#pragma once

#include <array>
#include <cstdio>
#include <memory>
#include <string>

inline std::string Shell(const std::string& command) {
  std::string out;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return out;
  std::array<char, 4096> buffer;
  while (std::size_t n = fread(buffer.data(), 1, buffer.size(), pipe.get()))
    out.append(buffer.data(), n);
  return out;
}
