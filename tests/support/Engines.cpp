#include "support/Engines.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>

namespace mvq::test {

namespace {

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

// The SQLite database of this test process, removed at exit.
const TempDir& SqliteDir() {
  static TempDir dir;
  return dir;
}

Engine Configured(std::string name, db::Dbms dbms, const char* variable) {
  Engine e;
  e.name = std::move(name);
  e.dbms = dbms;
  e.connectionString = Env(variable);
  if (e.connectionString.empty())
    e.missingReason = std::string(variable) + " is not set (run scripts/services start)";
  return e;
}

}  // namespace

const std::vector<Engine>& AllEngines() {
  static const std::vector<Engine> engines = [] {
    std::vector<Engine> list;
    Engine sqlite;
    sqlite.name = "SQLite";
    sqlite.dbms = db::Dbms::SQLite;
    sqlite.connectionString = "DRIVER=SQLite3;Database=" + SqliteDir().File("test.db");
    sqlite.keepsLongDecimals = false;
    sqlite.keepsFullDoubles = false;
    sqlite.integersAre64Bit = true;
    sqlite.enforcesLengths = false;
    list.push_back(sqlite);
    list.push_back(Configured("PostgreSQL", db::Dbms::PostgreSQL, "MVQ_TEST_PG"));
    Engine maria = Configured("MariaDB", db::Dbms::MariaDB, "MVQ_TEST_MARIADB");
    maria.hasBooleanType = false;
    list.push_back(maria);
    return list;
  }();
  return engines;
}

std::string EngineName(const ::testing::TestParamInfo<Engine>& info) {
  return info.param.name;
}

std::string EngineNameOf(const ::testing::TestParamInfo<std::string>& info) {
  return info.param;
}

std::string PairName(const ::testing::TestParamInfo<ConvertPair>& info) {
  return std::string(info.param.source) + "_to_" + info.param.target;
}

void PrintTo(const Engine& engine, std::ostream* os) {
  *os << engine.name;
}

bool EnginesRequired() {
  return Env("MVQ_REQUIRE_ENGINES") == "1";
}

std::optional<std::string> OdbcMissing() {
  try {
    db::NewConnection();
    return std::nullopt;
  } catch (const db::DbError& e) {
    return std::string(e.what());
  }
}

std::string SqlType(const Engine& engine, std::string_view generic) {
  const bool pg = engine.dbms == db::Dbms::PostgreSQL;
  const bool maria = engine.dbms == db::Dbms::MariaDB;
  if (generic == "text") return maria ? "longtext" : "text";
  if (generic == "blob") return pg ? "bytea" : maria ? "longblob" : "blob";
  if (generic == "timestamp") return maria ? "datetime(6)" : "timestamp";
  if (generic == "double") return pg ? "double precision" : "double";
  if (generic == "bool") return "boolean";
  return std::string(generic);
}

std::string UniqueTable(std::string_view base) {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string test = info ? std::string(info->test_suite_name()) + "." + info->name() : "";
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, "%08x",
                static_cast<unsigned>(std::hash<std::string>{}(test)&0xffffffffu));
  return std::string(base) + "_" + suffix;
}

void DropTable(db::Connection& conn, const std::string& table) {
  conn.Execute("drop table if exists " + table);
}

void RecreateTable(db::Connection& conn, const std::string& table, const std::string& columns) {
  DropTable(conn, table);
  conn.Execute("create table " + table + " (" + columns + ")");
}

std::string FixturePath(std::string_view name) {
  std::string dir = Env("MVQ_FIXTURE_DIR");
  if (dir.empty()) dir = MVQ_FIXTURE_DIR;
  auto path = std::filesystem::path(dir) / name;
  return std::filesystem::exists(path) ? path.string() : std::string();
}

void EngineTest::SetUp() {
  if (engine().connectionString.empty()) MVQ_SKIP_OR_FAIL(engine().missingReason);
  connection_ = Connect();
}

void EngineTest::TearDown() {
  if (connection_) connection_->Close();
}

std::unique_ptr<db::Connection> EngineTest::Connect() const {
  auto conn = db::NewConnection();
  conn->Open(engine().connectionString);
  return conn;
}

}  // namespace mvq::test
