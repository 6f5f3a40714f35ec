#include "platform/odbc/NameRules.h"

#include <algorithm>
#include <iterator>

#include "platform/odbc/Connection.h"
#include "platform/odbc/DriverQuirks.h"
#include "platform/odbc/Session.h"
#include "platform/text/AsciiCase.h"

namespace mvq::db {

namespace {

// Words that at least one of the engines reserves; quoting one where it is not reserved does
// no harm. Upper case, sorted.
constexpr std::string_view kReservedWords[] = {
    "ACCESS",  "ADD",        "ALL",        "ALTER",   "AND",       "ANY",      "AS",
    "ASC",     "BETWEEN",    "BY",         "CASE",    "CAST",      "CHAR",     "CHECK",
    "COLUMN",  "COMMENT",    "CONSTRAINT", "CREATE",  "CROSS",     "CURRENT",  "DATABASE",
    "DATE",    "DECIMAL",    "DEFAULT",    "DELETE",  "DESC",      "DISTINCT", "DROP",
    "ELSE",    "END",        "EXCEPT",     "EXISTS",  "FILE",      "FLOAT",    "FOR",
    "FOREIGN", "FROM",       "FULL",       "GRANT",   "GROUP",     "HAVING",   "IN",
    "INDEX",   "INNER",      "INSERT",     "INTEGER", "INTERSECT", "INTO",     "IS",
    "JOIN",    "KEY",        "LEFT",       "LEVEL",   "LIKE",      "LIMIT",    "LONG",
    "MINUS",   "MODE",       "NOT",        "NULL",    "NUMBER",    "OF",       "OFFSET",
    "ON",      "OPTION",     "OR",         "ORDER",   "OUTER",     "PERCENT",  "PRIMARY",
    "RAW",     "REFERENCES", "RIGHT",      "ROW",     "ROWID",     "ROWNUM",   "ROWS",
    "SELECT",  "SESSION",    "SET",        "SIZE",    "SYSDATE",   "TABLE",    "THEN",
    "TO",      "TOP",        "TRIGGER",    "UID",     "UNION",     "UNIQUE",   "UPDATE",
    "USER",    "VALUES",     "VIEW",       "WHEN",    "WHERE",     "WITH",
};
static_assert(std::is_sorted(std::begin(kReservedWords), std::end(kReservedWords)));

bool IsAsciiLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

using text::AsciiLower;
using text::AsciiUpper;

std::string Folded(const NameRules& rules, std::string_view name) {
  switch (rules.fold) {
    case CaseFold::Upper:
      return AsciiUpper(name);
    case CaseFold::Lower:
      return AsciiLower(name);
    case CaseFold::None:
      break;
  }
  return std::string(name);
}

// A letter, then letters, digits and underscores, ASCII only, and no reserved word.
bool IsPlainIdentifier(std::string_view name) {
  if (name.empty() || !IsAsciiLetter(name[0])) return false;
  for (char c : name) {
    if (!IsAsciiLetter(c) && !(c >= '0' && c <= '9') && c != '_') return false;
  }
  return !std::binary_search(std::begin(kReservedWords), std::end(kReservedWords),
                             AsciiUpper(name));
}

bool MixesCase(std::string_view name) {
  bool upper = false, lower = false;
  for (char c : name) {
    upper |= c >= 'A' && c <= 'Z';
    lower |= c >= 'a' && c <= 'z';
  }
  return upper && lower;
}

size_t Utf8Chars(std::string_view s) {
  return static_cast<size_t>(std::count_if(
      s.begin(), s.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// Each part of an owner-qualified name on its own, where the dialect has such names.
template <typename Part>
std::string EachPart(const NameRules& rules, std::string_view name, Part part) {
  size_t dot = rules.dotQualifies ? name.find('.') : std::string_view::npos;
  if (dot == std::string_view::npos || dot == 0 || dot + 1 == name.size()) return part(name);
  return part(name.substr(0, dot)) + "." + part(name.substr(dot + 1));
}

}  // namespace

NameRules NameRulesFor(Dbms dbms, std::string_view identifierQuote, std::string_view dbmsVersion) {
  NameRules r;
  switch (dbms) {
    case Dbms::SqlServer:
      r.open = "[";
      r.close = "]";
      r.maxChars = 128;
      r.nationalLiterals = true;
      break;
    case Dbms::Access:
      // Jet refuses these in any name, and names longer than 64 characters.
      r.open = "[";
      r.close = "]";
      r.maxChars = 64;
      r.refusedChars = ".!`[]";
      r.refusesLeadingSpace = true;
      r.refusesControlChars = true;
      break;
    case Dbms::Oracle:
      // Not even a quoted name may hold a double quote; a dot names the owner here. Servers
      // before 12.2 take 30 bytes and refuse longer names with ORA-00972; a version that
      // cannot be read is taken for a current server.
      r.fold = CaseFold::Upper;
      r.dotQualifies = true;
      r.maxBytes =
          VersionAtLeast(dbmsVersion, 0, 0) && !VersionAtLeast(dbmsVersion, 12, 2) ? 30 : 128;
      r.refusedChars = std::string("\".", 2) + std::string(1, '\0');
      break;
    case Dbms::PostgreSQL:
      r.fold = CaseFold::Lower;
      r.maxBytes = 63;
      r.refusedChars = std::string(1, '\0');
      break;
    case Dbms::SQLite:
      break;
    case Dbms::MariaDB:
      // Back quotes whatever the server's mode; double quotes only under ANSI_QUOTES.
      r.open = r.close = "`";
      r.maxChars = 64;
      r.refusesTrailingSpace = true;
      r.refusedChars = std::string(1, '\0');
      break;
    case Dbms::Unknown:
      break;
  }
  if ((dbms == Dbms::Unknown || dbms == Dbms::MariaDB) && identifierQuote.size() == 1 &&
      identifierQuote != " ")
    r.open = r.close = std::string(identifierQuote);
  return r;
}

NameRules NamesOf(const Session& session) {
  return NameRulesFor(session.dbms, session.quoteOpen, session.dbmsVersion);
}

std::string TableName(const Session& session, std::string_view table) {
  return QuoteName(NamesOf(session), table);
}

std::string Quoted(const NameRules& rules, std::string_view name) {
  std::string out = rules.open;
  for (char c : name) {
    out += c;
    if (rules.close.size() == 1 && c == rules.close[0]) out += c;
  }
  return out + rules.close;
}

bool NeedsQuotes(const NameRules& rules, std::string_view name) {
  return !IsPlainIdentifier(name) || (rules.fold != CaseFold::None && MixesCase(name));
}

std::string QuoteName(const NameRules& rules, std::string_view name) {
  return EachPart(rules, name, [&](std::string_view part) {
    return NeedsQuotes(rules, part) ? Quoted(rules, part) : std::string(part);
  });
}

std::string QuoteStoredName(const NameRules& rules, std::string_view name) {
  return EachPart(rules, name, [&](std::string_view part) {
    return !IsPlainIdentifier(part) || Folded(rules, part) != part ? Quoted(rules, part)
                                                                   : std::string(part);
  });
}

std::string StoredName(const NameRules& rules, std::string_view name) {
  return EachPart(rules, name, [&](std::string_view part) {
    return NeedsQuotes(rules, part) ? std::string(part) : Folded(rules, part);
  });
}

std::optional<std::string> NameRefusal(const NameRules& rules, std::string_view name) {
  if (name.empty()) return "名称为空";
  if (rules.maxChars && Utf8Chars(name) > rules.maxChars)
    return "名称长于" + std::to_string(rules.maxChars) + "个字符";
  if (rules.maxBytes && name.size() > rules.maxBytes)
    return "名称长于" + std::to_string(rules.maxBytes) + "个字节";
  for (char c : name) {
    if (rules.refusedChars.find(c) != std::string::npos)
      return c == '\0' ? std::string("名称含有空字符") : "名称含有字符" + std::string(1, c);
    if (rules.refusesControlChars && static_cast<unsigned char>(c) < 0x20)
      return "名称含有控制字符";
  }
  if (rules.refusesLeadingSpace && name.front() == ' ') return "名称以空格开头";
  if (rules.refusesTrailingSpace && name.back() == ' ') return "名称以空格结尾";
  return std::nullopt;
}

std::optional<RefusedName> FirstRefusal(const NameRules& rules,
                                        const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    if (auto why = NameRefusal(rules, name)) return RefusedName{name, *why};
  }
  return std::nullopt;
}

std::span<const std::string_view> ReservedWords() {
  return kReservedWords;
}

std::string QuoteLiteral(const NameRules& rules, std::string_view text) {
  bool ascii = std::all_of(text.begin(), text.end(),
                           [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  std::string out = rules.nationalLiterals && !ascii ? "N'" : "'";
  for (char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

}  // namespace mvq::db
