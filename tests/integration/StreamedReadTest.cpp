// Streamed and whole reads of long values on each engine: values read in pieces come back
// whole.
#include <gtest/gtest.h>

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
  std::vector<std::string> tables_;
};

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
