// Every field category written through an appender and read back, on each engine.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "support/Engines.h"

namespace mvq::test {
namespace {

using db::Variant;

class OdbcRoundTrip : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    if (HasFatalFailure() || IsSkipped()) return;
    table_ = UniqueTable("rt");
    RecreateTable(conn(), table_,
                  "id int primary key, n_small smallint, n_int int, n_big bigint, "
                  "n_money numeric(10,2), n_long decimal(28,0), n_dbl " +
                      SqlType("double") + ", flag " + SqlType("bool") + ", d date, ts " +
                      SqlType("timestamp") + ", t time, s varchar(50), c char(5), memo " +
                      SqlType("text") + ", data " + SqlType("blob"));
  }
  void TearDown() override {
    if (connection_ && connection_->IsOpen()) DropTable(conn(), table_);
    EngineTest::TearDown();
  }

  static std::string LongText() {
    std::string s;
    while (s.size() < (1 << 20)) s += "数据ab\xF0\x9D\x84\x9E";  // CJK, ASCII, a non-BMP clef
    return s;
  }
  static db::Bytes LongBlob() {
    db::Bytes b(1 << 20);
    for (size_t i = 0; i < b.size(); ++i) b[i] = static_cast<uint8_t>((i * 7) ^ (i >> 8));
    return b;
  }
  std::vector<std::vector<Variant>> Rows() const {
    const db::DateTime ts{{2024, 2, 29}, {13, 45, 59}, 123456000};
    return {
        {1, 12345, int64_t{-2147483647}, int64_t{9223372036854775807LL}, db::Decimal{"12345678.90"},
         db::Decimal{"1234567890123456789012345678"}, 3.141592653589793, true,
         db::Date{2024, 2, 29}, ts, db::Time{23, 59, 58}, "张三 Zhang", "ab", "备注 memo",
         db::Bytes{0, 1, 2, 255}},
        {2, Variant(), Variant(), Variant(), Variant(), Variant(), Variant(), Variant(), Variant(),
         Variant(), Variant(), Variant(), Variant(), Variant(), Variant()},
        {3, -32768, 0, int64_t{-9223372036854775807LL}, db::Decimal{"-0.05"},
         db::Decimal{"-9999999999999999999999999999"}, -1.5e-300, false, db::Date{1899, 12, 31},
         db::DateTime{{1970, 1, 1}, {0, 0, 0}, 0}, db::Time{0, 0, 0}, "", "xyz", LongText(),
         LongBlob()},
    };
  }
  void Append(const std::vector<std::vector<Variant>>& rows) {
    auto app = conn().CreateAppender(table_, rows.front().size());
    for (const auto& row : rows) {
      app->Append();
      for (size_t i = 0; i < row.size(); ++i) app->SetField(i, row[i]);
      auto failures = app->Post(row[0].AsText());
      for (const auto& f : failures) ADD_FAILURE() << "row " << *f.label << ": " << f.error.what();
    }
    for (const auto& f : app->Flush())
      ADD_FAILURE() << "row " << *f.label << ": " << f.error.what();
  }
  // Compares one read value with what was written, allowing for what each engine can keep.
  void ExpectValue(size_t column, const Variant& written, const Variant& read) {
    SCOPED_TRACE("column " + std::to_string(column) + " written " + written.AsText().substr(0, 40));
    if (written.IsNull()) {
      EXPECT_TRUE(read.IsNull()) << read.AsText();
      return;
    }
    ASSERT_FALSE(read.IsNull());
    switch (written.kind()) {
      case Variant::Kind::Decimal:
        ASSERT_EQ(read.kind(), Variant::Kind::Decimal) << read.AsText();
        if (engine().keepsLongDecimals) {
          EXPECT_EQ(read.Dec().text, written.Dec().text);
        } else {
          EXPECT_NEAR(read.AsDouble(), written.AsDouble(), std::fabs(written.AsDouble()) * 1e-14);
        }
        break;
      case Variant::Kind::Double:
        ASSERT_EQ(read.kind(), Variant::Kind::Double);
        if (engine().keepsFullDoubles) {
          EXPECT_EQ(read.AsDouble(), written.AsDouble());
        } else {
          EXPECT_NEAR(read.AsDouble(), written.AsDouble(), std::fabs(written.AsDouble()) * 1e-14);
        }
        break;
      case Variant::Kind::Bool:
        if (engine().hasBooleanType) {
          EXPECT_EQ(read.kind(), Variant::Kind::Bool);
        }
        EXPECT_EQ(read.AsBool(), written.AsBool());
        break;
      case Variant::Kind::String: {
        ASSERT_EQ(read.kind(), Variant::Kind::String);
        std::string s = read.Str();
        if (column == 12) s.erase(s.find_last_not_of(' ') + 1);  // char(5) pads
        EXPECT_TRUE(s == written.Str())
            << s.size() << " bytes read, " << written.Str().size() << " written";
        break;
      }
      case Variant::Kind::Bytes:
        ASSERT_EQ(read.kind(), Variant::Kind::Bytes);
        EXPECT_TRUE(read.Blob() == written.Blob()) << read.Blob().size() << " bytes read";
        break;
      default:
        EXPECT_EQ(read, written) << read.AsText();
    }
  }
  void ExpectRows(db::Fetch fetch) {
    auto rows = Rows();
    auto q = conn().CreateQuery();
    q->Open("select * from " + table_ + " order by id", {}, fetch);
    EXPECT_EQ(q->RecordCount(), fetch == db::Fetch::All ? 3 : -1);
    for (const auto& row : rows) {
      ASSERT_FALSE(q->Eof());
      for (size_t i = 0; i < row.size(); ++i) ExpectValue(i, row[i], q->Value(i));
      q->Next();
    }
    EXPECT_TRUE(q->Eof());
  }

