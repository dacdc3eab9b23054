#include "grid/sum_list.h"

#include <cstdint>

#include "grid/grid_utils.h"
#include "platform/base/scope_guard.h"
#include "platform/base/text.h"
#include "platform/data/data_guards.h"
#include "platform/data/data_source.h"
#include "platform/data/fields.h"

namespace {

Currency Average(Currency sum, int count) {
  return count == 0 ? Currency() : sum / Currency(count);
}

// What the current record adds to `sum`, `field` being the item's field
// (nullptr when it names none or the field is missing): one for a count
// (none for a null field it names), the value otherwise (none for null).
// False, with `share` 0, for a value beyond Currency's range.
bool RecordShare(const TDBSum& sum, TField* field, Currency& share) {
  share = Currency();
  const bool isNull = field == nullptr || field->IsNull();
  if (sum.GroupOperation() == goCount) {
    if (sum.FieldName().empty() || !isNull) share = Currency(1);
    return true;
  }
  if (isNull) return true;
  TFieldTotalEh value;
  value.Add(field);
  if (value.IsFloat()) return false;
  share = value.Exact();
  return true;
}

// `total` - `out` + `in`; false, `total` untouched, beyond Currency's range.
bool Exchange(Currency& total, Currency out, Currency in) {
  std::int64_t result = 0;
  if (__builtin_sub_overflow(total.Scaled(), out.Scaled(), &result) ||
      __builtin_add_overflow(result, in.Scaled(), &result))
    return false;
  total = Currency::FromScaled(result);
  return true;
}

}  // namespace

class TSumListDataSetWatch : public TComponent {
  MEBRATH_CLASS(TSumListDataSetWatch, TComponent)
 public:
  TSumListDataSetWatch(TComponent* owner, TDBSumListProducer* producer)
      : TComponent(owner), FProducer(producer) {}

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    if (operation == opRemove) FProducer->DataSetDestroyed(component);
  }

 private:
  TDBSumListProducer* FProducer;
};

// ---- TDBSum

void TDBSum::SetFieldName(const std::string& value) {
  if (FFieldName == value) return;
  FFieldName = value;
  Changed(false);
}

void TDBSum::SetGroupOperation(TGroupOperation value) {
  if (FGroupOperation == value) return;
  FGroupOperation = value;
  Changed(false);
}

void TDBSum::Assign(const TPersistent* source) {
  if (auto* other = dynamic_cast<const TDBSum*>(source)) {
    FGroupOperation = other->FGroupOperation;
    FFieldName = other->FFieldName;
    FOldContribution = other->FOldContribution;
    FOldFits = other->FOldFits;
    FSumValue = other->FSumValue;
    FSumIsFloat = other->FSumIsFloat;
    FSumFloat = other->FSumFloat;
    Changed(false);
    return;
  }
  TCollectionItem::Assign(source);
}

void TDBSum::SetResult(const TFieldTotalEh& total) {
  FSumIsFloat = total.IsFloat();
  FSumFloat = FSumIsFloat ? total.Value() : 0;
  FSumValue = FSumIsFloat ? Currency() : total.Exact();
}

// ---- TDBSumCollection

TDBSumCollection::TDBSumCollection(TDBSumListProducer* producer)
    : TOwnedCollection(producer, ItemFactory<TDBSum>()), FProducer(producer) {}

TDBSumCollection::~TDBSumCollection() = default;

TDBSum* TDBSumCollection::FindSum(TGroupOperation operation, const std::string& fieldName) const {
  for (int i = 0; i < Count(); ++i) {
    TDBSum* sum = Items(i);
    if (sum->GroupOperation() == operation && AnsiCompareText(sum->FieldName(), fieldName) == 0)
      return sum;
  }
  return nullptr;
}

void TDBSumCollection::Update(TCollectionItem* item) {
  (void)item;
  TComponent* owner = FProducer->Owner();
  if (owner != nullptr && (owner->ComponentState().Contains(csLoading) ||
                           owner->ComponentState().Contains(csDestroying)))
    return;
  FProducer->RecalcAll();
}

// ---- TDBSumListProducer

TDBSumListProducer::TDBSumListProducer(TComponent* owner)
    : FOwner(owner),
      FSumCollection(CreateUnique<TDBSumCollection>(this)),
      FWatch(CreateUnique<TSumListDataSetWatch>(this)) {}

