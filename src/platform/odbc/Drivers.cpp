#include "platform/odbc/Drivers.h"

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <iterator>
#include <string_view>

namespace mvq::db {

std::vector<RegisteredDriver> RegisteredOdbcDrivers() {
  std::vector<RegisteredDriver> drivers;
  SQLHENV env = SQL_NULL_HENV;
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env))) return drivers;
  SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  SQLCHAR name[512];
  SQLCHAR attributes[2048];
  SQLSMALLINT nameLength = 0;
  SQLSMALLINT attributesLength = 0;
  SQLUSMALLINT direction = SQL_FETCH_FIRST;
  // SQL_SUCCESS_WITH_INFO means a truncated name or attribute list; both stay terminated
  // within their buffers (the attribute buffer is cleared first and its last byte kept).
  for (;;) {
    std::fill(std::begin(attributes), std::end(attributes), SQLCHAR{0});
    if (!SQL_SUCCEEDED(SQLDrivers(env, direction, name, sizeof name, &nameLength, attributes,
                                  sizeof attributes - 1, &attributesLength)))
      break;
    RegisteredDriver d{reinterpret_cast<const char*>(name), {}};
    // "key=value\0key=value\0\0"
    const auto* list = reinterpret_cast<const char*>(attributes);
    const size_t length = sizeof attributes - 1;
    for (size_t at = 0; at < length;) {
      const std::string_view entry(list + at);
      if (entry.empty()) break;
      if (entry.rfind("Driver=", 0) == 0) d.library = std::string(entry.substr(7));
      at += entry.size() + 1;
    }
    drivers.push_back(std::move(d));
    direction = SQL_FETCH_NEXT;
  }
  SQLFreeHandle(SQL_HANDLE_ENV, env);
  return drivers;
}

std::vector<std::string> InstalledOdbcDrivers() {
  std::vector<std::string> names;
  for (RegisteredDriver& d : RegisteredOdbcDrivers()) names.push_back(std::move(d.name));
  return names;
}

}  // namespace mvq::db
