#include "support/ScriptedConnection.h"

#include "platform/jet/JetConnection.h"
#include "platform/odbc/ConnectionString.h"
#include "platform/odbc/NameRules.h"
#include "platform/odbc/OdbcConnection.h"

#include <cstdio>

namespace mvq::test {

using db::Variant;

std::string DescribeValue(const Variant& v) {
  switch (v.kind()) {
    case Variant::Kind::Null:
      return "NULL";
    case Variant::Kind::String:
      return "'" + v.Str() + "'";
    case Variant::Kind::Bytes: {
      std::string s = "x'";
      char b[4];
      for (auto c : v.Blob()) {
        std::snprintf(b, sizeof b, "%02x", c);
        s += b;
      }
      return s + "'";
    }
    case Variant::Kind::Date:
    case Variant::Kind::Time:
    case Variant::Kind::DateTime:
      return "d'" + v.AsText() + "'";
    default:
      return v.AsText();
  }
}

std::string DescribeParams(const db::Params& params) {
  if (params.empty()) return {};
  std::string s = " [";
  for (size_t i = 0; i < params.size(); ++i) {
    if (i) s += ", ";
    if (!params[i].name.empty()) s += params[i].name + "=";
    s += DescribeValue(params[i].value);
  }
  return s + "]";
}

static std::string DescribeRow(const std::vector<Variant>& row) {
  std::string s = "[";
  for (size_t i = 0; i < row.size(); ++i) s += (i ? ", " : "") + DescribeValue(row[i]);
  return s + "]";
}

Rule& Rule::Rows(const std::vector<Column>& columns, std::vector<std::vector<Variant>> rows) {
  response.fields.clear();
  for (const auto& c : columns) {
    db::FieldDesc f;
    f.name = c.name;
    f.adoType = c.adoType;
    f.definedSize = c.size;
    f.precision = c.precision;
    f.scale = c.scale;
    f.autoIncrement = c.autoIncrement;
    f.typeName = c.typeName;
    f.category =
        db::ClassifyField(c.adoType, c.precision, c.scale, c.autoIncrement).value_or(db::ftUnknown);
    response.fields.push_back(f);
  }
  response.rows = std::move(rows);
  return *this;
}

Rule& Rule::Affected(int64_t n) {
  response.affected = n;
  return *this;
}

Rule& Rule::Fails(const std::string& message, const std::string& sqlState, int native) {
  response.error = db::DbError(message, sqlState, native);
  return *this;
}

Rule& Rule::Times(int n) {
  remaining = n;
  return *this;
}

Rule& Script::On(const std::string& sql) {
  rules_.emplace_back(sql, Rule{});
  return rules_.back().second;
}

void Script::FailInserts(
    std::function<std::optional<std::string>(const std::vector<Variant>&)> pred) {
  insertFailure = std::move(pred);
}

const Response* Script::Find(const std::string& sql) {
  for (auto& [pattern, rule] : rules_) {
    if (rule.remaining == 0) continue;
    bool match = !pattern.empty() && pattern.back() == '*'
                     ? sql.compare(0, pattern.size() - 1, pattern, 0, pattern.size() - 1) == 0
                     : sql == pattern;
    if (!match) continue;
    if (rule.remaining > 0) --rule.remaining;
    return &rule.response;
  }
  return nullptr;
}

void Script::Gather(const std::string& sql) const {
  if (auto dialect = Dialect()) GatherStatement(*dialect, sql);
}

void Script::Record(const std::string& entry) {
  calls.push_back(entry);
  if (world) world->journal.push_back(name + ": " + entry);
}

namespace {

class ScriptedQuery : public db::Query {
 public:
  explicit ScriptedQuery(Script* script) : script_(script) {}

  void Open(const std::string& sql, const db::Params& params, db::Fetch fetch) override {
    Close();
    script_->Record((fetch == db::Fetch::Stream ? "stream: " : "query: ") + sql +
                    DescribeParams(params));
    script_->Gather(sql);
    const Response* r = script_->Find(sql);
    if (r && r->error) throw *r->error;
    if (r) {
      fields_ = r->fields;
      rows_ = r->rows;
    }
    streaming_ = fetch == db::Fetch::Stream;
    open_ = true;
    pos_ = 0;
  }

  int64_t Execute(const std::string& sql, const db::Params& params) override {
    Close();
    script_->Record("exec: " + sql + DescribeParams(params));
    script_->Gather(sql);
    const Response* r = script_->Find(sql);
    if (r && r->error) throw *r->error;
    return r ? r->affected : 0;
  }

