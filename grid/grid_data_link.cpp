#include "grid/grid_data_link.h"

#include <cstdlib>

#include "grid/grid_utils.h"
#include "platform/base/scope_guard.h"
#include "platform/data/fields.h"
#include "platform/gui/messages.h"

TGridDataLinkEh::TGridDataLinkEh(TGridDataLinkHostEh* grid) : FGrid(grid) {
  SetVisualControl(true);
}

TGridDataLinkEh::~TGridDataLinkEh() { ClearMapping(); }

bool TGridDataLinkEh::AddMapping(const std::string& fieldName) {
  if (FieldCount() >= kMaxMapSize)
    RaiseGridError("Grid requested to display more than 256 columns");
  TDataSet* dataSet = DataSet();
  TField* field = FSparseMap ? dataSet->FindField(fieldName) : dataSet->FieldByName(fieldName);
  if (FFieldMap.size() == FFieldMap.capacity()) {
    std::size_t grown = FFieldMap.empty() ? 8 : FFieldMap.capacity() * 2;
    if (grown > static_cast<std::size_t>(kMaxMapSize)) grown = kMaxMapSize;
    FFieldMap.reserve(grown);
  }
  FFieldMap.push_back(field != nullptr ? dataSet->Fields().IndexOf(field) : -1);
  if (field != nullptr) FGrid->WatchField(field);
  return true;
}

void TGridDataLinkEh::ClearMapping() { FFieldMap.clear(); }

TField* TGridDataLinkEh::GetMappedField(int index) const {
  if (index < 0 || index >= FieldCount()) return nullptr;
  const int fieldIndex = FFieldMap[static_cast<std::size_t>(index)];
  TDataSet* dataSet = DataSet();
  if (fieldIndex < 0 || dataSet == nullptr || fieldIndex >= dataSet->FieldCount()) return nullptr;
  return dataSet->Fields().Fields(fieldIndex);
}

bool TGridDataLinkEh::DefaultFields() const {
  TDataSet* dataSet = DataSet();
  if (dataSet == nullptr || !dataSet->DefaultFields()) return false;
  if (FSparseMap)
    for (std::int32_t entry : FFieldMap)
      if (entry < 0) return false;
  return true;
}

void TGridDataLinkEh::Reset() {
  if (FModified)
    RecordChanged(nullptr);
  else if (DataSet() != nullptr)
    DataSet()->Cancel();
}

int TGridDataLinkEh::MoveBy(int distance) {
  TDataSet* dataSet = DataSet();
  if (Active() && std::abs(distance) > 1 && dataSet->State() == dsBrowse &&
      FGrid->CanMoveByRecNo()) {
    const int target = dataSet->RecNo() + distance;
    if (target >= 1 && target <= dataSet->RecordCount()) {
      dataSet->SetRecNo(target);
      return distance;
    }
  }
  return TDataLink::MoveBy(distance);
}

bool TGridDataLinkEh::MoveByScrollCode(int code, int pageUp, int pageDown) {
  switch (code) {
    case SB_LINEUP:
      MoveBy(-ActiveRecord() - 1);
      return true;
    case SB_LINEDOWN:
      MoveBy(RecordCount() - ActiveRecord());
      return true;
    case SB_PAGEUP:
      MoveBy(pageUp);
      return true;
    case SB_PAGEDOWN:
      MoveBy(pageDown);
      return true;
    case SB_TOP:
      DataSet()->First();
      return true;
    case SB_BOTTOM:
      DataSet()->Last();
      return true;
    default:
      return false;
  }
}

void TGridDataLinkEh::DataEvent(TDataEvent event, std::intptr_t info) {
  if (FGrid->DataEventsSuspended()) return;
  TDataLink::DataEvent(event, info);
  if (event == deDisabledStateChange) FGrid->DisabledStateChanged(info != 0);
}

void TGridDataLinkEh::ActiveChanged() {
  FGrid->LinkActive(Active());
  FModified = false;
}

void TGridDataLinkEh::DataSetChanged() {
  FGrid->DataChanged();
  FModified = false;
}

void TGridDataLinkEh::DataSetScrolled(int distance) { FGrid->Scroll(distance); }

void TGridDataLinkEh::EditingChanged() { FGrid->EditingChanged(); }

void TGridDataLinkEh::FocusControl(TField*& field) {
  if (field == nullptr) return;
  FGrid->SetSelectedField(field);
  if (FGrid->SelectedField() == field && FGrid->AcquireFocus()) {
    field = nullptr;
    FGrid->ShowEditor();
  }
}

int TGridDataLinkEh::GetRecordCount() const {
  if (DataSource() == nullptr || DataSet() == nullptr) return 0;
  return TDataLink::GetRecordCount();
}

void TGridDataLinkEh::LayoutChanged() {
  const bool saved = FGrid->SetLayoutChangeFlag(true);
  TScopeExit restore([this, saved] { FGrid->SetLayoutChangeFlag(saved); });
  FGrid->RequestLayout();
  TDataLink::LayoutChanged();
}

void TGridDataLinkEh::RecordChanged(TField* field) {
  FGrid->RecordChanged(field);
  FModified = false;
}

void TGridDataLinkEh::UpdateData() {
  if (FInUpdateData) return;
  TFlagGuard inUpdateData(FInUpdateData);
  if (FModified) FGrid->UpdateData();
  FModified = false;
}
