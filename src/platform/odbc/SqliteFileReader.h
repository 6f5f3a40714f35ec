#pragma once
// Streamed reads of a SQLite database straight from its file. sqliteodbc turns every value
// into text and parses it back, and spends most of a large copy doing so; this reader steps
// the same statement through libsqlite3 and gives each value as the driver would (its
// conversions measured value by value, see the tests), at a fraction of the cost. The
// columns are still described by the driver, so a result looks the same either way.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/odbc/ResultReader.h"

struct sqlite3;
struct sqlite3_stmt;

namespace mvq::db {

// The converted value of a SQLite value as sqliteodbc reads it into a column of class c.
// The value is given by its storage class (SQLITE_INTEGER...), its integer and its text.
struct SqliteValue {
  int storage = 0;
  int64_t integer = 0;
  std::string_view text;  // the text SQLite gives for the value (blobs: their bytes)
};
Variant ConvertSqliteValue(const ResultColumn& c, const SqliteValue& v);

class SqliteFileReader {
 public:
  // A reader of sql's rows from file, or null where it cannot stand in for the driver (a
  // statement the file alone cannot run, a column kind whose conversions are not known).
  static std::unique_ptr<SqliteFileReader> Open(const std::string& file, const std::string& sql,
                                                const std::vector<ResultColumn>& columns);
  ~SqliteFileReader();
  SqliteFileReader(const SqliteFileReader&) = delete;
  SqliteFileReader& operator=(const SqliteFileReader&) = delete;

  // Appends up to maxRows rows to out; false once the result is exhausted. Throws DbError.
  bool FetchBlock(std::vector<std::vector<Variant>>& out, size_t maxRows);

 private:
  SqliteFileReader(sqlite3* db, sqlite3_stmt* stmt, std::vector<ResultColumn> columns);
  sqlite3* db_;
  sqlite3_stmt* stmt_;
  std::vector<ResultColumn> columns_;
  bool done_ = false;
  std::string scratch_;
};

}  // namespace mvq::db
