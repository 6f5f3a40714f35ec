// The four pairings of source and target kinds plugged into the one copy frame.
#include <exception>

#include "engine/RowCopy.h"
#include "gates/ado/utNCDataGates.h"
#include "gates/oracle/utconnection.h"

namespace mvq {

namespace {

// An Access or SQL Server table read page by page on its key.
class AdoPagedSource : public RowSource {
 public:
  explicit AdoPagedSource(TADODataGate& gate) : gate_(gate) {}
  void Open(const std::string& table) override {
    gate_.OpenTablePaged(table, query_);
    if (query_) fields_ = query_->Fields();
  }
  int64_t Total() const override { return gate_.RowCount(); }
  const std::vector<db::FieldDesc>& Fields() const override { return fields_; }
  const db::Variant& Value(size_t i) const override { return query_->Value(i); }
  bool Next(bool& pageChanged) override { return gate_.NextRow(pageChanged, query_); }

 private:
  TADODataGate& gate_;
  std::unique_ptr<db::Query> query_;
  std::vector<db::FieldDesc> fields_;  // of the first page: later pages add nothing copied
};

// Any table read in one forward-only stream after a count; memory stays at one batch.
class AdoStreamSource : public RowSource {
 public:
  explicit AdoStreamSource(TADODataGate& gate) : gate_(gate) {}
  void Open(const std::string& table) override {
    total_ = gate_.QueryValue("select count(*) from " + gate_.QuotedName(table)).AsInt();
    gate_.OpenTableStream(table, query_);
    if (query_) fields_ = query_->Fields();
  }
  int64_t Total() const override { return total_; }
  bool AtEnd() const override { return !query_ || query_->Eof(); }
  const std::vector<db::FieldDesc>& Fields() const override { return fields_; }
  const db::Variant& Value(size_t i) const override { return query_->Value(i); }
  bool Next(bool&) override {
    query_->Next();
    return query_->Eof();
  }

 private:
  TADODataGate& gate_;
  std::unique_ptr<db::Query> query_;
  std::vector<db::FieldDesc> fields_;
  int64_t total_ = 0;
};

class OraclePagedSource : public RowSource {
 public:
  explicit OraclePagedSource(TComDBConn& gate) : gate_(gate), query_(gate.NewQuery()) {}
  void Open(const std::string& table) override {
    gate_.OpenTablePaged(table, *query_);
    fields_ = query_->Fields();
  }
  int64_t Total() const override { return gate_.RowCount(); }
  const std::vector<db::FieldDesc>& Fields() const override { return fields_; }
  const db::Variant& Value(size_t i) const override { return query_->Value(i); }
  bool Next(bool& pageChanged) override { return gate_.NextRow(pageChanged); }

 private:
  TComDBConn& gate_;
  std::unique_ptr<db::Query> query_;
  std::vector<db::FieldDesc> fields_;  // of page 1: ROWNUM_ of later pages is not copied
};

// An ADO target: the table opened as the gate opens any statement (so a missing table is
// logged the same way), then rows appended in batches on the gate's connection.
class AdoTarget : public RowTarget {
 public:
  AdoTarget(TADODataGate& gate, std::string table) : gate_(gate), table_(std::move(table)) {}
  void Begin() override { gate_.BeginTransaction(); }
  void Commit() override { gate_.CommitTransaction(); }
  void Open() override {
    appender = nullptr;
    appender_.reset();
    std::unique_ptr<db::Query> probe;
    // Streamed and closed at once: an open cursor would hold the connection that the
    // appender writes on, and no rows are needed from it.
    gate_.OpenQuery("select * from " + gate_.QuotedName(table_), probe, db::Fetch::Stream);
    if (probe && probe->IsOpen()) probe->Close();
    try {
      if (!gate_.AdoConnection()) throw db::DbError("no connection to the target");
      appender_ = gate_.AdoConnection()->CreateAppender(table_, columns);
      appender = appender_.get();
    } catch (const std::exception& e) {
      openError = e.what();
    }
  }

 private:
  TADODataGate& gate_;
  std::string table_;
  std::unique_ptr<db::Appender> appender_;
};

// The Oracle target: an empty result gives the column layout, and rows are posted through
// the generated INSERT of the gate's update object.
class OracleTarget : public RowTarget {
 public:
  OracleTarget(TComDBConn& gate, std::string table)
      : gate_(gate), table_(std::move(table)), layout_(gate.NewQuery()) {}
  void Begin() override { gate_.BeginTransaction(); }
  void Commit() override { gate_.CommitTransaction(); }
  void Open() override {
    appender = nullptr;
    appender_.reset();
    gate_.OpenSql("select * from " + gate_.QuotedName(table_) + " where 1=2", *layout_);
    gate_.PrepareUpdateSql(*layout_, table_, false, true, false);
    try {
      appender_ = gate_.CreateAppender(*layout_);
      appender = appender_.get();
    } catch (const std::exception& e) {
      openError = e.what();
    }
  }

 private:
  TComDBConn& gate_;
  std::string table_;
  std::unique_ptr<db::Query> layout_;
  std::unique_ptr<db::Appender> appender_;
};

}  // namespace

void CopyRowsAdoToAdo(TADODataGate& source, TADODataGate& target, const std::string& table,
                      TableOutcome& outcome) {
  AdoPagedSource from(source);
  AdoTarget to(target, table);
  ExportTableRows(from, to, CopyPlan{}, table, outcome);
}

void CopyRowsAdoToOracle(TADODataGate& source, TComDBConn& target, const std::string& table,
                         TableOutcome& outcome) {
  AdoPagedSource from(source);
  OracleTarget to(target, table);
  CopyPlan plan;
  plan.order = CopyOrder::SourceFirst;
  plan.bytesAsText1 = true;
  plan.openBeforeBegin = true;
  ExportTableRows(from, to, plan, table, outcome);
}

void CopyRowsOracleToAdo(TComDBConn& source, TADODataGate& target, const std::string& table,
                         TableOutcome& outcome) {
  OraclePagedSource from(source);
  AdoTarget to(target, table);
  CopyPlan plan;
  plan.reopenTargetOnNewPage = true;
  ExportTableRows(from, to, plan, table, outcome);
}

// The custom source is read in one statement: it is counted first and then streamed, so
// that learning the total never holds the table in memory.
void CopyRowsCustom(TADODataGate& source, TADODataGate& target, const std::string& table,
                    TableOutcome& outcome) {
  AdoStreamSource from(source);
  AdoTarget to(target, table);
  CopyPlan plan;
  plan.transactWhenEmpty = true;
  ExportTableRows(from, to, plan, table, outcome);
}

}  // namespace mvq
