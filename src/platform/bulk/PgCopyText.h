#pragma once
// Values in PostgreSQL's COPY text format: one line per row, fields separated by tabs,
// "\N" for null, backslash escapes for the characters that would end a field or a line.
// Each value is written as the text the server's input function for the target column
// takes, so that it lands as it would through a parameter of an INSERT.
#include <string>

#include "platform/odbc/Variant.h"

namespace mvq::db {

// What the text of a value depends on, from the target column's type.
enum class CopyTarget {
  Text,     // any column that takes text (also numbers, dates: the server parses them)
  Bytea,    // binary strings: bytes go as "\x" + hex
  Boolean,  // true/false go as "t"/"f"
};

// Appends v as one field (no separator) to line.
void AppendCopyField(std::string& line, const Variant& v, CopyTarget target);

// Appends the text of s with COPY's escapes (backslash, tab, newline, carriage return).
void AppendCopyEscaped(std::string& line, std::string_view s);

}  // namespace mvq::db
