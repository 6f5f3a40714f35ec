#pragma once
// The syntax check of gathered Oracle and SQL Server statements: reads what the test
// processes gathered, brings each statement into the form the grammars read, runs sqlcheck
// (../shared/tools/sqlcheck) once per dialect and names every statement it refuses with the
// grammar's message. tests/sqlcheck/CheckGathered.cpp is the program around it.
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "support/SqlGathering.h"

namespace mvq::test {

// The distinct statements of that dialect in every gathered file of dir, in text order.
std::set<std::string> ReadGathered(const std::filesystem::path& dir, SqlDialect dialect);

// The statement as the grammar should read it; SQL Server's as sent. The PL/SQL grammar
// reads scripts and insists on the ";" that ends a statement there ("drop table t" is
// refused), which a statement sent through the driver leaves out: one is added. It has no
// ODBC "?" marker either (it refuses "select ? from dual"), which the Oracle driver takes
// wherever a bind may stand: each becomes the positional bind ":N". Its lexer takes the
// one-letter names E G H K M P T for keywords (size and time units), so "from tab t" is
// refused: such a name is quoted in upper case, which is the same name to Oracle.
std::string ForGrammar(SqlDialect dialect, std::string_view sql);

// Faults of a statement that the grammar does not see, as a message; nullopt when none.
// The PL/SQL grammar takes a statement with a closing ";", which the Oracle server refuses
// (ORA-00911) unless the statement is a PL/SQL block or creates a stored unit. The T-SQL
// grammar takes a batch that starts with any name as a call of that procedure, so a
// misspelt first keyword ("selec 1") passes it; a "go" line passes it too.
std::optional<std::string> DriverFault(SqlDialect dialect, std::string_view sql);

// What sqlcheck said of each statement of a --split0 file (numbered from 1 there, from 0
// here): the indexes it accepted and the message of each it refused.
struct Verdicts {
  std::set<size_t> ok;
  std::map<size_t, std::string> errors;
};
Verdicts ParseSqlcheckOutput(std::string_view output, std::string_view file);

// Statements that are right but that a grammar refuses. The file has one entry a line,
// "oracle STATEMENT" or "sqlserver STATEMENT", the statement exactly as sent; "#" lines are
// the reasons. Throws std::runtime_error naming a line that is neither.
std::set<std::pair<SqlDialect, std::string>> ParseAllowList(std::string_view text);

// Runs sqlcheck over one --split0 file of that dialect and returns what it printed; throws
// std::runtime_error when it could not run.
using SqlcheckRunner = std::function<std::string(SqlDialect, const std::filesystem::path&)>;

struct CheckOutcome {
  size_t checked = 0;
  std::vector<std::string> failures;  // each: dialect, the statement, why
};

// Checks the statements of one dialect, writing the file sqlcheck reads into workDir.
CheckOutcome CheckStatements(SqlDialect dialect, const std::set<std::string>& statements,
                             const std::filesystem::path& workDir, const SqlcheckRunner& run);

}  // namespace mvq::test
