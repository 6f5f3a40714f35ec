#include "platform/oracle/OraDrivers.h"

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <cctype>

#include "platform/odbc/DbError.h"

namespace mvq::ora {

namespace {

DriverLister& Lister() {
  static DriverLister lister;
  return lister;
}

std::vector<std::string> AskDriverManager() {
  SQLHENV env = SQL_NULL_HENV;
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env)))
    throw db::DbError("cannot allocate an ODBC environment to list the installed drivers");
  SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  std::vector<std::string> names;
  SQLCHAR name[512];
  SQLCHAR attributes[2048];
  SQLSMALLINT nameLength = 0, attributesLength = 0;
  SQLUSMALLINT direction = SQL_FETCH_FIRST;
  for (;;) {
    SQLRETURN rc = SQLDrivers(env, direction, name, sizeof name, &nameLength, attributes,
                              sizeof attributes, &attributesLength);
    if (!SQL_SUCCEEDED(rc)) break;  // SQL_NO_DATA after the last one
    names.emplace_back(reinterpret_cast<const char*>(name));
    direction = SQL_FETCH_NEXT;
  }
  SQLFreeHandle(SQL_HANDLE_ENV, env);
  return names;
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
  return AskDriverManager();
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
