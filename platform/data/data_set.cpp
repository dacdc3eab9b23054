#include "platform/data/data_set.h"

#include <algorithm>
#include <cstring>

#include "platform/base/format.h"
#include "platform/base/scope_guard.h"
#include "platform/base/string_list.h"
#include "platform/base/text.h"
#include "platform/data/data_source.h"
#include "platform/data/db_consts.h"

void DatabaseError(const std::string& message, const TComponent* component) {
  if (component != nullptr && !component->Name().empty()) {
    throw EDatabaseError(component->Name() + ": " + message);
  }
  throw EDatabaseError(message);
}

namespace {

constexpr int kMaxBufferCount = 1024;

bool InEditModes(TDataSetState state) {
  return state == dsEdit || state == dsInsert || state == dsSetKey;
}

}  // namespace

bool IsWriteState(TDataSetState state) {
  switch (state) {
    case dsEdit:
    case dsInsert:
    case dsSetKey:
    case dsCalcFields:
    case dsFilter:
    case dsNewValue:
    case dsInternalCalc:
      return true;
    default:
      return false;
  }
}

TDataSet::TDataSet(TComponent* owner, TCollection::TItemFactory fieldDefFactory)
    : TComponent(owner),
      FFields(std::make_unique<TFields>(this)),
      FFieldDefs(std::make_unique<TFieldDefs>(this, std::move(fieldDefFactory))) {}

TDataSet::~TDataSet() = default;

void TDataSet::BeforeDestruction() {
  // Close while the descendant's hooks still exist.
  try {
    SetActive(false);
  } catch (...) {
  }
  while (!FDataSources.empty()) FDataSources.back()->SetDataSet(nullptr);
  DestroyFields();
  TComponent::BeforeDestruction();
}

void TDataSet::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove) {
    for (int i = 0; i < FFields->Count(); ++i) {
      TField* field = FFields->Fields(i);
      if (field->FLookupDataSet == component) field->FLookupDataSet = nullptr;
    }
  }
}

// ---- open and close

void TDataSet::SetActive(bool value) {
  if (Active() == value) return;
  if (value) {
    DoBeforeOpen();
    try {
      OpenCursor();
      SetState(dsBrowse);
    } catch (...) {
      SetState(dsInactive);
      CloseCursor();
      throw;
    }
    DoAfterOpen();
    if (!IsEmpty()) DoAfterScroll();
  } else {
    const bool destroying = ComponentState().Contains(csDestroying);
    if (!destroying) DoBeforeClose();
    SetState(dsInactive);
    CloseCursor();
    if (!destroying) DoAfterClose();
  }
}

void TDataSet::OpenCursor() {
  FDefaultFields = FieldCount() == 0;
  InternalOpen();
  UpdateBufferCount();
  FBOF = true;
}

void TDataSet::CloseCursor() {
  FreeBuffers();
  ClearBuffers();
  InternalClose();
  FDefaultFields = false;
}

void TDataSet::FreeBuffers() {
  for (TRecordBuffer& buffer : FBuffers) {
    if (buffer != nullptr) FreeRecordBuffer(buffer);
  }
  FBuffers.clear();
  if (FScratch != nullptr) FreeRecordBuffer(FScratch);
  FScratch = nullptr;
  if (FOldValueBuffer != nullptr) FreeRecordBuffer(FOldValueBuffer);
  FOldValueBuffer = nullptr;
  FCalcBuffer = nullptr;
  FBufferCount = 0;
}

void TDataSet::InitFieldDefs() { InternalInitFieldDefs(); }

void TDataSet::CheckActive() const {
  if (FState == dsInactive) DatabaseError(SDataSetClosed, this);
}

void TDataSet::CheckInactive() const {
  if (FState != dsInactive) DatabaseError(SDataSetOpen, this);
}

void TDataSet::CheckCanModify() {
  if (!GetCanModify()) DatabaseError(SDataSetReadOnly, this);
}

void TDataSet::SetState(TDataSetState value) {
  if (FState == value) return;
  FState = value;
  FModified = false;
  DataEvent(deUpdateState, 0);
}

TDataSetState TDataSet::SetTempState(TDataSetState value) {
  TDataSetState old = FState;
  FState = value;
  ++FDisableCount;
  return old;
}

void TDataSet::RestoreState(TDataSetState value) {
  FState = value;
  --FDisableCount;
}

// ---- the buffer window

void TDataSet::ClearBuffers() {
  FRecordCount = 0;
  FActiveRecord = 0;
  FCurrentRecord = -1;
  FBOF = true;
  FEOF = true;
}

void TDataSet::ActivateBuffers() {
  FRecordCount = 1;
  FActiveRecord = 0;
  FCurrentRecord = 0;
  FBOF = false;
  FEOF = false;
}

