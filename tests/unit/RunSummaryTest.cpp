// The JSON summary scripts read: every field of the run and of each table, and text that
// always makes a valid document (quotes, control characters, bytes that are no UTF-8).
#include <gtest/gtest.h>

#include "shell/RunReport.h"
#include "shell/RunSummary.h"

namespace mvq {
namespace {

TEST(RunSummary, EveryFieldOfTheRunAndItsTables) {
  ExportRunReport run;
  run.direction = 9;
  run.logPath = "/logs/Mvq2026.03.07.log";
  run.started = run.connected = true;
  TableOutcome a;
  a.table = "people";
  a.existing = ExistingStep::Emptied;
  a.status = OutcomeStatus::Partial;
  a.rowsCounted = 3;
  a.rowsWritten = 2;
  a.rowsRefused = 1;
  a.ms = 15;
  a.firstError = "CHECK constraint failed";
  a.report = "导出部分成功:表people，总的记录数3,导出数据2条，部分完成,用时15ms";
  TableOutcome b;
  b.table = "later";
  run.tables = {a, b};

  const std::string json = RunSummaryJson(run, 1);
  const std::string start = json.substr(0, json.find(",\"run_log\""));
  EXPECT_EQ(start.rfind("{\"direction\":9,\"started\":\"", 0), 0u) << json;
  EXPECT_NE(json.find(",\"run_log\":\"/logs/Mvq2026.03.07.log\",\"workbook\":false,"
                      "\"connected\":true,\"cancelled\":false,\"error\":null,\"exit_code\":1,"),
            std::string::npos)
      << json;
  EXPECT_NE(json.find("\"tables\":[{\"table\":\"people\",\"status\":\"partial\",\"existing\":"
                      "\"emptied\",\"rows_counted\":3,\"rows_written\":2,\"rows_refused\":1,"
                      "\"sheets_written\":0,\"ms\":15,\"error\":\"CHECK constraint failed\","
                      "\"report\":\"" +
                      a.report + "\"},"),
            std::string::npos)
      << json;
  EXPECT_NE(json.find("{\"table\":\"later\",\"status\":\"not_reached\",\"existing\":\"none\","
                      "\"rows_counted\":0,\"rows_written\":0,\"rows_refused\":0,"
                      "\"sheets_written\":0,\"ms\":0,\"error\":null,\"report\":null}]}\n"),
            std::string::npos)
      << json;
  EXPECT_EQ(json.find("verify"), std::string::npos);

  run.tables[1].verify = VerifyResult{false, 3, 2, {"name"}, "2 of 3 rows"};
  EXPECT_NE(RunSummaryJson(run, 1).find(",\"verify\":{\"match\":false,\"source_rows\":3,"
                                        "\"target_rows\":2,\"columns_differing\":[\"name\"],"
                                        "\"detail\":\"2 of 3 rows\"}}"),
            std::string::npos);
}

TEST(RunSummary, TextIsEscapedAndBrokenUtf8BecomesTheReplacementCharacter) {
  ExportRunReport run;
  run.error = "a\"b\\c\r\n\x01";
  TableOutcome t;
  t.table = std::string("客户 表\xff\xe5\x80");  // a stray byte and a cut sequence
  run.tables = {t};
  const std::string json = RunSummaryJson(run, 4);
  EXPECT_NE(json.find("\"error\":\"a\\\"b\\\\c\\u000d\\u000a\\u0001\""), std::string::npos) << json;
  // One U+FFFD for the stray byte and one for the cut character.
  EXPECT_NE(json.find("\"table\":\"客户 表\xEF\xBF\xBD\xEF\xBF\xBD\""), std::string::npos) << json;
}

}  // namespace
}  // namespace mvq
