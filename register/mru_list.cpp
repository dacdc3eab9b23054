#include "register/mru_list.h"

#include "platform/base/exceptions.h"
#include "platform/base/format.h"
#include "platform/base/ini_file.h"
#include "platform/base/string_list.h"
#include "platform/base/text.h"
#include "platform/widgets/menus.h"

namespace {
constexpr const char* kSection = "FileHist";
constexpr int kMaxName = 255;

// "&" marks an accelerator in a caption; a path shows its own "&".
std::string EscapeAmpersands(const std::string& text) {
  std::string out;
  for (char c : text) {
    out += c;
    if (c == '&') out += '&';
  }
  return out;
}

std::string UnescapeAmpersands(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    out += text[i];
    if (text[i] == '&' && i + 1 < text.size() && text[i + 1] == '&') ++i;
  }
  return out;
}
}  // namespace

void TMenuMRUList::SetRecentMenu(TMenuItem* menu) {
  if (FRecentMenu != nullptr) FRecentMenu->RemoveFreeNotification(this);
  FRecentMenu = menu;
  if (menu != nullptr) menu->FreeNotification(this);
  RebuildMenu();
}

void TMenuMRUList::SetMaxItem(int value) {
  FMaxItem = value;
  if (static_cast<int>(FItems.size()) > FMaxItem && FMaxItem >= 0) FItems.resize(FMaxItem);
  RebuildMenu();
}

void TMenuMRUList::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == FRecentMenu) FRecentMenu = nullptr;
  // An item goes with the menu that holds it when the menu goes first.
  std::erase(FPool, component);
}

void TMenuMRUList::Add(const std::string& name) {
  if (Trim(name).empty()) return;
  std::string stored = name;
  for (auto it = FItems.begin(); it != FItems.end(); ++it) {
    if (AnsiCompareText(*it, name) == 0) {
      stored = *it;
      FItems.erase(it);
      break;
    }
  }
  FItems.insert(FItems.begin(), stored);
  if (static_cast<int>(FItems.size()) > FMaxItem) FItems.resize(FMaxItem);
  RebuildMenu();
}

void TMenuMRUList::Remove(const std::string& name) {
  for (auto it = FItems.begin(); it != FItems.end(); ++it) {
    if (AnsiCompareText(*it, name) == 0) {
      FItems.erase(it);
      break;
    }
  }
  RebuildMenu();
}

std::string TMenuMRUList::GetFileName(TObject* sender) const {
  auto* item = dynamic_cast<TMenuItem*>(sender);
  if (item == nullptr) throw Exception(Format("Sender for %s must be Tmenuitem", Name().c_str()));
  const std::string caption = UnescapeAmpersands(item->Caption());
  const std::size_t blank = caption.find(' ');
  if (blank == std::string::npos) return "";
  return Trim(Copy(caption.substr(blank + 1), 1, kMaxName));
}

TMenuItem* TMenuMRUList::PooledItem(std::size_t index) {
  while (FPool.size() <= index) FPool.push_back(Create<TMenuItem>(this));
  TMenuItem* item = FPool[index];
  if (item->Parent() != nullptr) item->Parent()->Remove(item);
  return item;
}

void TMenuMRUList::RebuildMenu() {
  // Taken out, never freed: the clicked item may be one of them.
  for (TMenuItem* item : FPool)
    if (item->Parent() != nullptr) item->Parent()->Remove(item);
  if (FRecentMenu == nullptr || FItems.empty()) return;
  TMenuItem* separator = PooledItem(0);
  separator->SetCaption("-");
  FRecentMenu->Add(separator);
  for (std::size_t i = 0; i < FItems.size(); ++i) {
    TMenuItem* item = PooledItem(i + 1);
    item->SetAction(FAction);
    item->SetCaption(Format("%d %s", static_cast<int>(i + 1), EscapeAmpersands(FItems[i]).c_str()));
    FRecentMenu->Add(item);
  }
}

void TMenuMRUList::LoadFromIni(const std::string& fileName) {
  TStringList lines;
  TIniFile(fileName).ReadSectionValues(kSection, lines);
  FItems.clear();
  for (int i = 0; i < lines.Count() && static_cast<int>(FItems.size()) < FMaxItem; ++i) {
    const std::string line = lines[i];
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string value = Trim(Copy(line.substr(eq + 1), 1, kMaxName));
    if (!value.empty()) FItems.push_back(value);
  }
  RebuildMenu();
}

void TMenuMRUList::SaveToIni(const std::string& fileName) const {
  TIniFile ini(fileName);
  ini.EraseSection(kSection);
  for (std::size_t i = 0; i < FItems.size(); ++i)
    ini.WriteString(kSection, std::to_string(i + 1), FItems[i]);
}
