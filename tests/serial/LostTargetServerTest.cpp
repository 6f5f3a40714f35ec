// The target server stopped as by a crash in the middle of a copy. It runs on its own: the
// server it stops is the one every other test shares, and it is started again afterwards.
#include <gtest/gtest.h>

#include <chrono>

#include "engine/Gateways.h"
#include "engine/utConvertDb.h"
#include "gates/ado/UtdefAdo.h"
#include "support/CustomConvert.h"

namespace mvq::test {
namespace {

using Lines = std::vector<std::string>;

class LostTargetServer : public CustomConvertTest {
 protected:
  void SetUp() override {
    CustomConvertTest::SetUp();
    if (HasFatalFailure() || IsSkipped()) return;
    if (auto missing = PostgresControlMissing(); !missing.empty()) MVQ_SKIP_OR_FAIL(missing);
  }
  void TearDown() override {
    // Whatever happened, the other tests get their server back.
    if (killed_) {
      EXPECT_TRUE(Restart()) << "the shared PostgreSQL server did not start again";
    }
    CustomConvertTest::TearDown();
  }
  void Kill() {
    killed_ = true;
    EXPECT_TRUE(KillPostgres());
  }
  bool Restart() {
    if (!StartPostgres()) return false;
    killed_ = false;
    try {
      ReconnectTarget();
    } catch (const db::DbError& e) {
      ADD_FAILURE() << "no connection after the restart: " << e.what();
    }
    return true;
  }

 private:
  bool killed_ = false;
};

TEST_P(LostTargetServer, TheRunEndsWithOneErrorAfterTheReportAndEarlierTablesStay) {
  const std::string done = Table("done"), lost = Table("lost");
  CreateSource(done, StandardRows(5));
  RecreateTable(Src(), lost, "id integer primary key, name varchar(30)");
  const int total = 30000;
  std::vector<Row> rows;
  for (int i = 1; i <= total; ++i) rows.push_back({i, "第" + std::to_string(i) + "行"});
  Insert(Src(), lost, rows);
  OpenGates();

  ConvertTable(done, tmSkipExisting);
  progress.onStep = [this](int step) {
    if (step == 5000) Kill();
  };
  auto started = std::chrono::steady_clock::now();
  int errors = 0;
  std::string what;
  try {
    ConvertTable(lost, tmSkipExisting);
  } catch (const std::exception& e) {
    ++errors;
    what = e.what();
  }
  auto seconds =
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started)
          .count();
  EXPECT_EQ(errors, 1);
  EXPECT_FALSE(what.empty());
  EXPECT_LT(seconds, 60) << "the copy must give up at once, not row by row";
  ASSERT_TRUE(Restart());

  // Nothing of the lost table was committed: its report says so, with no line per row.
  EXPECT_EQ(LogLines(), (Lines{"", "创建成功:表" + done, Complete(done, 5, 5), "",
                               "创建成功:表" + lost, Partial(lost, total, 0)}));
  EXPECT_FALSE(GetProgressState().windowOpen);

  ExpectSameRows(done);
  EXPECT_TRUE(ReadRows(Dst(), lost).empty()) << "the one transaction of the copy is gone";
}

INSTANTIATE_TEST_SUITE_P(Pairs, LostTargetServer,
                         ::testing::Values(ConvertPair{"SQLite", "PostgreSQL"}), PairName);

}  // namespace
}  // namespace mvq::test
