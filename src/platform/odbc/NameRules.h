#pragma once
// How each dialect writes a table or column name into a statement, and which names it cannot
// hold. Every statement that names a table or a column goes through here, so that a name is
// written one way per engine and no name can ever run as SQL.
//
// The rule for case: an engine that folds unquoted names (Oracle to upper case, PostgreSQL to
// lower case) gets a name quoted when the source spells it in mixed case, so the table keeps
// the source's spelling; a name in one case is left unquoted and folds, so that a user who
// types it either way finds it. A name that is a plain identifier and no reserved word is
// written as it is: statement texts of ordinary names do not change.
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace mvq::db {

enum class Dbms;
class Connection;
class Session;

enum class CaseFold { None, Upper, Lower };

struct NameRules {
  std::string open = "\"", close = "\"";  // a closing quote inside a name is written twice
  CaseFold fold = CaseFold::None;         // what the engine does to an unquoted name
  // Oracle: "OWNER.TABLE" names a table of another owner; each part is written on its own.
  bool dotQualifies = false;
  // Longest name the engine keeps whole (0: no limit checked). PostgreSQL cuts a longer name
  // with only a notice, so a long name could land on another table's.
  size_t maxBytes = 0;       // UTF-8 bytes
  size_t maxChars = 0;       // characters
  std::string refusedChars;  // characters no name may hold, even quoted
  bool refusesLeadingSpace = false;
  bool refusesTrailingSpace = false;
  bool refusesControlChars = false;
  // SQL Server: a literal holding non-ASCII text is written N'...', else the server reads it
  // in its own code page.
  bool nationalLiterals = false;
};

// The rules of an engine. identifierQuote: what the driver reports as SQL_IDENTIFIER_QUOTE_CHAR,
// used where the engine's quotes are not fixed here (MariaDB, engines not recognised).
// dbmsVersion: SQL_DBMS_VER, where the longest name depends on the server (Oracle).
NameRules NameRulesFor(Dbms dbms, std::string_view identifierQuote = {},
                       std::string_view dbmsVersion = {});

// The rules of a connection's engine; an ODBC connection adds what its driver reports.
NameRules NamesOf(const Connection& connection);
NameRules NamesOf(const Session& session);
// A table name in the statements an ODBC session writes itself.
std::string TableName(const Session& session, std::string_view table);

// A name as the source spells it, quoted when the rules above ask for it.
std::string QuoteName(const NameRules& rules, std::string_view name);
// A name as the engine's own dictionary holds it (a column of an existing table): quoted also
// when folding would change it, so "ename" stored in lower case by Oracle stays found.
std::string QuoteStoredName(const NameRules& rules, std::string_view name);
// Whether QuoteName quotes the name.
bool NeedsQuotes(const NameRules& rules, std::string_view name);
// The name as the engine stores a table or column created under QuoteName: folded unless quoted.
std::string StoredName(const NameRules& rules, std::string_view name);
// Always quoted, a closing quote written twice.
std::string Quoted(const NameRules& rules, std::string_view name);

// Why the engine cannot hold the name (in the log's words), or nothing when it can. The same
// rule serves table and column names.
std::optional<std::string> NameRefusal(const NameRules& rules, std::string_view name);
// The first of names the engine cannot hold, with the reason; nothing when it holds them all.
// Two names that differ only beyond the engine's length would clash, so a long name is
// refused even when it is unique.
struct RefusedName {
  std::string name, why;
};
std::optional<RefusedName> FirstRefusal(const NameRules& rules,
                                        const std::vector<std::string>& names);

// The words quoted wherever they stand as names, upper case and sorted. The server scripts
// carry a copy of their own (a test holds them to this list).
std::span<const std::string_view> ReservedWords();

// A string literal: single quotes around the text, a single quote inside written twice.
std::string QuoteLiteral(const NameRules& rules, std::string_view text);

}  // namespace mvq::db