  bool IsOpen() const override { return open_; }
  void Close() override {
    open_ = false;
    fields_.clear();
    rows_.clear();
    pos_ = 0;
  }
  const std::vector<db::FieldDesc>& Fields() const override { return fields_; }
  bool Eof() const override { return !open_ || pos_ >= rows_.size(); }
  void Next() override {
    if (!open_) throw db::DbError("Operation is not allowed when the object is closed.");
    if (pos_ < rows_.size()) ++pos_;
  }
  void First() override {
    if (!open_) throw db::DbError("Operation is not allowed when the object is closed.");
    if (streaming_) throw db::DbError("a streaming result cannot go back to its first row");
    pos_ = 0;
  }
  const Variant& Value(size_t i) const override {
    if (!open_ || pos_ >= rows_.size())
      throw db::DbError("Either BOF or EOF is True, or the current record has been deleted.");
    const auto& row = rows_[pos_];
    if (i >= row.size()) throw db::DbError("Item cannot be found in the collection.");
    return row[i];
  }
  int64_t RecordCount() const override {
    if (!open_) throw db::DbError("Operation is not allowed when the object is closed.");
    return streaming_ ? -1 : static_cast<int64_t>(rows_.size());
  }

 private:
  Script* script_;
  bool open_ = false, streaming_ = false;
  std::vector<db::FieldDesc> fields_;
  std::vector<std::vector<Variant>> rows_;
  size_t pos_ = 0;
};

class ScriptedAppender : public db::Appender {
 public:
  ScriptedAppender(Script* script, size_t columns) : script_(script), columns_(columns) {}

  void Append() override {
    row_.assign(columns_, Variant());
    building_ = true;
  }
  void SetField(size_t i, const Variant& v) override {
    if (!building_) throw db::DbError("no row is being appended");
    if (i >= row_.size()) throw db::DbError("Item cannot be found in the collection.");
    row_[i] = v;
  }
  std::vector<db::RowFailure> Post(std::optional<std::string> label) override {
    if (!building_) throw db::DbError("no row is being appended");
    script_->Record("post: " + DescribeRow(row_));
    pending_.push_back({std::move(row_), std::move(label)});
    building_ = false;
    if (pending_.size() >= script_->batchSize) return Flush();
    return {};
  }
  void Cancel() override { building_ = false; }
  std::vector<db::RowFailure> Flush() override {
    std::vector<db::RowFailure> failures;
    if (pending_.empty()) return failures;
    script_->Record("flush: " + std::to_string(pending_.size()));
    if (script_->sendError) {
      pending_.clear();
      throw *script_->sendError;
    }
    for (auto& p : pending_) {
      std::optional<std::string> err;
      if (script_->insertFailure) err = script_->insertFailure(p.row);
      if (err) {
        failures.push_back({p.label, db::DbError(*err, "23000", 0)});
      } else {
        script_->inserted.push_back(std::move(p.row));
      }
    }
    pending_.clear();
    return failures;
  }

 private:
  struct Pending {
    std::vector<Variant> row;
    std::optional<std::string> label;
  };
  Script* script_;
  size_t columns_;
  bool building_ = false;
  std::vector<Variant> row_;
  std::vector<Pending> pending_;
};

class ScriptedConnection : public db::Connection {
 public:
  explicit ScriptedConnection(ScriptedWorld* world) : world_(world) {}

  void Open(const std::string& cs) override {
    script_ = &world_->ScriptFor(cs);
    script_->Record("open");
    if (script_->openError) throw *script_->openError;
    open_ = true;
  }
  bool IsOpen() const override { return open_; }
  void Close() override {
    if (open_) script().Record("close");
    open_ = false;
  }
  int BeginTrans() override {
    script().Record("begin");
    return ++level_;
  }
  void CommitTrans() override {
    script().Record("commit");
    if (level_ > 0) --level_;
    auto& answers = script().commitAnswers;
    if (answers.empty()) return;
    auto answer = std::move(answers.front());
    answers.pop_front();
    if (answer) throw *answer;
  }
  void RollbackTrans() override {
    script().Record("rollback");
    if (level_ > 0) --level_;
  }
  bool InTransaction() const override { return level_ > 0; }
  void SetAutoCommit(bool on) override { script().Record(on ? "autocommit on" : "autocommit off"); }
  int64_t Execute(const std::string& sql, const db::Params& params) override {
    return ScriptedQuery(&script()).Execute(sql, params);
  }
  std::unique_ptr<db::Query> CreateQuery() override {
    return std::make_unique<ScriptedQuery>(&script());
  }
  std::unique_ptr<db::Appender> CreateAppender(const std::string& table, size_t columns) override {
    script().Record("append: " + table);
    // The ODBC appender's first statement: its probe of the table's columns, the name quoted
    // as the engine's rules say.
    db::Dbms engine = script().dbms;
    if (engine == db::Dbms::Unknown && script().Dialect())
      engine = *script().Dialect() == SqlDialect::Oracle ? db::Dbms::Oracle : db::Dbms::SqlServer;
    script().Gather("select * from " + db::QuoteName(db::NameRulesFor(engine), table) +
                    " where 1=2");
    return std::make_unique<ScriptedAppender>(&script(), columns);
  }
  Variant CallFunction(const std::string& name, const db::Params& inputs) override {
    script().Record("call: " + name + DescribeParams(inputs));
    if (auto dialect = script().Dialect())
      GatherStatement(*dialect, FunctionCallText(*dialect, name, inputs.size()));
    const Response* r = script().Find("call: " + name);
    if (r && r->error) throw *r->error;
    if (r && !r->rows.empty() && !r->rows[0].empty()) return r->rows[0][0];
    return Variant();
  }
  std::vector<db::TableRow> SchemaTables() override {
    script().Record("schema tables");
    return script().tables;
  }
  std::vector<db::PrimaryKeyRow> SchemaPrimaryKeys() override {
    script().Record("schema primary keys");
    return script().primaryKeys;
  }
  std::vector<db::ProviderTypeRow> SchemaProviderTypes() override {
    script().Record("schema provider types");
    return script().providerTypes;
  }
  std::string ProviderName() const override { return script_ ? script_->providerName : ""; }
  std::string CurrentCatalog() const override { return script_ ? script_->catalog : ""; }
  db::Dbms dbms() const override { return script_ ? script_->dbms : db::Dbms::Unknown; }
  std::string DbmsVersion() const override { return script_ ? script_->dbmsVersion : ""; }
  void SetMarkerStyle(db::MarkerStyle style) override {
    script().Record(style == db::MarkerStyle::Colon ? "markers colon" : "markers question");
  }

