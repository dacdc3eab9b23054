// TCollection: an ordered, owning list of items of one class (grid
// columns, field definitions, report bands), which tells its owner through
// Update when the items change.
//
// A collection makes its items through an item factory, usually
// TCollection::ItemFactory<TMyItem>(); TMyItem's constructor takes the
// collection first and may be protected when the class declares
// MEBRATH_CLASS. The collection owns its items and destroys them with
// itself. Changes are batched with BeginUpdate/EndUpdate: while the update
// count is above zero no Update is called, and the EndUpdate that brings
// it back to zero calls Update(nullptr) once.
//
// GUI thread only.
#pragma once

#include <concepts>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/base/object.h"

enum TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

class TCollection;

class TCollectionItem : public TPersistent {
  MEBRATH_CLASS(TCollectionItem, TPersistent)
 public:
  TCollectionItem(const TCollectionItem&) = delete;
  TCollectionItem& operator=(const TCollectionItem&) = delete;
  // Leaves the collection (if Free did not already).
  ~TCollectionItem() override;

  TCollection* Collection() const { return FCollection; }
  // Moves the item to the end of `collection` (nullptr: out of any
  // collection, owned by the caller). The old collection gets cnExtracting
  // and an update; the new one gives a fresh ID, cnAdded and an update.
  void SetCollection(TCollection* collection);
  // Position in the collection; -1 when in none.
  int Index() const;
  // Moves the item to `index` and updates the whole collection. Raises
  // EListError "List index out of bounds (%d)" on a bad index. Ignored
  // outside a collection.
  void SetIndex(int index);
  // Unique within the collection, increasing, never reused.
  int ID() const { return FID; }
  // The name shown for the item in lists; the class name by default.
  virtual std::string DisplayName() const;

  TPersistent* GetOwner() const override;
  // The collection's path plus "[index]".
  std::string GetNamePath() const override;

 protected:
  // Lists the item at the end of `collection` (which may be null) without
  // notification; Add announces it once the object is complete.
  explicit TCollectionItem(TCollection* collection);
  // Tells the collection that this item (or, with allItems, the whole
  // collection) changed: Update(this) or Update(nullptr), unless updating.
  void Changed(bool allItems);

 private:
  friend class TCollection;
  // Leaves the collection while still fully derived, so Notify sees the
  // real item.
  bool BeginDestroy() override;

  TCollection* FCollection = nullptr;
  int FID = 0;
};

class TCollection : public TPersistent {
  MEBRATH_CLASS(TCollection, TPersistent)
 public:
  // Makes an item with the given collection (its constructor lists it
  // there); the factory must not attach it anywhere else.
  using TItemFactory = std::function<TCollectionItem*(TCollection* collection)>;
  // The factory of items of class T, made with T(collection).
  template <std::derived_from<TCollectionItem> T>
  static TItemFactory ItemFactory() {
    return [](TCollection* collection) -> TCollectionItem* {
      return TObjectFactory::New<T>(collection);
    };
  }

  explicit TCollection(TItemFactory itemFactory);
  TCollection(const TCollection&) = delete;
  TCollection& operator=(const TCollection&) = delete;
  // Destroys the items, last first, without calling Update. Derived
  // collections that must hear Notify for each item Clear() in their own
  // destructor.
  ~TCollection() override;

  // Makes a new item at the end: AfterConstruction, Notify(cnAdded), then
  // an update of the whole collection. Returns it; the collection owns it.
  TCollectionItem* Add();
  // As Add, but at `index` (0..Count()). Raises EListError "List index out
  // of bounds (%d)" on a bad index, before making anything.
  TCollectionItem* Insert(int index);
  // Destroys the item at `index`: Notify(cnDeleting), then cnExtracting
  // and an update. Raises EListError on a bad index.
  void Delete(int index);
  // Deletes every item (last first) with one update at the end.
  void Clear();

  int Count() const { return static_cast<int>(FItems.size()); }
  // Raises EListError "List index out of bounds (%d)" on a bad index.
  TCollectionItem* Items(int index) const;
  // The item with this ID, or nullptr.
  TCollectionItem* FindItemID(int id) const;

  // Nested; see the top of the file. An unmatched EndUpdate is ignored.
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();
  int UpdateCount() const { return FUpdateCount; }

  // From another collection: replaces the items with new ones, each
  // Assign-ed from the source's item, with one update. Anything else goes
  // to TPersistent::Assign.
  void Assign(const TPersistent* source) override;
  TPersistent* Owner() const { return GetOwner(); }

 protected:
  // `item` changed, or the whole collection when nullptr. Not called while
  // updating.
  virtual void Update(TCollectionItem* item);
  // An item was added, is about to leave, or is about to be destroyed.
  virtual void Notify(TCollectionItem* item, TCollectionNotification action);
  // Update(nullptr) unless updating.
  void Changed();

 private:
  friend class TCollectionItem;
  // Makes an item, listed at the end but not yet announced.
  TCollectionItem* MakeItem();
  void InsertItem(TCollectionItem* item);
  void Added(TCollectionItem* item);
  void RemoveItem(TCollectionItem* item);

  TItemFactory FItemFactory;
  std::vector<TCollectionItem*> FItems;
  int FNextID = 0;
  int FUpdateCount = 0;
};

// A collection whose owner (for GetOwner and name paths) is given.
class TOwnedCollection : public TCollection {
  MEBRATH_CLASS(TOwnedCollection, TCollection)
 public:
  TOwnedCollection(TPersistent* owner, TItemFactory itemFactory)
      : TCollection(std::move(itemFactory)), FOwner(owner) {}
  TPersistent* GetOwner() const override { return FOwner; }

 private:
  TPersistent* FOwner;
};
