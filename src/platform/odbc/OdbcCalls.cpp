#include "platform/odbc/OdbcCalls.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "platform/odbc/StatementCancel.h"
#include "platform/odbc/WideText.h"

namespace mvq::db {

namespace {

SQLWCHAR* W(std::u16string& s) {
  return reinterpret_cast<SQLWCHAR*>(s.data());
}
SQLCHAR* N(std::string& s) {
  return reinterpret_cast<SQLCHAR*>(s.data());
}

std::string FromWide(const SQLWCHAR* text, size_t units) {
  return ToUtf8(reinterpret_cast<const char16_t*>(text), units);
}

// Owns the environment for the life of the process.
struct EnvironmentHolder {
  SQLHENV env = SQL_NULL_HENV;
  EnvironmentHolder() {
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env))) {
      env = SQL_NULL_HENV;
      return;
    }
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  }
  ~EnvironmentHolder() {
    if (env != SQL_NULL_HENV) SQLFreeHandle(SQL_HANDLE_ENV, env);
  }
};

// Sends standard error to /dev/null while it lives (when asked to).
class QuietStderr {
 public:
  explicit QuietStderr(bool active) {
    if (!active) return;
    std::fflush(stderr);
    saved_ = dup(STDERR_FILENO);
    int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (saved_ < 0 || null < 0 || dup2(null, STDERR_FILENO) < 0) {
      if (saved_ >= 0) close(saved_);
      saved_ = -1;
    }
    if (null >= 0) close(null);
  }
  ~QuietStderr() {
    if (saved_ < 0) return;
    std::fflush(stderr);
    dup2(saved_, STDERR_FILENO);
    close(saved_);
  }
  QuietStderr(const QuietStderr&) = delete;
  QuietStderr& operator=(const QuietStderr&) = delete;

 private:
  int saved_ = -1;
};

std::optional<std::u16string> WideOrNull(const std::optional<std::string>& s) {
  if (!s) return std::nullopt;
  return ToUtf16(*s);
}

}  // namespace

SQLHENV Environment() {
  static EnvironmentHolder holder;
  if (holder.env == SQL_NULL_HENV)
    throw DbError("the ODBC driver manager could not be initialised");
  return holder.env;
}

Handle::Handle(SQLSMALLINT type, SQLHANDLE parent) : type_(type) {
  SQLRETURN rc = SQLAllocHandle(type, parent, &handle_);
  if (!SQL_SUCCEEDED(rc)) {
    handle_ = SQL_NULL_HANDLE;
    SQLSMALLINT parentType = type == SQL_HANDLE_STMT ? SQL_HANDLE_DBC : SQL_HANDLE_ENV;
    OdbcCalls().Throw(parentType, parent, "allocating a handle");
  }
}

Handle& Handle::operator=(Handle&& other) noexcept {
  if (this != &other) {
    Free();
    type_ = other.type_;
    handle_ = other.handle_;
    other.handle_ = SQL_NULL_HANDLE;
  }
  return *this;
}

void Handle::Free() {
  if (handle_ != SQL_NULL_HANDLE) SQLFreeHandle(type_, handle_);
  handle_ = SQL_NULL_HANDLE;
}

std::vector<Diagnostic> OdbcCalls::Diagnostics(SQLSMALLINT type, SQLHANDLE handle) const {
  std::vector<Diagnostic> records;
  if (handle == SQL_NULL_HANDLE) return records;
  for (SQLSMALLINT i = 1; i < 64; ++i) {
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    Diagnostic d;
    SQLRETURN rc;
    if (narrow_) {
      SQLCHAR state[6] = {};
      std::string message(1024, '\0');
      rc = SQLGetDiagRec(type, handle, i, state, &native, N(message),
                         static_cast<SQLSMALLINT>(message.size()), &length);
      if (rc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(message.size())) {
        message.assign(length + 1, '\0');
        rc = SQLGetDiagRec(type, handle, i, state, &native, N(message),
                           static_cast<SQLSMALLINT>(message.size()), &length);
      }
      if (!SQL_SUCCEEDED(rc)) break;
      message.resize(std::min<size_t>(length, std::strlen(message.c_str())));
      d.sqlState = reinterpret_cast<const char*>(state);
      d.message = std::move(message);
    } else {
      SQLWCHAR state[6] = {};
      std::u16string message(1024, u'\0');
      rc = SQLGetDiagRecW(type, handle, i, state, &native, W(message),
                          static_cast<SQLSMALLINT>(message.size()), &length);
      if (rc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(message.size())) {
        message.assign(length + 1, u'\0');
        rc = SQLGetDiagRecW(type, handle, i, state, &native, W(message),
                            static_cast<SQLSMALLINT>(message.size()), &length);
      }
      if (!SQL_SUCCEEDED(rc)) break;
      size_t units = 0;
      while (units < static_cast<size_t>(length) && units < message.size() && message[units])
        ++units;
      d.sqlState = FromWide(state, 5);
      while (!d.sqlState.empty() && d.sqlState.back() == '\0') d.sqlState.pop_back();
      d.message = ToUtf8(message.data(), units);
    }
    // Drivers end messages with newlines of their own; the run log adds its own line ends.
    while (!d.message.empty() && (d.message.back() == '\n' || d.message.back() == '\r'))
      d.message.pop_back();
    d.nativeCode = native;
    records.push_back(std::move(d));
  }
  return records;
}