 private:
  Script& script() const {
    if (!script_) throw db::DbError("the scripted connection was never opened");
    return *script_;
  }
  ScriptedWorld* world_;
  Script* script_ = nullptr;
  bool open_ = false;
  int level_ = 0;
};

// Scripted, except that a connection opened on an Access file is the real one: MDBTools
// reading, our Jet writer writing.
class AccessRoutingConnection : public db::Connection {
 public:
  explicit AccessRoutingConnection(ScriptedWorld* world)
      : active_(std::make_unique<ScriptedConnection>(world)) {}
  void Open(const std::string& cs) override {
    if (!db::AccessFileOf(cs).empty() && !real_) {
      active_ = jet::AccessWritingConnection(db::CreateOdbcConnection());
      real_ = true;
    }
    active_->Open(cs);
  }
  bool IsOpen() const override { return active_->IsOpen(); }
  void Close() override { active_->Close(); }
  int BeginTrans() override { return active_->BeginTrans(); }
  void CommitTrans() override { active_->CommitTrans(); }
  void RollbackTrans() override { active_->RollbackTrans(); }
  bool InTransaction() const override { return active_->InTransaction(); }
  void SetAutoCommit(bool on) override { active_->SetAutoCommit(on); }
  int64_t Execute(const std::string& sql, const db::Params& params) override {
    return active_->Execute(sql, params);
  }
  std::unique_ptr<db::Query> CreateQuery() override { return active_->CreateQuery(); }
  std::unique_ptr<db::Query> StreamTable(const std::string& table) override {
    return active_->StreamTable(table);
  }
  std::unique_ptr<db::Appender> CreateAppender(const std::string& table, size_t n) override {
    return active_->CreateAppender(table, n);
  }
  db::Variant CallFunction(const std::string& name, const db::Params& inputs) override {
    return active_->CallFunction(name, inputs);
  }
  std::vector<db::TableRow> SchemaTables() override { return active_->SchemaTables(); }
  std::vector<db::PrimaryKeyRow> SchemaPrimaryKeys() override {
    return active_->SchemaPrimaryKeys();
  }
  std::vector<db::ProviderTypeRow> SchemaProviderTypes() override {
    return active_->SchemaProviderTypes();
  }
  std::string ProviderName() const override { return active_->ProviderName(); }
  std::string CurrentCatalog() const override { return active_->CurrentCatalog(); }
  db::Dbms dbms() const override { return active_->dbms(); }
  void SetMarkerStyle(db::MarkerStyle style) override { active_->SetMarkerStyle(style); }

 private:
  std::unique_ptr<db::Connection> active_;
  bool real_ = false;
};

}  // namespace

std::shared_ptr<ScriptedWorld> ScriptedWorld::Install(bool realAccessFiles) {
  auto world = std::shared_ptr<ScriptedWorld>(new ScriptedWorld());
  ScriptedWorld* raw = world.get();
  world->previous_ =
      db::SetConnectionFactory([raw, realAccessFiles]() -> std::unique_ptr<db::Connection> {
        if (realAccessFiles) return std::make_unique<AccessRoutingConnection>(raw);
        return std::make_unique<ScriptedConnection>(raw);
      });
  return world;
}

ScriptedWorld::~ScriptedWorld() {
  db::SetConnectionFactory(std::move(previous_));
}

Script& ScriptedWorld::ScriptFor(const std::string& cs) {
  auto& slot = scripts_[cs];
  if (!slot) {
    slot = std::make_unique<Script>();
    slot->name = cs;
    slot->connectionString = cs;
    slot->world = this;
  }
  return *slot;
}

}  // namespace mvq::test