void TDataSet::MoveBuffer(int curIndex, int newIndex) {
  if (curIndex == newIndex) return;
  auto begin = FBuffers.begin();
  if (curIndex - newIndex == 1 || newIndex - curIndex == 1) {
    // Neighbours (the one-record window and its scratch buffer): a swap.
    std::swap(FBuffers[static_cast<std::size_t>(curIndex)],
              FBuffers[static_cast<std::size_t>(newIndex)]);
    return;
  }
  if (curIndex < newIndex) {
    std::rotate(begin + curIndex, begin + curIndex + 1, begin + newIndex + 1);
  } else {
    std::rotate(begin + newIndex, begin + curIndex, begin + curIndex + 1);
  }
}

void TDataSet::SetCurrentRecord(int index) {
  if (FCurrentRecord == index) return;
  TRecordBuffer buffer = FBuffers[static_cast<std::size_t>(index)];
  switch (GetBookmarkFlag(buffer)) {
    case bfCurrent:
    case bfInserted:
      InternalSetToRecord(buffer);
      break;
    case bfBOF:
      InternalFirst();
      break;
    case bfEOF:
      InternalLast();
      break;
  }
  FCurrentRecord = index;
}

void TDataSet::UpdateCursorPos() {
  if (FRecordCount > 0) SetCurrentRecord(FActiveRecord);
}

bool TDataSet::GetNextRecord() {
  TGetMode mode = gmNext;
  if (FRecordCount > 0) {
    SetCurrentRecord(FRecordCount - 1);
    if (FState == dsInsert && FCurrentRecord == FActiveRecord &&
        GetBookmarkFlag(ActiveBuffer()) == bfCurrent) {
      mode = gmCurrent;
    }
  }
  if (GetRecord(FBuffers[static_cast<std::size_t>(FRecordCount)], mode, true) != grOK) {
    CursorPosChanged();
    return false;
  }
  if (FRecordCount == 0) {
    ActivateBuffers();
  } else if (FRecordCount < FBufferCount) {
    ++FRecordCount;
  } else {
    MoveBuffer(0, FRecordCount);
  }
  FCurrentRecord = FRecordCount - 1;
  return true;
}

bool TDataSet::GetPriorRecord() {
  if (FRecordCount > 0) SetCurrentRecord(0);
  if (GetRecord(FBuffers[static_cast<std::size_t>(FRecordCount)], gmPrior, true) != grOK) {
    CursorPosChanged();
    return false;
  }
  if (FRecordCount == 0) {
    ActivateBuffers();
  } else {
    MoveBuffer(FRecordCount, 0);
    if (FRecordCount < FBufferCount) {
      ++FRecordCount;
      ++FActiveRecord;
    }
  }
  FCurrentRecord = 0;
  return true;
}

int TDataSet::GetNextRecords() {
  int count = 0;
  while (FRecordCount < FBufferCount && GetNextRecord()) ++count;
  return count;
}

int TDataSet::GetPriorRecords() {
  int count = 0;
  while (FRecordCount < FBufferCount && GetPriorRecord()) ++count;
  return count;
}

void TDataSet::AdjustFirstRecord(int delta) {
  if (delta == 0) return;
  for (TDataSource* source : FDataSources) {
    for (TDataLink* link : source->FDataLinks) {
      if (link->FActive) link->FFirstRecord += delta;
    }
  }
}

void TDataSet::SetBufferCount(int value) {
  value = std::clamp(value, 1, kMaxBufferCount);
  if (value == FBufferCount) return;
  if (FBuffers.empty()) {
    FBuffers.assign(static_cast<std::size_t>(value) + 1, nullptr);
    for (TRecordBuffer& buffer : FBuffers) buffer = AllocRecordBuffer();
    FBufferCount = value;
    // Opening: the cursor is before the first record; fill the window.
    GetNextRecords();
    return;
  }
  if (value < FBufferCount) {
    // Drop records from the front while the active one would fall out,
    // then from the back.
    int dropFront = std::max(0, FActiveRecord - (value - 1));
    dropFront = std::min(dropFront, FRecordCount);
    for (int i = 0; i < dropFront; ++i) MoveBuffer(0, FBufferCount);
    FRecordCount -= dropFront;
    FActiveRecord -= dropFront;
    if (FCurrentRecord >= 0) FCurrentRecord -= dropFront;
    AdjustFirstRecord(-dropFront);
    if (FRecordCount > value) FRecordCount = value;
    if (FCurrentRecord < 0 || FCurrentRecord >= FRecordCount) CursorPosChanged();
    // Free the buffers beyond value (keep one scratch at index value).
    for (std::size_t i = static_cast<std::size_t>(value) + 1; i < FBuffers.size(); ++i) {
      FreeRecordBuffer(FBuffers[i]);
    }
    FBuffers.resize(static_cast<std::size_t>(value) + 1);
    FBufferCount = value;
    return;
  }
  // Growing: the scratch buffer stays last.
  TRecordBuffer scratch = FBuffers.back();
  FBuffers.pop_back();
  while (static_cast<int>(FBuffers.size()) < value) FBuffers.push_back(AllocRecordBuffer());
  FBuffers.push_back(scratch);
  FBufferCount = value;
  if (FRecordCount > 0) {
    GetNextRecords();
    AdjustFirstRecord(GetPriorRecords());
  }
}

