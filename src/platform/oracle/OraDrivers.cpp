#include "platform/oracle/OraDrivers.h"

#include <algorithm>
#include <cctype>

#include "platform/odbc/DbError.h"
#include "platform/odbc/Drivers.h"

namespace mvq::ora {

namespace {

DriverLister& Lister() {
  static DriverLister lister;
  return lister;
}

bool ContainsOracle(const std::string& name) {
  std::string lower(name);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower.find("oracle") != std::string::npos;
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
  for (const auto& name : InstalledDrivers())
    if (ContainsOracle(name)) return name;
  return std::nullopt;
}

}  // namespace mvq::ora
