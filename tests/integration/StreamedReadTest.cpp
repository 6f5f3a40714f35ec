// Streamed reads of whole tables on each engine: every row once, whatever way the layer
// bounds the driver's memory (MariaDB: ranges of the table's key, 20,000 rows each).
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "support/Engines.h"

namespace mvq::test {
namespace {

using db::Variant;

class StreamedRead : public EngineTest {
 protected:
  void TearDown() override {
    for (const auto& t : tables_) DropTable(conn(), t);
    EngineTest::TearDown();
  }
  std::string Table(const std::string& base, const std::string& columns) {
    std::string t = UniqueTable(base);
    RecreateTable(conn(), t, columns);
    tables_.push_back(t);
    return t;
  }
  void Fill(const std::string& table, int rows, const std::function<Variant(int)>& key) {
    conn().BeginTrans();
    auto app = conn().CreateAppender(table, 2);
    for (int i = 1; i <= rows; ++i) {
      app->Append();
      app->SetField(0, key(i));
      app->SetField(1, "值" + std::to_string(i));
      EXPECT_TRUE(app->Post().empty());
    }
    EXPECT_TRUE(app->Flush().empty());
    app.reset();
    conn().CommitTrans();
  }
  // Every row of a streamed "select * from" table: its second column's texts.
  std::vector<std::string> Stream(const std::string& sql) {
    auto q = conn().CreateQuery();
    q->Open(sql, {}, db::Fetch::Stream);
    EXPECT_EQ(q->Fields().size(), 2u);
    std::vector<std::string> names;
    for (; !q->Eof(); q->Next()) names.push_back(q->Value(1).AsText());
    return names;
  }
  static std::vector<std::string> Names(int rows) {
    std::vector<std::string> names;
    for (int i = 1; i <= rows; ++i) names.push_back("值" + std::to_string(i));
    std::sort(names.begin(), names.end());
    return names;
  }
  static std::vector<std::string> Sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
  }
  std::vector<std::string> tables_;
};

TEST_P(StreamedRead, AKeyedTableOfSeveralRangesComesWholeAndOnce) {
  // Two full ranges and a part, and a range boundary that falls on the last row.
  std::string t = Table("stream_int", "id int primary key, name varchar(20)");
  Fill(t, 45001, [](int i) { return Variant(i * 3); });
  auto names = Stream("select * from " + t);
  ASSERT_EQ(names.size(), 45001u);
  EXPECT_EQ(Sorted(names), Names(45001));
  EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), 45001u);

  std::string exact = Table("stream_exact", "id int primary key, name varchar(20)");
  Fill(exact, 40000, [](int i) { return Variant(i); });
  EXPECT_EQ(Sorted(Stream(" SELECT * FROM " + exact + " ;")), Names(40000));
}

TEST_P(StreamedRead, TextKeysAndTablesWithoutAOneColumnKey) {
  std::string text = Table("stream_text", "code varchar(20) primary key, name varchar(20)");
  Fill(text, 20005, [](int i) { return Variant("键" + std::to_string(i)); });
  EXPECT_EQ(Sorted(Stream("select * from " + text)), Names(20005));

  std::string none = Table("stream_nokey", "id int, name varchar(20)");
  Fill(none, 20003, [](int i) { return Variant(i % 7); });
  EXPECT_EQ(Sorted(Stream("select * from " + none)), Names(20003));

  // A statement that is not a plain whole-table read is run as written.
  auto filtered = Stream("select * from " + text + " where code like '键1%'");
  EXPECT_EQ(filtered.size(), 11111u);
}

// Values read in pieces (the first one small) come back whole however a piece ends inside a
// character.
TEST_P(StreamedRead, LongChineseTextsAcrossPieceBoundaries) {
  std::string t = Table("stream_pieces", "id int primary key, body " + SqlType("text"));
  std::vector<std::string> texts;
  for (int n : {1, 169, 170, 171, 172, 341, 2000, 21846, 40000}) {
    std::string s;
    for (int i = 0; i < n; ++i) s += i % 7 == 3 ? "a" : "这";
    texts.push_back(s);
    conn().Execute("insert into " + t + " values (?, ?)",
                   {{Variant(static_cast<int>(texts.size()))}, {Variant(s)}});
  }
  for (db::Fetch fetch : {db::Fetch::All, db::Fetch::Stream}) {
    auto q = conn().CreateQuery();
    q->Open("select body from " + t + " order by id", {}, fetch);
    for (const auto& expected : texts) {
      ASSERT_FALSE(q->Eof());
      EXPECT_EQ(q->Value(0).AsText(), expected) << expected.size() << " bytes";
      q->Next();
    }
    EXPECT_TRUE(q->Eof());
  }
}

MVQ_INSTANTIATE_ENGINE_TESTS(StreamedRead);

}  // namespace
}  // namespace mvq::test
