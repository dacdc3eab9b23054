// Guards over a dataset that put it back when a scope ends, also when an
// exception leaves it: its controls disabled for a while
// (TControlsDisabledGuard) and its current record kept (TBookmarkGuard).
// The dataset must outlive the guard. GUI thread only.
#pragma once

#include <exception>

#include "platform/data/data_set.h"

// Disables the dataset's controls for the guard's lifetime, so that an
// error (a record locked by another user) cannot leave a grid frozen. A
// null dataset is left alone. A control whose refresh raises while the
// controls come back on passes its exception on, unless another one is
// already on its way: then that one goes on (TFinallyGuard's rule).
class TControlsDisabledGuard {
 public:
  explicit TControlsDisabledGuard(TDataSet* dataSet)
      : FDataSet(dataSet), FExceptions(std::uncaught_exceptions()) {
    if (FDataSet != nullptr) FDataSet->DisableControls();
  }
  ~TControlsDisabledGuard() noexcept(false) {
    if (FDataSet == nullptr) return;
    try {
      FDataSet->EnableControls();
    } catch (...) {
      if (std::uncaught_exceptions() == FExceptions) throw;
    }
  }
  TControlsDisabledGuard(const TControlsDisabledGuard&) = delete;
  TControlsDisabledGuard& operator=(const TControlsDisabledGuard&) = delete;

 private:
  TDataSet* FDataSet;
  int FExceptions;
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
