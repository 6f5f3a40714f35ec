// Opening connections: bad input of every kind, and Access files read through MDBTools.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "platform/odbc/OdbcConnection.h"
#include "support/Engines.h"

namespace mvq::test {
namespace {

// Opens text and returns the error it must raise; the connection must stay closed.
db::DbError OpenFails(const std::string& text) {
  auto conn = db::NewConnection();
  try {
    conn->Open(text);
  } catch (const db::DbError& e) {
    EXPECT_FALSE(conn->IsOpen());
    return e;
  }
  ADD_FAILURE() << "opened: " << text;
  return db::DbError("opened");
}

const Engine& EngineNamed(const std::string& name) {
  for (const auto& e : AllEngines())
    if (e.name == name) return e;
  throw std::logic_error("no engine " + name);
}

TEST(BadConnections, MalformedStringsNeverReachADriver) {
  for (const char* text : {"this is not a connection string", "DRIVER={SQLite3;Database=x",
                           "Provider=SQLOLEDB.1;Data Source=\"unclosed"}) {
    auto e = OpenFails(text);
    EXPECT_NE(std::string(e.what()).find("malformed"), std::string::npos) << text;
  }
}

TEST(BadConnections, UnknownDriversAndDataSourcesAreReportedWithTheirState) {
  auto e = OpenFails("DRIVER={No Such Driver 9};Database=x");
  EXPECT_FALSE(e.SqlState().empty());
  EXPECT_NE(e.DriverMessage().find("No Such Driver 9"), std::string::npos) << e.DriverMessage();
  e = OpenFails("DSN=mvq_no_such_dsn");
  EXPECT_EQ(e.SqlState(), "IM002");
  e = OpenFails("Provider=Acme.Data.1;Data Source=x");
  EXPECT_EQ(e.SqlState(), "IM002");
}

TEST(BadConnections, AClosedPortFailsWithinTheLoginTimeout) {
  for (const char* text :
       {"DRIVER={PostgreSQL Unicode};SERVER=127.0.0.1;PORT=1;DATABASE=x;UID=postgres;PWD=",
        "DRIVER={MariaDB Unicode};SERVER=127.0.0.1;PORT=1;DATABASE=x;UID=root;PWD="}) {
    auto start = std::chrono::steady_clock::now();
    auto e = OpenFails(text);
    auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, db::kLoginTimeoutSeconds) << text;
    EXPECT_FALSE(e.SqlState().empty()) << text;
    EXPECT_NE(e.NativeCode(), 0) << text;
  }
}

TEST(BadConnections, WrongCredentialsAreRefused) {
  const Engine& maria = EngineNamed("MariaDB");
  const Engine& pg = EngineNamed("PostgreSQL");
  if (maria.connectionString.empty()) MVQ_SKIP_OR_FAIL(maria.missingReason);
  if (pg.connectionString.empty()) MVQ_SKIP_OR_FAIL(pg.missingReason);
  auto e = OpenFails(maria.connectionString + ";PWD=wrong-password");
  EXPECT_EQ(e.SqlState(), "28000");
  EXPECT_EQ(e.NativeCode(), 1045);
  // The test server trusts every password: an unknown user is what it refuses.
  std::string text = pg.connectionString;
  text.replace(text.find("UID=postgres"), 12, "UID=mvq_nobody");
  e = OpenFails(text);
  EXPECT_NE(e.DriverMessage().find("mvq_nobody"), std::string::npos) << e.DriverMessage();
}

TEST(BadConnections, AFailedOpenLeavesAConnectionThatOpensLater) {
  TempDir dir;
  auto conn = db::NewConnection();
  EXPECT_THROW(conn->Open("DRIVER=SQLite3;Database=" + dir.File("missing/x.db")), db::DbError);
  EXPECT_FALSE(conn->IsOpen());
  EXPECT_THROW(conn->Execute("select 1"), db::DbError);
  conn->Open("DRIVER=SQLite3;Database=" + dir.File("x.db"));
  EXPECT_TRUE(conn->IsOpen());
  EXPECT_EQ(conn->dbms(), db::Dbms::SQLite);
  EXPECT_EQ(conn->ProviderName(), "SQLite");
  conn->Close();
  conn->Close();  // closing twice is harmless
  EXPECT_FALSE(conn->IsOpen());
}

class AccessFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = FixturePath("node-adodb.mdb");
    if (path_.empty()) MVQ_SKIP_OR_FAIL("node-adodb.mdb is not fetched (run scripts/fixtures)");
  }
  static std::string JetString(const std::string& path) {
    return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path + ";Persist Security Info=True";
  }
  std::string path_;
};

