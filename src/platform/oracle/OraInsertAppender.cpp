#include "platform/oracle/OraInsertAppender.h"

namespace mvq::ora {

namespace {

size_t PayloadBytes(const db::Variant& v) {
  switch (v.kind()) {
    case db::Variant::Kind::String:
      return v.Str().size();
    case db::Variant::Kind::Bytes:
      return v.Blob().size();
    default:
      return 8;
  }
}

class InsertAppender : public db::Appender {
 public:
  InsertAppender(std::unique_ptr<db::Query> statement, InsertPlan plan, BatchLimits limits)
      : statement_(std::move(statement)), plan_(std::move(plan)), limits_(limits) {}

  void Append() override {
    row_.assign(plan_.fieldCount, db::Variant());
    building_ = true;
  }

  void SetField(size_t i, const db::Variant& v) override {
    if (!building_) throw db::DbError("no row is being appended");
    if (i >= row_.size())
      throw db::DbError("field " + std::to_string(i) + " is beyond the " +
                        std::to_string(row_.size()) + " fields of the target");
    row_[i] = v;
  }

  std::vector<db::RowFailure> Post(std::optional<std::string> label) override {
    if (!building_) throw db::DbError("no row is being appended");
    building_ = false;
    db::Params params;
    params.reserve(plan_.binds.size());
    size_t bytes = 0;
    for (size_t k = 0; k < plan_.binds.size(); ++k) {
      db::Variant v;
      if (plan_.field[k]) v = row_[*plan_.field[k]];
      if (plan_.blob[k] && v.kind() == db::Variant::Kind::String)
        v = db::Variant(db::Bytes(v.Str().begin(), v.Str().end()));
      bytes += PayloadBytes(v);
      params.push_back({std::move(v), plan_.binds[k]});
    }
    pending_.push_back(std::move(params));
    labels_.push_back(std::move(label));
    pendingBytes_ += bytes;
    if (pending_.size() >= limits_.rows || pendingBytes_ >= limits_.bytes) return Flush();
    return {};
  }

  void Cancel() override { building_ = false; }

  std::vector<db::RowFailure> Flush() override {
    std::vector<db::RowFailure> failures;
    if (pending_.empty()) return failures;
    auto sets = std::move(pending_);
    auto labels = std::move(labels_);
    pending_.clear();
    labels_.clear();
    pendingBytes_ = 0;
    auto errors = statement_->ExecuteBatch(plan_.sql, sets);
    for (size_t i = 0; i < sets.size(); ++i) {
      if (i >= errors.size()) {
        // A batch answer shorter than the batch would hide rows; count them as failed.
        failures.push_back({labels[i], db::DbError("the row's outcome was not reported")});
      } else if (errors[i]) {
        failures.push_back({labels[i], *errors[i]});
      }
    }
    return failures;
  }

 private:
  std::unique_ptr<db::Query> statement_;
  InsertPlan plan_;
  BatchLimits limits_;
  bool building_ = false;
  std::vector<db::Variant> row_;
  std::vector<db::Params> pending_;
  std::vector<std::optional<std::string>> labels_;
  size_t pendingBytes_ = 0;
};

}  // namespace

std::unique_ptr<db::Appender> CreateInsertAppender(std::unique_ptr<db::Query> statement,
                                                   InsertPlan plan, BatchLimits limits) {
  if (limits.rows == 0) limits.rows = 1;
  return std::make_unique<InsertAppender>(std::move(statement), std::move(plan), limits);
}

}  // namespace mvq::ora
