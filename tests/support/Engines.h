#pragma once
// Real database engines for tests that run the same body on each of them:
//
//   class MyTest : public mvq::test::EngineTest {};
//   TEST_P(MyTest, RowsRoundTrip) {
//     std::string t = UniqueTable("emp");            // parallel ctest runs share servers
//     RecreateTable(conn(), t, "id int primary key, name varchar(50)");
//     ...
//   }
//   MVQ_INSTANTIATE_ENGINE_TESTS(MyTest);
//
// SQLite always runs, on a temporary database file of the test process. PostgreSQL and
// MariaDB run when MVQ_TEST_PG / MVQ_TEST_MARIADB hold ODBC connection strings (set by
// scripts/services start); otherwise their tests are skipped with the reason printed, or
// fail when MVQ_REQUIRE_ENGINES=1 (CI).
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/odbc/Connection.h"
#include "support/TempDir.h"

namespace mvq::test {

struct Engine {
  std::string name;  // "SQLite", "PostgreSQL", "MariaDB"
  db::Dbms dbms = db::Dbms::Unknown;
  std::string connectionString;  // empty when the engine is not configured
  std::string missingReason;     // why it is not configured

  // What the engine can do, for test bodies that must differ (ask these, not dbms):
  // decimal columns keep 28 significant digits (SQLite stores numerics as doubles).
  bool keepsLongDecimals = true;
  // doubles read back to the last bit (sqliteodbc reads them through 15-digit text).
  bool keepsFullDoubles = true;
  // boolean columns read back as booleans (MariaDB's boolean is tinyint(1)).
  bool hasBooleanType = true;
  // declared lengths are enforced (SQLite stores any length in a varchar(5)).
  bool enforcesLengths = true;
  // every integer column holds 64-bit values (SQLite's INTEGER affinity).
  bool integersAre64Bit = false;
};

// Test output names the engine, not its bytes.
void PrintTo(const Engine& engine, std::ostream* os);

// SQLite, PostgreSQL, MariaDB, in that order.
const std::vector<Engine>& AllEngines();
// The two ends of one conversion, by engine name ("SQLite", "PostgreSQL", "MariaDB",
// "Access" the shared fixture, "AccessFile" a new file of the test's own).
struct ConvertPair {
  const char* source;
  const char* target;
};
// Each server engine once as source and once as target.
inline const std::vector<ConvertPair> kEnginePairs = {
    {"SQLite", "PostgreSQL"}, {"PostgreSQL", "MariaDB"}, {"MariaDB", "SQLite"}};

// Test name suffixes, one spelling for every suite: the engine's name ("PostgreSQL"), for an
// engine given by name too, and a pair as "SQLite_to_PostgreSQL".
std::string EngineName(const ::testing::TestParamInfo<Engine>& info);
std::string EngineNameOf(const ::testing::TestParamInfo<std::string>& info);
std::string PairName(const ::testing::TestParamInfo<ConvertPair>& info);
// MVQ_REQUIRE_ENGINES=1: a missing engine or fixture fails instead of skipping.
bool EnginesRequired();
// Why no ODBC connection can be made here (no driver manager), or nothing.
std::optional<std::string> OdbcMissing();

// Skips the current test (or fails it when engines are required) for a reason.
#define MVQ_SKIP_OR_FAIL(reason)                                  \
  do {                                                            \
    if (::mvq::test::EnginesRequired()) GTEST_FAIL() << (reason); \
    GTEST_SKIP() << (reason);                                     \
  } while (0)

// Generic column types in the engine's words: "text" (long text), "blob", "timestamp"
// (with microseconds), "double", "bool"; anything else is returned unchanged.
std::string SqlType(const Engine& engine, std::string_view generic);

// A table name unique to the running test (and stable for it), so that tests running in
// parallel against the same server never share a table: base + "_" + 8 hex digits.
std::string UniqueTable(std::string_view base);

// Drops table when it exists.
void DropTable(db::Connection& conn, const std::string& table);
// Drops table when it exists and creates it with the given column list.
void RecreateTable(db::Connection& conn, const std::string& table, const std::string& columns);

// A fetched fixture file (MVQ_FIXTURE_DIR, else the build tree's fixtures folder); empty
// when it is absent.
std::string FixturePath(std::string_view name);

// Base fixture of engine tests: skips or fails when the engine is missing, else connects.
class EngineTest : public ::testing::TestWithParam<Engine> {
 protected:
  void SetUp() override;
  void TearDown() override;
  const Engine& engine() const { return GetParam(); }
  db::Connection& conn() { return *connection_; }
  // Another connection to the same engine.
  std::unique_ptr<db::Connection> Connect() const;
  std::string SqlType(std::string_view generic) const { return test::SqlType(engine(), generic); }

  std::unique_ptr<db::Connection> connection_;
};

#define MVQ_INSTANTIATE_ENGINE_TESTS(Suite)                                                \
  INSTANTIATE_TEST_SUITE_P(Engines, Suite, ::testing::ValuesIn(::mvq::test::AllEngines()), \
                           ::mvq::test::EngineName)

}  // namespace mvq::test
