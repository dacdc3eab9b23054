// TList: the classic list of untyped pointers, and TObjectList, which may
// own the objects it holds.
//
// Indexes are 0-based; a bad index raises EListError "List index out of
// bounds (%d)". Notify reports each non-null pointer that enters (lnAdded)
// or leaves (lnDeleted; lnExtracted for Extract) after the list has
// changed. Moving, exchanging, sorting and packing do not notify. Not
// thread-safe.
#pragma once

#include <algorithm>
#include <vector>

#include "platform/base/object.h"

enum TListNotification { lnAdded, lnExtracted, lnDeleted };

class TList : public TObject {
  MEBRATH_CLASS(TList, TObject)
 public:
  TList() = default;
  TList(const TList&) = delete;
  TList& operator=(const TList&) = delete;
  // Notify is not called from here: derived classes that must hear
  // lnDeleted for the remaining items Clear() in their own destructor.
  ~TList() override = default;

  int Count() const { return static_cast<int>(FList.size()); }
  // Grows with null pointers or shrinks (lnDeleted for each removed item,
  // last first). Raises EListError "List count out of bounds (%d)" when
  // negative.
  void SetCount(int count);
  int Capacity() const { return static_cast<int>(FList.capacity()); }
  // Raises EListError "List capacity out of bounds (%d)" below Count().
  void SetCapacity(int capacity);

  void* Items(int index) const {
    CheckIndex(index);
    return FList[static_cast<std::size_t>(index)];
  }
  // Replaces the item: lnDeleted for the old one, lnAdded for the new one.
  void SetItems(int index, void* item);
  // Raise EListError when the list is empty.
  void* First() const { return Items(0); }
  void* Last() const { return Items(Count() - 1); }

  // Appends; returns the new item's index.
  int Add(void* item);
  // Inserts before `index` (0..Count()).
  void Insert(int index, void* item);
  void Delete(int index);
  // Deletes the first occurrence; returns its former index or -1.
  int Remove(void* item);
  // Takes the first occurrence out (lnExtracted) and returns it; nullptr
  // when absent.
  void* Extract(void* item);
  // Deletes every item (last first) and frees the storage.
  void Clear();

  int IndexOf(const void* item) const;
  void Exchange(int index1, int index2);
  // Takes the item at `currentIndex` out and puts it back at `newIndex`.
  void Move(int currentIndex, int newIndex);
  // Removes the null pointers.
  void Pack();
  // Stable sort; `compare(a, b)` is negative, zero or positive as in the
  // classic routine. Any callable taking two void* works.
  template <class Compare>
  void Sort(Compare compare) {
    std::stable_sort(FList.begin(), FList.end(),
                     [&compare](void* a, void* b) { return compare(a, b) < 0; });
  }

 protected:
  virtual void Notify(void* item, TListNotification action);

 private:
  void CheckIndex(int index) const;

  std::vector<void*> FList;
};

// A TList of TObjects which, while OwnsObjects() (the default), frees every
// object deleted from it, including on Clear, SetItems, SetCount and its
// own destruction. Extract hands an object back without freeing it.
class TObjectList : public TList {
  MEBRATH_CLASS(TObjectList, TList)
 public:
  explicit TObjectList(bool ownsObjects = true) : FOwnsObjects(ownsObjects) {}
  ~TObjectList() override;

  bool OwnsObjects() const { return FOwnsObjects; }
  void SetOwnsObjects(bool ownsObjects) { FOwnsObjects = ownsObjects; }

  TObject* Items(int index) const { return static_cast<TObject*>(TList::Items(index)); }
  void SetItems(int index, TObject* object) { TList::SetItems(index, object); }
  TObject* First() const { return Items(0); }
  TObject* Last() const { return Items(Count() - 1); }
  int Add(TObject* object) { return TList::Add(object); }
  void Insert(int index, TObject* object) { TList::Insert(index, object); }
  int Remove(TObject* object) { return TList::Remove(object); }
  TObject* Extract(TObject* object) { return static_cast<TObject*>(TList::Extract(object)); }
  int IndexOf(const TObject* object) const { return TList::IndexOf(object); }

 protected:
  void Notify(void* item, TListNotification action) override;

 private:
  bool FOwnsObjects;
};
