// Actions: commands with a caption, enabling, checking and a shortcut that
// menu items, tool buttons and buttons share.
//
// An action (TAction) lives in an action list (TActionList) and is bound
// to its clients through action links: when the action's Caption,
// Enabled, Checked, Visible, Hint, ImageIndex or ShortCut changes, every
// linked client follows, and a client's click runs the action's Execute.
// Execute asks the list's OnExecute first (Handled), then the action's
// OnExecute; Update likewise with OnUpdate.
//
// Idle updates: while the application idles, every action that has a
// client in a visible place gets Update (so OnUpdate decides enabling and
// checking continuously). The update is one of Application's idle
// handlers, so it runs after OnIdle whatever the program puts there.
//
// Shortcuts: an action list owned by a form is one of the form's shortcut
// handlers (forms.h, IsShortCut), which see shortcut keys after the main
// menu's items and before the focused control. GUI thread only.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/base/component.h"
#include "platform/draw/image_list.h"
#include "platform/gui/messages.h"

class TBasicAction;
class TContainedAction;
class TCustomAction;
class TCustomActionList;
class TControl;

// Binds a client (menu item, tool button, control) to an action. The
// client owns its link; the action keeps a list of the links made to it.
class TBasicActionLink {
 public:
  explicit TBasicActionLink(TObject* client) : FClient(client) {}
  virtual ~TBasicActionLink();
  TBasicActionLink(const TBasicActionLink&) = delete;
  TBasicActionLink& operator=(const TBasicActionLink&) = delete;

  TObject* Client() const { return FClient; }
  TBasicAction* Action() const { return FAction; }
  // Connects to `action` (null disconnects) and copies its properties to
  // the client (AssignClient).
  void SetAction(TBasicAction* action);
  // Runs the action; false when there is none or it did not run.
  virtual bool Execute(TComponent* target = nullptr);
  // Updates the action; false when there is none.
  virtual bool Update();
  // Whether the client is in a visible place (its container shows), so
  // that idle updates concern it.
  virtual bool IsClientVisible() const { return false; }

 protected:
  // Copies the action's properties to the client.
  virtual void AssignClient() {}
  // The action is going away; the link forgets it.
  virtual void ActionDestroying();

 private:
  friend class TBasicAction;
  TObject* FClient;
  TBasicAction* FAction = nullptr;
};

// The properties a TCustomAction pushes to its clients. The default
// implementations ignore them; clients override what they show.
class TActionLink : public TBasicActionLink {
 public:
  using TBasicActionLink::TBasicActionLink;
  virtual void SetCaption(const std::string&) {}
  virtual void SetEnabled(bool) {}
  virtual void SetChecked(bool) {}
  virtual void SetVisible(bool) {}
  virtual void SetHint(const std::string&) {}
  virtual void SetImageIndex(int) {}
  virtual void SetShortCut(TShortCut) {}
  virtual void SetGroupIndex(int) {}

 protected:
  // TBasicActionLink: copies every property of a TCustomAction.
  void AssignClient() override;
};

// A link for any control: Caption, Enabled, Visible and Hint follow the
// action. The control calls Execute from its Click (a button that keeps
// such a link in its Action property).
class TControlActionLink : public TActionLink {
 public:
  explicit TControlActionLink(TControl* control);
  TControl* Control() const { return FControl; }
  void SetCaption(const std::string& value) override;
  void SetEnabled(bool value) override;
  void SetVisible(bool value) override;
  void SetHint(const std::string& value) override;
  // The control's parent is visible in its window tree.
  bool IsClientVisible() const override;

 private:
  TControl* FControl;
};

using TActionEvent = std::function<void(TBasicAction* action, bool& handled)>;

class TBasicAction : public TComponent {
  MEBRATH_CLASS(TBasicAction, TComponent)
 public:
  // Runs OnExecute; true when there is a handler.
  virtual bool Execute();
  // Runs OnUpdate; true when there is a handler.
  virtual bool Update();
  // The component whose click runs the action now (the menu item or
  // button), for handlers that need it; null outside Execute.
  TComponent* ActionComponent() const { return FActionComponent; }
  void SetActionComponent(TComponent* value) { FActionComponent = value; }
  int ClientCount() const { return static_cast<int>(FClients.size()); }
  TBasicActionLink* Clients(int index) const {
    return FClients.at(static_cast<std::size_t>(index));
  }
  // True when some client is in a visible place.
  bool HasVisibleClient() const;

  TNotifyEvent OnExecute;
  TNotifyEvent OnUpdate;

