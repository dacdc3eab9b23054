#include "report/fr_dataset.h"

#include "platform/base/stream.h"
#include "platform/base/string_list.h"
#include "platform/data/data_source.h"
#include "platform/data/field_defs.h"
#include "platform/data/fields.h"

void TfrDataset::First() {
  RecNo = 0;
  if (OnFirst) OnFirst(this);
}

void TfrDataset::Next() {
  ++RecNo;
  if (RangeEnd == reCount && RecNo >= RangeEndCount) return;
  if (OnNext) OnNext(this);
}

void TfrDataset::Prior() {
  --RecNo;
  if (OnPrior) OnPrior(this);
}

bool TfrDataset::Eof() {
  bool result = RangeEnd == reCount && RecNo >= RangeEndCount;
  if (OnCheckEOF) OnCheckEOF(this, result);
  return result;
}

// --- TfrDBDataSet -----------------------------------------------------------

void TfrDBDataSet::SetDataSet(TDataSet* value) {
  FDataSource = nullptr;
  FDataSet = value;
  if (value != nullptr) value->FreeNotification(this);
}

void TfrDBDataSet::SetDataSource(TDataSource* value) {
  FDataSource = value;
  if (value != nullptr) {
    FDataSet = nullptr;
    value->FreeNotification(this);
  }
}

void TfrDBDataSet::Notification(TComponent* component, TOperation operation) {
  TfrDataset::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == FDataSet) FDataSet = nullptr;
  if (component == FDataSource) FDataSource = nullptr;
}

TDataSet* TfrDBDataSet::GetDataSet() const {
  if (FDataSource != nullptr && FDataSource->DataSet() != nullptr) return FDataSource->DataSet();
  if (FDataSet != nullptr) return FDataSet;
  throw EDSError("Unable to open dataset " + Name());
}

void TfrDBDataSet::Init() {
  TDataSet* ds = GetDataSet();
  if (OpenDataSource) {
    ds->Open();
    if (OnOpen) OnOpen(this);
  }
  FBookmark = ds->Active() ? GetBookmarkOf(ds) : TBookmark();
  FHasBookmark = true;
  FEof = false;
}

void TfrDBDataSet::Exit() {
  TDataSet* ds = GetDataSet();
  if (FHasBookmark) {
    if ((RangeBegin == rbCurrent || RangeEnd == reCurrent) && ds->Active() && !FBookmark.empty())
      GotoBookmarkOf(ds, FBookmark);
    FreeBookmarkOf(ds, FBookmark);
    FHasBookmark = false;
  }
  if (OnClose) OnClose(this);
  if (CloseDataSource) ds->Close();
}

void TfrDBDataSet::First() {
  TDataSet* ds = GetDataSet();
  if (RangeBegin == rbFirst)
    ds->First();
  else if (!FBookmark.empty())
    GotoBookmarkOf(ds, FBookmark);
  FEof = false;
  FPassedKept = false;
  TfrDataset::First();
}

void TfrDBDataSet::Next() {
  TDataSet* ds = GetDataSet();
  FEof = false;
  if (RangeEnd != reCurrent) {
    ds->Next();
    TfrDataset::Next();
    return;
  }
  TBookmark current = GetBookmarkOf(ds);
  const bool atKept = BookmarksEqual(ds, current, FBookmark);
  FreeBookmarkOf(ds, current);
  if (RangeBegin == rbFirst && !atKept && !FPassedKept) {
    // From the first record up to the kept one.
    ds->Next();
    TfrDataset::Next();
    if (ds->Eof()) FPassedKept = true;
    return;
  }
  FEof = true;
}

void TfrDBDataSet::Prior() {
  GetDataSet()->Prior();
  TfrDataset::Prior();
}

bool TfrDBDataSet::Eof() { return TfrDataset::Eof() || GetDataSet()->Eof() || FEof; }

// --- data routines ----------------------------------------------------------

bool IsBlobField(const TField* field) {
  if (field == nullptr) return false;
  switch (field->DataType()) {
    case ftBlob:
    case ftMemo:
    case ftGraphic:
    case ftFmtMemo:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary:
      return true;
    default:
      return false;
  }
}

void AssignBlobTo(TField* field, TStream& target) {
  if (auto* blob = dynamic_cast<TBlobField*>(field)) {
    blob->SaveToStream(target);
  } else {
    const std::string bytes = field->AsString();
    target.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  }
  target.SetPosition(0);
}

void AssignBlobTo(TField* field, TStrings& target) { target.SetText(field->AsString()); }

void GetFieldNamesSafe(TDataSet* dataSet, TStrings& list) {
  list.Clear();
  if (dataSet == nullptr) return;
  try {
    dataSet->GetFieldNames(list);
    if (list.Count() == 0) {
      // A closed dataset without persistent fields: its definitions.
      dataSet->InitFieldDefs();
      TFieldDefs& defs = dataSet->FieldDefs();
      for (int i = 0; i < defs.Count(); ++i) list.Add(defs[i]->Name());
    }
  } catch (const std::exception&) {
  }
}

TBookmark GetBookmarkOf(TDataSet* dataSet) { return dataSet->GetBookmark(); }
void GotoBookmarkOf(TDataSet* dataSet, const TBookmark& bookmark) {
  dataSet->GotoBookmark(bookmark);
}
void FreeBookmarkOf(TDataSet* dataSet, TBookmark& bookmark) { dataSet->FreeBookmark(bookmark); }
bool BookmarksEqual(TDataSet* dataSet, const TBookmark& a, const TBookmark& b) {
  return dataSet->CompareBookmarks(a, b) == 0;
}
