#include "platform/odbc/Markers.h"

#include <cctype>

#include "platform/text/AsciiCase.h"

namespace mvq::db {

namespace {

bool IdentStart(char c) {
  return std::isalpha(static_cast<unsigned char>(c)) || c == '_' ||
         (static_cast<unsigned char>(c) & 0x80);
}
bool IdentPart(char c) {
  return IdentStart(c) || std::isdigit(static_cast<unsigned char>(c)) || c == '$' || c == '#';
}

// Closing delimiter of an Oracle q'X...X' literal.
char QuoteClose(char open) {
  switch (open) {
    case '[':
      return ']';
    case '{':
      return '}';
    case '(':
      return ')';
    case '<':
      return '>';
    default:
      return open;
  }
}

}  // namespace

MarkedStatement TranslateColonMarkers(const std::string& sql, const Params& params) {
  if (params.empty()) return {sql, {}};
  MarkedStatement out;
  out.sql.reserve(sql.size());
  const size_t n = sql.size();
  size_t i = 0;
  auto copyUntil = [&](size_t end) {
    out.sql.append(sql, i, end - i);
    i = end;
  };
  while (i < n) {
    char c = sql[i];
    if ((c == 'q' || c == 'Q') && i + 2 < n && sql[i + 1] == '\'' &&
        (i == 0 || !IdentPart(sql[i - 1]))) {
      char close = QuoteClose(sql[i + 2]);
      size_t end = i + 3;
      while (end < n && !(sql[end] == close && end + 1 < n && sql[end + 1] == '\'')) ++end;
      copyUntil(end < n ? end + 2 : n);
    } else if (c == '\'' || c == '"') {
      size_t end = i + 1;
      while (end < n) {
        if (sql[end] == c) {
          if (end + 1 < n && sql[end + 1] == c) {
            end += 2;
            continue;
          }
          break;
        }
        ++end;
      }
      copyUntil(end < n ? end + 1 : n);
    } else if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
      size_t end = sql.find('\n', i);
      copyUntil(end == std::string::npos ? n : end);
    } else if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
      size_t end = sql.find("*/", i + 2);
      copyUntil(end == std::string::npos ? n : end + 2);
    } else if (c == ':' && i + 1 < n && (i == 0 || sql[i - 1] != ':') &&
               (std::isdigit(static_cast<unsigned char>(sql[i + 1])) || IdentStart(sql[i + 1]))) {
      size_t end = i + 1;
      std::string name;
      if (std::isdigit(static_cast<unsigned char>(sql[end]))) {
        while (end < n && std::isdigit(static_cast<unsigned char>(sql[end]))) name += sql[end++];
        size_t position = std::stoul(name);
        if (position == 0 || position > params.size())
          throw DbError(
              "no value for the marker :" + name + " (" + std::to_string(params.size()) + " given)",
              "07002");
        out.params.push_back(params[position - 1]);
      } else {
        while (end < n && IdentPart(sql[end])) name += sql[end++];
        const Param* found = nullptr;
        for (const auto& p : params)
          if (text::SameIgnoringCase(p.name, name)) {
            found = &p;
            break;
          }
        if (!found) throw DbError("no value for the marker :" + name, "07002");
        out.params.push_back(*found);
      }
      out.sql += '?';
      i = end;
    } else {
      out.sql += c;
      ++i;
    }
  }
  return out;
}

}  // namespace mvq::db
