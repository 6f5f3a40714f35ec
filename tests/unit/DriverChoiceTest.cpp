// Which registered ODBC driver each kind of database gets, and the report of what is missing.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/odbc/DriverChoice.h"
#include "support/Engines.h"

namespace mvq::db {
namespace {

using Names = std::vector<std::string>;

TEST(DriverChoice, EachKindTakesItsMostWantedRegisteredDriver) {
  const Names installed = {"FreeTDS",
                           "ODBC Driver 17 for SQL Server",
                           "postgresql ansi",
                           "PostgreSQL Unicode",
                           "MariaDB Unicode",
                           "MDBTools",
                           "Oracle 21 ODBC driver",
                           "SQLite"};
  EXPECT_EQ(ChooseDriver(DatabaseKind::SqlServer, installed), "ODBC Driver 17 for SQL Server");
  EXPECT_EQ(ChooseDriver(DatabaseKind::PostgreSQL, installed), "PostgreSQL Unicode");
  EXPECT_EQ(ChooseDriver(DatabaseKind::MariaDB, installed), "MariaDB Unicode");
  EXPECT_EQ(ChooseDriver(DatabaseKind::Access, installed), "MDBTools");
  EXPECT_EQ(ChooseDriver(DatabaseKind::Oracle, installed), "Oracle 21 ODBC driver");
  // The entry "SQLite" names a library Debian does not ship; only SQLite3 works.
  EXPECT_EQ(ChooseDriver(DatabaseKind::SQLite, installed), std::nullopt);
  EXPECT_EQ(ChooseDriver(DatabaseKind::SqlServer, {"FreeTDS"}), "FreeTDS");
  EXPECT_EQ(ChooseDriver(DatabaseKind::Oracle, {"SQLite3"}), std::nullopt);
}

TEST(DriverChoice, TheReportNamesMissingDriversAndMissingLibraries) {
  test::TempDir dir;
  const std::string present = dir.File("libpresent.so");
  std::ofstream(present) << "x";
  const std::vector<RegisteredDriver> registered = {
      {"SQLite3", present},
      {"FreeTDS", dir.File("libgone.so")},
      {"PostgreSQL Unicode", "psqlodbcw.so"},  // a bare name the loader searches for
      {"MariaDB Unicode", "libnowhere-mvq.so"},
  };
  const auto report = DriverReport(registered);
  ASSERT_EQ(report.size(), DriverPreferences().size());
  auto of = [&](DatabaseKind kind) {
    for (const DriverStatus& s : report)
      if (s.preference->kind == kind) return s;
    return DriverStatus{};
  };
  EXPECT_FALSE(of(DatabaseKind::Oracle).driver);
  EXPECT_NE(of(DatabaseKind::Oracle).preference->install.find("Instant Client"),
            std::string_view::npos);
  // A bare name found nowhere here may still be on the loader's path: not called missing.
  ASSERT_TRUE(of(DatabaseKind::MariaDB).driver);
  EXPECT_EQ(of(DatabaseKind::MariaDB).driver->library, "libnowhere-mvq.so");
  EXPECT_FALSE(of(DatabaseKind::MariaDB).libraryMissing);
  ASSERT_TRUE(of(DatabaseKind::SQLite).driver);
  EXPECT_EQ(of(DatabaseKind::SQLite).driver->library, present);
  EXPECT_FALSE(of(DatabaseKind::SQLite).libraryMissing);
  EXPECT_TRUE(of(DatabaseKind::SqlServer).libraryMissing);
  EXPECT_FALSE(of(DatabaseKind::PostgreSQL).libraryMissing);
}

}  // namespace
}  // namespace mvq::db
