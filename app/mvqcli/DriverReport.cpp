#include "DriverReport.h"

#include <cstdio>
#include <string>

#include "platform/odbc/DriverChoice.h"

namespace mvq::cli {

int PrintDrivers() {
  for (const db::DriverStatus& s : db::DriverReport(db::RegisteredOdbcDrivers())) {
    const std::string label(s.preference->label);
    const std::string install(s.preference->install);
    if (!s.driver) {
      std::printf("%-11s not installed; install: %s\n", label.c_str(), install.c_str());
    } else if (s.libraryMissing) {
      std::printf("%-11s %s is registered, but its library %s is missing; install: %s\n",
                  label.c_str(), s.driver->name.c_str(), s.driver->library.c_str(),
                  install.c_str());
    } else {
      std::printf("%-11s %s (%s)\n", label.c_str(), s.driver->name.c_str(),
                  s.driver->library.c_str());
    }
  }
  std::fflush(stdout);
  return 0;
}

}  // namespace mvq::cli
