#include "platform/base/component.h"

#include <algorithm>
#include <map>

namespace {

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - ('a' - 'A')) : c; }

bool SameAsciiText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return UpperAscii(x) == UpperAscii(y);
         });
}

std::string UpperKey(std::string_view name) {
  std::string key(name);
  for (char& c : key) c = UpperAscii(c);
  return key;
}

bool IsIdentStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }

bool IsComponentName(std::string_view name) {
  if (name.empty() || !IsIdentStart(name[0])) return false;
  return std::all_of(name.begin() + 1, name.end(),
                     [](char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); });
}

void EraseOne(std::vector<TComponent*>& list, const TComponent* component) {
  auto it = std::find(list.begin(), list.end(), component);
  if (it != list.end()) list.erase(it);
}

void AddOnce(std::vector<TComponent*>& list, TComponent* component) {
  if (std::find(list.begin(), list.end(), component) == list.end()) list.push_back(component);
}

std::vector<TComponent*>& GlobalComponents() {
  static std::vector<TComponent*> components;
  return components;
}

std::map<std::string, TComponentClass>& ClassRegistry() {
  static std::map<std::string, TComponentClass> classes;
  return classes;
}

}  // namespace

// --- TComponent

TComponent::TComponent(TComponent* owner) {
  if (owner != nullptr) owner->Insert(this);
}

TComponent::~TComponent() {
  // Reached directly (not through Free) by objects that were deleted or went
  // out of scope: the derived parts are gone, but the references still go.
  if (!FDestroyStarted) {
    FDestroyStarted = true;
    Destroying();
    BeforeDestruction();
  }
  // Also catches references taken while the derived destructors ran.
  ReleaseReferences();
}

bool TComponent::BeginDestroy() {
  if (FDestroyStarted) return false;
  FDestroyStarted = true;
  Destroying();
  BeforeDestruction();
  ReleaseReferences();
  return true;
}

void TComponent::Destroying() {
  if (FComponentState.Contains(csDestroying)) return;
  FComponentState.Include(csDestroying);
  if (FGlobal) UnregisterGlobalComponent(this);
  for (TComponent* component : FComponents) component->Destroying();
}

void TComponent::ReleaseReferences() {
  while (!FFreeNotifies.empty()) {
    TComponent* other = FFreeNotifies.back();
    FFreeNotifies.pop_back();
    EraseOne(other->FFreeNotifies, this);
    other->Notification(this, opRemove);
  }
  while (!FComponents.empty()) {
    TComponent* component = FComponents.back();
    if (component->FDestroyStarted) {
      // Its destruction is already under way further up the stack; it must
      // not be deleted twice, only forgotten.
      FComponents.pop_back();
      component->FOwner = nullptr;
      continue;
    }
    component->Free();  // leaves FComponents on its way out
  }
  if (FOwner != nullptr) FOwner->RemoveComponent(this);
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount()) {
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  }
  return FComponents[static_cast<std::size_t>(index)];
}

void TComponent::Insert(TComponent* component) {
  FComponents.push_back(component);
  component->FOwner = this;
}

void TComponent::InsertComponent(TComponent* component) {
  if (component == nullptr || component->FOwner == this) return;
  for (const TComponent* owner = this; owner != nullptr; owner = owner->FOwner) {
    if (owner == component) {
      throw EComponentError("A component cannot be owned by itself or by a component it owns");
    }
  }
  ValidateRename(component, component->FName);
  if (component->FOwner != nullptr) component->FOwner->RemoveComponent(component);
  Insert(component);
  Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
  if (component == nullptr || component->FOwner != this) return;
  EraseOne(FComponents, component);
  component->FOwner = nullptr;
  Notification(component, opRemove);
}

TComponent* TComponent::FindComponent(std::string_view name) const {
  if (name.empty()) return nullptr;
  for (TComponent* component : FComponents) {
    if (SameAsciiText(component->FName, name)) return component;
  }
  return nullptr;
}

void TComponent::ValidateRename(const TComponent* component, std::string_view newName) const {
  const TComponent* found = FindComponent(newName);
  if (found != nullptr && found != component) {
    throw EComponentError("A component named " + std::string(newName) + " already exists");
  }
}