void TDataSet::UpdateBufferCount() {
  if (!IsCursorOpen()) return;
  int maxCount = 1;
  for (TDataSource* source : FDataSources) {
    for (TDataLink* link : source->FDataLinks) maxCount = std::max(maxCount, link->FBufferCount);
  }
  SetBufferCount(maxCount);
}

void TDataSet::Resync(TResyncMode mode) {
  TRecordBuffer scratch = FBuffers[static_cast<std::size_t>(FRecordCount)];
  if (mode.Contains(rmExact)) {
    CursorPosChanged();
    if (GetRecord(scratch, gmCurrent, true) != grOK) DatabaseError(SRecordNotFound, this);
  } else if (GetRecord(scratch, gmCurrent, false) != grOK &&
             GetRecord(scratch, gmNext, false) != grOK &&
             GetRecord(scratch, gmPrior, false) != grOK) {
    ClearBuffers();
    DataEvent(deDataSetChange, 0);
    return;
  }
  int count = mode.Contains(rmCenter) ? (FBufferCount - 1) / 2 : FActiveRecord;
  MoveBuffer(FRecordCount, 0);
  ActivateBuffers();
  RunFinally(
      [&] {
        while (count > 0 && GetPriorRecord()) --count;
        GetNextRecords();
        GetPriorRecords();
      },
      [this] { DataEvent(deDataSetChange, 0); });
}

// ---- navigation

int TDataSet::RecNo() {
  if (FState != dsInactive && FState != dsInsert) UpdateCursorPos();
  return GetRecNo();
}

void TDataSet::First() {
  CheckBrowseMode();
  DoBeforeScroll();
  ClearBuffers();
  {
    TFinallyGuard changed([this] {
      FBOF = true;
      DataEvent(deDataSetChange, 0);
    });
    InternalFirst();
    GetNextRecord();
    GetNextRecords();
  }
  DoAfterScroll();
}

void TDataSet::Last() {
  CheckBrowseMode();
  DoBeforeScroll();
  ClearBuffers();
  {
    TFinallyGuard changed([this] {
      FEOF = true;
      DataEvent(deDataSetChange, 0);
    });
    InternalLast();
    GetPriorRecord();
    GetPriorRecords();
  }
  DoAfterScroll();
}

int TDataSet::MoveBy(int distance) {
  CheckBrowseMode();
  int result = 0;
  DoBeforeScroll();
  if ((distance > 0 && !FEOF) || (distance < 0 && !FBOF)) {
    FBOF = false;
    FEOF = false;
    int scrollCount = 0;
    // Every scroll, and a browse one by one, comes here: the guard that
    // needs no count of the exceptions in flight.
    RunFinally(
        [&] {
          while (distance > 0) {
            if (FActiveRecord < FRecordCount - 1) {
              ++FActiveRecord;
            } else {
              int shift = FRecordCount < FBufferCount ? 0 : 1;
              if (!GetNextRecord()) {
                FEOF = true;
                break;
              }
              scrollCount -= shift;
              if (FActiveRecord < FRecordCount - 1) ++FActiveRecord;
            }
            --distance;
            ++result;
          }
          while (distance < 0) {
            if (FActiveRecord > 0) {
              --FActiveRecord;
            } else {
              int shift = FRecordCount < FBufferCount ? 0 : 1;
              if (!GetPriorRecord()) {
                FBOF = true;
                break;
              }
              scrollCount += shift;
              if (FActiveRecord > 0) --FActiveRecord;
            }
            ++distance;
            --result;
          }
        },
        [&] { DataEvent(deDataSetScroll, scrollCount); });
    DoAfterScroll();
  }
  return result;
}

bool TDataSet::ForEachRecord(const std::function<void()>& visit) {
  if (FState != dsBrowse) return false;
  if (IsEmpty()) return true;
  // The spare buffer behind the window stands in for the active one, so
  // the fields read each record as it comes; the controls are told
  // nothing while it does.
  const std::size_t active = static_cast<std::size_t>(FActiveRecord);
  const std::size_t spare = static_cast<std::size_t>(FBufferCount);
  const int current = FCurrentRecord;
  std::swap(FBuffers[active], FBuffers[spare]);
  TDepthGuard quiet(FDisableCount);
  TFinallyGuard putBack([&] {
    std::swap(FBuffers[active], FBuffers[spare]);
    CursorPosChanged();
    if (current >= 0) SetCurrentRecord(current);
  });
  CursorPosChanged();
  InternalFirst();
  TRecordBuffer buffer = FBuffers[active];
  while (GetRecord(buffer, gmNext, true) == grOK) visit();
  return true;
}

// ---- editing

