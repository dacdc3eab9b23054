// Menus: menu items, the main menu shown as a bar on its form, pop-up
// menus, and the shortcut routing of a form.
//
// A TMenuItem keeps its Caption exactly as set ("&" marks the accelerator
// when drawn; nothing is ever inserted); the caption "-" makes a
// separator. Items form a tree (Items/Count/Add/Insert/Delete); Delete
// only takes an item out, Clear frees the items. An item linked to an
// action (SetAction) follows its Caption, Enabled, Checked, Visible, Hint,
// ImageIndex and ShortCut, and its click runs the action.
//
// The menu loop: a pop-up menu's Popup(x, y), and the main menu entered
// with Alt, F10, Alt+accelerator or a click on the bar, run a modal loop
// that takes the keyboard and the mouse (arrows, Home/End, Enter, Esc,
// accelerator letters, clicks; a click outside closes the menu and is
// swallowed, so it cannot reopen it). Drop-downs are no-activate pop-up
// windows. The chosen item's Click runs after the menus have closed,
// before the loop returns.
//
// Accelerator keys: a key matches the accelerator letter of its Latin
// label and of the Russian (ЙЦУКЕН) letter on the same key, so "&Файл"
// answers Alt+A whatever layout is active.
//
// Shortcuts: a main menu is its form's Menu (forms.h), which offers it
// every shortcut key before the focused control sees it (after the items'
// shortcuts and the form's action lists, F10 and Alt with an accelerator's
// key enter the bar; so does Alt pressed and released alone). Right
// clicks and the context-menu keys open a control's TPopupMenu through the
// core's pop-up menu handler (controls.h). GUI thread only.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/gui/actions.h"
#include "platform/gui/controls.h"
#include "platform/gui/forms.h"
#include "platform/gui/popup.h"

class TMenu;
class TMenuItem;

class EMenuError : public Exception {
 public:
  using Exception::Exception;
};

class TMainMenu;
class TCustomForm;

class TMenuActionLink : public TActionLink {
 public:
  explicit TMenuActionLink(TMenuItem* item);
  void SetCaption(const std::string& value) override;
  void SetEnabled(bool value) override;
  void SetChecked(bool value) override;
  void SetVisible(bool value) override;
  void SetHint(const std::string& value) override;
  void SetImageIndex(int value) override;
  void SetShortCut(TShortCut value) override;
  void SetGroupIndex(int value) override;
  // The item and its parents are visible, in a main menu whose form shows.
  bool IsClientVisible() const override;

 private:
  TMenuItem* FItem;
};

class TMenuItem : public TComponent {
  MEBRATH_CLASS(TMenuItem, TComponent)
 public:
  // --- the tree
  int Count() const { return static_cast<int>(FItems.size()); }
  // Raises EListError "List index out of bounds (%d)".
  TMenuItem* Items(int index) const;
  TMenuItem* Parent() const { return FParent; }
  // The position among the parent's items; -1 without a parent.
  int MenuIndex() const;
  // Appends `item`. Raises EMenuError "Menu inserted twice" when it
  // already has a parent.
  void Add(TMenuItem* item);
  // Inserts at `index` (0..Count). Raises EMenuError "Menu inserted twice"
  // or "Menu index out of range".
  void Insert(int index, TMenuItem* item);
  // Takes the item at `index` out (not freed). Raises EMenuError "Menu
  // index out of range".
  void Delete(int index);
  // Takes `item` out when it is a child.
  void Remove(TMenuItem* item);
  // Frees every item.
  void Clear();
  int IndexOf(const TMenuItem* item) const;
  // The child whose caption without "&" equals `caption` (ignoring case),
  // or null.
  TMenuItem* Find(const std::string& caption) const;
  // The menu the item belongs to (through its root), or null.
  TMenu* GetParentMenu() const;

  // --- properties
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& value);
  // The caption is "-".
  bool IsLine() const { return FCaption == "-"; }
  bool Checked() const { return FChecked; }
  // Checking a RadioItem unchecks the parent's other radio items with the
  // same GroupIndex.
  void SetChecked(bool value);
  bool RadioItem() const { return FRadioItem; }
  void SetRadioItem(bool value);
  int GroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(int value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool value);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool value);
  TShortCut ShortCut() const { return FShortCut; }
  void SetShortCut(TShortCut value);
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int value);
  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& value) { FHint = value; }
  // The accelerator character (lower case, UTF-8) or "" when none.
  std::string Accelerator() const;

  // --- action
  TBasicAction* Action() const;
  void SetAction(TBasicAction* action);

  // Runs the action (through its link) or else OnClick.
  virtual void Click();
  // Finds the visible, enabled item with this shortcut in the subtree
  // (this item included), or null.
  TMenuItem* FindShortCut(TShortCut shortCut);
  // Where child `index` lies in this item's drop-down window (window
  // coordinates; the window's top-left is where the menu pops up). Empty
  // for an invisible child.
  TRect PopupItemRect(int index) const;

  TNotifyEvent OnClick;

 protected:
  explicit TMenuItem(TComponent* owner);
  void BeforeDestruction() override;

 private:
  friend class TMenu;
  void Changed();
  void TurnSiblingsOff();

  std::vector<TMenuItem*> FItems;
  TMenuItem* FParent = nullptr;
  TMenu* FMenu = nullptr;  // set on a menu's root item
  std::string FCaption;
  bool FChecked = false;
  bool FRadioItem = false;
  int FGroupIndex = 0;
  bool FVisible = true;
  bool FEnabled = true;
  TShortCut FShortCut = scNone;
  int FImageIndex = -1;
  std::string FHint;
  std::unique_ptr<TMenuActionLink> FActionLink;
};

