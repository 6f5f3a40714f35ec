#pragma once
// The ODBC drivers registered with the driver manager (odbcinst.ini), for the connection
// string editor's driver list.
#include <string>
#include <vector>

namespace mvq::db {

// Driver names in the driver manager's order; empty when it lists none or cannot be asked.
std::vector<std::string> InstalledOdbcDrivers();

}  // namespace mvq::db
