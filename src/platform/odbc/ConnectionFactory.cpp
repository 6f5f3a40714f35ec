#include "platform/jet/JetConnection.h"
#include "platform/odbc/Connection.h"
#include "platform/odbc/OdbcConnection.h"

namespace mvq::db {

namespace {
ConnectionFactory& Factory() {
  static ConnectionFactory factory;
  return factory;
}
}  // namespace

std::unique_ptr<Connection> NewConnection() {
  if (Factory()) return Factory()();
  // Access files are read through ODBC and written through our own Jet writer.
  return jet::AccessWritingConnection(CreateOdbcConnection());
}

ConnectionFactory SetConnectionFactory(ConnectionFactory factory) {
  auto previous = std::move(Factory());
  Factory() = std::move(factory);
  return previous;
}

}  // namespace mvq::db
