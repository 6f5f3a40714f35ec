#include "platform/odbc/ConnectionString.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "platform/odbc/DbError.h"
#include "platform/odbc/DriverChoice.h"
#include "platform/odbc/DriverQuirks.h"
#include "platform/text/AsciiCase.h"

namespace mvq::db {

namespace {

std::string Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return std::string(s.substr(b, e - b));
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && text::SameIgnoringCase(s.substr(0, prefix.size()), prefix);
}

const Attribute* Find(const std::vector<Attribute>& attrs, std::string_view key) {
  for (const auto& a : attrs)
    if (text::SameIgnoringCase(a.key, key)) return &a;
  return nullptr;
}

std::string ValueOf(const std::vector<Attribute>& attrs,
                    std::initializer_list<std::string_view> keys) {
  for (auto k : keys)
    if (const Attribute* a = Find(attrs, k)) return a->value;
  return {};
}

bool Installed(const std::vector<std::string>& drivers, std::string_view name) {
  return std::any_of(drivers.begin(), drivers.end(),
                     [&](const std::string& d) { return text::SameIgnoringCase(d, name); });
}

// The text itself stays out of the message: it may hold a password, and the message goes to
// the run log.
[[noreturn]] void Malformed(std::string_view why) {
  throw DbError("malformed connection string (" + std::string(why) + ")", "08001");
}

bool IsTrue(std::string_view v) {
  return text::SameIgnoringCase(v, "sspi") || text::SameIgnoringCase(v, "true") ||
         text::SameIgnoringCase(v, "yes");
}

// Provider=SQLOLEDB.1;Data Source=host;Initial Catalog=db;User ID=u;Password=p or with
// Integrated Security=SSPI.
std::vector<Attribute> SqlServerAttributes(const std::vector<Attribute>& in,
                                           const std::vector<std::string>& drivers) {
  const std::string driver = ChooseDriver(DatabaseKind::SqlServer, drivers).value_or("");
  if (driver.empty())
    throw DbError(
        "no ODBC driver for SQL Server is installed (tried ODBC Driver 18/17 for "
        "SQL Server and FreeTDS)",
        "IM002");
  const bool freeTds = driver == "FreeTDS";
  std::vector<Attribute> out{{"DRIVER", driver}};
  std::string server = ValueOf(in, {"Data Source", "Server", "Address", "Addr"});
  if (server == "." || text::SameIgnoringCase(server, "(local)")) server = "localhost";
  std::string port;
  if (auto comma = server.find(','); freeTds && comma != std::string::npos) {
    port = Trim(server.substr(comma + 1));
    server = Trim(server.substr(0, comma));
  }
  out.push_back({"SERVER", server});
  if (!port.empty()) out.push_back({"PORT", port});
  if (auto db = ValueOf(in, {"Initial Catalog", "Database"}); !db.empty())
    out.push_back({"DATABASE", db});
  if (IsTrue(ValueOf(in, {"Integrated Security", "Trusted_Connection"}))) {
    out.push_back({"Trusted_Connection", "yes"});
  } else {
    out.push_back({"UID", ValueOf(in, {"User ID", "UID", "User"})});
    out.push_back({"PWD", ValueOf(in, {"Password", "PWD"})});
  }
  if (freeTds) {
    out.push_back({"ClientCharset", "UTF-8"});
    return out;
  }
  if (const Attribute* encrypt = Find(in, "Use Encryption for Data"))
    out.push_back({"Encrypt", IsTrue(encrypt->value) ? "yes" : "no"});
  // Version 18 checks the server certificate by default; SQLOLEDB never did.
  if (driver.find("18") != std::string::npos) out.push_back({"TrustServerCertificate", "yes"});
  return out;
}

// Provider=Microsoft.Jet.OLEDB.4.0;Data Source=path.
std::vector<Attribute> AccessAttributes(const std::vector<Attribute>& in,
                                        const std::vector<std::string>& drivers) {
  const std::string driver = ChooseDriver(DatabaseKind::Access, drivers).value_or("");
  if (driver.empty()) throw DbError("no ODBC driver for Access files is installed", "IM002");
  std::vector<Attribute> out{{"DRIVER", driver}, {"DBQ", ValueOf(in, {"Data Source", "DBQ"})}};
  if (auto pwd = ValueOf(in, {"Jet OLEDB:Database Password"}); !pwd.empty())
    out.push_back({"PWD", pwd});
  return out;
}

std::vector<Attribute> WithDriverDefaults(std::vector<Attribute> attrs,
                                          const std::vector<std::string>& drivers) {
  Attribute* driver = nullptr;
  for (auto& a : attrs)
    if (text::SameIgnoringCase(a.key, "Driver")) driver = &a;
  if (!driver) return attrs;
  if (auto working = WorkingDriverFor(driver->value); working && Installed(drivers, *working))
    driver->value = *working;
  for (const auto& option : DefaultDriverOptions(driver->value))
    if (!Find(attrs, option.key)) attrs.push_back({option.key, option.value});
  return attrs;
}

}  // namespace

