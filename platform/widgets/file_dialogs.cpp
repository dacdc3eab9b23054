#include "platform/widgets/file_dialogs.h"

#include <algorithm>
#include <filesystem>

#include "platform/gui/messages.h"
#include "platform/gui/services.h"

namespace fs = std::filesystem;

namespace {

TFileDialogBackend gBackend;

bool HasExtension(const std::string& name) {
  fs::path file = fs::path(name).filename();
  std::string base = file.string();
  std::size_t dot = base.rfind('.');
  // "name." counts as typed with an (empty) extension, as the classic did
  // not add one either; a leading dot is a hidden file's name.
  return dot != std::string::npos && dot > 0;
}

// The extension a filter's first mask names ("*.002" gives "002"); empty
// for a mask with wildcards after the dot, or none.
std::string FilterExtension(const std::string& pattern) {
  const std::string mask = pattern.substr(0, pattern.find(';'));
  if (!mask.starts_with("*.") || mask.size() == 2) return {};
  const std::string ext = mask.substr(2);
  return ext.find_first_of("*?") == std::string::npos ? ext : std::string();
}

}  // namespace

std::vector<TFileFilter> ParseFileFilter(const std::string& filter) {
  std::vector<TFileFilter> result;
  std::size_t pos = 0;
  while (pos < filter.size()) {
    std::size_t bar = filter.find('|', pos);
    TFileFilter item;
    item.Description = filter.substr(pos, bar - pos);
    if (bar == std::string::npos) {
      item.Pattern = "*";
      pos = filter.size();
    } else {
      std::size_t next = filter.find('|', bar + 1);
      item.Pattern = filter.substr(bar + 1, next - bar - 1);
      pos = next == std::string::npos ? filter.size() : next + 1;
    }
    result.push_back(std::move(item));
  }
  return result;
}

void SetFileDialogBackend(TFileDialogBackend backend) { gBackend = std::move(backend); }

std::string TOpenDialog::CompleteName(const std::string& typed, int filterIndex) const {
  fs::path path(typed);
  if (path.is_relative()) {
    fs::path base = FInitialDir.empty() ? fs::current_path() : fs::path(FInitialDir);
    path = base / path;
  }
  std::string name = path.lexically_normal().string();
  if (!FDefaultExt.empty() && !HasExtension(name)) {
    // As the classic dialog did: the type the user sees decides.
    const std::vector<TFileFilter> filters = ParseFileFilter(FFilter);
    std::string ext;
    if (filterIndex >= 1 && filterIndex <= static_cast<int>(filters.size()))
      ext = FilterExtension(filters[static_cast<std::size_t>(filterIndex - 1)].Pattern);
    if (ext.empty()) ext = FDefaultExt.front() == '.' ? FDefaultExt.substr(1) : FDefaultExt;
    name += "." + ext;
  }
  return name;
}

bool TOpenDialog::Accepts(const std::string& name, const std::string& caption) const {
  std::error_code ec;
  bool exists = fs::exists(name, ec);
  fs::path dir = fs::path(name).parent_path();
  if (FOptions.Contains(ofPathMustExist) && !dir.empty() && !fs::is_directory(dir, ec)) {
    ShowMessageBox(dir.string() + "\nПуть не существует.\nПроверьте правильность пути.", caption,
                   MB_OK | MB_ICONWARNING);
    return false;
  }
  if (!exists && FOptions.Contains(ofFileMustExist)) {
    ShowMessageBox(name + "\nФайл не найден.\nПроверьте правильность имени файла.", caption,
                   MB_OK | MB_ICONWARNING);
    return false;
  }
  if (!exists && FOptions.Contains(ofCreatePrompt)) {
    return ShowMessageBox(name + "\nФайл не существует.\nСоздать его?", caption,
                          MB_YESNO | MB_ICONQUESTION) == IDYES;
  }
  if (exists && IsSave() && FOptions.Contains(ofOverwritePrompt)) {
    return ShowMessageBox(name + " уже существует.\nЗаменить его?", caption,
                          MB_YESNO | MB_ICONWARNING) == IDYES;
  }
  return true;
}

bool TOpenDialog::Execute() {
  if (!gBackend) return false;
  TFileDialogRequest request;
  request.Save = IsSave();
  request.Title = !FTitle.empty() ? FTitle : request.Save ? "Сохранить как" : "Открыть";
  request.InitialDir = FInitialDir;
  request.FileName = FFileName;
  request.Filters = ParseFileFilter(FFilter);
  int count = static_cast<int>(request.Filters.size());
  request.FilterIndex = count == 0 ? 1 : std::clamp(FFilterIndex, 1, count);
  request.Options = FOptions;
  int savedIndex = FFilterIndex;
  request.TypeChanged = [this](int index) {
    FFilterIndex = index;
    if (OnTypeChange) OnTypeChange(this);
  };
  while (true) {
    bool ok = false;
    try {
      ok = gBackend(request);
    } catch (...) {
      FFilterIndex = savedIndex;
      throw;
    }
    if (!ok || request.FileName.empty()) {
      FFilterIndex = savedIndex;
      return false;
    }
    std::string name = CompleteName(request.FileName, request.FilterIndex);
    if (Accepts(name, request.Title)) {
      FFileName = name;
      FFilterIndex = request.FilterIndex;
      return true;
    }
    request.FileName = name;
  }
}
