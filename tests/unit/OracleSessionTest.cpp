// The Oracle session pieces: driver choice, connect string, and TStoreProOCI's call.
#include "gates/oracle/UtStoreProOCI.h"
#include "platform/oracle/OraConnectString.h"
#include "unit/OracleFixture.h"

namespace mvq::test {

using Calls = std::vector<std::string>;

TEST(OracleConnectString, DescriptorCarriesHostPortAndSidOrService) {
  ora::ConnectSettings s{"10.0.0.5", "1521", "ORCL", "scott", "tiger", "", false};
  EXPECT_EQ(ora::BuildConnectString(s, "Oracle 21 ODBC driver"),
            "DRIVER={Oracle 21 ODBC driver};DBQ=(DESCRIPTION=(ADDRESS=(PROTOCOL=TCP)"
            "(HOST=10.0.0.5)(PORT=1521))(CONNECT_DATA=(SID=ORCL)));UID=scott;PWD=tiger");
  s.serviceName = true;
  s.sid = "FREEPDB1";
  EXPECT_EQ(ora::ConnectDescriptor(s),
            "(DESCRIPTION=(ADDRESS=(PROTOCOL=TCP)(HOST=10.0.0.5)(PORT=1521))"
            "(CONNECT_DATA=(SERVICE_NAME=FREEPDB1)))");
}

TEST(OracleConnectString, ValuesThatWouldEndTheirAttributeAreBraced) {
  EXPECT_EQ(ora::QuoteAttribute("tiger"), "tiger");
  EXPECT_EQ(ora::QuoteAttribute("a;PWD=x"), "{a;PWD=x}");
  EXPECT_EQ(ora::QuoteAttribute("p}w{"), "{p}}w{}");
  EXPECT_EQ(ora::QuoteAttribute(" pw"), "{ pw}");
  EXPECT_EQ(ora::QuoteAttribute(""), "");
  ora::ConnectSettings s{"h", "1", "S", "u;x", "", "", false};
  EXPECT_EQ(ora::BuildConnectString(s, "Ora}cle"),
            "DRIVER={Ora}}cle};DBQ=(DESCRIPTION=(ADDRESS=(PROTOCOL=TCP)(HOST=h)(PORT=1))"
            "(CONNECT_DATA=(SID=S)));UID={u;x};PWD=");
}

TEST(OracleDrivers, TheFirstDriverNamedLikeOracleIsChosen) {
  auto saved = ora::SetDriverLister([] {
    return std::vector<std::string>{"SQLite3", "PostgreSQL Unicode", "ORACLE in OraClient19",
                                    "Oracle 21 ODBC driver"};
  });
  EXPECT_EQ(ora::FindOracleDriver(), "ORACLE in OraClient19");
  ora::SetDriverLister([] { return std::vector<std::string>{"SQLite3", "MDBTools"}; });
  EXPECT_EQ(ora::FindOracleDriver(), std::nullopt);
  ora::SetDriverLister(std::move(saved));
}

TEST_F(OracleTest, StoredFunctionResultComesBackWholeFromAFreshCallEachTime) {
  auto gate = Connected();
  std::string longText = "create Table [emp] (";
  while (longText.size() < 5000)
    longText += "\r\n[COL" + std::to_string(longText.size()) + "] long,";
  longText += "\r\n[中文列] memo)";
  Ora().On("call: getMdbCreateSql").Rows({{"RESULT", db::adLongVarWChar}}, {{longText}}).Times(1);
  Ora().On("call: getMdbCreateSql").Rows({{"RESULT", db::adLongVarWChar}}, {{"错误"}});
  TStoreProOCI proc(*gate);
  EXPECT_EQ(proc.GetCreateTableSql("emp"), longText);
  EXPECT_EQ(proc.CallStringFunction("getMdbCreateSql", "tableName", "Dept"), "错误");
  EXPECT_EQ(Ora().calls,
            (Calls{"call: getMdbCreateSql ['emp']", "call: getMdbCreateSql ['Dept']"}));
}

TEST_F(OracleTest, StoredFunctionErrorsReachTheCaller) {
  auto gate = Connected();
  Ora()
      .On("call: getMdbCreateSql")
      .Fails(
          "ORA-06550: line 1, column 7: PLS-00201: identifier 'GETMDBCREATESQL' must be "
          "declared")
      .Times(1);
  TStoreProOCI proc(*gate);
  try {
    proc.GetCreateTableSql("EMP");
    FAIL() << "a missing function must raise";
  } catch (const db::DbError& e) {
    EXPECT_EQ(e.DriverMessage().rfind("ORA-06550", 0), 0u);
  }
  EXPECT_EQ(proc.GetCreateTableSql("EMP"), "") << "the next call runs on its own";
  EXPECT_TRUE(LogLines().empty()) << "the caller decides what to log";

  Ora().openError = db::DbError("ORA-01017: invalid username/password; logon denied");
  auto offline = Connect();
  TStoreProOCI none(*offline);
  EXPECT_THROW(none.GetCreateTableSql("EMP"), db::DbError);
}

}  // namespace mvq::test
