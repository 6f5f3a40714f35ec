#pragma once
// The data-access layer every gate, the engine and the workbook writer use. Production
// code gets the ODBC implementation (OdbcConnection); unit tests get a scripted connection
// that records each call. Nothing above this layer calls ODBC.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/odbc/DbError.h"
#include "platform/odbc/FieldTypes.h"
#include "platform/odbc/Variant.h"

namespace mvq::db {

// The engine behind a connection, detected once when it opens.
enum class Dbms { Unknown, SQLite, PostgreSQL, MariaDB, SqlServer, Access, Oracle };

// One bound value. Positional when name is empty; with MarkerStyle::Colon a named
// parameter is matched to ":NAME" in the text (letter case ignored).
// Long text and bytes are bound whole as long data (SQL_LONGVARCHAR / SQL_LONGVARBINARY):
// the Oracle gate writes BLOB columns of several megabytes through one such parameter.
struct Param {
  Variant value;
  std::string name;
};
using Params = std::vector<Param>;

// How parameter markers are written in statement texts.
enum class MarkerStyle {
  Question,  // "?" (ODBC)
  Colon,     // ":1", ":2" by position or ":NAME" by name (Oracle); quotes and comments untouched
             // and PL/SQL's ":=" is no marker
};

// Description of one result-set column.
struct FieldDesc {
  std::string name;
  int adoType = adEmpty;    // ADO DataTypeEnum code
  int64_t definedSize = 0;  // characters for text, bytes for binary
  int precision = 0;
  int scale = 0;
  bool autoIncrement = false;
  TFieldType category = ftUnknown;
  std::string typeName;  // the driver's own type name
};

// Digits of the second a timestamp or time column keeps: its scale when the driver gives
// one, none for a date or a width without a fraction ("hh:mm:ss", "YYYY-MM-DD hh:mm:ss"),
// else all nine.
int FractionDigitsOf(const FieldDesc& f);

enum class Fetch {
  All,     // the whole result is held, RecordCount is exact, First() works
  Stream,  // forward only, bounded memory, RecordCount is -1
};

// A statement and, once opened, its result set.
class Query {
 public:
  virtual ~Query() = default;
  // Runs a statement that returns rows. Throws DbError; the query is then closed.
  virtual void Open(const std::string& sql, const Params& params = {},
                    Fetch fetch = Fetch::All) = 0;
  // Runs a statement without a result; rows affected, -1 when the driver does not count.
  virtual int64_t Execute(const std::string& sql, const Params& params = {}) = 0;
  // Runs a statement without a result once per parameter set, in order; element i holds
  // the error of set i, or nothing when set i ran. A driver that can send the sets as one
  // array does; this default runs them one by one.
  virtual std::vector<std::optional<DbError>> ExecuteBatch(const std::string& sql,
                                                           const std::vector<Params>& sets) {
    std::vector<std::optional<DbError>> errors;
    errors.reserve(sets.size());
    for (const auto& params : sets) {
      try {
        Execute(sql, params);
        errors.emplace_back();
      } catch (const DbError& e) {
        errors.emplace_back(e);
      }
    }
    return errors;
  }
  virtual bool IsOpen() const = 0;
  virtual void Close() = 0;
  // Columns of the open result; a closed query has none.
  virtual const std::vector<FieldDesc>& Fields() const = 0;
  virtual bool Eof() const = 0;
  virtual void Next() = 0;
  virtual void First() = 0;
  virtual const Variant& Value(size_t i) const = 0;
  // Exact with Fetch::All, -1 when streaming. Throws DbError on a closed query.
  virtual int64_t RecordCount() const = 0;
};

// A row that the target refused; label is what the caller gave the row at Post.
struct RowFailure {
  std::optional<std::string> label;
  DbError error;
};

// Appends rows to one table, value i going into column i. Rows travel in batches; a row
// that fails is reported on its own and the rows around it are still written.
class Appender {
 public:
  virtual ~Appender() = default;
  virtual void Append() = 0;                              // starts a row, every field null
  virtual void SetField(size_t i, const Variant& v) = 0;  // may throw DbError
  // Queues the row; when a batch is full it is sent and its failures returned.
  virtual std::vector<RowFailure> Post(std::optional<std::string> label = std::nullopt) = 0;
  virtual void Cancel() = 0;  // drops the row being built
  // Sends every queued row; returns those that failed, in posting order.
  virtual std::vector<RowFailure> Flush() = 0;
};

// Rows of the schema rowsets, named after their OLE DB columns.
struct TableRow {
  std::string TABLE_CATALOG, TABLE_SCHEMA, TABLE_NAME, TABLE_TYPE;
};
struct PrimaryKeyRow {
  std::string TABLE_CATALOG, TABLE_SCHEMA, TABLE_NAME, COLUMN_NAME;
  int ORDINAL = 0;
};
struct ProviderTypeRow {
  std::string TYPE_NAME;
  int DATA_TYPE = 0;  // OLE DB DBTYPE code
  int64_t COLUMN_SIZE = 0;
  bool IS_FIXEDLENGTH = false;
};

class Connection {
 public:
  virtual ~Connection() = default;
  // Opens without any prompt; throws DbError. A connection that failed is not open.
  virtual void Open(const std::string& connectionString) = 0;
  virtual bool IsOpen() const = 0;
  virtual void Close() = 0;

  virtual int BeginTrans() = 0;  // nesting level after the call
  virtual void CommitTrans() = 0;
  virtual void RollbackTrans() = 0;
  virtual bool InTransaction() const = 0;
  virtual void SetAutoCommit(bool on) = 0;

  virtual int64_t Execute(const std::string& sql, const Params& params = {}) = 0;
  virtual std::unique_ptr<Query> CreateQuery() = 0;
  // Every row of table, forward only and in bounded memory. table is the name as the source
  // spells it: the ODBC connection quotes it for its engine; this default, for connections
  // without a dialect, sends "select * from " + table as given. Throws DbError.
  virtual std::unique_ptr<Query> StreamTable(const std::string& table) {
    auto query = CreateQuery();
    query->Open("select * from " + table, {}, Fetch::Stream);
    return query;
  }
  // Appender for the first columnCount columns of table, the name as the source spells it;
  // the appender quotes it for its engine.
  virtual std::unique_ptr<Appender> CreateAppender(const std::string& table,
                                                   size_t columnCount) = 0;
  // Calls a scalar server function with input values; its result, read whole whatever its
  // length (an Oracle function's LONG text runs past 4,000 characters).
  virtual Variant CallFunction(const std::string& name, const Params& inputs) = 0;

  virtual std::vector<TableRow> SchemaTables() = 0;
  virtual std::vector<PrimaryKeyRow> SchemaPrimaryKeys() = 0;
  virtual std::vector<ProviderTypeRow> SchemaProviderTypes() = 0;

  // The provider name the gates test with substring rules (brackets or not).
  virtual std::string ProviderName() const = 0;
  virtual std::string CurrentCatalog() const = 0;
  virtual Dbms dbms() const = 0;
  // The server's version as the driver reports it (SQL_DBMS_VER); empty when not known.
  virtual std::string DbmsVersion() const { return {}; }
  virtual void SetMarkerStyle(MarkerStyle style) = 0;
};

// Creates an unopened connection: ODBC by default; tests install a scripted one.
std::unique_ptr<Connection> NewConnection();
using ConnectionFactory = std::function<std::unique_ptr<Connection>()>;
// Replaces the factory; an empty function restores ODBC. Returns the previous one.
ConnectionFactory SetConnectionFactory(ConnectionFactory factory);

}  // namespace mvq::db
