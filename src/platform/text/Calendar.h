#pragma once
// The proleptic Gregorian calendar as day numbers (0 is 1970-01-01), shared by the formats
// that store dates as days from an epoch of their own (Jet, BIFF8).
#include <cstdint>

namespace mvq::text {

int64_t DaysFromCivil(int64_t year, unsigned month, unsigned day);

struct CivilDay {
  int64_t year;
  unsigned month, day;
};
CivilDay CivilFromDays(int64_t days);

// Whether year-month-day names a day of the calendar (no zero month or day, no 30 February).
bool IsCalendarDate(int64_t year, unsigned month, unsigned day);

}  // namespace mvq::text
