#include "gates/ado/UtdefAdo.h"

#include "gates/ado/CreateTableBuilder.h"
#include "support/TableErrorNote.h"

namespace mvq {

TADOConn::TADOConn(const std::string& connectionString) {
  try {
    SetConnection(db::NewConnection());
    Connection().Open(connectionString);
  } catch (const db::DbError& e) {
    // The shell reports the failed connection from IsConnected, with this reason.
    SetConnectError(e.DriverMessage());
  }
  ParseUserId(connectionString);
}

int TADOConn::ExecuteSql(const std::string& sql) {
  auto query = NewQuery();
  try {
    int64_t affected = query->Execute(sql, {});
    return affected == -1 ? 0 : ClampRows(affected);
  } catch (const db::DbError& e) {
    LogSqlError(e.DriverMessage(), sql);
    NoteIfConnectionLost(e);
    return -1;
  }
}

std::string TADOConn::BuildProviderCreateSql(const std::string& table, db::Connection* target) {
  if (!target) throw db::DbError("the target gate has no database connection");
  return ddl::BuildCreateTable(table, ProbeColumns(table), ddl::ProviderDialect(*target));
}

std::string TADOConn::FindProviderType(db::Connection& connection, const std::string& code,
                                       bool widest) {
  return ddl::FindProviderType(connection.SchemaProviderTypes(), code, widest);
}

}  // namespace mvq
