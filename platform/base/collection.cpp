#include "platform/base/collection.h"

#include <algorithm>

#include "platform/base/exceptions.h"
#include "platform/base/scope_guard.h"

namespace {

[[noreturn]] void IndexError(int index) {
  throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

}  // namespace

// --- TCollectionItem

TCollectionItem::TCollectionItem(TCollection* collection) {
  if (collection != nullptr) collection->InsertItem(this);
}

TCollectionItem::~TCollectionItem() {
  if (FCollection != nullptr) FCollection->RemoveItem(this);
}

bool TCollectionItem::BeginDestroy() {
  BeforeDestruction();
  if (FCollection != nullptr) FCollection->RemoveItem(this);
  return true;
}

void TCollectionItem::SetCollection(TCollection* collection) {
  if (collection == FCollection) return;
  if (FCollection != nullptr) FCollection->RemoveItem(this);
  if (collection != nullptr) {
    collection->InsertItem(this);
    collection->Added(this);
  }
}

int TCollectionItem::Index() const {
  if (FCollection == nullptr) return -1;
  const auto& items = FCollection->FItems;
  auto it = std::find(items.begin(), items.end(), this);
  return it != items.end() ? static_cast<int>(it - items.begin()) : -1;
}

void TCollectionItem::SetIndex(int index) {
  int current = Index();
  if (current < 0) return;
  if (index < 0 || index >= FCollection->Count()) IndexError(index);
  if (index == current) return;
  auto& items = FCollection->FItems;
  if (index < current) {
    std::rotate(items.begin() + index, items.begin() + current, items.begin() + current + 1);
  } else {
    std::rotate(items.begin() + current, items.begin() + current + 1, items.begin() + index + 1);
  }
  // Every item between the two places changed its index.
  Changed(true);
}

std::string TCollectionItem::DisplayName() const { return ClassName(); }

TPersistent* TCollectionItem::GetOwner() const { return FCollection; }

std::string TCollectionItem::GetNamePath() const {
  if (FCollection == nullptr) return ClassName();
  return FCollection->GetNamePath() + "[" + std::to_string(Index()) + "]";
}

void TCollectionItem::Changed(bool allItems) {
  if (FCollection != nullptr && FCollection->FUpdateCount == 0) {
    FCollection->Update(allItems ? nullptr : this);
  }
}

// --- TCollection

TCollection::TCollection(TItemFactory itemFactory) : FItemFactory(std::move(itemFactory)) {}

TCollection::~TCollection() {
  FUpdateCount = 1;
  while (!FItems.empty()) FItems.back()->Free();
}

TCollectionItem* TCollection::MakeItem() {
  TCollectionItem* item = FItemFactory(this);
  try {
    item->AfterConstruction();
  } catch (...) {
    // It was never announced, so it leaves without notice.
    FItems.erase(std::find(FItems.begin(), FItems.end(), item));
    item->FCollection = nullptr;
    item->Free();
    throw;
  }
  return item;
}

TCollectionItem* TCollection::Add() {
  TCollectionItem* item = MakeItem();
  Added(item);
  return item;
}

TCollectionItem* TCollection::Insert(int index) {
  if (index < 0 || index > Count()) IndexError(index);
  TCollectionItem* item = MakeItem();
  std::rotate(FItems.begin() + index, FItems.end() - 1, FItems.end());
  Added(item);
  return item;
}

void TCollection::Delete(int index) {
  TCollectionItem* item = Items(index);
  Notify(item, cnDeleting);
  item->Free();
}

void TCollection::Clear() {
  if (FItems.empty()) return;
  TUpdateGuard update(*this);
  while (!FItems.empty()) Delete(Count() - 1);
}

TCollectionItem* TCollection::Items(int index) const {
  if (index < 0 || index >= Count()) IndexError(index);
  return FItems[static_cast<std::size_t>(index)];
}

TCollectionItem* TCollection::FindItemID(int id) const {
  for (TCollectionItem* item : FItems) {
    if (item->FID == id) return item;
  }
  return nullptr;
}

void TCollection::EndUpdate() {
  if (FUpdateCount == 0) return;
  --FUpdateCount;
  Changed();
}

void TCollection::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TCollection*>(source);
  if (other == nullptr) {
    TPersistent::Assign(source);
    return;
  }
  if (other == this) return;
  TUpdateGuard update(*this);
  Clear();
  for (const TCollectionItem* item : other->FItems) Add()->Assign(item);
}

void TCollection::Update(TCollectionItem*) {}

void TCollection::Notify(TCollectionItem*, TCollectionNotification) {}

void TCollection::Changed() {
  if (FUpdateCount == 0) Update(nullptr);
}

void TCollection::InsertItem(TCollectionItem* item) {
  FItems.push_back(item);
  item->FCollection = this;
  item->FID = FNextID++;
}

void TCollection::Added(TCollectionItem* item) {
  Notify(item, cnAdded);
  Changed();
}

void TCollection::RemoveItem(TCollectionItem* item) {
  Notify(item, cnExtracting);
  auto it = std::find(FItems.begin(), FItems.end(), item);
  if (it != FItems.end()) FItems.erase(it);
  item->FCollection = nullptr;
  Changed();
}
