// The sum list: sums, averages and counts of a dataset's fields kept
// current while the user works, for the grid's footers.
//
// TDBSumListProducer takes over the dataset's AfterOpen, AfterClose,
// AfterInsert, AfterEdit, AfterPost, AfterCancel, BeforeDelete,
// AfterDelete, AfterRefresh and AfterScroll (and the master dataset's
// AfterScroll), chaining the handlers that were there. It recalculates
// everything in one pass when the data as a whole changes (open, refresh,
// a filter change, a master record change, or records that appeared or
// vanished behind its back, as when another user's appends are picked up
// or a table's events are switched back on) and otherwise updates the
// values from the old and new value of one record on post and delete.
//
// The full pass disables the dataset's controls, goes to the first
// record, reads every record and goes to the first record again. When no
// one but the producer hears the dataset scroll, it reads the records in
// place (TDataSet::ForEachRecord) instead of scrolling through them: the
// same values and bookmarks, with the scroll events of the two Firsts
// only.
//
// Own work runs before the saved handler for AfterEdit, AfterInsert,
// AfterOpen, AfterPost, AfterClose, AfterDelete and AfterRefresh; the
// saved handler runs first for AfterScroll, BeforeDelete, AfterCancel and
// the master's AfterScroll.
//
// Values are Currency (four decimals, 64-bit), so incremental updates
// never drift. A value or total beyond Currency's range (a damaged
// number) sends its item on in double; a post or delete that touches such
// an item recalculates in full instead. A record is taken out of the values only once its delete
// has succeeded, with the value it has in the dataset (a record deleted
// while in edit counts with its stored value, not the unposted one).
//
// Virtual records: for a dataset that cannot number its records
// (IsSequenced false) the producer can keep the bookmarks of all records
// in dataset order, which gives record numbers and a record count.
//
// A dataset (or master) that is destroyed first is simply forgotten.
// GUI thread only.
#pragma once

#include <string>
#include <vector>

#include "platform/base/collection.h"
#include "platform/base/component.h"
#include "platform/base/currency.h"
#include "platform/base/variant.h"
#include "platform/data/data_set.h"

class TFieldTotalEh;

class TDBSumListProducer;
class TSumListDataSetWatch;

enum TGroupOperation { goSum, goAvg, goCount };

// One aggregate. FieldName may be empty only for a count of records.
class TDBSum : public TCollectionItem {
  MEBRATH_CLASS(TDBSum, TCollectionItem)
 public:
  const std::string& FieldName() const { return FFieldName; }
  // A different value marks the item changed (the producer recalculates).
  void SetFieldName(const std::string& value);
  TGroupOperation GroupOperation() const { return FGroupOperation; }
  void SetGroupOperation(TGroupOperation value);
  // The result: the sum, the average or the count (a count of n is n);
  // 0 while SumIsFloat.
  Currency SumValue() const { return FSumValue; }
  void SetSumValue(Currency value) {
    FSumValue = value;
    FSumIsFloat = false;
  }
  // The result outgrew Currency and is kept in double (SumFloat).
  bool SumIsFloat() const { return FSumIsFloat; }
  double SumFloat() const { return FSumIsFloat ? FSumFloat : FSumValue.ToDouble(); }
  // Copies operation, field name, old contribution and result.
  void Assign(const TPersistent* source) override;

 protected:
  explicit TDBSum(TCollection* collection) : TCollectionItem(collection) {}

 private:
  friend class TDBSumListProducer;
  bool IsActive() const { return FGroupOperation == goCount || !FFieldName.empty(); }
  void SetResult(const TFieldTotalEh& total);

  std::string FFieldName;
  TGroupOperation FGroupOperation = goSum;
  Currency FSumValue;
  bool FSumIsFloat = false;
  double FSumFloat = 0;
  Currency FOldContribution;  // the current record's share, from AfterEdit/AfterInsert
  bool FOldFits = true;       // false: its value is beyond Currency (FOldContribution 0)
  Variant FOldValue;          // its field value then (Null for none)
  Currency FRunningSum;       // averages: sum of the non-null values
  int FNonNullCount = 0;      // averages: how many there are
  Currency FPendingDelete;    // the share of a record being deleted
  bool FPendingDeleteNonNull = false;
  bool FPendingDeleteFits = true;
};

class TDBSumCollection : public TOwnedCollection {
  MEBRATH_CLASS(TDBSumCollection, TOwnedCollection)
 public:
  explicit TDBSumCollection(TDBSumListProducer* producer);
  ~TDBSumCollection() override;
  TDBSum* Items(int index) const { return static_cast<TDBSum*>(TCollection::Items(index)); }
  TDBSum* Add() { return static_cast<TDBSum*>(TCollection::Add()); }
  // The first item with `operation` whose field name equals `fieldName`
  // ignoring case (AnsiCompareText); nullptr when none.
  TDBSum* FindSum(TGroupOperation operation, const std::string& fieldName) const;

 protected:
  // Recalculates unless the producer's owner is loading or being
  // destroyed.
  void Update(TCollectionItem* item) override;

 private:
  TDBSumListProducer* FProducer;
};