void OdbcCalls::Check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle,
                      std::string_view what) const {
  if (SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA) return;
  Throw(type, handle, what);
}

void OdbcCalls::Throw(SQLSMALLINT type, SQLHANDLE handle, std::string_view what) const {
  auto records = Diagnostics(type, handle);
  if (records.empty()) records.push_back({"HY000", 0, std::string(what) + " failed"});
  throw DbError(std::move(records));
}

SQLRETURN OdbcCalls::DriverConnect(SQLHDBC dbc, const std::string& connectionString) const {
  QuietStderr quiet(quiet_);
  if (narrow_) {
    std::string cs = connectionString;
    return SQLDriverConnect(dbc, nullptr, N(cs), SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
  }
  std::u16string cs = ToUtf16(connectionString);
  return SQLDriverConnectW(dbc, nullptr, W(cs), SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
}

SQLRETURN OdbcCalls::Prepare(SQLHSTMT stmt, const std::string& sql) const {
  QuietStderr quiet(quiet_);
  if (narrow_) {
    std::string s = sql;
    return SQLPrepare(stmt, N(s), static_cast<SQLINTEGER>(s.size()));
  }
  std::u16string s = ToUtf16(sql);
  return SQLPrepareW(stmt, W(s), static_cast<SQLINTEGER>(s.size()));
}

SQLRETURN OdbcCalls::ExecDirect(SQLHSTMT stmt, const std::string& sql) const {
  QuietStderr quiet(quiet_);
  const ExecutingStatement executing(stmt);
  if (narrow_) {
    std::string s = sql;
    return SQLExecDirect(stmt, N(s), static_cast<SQLINTEGER>(s.size()));
  }
  std::u16string s = ToUtf16(sql);
  return SQLExecDirectW(stmt, W(s), static_cast<SQLINTEGER>(s.size()));
}

ColumnDescription OdbcCalls::DescribeColumn(SQLHSTMT stmt, SQLUSMALLINT column) const {
  ColumnDescription d;
  SQLSMALLINT length = 0, nullable = 0;
  SQLRETURN rc;
  if (narrow_) {
    std::string name(512, '\0');
    rc = SQLDescribeCol(stmt, column, N(name), static_cast<SQLSMALLINT>(name.size()), &length,
                        &d.sqlType, &d.size, &d.digits, &nullable);
    name.resize(std::min<size_t>(length, std::strlen(name.c_str())));
    d.name = std::move(name);
  } else {
    std::u16string name(512, u'\0');
    rc = SQLDescribeColW(stmt, column, W(name), static_cast<SQLSMALLINT>(name.size()), &length,
                         &d.sqlType, &d.size, &d.digits, &nullable);
    // Some drivers count the name's UTF-8 bytes: trust the terminator instead.
    size_t units = 0;
    while (units < name.size() && name[units]) ++units;
    d.name = ToUtf8(name.data(), units);
  }
  Check(rc, SQL_HANDLE_STMT, stmt, "describing a column");
  return d;
}

std::string OdbcCalls::ColumnText(SQLHSTMT stmt, SQLUSMALLINT column, SQLUSMALLINT field) const {
  SQLSMALLINT length = 0;
  if (narrow_) {
    std::string text(512, '\0');
    if (!SQL_SUCCEEDED(SQLColAttribute(stmt, column, field, N(text),
                                       static_cast<SQLSMALLINT>(text.size()), &length, nullptr)))
      return {};
    text.resize(std::strlen(text.c_str()));
    return text;
  }
  std::u16string text(512, u'\0');
  if (!SQL_SUCCEEDED(SQLColAttributeW(stmt, column, field, W(text),
                                      static_cast<SQLSMALLINT>(text.size() * sizeof(SQLWCHAR)),
                                      &length, nullptr)))
    return {};
  size_t units = 0;
  while (units < text.size() && text[units]) ++units;
  return ToUtf8(text.data(), units);
}

std::optional<SQLLEN> OdbcCalls::ColumnNumber(SQLHSTMT stmt, SQLUSMALLINT column,
                                              SQLUSMALLINT field) const {
  SQLLEN value = 0;
  SQLRETURN rc = narrow_ ? SQLColAttribute(stmt, column, field, nullptr, 0, nullptr, &value)
                         : SQLColAttributeW(stmt, column, field, nullptr, 0, nullptr, &value);
  if (!SQL_SUCCEEDED(rc)) return std::nullopt;
  return value;
}

std::optional<std::string> OdbcCalls::InfoText(SQLHDBC dbc, SQLUSMALLINT item) const {
  SQLSMALLINT length = 0;
  if (narrow_) {
    std::string text(256, '\0');
    if (!SQL_SUCCEEDED(
            SQLGetInfo(dbc, item, N(text), static_cast<SQLSMALLINT>(text.size()), &length)))
      return std::nullopt;
    text.resize(std::min<size_t>(std::strlen(text.c_str()), static_cast<size_t>(length)));
    return text;
  }
  std::u16string text(256, u'\0');
  if (!SQL_SUCCEEDED(SQLGetInfoW(
          dbc, item, W(text), static_cast<SQLSMALLINT>(text.size() * sizeof(SQLWCHAR)), &length)))
    return std::nullopt;
  size_t units = 0;
  while (units < text.size() && units < static_cast<size_t>(length) / 2 && text[units]) ++units;
  return ToUtf8(text.data(), units);
}

std::optional<std::string> OdbcCalls::ConnectAttrText(SQLHDBC dbc, SQLINTEGER attribute) const {
  SQLINTEGER length = 0;
  if (narrow_) {
    std::string text(512, '\0');
    if (!SQL_SUCCEEDED(SQLGetConnectAttr(dbc, attribute, N(text),
                                         static_cast<SQLINTEGER>(text.size()), &length)))
      return std::nullopt;
    text.resize(std::strlen(text.c_str()));
    return text;
  }
  std::u16string text(512, u'\0');
  if (!SQL_SUCCEEDED(SQLGetConnectAttrW(dbc, attribute, W(text),
                                        static_cast<SQLINTEGER>(text.size() * sizeof(SQLWCHAR)),
                                        &length)))
    return std::nullopt;
  size_t units = 0;
  while (units < text.size() && text[units]) ++units;
  return ToUtf8(text.data(), units);
}

SQLRETURN OdbcCalls::Tables(SQLHSTMT stmt, const std::optional<std::string>& catalog) const {
  if (narrow_) {
    std::string c = catalog.value_or("");
    return SQLTables(stmt, catalog ? N(c) : nullptr, catalog ? SQL_NTS : 0, nullptr, 0, nullptr, 0,
                     nullptr, 0);
  }
  auto c = WideOrNull(catalog);
  return SQLTablesW(stmt, c ? W(*c) : nullptr, c ? SQL_NTS : 0, nullptr, 0, nullptr, 0, nullptr, 0);
}

SQLRETURN OdbcCalls::PrimaryKeys(SQLHSTMT stmt, const std::string& catalog,
                                 const std::string& schema, const std::string& table) const {
  std::string c = catalog, s = schema, t = table;
  if (narrow_) {
    return SQLPrimaryKeys(stmt, c.empty() ? nullptr : N(c), c.empty() ? 0 : SQL_NTS,
                          s.empty() ? nullptr : N(s), s.empty() ? 0 : SQL_NTS, N(t), SQL_NTS);
  }
  std::u16string wc = ToUtf16(c), ws = ToUtf16(s), wt = ToUtf16(t);
  return SQLPrimaryKeysW(stmt, c.empty() ? nullptr : W(wc), c.empty() ? 0 : SQL_NTS,
                         s.empty() ? nullptr : W(ws), s.empty() ? 0 : SQL_NTS, W(wt), SQL_NTS);
}

SQLRETURN OdbcCalls::Columns(SQLHSTMT stmt, const std::string& table,
                             const std::string& column) const {
  std::string t = table, c = column;
  if (narrow_) return SQLColumns(stmt, nullptr, 0, nullptr, 0, N(t), SQL_NTS, N(c), SQL_NTS);
  std::u16string wt = ToUtf16(t), wc = ToUtf16(c);
  return SQLColumnsW(stmt, nullptr, 0, nullptr, 0, W(wt), SQL_NTS, W(wc), SQL_NTS);
}

SQLRETURN OdbcCalls::TypeInfo(SQLHSTMT stmt) const {
  return narrow_ ? SQLGetTypeInfo(stmt, SQL_ALL_TYPES) : SQLGetTypeInfoW(stmt, SQL_ALL_TYPES);
}

}  // namespace mvq::db
