#include "platform/base/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <utility>

#include "platform/base/codepage.h"
#include "platform/base/exceptions.h"
#include "platform/base/file_utils.h"
#include "platform/base/number_format.h"
#include "platform/base/scope_guard.h"
#include "platform/base/string_list.h"
#include "platform/base/text.h"

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// A line break inside a name or value would start a new line of the file.
std::string OneLine(std::string_view s) {
  std::string result(s);
  for (char& c : result) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return result;
}

std::string Name(std::string_view s) { return Trim(OneLine(s)); }

// The value part of a key line as the profile rules read it.
std::string ValueOf(std::string_view line) {
  std::size_t eq = line.find('=');
  std::string value = Trim(line.substr(eq + 1));
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

// Quotes a value that reading would otherwise change: blanks at either end
// are trimmed and a pair of enclosing quotes removed on reading.
std::string EncodeValue(std::string_view value) {
  std::string result = OneLine(value);
  if (result.empty()) return result;
  bool quoted = result.size() >= 2 && result.front() == '"' && result.back() == '"';
  if (quoted || IsBlank(result.front()) || IsBlank(result.back())) result = '"' + result + '"';
  return result;
}

std::string ErrorText(int error) { return SystemErrorText(error); }

[[noreturn]] void ThrowOpenError(const std::string& path, int error) {
  throw EFOpenError("Не удается открыть файл \"" + path + "\". " + ErrorText(error));
}

[[noreturn]] void ThrowCreateError(const std::string& path, int error) {
  throw EFCreateError("Не удается создать файл \"" + path + "\". " + ErrorText(error));
}

[[noreturn]] void ThrowWriteError(const std::string& path, int error) {
  throw EInOutError("Не удается записать файл \"" + path + "\". " + ErrorText(error), error);
}

// Closes the descriptor and removes the temporary file unless released.
class TTempFile {
 public:
  TTempFile(int fd, std::string path) : FFd(fd), FPath(std::move(path)) {}
  ~TTempFile() {
    if (FFd >= 0) ::close(FFd);
    if (!FPath.empty()) ::unlink(FPath.c_str());
  }
  TTempFile(const TTempFile&) = delete;
  TTempFile& operator=(const TTempFile&) = delete;
  int Fd() const { return FFd; }
  const std::string& Path() const { return FPath; }
  // Closes the descriptor; returns errno on failure, else 0.
  int Close() {
    int fd = std::exchange(FFd, -1);
    return ::close(fd) == 0 ? 0 : errno;
  }
  void Release() { FPath.clear(); }

 private:
  int FFd;
  std::string FPath;
};

// Writes Data to Path through a temporary file beside it, synced and renamed
// over Path, so that readers see either the old file or the new one.
void WriteFileAtomically(const std::string& path, std::string_view data) {
  namespace fs = std::filesystem;
  std::error_code ec;
  // Write through a symbolic link rather than replace the link.
  fs::path target = path;
  if (fs::is_symlink(target, ec)) target = fs::weakly_canonical(target, ec);
  if (ec) target = path;

  struct stat existing {};
  bool exists = ::stat(target.c_str(), &existing) == 0;

  static std::atomic<unsigned> counter{0};
  fs::path dir = target.parent_path();
  std::string base = target.filename().string();
  int fd = -1;
  std::string tempPath;
  for (int attempt = 0; fd < 0; ++attempt) {
    tempPath = (dir / ("." + base + "." + std::to_string(::getpid()) + "." +
                       std::to_string(counter++) + ".tmp"))
                   .string();
    fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && (errno != EEXIST || attempt > 100)) ThrowCreateError(path, errno);
  }
  TTempFile temp(fd, tempPath);
  if (exists) ::fchmod(fd, existing.st_mode & 07777);

  const char* p = data.data();
  std::size_t left = data.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowWriteError(path, errno);
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  if (::fsync(fd) != 0) ThrowWriteError(path, errno);
  if (int error = temp.Close()) ThrowWriteError(path, error);
  if (::rename(temp.Path().c_str(), target.c_str()) != 0) ThrowWriteError(path, errno);
  temp.Release();

  // Make the rename itself durable; the data is already safe, so a folder
  // that cannot be synced is not an error.
  int dirFd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
}

}  // namespace

TIniFile::TIniFile(std::string FileName) : FFileName(std::move(FileName)) { Load(); }

// --- Reading the file ---------------------------------------------------------

TIniFile::TFileStamp TIniFile::Stamp() const {
  TFileStamp stamp;
  struct stat st {};
  if (::stat(FFileName.c_str(), &st) != 0) {
    // Unreadable for another reason than absence: force a reload, which
    // reports the error.
    if (errno != ENOENT && errno != ENOTDIR) stamp.Inode = ~0ull;
    return stamp;
  }
  stamp.Exists = true;
  stamp.Device = st.st_dev;
  stamp.Inode = st.st_ino;
  stamp.Size = static_cast<unsigned long long>(st.st_size);
  stamp.ModifiedSec = st.st_mtim.tv_sec;
  stamp.ModifiedNsec = st.st_mtim.tv_nsec;
  return stamp;
}

