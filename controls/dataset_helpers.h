// Small dataset pieces the grid and the edit controls build on:
// TBMListEh (a sorted list of bookmarks: the grid's selected rows),
// TDataLinkEh (a data link that passes every data event to a handler),
// TDatasetFieldValueListEh (the sorted distinct values of one field, for
// the column filter drop-down) and TMemoryStreamEh. GUI thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/stream.h"
#include "platform/base/string_list.h"
#include "platform/data/data_source.h"

// The dataset's own bookmark order: < 0, 0, > 0.
int DataSetCompareBookmarksEh(TDataSet* dataSet, const std::string& a, const std::string& b);

inline constexpr const char* SDataSetClosedEh = "Cannot perform this operation on a closed dataset";

class TBMListEh {
 public:
  TBMListEh() = default;
  TBMListEh(const TBMListEh&) = delete;
  TBMListEh& operator=(const TBMListEh&) = delete;
  // Clears (telling SelectionChanged) before it goes.
  virtual ~TBMListEh() = default;

  // Binary search in the dataset's bookmark order: true when found;
  // `index` gets the entry, or the place where it belongs. The last
  // answer is remembered until the list changes.
  bool Find(const std::string& bookmark, int& index);
  int IndexOf(const std::string& bookmark);
  int Count() const { return static_cast<int>(FList.size()); }
  const std::string& Items(int index) const { return FList.at(static_cast<std::size_t>(index)); }
  // Whether the dataset's current row is in the list.
  bool CurrentRowSelected();
  // Adds the current row at its sorted place, or removes it.
  virtual void SetCurrentRowSelected(bool value);
  // The dataset's current bookmark; raises "Cannot perform this operation
  // on a closed dataset" through RaiseError while not linked.
  std::string CurrentRow();
  // Empties the list, then SelectionChanged and Invalidate.
  virtual void Clear();
  // Deletes the listed records, last listed first, with the dataset's
  // controls disabled (enabled again on every path), emptying the list.
  void DeleteRecords();
  bool Linked() const { return FLinked; }
  // Clears, then SelectionChanged, then stores `value`.
  void SetLinked(bool value);
  // Before the owner lets the list go: clears and tells SelectionChanged.
  void Release();

 protected:
  virtual TDataSet* GetDataSet() = 0;
  virtual void Invalidate() {}
  [[noreturn]] virtual void RaiseError(const std::string& message);
  // After every change of the entries: forgets the remembered search.
  virtual void StringsChanged();
  virtual void SelectionChanged() {}

  std::vector<std::string>& List() { return FList; }

 private:
  int Compare(const std::string& a, const std::string& b);

  std::string FCacheBookmark;
  bool FCacheFind = false;
  int FCacheIndex = -1;
  bool FLinked = false;
  std::vector<std::string> FList;
};

// Event, its info.
using TDataLinkEventEh = std::function<void(TDataEvent event, std::intptr_t info)>;

class TDataLinkEh : public TDataLink {
 public:
  explicit TDataLinkEh(void* owner = nullptr) : FOwner(owner) {}
  void* Owner() const { return FOwner; }
  TDataLinkEventEh OnDataEvent;
  void DataEvent(TDataEvent event, std::intptr_t info) override;

 private:
  void* FOwner;
};

class TDatasetFieldValueListEh {
 public:
  TDatasetFieldValueListEh();
  ~TDatasetFieldValueListEh();
  TDatasetFieldValueListEh(const TDatasetFieldValueListEh&) = delete;
  TDatasetFieldValueListEh& operator=(const TDatasetFieldValueListEh&) = delete;

  const std::string& FieldName() const { return FFieldName; }
  void SetFieldName(const std::string& value);
  TDataSet* DataSet() const { return FDataSource->DataSet(); }
  void SetDataSet(TDataSet* value);
  // The field's distinct texts, sorted (ignoring case, so "a" and "A" are
  // one value), refilled first when out of date. The refill walks the
  // dataset from First to Eof and leaves it there.
  TStrings* Values();
  bool OutOfDate() const { return FOutOfDate; }

 private:
  void Refresh();

  std::unique_ptr<TStringList> FValues;
  bool FOutOfDate = true;
  std::string FFieldName;
  std::unique_ptr<TDataLinkEh> FLink;
  TObjectPtr<TDataSource> FDataSource;
};

// A memory stream growing in steps of 4096 bytes; its capacity is rounded
// up to a multiple of 8192.
class TMemoryStreamEh : public TMemoryStream {
 public:
  static constexpr int kMemoryDelta = 4096;
  // The capacity `requested` rounds to (0 stays 0).
  static std::int64_t RoundCapacity(std::int64_t requested);
  void SetCapacity(std::int64_t value);
  std::int64_t Capacity() const { return FCapacity; }
  std::int64_t Write(const void* buffer, std::int64_t count) override;

 private:
  std::int64_t FCapacity = 0;
};
