#include "register/data_module.h"

#include <unistd.h>

#include <cstdlib>

#include "platform/base/clock.h"
#include "platform/base/file_utils.h"
#include "platform/base/ini_file.h"
#include "platform/base/string_list.h"
#include "platform/base/text.h"
#include "platform/draw/bitmap.h"
#include "platform/draw/canvas.h"
#include "register/halt.h"
#include "register/message_boxes.h"

TDM* DM = nullptr;

namespace {
constexpr const char* kLpuSection = "LPU";
constexpr int kMaxValueLength = 250;
}  // namespace

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

void TDM::BeforeDestruction() {
  if (DM == this) DM = nullptr;
  TDataModule::BeforeDestruction();
}

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
  BuildImages();
  TDataModule::AfterConstruction();
}

namespace {
// One 16 x 16 picture from rows of characters: "#" in `color`, "o" in
// `light`, anything else transparent.
void AddGlyph(TImageList& list, const char* const (&rows)[16], TColor color, TColor light) {
  TBitmap picture;
  picture.SetSize(16, 16);
  for (int y = 0; y < 16; ++y) {
    std::uint32_t* line = picture.ScanLine(y);
    for (int x = 0; x < 16; ++x) {
      const char c = rows[y][x];
      line[x] = ColorToArgb(c == '#' ? color : c == 'o' ? light : clFuchsia);
    }
  }
  list.AddMasked(&picture, clFuchsia);
}

// Fills `list` with empty pictures up to `index`, then adds the glyph
// there.
void PutGlyph(TImageList& list, int index, const char* const (&rows)[16], TColor color,
              TColor light) {
  static const char* const kEmpty[16] = {
      "................", "................", "................", "................",
      "................", "................", "................", "................",
      "................", "................", "................", "................",
      "................", "................", "................", "................"};
  while (list.Count() < index) AddGlyph(list, kEmpty, clBlack, clBlack);
  AddGlyph(list, rows, color, light);
}
}  // namespace

void TDM::BuildImages() {
  imgTools = Create<TImageList>(this);
  imgTools->SetName("imgTools");
  OvlTree = Create<TImageList>(this);
  OvlTree->SetName("OvlTree");
  // A coupon: a card with a folded corner and lines of text.
  static const char* const kRecord[16] = {
      "................", "................", "...#######......", "...#ooooo##.....",
      "...#ooooo#o#....", "...#ooooo####...", "...#ooooooooo#..", "...#o#####ooo#..",
      "...#ooooooooo#..", "...#o#######o#..", "...#ooooooooo#..", "...#o######oo#..",
      "...#ooooooooo#..", "...###########..", "................", "................"};
  PutGlyph(*imgTools, kRecordImage, kRecord, clNavy, clWhite);
  // A tick in the top-left corner, over the coupon's blank part.
  static const char* const kTick[16] = {
      "........##......", ".......###......", "......###.......", "##...###........",
      "###.###.........", ".#####..........", "..###...........", "...#............",
      "................", "................", "................", "................",
      "................", "................", "................", "................"};
  PutGlyph(*OvlTree, kPayableOverlay, kTick, RGB(0, 140, 0), RGB(0, 140, 0));
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

TInstitution TDM::Institution() const {
  TInstitution institution;
  // GetValue reads the first of a key written twice: so does the copy.
  for (const TLpuValue& v : FLpu)
    if (IndexOfKey(v.Key) == static_cast<int>(&v - FLpu.data()))
      institution.Values.emplace_back(v.Key, v.Value);
  return institution;
}

void TDM::SaveInstitution(const TInstitution& institution) {
  for (const auto& [key, value] : institution.Values) SetValue(key, value);
  SaveLpu();
}

TInstitution ProgramInstitution() { return DM != nullptr ? DM->Institution() : TInstitution(); }

void SaveProgramInstitution(const TInstitution& institution) {
  if (DM != nullptr) DM->SaveInstitution(institution);
}

TLpuAccess LpuOf(TDM& dm) {
  return {[&dm](const std::string& key) { return dm.GetValue(key); },
          [&dm](const std::string& key, const std::string& value) { dm.SetValue(key, value); },
          [&dm] { dm.SaveLpu(); }};
}