class TMenu : public TComponent {
  MEBRATH_CLASS(TMenu, TComponent)
 public:
  // The root; its children are the menu's items.
  TMenuItem* Items() const { return FItems; }
  TCustomImageList* Images() const { return FImages; }
  void SetImages(TCustomImageList* value);
  // Clicks the enabled, visible item with this shortcut; true when found.
  bool IsShortCut(TShortCut shortCut);
  // An item changed: repaint what shows it.
  virtual void MenuChanged(TMenuItem* item);

 protected:
  explicit TMenu(TComponent* owner);
  void Notification(TComponent* component, TOperation operation) override;

 private:
  TMenuItem* FItems = nullptr;
  TCustomImageList* FImages = nullptr;
};

// The menu bar of a main menu: a control aligned to the top of the form.
class TMenuBar : public TCustomControl {
  MEBRATH_CLASS(TMenuBar, TCustomControl)
 public:
  TMainMenu* Menu() const { return FMenu; }
  // Where the visible top item `index` lies (client coordinates); empty
  // when it is hidden.
  TRect ItemRect(int index) const;
  // The top item at a client point, or -1.
  int ItemAtPos(TPoint p) const;
  // The highlighted top item while the menu loop runs, else -1.
  int Selected() const { return FSelected; }
  void SetSelected(int index);
  bool DroppedDown() const { return FDropped; }
  void SetDroppedDown(bool value);

 protected:
  TMenuBar(TComponent* owner, TMainMenu* menu);
  // TCustomControl
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;

 private:
  TMainMenu* FMenu;
  int FSelected = -1;
  bool FDropped = false;
};

class TMainMenu : public TMenu, public IFormMenu {
  MEBRATH_CLASS(TMainMenu, TMenu)
 public:
  // The form that shows the bar (the owning form by default, unless it
  // has a menu already).
  TCustomForm* Form() const { return FForm; }
  // Shows the menu as a bar on `form` (null: nowhere) and makes it the
  // form's Menu, which routes the form's shortcuts to it.
  void SetForm(TCustomForm* form);
  TMenuBar* Bar() const { return FBar; }
  // Enters the bar from the keyboard (as Alt or F10 do) and runs the menu
  // loop; `dropIndex` >= 0 opens that top item at once.
  void EnterMenuLoop(int dropIndex = -1);
  // The visible top item whose accelerator the key `vk` gives, or -1.
  int FindAccelerator(unsigned vk) const;
  void MenuChanged(TMenuItem* item) override;
  // IFormMenu
  bool MenuShortCut(TShortCut shortCut) override;
  bool MenuKey(TShortCut shortCut) override;

 protected:
  explicit TMainMenu(TComponent* owner) : TMenu(owner) {}
  void AfterConstruction() override;
  void BeforeDestruction() override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  TCustomForm* FForm = nullptr;
  TMenuBar* FBar = nullptr;
};

class TPopupMenu : public TMenu {
  MEBRATH_CLASS(TPopupMenu, TMenu)
 public:
  // Shows the menu with its top-left (paLeft), top-right (paRight) or
  // top-centre (paCenter) at the screen point, kept within the screen,
  // and runs the menu loop until an item is chosen or the menu closes.
  // Runs OnPopup first; returns after the chosen item's Click.
  virtual void Popup(int x, int y);
  TPopupAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TPopupAlignment value) { FAlignment = value; }
  // Opens on a right click (WM_CONTEXTMENU) over a control whose
  // PopupMenu is this menu.
  bool AutoPopup() const { return FAutoPopup; }
  void SetAutoPopup(bool value) { FAutoPopup = value; }
  // The control the menu was opened for, while it shows.
  TComponent* PopupComponent() const { return FPopupComponent; }
  void SetPopupComponent(TComponent* value) { FPopupComponent = value; }

  TNotifyEvent OnPopup;

 protected:
  // The first one installs the core's pop-up menu handler (controls.h).
  explicit TPopupMenu(TComponent* owner);
  void Notification(TComponent* component, TOperation operation) override;

 private:
  TPopupAlignment FAlignment = paLeft;
  bool FAutoPopup = true;
  TComponent* FPopupComponent = nullptr;
};

// Asks for the control's context menu as a right click at the screen point
// does ((-1, -1): as the menu key, at the top-left of the control whose
// menu shows): WM_CONTEXTMENU to the control, passed on to its parents
// while nobody takes it. True when a menu (or OnContextPopup) took it.
bool ShowContextMenu(TControl* control, TPoint screenPos);
// True while a menu loop runs.
bool MenuLoopActive();
