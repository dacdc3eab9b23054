#include "platform/gui/actions.h"

#include <algorithm>

#include "platform/base/scope_guard.h"
#include "platform/gui/controls.h"
#include "platform/gui/forms.h"

namespace {

// Every live action, for the idle pass over actions outside any list.
std::vector<TBasicAction*>& AllActions() {
  static std::vector<TBasicAction*> actions;
  return actions;
}

template <class T>
void EraseOne(std::vector<T*>& list, T* item) {
  auto it = std::find(list.begin(), list.end(), item);
  if (it != list.end()) list.erase(it);
}

// Registers the idle pass with the application once.
void EnsureIdleHandler() {
  static bool added = false;
  if (added || Application == nullptr) return;
  Application->AddIdleHandler([](TObject*, bool&) { UpdateActionsAtIdle(); });
  added = true;
}

}  // namespace

// --------------------------------------------------------------- the links

TBasicActionLink::~TBasicActionLink() { SetAction(nullptr); }

void TBasicActionLink::SetAction(TBasicAction* action) {
  if (action == FAction) return;
  if (FAction != nullptr) EraseOne(FAction->FClients, this);
  FAction = action;
  if (FAction != nullptr) {
    FAction->FClients.push_back(this);
    EnsureIdleHandler();
    AssignClient();
  }
}

bool TBasicActionLink::Execute(TComponent* target) {
  if (FAction == nullptr) return false;
  TComponent* saved = FAction->ActionComponent();
  FAction->SetActionComponent(target);
  // The action may go while it runs.
  TScopeExit restore([this, saved] {
    if (FAction != nullptr) FAction->SetActionComponent(saved);
  });
  return FAction->Execute();
}

bool TBasicActionLink::Update() { return FAction != nullptr && FAction->Update(); }

void TBasicActionLink::ActionDestroying() { FAction = nullptr; }

void TActionLink::AssignClient() {
  auto* action = dynamic_cast<TCustomAction*>(Action());
  if (action == nullptr) return;
  SetCaption(action->Caption());
  SetHint(action->Hint());
  SetImageIndex(action->ImageIndex());
  SetShortCut(action->ShortCut());
  SetGroupIndex(action->GroupIndex());
  SetChecked(action->Checked());
  SetEnabled(action->Enabled());
  SetVisible(action->Visible());
}

TControlActionLink::TControlActionLink(TControl* control)
    : TActionLink(control), FControl(control) {}
void TControlActionLink::SetCaption(const std::string& value) { FControl->SetCaption(value); }
void TControlActionLink::SetEnabled(bool value) { FControl->SetEnabled(value); }
void TControlActionLink::SetVisible(bool value) { FControl->SetVisible(value); }
void TControlActionLink::SetHint(const std::string& value) { FControl->SetHint(value); }
bool TControlActionLink::IsClientVisible() const {
  return FControl->Parent() != nullptr && FControl->Parent()->IsVisibleInTree();
}

// ------------------------------------------------------------ TBasicAction

TBasicAction::TBasicAction(TComponent* owner) : TComponent(owner) {}

void TBasicAction::AfterConstruction() {
  TComponent::AfterConstruction();
  AllActions().push_back(this);
  EnsureIdleHandler();
}

void TBasicAction::BeforeDestruction() {
  EraseOne(AllActions(), this);
  while (!FClients.empty()) {
    TBasicActionLink* link = FClients.back();
    FClients.pop_back();
    link->ActionDestroying();
  }
  TComponent::BeforeDestruction();
}

bool TBasicAction::Execute() {
  if (!OnExecute) return false;
  OnExecute(this);
  return true;
}

bool TBasicAction::Update() {
  if (!OnUpdate) return false;
  OnUpdate(this);
  return true;
}

bool TBasicAction::HasVisibleClient() const {
  return std::any_of(FClients.begin(), FClients.end(),
                     [](const TBasicActionLink* link) { return link->IsClientVisible(); });
}

void TBasicAction::Change() {
  // A link may drop itself while it is told; walk a copy.
  std::vector<TBasicActionLink*> links = FClients;
  for (TBasicActionLink* link : links) {
    if (std::find(FClients.begin(), FClients.end(), link) != FClients.end()) link->AssignClient();
  }
}

// -------------------------------------------------------- TContainedAction

void TContainedAction::BeforeDestruction() {
  SetActionList(nullptr);
  TBasicAction::BeforeDestruction();
}

void TContainedAction::SetActionList(TCustomActionList* list) {
  if (list == FActionList) return;
  if (FActionList != nullptr) {
    EraseOne(FActionList->FActions, this);
    RemoveFreeNotification(FActionList);
    if (FActionList->OnChange) FActionList->OnChange(FActionList);
  }
  FActionList = list;
  if (FActionList != nullptr) {
    FActionList->FActions.push_back(this);
    FreeNotification(FActionList);
    if (FActionList->OnChange) FActionList->OnChange(FActionList);
  }
}

