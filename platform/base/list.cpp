#include "platform/base/list.h"

#include <string>

#include "platform/base/exceptions.h"

namespace {

[[noreturn]] void ListError(const char* what, int value) {
  throw EListError(std::string("List ") + what + " out of bounds (" + std::to_string(value) + ")");
}

}  // namespace

void TList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) ListError("index", index);
}

void TList::SetCount(int count) {
  if (count < 0) ListError("count", count);
  if (count >= Count()) {
    FList.resize(static_cast<std::size_t>(count), nullptr);
    return;
  }
  // One by one, so that every removed item is reported.
  while (Count() > count) Delete(Count() - 1);
}

void TList::SetCapacity(int capacity) {
  if (capacity < Count()) ListError("capacity", capacity);
  auto wanted = static_cast<std::size_t>(capacity);
  if (wanted > FList.capacity()) {
    FList.reserve(wanted);
  } else if (wanted < FList.capacity()) {
    std::vector<void*> smaller;
    smaller.reserve(wanted);
    smaller.assign(FList.begin(), FList.end());
    FList.swap(smaller);
  }
}

void TList::SetItems(int index, void* item) {
  CheckIndex(index);
  void*& slot = FList[static_cast<std::size_t>(index)];
  void* old = slot;
  if (old == item) return;
  slot = item;
  if (old != nullptr) Notify(old, lnDeleted);
  if (item != nullptr) Notify(item, lnAdded);
}

int TList::Add(void* item) {
  FList.push_back(item);
  int index = Count() - 1;
  if (item != nullptr) Notify(item, lnAdded);
  return index;
}

void TList::Insert(int index, void* item) {
  if (index < 0 || index > Count()) ListError("index", index);
  FList.insert(FList.begin() + index, item);
  if (item != nullptr) Notify(item, lnAdded);
}

void TList::Delete(int index) {
  CheckIndex(index);
  void* item = FList[static_cast<std::size_t>(index)];
  FList.erase(FList.begin() + index);
  if (item != nullptr) Notify(item, lnDeleted);
}

int TList::Remove(void* item) {
  int index = IndexOf(item);
  if (index >= 0) Delete(index);
  return index;
}

void* TList::Extract(void* item) {
  int index = IndexOf(item);
  if (index < 0) return nullptr;
  FList.erase(FList.begin() + index);
  if (item != nullptr) Notify(item, lnExtracted);
  return item;
}

void TList::Clear() {
  SetCount(0);
  if (FList.empty()) std::vector<void*>().swap(FList);
}

int TList::IndexOf(const void* item) const {
  auto it = std::find(FList.begin(), FList.end(), item);
  return it != FList.end() ? static_cast<int>(it - FList.begin()) : -1;
}

void TList::Exchange(int index1, int index2) {
  CheckIndex(index1);
  CheckIndex(index2);
  std::swap(FList[static_cast<std::size_t>(index1)], FList[static_cast<std::size_t>(index2)]);
}

void TList::Move(int currentIndex, int newIndex) {
  CheckIndex(currentIndex);
  CheckIndex(newIndex);
  auto current = FList.begin() + currentIndex;
  auto target = FList.begin() + newIndex;
  if (newIndex < currentIndex) {
    std::rotate(target, current, current + 1);
  } else {
    std::rotate(current, current + 1, target + 1);
  }
}

void TList::Pack() { std::erase(FList, nullptr); }

void TList::Notify(void*, TListNotification) {}

// --- TObjectList

TObjectList::~TObjectList() { Clear(); }

void TObjectList::Notify(void* item, TListNotification action) {
  if (FOwnsObjects && action == lnDeleted) static_cast<TObject*>(item)->Free();
  TList::Notify(item, action);
}
