// ConvertTable in the custom direction from SQLite into PostgreSQL, once by COPY and once by
// parameter arrays: the same run-log lines (report, refused rows with their messages) and
// the same rows in the target.
#include <gtest/gtest.h>

#include "engine/Gateways.h"
#include "engine/utConvertDb.h"
#include "gates/ado/UtdefAdo.h"
#include "platform/odbc/OdbcConnection.h"
#include "support/CurrentDirection.h"
#include "support/Engines.h"
#include "support/Messages.h"
#include "support/RunLogCapture.h"
#include "support/VariantPrint.h"
#include "support/utProgress.h"

namespace mvq::test {
namespace {

using db::Variant;

class PgCopyConvert : public RunLogCapture {
 protected:
  void SetUp() override {
    RunLogCapture::SetUp();
    pg_ = AllEngines()[1];
    if (pg_.connectionString.empty()) MVQ_SKIP_OR_FAIL(pg_.missingReason);
    SetTickSource([] { return 1000u; });
    ProgressReset();
    source_ = "DRIVER=SQLite3;Database=" + dir_.File("source.db");
  }
  void TearDown() override {
    CustomSourceGate.reset();
    CustomTargetGate.reset();
    db::SetBulkAppends(true);
    db::SetAppenderBatchRows(0);
    SetTickSource({});
    RunLogCapture::TearDown();
  }
  std::vector<std::vector<Variant>> TargetRows(const std::string& table) {
    auto conn = db::NewConnection();
    conn->Open(pg_.connectionString);
    auto q = conn->CreateQuery();
    q->Open("select * from " + table + " order by id");
    std::vector<std::vector<Variant>> rows;
    for (; !q->Eof(); q->Next()) {
      std::vector<Variant> row;
      for (size_t i = 0; i < q->Fields().size(); ++i) row.push_back(q->Value(i));
      rows.push_back(row);
    }
    return rows;
  }

  Engine pg_;
  TempDir dir_;
  std::string source_;
};

TEST_F(PgCopyConvert, RefusedRowsAndTheRestAreLoggedAndWrittenAsByParameterArrays) {
  const std::string t = UniqueTable("pgcopy_conv");
  {
    // The source has no key: a key twice, a name too long, nulls, Chinese text.
    auto src = db::NewConnection();
    src->Open(source_);
    src->Execute("create table " + t +
                 " (id int, name varchar(40), amount numeric(12,2), created timestamp, "
                 "note text)");
    src->BeginTrans();
    auto app = src->CreateAppender(t, 5);
    for (int i = 1; i <= 2500; ++i) {
      app->Append();
      app->SetField(0, i == 1700 ? 17 : i);
      app->SetField(1, i % 977 == 0 ? std::string(30, 'x') : "客户" + std::to_string(i));
      if (i % 5) app->SetField(2, db::Decimal{std::to_string(i) + ".25"});
      if (i % 7) app->SetField(3, db::DateTime{{2024, 5, 6}, {7, 8, 9}, 123000000});
      app->SetField(4, i % 3 ? Variant("备注\t" + std::to_string(i)) : Variant());
      EXPECT_TRUE(app->Post().empty());
    }
    EXPECT_TRUE(app->Flush().empty());
    app.reset();
    src->CommitTrans();
  }
  std::vector<std::string> lines[2];
  std::vector<std::vector<Variant>> rows[2];
  for (int bulk = 0; bulk < 2; ++bulk) {
    db::SetBulkAppends(bulk == 1);
    db::SetAppenderBatchRows(bulk == 1 ? 600 : 0);
    CustomSourceGate = std::make_unique<TADOConn>(source_);
    CustomTargetGate = std::make_unique<TADOConn>(pg_.connectionString);
    ASSERT_TRUE(CustomSourceGate->IsConnected() && CustomTargetGate->IsConnected());
    CustomTargetGate->ExecuteSql("drop table if exists " + t);
    ASSERT_EQ(CustomTargetGate->ExecuteSql(
                  "create table " + t +
                  " (id int primary key, name varchar(20), amount numeric(12,2), created "
                  "timestamp, note text)"),
              0);
    CurrentDirection = 9;
    size_t before = LogLines().size();
    ConvertTable(t, tmDeleteRecords);
    auto all = LogLines();
    lines[bulk].assign(all.begin() + static_cast<std::ptrdiff_t>(before), all.end());
    CustomSourceGate.reset();
    CustomTargetGate.reset();
    rows[bulk] = TargetRows(t);
  }
  EXPECT_EQ(lines[1], lines[0]);
  EXPECT_EQ(rows[1], rows[0]);
  // Three rows refused: names too long (977, 1954) around a key twice (17 at row 1700).
  ASSERT_EQ(lines[1].size(), 6u);
  EXPECT_EQ(lines[1][2].rfind("失败-----------因ERROR: value too long", 0), 0u) << lines[1][2];
  EXPECT_NE(lines[1][3].find("duplicate key"), std::string::npos) << lines[1][3];
  EXPECT_NE(lines[1][3].find("第一个字段值为17"), std::string::npos) << lines[1][3];
  EXPECT_EQ(lines[1][5],
            "导出部分成功:表" + t + "，总的记录数2500,导出数据2497条，部分完成,用时0ms");
  EXPECT_EQ(rows[1].size(), 2497u);
  auto conn = db::NewConnection();
  conn->Open(pg_.connectionString);
  DropTable(*conn, t);
}

}  // namespace
}  // namespace mvq::test
