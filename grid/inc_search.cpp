#include "grid/inc_search.h"

#include <algorithm>

#include "platform/base/scope_guard.h"
#include "platform/base/text.h"
#include "platform/data/data_guards.h"
#include "platform/data/data_set.h"

void TGridIncSearchEh::Step(const std::string& text, int timeOut, int direction) {
  TDataSet* ds = FHost->IncSearchDataSet();
  if (ds == nullptr || !FHost->IncSearchHasColumn()) return;
  TFlagGuard moving(FMoving);
  const std::u32string wanted = Utf8ToUtf32(AnsiUpperCase(FText + text));
  auto matches = [&] {
    const std::u32string shown = Utf8ToUtf32(AnsiUpperCase(FHost->IncSearchCellText()));
    return shown.compare(0, wanted.size(), wanted) == 0;
  };
  bool found = direction == 0 && matches();
  if (!found) {
    TControlsDisabledGuard controls(ds);
    const std::string start = ds->Bookmark();
    if (direction == 0)
      ds->First();
    else
      ds->MoveBy(direction == 2 ? -1 : 1);
    const bool backward = direction == 2;
    const bool moved = direction == 0 || ds->Bookmark() != start;
    while (moved && !(backward ? ds->Bof() : ds->Eof())) {
      if (matches()) {
        found = true;
        break;
      }
      if (ds->MoveBy(backward ? -1 : 1) == 0) break;
    }
    if (!found && !start.empty()) ds->GotoBookmark(start);
  }
  FHost->IncSearchStepped();
  FActive = true;
  if (found) FText += text;
  FHost->IncSearchRepaintRow();
  FTimeOut = timeOut;
  if (timeOut >= 0)
    FHost->IncSearchSetTimer(static_cast<unsigned>(std::max(kMinTimerInterval, timeOut)));
}

void TGridIncSearchEh::Restart() {
  Stop();
  FActive = true;
}

void TGridIncSearchEh::Stop() {
  FHost->IncSearchKillTimer();
  const bool was = FActive;
  FActive = false;
  FText.clear();
  if (was) FHost->IncSearchRepaintRow();
  FHost->IncSearchStopped();
}

void TGridIncSearchEh::KeyDown(unsigned& key, TShiftState shift) {
  if (!FActive) return;
  switch (key) {
    case VK_RETURN:
      if (shift.Contains(ssCtrl)) {
        Step("", kKeyTimeOut, shift.Contains(ssShift) ? 2 : 1);
        key = 0;
        return;
      }
      Stop();
      break;
    case VK_ESCAPE:
    case VK_F2:
      Stop();
      break;
    case VK_BACK: {
      std::u32string chars = Utf8ToUtf32(FText);
      if (!chars.empty()) chars.pop_back();
      const std::string shorter = Utf32ToUtf8(chars);
      FText.clear();
      Step(shorter, kKeyTimeOut, 0);
      key = 0;
      return;
    }
    case VK_INSERT:
    case 'V':
      // Pasting goes on with the search.
      if ((key == VK_INSERT && shift == TShiftState{ssShift}) ||
          (key == 'V' && shift == TShiftState{ssCtrl})) {
        Step(FHost->IncSearchClipboardText(), kKeyTimeOut, 0);
        key = 0;
        return;
      }
      break;
    default:
      break;
  }
}
