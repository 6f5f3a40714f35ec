#include "gates/ado/utAdopub.h"

#include <stdexcept>

#include "gates/ado/CreateTableBuilder.h"
#include "platform/odbc/AccessFiles.h"
#include "support/TableErrorNote.h"
#include "platform/jet/JetDatabase.h"
#include "support/utLog.h"

namespace mvq {

TMDBDataGate::TMDBDataGate(const std::string& path) {
  std::string connectionString =
      "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path + ";Persist Security Info=True";
  try {
    auto connection = db::NewConnection();
    connection->Open(connectionString);
    SetConnection(std::move(connection));
  } catch (const db::DbError& e) {
    LogConnectFailure(e.DriverMessage());
    SetConnectFailed(true);
    SetConnectError(e.DriverMessage());
  }
}

int TMDBDataGate::ExecuteSql(const std::string& sql) {
  if (ConnectFailed()) return -1;
  try {
    int64_t affected = Connection().Execute(sql);
    return affected < 0 ? 0 : ClampRows(affected);
  } catch (const db::DbError& e) {
    WriteLog("因:" + e.DriverMessage() + ",无法执行" + sql);
    NoteTableError(e.DriverMessage());
    return -1;
  }
}

std::string TMDBDataGate::BuildOracleCreateSql(const std::string& table) {
  return ddl::BuildCreateTable(table, ProbeColumns(table), ddl::OracleDialect());
}

void CreateMdbFile(const std::string& path) {
  try {
    jet::JetDatabase::Create(path);
  } catch (const jet::JetError& e) {
    throw std::runtime_error("无法创建Access数据库文件" + path + ":" + e.what());
  }
}

}  // namespace mvq
