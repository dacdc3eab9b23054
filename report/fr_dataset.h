// Report datasets: the record sources that repeating bands walk.
//
// The page builder calls Init, First, then tests Eof and calls Next (or
// Prior) until the end, and finally Exit. TfrUserDataset is driven by its
// events (data the application supplies); TfrDBDataSet walks a TDataSet,
// given directly or through a TDataSource.
//
// Ranges: rbCurrent/reCurrent start or stop at the record that was current
// at Init; reCount stops after RangeEndCount records. OnCheckEOF has the
// last word on Eof. GUI thread only.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/base/component.h"
#include "platform/base/exceptions.h"
#include "platform/data/data_set.h"

class TDataSource;
class TField;
class TStream;
class TStrings;

class EDSError : public Exception {
 public:
  using Exception::Exception;
};

enum TRangeBegin { rbFirst, rbCurrent };
enum TRangeEnd { reLast, reCurrent, reCount };
using TCheckEOFEvent = std::function<void(TObject* Sender, bool& Eof)>;

class TfrDataset : public TComponent {
  MEBRATH_CLASS(TfrDataset, TComponent)
 public:
  TRangeBegin RangeBegin = rbFirst;
  TRangeEnd RangeEnd = reLast;
  int RangeEndCount = 0;
  TNotifyEvent OnFirst;
  TNotifyEvent OnNext;
  TNotifyEvent OnPrior;
  TCheckEOFEvent OnCheckEOF;
  // Next calls since First.
  int RecNo = 0;

  virtual void Init() {}
  virtual void Exit() {}
  virtual void First();
  virtual void Next();
  virtual void Prior();
  virtual bool Eof();

 protected:
  explicit TfrDataset(TComponent* owner) : TComponent(owner) {}
};

class TfrUserDataset : public TfrDataset {
  MEBRATH_CLASS(TfrUserDataset, TfrDataset)
 protected:
  explicit TfrUserDataset(TComponent* owner) : TfrDataset(owner) {}
};

class TfrDBDataSet : public TfrDataset {
  MEBRATH_CLASS(TfrDBDataSet, TfrDataset)
 public:
  bool OpenDataSource = true;
  bool CloseDataSource = false;
  TNotifyEvent OnOpen;
  TNotifyEvent OnClose;

  TDataSet* DataSet() const { return FDataSet; }
  // Clears DataSource.
  void SetDataSet(TDataSet* value);
  TDataSource* DataSource() const { return FDataSource; }
  // A non-null source clears DataSet.
  void SetDataSource(TDataSource* value);
  // The source's dataset, else DataSet; raises EDSError "Unable to open
  // dataset " + Name when there is none.
  TDataSet* GetDataSet() const;

  void Init() override;
  void Exit() override;
  void First() override;
  void Next() override;
  void Prior() override;
  bool Eof() override;

 protected:
  explicit TfrDBDataSet(TComponent* owner) : TfrDataset(owner) {}
  void Notification(TComponent* component, TOperation operation) override;

 private:
  TDataSet* FDataSet = nullptr;
  TDataSource* FDataSource = nullptr;
  TBookmark FBookmark;
  bool FHasBookmark = false;
  bool FEof = false;
  // rbFirst with reCurrent: the walk runs from the first record to the kept
  // one, so it must move and end there.
  bool FPassedKept = false;
};

// Blob, memo, graphic, formatted memo, Paradox OLE, dBASE OLE, typed binary.
bool IsBlobField(const TField* field);
// The stream receives the field's bytes and is rewound to 0; a string list
// takes the field's text.
void AssignBlobTo(TField* field, TStream& target);
void AssignBlobTo(TField* field, TStrings& target);
// Field names (of the definitions when the dataset has no fields, as a
// closed one has); an exception while listing them is swallowed.
void GetFieldNamesSafe(TDataSet* dataSet, TStrings& list);
TBookmark GetBookmarkOf(TDataSet* dataSet);
void GotoBookmarkOf(TDataSet* dataSet, const TBookmark& bookmark);
void FreeBookmarkOf(TDataSet* dataSet, TBookmark& bookmark);
bool BookmarksEqual(TDataSet* dataSet, const TBookmark& a, const TBookmark& b);
