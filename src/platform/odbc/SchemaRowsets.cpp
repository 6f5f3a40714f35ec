#include "platform/odbc/SchemaRowsets.h"

#include <algorithm>
#include <cctype>

#include "platform/odbc/ResultReader.h"
#include "platform/text/AsciiCase.h"

namespace mvq::db {

namespace {

// Rows of a catalog function's result, every value as read.
std::vector<std::vector<Variant>> ReadAll(Statement& stmt) {
  std::vector<std::vector<Variant>> rows;
  ResultReader reader(stmt, DescribeResult(stmt), 1000);
  while (reader.FetchBlock(rows)) {
  }
  return rows;
}

bool IsDecimalTypeName(const std::string& name) {
  return text::SameIgnoringCase(name, "numeric") || text::SameIgnoringCase(name, "decimal");
}

std::string Text(const std::vector<Variant>& row, size_t i) {
  return i < row.size() ? row[i].AsText() : std::string();
}

}  // namespace

std::string ReadCurrentCatalog(const Session& session) {
  session.RequireOpen();
  return session.calls.ConnectAttrText(session.dbc.get(), SQL_ATTR_CURRENT_CATALOG).value_or("");
}

std::vector<TableRow> ReadTables(const std::shared_ptr<Session>& session) {
  std::optional<std::string> catalog;
  if (session->quirks.tablesNeedCurrentCatalog) catalog = ReadCurrentCatalog(*session);
  Statement stmt(session);
  stmt.Check(session->calls.Tables(stmt.get(), catalog), "listing tables");
  std::vector<TableRow> out;
  for (const auto& row : ReadAll(stmt))
    out.push_back({Text(row, 0), Text(row, 1), Text(row, 2), Text(row, 3)});
  return out;
}

std::vector<PrimaryKeyRow> ReadPrimaryKeys(const std::shared_ptr<Session>& session) {
  std::vector<PrimaryKeyRow> out;
  if (session->quirks.noPrimaryKeyCall) return out;
  for (const auto& table : ReadTables(session)) {
    if (table.TABLE_TYPE != "TABLE") continue;
    Statement stmt(session);
    SQLRETURN rc = session->calls.PrimaryKeys(stmt.get(), table.TABLE_CATALOG, table.TABLE_SCHEMA,
                                              table.TABLE_NAME);
    if (!SQL_SUCCEEDED(rc)) {
      auto records = session->calls.Diagnostics(SQL_HANDLE_STMT, stmt.get());
      // A driver without the call has no keys to tell.
      if (!records.empty() && records.front().sqlState == "IM001") return out;
      stmt.Check(rc, "listing primary keys");
    }
    for (const auto& row : ReadAll(stmt)) {
      PrimaryKeyRow key;
      key.TABLE_CATALOG = Text(row, 0);
      key.TABLE_SCHEMA = Text(row, 1);
      key.TABLE_NAME = Text(row, 2);
      key.COLUMN_NAME = Text(row, 3);
      key.ORDINAL = row.size() > 4 ? static_cast<int>(row[4].AsInt()) : 0;
      out.push_back(std::move(key));
    }
  }
  return out;
}

std::vector<std::string> ReadKeyColumns(const std::shared_ptr<Session>& session,
                                        const std::string& table) {
  std::vector<std::string> out;
  if (session->quirks.noPrimaryKeyCall) return out;
  std::string catalog =
      session->quirks.tablesNeedCurrentCatalog ? ReadCurrentCatalog(*session) : std::string();
  Statement stmt(session);
  SQLRETURN rc = session->calls.PrimaryKeys(stmt.get(), catalog, "", table);
  if (!SQL_SUCCEEDED(rc)) return out;
  std::vector<std::pair<int, std::string>> keys;
  for (const auto& row : ReadAll(stmt))
    keys.emplace_back(row.size() > 4 ? static_cast<int>(row[4].AsInt()) : 0, Text(row, 3));
  std::stable_sort(keys.begin(), keys.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& k : keys) out.push_back(std::move(k.second));
  return out;
}

std::vector<ProviderTypeRow> ReadProviderTypes(const std::shared_ptr<Session>& session) {
  Statement stmt(session);
  stmt.Check(session->calls.TypeInfo(stmt.get()), "listing types");
  std::vector<ProviderTypeRow> out;
  for (const auto& row : ReadAll(stmt)) {
    if (row.size() < 3) continue;
    int sqlType = static_cast<int>(row[1].AsInt());
    if (session->quirks.decimalsNeedDeclaredType && IsDecimalTypeName(Text(row, 0)))
      sqlType = SQL_NUMERIC;  // SQLite lists numeric as a double, yet keeps the declaration
    const bool isUnsigned = row.size() > 9 && !row[9].IsNull() && row[9].AsInt() != 0;
    auto code = DbTypeOf(sqlType, isUnsigned);
    if (!code) continue;  // no OLE DB counterpart (intervals and the like)
    ProviderTypeRow t;
    t.TYPE_NAME = Text(row, 0);
    t.DATA_TYPE = *code;
    // SQL_NO_TOTAL (psqlODBC's bytea) means no limit.
    t.COLUMN_SIZE = row[2].IsNull() ? 0 : row[2].AsInt();
    if (t.COLUMN_SIZE == SQL_NO_TOTAL) t.COLUMN_SIZE = 2147483647;
    t.IS_FIXEDLENGTH = IsFixedLengthType(sqlType);
    out.push_back(std::move(t));
  }
  return out;
}

}  // namespace mvq::db
