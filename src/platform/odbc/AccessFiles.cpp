#include "platform/odbc/AccessFiles.h"

#include <odbcinst.h>
#include <sql.h>
#include <sqlext.h>

#include <vector>

#include "platform/odbc/DbError.h"
#include "platform/odbc/Drivers.h"

namespace mvq::db {

std::optional<std::string> AccessCreatingDriver() {
  // "Microsoft Access Driver (*.mdb)" and "Microsoft Access Driver (*.mdb, *.accdb)".
  for (const auto& name : InstalledOdbcDrivers())
    if (name.rfind("Microsoft Access Driver", 0) == 0) return name;
  return std::nullopt;
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