void TDataSet::CheckOperation(void (TDataSet::*operation)(),
                              void (TDataSet::*errorEvent)(EDatabaseError&, TDataAction&)) {
  for (;;) {
    try {
      UpdateCursorPos();
      (this->*operation)();
      return;
    } catch (EDatabaseError& e) {
      TDataAction action = daFail;
      (this->*errorEvent)(e, action);
      if (action == daFail) throw;
      if (action == daAbort) throw EAbort("Operation aborted");
    }
  }
}

void TDataSet::InitRecord(TRecordBuffer buffer) {
  InternalInitRecord(buffer);
  ClearCalcFields(buffer);
  SetBookmarkFlag(buffer, bfInserted);
}

void TDataSet::BeginInsertAppend() {
  CheckBrowseMode();
  CheckCanModify();
  DoBeforeInsert();
  DoBeforeScroll();
}

void TDataSet::EndInsertAppend() {
  SetState(dsInsert);
  try {
    DoOnNewRecord();
  } catch (...) {
    UpdateCursorPos();
    SetState(dsBrowse);
    Resync({});
    throw;
  }
  FModified = false;
  DataEvent(deDataSetChange, 0);
  DoAfterInsert();
  DoAfterScroll();
}

void TDataSet::Insert() {
  BeginInsertAppend();
  TBookmarkStr oldCurrent = Bookmark();
  MoveBuffer(FRecordCount, FActiveRecord);
  TRecordBuffer buffer = ActiveBuffer();
  InitRecord(buffer);
  if (FRecordCount == 0) {
    SetBookmarkFlag(buffer, bfBOF);
  } else if (!oldCurrent.empty()) {
    SetBookmarkData(buffer, oldCurrent.data());
  }
  if (FRecordCount < FBufferCount) ++FRecordCount;
  SaveOldValues(true);
  InternalInsert();
  EndInsertAppend();
}

void TDataSet::Append() {
  BeginInsertAppend();
  ClearBuffers();
  TRecordBuffer buffer = FBuffers[0];
  InitRecord(buffer);
  SetBookmarkFlag(buffer, bfEOF);
  FRecordCount = 1;
  FBOF = false;
  GetPriorRecords();
  SaveOldValues(true);
  InternalInsert();
  EndInsertAppend();
}

void TDataSet::Edit() {
  if (FState == dsEdit || FState == dsInsert) return;
  if (FRecordCount == 0) {
    Insert();
    return;
  }
  CheckBrowseMode();
  CheckCanModify();
  DoBeforeEdit();
  SaveOldValues(false);
  CheckOperation(&TDataSet::CallInternalEdit, &TDataSet::DoOnEditError);
  GetCalcFields(ActiveBuffer());
  SetState(dsEdit);
  DataEvent(deRecordChange, 0);
  DoAfterEdit();
}

void TDataSet::SaveOldValues(bool inserting) {
  if (FOldValueBuffer == nullptr) FOldValueBuffer = AllocRecordBuffer();
  if (inserting) {
    InternalInitRecord(FOldValueBuffer);
    return;
  }
  const int size = GetRecordSize();
  if (size > 0) std::copy_n(ActiveBuffer(), size, FOldValueBuffer);
}

Variant TDataSet::GetStateFieldValue(TDataSetState state, TField* field) {
  if (state == dsOldValue && FState != dsEdit && FState != dsInsert) return field->AsVariant();
  if (state == dsOldValue && field->FieldKind() != fkData && field->FieldKind() != fkInternalCalc)
    return Variant::Null();
  TDataSetState saved = SetTempState(state);
  TScopeExit restore([&] { RestoreState(saved); });
  return field->AsVariant();
}

void TDataSet::UpdateRecord() {
  if (!IsWriteState(FState)) DatabaseError(SNotEditing, this);
  DataEvent(deUpdateRecord, 0);
}

void TDataSet::Post() {
  UpdateRecord();
  if (FState != dsEdit && FState != dsInsert) return;
  DataEvent(deCheckBrowseMode, 0);
  DoBeforePost();
  CheckOperation(&TDataSet::CallInternalPost, &TDataSet::DoOnPostError);
  SetState(dsBrowse);
  Resync({});
  DoAfterPost();
}

void TDataSet::Cancel() {
  if (FState != dsEdit && FState != dsInsert) return;
  DataEvent(deCheckBrowseMode, 0);
  DoBeforeCancel();
  const bool scrollEvents = FState == dsInsert;
  if (scrollEvents) DoBeforeScroll();
  UpdateCursorPos();
  InternalCancel();
  SetState(dsBrowse);
  Resync({});
  DoAfterCancel();
  if (scrollEvents) DoAfterScroll();
}