  std::string table_;
};

TEST_P(OdbcRoundTrip, EveryCategorySurvivesAnAppenderAndReadsBackWhole) {
  Append(Rows());
  ExpectRows(db::Fetch::All);
  ExpectRows(db::Fetch::Stream);
}

TEST_P(OdbcRoundTrip, FieldsCarryAdoCodesAndCategories) {
  auto q = conn().CreateQuery();
  q->Open("select * from " + table_ + " where 1=2");
  const auto& f = q->Fields();
  ASSERT_EQ(f.size(), 15u);
  using Set = std::set<db::TFieldType>;
  const Set integer = engine().integersAre64Bit ? Set{db::ftLargeint} : Set{db::ftInteger};
  const std::vector<Set> expected = {
      integer,
      engine().integersAre64Bit ? Set{db::ftLargeint} : Set{db::ftSmallint},
      integer,
      {db::ftLargeint},
      {db::ftBCD},
      {db::ftBCD},
      {db::ftFloat},
      engine().hasBooleanType ? Set{db::ftBoolean} : Set{db::ftSmallint},
      {db::ftDate},
      {db::ftDateTime},
      {db::ftTime},
      {db::ftString, db::ftWideString},
      {db::ftFixedChar, db::ftWideString, db::ftString},
      {db::ftMemo},
      {db::ftBlob}};
  for (size_t i = 0; i < f.size(); ++i) {
    EXPECT_TRUE(expected[i].count(f[i].category))
        << f[i].name << " is " << db::FieldTypeName(f[i].category) << " (ADO " << f[i].adoType
        << ", " << f[i].typeName << ")";
  }
  EXPECT_EQ(f[0].name, "id");
  EXPECT_EQ(f[4].precision, 10);
  EXPECT_EQ(f[4].scale, 2);
  EXPECT_EQ(f[5].precision, 28);
  EXPECT_EQ(f[11].definedSize, 50);
  EXPECT_EQ(q->RecordCount(), 0);
  EXPECT_TRUE(q->Eof());
}

