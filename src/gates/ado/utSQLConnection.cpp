#include "gates/ado/utSQLConnection.h"
#include "platform/text/AsciiCase.h"
#include "support/TableErrorNote.h"

namespace mvq {

TSQLComDBConn::TSQLComDBConn(const std::string& connectionString) {
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

int TSQLComDBConn::ExecuteSql(const std::string& sql, const ArgumentList& args) {
  int result = -99;
  if (ConnectFailed()) return result;
  auto query = NewQuery();
  db::Params params;
  std::string description = BindArguments(args, params);
  try {
    result = ClampRows(query->Execute(sql, params));
  } catch (const db::DbError& e) {
    LogSqlError(e.DriverMessage(), sql + description);
    NoteIfConnectionLost(e);
  }
  return result;
}

db::Variant TSQLComDBConn::QueryValue(const std::string& sql, const ArgumentList& args) {
  if (ConnectFailed()) return db::Variant();
  std::unique_ptr<db::Query> query;
  OpenSql(sql, query, args);
  return FirstValue(*query);
}

int TSQLComDBConn::CreateFunction(const std::string& script, const std::string& name) {
  auto count = QueryValue("select count(*) from sysobjects s where  s.type='FN' and name=" +
                              db::QuoteLiteral(Names(), name),
                          {});
  if (count.AsInt() > 0) ExecuteSql("drop function " + name);
  return ExecuteSql(script);
}

bool TSQLComDBConn::TableExists(const std::string& table) {
  auto count = QueryValue("select count(*) from sysobjects where name=" +
                              db::QuoteLiteral(Names(), text::AsciiLower(table)) + " and type='u'",
                          {});
  return count.AsInt() > 0;
}

int TSQLComDBConn::GetUserTables(TStringList& list) {
  std::unique_ptr<db::Query> query;
  OpenSql("select name from sysobjects where type='u'", query);
  if (query->IsOpen()) {
    for (; !query->Eof(); query->Next()) list.Add(query->Value(0).AsText());
  }
  return list.Count();
}

std::string TSQLComDBConn::GetTableScript(const std::string& table) {
  db::Params inputs{{db::Variant(table), "@tablename"}};
  return Connection().CallFunction("gettablesql", inputs).AsText();
}

}  // namespace mvq
