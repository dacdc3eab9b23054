#include "grid/data_rows.h"

#include "platform/data/data_source.h"
#include "platform/data/mem_table_intf.h"

void TGridDataRowsEh::QueryMemTable(TDataSet* dataSet) {
  IMemTableEh* old = FMemTable;
  FMemTable = dataSet != nullptr ? MemTableInterfaceOf(dataSet) : nullptr;
  FMemTableDataSet = FMemTable != nullptr ? dataSet : nullptr;
  if (FMemTable != old) FHost->RowsMemTableChanged(FMemTableDataSet);
}

void TGridDataRowsEh::ForgetMemTable() {
  FMemTable = nullptr;
  FMemTableDataSet = nullptr;
}

bool TGridDataRowsEh::DataSetRemoved(const void* dataSet) {
  if (FMemTableDataSet == nullptr || dataSet != static_cast<const void*>(FMemTableDataSet))
    return false;
  ForgetMemTable();
  return true;
}

void TGridDataRowsEh::ReadAt(int rowIndex) {
  if (FHost->RowsPerRecord()) {
    FMemTable->BeginReadAt(rowIndex);
    return;
  }
  TDataLink* link = FHost->RowsLink();
  if (FSavedActiveRecord < 0) FSavedActiveRecord = link->ActiveRecord();
  link->SetActiveRecord(rowIndex);
}

void TGridDataRowsEh::BeginRow(int rowIndex) {
  FReading.push_back(rowIndex);
  ReadAt(rowIndex);
}

void TGridDataRowsEh::EndRow() {
  if (!FReading.empty()) FReading.pop_back();
  if (!FReading.empty()) {
    ReadAt(FReading.back());
    return;
  }
  if (FHost->RowsPerRecord())
    FMemTable->EndRead();
  else if (FSavedActiveRecord >= 0)
    FHost->RowsLink()->SetActiveRecord(FSavedActiveRecord);
  FSavedActiveRecord = -1;
}

bool TGridDataRowsEh::IsCurrentRow(int rowIndex) const {
  if (FHost->RowsPerRecord()) return rowIndex == FMemTable->CurrentRow();
  return rowIndex ==
         (FSavedActiveRecord >= 0 ? FSavedActiveRecord : FHost->RowsLink()->ActiveRecord());
}

int TGridDataRowsEh::DataRowCount() const {
  TDataLink* link = FHost->RowsLink();
  if (!link->Active()) return 0;
  return FHost->RowsPerRecord() ? FMemTable->RowCount() : link->RecordCount();
}
