#pragma once
// Dates and time stamps from the text an engine writes them in: "2024-02-29",
// "4713-01-01 10:00:00.5 BC" (PostgreSQL), "0000-00-00 00:00:00.000000" (MariaDB's zero
// dates). Drivers lose both oddities when they fill a date structure: psqlODBC drops the era
// of a date, MariaDB's driver turns a zero date into NULL. Zero parts are kept as they are;
// a year before Christ is negative, with no year 0 between (4713 BC is -4713).
#include <optional>
#include <string_view>

#include "platform/odbc/Variant.h"

namespace mvq::db {

// nullopt for text that is no such date (PostgreSQL's "infinity", a year past int16).
std::optional<Date> ParseDateText(std::string_view text);
// The time may carry a fraction of any number of digits (nine are kept) and a zero offset
// ("+00"); any other offset gives nullopt.
std::optional<DateTime> ParseDateTimeText(std::string_view text);

// Whether a date has a zero year, month or day (MariaDB's "0000-00-00", "2024-00-15").
bool HasZeroParts(const Date& d);

}  // namespace mvq::db
