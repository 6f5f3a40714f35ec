#include "platform/odbc/DriverChoice.h"

#include <algorithm>
#include <filesystem>

#include "platform/text/AsciiCase.h"

namespace mvq::db {
namespace {

bool Holds(std::string_view name, std::string_view part) {
  for (size_t i = 0; i + part.size() <= name.size(); ++i)
    if (text::SameIgnoringCase(name.substr(i, part.size()), part)) return true;
  return false;
}

// Where the driver manager finds a library registered by its bare name.
constexpr std::string_view kDriverDirs[] = {"/usr/lib/x86_64-linux-gnu/odbc/", "/usr/lib/odbc/",
                                            "/usr/lib64/odbc/", "/usr/local/lib/odbc/"};

// The library's file, or empty when it is in none of the places looked at.
std::string LocateLibrary(const std::string& library) {
  std::error_code ignored;
  if (library.empty() || library.front() == '/')
    return std::filesystem::exists(library, ignored) ? library : std::string();
  for (std::string_view dir : kDriverDirs) {
    const std::string path = std::string(dir) + library;
    if (std::filesystem::exists(path, ignored)) return path;
  }
  return {};
}

}  // namespace

const std::vector<DriverPreference>& DriverPreferences() {
  static const std::vector<DriverPreference> preferences = {
      {DatabaseKind::Oracle,
       "Oracle",
       {},
       "oracle",
       "Oracle Instant Client: the Basic and the ODBC package for this machine, then its "
       "odbc_update_ini.sh (or an entry in /etc/odbcinst.ini naming libsqora.so)"},
      {DatabaseKind::SqlServer,
       "SQL Server",
       {"ODBC Driver 18 for SQL Server", "ODBC Driver 17 for SQL Server", "FreeTDS"},
       {},
       "apt-get install tdsodbc (FreeTDS), or Microsoft's msodbcsql18 package"},
      {DatabaseKind::Access,
       "Access",
       {"Microsoft Access Driver (*.mdb, *.accdb)", "Microsoft Access Driver (*.mdb)", "MDBTools"},
       {},
       "apt-get install odbc-mdbtools"},
      {DatabaseKind::PostgreSQL,
       "PostgreSQL",
       {"PostgreSQL Unicode", "PostgreSQL ANSI"},
       {},
       "apt-get install odbc-postgresql"},
      {DatabaseKind::MariaDB,
       "MariaDB",
       {"MariaDB Unicode", "MariaDB ODBC 3.1 Driver", "MariaDB"},
       {},
       "apt-get install odbc-mariadb"},
      {DatabaseKind::SQLite, "SQLite", {"SQLite3"}, {}, "apt-get install libsqliteodbc"},
  };
  return preferences;
}

const DriverPreference& PreferenceFor(DatabaseKind kind) {
  for (const DriverPreference& p : DriverPreferences())
    if (p.kind == kind) return p;
  return DriverPreferences().front();
}

std::optional<std::string> ChooseDriver(DatabaseKind kind,
                                        const std::vector<std::string>& installed) {
  const DriverPreference& p = PreferenceFor(kind);
  for (std::string_view wanted : p.names) {
    auto it = std::find_if(installed.begin(), installed.end(), [&](const std::string& name) {
      return text::SameIgnoringCase(name, wanted);
    });
    if (it != installed.end()) return std::string(wanted);
  }
  if (p.nameContains.empty()) return std::nullopt;
  for (const std::string& name : installed)
    if (Holds(name, p.nameContains)) return name;
  return std::nullopt;
}

std::vector<DriverStatus> DriverReport(const std::vector<RegisteredDriver>& registered) {
  std::vector<std::string> names;
  for (const RegisteredDriver& d : registered) names.push_back(d.name);
  std::vector<DriverStatus> report;
  for (const DriverPreference& p : DriverPreferences()) {
    DriverStatus status{&p, std::nullopt, false};
    if (auto chosen = ChooseDriver(p.kind, names)) {
      for (const RegisteredDriver& d : registered) {
        if (!text::SameIgnoringCase(d.name, *chosen)) continue;
        status.driver = d;
        const std::string file = LocateLibrary(d.library);
        // A bare name not found here may still be on the loader's path: only an absolute
        // one is known to be missing.
        if (!file.empty())
          status.driver->library = file;
        else
          status.libraryMissing = !d.library.empty() && d.library.front() == '/';
        break;
      }
    }
    report.push_back(std::move(status));
  }
  return report;
}

}  // namespace mvq::db
