// TMenuMRUList: the recently used register files, most recent first, shown
// as the last items of a menu ("1 name", "2 name", ...) and kept in the INI
// file's section "FileHist" under the keys "1", "2", ... GUI thread only.
//
// The menu items are made once and reused: an entry's item runs the
// action that opens its file, which changes the list while that item's
// click is still running, so no item is freed before the list itself.
#pragma once

#include <string>
#include <vector>

#include "platform/base/component.h"

class TBasicAction;
class TMenuItem;

class TMenuMRUList : public TComponent {
  MEBRATH_CLASS(TMenuMRUList, TComponent)
 public:
  // The items the menu has when it is assigned stay; the list's items
  // (a separator, then one per entry) follow them.
  TMenuItem* RecentMenu() const { return FRecentMenu; }
  void SetRecentMenu(TMenuItem* menu);
  // What each entry's item runs.
  TBasicAction* Action() const { return FAction; }
  void SetAction(TBasicAction* action) { FAction = action; }
  int MaxItem() const { return FMaxItem; }
  void SetMaxItem(int value);

  const std::vector<std::string>& Items() const { return FItems; }
  // A blank name is ignored; an entry equal but for case moves to the top
  // as it was stored; otherwise the name goes to the top and the list is
  // cut to MaxItem.
  void Add(const std::string& name);
  void Remove(const std::string& name);
  // The file name of an entry's menu item. Raises Exception "Sender for
  // <Name> must be Tmenuitem" for anything but a menu item.
  std::string GetFileName(TObject* sender) const;

  // Section "FileHist": at most MaxItem entries are read; saving replaces
  // the whole section.
  void LoadFromIni(const std::string& fileName);
  void SaveToIni(const std::string& fileName) const;

 protected:
  explicit TMenuMRUList(TComponent* owner) : TComponent(owner) {}
  void Notification(TComponent* component, TOperation operation) override;

 private:
  void RebuildMenu();
  // The pooled item at `index` (made on first use), taken out of any menu.
  TMenuItem* PooledItem(std::size_t index);

  TMenuItem* FRecentMenu = nullptr;
  // The separator and the entries' items, in menu order once shown.
  std::vector<TMenuItem*> FPool;
  TBasicAction* FAction = nullptr;
  int FMaxItem = 5;
  std::vector<std::string> FItems;
};
