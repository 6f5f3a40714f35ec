#include "shell/ConnectionStrings.h"

namespace mvq {

bool CarriesPassword(std::string_view connectionString) {
  std::string lower(connectionString);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower.find("password=") != std::string::npos || lower.find("pwd=") != std::string::npos;
}

std::string ConnectionStringValue(std::string_view value) {
  const bool needsQuotes = value.find(';') != std::string_view::npos ||
                           (!value.empty() && (value.front() == '"' || value.front() == '\'' ||
                                               value.front() == ' ' || value.back() == ' '));
  if (!needsQuotes) return std::string(value);
  if (value.find('"') == std::string_view::npos) return "\"" + std::string(value) + "\"";
  if (value.find('\'') == std::string_view::npos) return "'" + std::string(value) + "'";
  // Both quote kinds inside: double quotes, the inner ones doubled.
  std::string quoted = "\"";
  for (char c : value) {
    quoted += c;
    if (c == '"') quoted += '"';
  }
  return quoted + "\"";
}

std::string SqlServerConnectionString(const FormState& form) {
  const std::string catalog = ConnectionStringValue(form.edtsqlCatalog.text);
  const std::string server = ConnectionStringValue(form.edtsqlserverdb);
  if (form.RBConnw()) {
    return "Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;"
           "Initial Catalog=" +
           catalog + ";Data Source=" + server;
  }
  return "Provider=SQLOLEDB.1;Persist Security Info=False;User ID=" +
         ConnectionStringValue(form.edtsqluser) + ";Initial Catalog=" + catalog +
         ";Data Source=" + server +
         ";Use Procedure for Prepare=1;Auto Translate=True;Packet Size=4096;Password=" +
         ConnectionStringValue(form.edtsqlpassword) +
         ";Use Encryption for Data=False;Tag with column collation when possible=False";
}

std::string CatalogListConnectionString(const FormState& form) {
  const std::string server = ConnectionStringValue(form.edtsqlserverdb);
  return "Provider=SQLOLEDB.1;Persist Security Info=False;User ID=" +
         ConnectionStringValue(form.edtsqluser) + ";Initial Catalog=master;Data Source=" + server +
         ";Use Procedure for Prepare=1;Auto Translate=True;Packet Size=4096;Workstation ID=" +
         server + ";Use Encryption for Data=False;Tag with column collation when possible=False";
}

}  // namespace mvq
