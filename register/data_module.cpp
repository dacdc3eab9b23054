#include "register/data_module.h"

#include <unistd.h>

#include <cstdlib>

#include "platform/base/clock.h"
#include "platform/base/file_utils.h"
#include "platform/base/format_settings.h"
#include "platform/base/ini_file.h"
#include "platform/base/string_list.h"
#include "platform/base/text.h"
#include "register/utils.h"

TDM* DM = nullptr;

namespace {
constexpr const char* kLpuSection = "LPU";
constexpr int kMaxValueLength = 250;
}  // namespace

void ApplyStartupFormatSettings() {
  FormatSettings.DateSeparator = '.';
  FormatSettings.DecimalSeparator = '.';
  FormatSettings.ShortDateFormat = "dd.mm.yyyy";
}

namespace {
std::string& IniFileNameOverride() {
  static std::string path;
  return path;
}
}  // namespace

namespace {
bool ProgramFolderWritable() { return ::access(ExecutableDir().c_str(), W_OK) == 0; }

std::string UserFolder(const char* variable, const char* fallback) {
  const char* value = std::getenv(variable);
  if (value != nullptr && *value != 0) return std::string(value) + "/mebrath/";
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : "") + fallback + "/mebrath/";
}
}  // namespace

std::string IniFileName() {
  const std::string& path = IniFileNameOverride();
  if (!path.empty()) return path;
  if (ProgramFolderWritable()) return ChangeFileExt(ExecutablePath(), ".ini");
  const std::string folder = UserFolder("XDG_CONFIG_HOME", "/.config");
  ForceDirectories(folder);
  return folder + ExtractFileName(ChangeFileExt(ExecutablePath(), ".ini"));
}

std::string OutFolder() {
  const std::string folder = ProgramFolderWritable()
                                 ? ExecutableDir() + "OUT"
                                 : UserFolder("XDG_DATA_HOME", "/.local/share") + "OUT";
  ForceDirectories(folder);
  return folder;
}

void SetIniFileName(std::string path) { IniFileNameOverride() = std::move(path); }

TDM::TDM(TComponent* owner) : TDataModule(owner) {}

void TDM::AfterConstruction() {
  // A clock at or before the start of 2006 is plainly wrong: every date
  // check of the register would misjudge, so the program does not start.
  if (Now() <= EncodeDate(2006, 1, 1)) {
    ShowError(
        "Не верно установлена системная дата на компьютере!\r\nДальнейшая работа невозможна!");
    Halt(0);
  }
  LoadLpu();
  TDataModule::AfterConstruction();
}

void TDM::LoadLpu() {
  FLpu.clear();
  TStringList lines;
  TIniFile(IniFileName()).ReadSectionValues(kLpuSection, lines);
  for (int i = 0; i < lines.Count(); ++i) {
    const std::string& line = lines[i];
    const int p = Pos("=", line);
    if (p <= 0) {
      continue;
    }
    FLpu.push_back(
        {AnsiUpperCase(Trim(Copy(line, 1, p - 1))), Trim(Copy(line, p + 1, kMaxValueLength))});
  }
}

void TDM::SaveLpu() {
  TIniFile ini(IniFileName());
  for (const TLpuValue& v : FLpu) {
    ini.WriteString(kLpuSection, v.Key, v.Value);
  }
}

int TDM::IndexOfKey(const std::string& key) const {
  const std::string upper = AnsiUpperCase(key);
  for (std::size_t i = 0; i < FLpu.size(); ++i) {
    if (FLpu[i].Key == upper) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

std::string TDM::GetValue(const std::string& key) const {
  const int i = IndexOfKey(key);
  return i < 0 ? std::string() : FLpu[i].Value;
}

void TDM::SetValue(const std::string& key, const std::string& value) {
  const int i = IndexOfKey(key);
  if (i >= 0) {
    FLpu[i].Value = value;
  } else {
    FLpu.push_back({AnsiUpperCase(key), value});
  }
}