std::vector<Attribute> ParseConnectionString(std::string_view text) {
  std::vector<Attribute> out;
  size_t i = 0;
  while (i < text.size()) {
    size_t eq = text.find('=', i);
    size_t semi = text.find(';', i);
    if (semi != std::string_view::npos && (eq == std::string_view::npos || semi < eq)) {
      if (!Trim(text.substr(i, semi - i)).empty()) Malformed("an entry without '='");
      i = semi + 1;
      continue;
    }
    if (eq == std::string_view::npos) {
      if (!Trim(text.substr(i)).empty()) Malformed("an entry without '='");
      break;
    }
    Attribute a;
    a.key = Trim(text.substr(i, eq - i));
    if (a.key.empty()) Malformed("an entry without a key");
    i = eq + 1;
    while (i < text.size() && text[i] == ' ') ++i;
    if (i < text.size() && (text[i] == '{' || text[i] == '"')) {
      const char close = text[i] == '{' ? '}' : '"';
      ++i;
      bool closed = false;
      while (i < text.size()) {
        if (text[i] == close) {
          if (i + 1 < text.size() && text[i + 1] == close) {
            a.value += close;
            i += 2;
            continue;
          }
          ++i;
          closed = true;
          break;
        }
        a.value += text[i++];
      }
      if (!closed) Malformed(close == '}' ? "an unclosed '{'" : "an unclosed quote");
      while (i < text.size() && text[i] == ' ') ++i;
      if (i < text.size() && text[i] != ';') Malformed("text after a closing brace");
    } else {
      size_t end = text.find(';', i);
      if (end == std::string_view::npos) end = text.size();
      a.value = Trim(text.substr(i, end - i));
      i = end;
    }
    if (i < text.size() && text[i] == ';') ++i;
    out.push_back(std::move(a));
  }
  return out;
}

std::optional<std::string> AttributeValue(std::string_view text, std::string_view key) {
  try {
    auto attrs = ParseConnectionString(text);
    if (const Attribute* a = Find(attrs, key)) return a->value;
  } catch (const DbError&) {
  }
  return std::nullopt;
}

std::string FormatConnectionString(const std::vector<Attribute>& attributes) {
  std::string out;
  for (const auto& a : attributes) {
    if (!out.empty()) out += ';';
    out += a.key + '=';
    // Braces only where the syntax needs them: some drivers (MDBTools) read their own
    // entries and do not know braces. Driver names with blanks get them by convention.
    const bool brace =
        a.value.find(';') != std::string::npos || (!a.value.empty() && a.value.front() == '{') ||
        (!a.value.empty() && (a.value.front() == ' ' || a.value.back() == ' ')) ||
        (text::SameIgnoringCase(a.key, "Driver") && a.value.find(' ') != std::string::npos);
    if (!brace) {
      out += a.value;
      continue;
    }
    out += '{';
    for (char c : a.value) {
      out += c;
      if (c == '}') out += '}';
    }
    out += '}';
  }
  return out;
}

std::string TranslateConnectionString(const std::string& text,
                                      const std::vector<std::string>& installedDrivers) {
  auto attrs = ParseConnectionString(text);
  const Attribute* provider = Find(attrs, "Provider");
  if (!provider) {
    if (!Find(attrs, "Driver")) return text;  // DSN=... or whatever the driver manager takes
    auto withDefaults = WithDriverDefaults(attrs, installedDrivers);
    if (withDefaults.size() == attrs.size() &&
        std::equal(attrs.begin(), attrs.end(), withDefaults.begin(),
                   [](const Attribute& a, const Attribute& b) { return a.value == b.value; }))
      return text;
    return FormatConnectionString(withDefaults);
  }
  const std::string& name = provider->value;
  if (StartsWithNoCase(name, "SQLOLEDB") || StartsWithNoCase(name, "SQLNCLI") ||
      StartsWithNoCase(name, "MSOLEDBSQL"))
    return FormatConnectionString(SqlServerAttributes(attrs, installedDrivers));
  if (StartsWithNoCase(name, "Microsoft.Jet.OLEDB") ||
      StartsWithNoCase(name, "Microsoft.ACE.OLEDB"))
    return FormatConnectionString(AccessAttributes(attrs, installedDrivers));
  if (StartsWithNoCase(name, "MSDASQL")) {
    // The OLE DB provider for ODBC: what follows is an ODBC string already.
    std::vector<Attribute> rest;
    for (const auto& a : attrs)
      if (!text::SameIgnoringCase(a.key, "Provider") &&
          !text::SameIgnoringCase(a.key, "Persist Security Info"))
        rest.push_back(a);
    return FormatConnectionString(WithDriverDefaults(rest, installedDrivers));
  }
  throw DbError("no ODBC driver is known for the provider " + name, "IM002");
}

