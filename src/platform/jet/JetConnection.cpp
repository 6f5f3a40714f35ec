#include "platform/jet/JetConnection.h"

#include <unistd.h>

#include <filesystem>
#include <functional>

#include "platform/jet/JetDatabase.h"
#include "platform/jet/JetReader.h"
#include "platform/jet/JetSql.h"
#include "platform/jet/JetTableQuery.h"
#include "platform/jet/JetText.h"
#include "platform/odbc/ConnectionString.h"
#include "platform/odbc/DbError.h"

namespace mvq::jet {

namespace {

// Appends through the writer; each Post writes its row at once, Flush commits.
class JetAppender : public db::Appender {
 public:
  JetAppender(JetDatabase& db, TableWriter& table, size_t columns)
      : db_(db), table_(table), row_(columns) {}
  void Append() override { std::fill(row_.begin(), row_.end(), db::Variant()); }
  void SetField(size_t i, const db::Variant& v) override {
    if (i >= row_.size())
      throw db::DbError("field " + std::to_string(i) + " past the table's columns");
    row_[i] = v;
  }
  std::vector<db::RowFailure> Post(std::optional<std::string> label) override {
    std::vector<db::RowFailure> failed;
    if (auto why = table_.Append(row_)) failed.push_back({std::move(label), db::DbError(*why)});
    return failed;
  }
  void Cancel() override {}
  std::vector<db::RowFailure> Flush() override {
    try {
      db_.Commit();
    } catch (const JetError& e) {
      throw db::DbError(e.what());
    }
    return {};
  }

 private:
  JetDatabase& db_;
  TableWriter& table_;
  std::vector<db::Variant> row_;
};

// Reads the file answers itself; nullptr for a statement it leaves to the reading driver.
using NativeRead = std::function<std::unique_ptr<db::Query>(const std::string&, db::Fetch)>;

// A query on the reading connection whose whole-table reads are answered from the file and
// whose statements without a result go where the connection's own Execute sends them (gates
// run their DDL through a query).
class JetQuery : public db::Query {
 public:
  JetQuery(std::unique_ptr<db::Query> inner, NativeRead native,
           std::function<int64_t(const std::string&, const db::Params&)> execute)
      : inner_(std::move(inner)), native_(std::move(native)), execute_(std::move(execute)) {}
  void Open(const std::string& sql, const db::Params& params, db::Fetch fetch) override {
    own_.reset();
    if (params.empty()) own_ = native_(sql, fetch);
    if (!own_) inner_->Open(sql, params, fetch);
  }
  int64_t Execute(const std::string& sql, const db::Params& params) override {
    return execute_(sql, params);
  }
  bool IsOpen() const override { return Active().IsOpen(); }
  void Close() override {
    own_.reset();
    inner_->Close();
  }
  const std::vector<db::FieldDesc>& Fields() const override { return Active().Fields(); }
  bool Eof() const override { return Active().Eof(); }
  void Next() override { Active().Next(); }
  void First() override { Active().First(); }
  const db::Variant& Value(size_t i) const override { return Active().Value(i); }
  int64_t RecordCount() const override { return Active().RecordCount(); }

 private:
  db::Query& Active() const { return own_ ? *own_ : *inner_; }
  std::unique_ptr<db::Query> inner_, own_;
  NativeRead native_;
  std::function<int64_t(const std::string&, const db::Params&)> execute_;
};

class JetConnection : public db::Connection {
 public:
  explicit JetConnection(std::unique_ptr<db::Connection> inner) : inner_(std::move(inner)) {}

  void Open(const std::string& cs) override {
    path_ = db::AccessFileOf(cs);
    connectionString_ = cs;
    if (!path_.empty() && ::access(path_.c_str(), W_OK) == 0) {
      // Another process writing the file refuses the connection before any harm is done;
      // a file we may only read is read, and refuses writes when they come.
      try {
        PageFile probe(path_, false);
      } catch (const JetError& e) {
        throw db::DbError(e.what(), "08001");
      }
    }
    inner_->Open(cs);
  }
  bool IsOpen() const override { return inner_->IsOpen(); }
  void Close() override {
    writer_.reset();
    inner_->Close();
  }

  int BeginTrans() override { return path_.empty() ? inner_->BeginTrans() : ++level_; }
  void CommitTrans() override {
    if (path_.empty()) return inner_->CommitTrans();
    if (level_ > 0) --level_;
    Guard([&] {
      if (writer_) writer_->Commit();
    });
    stale_ = true;
  }
  void RollbackTrans() override {
    if (path_.empty()) return inner_->RollbackTrans();
    if (level_ > 0) --level_;
    if (writer_) writer_->Rollback();
  }
  bool InTransaction() const override {
    return path_.empty() ? inner_->InTransaction() : level_ > 0;
  }
  void SetAutoCommit(bool on) override {
    if (path_.empty()) inner_->SetAutoCommit(on);
  }

