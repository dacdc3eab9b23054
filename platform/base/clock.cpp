#include "platform/base/clock.h"

#include <time.h>

#include <utility>

namespace {

TDateTime SystemClock() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  tm local{};
  localtime_r(&ts.tv_sec, &local);
  // A leap second (tm_sec 60) is folded into the last ordinary second.
  int second = local.tm_sec > 59 ? 59 : local.tm_sec;
  return EncodeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                        local.tm_min, second, static_cast<int>(ts.tv_nsec / 1000000));
}

std::uint32_t SystemTick() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  std::uint64_t ms = static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
                     static_cast<std::uint64_t>(ts.tv_nsec / 1000000);
  return static_cast<std::uint32_t>(ms);
}

TClockFunction& CurrentClock() {
  static TClockFunction clock;
  return clock;
}

TTickSource& CurrentTickSource() {
  static TTickSource source;
  return source;
}

}  // namespace

void SetClock(TClockFunction clock) { CurrentClock() = std::move(clock); }

TDateTime Now() {
  const TClockFunction& clock = CurrentClock();
  return clock ? clock() : SystemClock();
}

TDateTime Date() { return DateOf(Now()); }

TDateTime Time() { return TimeOf(Now()); }

void SetTickSource(TTickSource source) { CurrentTickSource() = std::move(source); }

std::uint32_t GetTickCount() {
  const TTickSource& source = CurrentTickSource();
  return source ? source() : SystemTick();
}

TScopedClock::TScopedClock(TClockFunction clock) : FSaved(CurrentClock()) {
  CurrentClock() = std::move(clock);
}

TScopedClock::TScopedClock(TDateTime fixed)
    : TScopedClock(TClockFunction([fixed] { return fixed; })) {}

TScopedClock::~TScopedClock() { CurrentClock() = std::move(FSaved); }

TScopedTickSource::TScopedTickSource(TTickSource source) : FSaved(CurrentTickSource()) {
  CurrentTickSource() = std::move(source);
}

TScopedTickSource::~TScopedTickSource() { CurrentTickSource() = std::move(FSaved); }
