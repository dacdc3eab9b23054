#include "register/data_module.h"

#include "platform/base/clock.h"
#include "platform/base/file_utils.h"
#include "platform/base/format_settings.h"
#include "platform/base/ini_file.h"
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

std::string IniFileName() {
  const std::string& path = IniFileNameOverride();
  return path.empty() ? ChangeFileExt(ExecutablePath(), ".ini") : path;
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
  FKeys.Clear();
  FValues.Clear();
  TStringList lines;
  TIniFile(IniFileName()).ReadSectionValues(kLpuSection, lines);
  for (int i = 0; i < lines.Count(); ++i) {
    const std::string& line = lines[i];
    const int p = Pos("=", line);
    if (p <= 0) {
      continue;  // keeps the two lists in step
    }
    FKeys.Add(AnsiUpperCase(Trim(Copy(line, 1, p - 1))));
    FValues.Add(Trim(Copy(line, p + 1, kMaxValueLength)));
  }
}

void TDM::SaveLpu() {
  TIniFile ini(IniFileName());
  for (int i = 0; i < FKeys.Count(); ++i) {
    ini.WriteString(kLpuSection, FKeys[i], FValues[i]);
  }
}

int TDM::IndexOfKey(const std::string& key) const {
  const std::string upper = AnsiUpperCase(key);
  for (int i = 0; i < FKeys.Count(); ++i) {
    if (FKeys[i] == upper) {
      return i;
    }
  }
  return -1;
}

std::string TDM::GetValue(const std::string& key) const {
  const int i = IndexOfKey(key);
  return i < 0 ? std::string() : FValues[i];
}

void TDM::SetValue(const std::string& key, const std::string& value) {
  const int i = IndexOfKey(key);
  if (i >= 0) {
    FValues.SetStrings(i, value);
  } else {
    FKeys.Add(AnsiUpperCase(key));
    FValues.Add(value);
  }
}
