// Placeholder until the ODBC layer lands: any attempt to connect fails cleanly.
#include "platform/odbc/OdbcConnection.h"

namespace mvq::db {
std::unique_ptr<Connection> CreateOdbcConnection() {
  throw DbError("the ODBC layer is not built yet");
}
}  // namespace mvq::db
