// TGridDataLinkEh: the data grid's link to its data source. It turns the
// dataset's notifications into calls on the grid, keeps the map from the
// grid's columns to the dataset's fields, and remembers whether the grid
// holds an edit not yet written to its field.
//
// The grid is seen through TGridDataLinkHostEh, the operations the link
// calls; the data grid implements it. GUI thread only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/data/data_source.h"

class TField;

// What the link calls on its grid.
class TGridDataLinkHostEh {
 public:
  virtual void LinkActive(bool value) = 0;
  virtual void DataChanged() = 0;
  virtual void Scroll(int distance) = 0;
  // The dataset went into or out of an editing state.
  virtual void EditingChanged() = 0;
  virtual void RecordChanged(TField* field) = 0;
  // Called by the link with the layout-change flag set.
  virtual void RequestLayout() = 0;
  // Sets the flag that tells the layout a change came from the dataset;
  // returns the previous value.
  virtual bool SetLayoutChangeFlag(bool value) = 0;
  // Takes the focus when it can; true when the grid has it.
  virtual bool AcquireFocus() = 0;
  virtual void ShowEditor() = 0;
  virtual TField* SelectedField() = 0;
  // Makes the column of `field` current (nothing when none shows it).
  virtual void SetSelectedField(TField* field) = 0;
  // While true, the link ignores data events.
  virtual bool DataEventsSuspended() = 0;
  // The source was enabled or disabled (deDisabledStateChange).
  virtual void DisabledStateChanged(bool enabled) = 0;
  // Writes the grid's edit into its field.
  virtual void UpdateData() = 0;
  // The dataset's extended features allow scrolling by record number and
  // the grid shows no footers.
  virtual bool CanMoveByRecNo() = 0;
  // The grid wants to hear when `field` is destroyed.
  virtual void WatchField(TField* field) = 0;

 protected:
  ~TGridDataLinkHostEh() = default;
};

class TGridDataLinkEh : public TDataLink {
 public:
  // The map never grows beyond this many entries.
  static constexpr int kMaxMapSize = 0xFFFFFFF;

  explicit TGridDataLinkEh(TGridDataLinkHostEh* grid);
  ~TGridDataLinkEh() override;

  TGridDataLinkHostEh* Grid() const { return FGrid; }
  int FieldCount() const { return static_cast<int>(FFieldMap.size()); }
  bool Modified() const { return FModified; }
  bool SparseMap() const { return FSparseMap; }
  void SetSparseMap(bool value) { FSparseMap = value; }
  bool InUpdateData() const { return FInUpdateData; }

  // Appends the dataset's field `fieldName` to the map (-1 when missing
  // and SparseMap). Raises EInvalidGridOperation "Grid requested to
  // display more than 256 columns" when the map is full, EDatabaseError
  // "Field '...' not found" for a missing field without SparseMap.
  // REQUIRES: the link has a dataset.
  bool AddMapping(const std::string& fieldName);
  void ClearMapping();
  // The field of map entry `index`; nullptr out of range or for -1.
  TField* GetMappedField(int index) const;
  // The dataset uses automatic fields (and, with SparseMap, every entry
  // was found).
  bool DefaultFields() const;
  // The grid's cell text changed.
  void Modify() { FModified = true; }
  // Reloads the edit text when modified; cancels the dataset otherwise.
  void Reset() override;
  int MoveBy(int distance) override;
  // Moves as a vertical scroll code asks: SB_LINEUP/SB_LINEDOWN to the
  // record just before or after the buffered ones, SB_PAGEUP/SB_PAGEDOWN by
  // `pageUp`/`pageDown` records, SB_TOP/SB_BOTTOM to the first or last.
  // Returns false and moves nothing for any other code (the thumb codes,
  // which each grid reads its own way). REQUIRES: the link is active.
  bool MoveByScrollCode(int code, int pageUp, int pageDown);
  void DataEvent(TDataEvent event, std::intptr_t info) override;

 protected:
  // TDataLink
  void ActiveChanged() override;
  void DataSetChanged() override;
  void DataSetScrolled(int distance) override;
  void EditingChanged() override;
  void FocusControl(TField*& field) override;
  int GetRecordCount() const override;
  void LayoutChanged() override;
  void RecordChanged(TField* field) override;
  void UpdateData() override;

 private:
  TGridDataLinkHostEh* FGrid;
  std::vector<std::int32_t> FFieldMap;
  bool FInUpdateData = false;
  bool FModified = false;
  bool FSparseMap = false;
};