void TDataSet::Delete() {
  CheckActive();
  if (FState == dsInsert || FState == dsSetKey) {
    Cancel();
    return;
  }
  if (FRecordCount == 0) DatabaseError(SDataSetEmpty, this);
  DataEvent(deCheckBrowseMode, 0);
  DoBeforeDelete();
  DoBeforeScroll();
  CheckOperation(&TDataSet::CallInternalDelete, &TDataSet::DoOnDeleteError);
  SetState(dsBrowse);
  Resync({});
  DoAfterDelete();
  DoAfterScroll();
}

void TDataSet::Refresh() {
  DoBeforeRefresh();
  CheckBrowseMode();
  UpdateCursorPos();
  {
    TFinallyGuard resync([this] { Resync({}); });
    InternalRefresh();
  }
  DoAfterRefresh();
}

void TDataSet::CheckBrowseMode() {
  CheckActive();
  DataEvent(deCheckBrowseMode, 0);
  switch (FState) {
    case dsEdit:
    case dsInsert:
      UpdateRecord();
      if (FModified) {
        Post();
      } else {
        Cancel();
      }
      break;
    case dsSetKey:
      Post();
      break;
    default:
      break;
  }
}

void TDataSet::ClearFields() {
  if (!InEditModes(FState)) DatabaseError(SNotEditing, this);
  DataEvent(deCheckBrowseMode, 0);
  TRecordBuffer buffer = ActiveBuffer();
  // Keep the bookmark and flag: InternalInitRecord clears only the values.
  TBookmarkFlag flag = GetBookmarkFlag(buffer);
  std::string bookmark(static_cast<std::size_t>(FBookmarkSize), '\0');
  if (FBookmarkSize > 0) GetBookmarkData(buffer, bookmark.data());
  InternalInitRecord(buffer);
  if (FBookmarkSize > 0) SetBookmarkData(buffer, bookmark.data());
  SetBookmarkFlag(buffer, flag);
  if (FState != dsSetKey) GetCalcFields(buffer);
  FModified = true;
  DataEvent(deRecordChange, 0);
}

void TDataSet::InternalPost() {
  if (!FRequiredFieldsKnown) {
    FRequiredFields.clear();
    for (int i = 0; i < FFields->Count(); ++i) {
      TField* field = FFields->Fields(i);
      if (field->Required() && !field->ReadOnly() && field->FieldKind() == fkData)
        FRequiredFields.push_back(field);
    }
    FRequiredFieldsKnown = true;
  }
  for (std::size_t i = 0; i < FRequiredFields.size(); ++i) {
    TField* field = FRequiredFields[i];
    if (field->IsNull()) {
      field->FocusControl();
      DatabaseError(Format(SFieldRequired, field->DisplayName()));
    }
  }
}

// ---- bookmarks

TBookmarkStr TDataSet::Bookmark() {
  if ((FState == dsBrowse || FState == dsEdit || FState == dsInsert) && !IsEmpty() &&
      FBookmarkSize > 0 && GetBookmarkFlag(ActiveBuffer()) == bfCurrent) {
    std::string result(static_cast<std::size_t>(FBookmarkSize), '\0');
    GetBookmarkData(ActiveBuffer(), result.data());
    return result;
  }
  return {};
}

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
  if (bookmark.empty()) return;
  CheckBrowseMode();
  DoBeforeScroll();
  InternalGotoBookmark(bookmark.data());
  Resync(TResyncMode{rmExact, rmCenter});
  DoAfterScroll();
}

int TDataSet::CompareBookmarks(const TBookmark&, const TBookmark&) {
  DatabaseError(SBookmarksNotSupported, this);
}

bool TDataSet::BookmarkValid(const TBookmark&) { DatabaseError(SBookmarksNotSupported, this); }

// ---- controls and data events

void TDataSet::DisableControls() {
  if (FDisableCount == 0) {
    FDisableState = FState;
    FEnableEvent = deDataSetChange;
    DataEvent(deDisabledStateChange, 0);
  }
  ++FDisableCount;
}

void TDataSet::EnableControls() {
  if (FDisableCount == 0) return;
  if (--FDisableCount != 0) return;
  DataEvent(deDisabledStateChange, 1);
  if (FDisableState != FState) DataEvent(deUpdateState, 0);
  if (FDisableState != dsInactive && FState != dsInactive) DataEvent(FEnableEvent, 0);
}

