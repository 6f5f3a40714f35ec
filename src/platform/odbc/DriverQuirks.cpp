#include "platform/odbc/DriverQuirks.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "platform/odbc/ConnectionString.h"
#include "platform/text/AsciiCase.h"

namespace mvq::db {

namespace {

using text::AsciiLower;
using text::ContainsIgnoringCase;

bool IsSqliteDriver(std::string_view d) {
  return AsciiLower(d) == "sqlite3" || ContainsIgnoringCase(d, "sqlite3odbc");
}
bool IsMariaDbDriver(std::string_view d) {
  return AsciiLower(d).starts_with("mariadb") || ContainsIgnoringCase(d, "libmaodbc");
}
bool IsPsqlOdbcDriver(std::string_view d) {
  return AsciiLower(d).starts_with("postgresql") || ContainsIgnoringCase(d, "psqlodbc");
}

// A MariaDB server of at least major.minor; SQL_DBMS_VER reads "10.11.000019".
bool MariaDbServerAtLeast(const ServerInfo& server, int major, int minor) {
  return AsciiLower(server.dbmsName) == "mariadb" && VersionAtLeast(server.dbmsVersion, major, minor);
}

void StandardSavepoints(Quirks& q) {
  q.savepoint = "SAVEPOINT %s";
  q.rollbackToSavepoint = "ROLLBACK TO SAVEPOINT %s";
  q.releaseSavepoint = "RELEASE SAVEPOINT %s";
}

}  // namespace

bool VersionAtLeast(std::string_view dbmsVersion, int major, int minor) {
  const char* p = dbmsVersion.data();
  const char* end = p + dbmsVersion.size();
  int got[2] = {0, 0};
  for (int& part : got) {
    auto r = std::from_chars(p, end, part);
    if (r.ec != std::errc()) return false;
    p = r.ptr < end && *r.ptr == '.' ? r.ptr + 1 : r.ptr;
  }
  return got[0] > major || (got[0] == major && got[1] >= minor);
}

std::optional<std::string> WorkingDriverFor(std::string_view driver) {
  if (AsciiLower(driver) == "sqlite") return "SQLite3";
  return std::nullopt;
}

bool DriverNeedsNarrowCalls(std::string_view driver) {
  return AsciiLower(driver) == "mdbtools" || ContainsIgnoringCase(driver, "libmdbodbc") ||
         IsSqliteDriver(driver) || AsciiLower(driver) == "sqlite" || IsMariaDbDriver(driver);
}

bool DriverPrintsItsErrors(std::string_view driver) {
  return AsciiLower(driver) == "mdbtools" || ContainsIgnoringCase(driver, "libmdbodbc");
}

std::vector<DriverOption> DefaultDriverOptions(std::string_view driver) {
  if (IsSqliteDriver(driver)) return {{"StepAPI", "1"}};
  if (IsPsqlOdbcDriver(driver))
    return {{"UseDeclareFetch", "1"}, {"Fetch", "10000"}, {"BoolsAsChar", "0"}};
  return {};
}

Dbms DetectDbms(std::string_view dbmsName, std::string_view driverName) {
  std::string n = AsciiLower(dbmsName);
  if (n.find("sqlite") != std::string::npos) return Dbms::SQLite;
  if (n.find("postgres") != std::string::npos) return Dbms::PostgreSQL;
  if (n.find("mariadb") != std::string::npos || n.find("mysql") != std::string::npos)
    return Dbms::MariaDB;
  if (n.find("sql server") != std::string::npos) return Dbms::SqlServer;
  if (n.find("access") != std::string::npos || n.find("mdbtools") != std::string::npos)
    return Dbms::Access;
  if (n.find("oracle") != std::string::npos) return Dbms::Oracle;
  std::string d = AsciiLower(driverName);
  if (d.find("sqlite") != std::string::npos) return Dbms::SQLite;
  if (d.find("psqlodbc") != std::string::npos) return Dbms::PostgreSQL;
  if (d.find("maodbc") != std::string::npos || d.find("myodbc") != std::string::npos)
    return Dbms::MariaDB;
  if (d.find("tdsodbc") != std::string::npos || d.find("msodbcsql") != std::string::npos)
    return Dbms::SqlServer;
  if (d.find("mdbodbc") != std::string::npos || d.find("odbcjt") != std::string::npos)
    return Dbms::Access;
  if (d.find("sqora") != std::string::npos) return Dbms::Oracle;
  return Dbms::Unknown;
}

Quirks QuirksFor(Dbms dbms, std::string_view connectionString, const ServerInfo& server) {
  Quirks q;
  switch (dbms) {
    case Dbms::SQLite:
      q.decimalsNeedDeclaredType = true;
      q.integerAffinityIs64Bit = true;
      q.holdsNaN = false;
      q.blobDescribedAsShortBinary = true;
      q.declaredLengthsNotEnforced = true;
      q.lossyDoubleAndTimestampParameters = true;
      q.noParameterArrays = true;
      q.refreshSchema = "select 1 from sqlite_master where 0";
      q.readsTextAsUtf8 = true;
      // Julian day conversion (JDConv) changes how the driver reads numbers as dates.
      q.streamsFromTheFile = AttributeValue(connectionString, "JDConv").value_or("0") == "0";
      q.valuesThroughLiterals = q.streamsFromTheFile;
      StandardSavepoints(q);
      q.providerName = "SQLite";
      break;
    case Dbms::PostgreSQL: {
      StandardSavepoints(q);
      // Protocol=7.4-0 turns psqlODBC's statement savepoints off (7.4-1 rolls the whole
      // transaction back); the default 7.4-2 keeps the transaction alive.
      std::string protocol = AttributeValue(connectionString, "Protocol").value_or("");
      q.failedStatementAbortsTransaction =
          !protocol.empty() && !protocol.ends_with("-2") && protocol.find('-') != std::string::npos;
      q.undoesFailedStatements = !q.failedStatementAbortsTransaction;
      q.providerName = "Postgres";
      q.copyOverPartnerSession = true;
      q.datesReadAsText = q.dateTextNeedsCast = q.holdsDatesBeforeChrist = true;
      q.sessionSetup = "set time zone 'UTC'";
      q.declaredTypesQuery =
          "select attname::text, format_type(atttypid, atttypmod) from pg_attribute where "
          "attrelid = to_regclass(quote_ident('%s')) and attnum > 0 and not attisdropped";
      break;
    }
    case Dbms::MariaDB:
      q.holdsNaN = q.holdsInfinity = false;
      q.datesReadAsText = q.holdsZeroDates = true;
      q.tablesNeedCurrentCatalog = true;
      q.readsTextAsUtf8 = true;
      q.keyRangeRows = 10000;
      q.leaksDateParameters = true;
      // 5,000 rows per array carried 15% more rows a second than 1,000 (10,000 no more).
      q.batchRows = 5000;
      StandardSavepoints(q);
      q.packetLimitQuery = "select @@max_allowed_packet";
      if (IsMariaDbDriver(server.driverName) && MariaDbServerAtLeast(server, 10, 3)) {
        q.undoesFailedStatements = true;
        q.transactionOpenQuery = "select @@in_transaction";
      }
      q.providerName = "MariaDB";
      break;
    case Dbms::SqlServer:
      q.savepoint = "SAVE TRANSACTION %s";
      q.rollbackToSavepoint = "ROLLBACK TRANSACTION %s";
      q.callsFunctionsWithEscape = true;
      q.describeNullParameters = true;
      q.quoteOpen = "[";
      q.quoteClose = "]";
      q.providerName = "SQLOLEDB";
      break;
    case Dbms::Access:
      if (DriverNeedsNarrowCalls(DriverOf(connectionString))) {  // MDBTools
        q.noPrimaryKeyCall = true;
        q.noBlockFetch = true;
        q.textSizeInBytes = true;
      }
      q.batchRows = 1;
      q.quoteOpen = "[";
      q.quoteClose = "]";
      q.providerName = "Microsoft.Jet.OLEDB.4.0";
      break;
    case Dbms::Oracle:
      q.savepoint = "SAVEPOINT %s";
      q.rollbackToSavepoint = "ROLLBACK TO SAVEPOINT %s";
      q.selectFunctionSuffix = " from dual";
      q.providerName = "OraOLEDB.Oracle";
      break;
    case Dbms::Unknown:
      // Nothing is known about undoing part of a batch: rows go one at a time.
      q.batchRows = 1;
      q.callsFunctionsWithEscape = true;
      break;
  }
  return q;
}

}  // namespace mvq::db
