#pragma once
// The raw ODBC surface of this layer: owned handles, diagnostics turned into DbError, and
// the calls that carry text. Text goes through the wide (UTF-16) entry points, except for
// drivers that only work through the narrow ones, which get UTF-8 bytes (see
// DriverQuirks.h). Nothing outside platform/odbc includes this header.
#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/odbc/DbError.h"

namespace mvq::db {

// The process-wide ODBC environment (ODBC 3 behaviour), created on first use.
SQLHENV Environment();

// Owns one ODBC handle and frees it once.
class Handle {
 public:
  Handle() = default;
  Handle(SQLSMALLINT type, SQLHANDLE parent);  // allocates; throws DbError
  ~Handle() { Free(); }
  Handle(Handle&& other) noexcept { *this = std::move(other); }
  Handle& operator=(Handle&& other) noexcept;
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;

  SQLHANDLE get() const { return handle_; }
  SQLSMALLINT type() const { return type_; }
  explicit operator bool() const { return handle_ != SQL_NULL_HANDLE; }
  void Free();
  // Forgets a handle that the driver manager already freed (statements die with their
  // connection at SQLDisconnect).
  void Abandon() { handle_ = SQL_NULL_HANDLE; }

 private:
  SQLSMALLINT type_ = 0;
  SQLHANDLE handle_ = SQL_NULL_HANDLE;
};

// One result-set column as SQLDescribeCol reports it.
struct ColumnDescription {
  std::string name;
  SQLSMALLINT sqlType = 0;
  SQLULEN size = 0;
  SQLSMALLINT digits = 0;
};

// Text-carrying calls in the chosen character width.
class OdbcCalls {
 public:
  // narrow: UTF-8 through the narrow calls; quiet: the driver's statement and connect calls
  // run with standard error sent to /dev/null.
  explicit OdbcCalls(bool narrow = false, bool quiet = false) : narrow_(narrow), quiet_(quiet) {}
  bool narrow() const { return narrow_; }
  bool quiet() const { return quiet_; }

  // Every diagnostic record of the handle, in order.
  std::vector<Diagnostic> Diagnostics(SQLSMALLINT type, SQLHANDLE handle) const;
  // Throws the handle's diagnostics unless rc succeeded; SQL_NO_DATA counts as success.
  void Check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle, std::string_view what) const;
  [[noreturn]] void Throw(SQLSMALLINT type, SQLHANDLE handle, std::string_view what) const;

  SQLRETURN DriverConnect(SQLHDBC dbc, const std::string& connectionString) const;
  SQLRETURN Prepare(SQLHSTMT stmt, const std::string& sql) const;
  SQLRETURN ExecDirect(SQLHSTMT stmt, const std::string& sql) const;
  ColumnDescription DescribeColumn(SQLHSTMT stmt, SQLUSMALLINT column) const;
  // A text attribute of a column; empty when the driver does not answer.
  std::string ColumnText(SQLHSTMT stmt, SQLUSMALLINT column, SQLUSMALLINT field) const;
  // A numeric attribute of a column; nullopt when the driver does not answer.
  std::optional<SQLLEN> ColumnNumber(SQLHSTMT stmt, SQLUSMALLINT column, SQLUSMALLINT field) const;
  // A text SQLGetInfo item; nullopt when the driver does not answer.
  std::optional<std::string> InfoText(SQLHDBC dbc, SQLUSMALLINT item) const;
  std::optional<std::string> ConnectAttrText(SQLHDBC dbc, SQLINTEGER attribute) const;
  // Catalog functions; an empty optional passes NULL (no restriction).
  SQLRETURN Tables(SQLHSTMT stmt, const std::optional<std::string>& catalog) const;
  SQLRETURN PrimaryKeys(SQLHSTMT stmt, const std::string& catalog, const std::string& schema,
                        const std::string& table) const;
  SQLRETURN Columns(SQLHSTMT stmt, const std::string& table, const std::string& column) const;
  SQLRETURN TypeInfo(SQLHSTMT stmt) const;

 private:
  bool narrow_;
  bool quiet_;
};

// Installed driver names as the driver manager lists them.
std::vector<std::string> InstalledDriverNames();

}  // namespace mvq::db