void TDataSet::DataEvent(TDataEvent event, std::intptr_t info) {
  bool recalculated = false;
  switch (event) {
    case deFieldChange: {
      auto* field = reinterpret_cast<TField*>(info);
      if (field->FieldKind() == fkData || field->FieldKind() == fkInternalCalc) FModified = true;
      if (FState != dsSetKey) {
        if (FCalcFieldsSize != 0 && field->FieldKind() == fkData) {
          GetCalcFields(ActiveBuffer());
          recalculated = true;
        }
        field->Change();
      }
      break;
    }
    default:
      break;
  }
  // Telling the sources is a call apart: the usual field change while
  // controls are disabled need not set up its copy of them.
  struct TTell {
    [[gnu::noinline]] static void Sources(TDataSet& set, TDataEvent event, std::intptr_t info,
                                          bool recalculated) {
      // A source may leave while it is told; iterate over a copy.
      std::vector<TDataSource*> sources = set.FDataSources;
      for (TDataSource* source : sources) source->DataEvent(event, info);
      // The calculated values changed with the edit: their controls show
      // them now, not after the post.
      if (recalculated) {
        for (int i = 0; i < set.FFields->Count(); ++i) {
          TField* calculated = set.FFields->Fields(i);
          if (calculated->FieldKind() != fkCalculated && calculated->FieldKind() != fkLookup)
            continue;
          for (TDataSource* source : std::vector<TDataSource*>(set.FDataSources))
            source->DataEvent(deFieldChange, reinterpret_cast<std::intptr_t>(calculated));
        }
      }
    }
  };
  if (FDisableCount == 0 && FState != dsBlockRead) {
    if (!FDataSources.empty()) TTell::Sources(*this, event, info, recalculated);
  } else if ((event == deUpdateState && FState == dsInactive) || event == deLayoutChange) {
    FEnableEvent = deLayoutChange;
  }
}

void TDataSet::AddDataSource(TDataSource* source) {
  FDataSources.push_back(source);
  UpdateBufferCount();
}

void TDataSet::RemoveDataSource(TDataSource* source) {
  std::erase(FDataSources, source);
  UpdateBufferCount();
}

// ---- fields

void TDataSet::GetFieldNames(TStrings& list) const {
  list.BeginUpdate();
  list.Clear();
  for (int i = 0; i < FFields->Count(); ++i) list.Add(FFields->Fields(i)->FieldName());
  list.EndUpdate();
}

std::vector<TField*> TDataSet::GetFieldList(std::string_view names) const {
  std::vector<TField*> result;
  std::size_t pos = 0;
  while (pos <= names.size()) {
    std::size_t end = names.find(';', pos);
    if (end == std::string_view::npos) end = names.size();
    std::string name = Trim(names.substr(pos, end - pos));
    if (!name.empty()) result.push_back(FieldByName(name));
    pos = end + 1;
  }
  return result;
}

Variant TDataSet::FieldValues(std::string_view names) const {
  std::vector<TField*> fields = GetFieldList(names);
  if (fields.size() == 1) return fields[0]->Value();
  std::vector<Variant> values;
  for (TField* field : fields) values.push_back(field->Value());
  return VarArrayOf(std::move(values));
}

void TDataSet::SetFieldValues(std::string_view names, const Variant& value) {
  std::vector<TField*> fields = GetFieldList(names);
  if (fields.size() == 1) {
    fields[0]->SetValue(value);
    return;
  }
  for (std::size_t i = 0; i < fields.size(); ++i) {
    fields[i]->SetValue(VarArrayGet(value, VarArrayLowBound(value) + static_cast<int>(i)));
  }
}

void TDataSet::CreateFields() {
  for (int i = 0; i < FFieldDefs->Count(); ++i) {
    TFieldDef* def = FFieldDefs->Items(i);
    if (def->DataType() != ftUnknown) def->CreateField(this);
  }
}

namespace {

int TypeFamily(TFieldType type) {
  switch (type) {
    case ftString:
    case ftFixedChar:
    case ftWideString:
      return 1;
    case ftInteger:
    case ftAutoInc:
      return 2;
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftFMTBcd:
      return 3;
    case ftMemo:
    case ftFmtMemo:
      return 4;
    case ftDateTime:
    case ftTimeStamp:
      return 5;
    case ftBlob:
    case ftGraphic:
    case ftTypedBinary:
      return 6;
    default:
      return 100 + static_cast<int>(type);
  }
}

}  // namespace

void TDataSet::BindFields(bool binding) {
  FCalcFieldsSize = 0;
  FLookupFieldsKnown = false;
  for (int i = 0; i < FFields->Count(); ++i) {
    TField* field = FFields->Fields(i);
    if (!binding) {
      field->Bind(false);
      field->FFieldNo = 0;
      continue;
    }
    if (field->FieldKind() == fkCalculated || field->FieldKind() == fkLookup) {
      field->FFieldNo = -1;
      field->FOffset = FCalcFieldsSize;
      FCalcFieldsSize += field->DataSize() + 1;
    } else if (field->FieldKind() == fkData || field->FieldKind() == fkInternalCalc) {
      int index = FFieldDefs->IndexOf(field->FieldName());
      if (index < 0) DatabaseError(Format(SFieldNotFound, field->DisplayName()), this);
      TFieldDef* def = FFieldDefs->Items(index);
      if (TypeFamily(def->DataType()) != TypeFamily(field->DataType())) {
        DatabaseError(
            Format(SFieldTypeMismatch, field->DisplayName(),
                   FieldTypeDisplayName(field->DataType()), FieldTypeDisplayName(def->DataType())),
            this);
      }
      field->FFieldNo = def->FieldNo();
    }
    field->Bind(true);
  }
}

