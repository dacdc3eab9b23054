// The scratch file of a fuzz target that must go through a real file: in
// memory (/dev/shm) where there is such a folder, since the code under test
// syncs what it writes and a disk would make every run wait for that. One
// per process, removed when the process ends.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>
#include <system_error>

#include "platform/base/scope_guard.h"

inline const std::string& FuzzFilePath(const std::string& stem, const std::string& extension) {
  static const std::string path =
      (std::filesystem::is_directory("/dev/shm") ? "/dev/shm/" : "/tmp/") + stem + "-" +
      std::to_string(::getpid()) + extension;
  static const TScopeExit remove([] {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
  });
  return path;
}
