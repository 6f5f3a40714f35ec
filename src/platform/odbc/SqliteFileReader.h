#pragma once
// Streamed reads of a SQLite database straight from its file. sqliteodbc turns every value
// into text and parses it back, and spends most of a large copy doing so; this reader steps
// the same statement through libsqlite3 and gives each value as the driver would (its
// conversions measured value by value, see the tests), at a fraction of the cost. The
// columns are still described by the driver, so a result looks the same either way.
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/odbc/ResultReader.h"

struct sqlite3;
struct sqlite3_stmt;

namespace mvq::db {

// The converted value of a SQLite value read into a column of class c, as sqliteodbc reads
// it where that is exact. A value the column's class cannot hold as it is (text in an
// integer column, a text that is no date in a date column, a double in an integer column)
// is carried as SQLite holds it, for the target to take or refuse; the driver would wrap,
// cut or null it. The value is given by its storage class (SQLITE_INTEGER...), its integer,
// its double and its text.
struct SqliteValue {
  int storage = 0;
  int64_t integer = 0;
  double real = 0;
  std::string_view text;  // the text SQLite gives for the value (blobs: their bytes)
};
Variant ConvertSqliteValue(const ResultColumn& c, const SqliteValue& v);

// Where the driver reads a result (the file reader cannot stand in), it is asked for this
// expression of each column instead: the driver reads REAL values through 15-digit text and
// cuts integers out of other text, but passes text whole. It gives the value's SQL literal
// (NULL, 42, 'it''s', X'00FF'), a REAL as all its digits and SQLite's own text of it.
std::string SqliteExactExpression(const std::string& quotedColumn);
// The value of column c from the text of its SqliteExactExpression, converted as the file
// reader converts it.
Variant ConvertSqliteLiteral(const ResultColumn& c, std::string_view literal);

// How SQLite results are read: from the file where the file reader can stand in, else
// through the driver as literals (the default); always as literals; or from the file where it
// can, else with the driver's own conversions (tests compare the other ways against those).
enum class SqliteReads { FileOrLiterals, Literals, DriverConversions };
void SetSqliteReads(SqliteReads reads);
SqliteReads SqliteReadsSetting();

class SqliteFileReader {
 public:
  // A reader of sql's rows from file, or null where it cannot stand in for the driver (a
  // statement the file alone cannot run, a column kind whose conversions are not known).
  static std::unique_ptr<SqliteFileReader> Open(const std::string& file, const std::string& sql,
                                                const std::vector<ResultColumn>& columns);
  ~SqliteFileReader();
  SqliteFileReader(const SqliteFileReader&) = delete;
  SqliteFileReader& operator=(const SqliteFileReader&) = delete;

  // Appends the next block of rows (at most maxRows) to out; false once the result is
  // exhausted. Throws DbError. The blocks are read ahead on a thread of the reader's own,
  // while the caller works on the rows before them.
  bool FetchBlock(std::vector<std::vector<Variant>>& out, size_t maxRows);

 private:
  using Block = std::vector<std::vector<Variant>>;
  SqliteFileReader(sqlite3* db, sqlite3_stmt* stmt, std::vector<ResultColumn> columns);
  // Steps the statement for up to maxRows rows (on the read-ahead thread).
  bool ReadBlock(Block& out, size_t maxRows);
  void ReadAhead(size_t blockRows);

  sqlite3* db_;
  sqlite3_stmt* stmt_;
  std::vector<ResultColumn> columns_;
  bool done_ = false;
  std::string scratch_;

  // Blocks read ahead: at most kReadAhead wait; the thread is the only user of db_ and
  // stmt_ once it runs.
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Block> ready_;
  bool finished_ = false;  // the thread has read its last block (or failed)
  bool stop_ = false;
  std::exception_ptr error_;
};

}  // namespace mvq::db
