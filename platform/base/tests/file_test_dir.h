// A fresh directory per test under the system's temporary directory,
// removed with everything in it at the end of the test, and two helpers
// for whole files.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "platform/base/file_stream.h"

class TFileTestDir {
 public:
  TFileTestDir() {
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    static int counter = 0;
    std::string name = info ? info->name() : "test";
    for (char& c : name)
      if (c == '/') c = '_';
    FPath = std::filesystem::temp_directory_path() /
            ("mebrath-" + name + "-" + std::to_string(getpid()) + "-" + std::to_string(++counter));
    std::filesystem::remove_all(FPath);
    std::filesystem::create_directories(FPath);
  }
  ~TFileTestDir() {
    std::error_code ignored;
    std::filesystem::remove_all(FPath, ignored);
  }
  TFileTestDir(const TFileTestDir&) = delete;
  TFileTestDir& operator=(const TFileTestDir&) = delete;

  std::string Path() const { return FPath.string(); }
  // The full name of `name` inside the directory.
  std::string File(const std::string& name) const { return (FPath / name).string(); }

 private:
  std::filesystem::path FPath;
};

// Creates or replaces a file with `text`.
inline void WriteFile(const std::string& name, const std::string& text) {
  TFileStream f(name, fmCreate);
  f.WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
}

// The whole contents of a file.
inline std::string ReadFile(const std::string& name) {
  TFileStream f(name, fmOpenRead | fmShareDenyNone);
  std::string text(static_cast<std::size_t>(f.Size()), '\0');
  f.ReadBuffer(text.data(), f.Size());
  return text;
}