TEST_F(AccessFixture, ListsItsTablesWithTheSystemTablesMarked) {
  auto conn = db::NewConnection();
  conn->Open(JetString(path_));
  EXPECT_EQ(conn->dbms(), db::Dbms::Access);
  EXPECT_EQ(conn->ProviderName(), "Microsoft.Jet.OLEDB.4.0");
  std::vector<std::string> tables, system;
  for (const auto& t : conn->SchemaTables())
    (t.TABLE_TYPE == "TABLE" ? tables : system).push_back(t.TABLE_NAME + "/" + t.TABLE_TYPE);
  EXPECT_EQ(tables, (std::vector<std::string>{"Users/TABLE"}));
  EXPECT_FALSE(system.empty());
  for (const auto& s : system) EXPECT_EQ(s.substr(0, 4), "MSys") << s;
  // MDBTools has no primary-key call: no keys rather than an error.
  EXPECT_TRUE(conn->SchemaPrimaryKeys().empty());
}

TEST_F(AccessFixture, ReadsUsersWithChineseTextDatesAndBooleans) {
  auto conn = db::NewConnection();
  conn->Open(JetString(path_));
  auto q = conn->CreateQuery();
  q->Open("select * from Users");
  const auto& f = q->Fields();
  ASSERT_EQ(f.size(), 5u);
  EXPECT_EQ(f[0].name, "UserId");
  // Described as Access describes them: an AutoNumber key, text as Unicode text.
  EXPECT_EQ(f[0].category, db::ftAutoInc);
  EXPECT_EQ(f[1].category, db::ftWideString);
  EXPECT_EQ(f[1].definedSize, 255);
  EXPECT_EQ(f[3].category, db::ftDateTime);
  EXPECT_EQ(f[4].category, db::ftBoolean);
  ASSERT_EQ(q->RecordCount(), 3);
  q->Next();
  q->Next();
  EXPECT_EQ(q->Value(0).AsInt(), 3);
  EXPECT_EQ(q->Value(1).AsText(), "张三");
  EXPECT_EQ(q->Value(2).AsText(), "男");
  EXPECT_EQ(q->Value(3), db::Variant(db::DateTime{{1986, 12, 18}, {0, 0, 0}, 0}));
  EXPECT_EQ(q->Value(4), db::Variant(true));
  q->Open("select count(*) from Users");
  EXPECT_EQ(q->Value(0).AsInt(), 3);
}

TEST_F(AccessFixture, OpensAFileInAFolderWithAChineseName) {
  TempDir dir;
  auto folder = dir.path() / "数据 文件";
  std::filesystem::create_directories(folder);
  std::filesystem::copy_file(path_, folder / "客户.mdb");
  auto conn = db::NewConnection();
  conn->Open(JetString((folder / "客户.mdb").string()));
  auto q = conn->CreateQuery();
  q->Open("select UserSex from Users where UserId = 3");
  ASSERT_FALSE(q->Eof());
  EXPECT_EQ(q->Value(0).AsText(), "男");
}

TEST_F(AccessFixture, RefusedStatementsAreErrorsAndPrintNothing) {
  auto conn = db::NewConnection();
  conn->Open(JetString(path_));
  ::testing::internal::CaptureStderr();
  // MDBTools' parser knows no ORDER BY; the Jet writer takes no UPDATE.
  EXPECT_THROW(conn->CreateQuery()->Open("select * from Users order by UserId"), db::DbError);
  EXPECT_THROW(conn->Execute("update Users set UserName = 'x'"), db::DbError);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  auto q = conn->CreateQuery();
  q->Open("select top 2 UserName from Users");
  EXPECT_EQ(q->RecordCount(), 2);
}

TEST_F(AccessFixture, AMissingFileIsReportedByItsPath) {
  TempDir dir;
  ::testing::internal::CaptureStderr();
  auto e = OpenFails(JetString(dir.File("absent.mdb")));
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_NE(e.DriverMessage().find("absent.mdb"), std::string::npos) << e.DriverMessage();
}

}  // namespace
}  // namespace mvq::test