void TIniFile::Refresh() const {
  if (Stamp() != FStamp) Load();
}

void TIniFile::Load() const {
  TFileStamp stamp = Stamp();
  std::string bytes;
  if (stamp.Exists || stamp.Inode != 0) {
    int fd = ::open(FFileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      if (errno != ENOENT && errno != ENOTDIR) ThrowOpenError(FFileName, errno);
      stamp = TFileStamp();
    } else {
      char buffer[16384];
      for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
          int error = errno;
          ::close(fd);
          ThrowOpenError(FFileName, error);
        }
        if (n == 0) break;
        bytes.append(buffer, static_cast<std::size_t>(n));
      }
      ::close(fd);
    }
  }

  std::string text = Win1251ToUtf8(bytes);
  std::vector<TLine> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    TLine line;
    line.Text = text.substr(start, end - start);
    std::string trimmed = Trim(line.Text);
    if (!trimmed.empty() && trimmed.front() == '[') {
      std::size_t close = trimmed.find(']');
      line.Kind = TLine::Kind::Section;
      line.Name = Trim(std::string_view(trimmed).substr(
          1, close == std::string::npos ? std::string::npos : close - 1));
    } else if (!trimmed.empty() && trimmed.front() != ';' &&
               trimmed.find('=') != std::string::npos) {
      line.Kind = TLine::Kind::Key;
      line.Name = Trim(std::string_view(trimmed).substr(0, trimmed.find('=')));
    }
    lines.push_back(std::move(line));
    start = end + 1;
    if (end < text.size() && text[end] == '\r' && start < text.size() && text[start] == '\n') {
      ++start;
    }
  }
  FLines = std::move(lines);
  FStamp = stamp;
}

int TIniFile::FindSection(std::string_view Section) const {
  std::string name = Name(Section);
  for (int i = 0, n = static_cast<int>(FLines.size()); i < n; ++i) {
    if (FLines[i].Kind == TLine::Kind::Section && AnsiSameText(FLines[i].Name, name)) return i;
  }
  return -1;
}

int TIniFile::SectionEnd(int SectionIndex) const {
  int i = SectionIndex + 1;
  while (i < static_cast<int>(FLines.size()) && FLines[i].Kind != TLine::Kind::Section) ++i;
  return i;
}

int TIniFile::FindKey(int SectionIndex, std::string_view Ident) const {
  std::string name = Name(Ident);
  for (int i = SectionIndex + 1, end = SectionEnd(SectionIndex); i < end; ++i) {
    if (FLines[i].Kind == TLine::Kind::Key && AnsiSameText(FLines[i].Name, name)) return i;
  }
  return -1;
}

const TIniFile::TLine* TIniFile::FindKeyLine(std::string_view Section,
                                             std::string_view Ident) const {
  Refresh();
  int section = FindSection(Section);
  if (section < 0) return nullptr;
  int key = FindKey(section, Ident);
  return key < 0 ? nullptr : &FLines[key];
}

// --- Reads ---------------------------------------------------------------------

std::string TIniFile::ReadString(std::string_view Section, std::string_view Ident,
                                 std::string_view Default) const {
  const TLine* line = FindKeyLine(Section, Ident);
  return line ? ValueOf(line->Text) : std::string(Default);
}

int TIniFile::ReadInteger(std::string_view Section, std::string_view Ident, int Default) const {
  // StrToIntDef takes "$" and "0x" hex, as the classic INI reader did.
  return StrToIntDef(ReadString(Section, Ident, ""), Default);
}

