#include "shell/ConnectionStrings.h"

#include "platform/text/AsciiCase.h"

namespace mvq {
namespace {

std::string Trim(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(" \t");
  return std::string(text.substr(first, last - first + 1));
}

// The positions of the ";" that end attributes: those outside {...} and quotes. Inside
// braces "}}" stands for one "}", inside quotes a doubled quote for one quote.
std::vector<size_t> Separators(std::string_view text) {
  std::vector<size_t> at;
  char closing = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (closing) {
      if (c == closing) {
        if (i + 1 < text.size() && text[i + 1] == closing) {
          ++i;
        } else {
          closing = 0;
        }
      }
    } else if (c == '{') {
      closing = '}';
    } else if (c == '"' || c == '\'') {
      // Quotes open only at the start of a value.
      const size_t before = text.find_last_not_of(" \t", i == 0 ? 0 : i - 1);
      if (i == 0 || before == std::string_view::npos || text[before] == '=') closing = c;
    } else if (c == ';') {
      at.push_back(i);
    }
  }
  return at;
}

}  // namespace

std::vector<ConnectionAttribute> SplitConnectionString(std::string_view text) {
  std::vector<ConnectionAttribute> attributes;
  size_t start = 0;
  std::vector<size_t> ends = Separators(text);
  ends.push_back(text.size());
  for (size_t end : ends) {
    const std::string_view part = text.substr(start, end - start);
    start = end + 1;
    const size_t eq = part.find('=');
    ConnectionAttribute attribute;
    attribute.key = Trim(part.substr(0, eq));
    if (eq != std::string_view::npos) attribute.value = std::string(part.substr(eq + 1));
    if (attribute.key.empty() && attribute.value.empty()) continue;
    attributes.push_back(std::move(attribute));
  }
  return attributes;
}

std::string JoinConnectionString(const std::vector<ConnectionAttribute>& attributes) {
  const bool oleDb = !AttributeValue(attributes, "Provider").empty();
  std::string text;
  for (const ConnectionAttribute& a : attributes) {
    if (a.key.empty()) continue;
    std::string value = a.value;
    if (!Separators(value).empty()) {
      if (oleDb) {
        value = ConnectionStringValue(value);
      } else {
        std::string braced = "{";
        for (char c : value) {
          braced += c;
          if (c == '}') braced += '}';
        }
        value = braced + "}";
      }
    }
    if (!text.empty()) text += ';';
    text += a.key + "=" + value;
  }
  return text;
}

std::string AttributeValue(const std::vector<ConnectionAttribute>& attributes,
                           std::string_view key) {
  for (const ConnectionAttribute& a : attributes) {
    if (text::SameIgnoringCase(a.key, key)) return a.value;
  }
  return {};
}

bool CarriesPassword(std::string_view connectionString) {
  return text::ContainsIgnoringCase(connectionString, "password=") ||
         text::ContainsIgnoringCase(connectionString, "pwd=");
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
