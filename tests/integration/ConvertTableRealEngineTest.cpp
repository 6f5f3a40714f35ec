// The custom direction end to end on real engines: a table is created and filled in every
// existing-table mode, and the target holds the source's rows value for value, with the
// run log line for line.
#include <gtest/gtest.h>

#include "engine/Gateways.h"
#include "engine/utConvertDb.h"
#include "gates/ado/UtdefAdo.h"
#include "support/CustomConvert.h"

namespace mvq::test {
namespace {

using Lines = std::vector<std::string>;

class CustomDirection : public CustomConvertTest {
 protected:
  // The log lines written since the last call.
  Lines NewLines() {
    Lines all = LogLines();
    Lines fresh(all.begin() + static_cast<std::ptrdiff_t>(std::min(seen_, all.size())), all.end());
    seen_ = all.size();
    return fresh;
  }

  // The source table of the test: the Access fixture's Users, or the standard table.
  std::string SourceTable() {
    if (from.dbms == db::Dbms::Access) return "Users";
    std::string t = Table();
    CreateSource(t, StandardRows());
    return t;
  }

  int SourceCount(const std::string& table) {
    return static_cast<int>(ReadRows(Src(), table).size());
  }

 private:
  size_t seen_ = 0;
};

TEST_P(CustomDirection, AnAbsentTableIsCreatedAndFilledInEveryMode) {
  std::string t = SourceTable();
  const int n = SourceCount(t);
  ASSERT_GT(n, 0);
  OpenGates();
  for (auto mode : {tmSkipExisting, tmDeleteRecords, tmDropTable}) {
    SCOPED_TRACE("mode " + std::to_string(mode));
    DropTable(Dst(), t);
    ConvertTable(t, mode);
    EXPECT_EQ(NewLines(), WithNotes(t, Lines{"", "创建成功:表" + t, Complete(t, n, n)}));
    ExpectSameRows(t);
  }
  EXPECT_TRUE(messages.empty()) << testing::PrintToString(messages);
}

TEST_P(CustomDirection, APresentTableIsSkippedEmptiedOrDroppedAsTheModeSays) {
  std::string t = SourceTable();
  const int n = SourceCount(t);
  OpenGates();
  ConvertTable(t, tmSkipExisting);
  EXPECT_EQ(NewLines(), WithNotes(t, Lines{"", "创建成功:表" + t, Complete(t, n, n)}));

  // Skipped: the target keeps what it holds, a row of its own included.
  Insert(Dst(), t, {{db::Variant(999), db::Variant("多余的行")}});
  ConvertTable(t, tmSkipExisting);
  EXPECT_EQ(NewLines(), (Lines{"", "导出失败：因表" + t + "已存在，不再导入"}));
  EXPECT_EQ(ReadRows(Dst(), t).size(), static_cast<size_t>(n + 1));

  // Emptied: the foreign row goes, the source's rows are there once.
  ConvertTable(t, tmDeleteRecords);
  EXPECT_EQ(NewLines(), (Lines{"", "删除成功：表" + t, Complete(t, n, n)}));
  ExpectSameRows(t);

  // Dropped: a table of another shape is replaced by one of the source's.
  CreateTarget(t, "id integer, other varchar(10)");
  Insert(Dst(), t, {{db::Variant(999), db::Variant("旧")}});
  ConvertTable(t, tmDropTable);
  EXPECT_EQ(NewLines(),
            WithNotes(t, Lines{"", "删除成功：表" + t, "创建成功:表" + t, Complete(t, n, n)}));
  ExpectSameRows(t);
}

TEST_P(CustomDirection, ACancelConfirmedMidTableKeepsTheRowsWrittenSoFar) {
  std::string t = SourceTable();
  const int n = SourceCount(t);
  // The click comes in the pump of step k; the step after it reports the cancel, so the
  // row copied in between is the last one.
  const int k = n / 2;
  progress.onStep = [k](int step) {
    if (step == k) ProgressCancelClicked();
  };
  OpenGates();
  ConvertTable(t, tmSkipExisting);
  EXPECT_EQ(LogLines(), WithNotes(t, Lines{"", "创建成功:表" + t, Partial(t, n, k + 1)}));
  EXPECT_EQ(progress.asked.size(), 1u);
  EXPECT_TRUE(GetProgressState().cancelled);
  EXPECT_FALSE(GetProgressState().windowOpen);

  auto source = ReadRows(Src(), t);
  auto target = ReadRows(Dst(), t);
  ASSERT_EQ(target.size(), static_cast<size_t>(k + 1));
  for (size_t r = 0; r < target.size(); ++r)
    EXPECT_EQ(RowDifference(source[r], target[r], from, to), "") << "row " << r;
}

INSTANTIATE_TEST_SUITE_P(Pairs, CustomDirection,
                         ::testing::Values(ConvertPair{"SQLite", "PostgreSQL"},
                                           ConvertPair{"PostgreSQL", "MariaDB"},
                                           ConvertPair{"MariaDB", "SQLite"},
                                           ConvertPair{"Access", "SQLite"}),
                         PairName);

}  // namespace
}  // namespace mvq::test
