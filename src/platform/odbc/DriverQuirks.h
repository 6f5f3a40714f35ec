#pragma once
// Everything this layer knows about particular drivers and engines, in one place. Each
// quirk is a named flag or function; code elsewhere asks the flag, never the engine's name.
// Measured with unixODBC 2.3.11, sqliteodbc 0.9998, psqlODBC 13.02, MariaDB Connector/ODBC
// 3.1.15 and mdbtools 1.0.0.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/odbc/Connection.h"

namespace mvq::db {

// --- Decided from the connection string, before connecting -------------------------------

// A registered driver entry whose library is not shipped, with the entry that works
// instead: "SQLite" is registered but broken, "SQLite3" works.
std::optional<std::string> WorkingDriverFor(std::string_view driver);

// Drivers that take UTF-8 through the narrow calls and must not get the wide ones: the
// driver manager would turn wide text into the process locale's code page, which mangles
// Chinese statements and file names. sqliteodbc has no wide entry points at all; MDBTools'
// ANSI build has none, and its Unicode build lacks the wide catalog calls (SQLTablesW).
// MariaDB Connector/ODBC miscounts UTF-16 text that holds a unit whose low byte is D8-DB
// (U+8FD9 "这" among many Chinese characters), as if it began a surrogate pair: a value
// sent gains a NUL, a value read loses its last character, per such unit. It takes and
// gives UTF-8 (utf8mb4) through the narrow calls and as SQL_C_CHAR.
// driver: the DRIVER entry, or SQL_DRIVER_NAME once connected.
bool DriverNeedsNarrowCalls(std::string_view driver);

// MDBTools prints its parser's errors ("syntax error", "File not found") on standard error
// besides failing the call; its statement and connect calls run with standard error sent to
// /dev/null, so that the command-line front end shows each error once, in its own words.
bool DriverPrintsItsErrors(std::string_view driver);

// Options that keep a driver's memory bounded while reading large results, or that make it
// report types truly, added when the connection string does not set them itself:
//  - sqliteodbc and psqlODBC hold a whole result in memory unless told to step
//    (StepAPI=1) or to fetch through a cursor (UseDeclareFetch=1;Fetch=N);
//  - psqlODBC reports boolean columns as varchar(5) unless BoolsAsChar=0.
struct DriverOption {
  const char* key;
  const char* value;
};
std::vector<DriverOption> DefaultDriverOptions(std::string_view driver);

// --- Decided once the connection is open ---------------------------------------------------

// The engine behind an open connection, from SQL_DBMS_NAME, else the driver's file name.
Dbms DetectDbms(std::string_view dbmsName, std::string_view driverName);

struct Quirks {
  // SQLite: numeric(p,s) and decimal(p,s) columns come back as SQL_DOUBLE (or SQL_VARCHAR)
  // in result sets; the declared text is only in SQLColumns' TYPE_NAME.
  bool decimalsNeedDeclaredType = false;
  // SQLite: a column whose declared type has INTEGER affinity by SQLite's own rule (its
  // name holds "INT": integer, smallint unsigned, intege, point) holds 64-bit values, but
  // sqliteodbc describes `integer` as SQL_INTEGER and `point` as varchar.
  bool integerAffinityIs64Bit = false;
  // PostgreSQL: psqlODBC describes an unconstrained numeric as numeric(28,6), like a
  // declared numeric(28,6), and its SQLColumns names both "numeric". This query (%s: the
  // table's name as a literal) gives each column's declared type from the catalog instead.
  std::string declaredTypesQuery;
  // Dates and time stamps read as the engine's text and parsed here, since the driver's date
  // structures lose them: psqlODBC drops the era (4713-01-01 BC arrives as AD), MariaDB's
  // driver gives a zero date ('0000-00-00', '2024-00-15') as NULL.
  bool datesReadAsText = false;
  // PostgreSQL: psqlODBC writes even the text of a date column without its era, so a query
  // with date columns is run again with those columns cast to text on the server.
  bool dateTextNeedsCast = false;
  // What the engine's date and time stamp columns hold beyond the common calendar: years
  // before Christ (PostgreSQL), zero years, months and days (MariaDB). Such a value into a
  // date column of an engine without it refuses its row.
  bool holdsDatesBeforeChrist = false;
  bool holdsZeroDates = false;
  // Run once a connection is open. PostgreSQL: every session in UTC, so that a timestamptz
  // read by one session and written by another (or by the COPY session) keeps its instant
  // whatever the sessions' TimeZone settings.
  std::string sessionSetup;
  // Floating-point values the engine stores as they are: SQLite turns NaN into NULL, MariaDB
  // has neither NaN nor infinities. Such a value into such a column refuses its row.
  bool holdsNaN = true;
  bool holdsInfinity = true;
  // SQLite: a BLOB column is described as SQL_BINARY of size 255 whatever it holds.
  bool blobDescribedAsShortBinary = false;
  // SQLite does not enforce declared lengths: a varchar(50) may hold any length, so text and
  // binary columns are never read into fixed-size buffers.
  bool declaredLengthsNotEnforced = false;
  // SQLite: sqliteodbc writes SQL_C_DOUBLE values with 15 digits and SQL_C_TYPE_TIMESTAMP
  // values with milliseconds; sent as text, SQLite keeps them whole. (It also reads REAL
  // values back through 15-digit text; nothing above the driver can undo that.)
  bool lossyDoubleAndTimestampParameters = false;
  // SQLite: sqliteodbc turns every value into text and parses it back, which is most of the
  // time of a large copy; streamed reads run on the file through libsqlite3 instead (the
  // driver still describes the result) while no transaction of this connection is open.
  bool streamsFromTheFile = false;
  // SQLite: where the driver reads a result all the same (not streamed, inside a transaction,
  // with parameters), each column is selected as SqliteExactExpression, which the driver
  // passes whole, and converted here as the file reader converts values.
  bool valuesThroughLiterals = false;
  // SQLite: sqliteodbc describes a result before its first step, from the schema the
  // connection last read, so a table another connection has created anew shows its old
  // columns. This statement, run first, brings the connection's schema up to date.
  std::string refreshSchema;
  // MariaDB: Connector/ODBC before 3.1.17 holds every row of a result in memory, however it
  // is fetched. A whole table is read instead in ranges of this many rows of its one-column
  // key ("where key > last order by key limit n"); 0: the driver streams by itself.
  size_t keyRangeRows = 0;
  // MariaDB: text values are read as UTF-8 (SQL_C_CHAR), never as UTF-16 (see
  // DriverNeedsNarrowCalls). SQLite: the same, since it stores UTF-8; read so it skips two
  // conversions (to UTF-16 in the driver, back to UTF-8 here).
  bool readsTextAsUtf8 = false;
  // SQLite: in a parameter array every binary value takes the first row's length. Arrays
  // bring SQLite no speed inside a transaction either, so its rows go one at a time.
  bool noParameterArrays = false;
  // MariaDB: SQLTables with no catalog lists the tables of every database.
  bool tablesNeedCurrentCatalog = false;
  // MDBTools: SQLPrimaryKeys is not implemented (IM001).
  bool noPrimaryKeyCall = false;
  // MDBTools: no row arrays (SQL_ATTR_ROW_ARRAY_SIZE fails) and no writes at all.
  bool noBlockFetch = false;
  // MDBTools: text columns report their size in bytes, twice their length in characters.
  bool textSizeInBytes = false;
  // A failed statement leaves the transaction unusable until rolled back (plain
  // PostgreSQL). psqlODBC wraps every statement in a savepoint of its own, so with its
  // default protocol a failed row does not abort the transaction.
  bool failedStatementAbortsTransaction = false;
  // A failed statement, a whole parameter array included, leaves nothing behind, so an
  // array needs no savepoint of ours. psqlODBC with that default undoes it under a savepoint
  // of its own; one of ours would break it: releasing or rolling back to ours takes the
  // driver's later savepoint with it, and in a later transaction the driver then answered a
  // failed array with a ROLLBACK of the whole transaction. A MariaDB server (10.3 on) runs
  // an array from MariaDB's driver as one statement and undoes all of it; other servers get
  // its rows one at a time and keep those before a failing one. A savepoint per array cost
  // MariaDB copies about 5% of their speed.
  bool undoesFailedStatements = false;
  // A query whose value is 0 once the server has rolled the whole transaction back on its
  // own (MariaDB: a deadlock's victim), asked after a statement failed in a transaction:
  // without a savepoint of ours to roll back to, nothing else would tell that the rows
  // written before it are gone.
  std::string transactionOpenQuery;
  // A query for the largest packet the server takes (MariaDB): a parameter array sent in a
  // larger one loses the connection (the driver does not split it).
  std::string packetLimitQuery;
  // SQL Server refuses a null sent as varchar for a binary column: nulls are sent with the
  // type the driver describes for their parameter.
  bool describeNullParameters = false;
  // Savepoint statements; empty when the engine has none (then batches go row by row).
  std::string savepoint, rollbackToSavepoint, releaseSavepoint;  // "%s" is the name
  // PostgreSQL: psqlODBC turns a parameter array into one statement per row (56k rows/s
  // here, against 389k by COPY), and has no COPY of its own: appended rows go by COPY over
  // a libpq session of their own that follows this connection's transactions.
  bool copyOverPartnerSession = false;
  // MariaDB: every SQL_C_TYPE_TIMESTAMP parameter value leaks about 47 bytes in the driver
  // (54 MB for a million rows, 197 MB for four); dates and timestamps go as text.
  bool leaksDateParameters = false;
  // Rows per batch: one parameter array, in one transaction or under one savepoint.
  size_t batchRows = 1000;
  // Calling a scalar function: "{? = call f(?)}" or "select f(?)" (+ suffix).
  bool callsFunctionsWithEscape = false;
  std::string selectFunctionSuffix;
  // Identifier quotes for generated statements; empty: ask the driver.
  std::string quoteOpen, quoteClose;
  // The provider name the gates see (they put names in brackets when it contains
  // "Microsoft.Jet.OLEDB.4.0" or "SQL"): SQL Server "SQLOLEDB", Access
  // "Microsoft.Jet.OLEDB.4.0", SQLite "SQLite" (brackets work there); PostgreSQL, MariaDB and
  // Oracle must not get brackets, and "PostgreSQL" and "MySQL" both contain "SQL", so they
  // are named "Postgres", "MariaDB" and "OraOLEDB.Oracle"; any other engine "ODBC".
  std::string providerName = "ODBC";
};

// What a connection tells of itself, where quirks depend on it.
struct ServerInfo {
  std::string driverName;   // SQL_DRIVER_NAME
  std::string dbmsName;     // SQL_DBMS_NAME
  std::string dbmsVersion;  // SQL_DBMS_VER ("10.11.000019")
};

// The quirks of an engine; connectionString tells the driver options in force.
Quirks QuirksFor(Dbms dbms, std::string_view connectionString, const ServerInfo& server = {});

// Whether a server's SQL_DBMS_VER ("10.11.000019", "11.02.0040") is at least major.minor;
// false when it does not start with two numbers.
bool VersionAtLeast(std::string_view dbmsVersion, int major, int minor);

}  // namespace mvq::db