bool TIniFile::ReadBool(std::string_view Section, std::string_view Ident, bool Default) const {
  return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

TDateTime TIniFile::ReadDate(std::string_view Section, std::string_view Ident,
                             TDateTime Default) const {
  std::string text = ReadString(Section, Ident, "");
  if (text.empty()) return Default;
  TDateTime result;
  return TryStrToDate(text, result) ? result : Default;
}

TDateTime TIniFile::ReadDateTime(std::string_view Section, std::string_view Ident,
                                 TDateTime Default) const {
  std::string text = ReadString(Section, Ident, "");
  if (text.empty()) return Default;
  TDateTime result;
  return TryStrToDateTime(text, result) ? result : Default;
}

double TIniFile::ReadFloat(std::string_view Section, std::string_view Ident, double Default) const {
  std::string text = ReadString(Section, Ident, "");
  if (text.empty()) return Default;
  double result;
  return TryStrToFloat(text, result) ? result : Default;
}

void TIniFile::ReadSection(std::string_view Section, TStrings& Strings) const {
  Refresh();
  TUpdateGuard update(Strings);
  Strings.Clear();
  int section = FindSection(Section);
  if (section >= 0) {
    for (int i = section + 1, end = SectionEnd(section); i < end; ++i) {
      if (FLines[i].Kind == TLine::Kind::Key) Strings.Add(FLines[i].Name);
    }
  }
}

void TIniFile::ReadSections(TStrings& Strings) const {
  Refresh();
  std::vector<std::string_view> seen;
  TUpdateGuard update(Strings);
  Strings.Clear();
  for (const TLine& line : FLines) {
    if (line.Kind != TLine::Kind::Section) continue;
    bool known = false;
    for (std::string_view name : seen) known = known || AnsiSameText(name, line.Name);
    if (known) continue;
    seen.push_back(line.Name);
    Strings.Add(line.Name);
  }
}

void TIniFile::ReadSectionValues(std::string_view Section, TStrings& Strings) const {
  Refresh();
  TUpdateGuard update(Strings);
  Strings.Clear();
  int section = FindSection(Section);
  if (section >= 0) {
    for (int i = section + 1, end = SectionEnd(section); i < end; ++i) {
      if (FLines[i].Kind == TLine::Kind::Key) {
        Strings.Add(FLines[i].Name + "=" + ValueOf(FLines[i].Text));
      }
    }
  }
}

bool TIniFile::SectionExists(std::string_view Section) const {
  Refresh();
  return FindSection(Section) >= 0;
}

bool TIniFile::ValueExists(std::string_view Section, std::string_view Ident) const {
  return FindKeyLine(Section, Ident) != nullptr;
}

// --- Writes --------------------------------------------------------------------

void TIniFile::Save() {
  std::string text;
  for (const TLine& line : FLines) {
    text += line.Text;
    text += "\r\n";
  }
  WriteFileAtomically(FFileName, Utf8ToWin1251(text));
  FStamp = Stamp();
}

void TIniFile::WriteString(std::string_view Section, std::string_view Ident,
                           std::string_view Value) {
  Refresh();
  std::vector<TLine> before = FLines;
  std::string ident = Name(Ident);
  TLine keyLine{ident + "=" + EncodeValue(Value), TLine::Kind::Key, ident};

  int section = FindSection(Section);
  if (section < 0) {
    if (!FLines.empty() && !Trim(FLines.back().Text).empty()) FLines.push_back(TLine{});
    std::string name = Name(Section);
    FLines.push_back(TLine{"[" + name + "]", TLine::Kind::Section, name});
    FLines.push_back(std::move(keyLine));
  } else if (int key = FindKey(section, Ident); key >= 0) {
    FLines[key] = std::move(keyLine);
  } else {
    // After the section's last key (or other content), so that blank lines
    // and comments leading into the next section stay with it.
    int at = section;
    for (int i = section + 1, end = SectionEnd(section); i < end; ++i) {
      std::string trimmed = Trim(FLines[i].Text);
      if (!trimmed.empty() && trimmed.front() != ';') at = i;
    }
    FLines.insert(FLines.begin() + at + 1, std::move(keyLine));
  }

  try {
    Save();
  } catch (...) {
    FLines = std::move(before);
    throw;
  }
}

void TIniFile::WriteInteger(std::string_view Section, std::string_view Ident, int Value) {
  WriteString(Section, Ident, IntToStr(Value));
}

void TIniFile::WriteBool(std::string_view Section, std::string_view Ident, bool Value) {
  WriteString(Section, Ident, Value ? "1" : "0");
}

void TIniFile::WriteDate(std::string_view Section, std::string_view Ident, TDateTime Value) {
  WriteString(Section, Ident, DateToStr(Value));
}

void TIniFile::WriteDateTime(std::string_view Section, std::string_view Ident, TDateTime Value) {
  WriteString(Section, Ident, DateTimeToStr(Value));
}

void TIniFile::WriteFloat(std::string_view Section, std::string_view Ident, double Value) {
  WriteString(Section, Ident, FloatToStr(Value));
}

void TIniFile::EraseSection(std::string_view Section) {
  Refresh();
  std::vector<TLine> before = FLines;
  bool erased = false;
  for (int section; (section = FindSection(Section)) >= 0; erased = true) {
    FLines.erase(FLines.begin() + section, FLines.begin() + SectionEnd(section));
  }
  if (!erased) return;
  try {
    Save();
  } catch (...) {
    FLines = std::move(before);
    throw;
  }
}

void TIniFile::DeleteKey(std::string_view Section, std::string_view Ident) {
  Refresh();
  int section = FindSection(Section);
  int key = section < 0 ? -1 : FindKey(section, Ident);
  if (key < 0) return;
  std::vector<TLine> before = FLines;
  FLines.erase(FLines.begin() + key);
  try {
    Save();
  } catch (...) {
    FLines = std::move(before);
    throw;
  }
}
