// Tables larger than a page on real engines: every row arrives, and the heap stays near
// one page's worth whatever the table's size, through the custom copy and through the
// paged copy between two ADO gates.
#include <gtest/gtest.h>

#include <malloc.h>

#include <algorithm>

#include "engine/Gateways.h"
#include "engine/RowCopy.h"
#include "engine/utConvertDb.h"
#include "gates/ado/UtdefAdo.h"
#include "support/CustomConvert.h"

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer's own count (its header does not ship with GCC here).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace mvq::test {
namespace {

using Lines = std::vector<std::string>;

// Bytes the program holds on its heap now.
size_t LiveHeapBytes() {
#if defined(__SANITIZE_ADDRESS__)
  return __sanitizer_get_current_allocated_bytes();
#else
  struct mallinfo2 m = mallinfo2();
  return m.uordblks + m.hblkhd;
#endif
}

constexpr int kRows = 70000;  // more than a page of 65,535
// A kilobyte of text per row: about 70 MB for the table, 140 MB as UTF-16.
const std::string kNote = [] {
  std::string s;
  while (s.size() < 1000) s += "一页之外的行 row beyond a page ";
  return s;
}();

class LargeTable : public CustomConvertTest {
 protected:
  void SetUp() override {
    CustomConvertTest::SetUp();
    if (HasFatalFailure() || IsSkipped()) return;
    table = Table("big");
    RecreateTable(Src(), table, "id integer primary key, note " + SqlType(from, "text"));
    {
      std::vector<Row> rows;
      rows.reserve(kRows);
      for (int i = 1; i <= kRows; ++i) rows.push_back({i, std::to_string(i) + kNote});
      Insert(Src(), table, rows);
    }
    // The heap the copy starts from, sampled at every thousandth progress step.
    baseline = LiveHeapBytes();
    progress.onStep = [this](int step) {
      if (step % 1000 == 0) peak = std::max(peak, LiveHeapBytes());
    };
  }

  // Every source row arrived once, with its text whole.
  void ExpectEveryRow() {
    auto q = Dst().CreateQuery();
    q->Open("select count(*), count(distinct id), min(id), max(id) from " + table);
    EXPECT_EQ(q->Value(0).AsInt(), kRows);
    EXPECT_EQ(q->Value(1).AsInt(), kRows);
    EXPECT_EQ(q->Value(2).AsInt(), 1);
    EXPECT_EQ(q->Value(3).AsInt(), kRows);
    q->Open("select note from " + table + " where id = 65536");
    ASSERT_FALSE(q->Eof());
    EXPECT_EQ(q->Value(0).AsText(), "65536" + kNote);
  }

  // Holding the table would take far more than this; a page of batches takes far less.
  void ExpectBoundedHeap() {
    constexpr size_t kLimit = 48u << 20;
    ASSERT_GT(peak, 0u) << "no progress step was sampled";
    EXPECT_LT(peak > baseline ? peak - baseline : 0, kLimit)
        << "the heap grew by " << ((peak - baseline) >> 20) << " MB during the copy";
  }

  std::string table;
  size_t baseline = 0, peak = 0;
};

TEST_P(LargeTable, TheCustomCopyStreamsEveryRowInBoundedMemory) {
  OpenGates();
  ConvertTable(table, tmSkipExisting);
  EXPECT_EQ(LogLines(), (Lines{"", "创建成功:表" + table, Complete(table, kRows, kRows)}));
  ExpectEveryRow();
  ExpectBoundedHeap();
}

// The paged read runs its "top" statements only where the engine knows them; a keyed table
// elsewhere is streamed whole instead of failing at its first page.
TEST_P(LargeTable, ThePagedCopyReadsAKeyedTableWholeWhereTheEngineCannotPage) {
  OpenGates();
  CreateTarget(table, "id integer, note " + SqlType(to, "text"));
  TableOutcome outcome;
  CopyRowsAdoToAdo(*CustomSourceGate, *CustomTargetGate, table, outcome);
  EXPECT_EQ(LogLines(),
            (Lines{"因无法取得表" + table + "的主键,整表一次读取", Complete(table, kRows, kRows)}));
  ExpectEveryRow();
  ExpectBoundedHeap();
}

INSTANTIATE_TEST_SUITE_P(Pairs, LargeTable, ::testing::ValuesIn(kEnginePairs), PairName);

}  // namespace
}  // namespace mvq::test
