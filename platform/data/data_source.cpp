#include "platform/data/data_source.h"

#include <algorithm>

#include "platform/base/scope_guard.h"
#include "platform/data/db_consts.h"

// ---- TDataSource

void TDataSource::SetDataSet(TDataSet* dataSet) {
  if (dataSet == FDataSet) return;
  if (dataSet != nullptr && dataSet->MasterSource() != nullptr &&
      dataSet->MasterSource()->IsLinkedTo(dataSet)) {
    DatabaseError(SCircularDataLink, this);
  }
  if (FDataSet != nullptr) {
    FDataSet->RemoveDataSource(this);
    RemoveFreeNotification(FDataSet);
    // The links let go of the old dataset before they see the new one.
    SetState(dsInactive);
  }
  FDataSet = dataSet;
  if (FDataSet != nullptr) {
    FreeNotification(FDataSet);
    FDataSet->AddDataSource(this);
  }
  UpdateState();
}

bool TDataSource::IsLinkedTo(TDataSet* dataSet) const {
  const TDataSource* source = this;
  for (int guard = 0; source != nullptr && guard < 64; ++guard) {
    TDataSet* own = source->FDataSet;
    if (own == nullptr) return false;
    if (own == dataSet) return true;
    source = own->MasterSource();
  }
  return false;
}

void TDataSource::SetEnabled(bool value) {
  if (FEnabled == value) return;
  FEnabled = value;
  UpdateState();
}

void TDataSource::Edit() {
  if (FAutoEdit && FState == dsBrowse) FDataSet->Edit();
}

void TDataSource::UpdateState() {
  SetState(FEnabled && FDataSet != nullptr ? FDataSet->State() : dsInactive);
}

void TDataSource::SetState(TDataSetState value) {
  if (FState == value) return;
  TDataSetState prior = FState;
  FState = value;
  NotifyDataLinks(deUpdateState, 0);
  if (ComponentState().Contains(csDestroying)) return;
  if (OnStateChange) OnStateChange(this);
  if (prior == dsInactive && OnDataChange) OnDataChange(this, nullptr);
}

void TDataSource::NotifyDataLinks(TDataEvent event, std::intptr_t info) {
  std::vector<TDataLink*> links = FDataLinks;
  for (TDataLink* link : links) {
    if (std::find(FDataLinks.begin(), FDataLinks.end(), link) != FDataLinks.end())
      link->DataEvent(event, info);
  }
}

void TDataSource::DataEvent(TDataEvent event, std::intptr_t info) {
  if (event == deUpdateState) {
    UpdateState();
    return;
  }
  if (FState == dsInactive) return;
  NotifyDataLinks(event, info);
  switch (event) {
    case deFieldChange:
      if (OnDataChange) OnDataChange(this, reinterpret_cast<TField*>(info));
      break;
    case deRecordChange:
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange:
      if (OnDataChange) OnDataChange(this, nullptr);
      break;
    case deUpdateRecord:
      if (OnUpdateData) OnUpdateData(this);
      break;
    default:
      break;
  }
}

void TDataSource::AddDataLink(TDataLink* link) {
  FDataLinks.push_back(link);
  link->FDataSource = this;
  if (FDataSet != nullptr) FDataSet->UpdateBufferCount();
  link->UpdateState();
}

void TDataSource::RemoveDataLink(TDataLink* link) {
  link->FDataSource = nullptr;
  std::erase(FDataLinks, link);
  link->UpdateState();
  if (FDataSet != nullptr) FDataSet->UpdateBufferCount();
}

void TDataSource::BeforeDestruction() {
  while (!FDataLinks.empty()) {
    TDataLink* link = FDataLinks.back();
    link->FDataSourceFixed = false;
    link->SetDataSource(nullptr);
  }
  SetDataSet(nullptr);
  TComponent::BeforeDestruction();
}

void TDataSource::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == FDataSet) SetDataSet(nullptr);
}

// ---- TDataLink

TDataLink::~TDataLink() {
  FDataSourceFixed = false;
  if (FDataSource != nullptr) FDataSource->RemoveDataLink(this);
}

