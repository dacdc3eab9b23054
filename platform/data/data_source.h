// TDataSource and TDataLink: how controls hear a dataset.
//
// A dataset sends every data event to its data sources, each source to its
// links. A link keeps its own window of BufferCount records inside the
// dataset's buffer ring (the dataset's window follows the largest link),
// so a grid can set ActiveRecord to each row it draws and read the fields
// of that row. GUI thread only.
//
// What a link hears, by event:
//   deUpdateState        Active and Editing are recomputed; ActiveChanged
//                        and EditingChanged run when they change.
//   deFieldChange,       RecordChanged(field) (nullptr for the whole
//   deRecordChange       record), except while the link is in its own
//                        UpdateRecord.
//   deDataSetChange      the link's window is moved to keep the active
//   deDataSetScroll      record inside it; then DataSetChanged,
//   deLayoutChange       DataSetScrolled(distance its window moved) or
//                        LayoutChanged.
//   deUpdateRecord       UpdateRecord (UpdateData with the guard).
//   deCheckBrowseMode    CheckBrowseMode.
//   deFocusControl       FocusControl(field&).
//   others               only DataEvent.
// Every event goes to the virtual DataEvent first; the routing above is the
// base DataEvent (overrides call it). Only active links hear events other
// than deUpdateState, deFocusControl and deDisabledStateChange.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/base/component.h"
#include "platform/data/data_set.h"

class TDataLink;

using TDataChangeEvent = std::function<void(TObject* sender, TField* field)>;

class TDataSource : public TComponent {
  MEBRATH_CLASS(TDataSource, TComponent)
 public:
  TDataSet* DataSet() const { return FDataSet; }
  // Attaches to `dataSet` (free notification: it is dropped when the
  // dataset goes). Raises EDatabaseError "Circular datalinks are not
  // allowed" when the dataset's master source leads back here.
  void SetDataSet(TDataSet* dataSet);
  // A disabled source reports dsInactive and its links go inactive.
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool value);
  bool AutoEdit() const { return FAutoEdit; }
  void SetAutoEdit(bool value) { FAutoEdit = value; }
  TDataSetState State() const { return FState; }
  // Puts the dataset into edit when AutoEdit is on and it browses.
  void Edit();
  // True when `dataSet` is this source's dataset or is reached through
  // the master sources of it (the circular-link check).
  bool IsLinkedTo(TDataSet* dataSet) const;
  int DataLinkCount() const { return static_cast<int>(FDataLinks.size()); }

  TNotifyEvent OnStateChange;
  TDataChangeEvent OnDataChange;
  TNotifyEvent OnUpdateData;

 protected:
  explicit TDataSource(TComponent* owner) : TComponent(owner) {}
  void BeforeDestruction() override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TDataSet;
  friend class TDataLink;
  void DataEvent(TDataEvent event, std::intptr_t info);
  void UpdateState();
  void SetState(TDataSetState value);
  void AddDataLink(TDataLink* link);
  void RemoveDataLink(TDataLink* link);
  void NotifyDataLinks(TDataEvent event, std::intptr_t info);

  TDataSet* FDataSet = nullptr;
  std::vector<TDataLink*> FDataLinks;
  TDataSetState FState = dsInactive;
  bool FEnabled = true;
  bool FAutoEdit = true;
};

class TDataLink {
 public:
  TDataLink() = default;
  TDataLink(const TDataLink&) = delete;
  TDataLink& operator=(const TDataLink&) = delete;
  // Leaves the data source.
  virtual ~TDataLink();

  TDataSource* DataSource() const { return FDataSource; }
  // Raises EDatabaseError "DataSource cannot be changed" when
  // DataSourceFixed.
  void SetDataSource(TDataSource* source);
  TDataSet* DataSet() const { return FDataSource ? FDataSource->DataSet() : nullptr; }
  bool DataSourceFixed() const { return FDataSourceFixed; }
  void SetDataSourceFixed(bool value) { FDataSourceFixed = value; }
  // The source is enabled and its dataset open.
  bool Active() const { return FActive; }
  // The dataset is in edit, insert or set-key and the link is not
  // read-only.
  bool Editing() const { return FEditing; }
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool value);
  bool VisualControl() const { return FVisualControl; }
  void SetVisualControl(bool value) { FVisualControl = value; }
  // Index of the dataset's active record inside this link's window.
  int ActiveRecord() const;
  void SetActiveRecord(int value);
  int BufferCount() const { return FBufferCount; }
  // Resizes the window (the dataset's follows the largest link).
  void SetBufferCount(int value);
  // Records in this link's window; 0 when inactive.
  int RecordCount() const { return GetRecordCount(); }
  // Asks the source to edit (unless read-only); returns Editing.
  bool Edit();
  // Runs UpdateData, with RecordChanged suppressed meanwhile.
  void UpdateRecord();
  // Re-reads the record: RecordChanged(nullptr).
  virtual void Reset() { RecordChanged(nullptr); }
  virtual int MoveBy(int distance);

  // The entry of every event (see the top of the file).
  virtual void DataEvent(TDataEvent event, std::intptr_t info);

 protected:
  virtual void ActiveChanged() {}
  virtual void CheckBrowseMode() {}
  virtual void DataSetChanged() { RecordChanged(nullptr); }
  virtual void DataSetScrolled(int distance) {
    (void)distance;
    DataSetChanged();
  }
  virtual void EditingChanged() {}
  // Clear `field` to say the request was handled.
  virtual void FocusControl(TField*& field) { (void)field; }
  virtual int GetRecordCount() const;
  virtual void LayoutChanged() { DataSetChanged(); }
  virtual void RecordChanged(TField* field) { (void)field; }
  virtual void UpdateData() {}

 private:
  friend class TDataSource;
  friend class TDataSet;
  void UpdateState();
  void SetActive(bool value);
  void SetEditing(bool value);
  void UpdateRange();

  TDataSource* FDataSource = nullptr;
  int FFirstRecord = 0;
  int FBufferCount = 1;
  bool FActive = false;
  bool FEditing = false;
  bool FReadOnly = false;
  bool FUpdating = false;
  bool FVisualControl = false;
  bool FDataSourceFixed = false;
};
