// The boundaries of a month of services, as the register's prints and
// filters name a period by month and year.
#pragma once

#include "platform/base/date_time.h"

// Day 1 of the month, or the current date and time when `month` is outside
// 1..12.
TDateTime FirstDayOfMonth(int month, int year);

// The month's last day (leap years respected), or the current date and
// time when `month` is outside 1..12.
TDateTime LastDayOfMonth(int month, int year);
