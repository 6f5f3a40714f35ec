#pragma once
// Finding Oracle's ODBC driver among the drivers the ODBC driver manager knows.
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace mvq::ora {

using DriverLister = std::function<std::vector<std::string>()>;

// Names of the installed ODBC drivers, in the driver manager's order. Throws db::DbError
// when the driver manager cannot be asked.
std::vector<std::string> InstalledDrivers();

// Replaces the lister behind InstalledDrivers (tests); an empty function restores the
// driver manager's. Returns the previous one.
DriverLister SetDriverLister(DriverLister lister);

// The first installed driver whose name contains "Oracle" in any letter case.
std::optional<std::string> FindOracleDriver();

}  // namespace mvq::ora
