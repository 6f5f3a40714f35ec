#include "support/SqlGathering.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <tuple>

#include "platform/odbc/ConnectionString.h"
#include "platform/text/AsciiCase.h"

namespace mvq::test {

namespace {

// Whether text holds word (in lower case), ASCII letters compared without case.
bool Contains(std::string_view text, std::string_view word) {
  return std::search(text.begin(), text.end(), word.begin(), word.end(),
                     [](char a, char b) { return mvq::text::AsciiLower(a) == b; }) != text.end();
}

}  // namespace

std::string_view DialectName(SqlDialect dialect) {
  return dialect == SqlDialect::Oracle ? "oracle" : "sqlserver";
}

std::optional<SqlDialect> GrammarDialect(db::Dbms dbms, std::string_view connectionString) {
  if (dbms == db::Dbms::Oracle) return SqlDialect::Oracle;
  if (dbms == db::Dbms::SqlServer) return SqlDialect::SqlServer;
  if (dbms != db::Dbms::Unknown) return std::nullopt;
  const std::string provider = db::AttributeValue(connectionString, "Provider").value_or("");
  if (Contains(provider, "sqloledb") || Contains(provider, "sqlncli") ||
      Contains(provider, "msoledbsql"))
    return SqlDialect::SqlServer;
  if (Contains(provider, "oraoledb") || Contains(provider, "msdaora")) return SqlDialect::Oracle;
  const std::string driver = db::DriverOf(connectionString);
  if (Contains(driver, "oracle")) return SqlDialect::Oracle;
  if (Contains(driver, "sql server") || Contains(driver, "freetds")) return SqlDialect::SqlServer;
  return std::nullopt;
}

std::string FunctionCallText(SqlDialect dialect, std::string_view name, size_t inputs) {
  std::string markers;
  for (size_t i = 0; i < inputs; ++i) markers += i ? ", ?" : "?";
  if (dialect == SqlDialect::Oracle)
    return "select " + std::string(name) + "(" + markers + ") from dual";
  return "exec ? = " + std::string(name) + (inputs ? " " : "") + markers;
}

void GatherStatement(SqlDialect dialect, std::string_view sql) {
  const char* const dir = std::getenv("MVQ_SQL_GATHER_DIR");
  if (!dir || !*dir || sql.find_first_not_of(" \t\r\n") == std::string_view::npos) return;
  static std::mutex mutex;
  static std::set<std::tuple<std::string, SqlDialect, std::string>> seen;
  std::lock_guard lock(mutex);
  if (!seen.emplace(dir, dialect, std::string(sql)).second) return;
  std::filesystem::create_directories(dir);
  // One file per process and dialect: test processes run side by side.
  const std::string file = std::to_string(::getpid()) + "." + std::string(DialectName(dialect));
  std::ofstream out(std::filesystem::path(dir) / file, std::ios::binary | std::ios::app);
  out << sql << '\0';
}

}  // namespace mvq::test
