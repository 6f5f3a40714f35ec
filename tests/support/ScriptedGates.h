#pragma once
// The per-table pipeline over scripted gates: the connection strings of the scripted Oracle,
// SQL Server and Access ends, and a fixture that installs the scripted world, a fixed tick
// counter and an Oracle driver, and releases every gate after the test.
#include <memory>
#include <string>
#include <vector>

#include "engine/Gateways.h"
#include "gates/ado/UtdefAdo.h"
#include "gates/ado/utAdopub.h"
#include "gates/ado/utSQLConnection.h"
#include "gates/oracle/utconnection.h"
#include "platform/oracle/OraDrivers.h"
#include "support/Messages.h"
#include "support/RunLogCapture.h"
#include "support/ScriptedConnection.h"
#include "support/utProgress.h"

namespace mvq::test {

inline constexpr const char* kMdbCs =
    "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=x.mdb;Persist Security Info=True";
inline constexpr const char* kSqlCs = "Provider=SQLOLEDB.1;Data Source=sql";
// What the Oracle gate connects with for db1:1521/ORCL as scott.
inline constexpr const char* kOracleCs =
    "DRIVER={Oracle 21 ODBC driver};DBQ=(DESCRIPTION=(ADDRESS=(PROTOCOL=TCP)(HOST=db1)"
    "(PORT=1521))(CONNECT_DATA=(SID=ORCL)));UID=scott;PWD=tiger";

class ScriptedGatesTest : public RunLogCapture {
  // Public, so that table-driven cases can change the fixture.
 public:
  void SetUp() override {
    RunLogCapture::SetUp();
    world = ScriptedWorld::Install();
    savedLister_ =
        ora::SetDriverLister([] { return std::vector<std::string>{"Oracle 21 ODBC driver"}; });
    SetTickSource([] { return 1000u; });
    ProgressReset();
  }
  void TearDown() override {
    OracleGate.reset();
    MdbGate.reset();
    SqlGate.reset();
    CustomSourceGate.reset();
    CustomTargetGate.reset();
    SetTickSource({});
    ora::SetDriverLister(std::move(savedLister_));
    world.reset();
    RunLogCapture::TearDown();
  }

  Script& Ora() { return world->ScriptFor(kOracleCs); }
  Script& Sql() { return world->ScriptFor(kSqlCs); }
  Script& Mdb() { return world->ScriptFor(kMdbCs); }

  // Each opens its gate and forgets the statements connecting sent.
  void OpenOracle() {
    OracleGate = TComDBConn::ConnectOracle("db1", "ORCL", "scott", "tiger", "1521", "", "");
    Ora().calls.clear();
  }
  void OpenSql() {
    SqlGate = std::make_unique<TSQLComDBConn>(kSqlCs);
    Sql().calls.clear();
  }
  void OpenMdb() {
    MdbGate = std::make_unique<TMDBDataGate>("x.mdb");
    Mdb().calls.clear();
  }

  std::shared_ptr<ScriptedWorld> world;

 private:
  ora::DriverLister savedLister_;
};

}  // namespace mvq::test