TDBSumListProducer::~TDBSumListProducer() { ReturnEvents(); }

void TDBSumListProducer::DataSetDestroyed(TComponent* dataSet) {
  if (dataSet == FMasterDataSet) {
    FMasterDataSet = nullptr;
    FSavedMasterAfterScroll = nullptr;
  }
  if (dataSet == FDataSet) {
    // Its own handlers go with it; the master gets its own back.
    FDataSet = nullptr;
    ReturnEvents();
  }
}

bool TDBSumListProducer::OwnerBlocks() const {
  if (FOwner == nullptr) return false;
  const TComponentState state = FOwner->ComponentState();
  return state.Contains(csLoading) || (state.Contains(csDesigning) && !FDesignTimeWork);
}

bool TDBSumListProducer::Working() const { return FActive && FEventsHooked && !OwnerBlocks(); }

bool TDBSumListProducer::UsesVirtualRecords() {
  return FDataSet != nullptr && FVirtualRecords && FActive && !FDataSet->IsSequenced();
}

TField* TDBSumListProducer::FieldOf(const TDBSum& sum) const {
  return sum.FFieldName.empty() ? nullptr : FDataSet->FindField(sum.FFieldName);
}

// The producer's AfterScroll handler, a type of its own so that a pass
// can tell whether it is still the one the dataset calls.
struct TDBSumListProducer::TAfterScrollHook {
  TDBSumListProducer* Producer;
  void operator()(TDataSet* dataSet) const { Producer->DataSetAfterScroll(dataSet); }
};

bool TDBSumListProducer::ScrollsUnheard() const {
  return !FDataSet->BeforeScroll && !FSaved.AfterScroll &&
         FDataSet->AfterScroll.target<TAfterScrollHook>() != nullptr;
}

template <class F>
void TDBSumListProducer::ForEachSum(F&& action) {
  for (int i = 0; i < FSumCollection->Count(); ++i) action(*FSumCollection->Items(i));
}

template <class F>
void TDBSumListProducer::ForEachActiveSum(F&& action) {
  ForEachSum([&](TDBSum& sum) {
    if (sum.IsActive()) action(sum);
  });
}

void TDBSumListProducer::Changed() {
  if (SumListChanged) SumListChanged(this);
}

void TDBSumListProducer::SetDataSet(TDataSet* value) {
  if (FDataSet == value) return;
  const bool wasActive = FActive;
  if (wasActive) SetActive(false);
  FDataSet = value;
  if (wasActive) SetActive(true);
}

void TDBSumListProducer::SetActive(bool value) {
  FActive = value;
  if (OwnerBlocks()) return;
  if (value) {
    SetDataSetEvents();
    RecalcAll();
  } else {
    ReturnEvents();
    ClearSumValues();
  }
}

void TDBSumListProducer::SetExternalRecalc(bool value) {
  if (FExternalRecalc == value) return;
  FExternalRecalc = value;
  RecalcAll();
}

void TDBSumListProducer::SetVirtualRecords(bool value) {
  if (FVirtualRecords == value) return;
  FVirtualRecords = value;
  if (value) RecalcAll();
}

void TDBSumListProducer::Assign(const TPersistent* source) {
  if (auto* other = dynamic_cast<const TDBSumListProducer*>(source)) {
    SetActive(other->FActive);
    SetDataSet(other->FDataSet);
    FExternalRecalc = other->FExternalRecalc;
    FSumCollection->Assign(other->FSumCollection.get());
    OnAfterRecalcAll = other->OnAfterRecalcAll;
    OnRecalcAll = other->OnRecalcAll;
    SumListChanged = other->SumListChanged;
    SetVirtualRecords(other->FVirtualRecords);
    return;
  }
  TPersistent::Assign(source);
}