int TContainedAction::Index() const {
  if (FActionList == nullptr) return -1;
  const auto& list = FActionList->FActions;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

bool TContainedAction::Execute() {
  if (FActionList != nullptr && FActionList->ExecuteAction(this)) return true;
  return TBasicAction::Execute();
}

bool TContainedAction::Update() {
  if (FActionList != nullptr && FActionList->UpdateAction(this)) return true;
  return TBasicAction::Update();
}

// ----------------------------------------------------------- TCustomAction

template <class F>
void TCustomAction::ForEachLink(F f) const {
  std::vector<TBasicActionLink*> links = Links();
  for (TBasicActionLink* link : links) {
    if (auto* l = dynamic_cast<TActionLink*>(link)) f(l);
  }
}

void TCustomAction::SetCaption(const std::string& value) {
  if (value == FCaption) return;
  FCaption = value;
  ForEachLink([&](TActionLink* l) { l->SetCaption(value); });
}

void TCustomAction::SetHint(const std::string& value) {
  if (value == FHint) return;
  FHint = value;
  ForEachLink([&](TActionLink* l) { l->SetHint(value); });
}

void TCustomAction::SetImageIndex(int value) {
  if (value == FImageIndex) return;
  FImageIndex = value;
  ForEachLink([&](TActionLink* l) { l->SetImageIndex(value); });
}

void TCustomAction::SetShortCut(TShortCut value) {
  if (value == FShortCut) return;
  FShortCut = value;
  ForEachLink([&](TActionLink* l) { l->SetShortCut(value); });
}

void TCustomAction::SetEnabled(bool value) {
  if (value == FEnabled) return;
  FEnabled = value;
  ForEachLink([&](TActionLink* l) { l->SetEnabled(value); });
}

void TCustomAction::SetChecked(bool value) {
  if (value == FChecked) return;
  FChecked = value;
  if (value && FGroupIndex > 0 && ActionList() != nullptr) {
    for (int i = 0; i < ActionList()->ActionCount(); ++i) {
      auto* other = dynamic_cast<TCustomAction*>(ActionList()->Actions(i));
      if (other != nullptr && other != this && other->FGroupIndex == FGroupIndex)
        other->SetChecked(false);
    }
  }
  ForEachLink([&](TActionLink* l) { l->SetChecked(value); });
}

void TCustomAction::SetVisible(bool value) {
  if (value == FVisible) return;
  FVisible = value;
  ForEachLink([&](TActionLink* l) { l->SetVisible(value); });
}

void TCustomAction::SetGroupIndex(int value) {
  if (value == FGroupIndex) return;
  FGroupIndex = value;
  ForEachLink([&](TActionLink* l) { l->SetGroupIndex(value); });
}

bool TCustomAction::HasShortCut(TShortCut shortCut) const {
  if (shortCut == scNone) return false;
  return shortCut == FShortCut || std::find(FSecondaryShortCuts.begin(), FSecondaryShortCuts.end(),
                                            shortCut) != FSecondaryShortCuts.end();
}

bool TCustomAction::Execute() {
  Update();
  if (!FEnabled) return false;
  return TContainedAction::Execute();
}

// ------------------------------------------------------- TCustomActionList

TCustomActionList::TCustomActionList(TComponent* owner) : TComponent(owner) {}

void TCustomActionList::AfterConstruction() {
  TComponent::AfterConstruction();
  EnsureIdleHandler();
  if (auto* form = dynamic_cast<TCustomForm*>(Owner()))
    form->AddShortCutHandler(this, [this](TShortCut shortCut) { return IsShortCut(shortCut); });
}

void TCustomActionList::BeforeDestruction() {
  // Actions outlive the list only when someone else owns them.
  while (!FActions.empty()) FActions.back()->SetActionList(nullptr);
  TComponent::BeforeDestruction();
}

void TCustomActionList::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == FImages) FImages = nullptr;
  if (auto* action = dynamic_cast<TContainedAction*>(component);
      action && action->ActionList() == this)
    action->SetActionList(nullptr);
}

void TCustomActionList::SetImages(TCustomImageList* value) {
  if (value == FImages) return;
  if (FImages != nullptr) RemoveFreeNotification(FImages);
  FImages = value;
  if (FImages != nullptr) FreeNotification(FImages);
  if (OnChange) OnChange(this);
}

bool TCustomActionList::IsShortCut(TShortCut shortCut) {
  if (shortCut == scNone) return false;
  std::vector<TContainedAction*> actions = FActions;
  for (TContainedAction* a : actions) {
    auto* action = dynamic_cast<TCustomAction*>(a);
    if (action != nullptr && action->HasShortCut(shortCut)) return action->Execute();
  }
  return false;
}

bool TCustomActionList::ExecuteAction(TBasicAction* action) {
  bool handled = false;
  if (OnExecute) OnExecute(action, handled);
  return handled;
}

bool TCustomActionList::UpdateAction(TBasicAction* action) {
  bool handled = false;
  if (OnUpdate) OnUpdate(action, handled);
  return handled;
}

void TCustomActionList::UpdateActions() {
  std::vector<TContainedAction*> actions = FActions;
  for (TContainedAction* action : actions) {
    if (std::find(FActions.begin(), FActions.end(), action) == FActions.end()) continue;
    if (action->HasVisibleClient()) action->Update();
  }
}

// ---------------------------------------------------------------- the idle

void UpdateActionsAtIdle() {
  std::vector<TBasicAction*> actions = AllActions();
  for (TBasicAction* action : actions) {
    const auto& live = AllActions();
    if (std::find(live.begin(), live.end(), action) == live.end()) continue;
    if (action->HasVisibleClient()) action->Update();
  }
}
