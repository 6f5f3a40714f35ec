#pragma once
// Statement texts written with Oracle-style markers (":1", ":2" by position, ":NAME" by
// name) are sent to ODBC with "?" markers and the values put in marker order. Text inside
// '...' literals, q'[...]' literals, "quoted identifiers", -- and /* */ comments is left
// alone, as are ":=" and "::".
#include <string>

#include "platform/odbc/Connection.h"

namespace mvq::db {

struct MarkedStatement {
  std::string sql;  // with "?" markers
  Params params;    // one per marker, in text order
};

// Translates sql. Positional ":N" takes params[N-1]; ":NAME" takes the param of that name,
// letter case ignored. A statement without params is left unchanged (PL/SQL bodies carry
// colons of their own). Throws DbError for a marker with no matching value.
MarkedStatement TranslateColonMarkers(const std::string& sql, const Params& params);

}  // namespace mvq::db