void TDBSumListProducer::SetDataSetEvents() {
  if (FEventsHooked || FDataSet == nullptr) return;
  TDataSet* ds = FDataSet;
  FSaved = {ds->AfterCancel, ds->AfterClose,  ds->AfterEdit,    ds->AfterInsert, ds->AfterOpen,
            ds->AfterPost,   ds->AfterScroll, ds->BeforeDelete, ds->AfterDelete, ds->AfterRefresh};
  ds->AfterCancel = [this](TDataSet* d) { DataSetAfterCancel(d); };
  ds->AfterClose = [this](TDataSet* d) { DataSetAfterClose(d); };
  ds->AfterEdit = [this](TDataSet* d) { DataSetAfterEdit(d); };
  ds->AfterInsert = [this](TDataSet* d) { DataSetAfterInsert(d); };
  ds->AfterOpen = [this](TDataSet* d) { DataSetAfterOpen(d); };
  ds->AfterPost = [this](TDataSet* d) { DataSetAfterPost(d); };
  ds->AfterScroll = TAfterScrollHook{this};
  ds->BeforeDelete = [this](TDataSet* d) { DataSetBeforeDelete(d); };
  ds->AfterDelete = [this](TDataSet* d) { DataSetAfterDelete(d); };
  ds->AfterRefresh = [this](TDataSet* d) { DataSetAfterRefresh(d); };
  TDataSource* master = ds->MasterSource();
  FMasterDataSet = master != nullptr ? master->DataSet() : nullptr;
  if (FMasterDataSet != nullptr) {
    FSavedMasterAfterScroll = FMasterDataSet->AfterScroll;
    FMasterDataSet->AfterScroll = [this](TDataSet* d) { MasterAfterScroll(d); };
  }
  FEventsHooked = true;
  FWatch->FreeNotification(ds);
  if (FMasterDataSet != nullptr) FWatch->FreeNotification(FMasterDataSet);
}

void TDBSumListProducer::ReturnEvents() {
  if (FEventsHooked && FDataSet != nullptr) {
    FWatch->RemoveFreeNotification(FDataSet);
    if (FMasterDataSet != nullptr) FWatch->RemoveFreeNotification(FMasterDataSet);
    TDataSet* ds = FDataSet;
    ds->AfterCancel = std::move(FSaved.AfterCancel);
    ds->AfterClose = std::move(FSaved.AfterClose);
    ds->AfterEdit = std::move(FSaved.AfterEdit);
    ds->AfterInsert = std::move(FSaved.AfterInsert);
    ds->AfterOpen = std::move(FSaved.AfterOpen);
    ds->AfterPost = std::move(FSaved.AfterPost);
    ds->AfterScroll = std::move(FSaved.AfterScroll);
    ds->BeforeDelete = std::move(FSaved.BeforeDelete);
    ds->AfterDelete = std::move(FSaved.AfterDelete);
    ds->AfterRefresh = std::move(FSaved.AfterRefresh);
  }
  if (FEventsHooked && FMasterDataSet != nullptr) {
    FWatch->RemoveFreeNotification(FMasterDataSet);
    FMasterDataSet->AfterScroll = std::move(FSavedMasterAfterScroll);
  }
  FSaved = {};
  FSavedMasterAfterScroll = nullptr;
  FMasterDataSet = nullptr;
  FEventsHooked = false;
  FVirtualRecordList.clear();
  FVirtualIndex = -1;
  FExpectedCount = -1;
}

// ---- record numbers

int TDBSumListProducer::GetRecNo() {
  if (FDataSet == nullptr) return 0;
  if (UsesVirtualRecords()) return FindVirtualRecNo(FDataSet->Bookmark()) + 1;
  return FDataSet->RecNo();
}

int TDBSumListProducer::FindVirtualRecNo(const TBookmark& bookmark) {
  const int count = static_cast<int>(FVirtualRecordList.size());
  if (count == 0 || bookmark.empty()) return -1;
  int i = FVirtualIndex < 0 || FVirtualIndex >= count ? 0 : FVirtualIndex;
  int cmp = FDataSet->CompareBookmarks(FVirtualRecordList[static_cast<std::size_t>(i)], bookmark);
  while (cmp < 0 && i + 1 < count)
    cmp = FDataSet->CompareBookmarks(FVirtualRecordList[static_cast<std::size_t>(++i)], bookmark);
  while (cmp > 0 && i > 0)
    cmp = FDataSet->CompareBookmarks(FVirtualRecordList[static_cast<std::size_t>(--i)], bookmark);
  FVirtualIndex = i;
  return cmp == 0 ? i : -1;
}

