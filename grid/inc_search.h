// TGridIncSearchEh: the data grid's incremental search. Typed characters
// gather into a search text; each step moves the dataset to the first
// record (from the first, or onwards from the next or the prior) whose
// text in the current column begins with it, ignoring case. A timer ends
// the search when the user stops typing.
//
// The grid is seen through TGridIncSearchHostEh, so the search is tested
// against a fake. GUI thread only.
#pragma once

#include <string>

#include "platform/gui/messages.h"

class TDataSet;

// What the search calls on its grid.
class TGridIncSearchHostEh {
 public:
  // The dataset searched; nullptr while the grid shows no data.
  virtual TDataSet* IncSearchDataSet() = 0;
  // Whether a column is current; a step does nothing without one.
  virtual bool IncSearchHasColumn() = 0;
  // The current column's text for the dataset's current record.
  virtual std::string IncSearchCellText() = 0;
  // A step ran: the cell editor hides.
  virtual void IncSearchStepped() = 0;
  // The current row shows the search anew (nothing without a window).
  virtual void IncSearchRepaintRow() = 0;
  // Restarts the end-of-search timer with `interval` ms; stops it. Both do
  // nothing without a window.
  virtual void IncSearchSetTimer(unsigned interval) = 0;
  virtual void IncSearchKillTimer() = 0;
  // The search ended: the editor may show again.
  virtual void IncSearchStopped() = 0;
  // The clipboard's text, pasted into the search.
  virtual std::string IncSearchClipboardText() = 0;

 protected:
  ~TGridIncSearchHostEh() = default;
};

class TGridIncSearchEh {
 public:
  // A search started by a key ends this many ms after the last key.
  static constexpr int kKeyTimeOut = 1500;
  // The shortest timer interval.
  static constexpr int kMinTimerInterval = 10;

  explicit TGridIncSearchEh(TGridIncSearchHostEh* host) : FHost(host) {}

  bool Active() const { return FActive; }
  // The part of the typed text that was found.
  const std::string& Text() const { return FText; }
  // While a step moves the dataset: any other move of the record ends the
  // search.
  bool Moving() const { return FMoving; }

  // Searches for `text` appended to the found text: `direction` 0 from the
  // current record and then from the first, 1 forward from the next, 2
  // backward from the prior. When nothing matches the dataset stays where
  // it was and the text is not extended. The search is active afterwards;
  // the timer ends it after `timeOut` ms (none when negative). Nothing
  // without a dataset or a current column. Exceptions of the dataset pass
  // through with its controls enabled again.
  void Step(const std::string& text, int timeOut, int direction);
  // Stops a running search and starts an empty one (Ctrl+F), with no timer.
  void Restart();
  // Ends the search: timer off, text empty, the row repainted when a
  // search was running; the host hears IncSearchStopped in any case.
  void Stop();
  // A key while the search is active: Ctrl+Enter (with Shift backward)
  // searches on, Backspace takes the last character off, Shift+Insert and
  // Ctrl+V paste; these consume the key (set to 0). Enter, Esc and F2 stop
  // the search and leave the key to the grid. Nothing when inactive.
  void KeyDown(unsigned& key, TShiftState shift);

 private:
  TGridIncSearchHostEh* FHost;
  bool FActive = false;
  bool FMoving = false;
  std::string FText;
  int FTimeOut = 0;
};
