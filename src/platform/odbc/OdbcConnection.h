#pragma once
// The Connection over unixODBC.
#include <memory>

#include "platform/odbc/Connection.h"

namespace mvq::db {

std::unique_ptr<Connection> CreateOdbcConnection();

}  // namespace mvq::db
