#pragma once
// The ODBC drivers registered with the driver manager (odbcinst.ini), for the connection
// string editor's driver list and the batch runner's driver report.
#include <string>
#include <vector>

namespace mvq::db {

struct RegisteredDriver {
  std::string name;
  std::string library;  // its Driver= entry, empty when the registration names none
};

// Drivers in the driver manager's order; empty when it lists none or cannot be asked.
std::vector<RegisteredDriver> RegisteredOdbcDrivers();

// Their names alone.
std::vector<std::string> InstalledOdbcDrivers();

}  // namespace mvq::db