void TDBSumListProducer::SetRecNo(int value) {
  if (FDataSet == nullptr) return;
  if (UsesVirtualRecords()) {
    if (value >= 1 && value <= static_cast<int>(FVirtualRecordList.size()))
      FDataSet->GotoBookmark(FVirtualRecordList[static_cast<std::size_t>(value - 1)]);
    return;
  }
  FDataSet->SetRecNo(value);
}

bool TDBSumListProducer::HasRecordNumbers() {
  if (FDataSet == nullptr) return false;
  if (FDataSet->IsSequenced()) return true;
  return UsesVirtualRecords() &&
         (!FVirtualRecordList.empty() || (FDataSet->Bof() && FDataSet->Eof()));
}

int TDBSumListProducer::RecordCount() {
  if (FDataSet == nullptr) return 0;
  if (UsesVirtualRecords()) return static_cast<int>(FVirtualRecordList.size());
  return FDataSet->RecordCount();
}

// ---- values

void TDBSumListProducer::ZeroSums() {
  ForEachSum([](TDBSum& sum) {
    sum.FSumValue = Currency();
    sum.FSumIsFloat = false;
    sum.FSumFloat = 0;
    sum.FOldContribution = Currency();
    sum.FOldFits = true;
    sum.FRunningSum = Currency();
    sum.FNonNullCount = 0;
  });
}

void TDBSumListProducer::ClearSumValues() {
  ZeroSums();
  FDeletePending = false;
  Changed();
}

void TDBSumListProducer::RecalcAll() {
  if (!Working() || FDataSet == nullptr || !FDataSet->Active()) {
    // Items may change before the dataset opens; the open recalculates.
    return;
  }
  ClearSumValues();
  FVirtualIndex = -1;
  FDeletePending = false;
  if (OnRecalcAll) OnRecalcAll(this);
  if (!FExternalRecalc) {
    std::vector<TDBSum*> items;
    std::vector<TField*> fields;
    ForEachActiveSum([&](TDBSum& sum) {
      items.push_back(&sum);
      fields.push_back(FieldOf(sum));
    });
    const bool virtualRecords = UsesVirtualRecords();
    if (!items.empty() || virtualRecords) {
      TControlsDisabledGuard controlsOff(FDataSet);
      TFlagGuard inRecalc(FInRecalc);
      FDataSet->First();
      // First posts a pending edit, and the post adds the record's share
      // (and a new record's bookmark): the walk below counts every record
      // itself, so it starts from nothing after the post.
      ZeroSums();
      FVirtualRecordList.clear();
      std::vector<TFieldTotalEh> totals(items.size());
      auto addRecord = [&, count = items.size(), sums = items.data(), sumFields = fields.data(),
                        sumTotals = totals.data()] {
        for (std::size_t k = 0; k < count; ++k) {
          TDBSum* sum = sums[k];
          TField* field = sumFields[k];
          // A sum or an average reads the value and its null together.
          switch (sum->FGroupOperation) {
            case goSum:
              sumTotals[k].Add(field);
              break;
            case goAvg:
              if (sumTotals[k].Add(field)) ++sum->FNonNullCount;
              break;
            case goCount:
              if (sum->FFieldName.empty() || (field != nullptr && !field->IsNull()))
                sum->FSumValue += Currency(1);
              break;
          }
        }
        if (virtualRecords) FVirtualRecordList.push_back(FDataSet->Bookmark());
      };
      // Scrolling record by record is needed only for someone who hears
      // the dataset scroll; otherwise the records are read where they lie.
      if (!ScrollsUnheard() || !FDataSet->ForEachRecord(addRecord)) {
        while (!FDataSet->Eof()) {
          addRecord();
          FDataSet->Next();
        }
      }
      FDataSet->First();
      for (std::size_t k = 0; k < items.size(); ++k) {
        TDBSum* sum = items[k];
        if (sum->FGroupOperation == goSum) {
          sum->SetResult(totals[k]);
        } else if (sum->FGroupOperation == goAvg) {
          sum->FRunningSum = totals[k].IsFloat() ? Currency() : totals[k].Exact();
          sum->SetResult(totals[k].Average(sum->FNonNullCount));
        }
      }
    }
  }
  if (OnAfterRecalcAll) OnAfterRecalcAll(this);
  FOldFiltered = FDataSet->Filtered();
  FOldFilter = FDataSet->Filter();
  FExpectedCount = FDataSet->RecordCount();
  FInRecalc = false;
  Changed();
}

