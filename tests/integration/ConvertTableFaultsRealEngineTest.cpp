// The custom direction on real engines when rows or tables go wrong: a duplicate key, a value
// too long for its column, an empty table, a CREATE the target refuses. Each refused row
// gets its line and never takes the rows after it down.
#include <gtest/gtest.h>

#include "engine/Gateways.h"
#include "engine/utConvertDb.h"
#include "gates/ado/UtdefAdo.h"
#include "support/CustomConvert.h"

namespace mvq::test {
namespace {

using Lines = std::vector<std::string>;

bool StartsWith(const std::string& s, const std::string& prefix) {
  return s.rfind(prefix, 0) == 0;
}
bool EndsWith(const std::string& s, const std::string& suffix) {
  return s.size() >= suffix.size() &&
         s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The line of a row the target refused, whatever the engine's words.
::testing::AssertionResult IsRowFailure(const std::string& line, const std::string& firstField) {
  if (StartsWith(line, "失败-----------因") &&
      EndsWith(line, ":无法写,第一个字段值为" + firstField))
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "not the failure line of row " << firstField << ": " << line;
}

class CustomDirectionFaults : public CustomConvertTest {
 protected:
  // Makes the target refuse "create table t" while no table or view of that name exists.
  void BlockCreate(const std::string& t) {
    if (to.dbms == db::Dbms::MariaDB) {
      // A sequence shares the tables' names, and is neither a table nor a view.
      Dst().Execute("create sequence " + t);
      return;
    }
    // SQLite and PostgreSQL: indexes and tables share one name space.
    std::string holder = Table("ix");
    CreateTarget(holder, "x integer");
    Dst().Execute("create index " + t + " on " + holder + " (x)");
  }
};

TEST_P(CustomDirectionFaults, ADuplicateKeyMidTableLosesOnlyThatRow) {
  std::string t = Table();
  auto rows = StandardRows(10);
  auto twin = rows[4];  // id 5, with a text of its own
  twin[1] = db::Variant("重复的键");
  rows.insert(rows.begin() + 5, twin);
  CreateSource(t, rows, false);
  CreateTarget(t, StandardColumns(to, true));
  OpenGates();

  ConvertTable(t, tmDeleteRecords);
  auto lines = LogLines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "");
  EXPECT_EQ(lines[1], "删除成功：表" + t);
  EXPECT_TRUE(IsRowFailure(lines[2], "5"));
  EXPECT_EQ(lines[3], Partial(t, 11, 10));

  auto source = ReadRows(Src(), t);
  auto target = ReadRows(Dst(), t);
  ASSERT_EQ(source.size(), 11u);
  source.erase(source.begin() + 5);  // the second row of id 5, in the order it was read
  ASSERT_EQ(target.size(), 10u);
  for (size_t r = 0; r < target.size(); ++r)
    EXPECT_EQ(RowDifference(source[r], target[r], from, to), "") << "row " << r;
  EXPECT_EQ(target[4][1].AsText(), "用户5");
}

TEST_P(CustomDirectionFaults, AValueTooLongForItsColumnLosesOnlyThatRowWhereLengthsHold) {
  std::string t = Table();
  auto rows = StandardRows(6);
  for (auto& row : rows) row[1] = db::Variant("名" + row[0].AsText());
  rows[3][1] = db::Variant("这个名字太长了");  // 7 characters into 5
  CreateSource(t, rows);
  std::string columns = StandardColumns(to, false);
  columns.replace(columns.find("varchar(30)"), 11, "varchar(5)");
  CreateTarget(t, columns);
  OpenGates();

  ConvertTable(t, tmDeleteRecords);
  auto lines = LogLines();
  auto target = ReadRows(Dst(), t);
  if (to.enforcesLengths) {
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_TRUE(IsRowFailure(lines[2], "4"));
    EXPECT_EQ(lines[3], Partial(t, 6, 5));
    ASSERT_EQ(target.size(), 5u);
    EXPECT_EQ(target[3][0].AsInt(), 5);
  } else {
    EXPECT_EQ(lines, (Lines{"", "删除成功：表" + t, Complete(t, 6, 6)}));
    ASSERT_EQ(target.size(), 6u);
    EXPECT_EQ(target[3][1].AsText(), "这个名字太长了") << "kept whole, never cut";
  }
}

TEST_P(CustomDirectionFaults, AnEmptyTableIsCreatedAndReportedComplete) {
  std::string t = Table();
  CreateSource(t, {});
  OpenGates();
  ConvertTable(t, tmSkipExisting);
  EXPECT_EQ(LogLines(), WithNotes(t, Lines{"", "创建成功:表" + t, Complete(t, 0, 0)}));
  EXPECT_TRUE(CustomTargetGate->TableExists(t));
  EXPECT_TRUE(ReadRows(Dst(), t).empty());
  EXPECT_EQ(progress.steps, 0) << "no progress bar for no rows";
  EXPECT_FALSE(CustomTargetGate->InTransaction());
}

TEST_P(CustomDirectionFaults, ACreateTheTargetRefusesFailsEveryRowAndReportsZero) {
  std::string t = Table();
  CreateSource(t, StandardRows(5));
  BlockCreate(t);
  OpenGates();
  ConvertTable(t, tmSkipExisting);

  auto lines = LogLines();
  // The lines naming what the target's types do not keep come before the statement.
  const size_t notes = WithNotes(t, {"创建成功:表" + t}).size() - 1;
  ASSERT_GE(lines.size(), 8u + notes);
  EXPECT_EQ(lines[0], "");
  const std::string& refused = lines[1 + notes];
  EXPECT_TRUE(StartsWith(refused, "失败-----------因")) << refused;
  EXPECT_NE(refused.find(":无法执行create table "), std::string::npos) << refused;
  EXPECT_NE(refused.find(t), std::string::npos) << refused;
  for (const auto& line : lines) EXPECT_NE(line, "创建成功:表" + t);
  // The gate may also log that the table does not open; then one line per row.
  Lines rowLines(lines.end() - 6, lines.end() - 1);
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(IsRowFailure(rowLines[i], std::to_string(i + 1)));
  EXPECT_EQ(lines.back(), Partial(t, 5, 0));
  EXPECT_LE(lines.size(), 9u + notes);
  EXPECT_FALSE(CustomTargetGate->InTransaction());
}

INSTANTIATE_TEST_SUITE_P(Pairs, CustomDirectionFaults, ::testing::ValuesIn(kEnginePairs), PairName);

}  // namespace
}  // namespace mvq::test