// ---- calculated fields

void TDataSet::GetCalcFields(TRecordBuffer buffer) {
  if (FCalcFieldsSize == 0) return;
  TValueGuard state(FState, dsCalcFields);
  TValueGuard calcBuffer(FCalcBuffer, FCalcBuffer);  // CalculateFields moves it
  CalculateFields(buffer);
}

void TDataSet::CalculateFields(TRecordBuffer buffer) {
  FCalcBuffer = buffer;
  if (FState != dsInternalCalc) {
    ClearCalcFields(buffer);
    if (!FLookupFieldsKnown) {
      FLookupFields.clear();
      for (int i = 0; i < FFields->Count(); ++i) {
        TField* field = FFields->Fields(i);
        if (field->FieldKind() == fkLookup) FLookupFields.push_back(field);
      }
      FLookupFieldsKnown = true;
    }
    for (TField* field : FLookupFields) {
      TDataSet* lookup = field->LookupDataSet();
      if (lookup == nullptr || !lookup->Active()) continue;
      Variant keys = FieldValues(field->KeyFields());
      field->SetValue(lookup->Lookup(field->LookupKeyFields(), keys, field->LookupResultField()));
    }
  }
  DoOnCalcFields();
}

// ---- the calculated area

void TDataSet::ClearCalcFields(TRecordBuffer buffer) {
  if (FCalcFieldsOffset >= 0 && FCalcFieldsSize > 0)
    std::memset(buffer + FCalcFieldsOffset, 0, static_cast<std::size_t>(FCalcFieldsSize));
}

bool TDataSet::GetCalcFieldData(const char* record, const TField* field, void* buffer) const {
  const char* slot = record + FCalcFieldsOffset + field->Offset();
  if (slot[0] == 0) return false;
  if (buffer != nullptr) std::memcpy(buffer, slot + 1, static_cast<std::size_t>(field->DataSize()));
  return true;
}

void TDataSet::SetCalcFieldData(char* record, const TField* field, const void* buffer) const {
  char* slot = record + FCalcFieldsOffset + field->Offset();
  const auto size = static_cast<std::size_t>(field->DataSize());
  slot[0] = buffer != nullptr ? 1 : 0;
  if (buffer != nullptr)
    std::memcpy(slot + 1, buffer, size);
  else
    std::memset(slot + 1, 0, size);
}

// ---- field data (the base stores nothing)

bool TDataSet::GetFieldData(TField*, void*) { return false; }

bool TDataSet::GetFieldString(TField* field, std::string& value) {
  return field->GetStringDataThroughBuffer(value);
}

bool TDataSet::GetFieldCurrency(TField* field, Currency& value) {
  if (field->IsNull()) return false;
  value = field->AsCurrency();
  return true;
}

bool TDataSet::GetFieldDecimalText(TField*, std::string_view&) { return false; }

bool TDataSet::GetFieldDateParts(TField*, TDateParts&) { return false; }

void TDataSet::SetFieldData(TField*, const void*) {}

int TDataSet::Translate(const char* src, char* dest, bool) {
  if (src == nullptr) return 0;
  std::size_t length = std::char_traits<char>::length(src);
  if (src != dest) std::char_traits<char>::copy(dest, src, length + 1);
  return static_cast<int>(length);
}

std::unique_ptr<TStream> TDataSet::CreateBlobStream(TField*, TBlobStreamMode) {
  DatabaseError(SNotSupported, this);
}

// ---- search

namespace {

bool FieldMatches(TField* field, const Variant& key, TLocateOptions options) {
  if (VarIsNull(key) || VarIsEmpty(key)) return field->IsNull();
  if (field->IsNull()) return false;
  switch (field->DataType()) {
    case ftString:
    case ftFixedChar:
    case ftWideString:
    case ftMemo:
    case ftFmtMemo: {
      std::string text = field->AsString();
      std::string wanted = VarToStr(key);
      if (options.Contains(loCaseInsensitive)) {
        text = AnsiUpperCase(text);
        wanted = AnsiUpperCase(wanted);
      }
      if (options.Contains(loPartialKey)) return text.compare(0, wanted.size(), wanted) == 0;
      return text == wanted;
    }
    default:
      try {
        return VarCompareValue(field->Value(), key) == vrEqual;
      } catch (const Exception&) {
        return false;
      }
  }
}

}  // namespace

