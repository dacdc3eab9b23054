#include "platform/base/file_utils.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

thread_local std::string gLastFileError;

bool Succeed() {
  gLastFileError.clear();
  return true;
}

bool Fail(std::string reason) {
  gLastFileError = std::move(reason);
  return false;
}

bool FailErrno(int error) { return Fail(SystemErrorText(error)); }

// The position of the extension's dot in a normalised path, or npos.
std::size_t ExtensionDot(const std::string& path) {
  const std::size_t dot = path.rfind('.');
  const std::size_t slash = path.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
    return std::string::npos;
  return dot;
}

bool Stat(const std::string& path, struct stat& st) {
  return ::stat(NormalizePathSeparators(path).c_str(), &st) == 0;
}

}  // namespace

std::string NormalizePathSeparators(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

const std::string& LastFileError() { return gLastFileError; }

std::string SystemErrorText(int error) {
  switch (error) {
    case ENOENT:
      return "Файл не найден.";
    case EACCES:
    case EPERM:
      return "Нет доступа к файлу.";
    case EEXIST:
      return "Файл уже существует.";
    case EISDIR:
      return "Это папка, а не файл.";
    case ENOTDIR:
      return "Папка не найдена.";
    case ENOSPC:
    case EDQUOT:
      return "На диске нет места.";
    case EFBIG:
      return "Файл слишком велик.";
    case EROFS:
      return "Диск доступен только для чтения.";
    case EBUSY:
    case ETXTBSY:
    case EAGAIN:
      return "Файл занят другим пользователем или программой.";
    case ENAMETOOLONG:
      return "Слишком длинное имя файла.";
    case EMFILE:
    case ENFILE:
      return "Открыто слишком много файлов.";
    case EIO:
      return "Ошибка ввода-вывода.";
    case EINVAL:
      return "Недопустимый файл.";
  }
  return "Системная ошибка " + std::to_string(error) + ".";
}

// --- names -------------------------------------------------------------------

std::string ChangeFileExt(const std::string& path, const std::string& ext) {
  std::string p = NormalizePathSeparators(path);
  return p.substr(0, ExtensionDot(p)) + ext;
}

std::string ExtractFileName(const std::string& path) {
  const std::string p = NormalizePathSeparators(path);
  const std::size_t slash = p.rfind('/');
  return slash == std::string::npos ? p : p.substr(slash + 1);
}

std::string ExtractFilePath(const std::string& path) {
  const std::string p = NormalizePathSeparators(path);
  const std::size_t slash = p.rfind('/');
  return slash == std::string::npos ? std::string() : p.substr(0, slash + 1);
}

std::string ExtractFileExt(const std::string& path) {
  const std::string p = NormalizePathSeparators(path);
  const std::size_t dot = ExtensionDot(p);
  return dot == std::string::npos ? std::string() : p.substr(dot);
}

std::string ExtractFileDir(const std::string& path) {
  const std::string p = NormalizePathSeparators(path);
  const std::size_t slash = p.rfind('/');
  if (slash == std::string::npos) return {};
  // The separator stays when it is the root (or follows another one).
  if (slash > 0 && p[slash - 1] != '/') return p.substr(0, slash);
  return p.substr(0, slash + 1);
}

std::string IncludeTrailingPathDelimiter(const std::string& path) {
  std::string p = NormalizePathSeparators(path);
  if (p.empty() || p.back() != '/') p += '/';
  return p;
}

std::string ExcludeTrailingPathDelimiter(const std::string& path) {
  std::string p = NormalizePathSeparators(path);
  if (!p.empty() && p.back() == '/') p.pop_back();
  return p;
}

std::string ExpandFileName(const std::string& path) {
  if (path.empty()) return {};
  const std::string name = NormalizePathSeparators(path);
  fs::path p(name);
  if (p.is_relative()) {
    std::error_code ec;
    const fs::path current = fs::current_path(ec);
    if (!ec) p = current / p;
  }
  std::string result = p.lexically_normal().string();
  // "/x/a/.." normalises to "/x/"; the name of a directory has no separator
  // at its end unless it was given with one.
  if (name.back() != '/' && result.size() > 1 && result.back() == '/') result.pop_back();
  return result;
}

// --- the file system -----------------------------------------------------------

bool FileExists(const std::string& path) {
  struct stat st {};
  return Stat(path, st) && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat st {};
  return Stat(path, st) && S_ISDIR(st.st_mode);
}

bool ForceDirectories(const std::string& path) {
  const std::string p = NormalizePathSeparators(path);
  if (p.empty()) return FailErrno(ENOENT);
  std::error_code ec;
  fs::create_directories(p, ec);
  if (DirectoryExists(p)) return Succeed();
  return ec ? Fail(ec.message()) : FailErrno(ENOTDIR);
}

bool DeleteFile(const std::string& path) {
  if (::unlink(NormalizePathSeparators(path).c_str()) != 0) return FailErrno(errno);
  return Succeed();
}

bool RenameFile(const std::string& oldName, const std::string& newName) {
  const std::string from = NormalizePathSeparators(oldName);
  const std::string to = NormalizePathSeparators(newName);
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
    return Succeed();
  if (errno != EINVAL && errno != ENOSYS) return FailErrno(errno);
  // The file system cannot refuse by itself: check, then rename.
  struct stat st {};
  if (::lstat(to.c_str(), &st) == 0) return FailErrno(EEXIST);
  if (::rename(from.c_str(), to.c_str()) != 0) return FailErrno(errno);
  return Succeed();
}

bool CopyFile(const std::string& source, const std::string& dest, bool failIfExists) {
  const std::string from = NormalizePathSeparators(source);
  const std::string to = NormalizePathSeparators(dest);
  struct stat src {};
  if (::stat(from.c_str(), &src) != 0) return FailErrno(errno);
  if (!S_ISREG(src.st_mode)) return FailErrno(S_ISDIR(src.st_mode) ? EISDIR : EINVAL);
  struct stat dst {};
  if (::stat(to.c_str(), &dst) == 0) {
    if (failIfExists) return FailErrno(EEXIST);
    if (S_ISDIR(dst.st_mode)) return FailErrno(EISDIR);
    if (dst.st_dev == src.st_dev && dst.st_ino == src.st_ino)
      return Fail("Файл нельзя скопировать сам в себя.");
  }
  std::error_code ec;
  const auto options = failIfExists ? fs::copy_options::none : fs::copy_options::overwrite_existing;
  if (!fs::copy_file(from, to, options, ec) || ec) {
    // Whatever is at `to` now is a partial copy, unless someone else
    // created the file since the check above.
    if (ec != std::errc::file_exists) {
      std::error_code ignored;
      if (fs::is_regular_file(to, ignored)) fs::remove(to, ignored);
    }
    return Fail(ec ? SystemErrorText(ec.value()) : std::string("Файл не скопирован."));
  }
  std::error_code ignored;  // the copy is good without the time
  fs::last_write_time(to, fs::last_write_time(from, ignored), ignored);
  return Succeed();
}

std::string GetCurrentDir() {
  std::error_code ec;
  const fs::path current = fs::current_path(ec);
  return ec ? std::string() : current.string();
}

bool SetCurrentDir(const std::string& dir) {
  if (::chdir(NormalizePathSeparators(dir).c_str()) != 0) return FailErrno(errno);
  return Succeed();
}

double FileAge(const std::string& path) {
  struct stat st {};
  if (!Stat(path, st) || S_ISDIR(st.st_mode)) return -1;
  struct tm local {};
  const time_t seconds = st.st_mtim.tv_sec;
  if (localtime_r(&seconds, &local) == nullptr) return -1;
  constexpr double kSecondsPerDay = 86400.0;
  constexpr double kUnixEpoch = 25569.0;  // 01.01.1970 as a TDateTime
  const auto localSeconds = static_cast<double>(seconds + local.tm_gmtoff);
  return localSeconds / kSecondsPerDay + kUnixEpoch +
         static_cast<double>(st.st_mtim.tv_nsec) / (kSecondsPerDay * 1e9);
}

std::int64_t FileSize(const std::string& path) {
  struct stat st {};
  if (!Stat(path, st) || S_ISDIR(st.st_mode)) return -1;
  return st.st_size;
}

std::string ExecutablePath() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : exe.string();
}

std::string ExecutableDir() { return ExtractFilePath(ExecutablePath()); }

namespace {

std::vector<std::string> CommandLine() {
  std::vector<std::string> items;
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  std::string item;
  while (std::getline(in, item, '\0')) items.push_back(item);
  return items;
}

}  // namespace

int ParamCount() {
  const std::size_t count = CommandLine().size();
  return count == 0 ? 0 : static_cast<int>(count - 1);
}

std::string ParamStr(int index) {
  if (index == 0) return ExecutablePath();
  const std::vector<std::string> items = CommandLine();
  if (index < 0 || static_cast<std::size_t>(index) >= items.size()) return std::string();
  return items[static_cast<std::size_t>(index)];
}
