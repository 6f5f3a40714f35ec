#include "platform/jet/JetTableQuery.h"

namespace mvq::jet {

namespace {

// What Access reports for each of its types; 0 sizes come from the column.
struct TypeDesc {
  ColType type;
  int adoType;
  int64_t size;
  int precision, scale;
  const char* name;
};
constexpr TypeDesc kTypes[] = {
    {ColType::Bool, db::adBoolean, 2, 1, 0, "BIT"},
    {ColType::Byte, db::adUnsignedTinyInt, 1, 3, 0, "BYTE"},
    {ColType::Int, db::adSmallInt, 2, 5, 0, "SMALLINT"},
    {ColType::Long, db::adInteger, 4, 10, 0, "INTEGER"},
    {ColType::Money, db::adCurrency, 8, 19, 4, "CURRENCY"},
    {ColType::Float, db::adSingle, 4, 7, 0, "REAL"},
    {ColType::Double, db::adDouble, 8, 15, 0, "DOUBLE"},
    {ColType::DateTime, db::adDate, 8, 0, 3, "DATETIME"},  // to the millisecond
    {ColType::Binary, db::adVarBinary, 0, 0, 0, "VARBINARY"},
    {ColType::Text, db::adVarWChar, 0, 0, 0, "VARCHAR"},
    {ColType::Ole, db::adLongVarBinary, 1073741823, 0, 0, "LONGBINARY"},
    {ColType::Memo, db::adLongVarWChar, 536870910, 0, 0, "LONGTEXT"},
    {ColType::Guid, db::adGUID, 16, 0, 0, "GUID"},
    {ColType::Numeric, db::adNumeric, 17, 0, 0, "DECIMAL"},
};

db::FieldDesc Describe(const Column& c) {
  db::FieldDesc f;
  f.name = c.name;
  for (const TypeDesc& t : kTypes) {
    if (t.type != c.type) continue;
    f.adoType = t.adoType;
    f.definedSize = t.size;
    f.precision = t.precision;
    f.scale = t.scale;
    f.typeName = t.name;
  }
  if (c.type == ColType::Text) f.definedSize = c.length / 2;  // characters
  if (c.type == ColType::Binary) f.definedSize = c.length;
  if (c.type == ColType::Numeric) {
    f.precision = c.precision;
    f.scale = c.scale;
  }
  if (c.autoNumber) f.typeName = "COUNTER";
  f.autoIncrement = c.autoNumber;
  f.category =
      db::ClassifyField(f.adoType, f.precision, f.scale, f.autoIncrement).value_or(db::ftUnknown);
  return f;
}

// Forward-only or whole: rows_ holds the whole result, or the one row the cursor gave last.
class RowsQuery : public db::Query {
 public:
  RowsQuery(std::vector<db::FieldDesc> fields, std::shared_ptr<const JetReader> reader,
            std::unique_ptr<JetReader::Cursor> cursor, bool stream)
      : fields_(std::move(fields)),
        reader_(std::move(reader)),
        cursor_(std::move(cursor)),
        stream_(stream) {
    if (!stream_) {
      std::vector<db::Variant> row;
      while (Step(row)) rows_.push_back(row);
      cursor_.reset();
    } else {
      rows_.resize(1);
      if (!Step(rows_[0])) rows_.clear();
    }
  }
  RowsQuery(std::vector<db::FieldDesc> fields, std::vector<std::vector<db::Variant>> rows)
      : fields_(std::move(fields)), rows_(std::move(rows)) {}

  void Open(const std::string&, const db::Params&, db::Fetch) override {
    throw db::DbError("a table read from the file runs no further statement");
  }
  int64_t Execute(const std::string& sql, const db::Params& params) override {
    Open(sql, params, db::Fetch::All);
    return 0;
  }
  bool IsOpen() const override { return open_; }
  void Close() override {
    open_ = false;
    fields_.clear();
    rows_.clear();
    cursor_.reset();
  }
  const std::vector<db::FieldDesc>& Fields() const override { return fields_; }
  bool Eof() const override { return at_ >= rows_.size(); }
  void Next() override {
    if (Eof()) return;
    if (!stream_) {
      ++at_;
    } else if (!Step(rows_[0])) {
      rows_.clear();
    }
  }
  void First() override {
    if (stream_ && streamed_ > 1) throw db::DbError("a streamed result cannot go back");
    at_ = 0;
  }
  const db::Variant& Value(size_t i) const override {
    if (Eof() || i >= fields_.size()) throw db::DbError("no value " + std::to_string(i));
    return rows_[at_][i];
  }
  int64_t RecordCount() const override {
    if (!open_) throw db::DbError("the result is closed");
    return stream_ ? -1 : int64_t(rows_.size());
  }

 private:
  bool Step(std::vector<db::Variant>& row) {
    try {
      ++streamed_;
      return cursor_ && cursor_->Next(row);
    } catch (const JetError& e) {
      throw db::DbError(e.what());
    }
  }

  std::vector<db::FieldDesc> fields_;
  std::shared_ptr<const JetReader> reader_;  // outlives the cursor that reads through it
  std::unique_ptr<JetReader::Cursor> cursor_;
  bool stream_ = false, open_ = true;
  std::vector<std::vector<db::Variant>> rows_;
  size_t at_ = 0;
  size_t streamed_ = 0;
};

}  // namespace

std::vector<db::FieldDesc> FieldsOf(const TableSchema& t) {
  std::vector<db::FieldDesc> fields;
  for (const Column& c : t.columns) fields.push_back(Describe(c));
  return fields;
}

std::unique_ptr<db::Query> TableRowsQuery(std::shared_ptr<const JetReader> reader,
                                          const JetReader::Table& t, db::Fetch fetch, bool noRows) {
  try {
    std::vector<db::FieldDesc> fields = FieldsOf(reader->Schema(t));
    if (noRows)
      return std::make_unique<RowsQuery>(std::move(fields),
                                         std::vector<std::vector<db::Variant>>{});
    auto cursor = reader->Rows(t);
    return std::make_unique<RowsQuery>(std::move(fields), std::move(reader), std::move(cursor),
                                       fetch == db::Fetch::Stream);
  } catch (const JetError& e) {
    throw db::DbError(e.what());
  }
}

std::unique_ptr<db::Query> RowCountQuery(int64_t rows) {
  db::FieldDesc f;
  f.name = "Expr1000";
  f.adoType = db::adInteger;
  f.definedSize = 4;
  f.precision = 10;
  f.category = db::ftInteger;
  return std::make_unique<RowsQuery>(std::vector<db::FieldDesc>{f},
                                     std::vector<std::vector<db::Variant>>{{db::Variant(rows)}});
}

}  // namespace mvq::jet
