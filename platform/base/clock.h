// The clock: the current date and time, and a millisecond tick.
//
// Both read an injectable source so that tests (and anything else that must
// be deterministic) can fix the time. The system clock gives local time with
// milliseconds; the system tick is monotonic and wraps every 2^32 ms, as the
// classic tick count did. GUI thread only.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/base/date_time.h"

using TClockFunction = std::function<TDateTime()>;
using TTickSource = std::function<std::uint32_t()>;

// Replaces the source of Now(); nullptr restores the system clock.
void SetClock(TClockFunction clock);
// The current local date and time, from the installed clock.
TDateTime Now();
// The date part of Now() (midnight).
TDateTime Date();
// The time part of Now() (a fraction of a day, 0 <= result < 1).
TDateTime Time();

// Replaces the source of GetTickCount(); nullptr restores the system tick.
void SetTickSource(TTickSource source);
// Milliseconds from an arbitrary start; wraps around. Compare ticks by
// unsigned subtraction (now - then), never by <.
std::uint32_t GetTickCount();

// Installs a clock for its lifetime and puts the previous one back.
class TScopedClock {
 public:
  explicit TScopedClock(TClockFunction clock);
  // A clock that stands still at `fixed`.
  explicit TScopedClock(TDateTime fixed);
  ~TScopedClock();
  TScopedClock(const TScopedClock&) = delete;
  TScopedClock& operator=(const TScopedClock&) = delete;

 private:
  TClockFunction FSaved;
};

// Installs a tick source for its lifetime and puts the previous one back.
class TScopedTickSource {
 public:
  explicit TScopedTickSource(TTickSource source);
  ~TScopedTickSource();
  TScopedTickSource(const TScopedTickSource&) = delete;
  TScopedTickSource& operator=(const TScopedTickSource&) = delete;

 private:
  TTickSource FSaved;
};
