#pragma once
// Shared set-up of the Oracle gateway tests: the scripted connection, an installed driver
// list with an Oracle driver, and a run log in a temporary file read back line by line.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gates/oracle/utconnection.h"
#include "platform/oracle/OraDrivers.h"
#include "support/RunLogCapture.h"
#include "support/ScriptedConnection.h"
#include "support/TempDir.h"
#include "support/utLog.h"

namespace mvq::test {

inline const char* const kOracleCs =
    "DRIVER={Oracle 21 ODBC driver};DBQ=(DESCRIPTION=(ADDRESS=(PROTOCOL=TCP)(HOST=db1)"
    "(PORT=1521))(CONNECT_DATA=(SID=ORCL)));UID=scott;PWD=tiger";
inline const char* const kHostProbe = "query: select utl_inaddr.get_host_address from dual";
inline const char* const kNameProbe = "query: select name from v$database";

class OracleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    world_ = ScriptedWorld::Install();
    savedLister_ = ora::SetDriverLister([] {
      return std::vector<std::string>{"SQLite3", "Oracle 21 ODBC driver", "Oracle 19"};
    });
    temp_.emplace();
    log_ = temp_->File("run.log");
    savedLog_ = LogFileName;
    LogFileName = log_;
    SetLogClock([] {
      std::tm tm{};
      tm.tm_year = 124, tm.tm_mon = 4, tm.tm_mday = 6, tm.tm_hour = 7, tm.tm_min = 8, tm.tm_sec = 9;
      return tm;
    });
  }

  void TearDown() override {
    SetLogClock(nullptr);
    LogFileName = savedLog_;
    temp_.reset();
    ora::SetDriverLister(std::move(savedLister_));
  }

  Script& Ora() { return world_->ScriptFor(kOracleCs); }

  std::unique_ptr<TComDBConn> Connect(const std::string& script = "",
                                      const std::string& dropName = "") {
    return TComDBConn::ConnectOracle("db1", "ORCL", "scott", "tiger", "1521", script, dropName);
  }

  // A connected gate whose journal starts after the connect.
  std::unique_ptr<TComDBConn> Connected() {
    auto gate = Connect();
    EXPECT_TRUE(gate->IsConnected());
    Ora().calls.clear();
    return gate;
  }

  // The run log's lines without their time stamp.
  std::vector<std::string> LogLines() const { return ReadRunLog(log_, "2024.05.06 07:08:09 "); }

  std::shared_ptr<ScriptedWorld> world_;

 private:
  ora::DriverLister savedLister_;
  std::string savedLog_;
  std::optional<TempDir> temp_;
  std::string log_;
};

}  // namespace mvq::test