  int64_t Execute(const std::string& sql, const db::Params& params) override {
    if (path_.empty()) return inner_->Execute(sql, params);
    int64_t affected = 0;
    Guard([&] {
      Statement st = ParseStatement(sql);
      JetDatabase& db = Writer();
      if (auto* c = std::get_if<CreateTable>(&st)) {
        db.CreateTable(std::move(c->schema));
      } else if (auto* d = std::get_if<DropTable>(&st)) {
        db.DropTable(d->name);
      } else if (auto* r = std::get_if<DeleteRows>(&st)) {
        TableWriter* t = db.Find(r->name);
        affected = t ? t->RowCount() : 0;
        db.DeleteRows(r->name);
      }
    });
    stale_ = true;
    return affected;
  }
  std::unique_ptr<db::Query> CreateQuery() override {
    if (path_.empty()) return inner_->CreateQuery();
    return std::make_unique<JetQuery>(
        Reader().CreateQuery(),
        [this](const std::string& sql, db::Fetch fetch) { return ReadFromFile(sql, fetch); },
        [this](const std::string& sql, const db::Params& p) { return Execute(sql, p); });
  }
  std::unique_ptr<db::Query> StreamTable(const std::string& table) override {
    if (auto own = ReadFromFile(SelectRows{table}, db::Fetch::Stream)) return own;
    return Reader().StreamTable(table);
  }
  std::unique_ptr<db::Appender> CreateAppender(const std::string& table, size_t columns) override {
    if (path_.empty()) return inner_->CreateAppender(table, columns);
    std::unique_ptr<db::Appender> a;
    Guard([&] {
      std::string name = table;
      if (name.size() > 1 && name.front() == '[' && name.back() == ']')
        name = name.substr(1, name.size() - 2);
      TableWriter* t = Writer().Find(name);
      if (!t) throw JetError("no table " + name);
      a = std::make_unique<JetAppender>(Writer(), *t, columns);
    });
    stale_ = true;
    return a;
  }
  db::Variant CallFunction(const std::string& name, const db::Params& inputs) override {
    return Reader().CallFunction(name, inputs);
  }
  std::vector<db::TableRow> SchemaTables() override {
    if (!writer_) return Reader().SchemaTables();
    std::vector<db::TableRow> rows;
    for (const TableWriter* t : writer_->Tables())
      rows.push_back({"", "", t->Schema().name, t->Schema().system ? "SYSTEM TABLE" : "TABLE"});
    return rows;
  }
  std::vector<db::PrimaryKeyRow> SchemaPrimaryKeys() override {
    return Reader().SchemaPrimaryKeys();
  }
  // MDBTools' own list names types its reader maps, not the ones the writer makes.
  std::vector<db::ProviderTypeRow> SchemaProviderTypes() override {
    return path_.empty() ? inner_->SchemaProviderTypes() : WrittenTypes();
  }
  std::string ProviderName() const override { return inner_->ProviderName(); }
  std::string CurrentCatalog() const override { return inner_->CurrentCatalog(); }
  db::Dbms dbms() const override { return path_.empty() ? inner_->dbms() : db::Dbms::Access; }
  void SetMarkerStyle(db::MarkerStyle style) override { inner_->SetMarkerStyle(style); }

 private:
  template <typename F>
  void Guard(F&& f) {
    try {
      f();
    } catch (const JetError& e) {
      throw db::DbError(e.what());
    }
  }
  std::unique_ptr<db::Query> ReadFromFile(const std::string& sql, db::Fetch fetch) {
    if (path_.empty()) return nullptr;
    auto select = ParseSelect(sql);
    return select ? ReadFromFile(*select, fetch) : nullptr;
  }
  // Whole tables of a Jet 4 file come from the file; a Jet 3 file, a name the catalog does
  // not list (a query) or a file the reader cannot open goes to the driver, which reports.
  std::unique_ptr<db::Query> ReadFromFile(const SelectRows& select, db::Fetch fetch) {
    if (path_.empty()) return nullptr;
    if (writer_ && stale_) Guard([&] { writer_->Commit(); });
    std::shared_ptr<const JetReader> reader;
    try {
      reader = JetReader::Open(path_);
    } catch (const JetError&) {
      return nullptr;
    }
    const JetReader::Table* table = reader ? reader->Find(select.table) : nullptr;
    if (!table) return nullptr;
    if (select.count) {
      int64_t rows = 0;
      Guard([&] { rows = reader->CountRows(*table); });
      return RowCountQuery(rows);
    }
    return TableRowsQuery(reader, *table, fetch, select.noRows);
  }
  JetDatabase& Writer() {
    if (!writer_) writer_ = JetDatabase::Open(path_);
    return *writer_;
  }
  db::Connection& Reader() {
    if (stale_ && !path_.empty()) {
      if (writer_) writer_->Commit();
      inner_->Close();
      inner_->Open(connectionString_);
      stale_ = false;
    }
    return *inner_;
  }

  std::unique_ptr<db::Connection> inner_;
  std::unique_ptr<JetDatabase> writer_;
  std::string path_, connectionString_;
  int level_ = 0;
  bool stale_ = false;
};

}  // namespace

std::unique_ptr<db::Connection> AccessWritingConnection(std::unique_ptr<db::Connection> inner) {
  return std::make_unique<JetConnection>(std::move(inner));
}

}  // namespace mvq::jet
