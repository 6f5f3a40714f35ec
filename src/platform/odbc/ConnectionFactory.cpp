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
  return CreateOdbcConnection();
}

ConnectionFactory SetConnectionFactory(ConnectionFactory factory) {
  auto previous = std::move(Factory());
  Factory() = std::move(factory);
  return previous;
}

}  // namespace mvq::db
