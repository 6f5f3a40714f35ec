#pragma once
// Which installed ODBC driver mvq uses for each kind of database, in order of preference,
// and what to install when none is there: the one list the connection strings and the
// batch runner's driver report both read.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/odbc/Drivers.h"

namespace mvq::db {

enum class DatabaseKind { Oracle, SqlServer, Access, PostgreSQL, MariaDB, SQLite };

struct DriverPreference {
  DatabaseKind kind;
  std::string_view label;               // "SQL Server"
  std::vector<std::string_view> names;  // exact driver names, most wanted first
  std::string_view nameContains;        // else any driver whose name holds this (Oracle)
  std::string_view install;             // what to install when none is registered
};

// Every kind, in the order the report lists them.
const std::vector<DriverPreference>& DriverPreferences();
const DriverPreference& PreferenceFor(DatabaseKind kind);

// The driver of installed (names, the driver manager's order) mvq would use for kind.
std::optional<std::string> ChooseDriver(DatabaseKind kind,
                                        const std::vector<std::string>& installed);

// One kind's line of the driver report.
struct DriverStatus {
  const DriverPreference* preference = nullptr;
  std::optional<RegisteredDriver> driver;  // the one chosen, its library as a full path
                                           // where it was found; none when nothing fits
  bool libraryMissing = false;             // registered, but its library file is not there
};

// The chosen driver of every kind among the registered ones. A registration whose library
// (an absolute path) is missing is reported as such: the driver manager would fail to load it.
std::vector<DriverStatus> DriverReport(const std::vector<RegisteredDriver>& registered);

}  // namespace mvq::db