void TDataLink::SetDataSource(TDataSource* source) {
  if (source == FDataSource) return;
  if (FDataSourceFixed) DatabaseError(SDataSourceChange);
  if (FDataSource != nullptr) FDataSource->RemoveDataLink(this);
  if (source != nullptr) source->AddDataLink(this);
}

void TDataLink::SetReadOnly(bool value) {
  if (FReadOnly == value) return;
  FReadOnly = value;
  UpdateState();
}

void TDataLink::UpdateState() {
  SetActive(FDataSource != nullptr && FDataSource->State() != dsInactive);
  SetEditing(FDataSource != nullptr &&
             (FDataSource->State() == dsEdit || FDataSource->State() == dsInsert ||
              FDataSource->State() == dsSetKey) &&
             !FReadOnly);
}

void TDataLink::SetActive(bool value) {
  if (FActive == value) return;
  FActive = value;
  if (value) {
    UpdateRange();
  } else {
    FFirstRecord = 0;
  }
  ActiveChanged();
}

void TDataLink::SetEditing(bool value) {
  if (FEditing == value) return;
  FEditing = value;
  EditingChanged();
}

void TDataLink::UpdateRange() {
  TDataSet* dataSet = DataSet();
  int minFirst = std::max(0, dataSet->FActiveRecord - FBufferCount + 1);
  int maxFirst = std::max(0, dataSet->FBufferCount - FBufferCount);
  maxFirst = std::min(maxFirst, dataSet->FActiveRecord);
  if (FFirstRecord < minFirst) FFirstRecord = minFirst;
  if (FFirstRecord > maxFirst) FFirstRecord = maxFirst;
  if (FFirstRecord != 0 && dataSet->FActiveRecord - FFirstRecord < FBufferCount - 1) --FFirstRecord;
}

int TDataLink::ActiveRecord() const {
  if (!FActive || FDataSource->State() == dsSetKey) return 0;
  return DataSet()->FActiveRecord - FFirstRecord;
}

void TDataLink::SetActiveRecord(int value) {
  if (!FActive || FDataSource->State() == dsSetKey) return;
  TDataSet* dataSet = DataSet();
  dataSet->FActiveRecord =
      std::clamp(value + FFirstRecord, 0, std::max(0, dataSet->FRecordCount - 1));
}

void TDataLink::SetBufferCount(int value) {
  if (value < 1) value = 1;
  if (FBufferCount == value) return;
  FBufferCount = value;
  if (FActive) {
    UpdateRange();
    DataSet()->UpdateBufferCount();
    UpdateRange();
  }
}

int TDataLink::GetRecordCount() const {
  if (!FActive) return 0;
  return std::min(DataSet()->FRecordCount, FBufferCount);
}

bool TDataLink::Edit() {
  if (!FReadOnly && FDataSource != nullptr) FDataSource->Edit();
  return FEditing;
}

void TDataLink::UpdateRecord() {
  TFlagGuard updating(FUpdating);
  UpdateData();
}

int TDataLink::MoveBy(int distance) { return DataSet()->MoveBy(distance); }

void TDataLink::DataEvent(TDataEvent event, std::intptr_t info) {
  if (event == deUpdateState) {
    UpdateState();
    return;
  }
  if (!FActive && event != deFocusControl) return;
  switch (event) {
    case deFieldChange:
    case deRecordChange:
      if (!FUpdating) RecordChanged(reinterpret_cast<TField*>(info));
      break;
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange: {
      int count = 0;
      if (FDataSource->State() != dsSetKey) {
        int active = DataSet()->FActiveRecord;
        int first = FFirstRecord + static_cast<int>(info);
        int last = first + FBufferCount - 1;
        if (active > last) {
          count = active - last;
        } else if (active < first) {
          count = active - first;
        }
        FFirstRecord = first + count;
      }
      if (event == deDataSetChange) {
        DataSetChanged();
      } else if (event == deDataSetScroll) {
        DataSetScrolled(count);
      } else {
        LayoutChanged();
      }
      break;
    }
    case deUpdateRecord:
      UpdateRecord();
      break;
    case deCheckBrowseMode:
      CheckBrowseMode();
      break;
    case deFocusControl:
      FocusControl(*reinterpret_cast<TField**>(info));
      break;
    default:
      break;
  }
}