 protected:
  explicit TBasicAction(TComponent* owner);
  void AfterConstruction() override;
  void BeforeDestruction() override;
  // Calls AssignClient on every link (after a property changed).
  void Change();
  // The links, for subclasses that push one property at a time.
  const std::vector<TBasicActionLink*>& Links() const { return FClients; }

 private:
  friend class TBasicActionLink;
  std::vector<TBasicActionLink*> FClients;
  TComponent* FActionComponent = nullptr;
};

class TContainedAction : public TBasicAction {
  MEBRATH_CLASS(TContainedAction, TBasicAction)
 public:
  TCustomActionList* ActionList() const { return FActionList; }
  // Moves the action into `list` (null: out of any list).
  void SetActionList(TCustomActionList* list);
  // The position in the list; -1 outside one.
  int Index() const;
  const std::string& Category() const { return FCategory; }
  void SetCategory(const std::string& value) { FCategory = value; }
  // The list's OnExecute first (it may mark the action handled), then
  // OnExecute.
  bool Execute() override;
  // The list's OnUpdate first, then OnUpdate.
  bool Update() override;

 protected:
  explicit TContainedAction(TComponent* owner) : TBasicAction(owner) {}
  void BeforeDestruction() override;

 private:
  TCustomActionList* FActionList = nullptr;
  std::string FCategory;
};

class TCustomAction : public TContainedAction {
  MEBRATH_CLASS(TCustomAction, TContainedAction)
 public:
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& value);
  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& value);
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int value);
  TShortCut ShortCut() const { return FShortCut; }
  void SetShortCut(TShortCut value);
  // Further shortcuts that run the action too.
  const std::vector<TShortCut>& SecondaryShortCuts() const { return FSecondaryShortCuts; }
  void SetSecondaryShortCuts(std::vector<TShortCut> value) {
    FSecondaryShortCuts = std::move(value);
  }
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool value);
  // Checking an action with a GroupIndex above 0 unchecks the others of
  // its list with the same GroupIndex.
  bool Checked() const { return FChecked; }
  void SetChecked(bool value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool value);
  int GroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(int value);
  // True when `shortCut` is ShortCut or one of SecondaryShortCuts.
  bool HasShortCut(TShortCut shortCut) const;
  // Updates the action, then runs it when it is enabled; false when it is
  // disabled (or nobody handled it).
  bool Execute() override;

 protected:
  explicit TCustomAction(TComponent* owner) : TContainedAction(owner) {}

 private:
  template <class F>
  void ForEachLink(F f) const;
  std::string FCaption;
  std::string FHint;
  int FImageIndex = -1;
  TShortCut FShortCut = scNone;
  std::vector<TShortCut> FSecondaryShortCuts;
  bool FEnabled = true;
  bool FChecked = false;
  bool FVisible = true;
  int FGroupIndex = 0;
};

class TAction : public TCustomAction {
  MEBRATH_CLASS(TAction, TCustomAction)
 protected:
  explicit TAction(TComponent* owner) : TCustomAction(owner) {}
};

// Registers itself as a shortcut handler of the form that owns it.
class TCustomActionList : public TComponent {
  MEBRATH_CLASS(TCustomActionList, TComponent)
 public:
  int ActionCount() const { return static_cast<int>(FActions.size()); }
  TContainedAction* Actions(int index) const {
    return FActions.at(static_cast<std::size_t>(index));
  }
  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* value);
  // Runs the first enabled action with this shortcut (after updating it);
  // true when one ran.
  bool IsShortCut(TShortCut shortCut);
  // OnExecute/OnUpdate of the list; true when the handler marked the
  // action handled.
  virtual bool ExecuteAction(TBasicAction* action);
  virtual bool UpdateAction(TBasicAction* action);
  // Updates every action that has a client in a visible place.
  void UpdateActions();

  TActionEvent OnExecute;
  TActionEvent OnUpdate;
  TNotifyEvent OnChange;

 protected:
  explicit TCustomActionList(TComponent* owner);
  void AfterConstruction() override;
  void BeforeDestruction() override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TContainedAction;
  std::vector<TContainedAction*> FActions;
  TCustomImageList* FImages = nullptr;
};

class TActionList : public TCustomActionList {
  MEBRATH_CLASS(TActionList, TCustomActionList)
 protected:
  explicit TActionList(TComponent* owner) : TCustomActionList(owner) {}
};

// The idle pass: updates every action of every list (and every action
// outside a list) that has a client in a visible place.
void UpdateActionsAtIdle();
