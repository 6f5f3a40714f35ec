#pragma once
// Connection strings: the OLE DB strings the shell builds ("Provider=SQLOLEDB.1;...",
// "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=...") become ODBC strings for a driver
// that is installed here; ODBC strings ("Driver=...", "DSN=...") pass through, gaining only
// the driver options of DefaultDriverOptions that they do not set themselves.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mvq::db {

struct Attribute {
  std::string key;  // as written, surrounding blanks removed
  std::string value;
};

// Splits "k1=v1;k2={v;2};k3="v3"" into its attributes. Values may be wrapped in braces
// (ODBC, "}}" stands for "}") or in double quotes (OLE DB, "" stands for "). Throws DbError
// for text that is not a connection string (an entry without "=", an unclosed brace or
// quote).
std::vector<Attribute> ParseConnectionString(std::string_view text);

// The value of key (letter case ignored); nullopt when absent or the text does not parse.
std::optional<std::string> AttributeValue(std::string_view text, std::string_view key);

// Writes attributes back as an ODBC string, bracing values that need it.
std::string FormatConnectionString(const std::vector<Attribute>& attributes);

// The ODBC string to connect with, given the names of the installed drivers. Throws DbError
// for a malformed string, a provider with no ODBC counterpart, or a provider whose driver
// is not installed.
std::string TranslateConnectionString(const std::string& text,
                                      const std::vector<std::string>& installedDrivers);

// The driver named by an ODBC string's DRIVER entry, without braces; empty when absent.
std::string DriverOf(std::string_view odbcText);

// Whether key names a password: PWD, Password, "Jet OLEDB:Database Password" (case ignored).
bool IsPasswordKey(std::string_view key);

// The text with the value of every password entry replaced by "***". Works on any text, not
// only on a string that parses (a driver message quoting one, an edited half string): this
// is what every connection string goes through before it is shown or logged.
std::string MaskPasswords(std::string_view text);

// The non-empty password values a connection string carries; none when it does not parse.
std::vector<std::string> PasswordsOf(std::string_view text);

// message with every occurrence of one of the secrets replaced by "***", then masked.
std::string HideSecrets(std::string message, const std::vector<std::string>& secrets);
// The Access file a connection string names (a Jet provider's Data Source, the DBQ of an
// Access driver such as MDBTools); empty for anything else.
std::string AccessFileOf(std::string_view text);
// The database file it names: an Access file as above, an ACE provider's Data Source, a
// DBQ under any driver but Oracle's (there DBQ is the service), SQLite's Database. Empty
// for a server database.
std::string DatabaseFileOf(std::string_view text);
// DatabaseFileOf when that file does not exist; empty otherwise. Opening such a string
// would create an empty database where the user meant to read one.
std::string MissingDatabaseFile(std::string_view text);

}  // namespace mvq::db
