#include "platform/oracle/OraDrivers.h"

#include "platform/odbc/DbError.h"
#include "platform/odbc/DriverChoice.h"
#include "platform/odbc/Drivers.h"

namespace mvq::ora {

namespace {

DriverLister& Lister() {
  static DriverLister lister;
  return lister;
}

}  // namespace

std::vector<std::string> InstalledDrivers() {
  if (Lister()) return Lister()();
  return db::InstalledOdbcDrivers();
}

DriverLister SetDriverLister(DriverLister lister) {
  auto previous = std::move(Lister());
  Lister() = std::move(lister);
  return previous;
}

std::optional<std::string> FindOracleDriver() {
  return db::ChooseDriver(db::DatabaseKind::Oracle, InstalledDrivers());
}

}  // namespace mvq::ora
