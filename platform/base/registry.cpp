#include "platform/base/registry.h"

#include <pwd.h>
#include <unistd.h>

#include <charconv>
#include <cstdlib>
#include <filesystem>

#include "platform/base/ini_file.h"
#include "platform/base/string_list.h"
#include "platform/base/text.h"

namespace {

constexpr std::string_view kIntegerKind = "int:";
constexpr std::string_view kStringKind = "str:";

std::string& StorePathOverride() {
  static std::string path;
  return path;
}

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) return entry->pw_dir;
  return ".";
}

// Key paths joined with single backslashes, no backslash at either end.
std::string NormalizePath(std::string_view path) {
  std::string result;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) {
      if (!result.empty()) result += '\\';
      result += path.substr(start, end - start);
    }
    start = end + 1;
  }
  return result;
}

// Path itself or one of its subkeys.
bool IsKeyOrSubkey(std::string_view section, std::string_view path) {
  if (AnsiSameText(section, path)) return true;
  if (section.size() <= path.size() || section[path.size()] != '\\') return false;
  return AnsiSameText(section.substr(0, path.size()), path);
}

[[noreturn]] void ThrowNoData(std::string_view name) {
  throw ERegistryException("Не удалось прочитать значение '" + std::string(name) + "' из настроек");
}

[[noreturn]] void ThrowBadType(std::string_view name) {
  throw ERegistryException("Неверный тип значения '" + std::string(name) + "' в настройках");
}

}  // namespace

void SetSettingsStorePath(std::string Path) { StorePathOverride() = std::move(Path); }

std::string SettingsStorePath() {
  if (!StorePathOverride().empty()) return StorePathOverride();
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string folder = config && *config ? config : HomeFolder() + "/.config";
  return folder + "/mebrath/registry.ini";
}

TRegistry::TRegistry() : FStorePath(SettingsStorePath()) {}

TRegistry::~TRegistry() = default;

TIniFile& TRegistry::Store() const {
  if (!FStore) FStore = std::make_unique<TIniFile>(FStorePath);
  return *FStore;
}

std::string TRegistry::Resolve(std::string_view Key) const {
  if (!Key.empty() && Key.front() == '\\') return NormalizePath(Key);
  return NormalizePath(FCurrentPath + "\\" + std::string(Key));
}

bool TRegistry::OpenKey(std::string_view Key, bool CanCreate) {
  std::string path = Resolve(Key);
  if (!CanCreate && !KeyExists("\\" + path)) return false;
  FCurrentPath = std::move(path);
  return true;
}

void TRegistry::CloseKey() { FCurrentPath.clear(); }

bool TRegistry::KeyExists(std::string_view Key) const {
  std::string path = Resolve(Key);
  if (path.empty()) return true;
  TStringList sections;
  Store().ReadSections(sections);
  for (int i = 0; i < sections.Count(); ++i) {
    if (IsKeyOrSubkey(sections.StringRef(i), path)) return true;
  }
  return false;
}

bool TRegistry::DeleteKey(std::string_view Key) {
  std::string path = Resolve(Key);
  if (path.empty()) return false;
  TStringList sections;
  Store().ReadSections(sections);
  bool deleted = false;
  for (int i = 0; i < sections.Count(); ++i) {
    if (IsKeyOrSubkey(sections.StringRef(i), path)) {
      Store().EraseSection(sections.StringRef(i));
      deleted = true;
    }
  }
  return deleted;
}

bool TRegistry::ValueExists(std::string_view Name) const {
  return Store().ValueExists(FCurrentPath, Name);
}

int TRegistry::ReadInteger(std::string_view Name) const {
  if (!ValueExists(Name)) ThrowNoData(Name);
  std::string data = Store().ReadString(FCurrentPath, Name, "");
  if (!data.starts_with(kIntegerKind)) ThrowBadType(Name);
  int value = 0;
  const char* first = data.data() + kIntegerKind.size();
  const char* last = data.data() + data.size();
  auto [end, error] = std::from_chars(first, last, value);
  if (error != std::errc() || end != last || first == last) ThrowBadType(Name);
  return value;
}

bool TRegistry::ReadBool(std::string_view Name) const { return ReadInteger(Name) != 0; }

std::string TRegistry::ReadString(std::string_view Name) const {
  if (!ValueExists(Name)) return "";
  std::string data = Store().ReadString(FCurrentPath, Name, "");
  if (data.starts_with(kIntegerKind)) ThrowBadType(Name);
  if (data.starts_with(kStringKind)) return data.substr(kStringKind.size());
  return data;  // written by hand, without a kind
}

void TRegistry::Write(std::string_view Name, std::string_view Kind, std::string_view Data) {
  // The folder may be missing on first use; if it cannot be made, the
  // write below reports the failure.
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(FStorePath).parent_path(), ignored);
  Store().WriteString(FCurrentPath, Name, std::string(Kind) + std::string(Data));
}

void TRegistry::WriteInteger(std::string_view Name, int Value) {
  Write(Name, kIntegerKind, IntToStr(Value));
}

void TRegistry::WriteBool(std::string_view Name, bool Value) {
  Write(Name, kIntegerKind, Value ? "1" : "0");
}

void TRegistry::WriteString(std::string_view Name, std::string_view Value) {
  Write(Name, kStringKind, Value);
}
