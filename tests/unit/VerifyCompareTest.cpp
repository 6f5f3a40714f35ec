// Comparing two ends of a table: what makes a match, and how a difference is named.
#include <gtest/gtest.h>

#include <stdexcept>

#include "engine/Verify.h"
#include "platform/odbc/DbError.h"
#include "platform/odbc/FieldTypes.h"

namespace mvq {
namespace {

using Row = std::vector<db::Variant>;

// A result set held in memory, read forward.
class RowsQuery : public db::Query {
 public:
  RowsQuery(std::vector<db::FieldDesc> fields, std::vector<Row> rows)
      : fields_(std::move(fields)), rows_(std::move(rows)) {}
  void Open(const std::string&, const db::Params&, db::Fetch) override {}
  int64_t Execute(const std::string&, const db::Params&) override { return 0; }
  bool IsOpen() const override { return true; }
  void Close() override {}
  const std::vector<db::FieldDesc>& Fields() const override { return fields_; }
  bool Eof() const override { return at_ >= rows_.size(); }
  void Next() override { ++at_; }
  void First() override { at_ = 0; }
  const db::Variant& Value(size_t i) const override { return rows_.at(at_).at(i); }
  int64_t RecordCount() const override { return static_cast<int64_t>(rows_.size()); }

 private:
  std::vector<db::FieldDesc> fields_;
  std::vector<Row> rows_;
  size_t at_ = 0;
};

db::FieldDesc Field(std::string name, int adoType) {
  db::FieldDesc f;
  f.name = std::move(name);
  f.adoType = adoType;
  return f;
}

const std::vector<db::FieldDesc> kFields = {
    Field("id", db::adInteger), Field("name", db::adVarWChar), Field("amount", db::adNumeric)};

TableRowsOpener Rows(std::vector<Row> rows, std::vector<db::FieldDesc> fields = kFields) {
  return [rows = std::move(rows), fields = std::move(fields)](const std::string&) {
    return std::make_unique<RowsQuery>(fields, rows);
  };
}

const std::vector<Row> kSource = {
    {int64_t{1}, "张三", db::Decimal{"12.50"}},
    {int64_t{2}, db::Variant(), db::Variant()},
    {int64_t{3}, "Ann", db::Decimal{"-0.25"}},
};

TEST(VerifyCompare, TheSameRowsInAnotherOrderAndSpellingMatch) {
  const std::vector<Row> target = {
      {int64_t{3}, "Ann", db::Decimal{"-0.250"}},
      {int64_t{1}, "张三", db::Decimal{"12.5"}},
      {int64_t{2}, db::Variant(), db::Variant()},
  };
  const VerifyResult r = CompareTable("t", Rows(kSource), Rows(target), 0);
  EXPECT_TRUE(r.match) << r.detail;
  EXPECT_EQ(r.sourceRows, 3);
  EXPECT_EQ(r.targetRows, 3);
  EXPECT_TRUE(r.columnsDiffering.empty());
  EXPECT_EQ(r.detail, "");
}

TEST(VerifyCompare, AChangedValueANullAndADuplicateAreEachFound) {
  std::vector<Row> changed = kSource;
  changed[2][1] = "Anne";
  VerifyResult r = CompareTable("t", Rows(kSource), Rows(changed), 0);
  EXPECT_FALSE(r.match);
  EXPECT_EQ(r.columnsDiffering, std::vector<std::string>{"name"});
  EXPECT_EQ(r.detail, "columns differing: name");

  std::vector<Row> nulled = kSource;
  nulled[0][2] = db::Variant();
  r = CompareTable("t", Rows(kSource), Rows(nulled), 0);
  EXPECT_EQ(r.columnsDiffering, std::vector<std::string>{"amount"});

  // One row twice and another missing: the count agrees, the sums do not.
  std::vector<Row> doubled = {kSource[0], kSource[0], kSource[2]};
  r = CompareTable("t", Rows(kSource), Rows(doubled), 0);
  EXPECT_FALSE(r.match);
  EXPECT_EQ(r.columnsDiffering, (std::vector<std::string>{"id", "name", "amount"}));
}

TEST(VerifyCompare, AMissingRowIsCountedAndRefusedRowsExplainIt) {
  const std::vector<Row> short1 = {kSource[0], kSource[2]};
  VerifyResult r = CompareTable("t", Rows(kSource), Rows(short1), 0);
  EXPECT_FALSE(r.match);
  EXPECT_EQ(r.detail, "rows: source 3, target 2; columns differing: id, name, amount");

  r = CompareTable("t", Rows(kSource), Rows(short1), 1);
  EXPECT_FALSE(r.match);
  EXPECT_TRUE(r.columnsDiffering.empty());
  EXPECT_EQ(r.detail,
            "1 of 3 rows were refused during the copy (see the run log); the target holds the "
            "other 2");

  // Refused rows that do not account for the shortfall leave it unexplained.
  r = CompareTable("t", Rows(kSource), Rows({kSource[0]}), 1);
  EXPECT_EQ(r.detail,
            "rows: source 3, target 1; 1 rows were refused during the copy; columns differing: "
            "id, name, amount");
}

TEST(VerifyCompare, MissingColumnsAndUnreadableEndsAreNamed) {
  std::vector<Row> narrow;
  for (const Row& row : kSource) narrow.push_back({row[0], row[1]});
  VerifyResult r = CompareTable("t", Rows(kSource), Rows(narrow, {kFields[0], kFields[1]}), 0);
  EXPECT_FALSE(r.match);
  EXPECT_EQ(r.detail, "the target has 2 of the source's 3 columns");

  const TableRowsOpener gone = [](const std::string&) -> std::unique_ptr<db::Query> {
    throw db::DbError("no such table: t");
  };
  r = CompareTable("t", Rows(kSource), gone, 0);
  EXPECT_FALSE(r.match);
  EXPECT_EQ(r.detail, "cannot read the target table: no such table: t");
}

}  // namespace
}  // namespace mvq
