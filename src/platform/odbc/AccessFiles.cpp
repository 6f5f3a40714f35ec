#include "platform/odbc/AccessFiles.h"

#include <odbcinst.h>
#include <sql.h>
#include <sqlext.h>

#include <vector>

#include "platform/odbc/DbError.h"

namespace mvq::db {

std::optional<std::string> AccessCreatingDriver() {
  SQLHENV env = SQL_NULL_HENV;
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env))) return std::nullopt;
  SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  std::optional<std::string> found;
  SQLCHAR description[512];
  SQLCHAR attributes[2048];
  SQLSMALLINT descriptionLength = 0, attributesLength = 0;
  SQLUSMALLINT direction = SQL_FETCH_FIRST;
  while (
      SQL_SUCCEEDED(SQLDrivers(env, direction, description, sizeof description, &descriptionLength,
                               attributes, sizeof attributes, &attributesLength))) {
    direction = SQL_FETCH_NEXT;
    std::string name(reinterpret_cast<char*>(description));
    // "Microsoft Access Driver (*.mdb)" and "Microsoft Access Driver (*.mdb, *.accdb)".
    if (name.rfind("Microsoft Access Driver", 0) == 0) {
      found = name;
      break;
    }
  }
  SQLFreeHandle(SQL_HANDLE_ENV, env);
  return found;
}

void CreateAccessFile(const std::string& driver, const std::string& path) {
  // CREATE_DB=<path> <sort order>, the path quoted since it may hold blanks; the attribute
  // list ends with an empty entry.
  std::string attributes = "CREATE_DB=\"" + path + "\" General";
  std::vector<char> list(attributes.begin(), attributes.end());
  list.push_back('\0');
  list.push_back('\0');
  if (SQLConfigDataSource(nullptr, ODBC_ADD_DSN, driver.c_str(), list.data())) return;
  DWORD code = 0;
  char message[SQL_MAX_MESSAGE_LENGTH] = {};
  WORD length = 0;
  SQLInstallerError(1, &code, message, sizeof message, &length);
  throw DbError(std::string("cannot create the Access file ") + path + ": " + message);
}

}  // namespace mvq::db