void TDBSumListProducer::RecalcKeepingPlace() {
  TBookmark place = FDataSet->IsEmpty() ? TBookmark() : FDataSet->Bookmark();
  RecalcAll();
  if (!place.empty() && FDataSet->BookmarkValid(place)) FDataSet->GotoBookmark(place);
}

void TDBSumListProducer::CheckRecordCount() {
  if (FExpectedCount < 0 || FDataSet->State() != dsBrowse) return;
  if (FDataSet->RecordCount() != FExpectedCount) RecalcKeepingPlace();
}

// ---- dataset events

void TDBSumListProducer::DataSetAfterOpen(TDataSet* dataSet) {
  if (FActive) RecalcAll();
  if (FSaved.AfterOpen) FSaved.AfterOpen(dataSet);
}

void TDBSumListProducer::DataSetAfterClose(TDataSet* dataSet) {
  if (FActive) {
    ClearSumValues();
    FInRecalc = false;
  }
  FVirtualRecordList.clear();
  FVirtualIndex = -1;
  FExpectedCount = -1;
  FInserting = false;
  FNewRecordPending = false;
  if (FSaved.AfterClose) FSaved.AfterClose(dataSet);
}

void TDBSumListProducer::DataSetAfterEdit(TDataSet* dataSet) {
  if (FActive) {
    ForEachActiveSum([this](TDBSum& sum) {
      TField* field = FieldOf(sum);
      sum.FOldFits = RecordShare(sum, field, sum.FOldContribution);
      if (sum.FGroupOperation != goCount)
        sum.FOldValue = field == nullptr || field->IsNull() ? Variant::Null() : field->AsVariant();
    });
  }
  if (FSaved.AfterEdit) FSaved.AfterEdit(dataSet);
}

void TDBSumListProducer::DataSetAfterInsert(TDataSet* dataSet) {
  if (FActive) {
    // A new record has no share yet, whatever defaults it was given: its
    // values enter the sums when it is posted.
    ForEachSum([](TDBSum& sum) {
      sum.FOldContribution = Currency();
      sum.FOldFits = true;
      sum.FOldValue = Variant::Null();
    });
    FInserting = true;
    if (UsesVirtualRecords()) FNewRecordPending = true;
  }
  if (FSaved.AfterInsert) FSaved.AfterInsert(dataSet);
}

void TDBSumListProducer::DataSetAfterPost(TDataSet* dataSet) {
  if (FActive) {
    bool afresh = false;
    ForEachActiveSum([&](TDBSum& sum) {
      TField* field = FieldOf(sum);
      const bool isNull = field == nullptr || field->IsNull();
      Currency share;
      const bool fits = RecordShare(sum, field, share);
      if (sum.FSumIsFloat || !sum.FOldFits || !fits) {
        afresh = true;
      } else {
        switch (sum.FGroupOperation) {
          case goSum:
          case goCount:
            afresh |= !Exchange(sum.FSumValue, sum.FOldContribution, share);
            break;
          case goAvg: {
            const bool oldNull = VarIsNull(sum.FOldValue) || VarIsEmpty(sum.FOldValue);
            if (!isNull) {
              if (oldNull) ++sum.FNonNullCount;
            } else if (!oldNull) {
              --sum.FNonNullCount;
            }
            afresh |= !Exchange(sum.FRunningSum, sum.FOldContribution, share);
            sum.FSumValue = Average(sum.FRunningSum, sum.FNonNullCount);
            break;
          }
        }
      }
      // The record now counts with what was posted.
      sum.FOldContribution = share;
      sum.FOldFits = fits;
      sum.FOldValue = isNull ? Variant::Null() : field->AsVariant();
    });
    if (FNewRecordPending && UsesVirtualRecords()) InsertPendingBookmark();
    FNewRecordPending = false;
    if (FInserting && FExpectedCount >= 0) ++FExpectedCount;
    FInserting = false;
    if (afresh && !FInRecalc) {
      RecalcKeepingPlace();
    } else {
      Changed();
      if (!FInRecalc) CheckRecordCount();
    }
  }
  if (FSaved.AfterPost) FSaved.AfterPost(dataSet);
}

