#pragma once
// EMP on a scripted Oracle or SQL Server source, as directions 2 and 4 read it, and the
// checks that its three rows reached an Access file: both readers and our checker.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/jet/JetChecker.h"
#include "platform/oracle/OraDrivers.h"
#include "support/AccessReadBack.h"
#include "support/Messages.h"
#include "support/ScriptedConnection.h"

namespace mvq::test {

// For its life: scripted Oracle and SQL Server connections beside real Access files, an
// Oracle driver to connect with, and a tick count that stands still.
class IntoAccessWorld {
 public:
  IntoAccessWorld()
      : world(ScriptedWorld::Install(true)), savedLister_(ora::SetDriverLister([] {
          return std::vector<std::string>{"Oracle 21 ODBC driver"};
        })) {
    SetTickSource([] { return 1000u; });
  }
  ~IntoAccessWorld() {
    SetTickSource({});
    ora::SetDriverLister(std::move(savedLister_));
  }
  std::shared_ptr<ScriptedWorld> world;

 private:
  ora::DriverLister savedLister_;
};

// What the source answers for EMP: its count, its rows paged as the source's dialect pages
// them, and the create text the server's function gives.
inline void ScriptEmp(Script& s, bool oracle) {
  // A Chinese name, a NULL row and a date before 1900.
  const std::vector<std::vector<db::Variant>> rows = {
      {int64_t(1), "张三", db::DateTime{{1988, 8, 8}, {10, 30, 0}, 0}},
      {int64_t(2), db::Variant(), db::Variant()},
      {int64_t(3), "O'Brien", db::DateTime{{1890, 1, 2}, {0, 0, 0}, 0}}};
  static const char* const kCreate =
      "create Table [EMP] (\r\n  [ID] integer not null ,\r\n  [NAME] varchar(20),\r\n"
      "  [BORN] date,\r\n  primary key ([ID]))\r\n";
  const std::vector<Column> columns = {
      {"ID", db::adInteger}, {"NAME", db::adVarWChar, 20}, {"BORN", db::adDBTimeStamp}};
  s.On("select count(*) from EMP").Rows({{"n", db::adInteger}}, {{int64_t(rows.size())}});
  s.On("select * from EMP").Rows(columns, rows);
  if (oracle) {
    s.On("select * from EMP where rownum<65536").Rows(columns, rows);
    s.On("call: getMdbCreateSql").Rows({{"r"}}, {{kCreate}});
  } else {
    s.primaryKeys = {{"", "dbo", "EMP", "ID", 1}};
    s.On("select top 65535 * from [EMP] order by [ID]").Rows(columns, rows);
    s.On("call: gettablesql").Rows({{"r"}}, {{kCreate}});
  }
}

// EMP in the file holds the three rows with its key, as MDBTools and mdb-reader read it, and the
// file's pages and indexes agree.
inline void ExpectEmpInAccess(const std::string& mdb) {
  EXPECT_EQ(MdbExport(mdb, "EMP"),
            "ID,NAME,BORN\n1,\"张三\",\"1988-08-08 10:30:00\"\n2,,\n3,\"O'Brien\",\"1900-01-00 "
            "00:00:00\"\n");
  EXPECT_NE(MdbSchema(mdb, "EMP").find("PRIMARY KEY"), std::string::npos) << MdbSchema(mdb, "EMP");
  EXPECT_NE(Shell("echo \"select NAME from EMP where ID = 1\" | mdb-sql -HFP " + Quoted(mdb))
                .find("张三\n"),
            std::string::npos);
  JsDump js = ReadWithJs(mdb, {"EMP"});
  EXPECT_EQ(js.counts["EMP"], std::make_pair(3L, 3L));
  using Lines = std::vector<std::string>;
  EXPECT_EQ(js.Rows("EMP"), (std::vector<Lines>{{"1", "张三", "1988-08-08T10:30:00.000Z"},
                                                {"2", "NULL", "NULL"},
                                                {"3", "O'Brien", "1890-01-02T00:00:00.000Z"}}));
  jet::CheckReport report = jet::CheckFile(mdb);
  EXPECT_TRUE(report.problems.empty()) << ::testing::PrintToString(report.problems);
}

}  // namespace mvq::test
