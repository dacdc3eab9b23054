#include "register/core/periods.h"

#include "platform/base/clock.h"

TDateTime FirstDayOfMonth(int month, int year) {
  if (month < 1 || month > 12) {
    return Now();
  }
  return EncodeDate(year, month, 1);
}

TDateTime LastDayOfMonth(int month, int year) {
  if (month < 1 || month > 12) {
    return Now();
  }
  return EncodeDate(year, month, DaysInAMonth(year, month));
}
