#include "platform/base/file_utils.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <ctime>
#include <functional>
#include <string>

#include "file_test_dir.h"
#include "platform/base/file_stream.h"

namespace {

// Restores the current directory at the end of a test.
class TCurrentDirSaver {
 public:
  TCurrentDirSaver() : FDir(GetCurrentDir()) {}
  ~TCurrentDirSaver() { SetCurrentDir(FDir); }

 private:
  std::string FDir;
};

}  // namespace

TEST(FileUtils, NameHelpers) {
  using Fn = std::function<std::string(const std::string&)>;
  const auto change = [](const std::string& ext) {
    return Fn([ext](const std::string& p) { return ChangeFileExt(p, ext); });
  };
  struct Case {
    const char* what;
    Fn fn;
    const char* in;
    const char* out;
  };
  const Case cases[] = {
      {"ChangeFileExt", change(".001"), "a.b/c", "a.b/c.001"},
      {"ChangeFileExt", change(".001"), "a.b/c.dbf", "a.b/c.001"},
      {"ChangeFileExt", change(".bak"), "template\\rsrt1.frf", "template/rsrt1.bak"},
      {"ChangeFileExt", change(""), "x.tar.gz", "x.tar"},
      {"ChangeFileExt", change(".ini"), "/dir/.hidden", "/dir/.ini"},
      {"ExtractFileName", ExtractFileName, "/a/b/c.dbf", "c.dbf"},
      {"ExtractFileName", ExtractFileName, "dir\\file.txt", "file.txt"},
      {"ExtractFileName", ExtractFileName, "plain", "plain"},
      {"ExtractFileName", ExtractFileName, "/a/b/", ""},
      {"ExtractFilePath", ExtractFilePath, "/a/b/c.dbf", "/a/b/"},
      {"ExtractFilePath", ExtractFilePath, "template\\rsrt1.frf", "template/"},
      {"ExtractFilePath", ExtractFilePath, "plain", ""},
      {"ExtractFileExt", ExtractFileExt, "/a/b/c.dbf", ".dbf"},
      {"ExtractFileExt", ExtractFileExt, "a.b/c", ""},
      {"ExtractFileExt", ExtractFileExt, "c.", "."},
      {"ExtractFileDir", ExtractFileDir, "/a/b/c.dbf", "/a/b"},
      {"ExtractFileDir", ExtractFileDir, "/c.dbf", "/"},
      {"ExtractFileDir", ExtractFileDir, "c.dbf", ""},
      {"ExtractFileDir", ExtractFileDir, "a\\b\\c", "a/b"},
      {"IncludeTrailingPathDelimiter", IncludeTrailingPathDelimiter, "/a", "/a/"},
      {"IncludeTrailingPathDelimiter", IncludeTrailingPathDelimiter, "/a/", "/a/"},
      {"IncludeTrailingPathDelimiter", IncludeTrailingPathDelimiter, "a\\", "a/"},
      {"IncludeTrailingPathDelimiter", IncludeTrailingPathDelimiter, "", "/"},
      {"ExcludeTrailingPathDelimiter", ExcludeTrailingPathDelimiter, "/a/", "/a"},
      {"ExcludeTrailingPathDelimiter", ExcludeTrailingPathDelimiter, "/a", "/a"},
      {"ExpandFileName", ExpandFileName, "/a/./b/../c", "/a/c"},
      {"ExpandFileName", ExpandFileName, "\\a\\b\\..\\c.txt", "/a/c.txt"},
      {"ExpandFileName", ExpandFileName, "/a/b/..", "/a"},
      {"ExpandFileName", ExpandFileName, "/a/b/", "/a/b/"},
      {"ExpandFileName", ExpandFileName, "/..", "/"},
      {"ExpandFileName", ExpandFileName, "", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(c.fn(c.in), c.out) << c.what << "(\"" << c.in << "\")";
}

TEST(FileUtils, CurrentDirectoryAndExpand) {
  TFileTestDir dir;
  TCurrentDirSaver saver;
  ASSERT_TRUE(SetCurrentDir(dir.Path()));
  EXPECT_EQ(GetCurrentDir(), dir.Path());
  EXPECT_EQ(ExpandFileName("sub/../data\\x.dbf"), dir.File("data/x.dbf"));
  EXPECT_EQ(ExpandFileName("."), dir.Path());
  EXPECT_FALSE(SetCurrentDir(dir.File("missing")));
  EXPECT_EQ(LastFileError(), "Файл не найден.");
}

TEST(FileUtils, FilesAndDirectories) {
  TFileTestDir dir;
  const std::string deep = dir.File("a/b/c");
  EXPECT_FALSE(DirectoryExists(deep));
  EXPECT_TRUE(ForceDirectories(dir.Path() + "\\a\\b\\c"));
  EXPECT_TRUE(DirectoryExists(deep));
  EXPECT_FALSE(FileExists(deep));
  EXPECT_TRUE(ForceDirectories(deep));  // already there

  const std::string file = dir.File("a/data.dbf");
  WriteFile(file, "12345");
  EXPECT_TRUE(FileExists(file));
  EXPECT_FALSE(DirectoryExists(file));
  EXPECT_EQ(FileSize(file), 5);
  EXPECT_EQ(FileSize(dir.File("none")), -1);
  EXPECT_EQ(FileSize(deep), -1);
  EXPECT_FALSE(ForceDirectories(file + "/sub"));
  EXPECT_FALSE(LastFileError().empty());

  // Renaming refuses to replace an existing file.
  const std::string other = dir.File("a/other.dbf");
  WriteFile(other, "other");
  EXPECT_FALSE(RenameFile(file, other));
  EXPECT_EQ(LastFileError(), "Файл уже существует.");
  EXPECT_EQ(ReadFile(other), "other");
  EXPECT_TRUE(DeleteFile(other));
  EXPECT_FALSE(FileExists(other));
  EXPECT_TRUE(RenameFile(file, other));
  EXPECT_EQ(LastFileError(), "");
  EXPECT_EQ(ReadFile(other), "12345");

  EXPECT_FALSE(DeleteFile(other + ".none"));
  EXPECT_EQ(LastFileError(), "Файл не найден.");
  EXPECT_FALSE(DeleteFile(deep));
}

TEST(FileUtils, CopyFile) {
  TFileTestDir dir;
  const std::string source = dir.File("source.dbf");
  const std::string dest = dir.File("dest.dbf");
  WriteFile(source, "new");
  WriteFile(dest, "old");

  EXPECT_FALSE(CopyFile(source, dest, true));
  EXPECT_EQ(LastFileError(), "Файл уже существует.");
  EXPECT_EQ(ReadFile(dest), "old");

  EXPECT_TRUE(CopyFile(source, dest, false));
  EXPECT_EQ(ReadFile(dest), "new");
  EXPECT_EQ(FileAge(dest), FileAge(source));

  EXPECT_FALSE(CopyFile(dir.File("missing.dbf"), dest, false));
  EXPECT_EQ(LastFileError(), "Файл не найден.");
  EXPECT_EQ(ReadFile(dest), "new");  // a missing source leaves dest alone
  EXPECT_FALSE(CopyFile(source, source, false));
  EXPECT_EQ(ReadFile(source), "new");
  EXPECT_FALSE(CopyFile(source, dir.File("no/dir/x.dbf"), false));
  EXPECT_TRUE(CopyFile(dir.Path() + "\\source.dbf", dir.Path() + "\\copy.dbf", true));
  EXPECT_EQ(ReadFile(dir.File("copy.dbf")), "new");
}

TEST(FileUtils, FileAgeIsLocalTDateTime) {
  TFileTestDir dir;
  const std::string file = dir.File("aged.txt");
  WriteFile(file, "x");
  struct tm local {};
  local.tm_year = 2020 - 1900;
  local.tm_mon = 0;
  local.tm_mday = 2;
  local.tm_hour = 18;
  local.tm_isdst = -1;
  const struct timespec times[2] = {{mktime(&local), 0}, {mktime(&local), 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
  EXPECT_DOUBLE_EQ(FileAge(file), 43832.75);  // 02.01.2020 18:00
  EXPECT_EQ(FileAge(dir.File("missing")), -1);
  EXPECT_EQ(FileAge(dir.Path()), -1);
}

TEST(FileUtils, ExecutablePath) {
  EXPECT_EQ(ExtractFileName(ExecutablePath()), "platform_base_tests");
  EXPECT_EQ(ExecutableDir(), ExtractFilePath(ExecutablePath()));
  EXPECT_TRUE(DirectoryExists(ExecutableDir()));
  EXPECT_EQ(ExecutableDir().back(), '/');
  EXPECT_EQ(ParamStr(0), ExecutablePath());
  // ctest and a hand run pass different options; the count and the
  // strings must agree either way.
  ASSERT_GE(ParamCount(), 0);
  for (int i = 1; i <= ParamCount(); ++i) EXPECT_FALSE(ParamStr(i).empty()) << i;
  EXPECT_EQ(ParamStr(ParamCount() + 1), "");
  EXPECT_EQ(ParamStr(-1), "");
}

TEST(FileUtils, SystemErrorsReadInRussianWithOneFullStop) {
  struct Case {
    int Error;
    const char* Text;
  } cases[] = {
      {ENOSPC, "На диске нет места."},  {EDQUOT, "На диске нет места."},
      {EFBIG, "Файл слишком велик."},   {EIO, "Ошибка ввода-вывода."},
      {EACCES, "Нет доступа к файлу."}, {ENOENT, "Файл не найден."},
      {EXDEV, "Системная ошибка 18."},
  };
  for (const Case& c : cases) EXPECT_EQ(SystemErrorText(c.Error), c.Text) << c.Error;
}
