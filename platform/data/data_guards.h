// Guards over a dataset that put it back when a scope ends, also when an
// exception leaves it: its controls disabled for a while
// (TControlsDisabledGuard) and its current record kept (TBookmarkGuard).
// The dataset must outlive the guard. GUI thread only.
#pragma once

#include "platform/data/data_set.h"

// Disables the dataset's controls for the guard's lifetime, so that an
// error (a record locked by another user) cannot leave a grid frozen. A
// null dataset is left alone.
class TControlsDisabledGuard {
 public:
  explicit TControlsDisabledGuard(TDataSet* dataSet) : FDataSet(dataSet) {
    if (FDataSet != nullptr) FDataSet->DisableControls();
  }
  ~TControlsDisabledGuard() {
    if (FDataSet != nullptr) FDataSet->EnableControls();
  }
  TControlsDisabledGuard(const TControlsDisabledGuard&) = delete;
  TControlsDisabledGuard& operator=(const TControlsDisabledGuard&) = delete;

 private:
  TDataSet* FDataSet;
};

// Notes the current record and goes back to it when the scope ends;
// quietly stays where it is when that record is gone or going back fails.
// Inactive (`active` false, or no current record) it does nothing.
// REQUIRES: the dataset is open when `active`.
class TBookmarkGuard {
 public:
  explicit TBookmarkGuard(TDataSet* dataSet, bool active = true)
      : FDataSet(dataSet), FBookmark(active ? dataSet->Bookmark() : TBookmarkStr()) {}
  ~TBookmarkGuard() {
    if (FBookmark.empty()) return;
    try {
      if (FDataSet->BookmarkValid(FBookmark)) FDataSet->GotoBookmark(FBookmark);
    } catch (...) {
    }
  }
  TBookmarkGuard(const TBookmarkGuard&) = delete;
  TBookmarkGuard& operator=(const TBookmarkGuard&) = delete;

 private:
  TDataSet* FDataSet;
  TBookmarkStr FBookmark;
};