TEST_P(OdbcRoundTrip, ChineseNamesOfTablesAndColumnsSurvive) {
  const std::string table = UniqueTable("客户");
  RecreateTable(conn(), table, "编号 int primary key, 姓名 varchar(20)");
  auto app = conn().CreateAppender(table, 2);
  app->Append();
  app->SetField(0, 1);
  app->SetField(1, "李四");
  EXPECT_TRUE(app->Post().empty());
  EXPECT_TRUE(app->Flush().empty());
  auto q = conn().CreateQuery();
  q->Open("select 姓名 from " + table + " where 编号=?", {{Variant(1)}});
  ASSERT_EQ(q->Fields().size(), 1u);
  EXPECT_EQ(q->Fields()[0].name, "姓名");
  ASSERT_FALSE(q->Eof());
  EXPECT_EQ(q->Value(0).AsText(), "李四");
  bool listed = false;
  for (const auto& t : conn().SchemaTables()) listed |= t.TABLE_NAME == table;
  EXPECT_TRUE(listed);
  DropTable(conn(), table);
}

// Categories only some engines have: the columns, what is written, the category expected.
struct ExtraColumn {
  std::string ddl;
  Variant value;  // written by the appender; null: the column fills itself
  db::TFieldType category;
};

std::vector<ExtraColumn> ExtraColumns(const Engine& e) {
  const Variant self;
  switch (e.dbms) {
    case db::Dbms::PostgreSQL:
      return {{"g uuid", "A0EEBC99-9C0B-4EF8-BB6D-6BB9BD380A11", db::ftGuid},
              {"k serial primary key", self, db::ftAutoInc}};
    case db::Dbms::MariaDB:
      return {{"vb varbinary(16)", db::Bytes{0, 9, 255}, db::ftVarBytes},
              {"fb binary(4)", db::Bytes{1, 2, 3, 4}, db::ftBytes},
              {"w tinyint unsigned", 200, db::ftWord},
              {"k int auto_increment primary key", self, db::ftAutoInc}};
    default:
      // Every integer column of SQLite holds 64 bits, its rowid keys too.
      return {{"v int", 5, db::ftLargeint},
              {"k integer primary key autoincrement", self, db::ftLargeint}};
  }
}

TEST_P(OdbcRoundTrip, EngineSpecificCategoriesRoundTripToo) {
  auto columns = ExtraColumns(engine());
  std::string ddl;
  for (const auto& c : columns) ddl += (ddl.empty() ? "" : ", ") + c.ddl;
  const std::string table = UniqueTable("extra");
  RecreateTable(conn(), table, ddl);
  // The self-filling column comes last and is left out of the appender.
  auto app = conn().CreateAppender(table, columns.size() - 1);
  app->Append();
  for (size_t i = 0; i + 1 < columns.size(); ++i) app->SetField(i, columns[i].value);
  EXPECT_TRUE(app->Post().empty());
  EXPECT_TRUE(app->Flush().empty());
  auto q = conn().CreateQuery();
  q->Open("select * from " + table);
  ASSERT_EQ(q->Fields().size(), columns.size());
  ASSERT_EQ(q->RecordCount(), 1);
  for (size_t i = 0; i < columns.size(); ++i) {
    const auto& f = q->Fields()[i];
    EXPECT_EQ(f.category, columns[i].category)
        << f.name << " is " << db::FieldTypeName(f.category) << " (" << f.typeName << ")";
    if (columns[i].value.IsNull())
      EXPECT_EQ(q->Value(i).AsInt(), 1) << f.name;
    else
      EXPECT_EQ(q->Value(i).AsText(), columns[i].value.AsText()) << f.name;
  }
  DropTable(conn(), table);
}

MVQ_INSTANTIATE_ENGINE_TESTS(OdbcRoundTrip);

}  // namespace
}  // namespace mvq::test