bool TDataSet::LocateRecord(const std::string& keyFields, const Variant& keyValues,
                            TLocateOptions options) {
  std::vector<TField*> fields = GetFieldList(keyFields);
  std::vector<Variant> keys;
  if (fields.size() == 1 && !VarIsArray(keyValues)) {
    keys.push_back(keyValues);
  } else {
    for (std::size_t i = 0; i < fields.size(); ++i) {
      keys.push_back(VarArrayGet(keyValues, VarArrayLowBound(keyValues) + static_cast<int>(i)));
    }
  }
  if (FScratch == nullptr) FScratch = AllocRecordBuffer();
  CursorPosChanged();
  InternalFirst();
  bool found = false;
  // The candidates are read into the scratch buffer and looked at in the
  // calc-fields state, where fields read CalcBuffer.
  while (!found && GetRecord(FScratch, gmNext, true) == grOK) {
    TDataSetState saved = SetTempState(dsCalcFields);
    TScopeExit restore([&] { RestoreState(saved); });
    FCalcBuffer = FScratch;
    found = true;
    for (std::size_t i = 0; i < fields.size() && found; ++i)
      found = FieldMatches(fields[i], keys[i], options);
  }
  return found;
}

bool TDataSet::Locate(const std::string& keyFields, const Variant& keyValues,
                      TLocateOptions options) {
  CheckBrowseMode();
  DoBeforeScroll();
  bool found = LocateRecord(keyFields, keyValues, options);
  CursorPosChanged();
  if (found) {
    InternalSetToRecord(FScratch);
    Resync(TResyncMode{rmExact, rmCenter});
    DoAfterScroll();
  }
  return found;
}

Variant TDataSet::Lookup(const std::string& keyFields, const Variant& keyValues,
                         const std::string& resultFields) {
  CheckBrowseMode();
  Variant result = Variant::Null();
  bool found = LocateRecord(keyFields, keyValues, {});
  TScopeExit moved([this] { CursorPosChanged(); });
  if (found) {
    TDataSetState saved = SetTempState(dsCalcFields);
    FCalcBuffer = FScratch;
    TScopeExit restore([&] { RestoreState(saved); });
    result = FieldValues(resultFields);
  }
  return result;
}

void TDataSet::SetFilter(const std::string& filter) {
  FFilter = filter;
  if (Active() && FFiltered) First();
}

void TDataSet::SetFiltered(bool value) {
  if (FFiltered == value) return;
  if (Active()) CheckBrowseMode();
  FFiltered = value;
  if (Active()) First();
}

// ---- events

void TDataSet::DoBeforeOpen() { FireEvent(BeforeOpen, this); }
void TDataSet::DoAfterOpen() { FireEvent(AfterOpen, this); }
void TDataSet::DoBeforeClose() { FireEvent(BeforeClose, this); }
void TDataSet::DoAfterClose() { FireEvent(AfterClose, this); }
void TDataSet::DoBeforeInsert() { FireEvent(BeforeInsert, this); }
void TDataSet::DoAfterInsert() { FireEvent(AfterInsert, this); }
void TDataSet::DoBeforeEdit() { FireEvent(BeforeEdit, this); }
void TDataSet::DoAfterEdit() { FireEvent(AfterEdit, this); }
void TDataSet::DoBeforePost() { FireEvent(BeforePost, this); }
void TDataSet::DoAfterPost() { FireEvent(AfterPost, this); }
void TDataSet::DoBeforeCancel() { FireEvent(BeforeCancel, this); }
void TDataSet::DoAfterCancel() { FireEvent(AfterCancel, this); }
void TDataSet::DoBeforeDelete() { FireEvent(BeforeDelete, this); }
void TDataSet::DoAfterDelete() { FireEvent(AfterDelete, this); }
void TDataSet::DoBeforeScroll() { FireEvent(BeforeScroll, this); }
void TDataSet::DoAfterScroll() { FireEvent(AfterScroll, this); }
void TDataSet::DoBeforeRefresh() { FireEvent(BeforeRefresh, this); }
void TDataSet::DoAfterRefresh() { FireEvent(AfterRefresh, this); }
void TDataSet::DoOnNewRecord() { FireEvent(OnNewRecord, this); }
void TDataSet::DoOnCalcFields() { FireEvent(OnCalcFields, this); }
void TDataSet::DoOnEditError(EDatabaseError& e, TDataAction& action) {
  if (OnEditError) OnEditError(this, e, action);
}
void TDataSet::DoOnPostError(EDatabaseError& e, TDataAction& action) {
  if (OnPostError) OnPostError(this, e, action);
}
void TDataSet::DoOnDeleteError(EDatabaseError& e, TDataAction& action) {
  if (OnDeleteError) OnDeleteError(this, e, action);
}
void TDataSet::DoOnFilterRecord(bool& accept) {
  if (OnFilterRecord) OnFilterRecord(this, accept);
}

TGetResult TDataSet::StepRecordIndex(int& index, int count, TGetMode mode, bool doCheck) {
  if (count == 0) return grEOF;
  switch (mode) {
    case gmNext:
      if (index >= count - 1) {
        index = count;
        return grEOF;
      }
      ++index;
      break;
    case gmPrior:
      if (index <= 0) {
        index = -1;
        return grBOF;
      }
      --index;
      break;
    case gmCurrent:
      if (index < 0 || index >= count) {
        if (doCheck) DatabaseError(SNoRecords, this);
        return grError;
      }
      break;
  }
  return grOK;
}