class TDBSumListProducer : public TPersistent {
  MEBRATH_CLASS(TDBSumListProducer, TPersistent)
 public:
  // `owner` (the grid; may be null) decides loading and destruction.
  explicit TDBSumListProducer(TComponent* owner);
  // Gives the dataset its handlers back (values are left as they are).
  ~TDBSumListProducer() override;

  TComponent* Owner() const { return FOwner; }
  TDataSet* DataSet() const { return FDataSet; }
  // Unhooks the old dataset, then hooks the new one and recalculates
  // (when active).
  void SetDataSet(TDataSet* value);
  bool Active() const { return FActive; }
  // True hooks the events and recalculates; false gives the events back
  // and clears the values. Neither while the owner is loading (or being
  // designed without DesignTimeWork).
  void SetActive(bool value);
  bool ExternalRecalc() const { return FExternalRecalc; }
  void SetExternalRecalc(bool value);
  bool VirtualRecords() const { return FVirtualRecords; }
  void SetVirtualRecords(bool value);
  bool DesignTimeWork() const { return FDesignTimeWork; }
  void SetDesignTimeWork(bool value) { FDesignTimeWork = value; }
  TDBSumCollection* SumCollection() const { return FSumCollection.get(); }
  // Copies Active, the dataset, ExternalRecalc, the items, the three
  // events and VirtualRecords.
  void Assign(const TPersistent* source) override;

  // The current record's number, from 1 (virtual records: its place in
  // the list); the dataset's RecNo otherwise.
  virtual int GetRecNo();
  // The place of `bookmark` in the virtual record list, walking from the
  // last place looked at; -1 when not found.
  virtual int FindVirtualRecNo(const TBookmark& bookmark);
  virtual void SetRecNo(int value);
  virtual bool HasRecordNumbers();
  virtual int RecordCount();
  // Zeroes every value, then SumListChanged.
  virtual void ClearSumValues();
  // The full pass (see the top of the file).
  virtual void RecalcAll();

  TNotifyEvent OnAfterRecalcAll;
  TNotifyEvent OnRecalcAll;
  TNotifyEvent SumListChanged;

 protected:
  virtual void DataSetAfterCancel(TDataSet* dataSet);
  virtual void DataSetAfterClose(TDataSet* dataSet);
  virtual void DataSetAfterEdit(TDataSet* dataSet);
  virtual void DataSetAfterInsert(TDataSet* dataSet);
  virtual void DataSetAfterOpen(TDataSet* dataSet);
  virtual void DataSetAfterPost(TDataSet* dataSet);
  virtual void DataSetAfterScroll(TDataSet* dataSet);
  virtual void DataSetBeforeDelete(TDataSet* dataSet);
  virtual void DataSetAfterDelete(TDataSet* dataSet);
  virtual void DataSetAfterRefresh(TDataSet* dataSet);
  virtual void ReturnEvents();
  virtual void SetDataSetEvents();

 private:
  struct TSavedEvents {
    TDataSetNotifyEvent AfterCancel, AfterClose, AfterEdit, AfterInsert, AfterOpen, AfterPost,
        AfterScroll, BeforeDelete, AfterDelete, AfterRefresh;
  };
  bool OwnerBlocks() const;
  bool Working() const;
  bool UsesVirtualRecords();
  TField* FieldOf(const TDBSum& sum) const;
  // Runs `action(TDBSum&)` on every sum item, or on the active ones only.
  template <class F>
  void ForEachSum(F&& action);
  template <class F>
  void ForEachActiveSum(F&& action);
  void Changed();
  // Zeroes every sum and what it counts, without telling anyone.
  void ZeroSums();
  void MasterAfterScroll(TDataSet* dataSet);
  struct TAfterScrollHook;
  // True when no one but the producer hears the dataset scroll (no
  // BeforeScroll handler; AfterScroll its own, with nothing chained): a
  // pass then reads the records without scrolling through them.
  bool ScrollsUnheard() const;
  // A full pass that leaves the dataset where it was, for passes the
  // user did not ask for.
  void RecalcKeepingPlace();
  void CheckRecordCount();
  void InsertPendingBookmark();

  TComponent* FOwner;
  TDataSet* FDataSet = nullptr;
  TDataSet* FMasterDataSet = nullptr;
  bool FActive = true;
  bool FExternalRecalc = false;
  bool FVirtualRecords = false;
  bool FDesignTimeWork = false;
  bool FEventsHooked = false;
  bool FInRecalc = false;
  bool FNewRecordPending = false;
  bool FInserting = false;
  int FDeleteVirtualIndex = -1;
  bool FDeletePending = false;
  bool FOldFiltered = false;
  std::string FOldFilter;
  int FExpectedCount = -1;  // records as the values know them; -1 unknown
  int FVirtualIndex = -1;
  std::vector<TBookmark> FVirtualRecordList;
  TObjectPtr<TDBSumCollection> FSumCollection;
  TSavedEvents FSaved;
  TDataSetNotifyEvent FSavedMasterAfterScroll;
  friend class TSumListDataSetWatch;
  // Hears the destruction of the dataset and its master.
  TObjectPtr<TSumListDataSetWatch> FWatch;
  void DataSetDestroyed(TComponent* dataSet);
};
