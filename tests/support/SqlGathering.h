#pragma once
// Statements sent to scripted Oracle and SQL Server connections, gathered for a syntax check
// with real grammars after the test run (see tests/sqlcheck). Each test process appends what
// it sends, once per distinct text, to files of its own in the folder named by
// MVQ_SQL_GATHER_DIR; without that variable nothing is gathered.
#include <optional>
#include <string>
#include <string_view>

#include "platform/odbc/Connection.h"

namespace mvq::test {

enum class SqlDialect { Oracle, SqlServer };

// "oracle" or "sqlserver", as the checker and the gathered file names spell them.
std::string_view DialectName(SqlDialect dialect);

// The dialect whose grammar checks what a connection is sent: the dbms a test gave it,
// else what its connection string names (an Oracle driver; SQLOLEDB or a SQL Server
// driver). nullopt for every other kind of connection.
std::optional<SqlDialect> GrammarDialect(db::Dbms dbms, std::string_view connectionString);

// The text the ODBC layer sends for a call of a function with that many inputs, in a form
// the grammar reads: Oracle "select f(?) from dual"; SQL Server's ODBC call escape
// "{? = call f(?)}" as the EXEC it stands for.
std::string FunctionCallText(SqlDialect dialect, std::string_view name, size_t inputs);

// Adds one statement to this process's gathered files.
void GatherStatement(SqlDialect dialect, std::string_view sql);

}  // namespace mvq::test
