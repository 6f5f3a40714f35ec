#pragma once
// The SQL Server connection strings the settings page builds, and the listing queries the
// steps send.
#include <string>
#include <string_view>
#include <vector>

#include "shell/FormState.h"

namespace mvq {

inline constexpr std::string_view kOracleTableListSql =
    "SELECT t.tname FROM TAB T WHERE T.tabtype='TABLE' and (not t.tname like 'BIN$%') order  BY "
    "TNAME";
inline constexpr std::string_view kCatalogListSql = "sELECT name FROM   master..sysdatabases";

// The string for the SQL Server gateway, by the authentication the form chose.
std::string SqlServerConnectionString(const FormState& form);

// The string that lists the server's databases: master, the form's user, no password,
// whatever the authentication.
std::string CatalogListConnectionString(const FormState& form);

// Whether a connection string edited on the custom page keeps its password: it holds
// "Password=" or the ODBC spelling "PWD=", letter case ignored.
bool CarriesPassword(std::string_view connectionString);

// The message shown when a password would not be kept, and the option it names.
inline constexpr std::string_view kSavePasswordHint = "请将\"允许保存密码\"设置为选中";
inline constexpr std::string_view kSavePasswordOption = "允许保存密码";

// One "key=value" part of a connection string; the value as written, braces or quotes kept.
struct ConnectionAttribute {
  std::string key;
  std::string value;
  bool operator==(const ConnectionAttribute&) const = default;
};

// Splits at each ";" outside braces and quotes, then each part at its first "="; blanks
// around keys are dropped and empty parts skipped. A part without "=" is a key with an
// empty value.
std::vector<ConnectionAttribute> SplitConnectionString(std::string_view text);

// Joins the attributes with ";", skipping those without a key. A value that would end
// its attribute early (holding ";" outside braces and quotes) is enclosed: in braces for
// an ODBC string, in quotes for a "Provider=" string.
std::string JoinConnectionString(const std::vector<ConnectionAttribute>& attributes);

// The value of a key (letter case ignored), as written; empty when absent.
std::string AttributeValue(const std::vector<ConnectionAttribute>& attributes,
                           std::string_view key);

// A value as it may stand in a connection string: unchanged unless it holds ";" or begins
// with a quote or with or ends in blanks; then quoted so it cannot end early or add
// attributes of its own.
std::string ConnectionStringValue(std::string_view value);

}  // namespace mvq