void TDBSumListProducer::InsertPendingBookmark() {
  const TBookmark bookmark = FDataSet->Bookmark();
  const int count = static_cast<int>(FVirtualRecordList.size());
  int i = FVirtualIndex < 0 || FVirtualIndex > count ? 0 : FVirtualIndex;
  auto at = [&](int k) -> const TBookmark& {
    return FVirtualRecordList[static_cast<std::size_t>(k)];
  };
  while (i < count && FDataSet->CompareBookmarks(at(i), bookmark) < 0) ++i;
  while (i > 0 && FDataSet->CompareBookmarks(at(i - 1), bookmark) > 0) --i;
  FVirtualRecordList.insert(FVirtualRecordList.begin() + i, bookmark);
  FVirtualIndex = i;
}

void TDBSumListProducer::DataSetAfterCancel(TDataSet* dataSet) {
  if (FSaved.AfterCancel) FSaved.AfterCancel(dataSet);
  FNewRecordPending = false;
  FInserting = false;
}

void TDBSumListProducer::DataSetBeforeDelete(TDataSet* dataSet) {
  if (FSaved.BeforeDelete) FSaved.BeforeDelete(dataSet);
  if (!FActive) return;
  // Only noted here: the values change once the delete has succeeded.
  const bool editing = dataSet->State() == dsEdit;
  ForEachActiveSum([&](TDBSum& sum) {
    if (editing) {
      // The record leaves the file with its stored value.
      sum.FPendingDelete = sum.FOldContribution;
      sum.FPendingDeleteFits = sum.FOldFits;
      sum.FPendingDeleteNonNull = !(VarIsNull(sum.FOldValue) || VarIsEmpty(sum.FOldValue));
      return;
    }
    TField* field = FieldOf(sum);
    sum.FPendingDeleteFits = RecordShare(sum, field, sum.FPendingDelete);
    sum.FPendingDeleteNonNull = !(field == nullptr || field->IsNull());
  });
  FDeletePending = true;
  FDeleteVirtualIndex = UsesVirtualRecords() ? FindVirtualRecNo(dataSet->Bookmark()) : -1;
}

void TDBSumListProducer::DataSetAfterDelete(TDataSet* dataSet) {
  if (FActive && FDeletePending) {
    FDeletePending = false;
    bool afresh = false;
    ForEachActiveSum([&](TDBSum& sum) {
      if (sum.FSumIsFloat || !sum.FPendingDeleteFits) {
        afresh = true;
        return;
      }
      switch (sum.FGroupOperation) {
        case goSum:
        case goCount:
          afresh |= !Exchange(sum.FSumValue, sum.FPendingDelete, Currency());
          break;
        case goAvg:
          afresh |= !Exchange(sum.FRunningSum, sum.FPendingDelete, Currency());
          if (sum.FPendingDeleteNonNull) --sum.FNonNullCount;
          sum.FSumValue = Average(sum.FRunningSum, sum.FNonNullCount);
          break;
      }
    });
    if (FDeleteVirtualIndex >= 0 &&
        FDeleteVirtualIndex < static_cast<int>(FVirtualRecordList.size()))
      FVirtualRecordList.erase(FVirtualRecordList.begin() + FDeleteVirtualIndex);
    FDeleteVirtualIndex = -1;
    if (FExpectedCount > 0) --FExpectedCount;
    if (afresh && !FInRecalc)
      RecalcKeepingPlace();
    else
      Changed();
  }
  if (FSaved.AfterDelete) FSaved.AfterDelete(dataSet);
}

void TDBSumListProducer::DataSetAfterScroll(TDataSet* dataSet) {
  if (FSaved.AfterScroll) FSaved.AfterScroll(dataSet);
  if (!FActive || FInRecalc) return;
  if (dataSet->Filtered() != FOldFiltered ||
      (dataSet->Filtered() && dataSet->Filter() != FOldFilter)) {
    RecalcAll();
    return;
  }
  CheckRecordCount();
}

void TDBSumListProducer::DataSetAfterRefresh(TDataSet* dataSet) {
  if (FActive && !FInRecalc) RecalcKeepingPlace();
  if (FSaved.AfterRefresh) FSaved.AfterRefresh(dataSet);
}

void TDBSumListProducer::MasterAfterScroll(TDataSet* dataSet) {
  if (FSavedMasterAfterScroll) FSavedMasterAfterScroll(dataSet);
  if (FActive && !FInRecalc) RecalcAll();
}