std::string DriverOf(std::string_view odbcText) {
  return AttributeValue(odbcText, "Driver").value_or("");
}

bool IsPasswordKey(std::string_view key) {
  const std::string k = Trim(key);
  return text::SameIgnoringCase(k, "PWD") || text::SameIgnoringCase(k, "Password") ||
         text::SameIgnoringCase(k, "Jet OLEDB:Database Password");
}

std::string MaskPasswords(std::string_view text) {
  std::string out;
  size_t i = 0;
  while (i < text.size()) {
    const size_t eq = text.find('=', i);
    if (eq == std::string_view::npos) break;
    // The key is the word just before "=" ("Database Password" ends in one too).
    size_t keyEnd = eq;
    while (keyEnd > i && text[keyEnd - 1] == ' ') --keyEnd;
    size_t keyStart = keyEnd;
    while (keyStart > i &&
           std::string_view(";{(\"' \t\n").find(text[keyStart - 1]) == std::string_view::npos)
      --keyStart;
    const std::string_view key = text.substr(keyStart, keyEnd - keyStart);
    out.append(text.substr(i, eq + 1 - i));
    i = eq + 1;
    if (!IsPasswordKey(key)) continue;
    while (i < text.size() && text[i] == ' ') out += text[i++];
    if (i < text.size() && (text[i] == '{' || text[i] == '"' || text[i] == '\'')) {
      const char close = text[i] == '{' ? '}' : text[i];
      size_t j = i + 1;
      while (j < text.size()) {
        if (text[j] == close) {
          if (j + 1 < text.size() && text[j + 1] == close) {
            j += 2;
            continue;
          }
          ++j;
          break;
        }
        ++j;
      }
      out += "***";
      i = j;
    } else {
      // Unquoted: up to the ";" that ends it, or the end of the line.
      size_t j = text.find_first_of(";\n", i);
      if (j == std::string_view::npos) j = text.size();
      out += "***";
      i = j;
    }
  }
  out.append(text.substr(std::min(i, text.size())));
  return out;
}

std::vector<std::string> PasswordsOf(std::string_view text) {
  std::vector<std::string> secrets;
  try {
    for (const auto& a : ParseConnectionString(text))
      if (IsPasswordKey(a.key) && !a.value.empty()) secrets.push_back(a.value);
  } catch (const DbError&) {
  }
  return secrets;
}

std::string HideSecrets(std::string message, const std::vector<std::string>& secrets) {
  for (const std::string& secret : secrets) {
    if (secret.empty()) continue;
    for (size_t pos = 0; (pos = message.find(secret, pos)) != std::string::npos; pos += 3)
      message.replace(pos, secret.size(), "***");
  }
  return MaskPasswords(message);
}

std::string AccessFileOf(std::string_view text) {
  using text::ContainsIgnoringCase;
  if (ContainsIgnoringCase(AttributeValue(text, "Provider").value_or(""), "jet.oledb"))
    return AttributeValue(text, "Data Source").value_or("");
  const std::string driver = DriverOf(text);
  if (ContainsIgnoringCase(driver, "mdbtools") || ContainsIgnoringCase(driver, "access"))
    return AttributeValue(text, "DBQ").value_or("");
  return {};
}

std::string DatabaseFileOf(std::string_view text) {
  using text::ContainsIgnoringCase;
  if (std::string access = AccessFileOf(text); !access.empty()) return access;
  if (ContainsIgnoringCase(AttributeValue(text, "Provider").value_or(""), "ace.oledb"))
    return AttributeValue(text, "Data Source").value_or("");
  const std::string driver = DriverOf(text);
  if (!ContainsIgnoringCase(driver, "oracle")) {
    if (auto dbq = AttributeValue(text, "DBQ")) return *dbq;
  }
  if (ContainsIgnoringCase(driver, "sqlite")) return AttributeValue(text, "Database").value_or("");
  return {};
}

std::string MissingDatabaseFile(std::string_view text) {
  const std::string file = DatabaseFileOf(text);
  if (file.empty() || file == ":memory:") return {};
  std::error_code ec;
  return std::filesystem::exists(file, ec) || ec ? std::string() : file;
}

}  // namespace mvq::db
