#include "controls/dataset_helpers.h"

#include <algorithm>
#include <new>
#include <unordered_set>

#include "platform/base/exceptions.h"
#include "platform/base/scope_guard.h"
#include "platform/base/text.h"
#include "platform/data/data_guards.h"

int DataSetCompareBookmarksEh(TDataSet* dataSet, const std::string& a, const std::string& b) {
  return dataSet->CompareBookmarks(a, b);
}

// ------------------------------------------------------------ TBMListEh

void TBMListEh::RaiseError(const std::string& message) { throw Exception(message); }

void TBMListEh::StringsChanged() { FCacheIndex = -1; }

int TBMListEh::Compare(const std::string& a, const std::string& b) {
  return DataSetCompareBookmarksEh(GetDataSet(), a, b);
}

bool TBMListEh::Find(const std::string& bookmark, int& index) {
  if (FCacheIndex != -1 && bookmark == FCacheBookmark) {
    index = FCacheIndex;
    return FCacheFind;
  }
  bool found = false;
  int low = 0;
  int high = Count() - 1;
  while (low <= high) {
    int middle = (low + high) / 2;
    int c = Compare(FList[static_cast<std::size_t>(middle)], bookmark);
    if (c >= 0) {
      high = middle - 1;
      if (c == 0) {
        found = true;
        low = middle;
      }
    } else {
      low = middle + 1;
    }
  }
  index = low;
  FCacheBookmark = bookmark;
  FCacheFind = found;
  FCacheIndex = low;
  return found;
}

int TBMListEh::IndexOf(const std::string& bookmark) {
  int index = -1;
  return Find(bookmark, index) ? index : -1;
}

std::string TBMListEh::CurrentRow() {
  if (!FLinked) RaiseError(SDataSetClosedEh);
  return GetDataSet()->Bookmark();
}

bool TBMListEh::CurrentRowSelected() {
  int index = -1;
  return Find(CurrentRow(), index);
}

void TBMListEh::SetCurrentRowSelected(bool value) {
  std::string current = CurrentRow();
  int index = -1;
  if (Find(current, index) == value) return;
  if (value) {
    FList.insert(FList.begin() + index, current);
  } else {
    FList.erase(FList.begin() + index);
  }
  StringsChanged();
  Invalidate();
}

void TBMListEh::Clear() {
  if (FList.empty()) return;
  FList.clear();
  StringsChanged();
  SelectionChanged();
  Invalidate();
}

void TBMListEh::DeleteRecords() {
  TDataSet* ds = GetDataSet();
  {
    TControlsDisabledGuard guard(ds);
    for (int i = Count() - 1; i >= 0; --i) {
      ds->GotoBookmark(FList[static_cast<std::size_t>(i)]);
      ds->Delete();
      FList.erase(FList.begin() + i);
      StringsChanged();
    }
  }
  SelectionChanged();
}

void TBMListEh::SetLinked(bool value) {
  Clear();
  SelectionChanged();
  FLinked = value;
}

void TBMListEh::Release() {
  Clear();
  SelectionChanged();
}

// ------------------------------------------------------------ TDataLinkEh

void TDataLinkEh::DataEvent(TDataEvent event, std::intptr_t info) {
  TDataLink::DataEvent(event, info);
  if (OnDataEvent) OnDataEvent(event, info);
}

// ------------------------------------------------------------ TDatasetFieldValueListEh

TDatasetFieldValueListEh::TDatasetFieldValueListEh()
    : FValues(std::make_unique<TStringList>()),
      FLink(std::make_unique<TDataLinkEh>(this)),
      FDataSource(CreateUnique<TDataSource>()) {
  FValues->SetSorted(true);
  FValues->SetDuplicates(dupIgnore);
  FLink->OnDataEvent = [this](TDataEvent event, std::intptr_t) {
    if (event == deDataSetChange || event == dePropertyChange || event == deFieldListChange) {
      FOutOfDate = true;
    }
  };
  FLink->SetDataSource(FDataSource.get());
}

TDatasetFieldValueListEh::~TDatasetFieldValueListEh() { FLink->SetDataSource(nullptr); }

void TDatasetFieldValueListEh::SetFieldName(const std::string& value) {
  if (FFieldName == value) return;
  FFieldName = value;
  FOutOfDate = true;
}

void TDatasetFieldValueListEh::SetDataSet(TDataSet* value) {
  if (FDataSource->DataSet() == value) return;
  FDataSource->SetDataSet(value);
  FOutOfDate = true;
}

TStrings* TDatasetFieldValueListEh::Values() {
  if (FOutOfDate) Refresh();
  return FValues.get();
}

void TDatasetFieldValueListEh::Refresh() {
  FValues->Clear();
  TDataSet* ds = DataSet();
  TField* field = ds != nullptr && ds->Active() ? ds->FindField(FFieldName) : nullptr;
  if (field != nullptr) {
    // Exact duplicates go first through a hash set (a register column
    // repeats its values a lot); only the distinct texts are compared.
    std::vector<std::string> distinct;
    {
      std::unordered_set<std::string> seen;
      TControlsDisabledGuard guard(ds);
      for (ds->First(); !ds->Eof(); ds->Next()) {
        std::string v = field->AsString();
        if (seen.insert(v).second) distinct.push_back(std::move(v));
      }
    }
    // Stable: of two spellings that differ in case the first seen stays,
    // as adding them one by one to the sorted list would keep it.
    std::stable_sort(
        distinct.begin(), distinct.end(),
        [](const std::string& a, const std::string& b) { return AnsiCompareText(a, b) < 0; });
    auto end = std::unique(
        distinct.begin(), distinct.end(),
        [](const std::string& a, const std::string& b) { return AnsiCompareText(a, b) == 0; });
    distinct.erase(end, distinct.end());
    TUpdateGuard update(*FValues);
    // Filled unsorted, then sorted: a sort of a list in order is cheaper
    // than a binary search per insertion.
    FValues->SetSorted(false);
    for (std::string& v : distinct) FValues->Add(v);
    FValues->SetSorted(true);
  }
  FOutOfDate = false;
}

// ------------------------------------------------------------ TMemoryStreamEh

std::int64_t TMemoryStreamEh::RoundCapacity(std::int64_t requested) {
  if (requested <= 0) return 0;
  const std::int64_t step = 2 * kMemoryDelta;
  return (requested + step - 1) / step * step;
}

void TMemoryStreamEh::SetCapacity(std::int64_t value) {
  std::int64_t rounded = value == Size() ? value : RoundCapacity(value);
  if (rounded == 0) {
    TMemoryStream::Clear();
    FCapacity = 0;
    return;
  }
  FCapacity = rounded;
}

std::int64_t TMemoryStreamEh::Write(const void* buffer, std::int64_t count) {
  std::int64_t end = Position() + count;
  if (end > FCapacity) SetCapacity(end);
  return TMemoryStream::Write(buffer, count);
}