void TComponent::SetName(const std::string& name) {
  if (name == FName) return;
  if (!name.empty() && !IsComponentName(name)) {
    throw EComponentError("'" + name + "' is not a valid component name");
  }
  if (FOwner != nullptr) FOwner->ValidateRename(this, name);
  FName = name;
}

void TComponent::SetDesigning(bool designing) {
  FComponentState.Set(csDesigning, designing);
  for (TComponent* component : FComponents) component->SetDesigning(designing);
}

void TComponent::BeginLoading() { FComponentState.Include(csLoading).Include(csReading); }

void TComponent::EndLoading() {
  FComponentState.Exclude(csReading);
  Loaded();
}

void TComponent::Loaded() { FComponentState.Exclude(csLoading); }

void TComponent::FreeNotification(TComponent* component) {
  if (component == nullptr || component == this) return;
  AddOnce(FFreeNotifies, component);
  AddOnce(component->FFreeNotifies, this);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  if (component == nullptr) return;
  EraseOne(FFreeNotifies, component);
  EraseOne(component->FFreeNotifies, this);
}

void TComponent::Notification(TComponent* component, TOperation operation) {
  // Whoever hears opRemove drops its pointer, so the link must go both ways
  // or the other side would later call into a freed object.
  if (operation == opRemove) RemoveFreeNotification(component);
  // Handlers may free components: walk down and clamp to what is left.
  for (std::size_t i = FComponents.size(); i > 0;) {
    --i;
    FComponents[i]->Notification(component, operation);
    i = std::min(i, FComponents.size());
  }
}

// --- class registry

void RegisterClass(std::string name, TComponentFactory factory) {
  std::string key = UpperKey(name);
  auto& classes = ClassRegistry();
  if (classes.contains(key)) throw EFilerError("A class named " + name + " already exists");
  classes.emplace(std::move(key), TComponentClass{std::move(name), nullptr, std::move(factory)});
}

void RegisterClass(const TClassInfo& info, TComponentFactory factory) {
  std::string key = UpperKey(info.Name);
  auto& classes = ClassRegistry();
  auto it = classes.find(key);
  if (it != classes.end()) {
    if (it->second.Info == &info) return;
    throw EFilerError("A class named " + std::string(info.Name) + " already exists");
  }
  classes.emplace(std::move(key),
                  TComponentClass{std::string(info.Name), &info, std::move(factory)});
}

void UnRegisterClass(std::string_view name) { ClassRegistry().erase(UpperKey(name)); }

const TComponentClass* GetClass(std::string_view name) {
  auto& classes = ClassRegistry();
  auto it = classes.find(UpperKey(name));
  return it != classes.end() ? &it->second : nullptr;
}

const TComponentClass& FindClass(std::string_view name) {
  const TComponentClass* found = GetClass(name);
  if (found == nullptr) throw EClassNotFound("Class " + std::string(name) + " not found");
  return *found;
}

// --- global components

void RegisterGlobalComponent(TComponent* component) {
  if (component == nullptr || component->FGlobal ||
      component->ComponentState().Contains(csDestroying)) {
    return;
  }
  GlobalComponents().push_back(component);
  component->FGlobal = true;
}

void UnregisterGlobalComponent(TComponent* component) {
  if (component == nullptr || !component->FGlobal) return;
  EraseOne(GlobalComponents(), component);
  component->FGlobal = false;
}

TComponent* FindGlobalComponent(std::string_view name) {
  if (name.empty()) return nullptr;
  for (TComponent* component : GlobalComponents()) {
    if (SameAsciiText(component->Name(), name)) return component;
  }
  return nullptr;
}

TComponent* FindComponentByPath(std::string_view path) {
  std::size_t dot = path.find('.');
  TComponent* component = FindGlobalComponent(path.substr(0, dot));
  while (component != nullptr && dot != std::string_view::npos) {
    path.remove_prefix(dot + 1);
    dot = path.find('.');
    component = component->FindComponent(path.substr(0, dot));
  }
  return component;
}
