// Connection-string parsing and the translation of the shell's OLE DB strings to ODBC.
#include <gtest/gtest.h>

#include "platform/odbc/ConnectionString.h"
#include "platform/odbc/DbError.h"

namespace mvq::db {
namespace {

const std::vector<std::string> kFreeTdsOnly = {"SQLite3", "FreeTDS", "MDBTools"};
const std::vector<std::string> kMicrosoft = {"FreeTDS", "ODBC Driver 17 for SQL Server",
                                             "ODBC Driver 18 for SQL Server",
                                             "Microsoft Access Driver (*.mdb, *.accdb)"};

// What the shell builds for SQL Server authentication and for Windows authentication.
const std::string kSqlAuth =
    "Provider=SQLOLEDB.1;Persist Security Info=False;User ID=sa;Initial Catalog=sales;"
    "Data Source=db1,1533;Use Procedure for Prepare=1;Auto Translate=True;Packet Size=4096;"
    "Password=secret;Use Encryption for Data=False;Tag with column collation when possible=False";
const std::string kWindowsAuth =
    "Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;"
    "Initial Catalog=sales;Data Source=db1";

TEST(ConnectionStringParse, SplitsEntriesAndUnwrapsBracesAndQuotes) {
  auto a = ParseConnectionString(
      " DRIVER = {PostgreSQL Unicode} ;PWD={a;b}}c};Name=\"say \"\"hi\"\"\";Empty=;");
  ASSERT_EQ(a.size(), 4u);
  EXPECT_EQ(a[0].key, "DRIVER");
  EXPECT_EQ(a[0].value, "PostgreSQL Unicode");
  EXPECT_EQ(a[1].value, "a;b}c");
  EXPECT_EQ(a[2].value, "say \"hi\"");
  EXPECT_EQ(a[3].key, "Empty");
  EXPECT_EQ(a[3].value, "");
  EXPECT_TRUE(ParseConnectionString("").empty());
  EXPECT_TRUE(ParseConnectionString(";;").empty());
}

TEST(ConnectionStringParse, RefusesTextThatIsNotAConnectionString) {
  for (const char* bad : {"just some words", "DRIVER=SQLite3;oops", "=value",
                          "DRIVER={SQLite3;Database=x", "PWD=\"open", "A={x}y"}) {
    try {
      ParseConnectionString(bad);
      ADD_FAILURE() << "accepted: " << bad;
    } catch (const DbError& e) {
      EXPECT_NE(std::string(e.what()).find("malformed connection string"), std::string::npos)
          << bad;
    }
  }
}

TEST(ConnectionStringParse, AMalformedStringIsNotRepeatedInItsError) {
  // The shell inserts passwords as typed: one with a ';' breaks the string.
  try {
    ParseConnectionString("Provider=SQLOLEDB.1;User ID=sa;Password=se;cret99");
    ADD_FAILURE() << "accepted";
  } catch (const DbError& e) {
    EXPECT_EQ(std::string(e.what()).find("cret99"), std::string::npos) << e.what();
    EXPECT_EQ(std::string(e.what()).find("se;"), std::string::npos) << e.what();
  }
}

TEST(ConnectionStringParse, FormatsValuesSoThatTheyParseBack) {
  std::vector<Attribute> attrs = {{"DRIVER", "PostgreSQL Unicode"},
                                  {"PWD", "a;b}c"},
                                  {"UID", "u v"},
                                  {"X", "{x}"},
                                  {"Y", " y"}};
  std::string text = FormatConnectionString(attrs);
  EXPECT_EQ(text, "DRIVER={PostgreSQL Unicode};PWD={a;b}}c};UID=u v;X={{x}}};Y={ y}");
  auto back = ParseConnectionString(text);
  ASSERT_EQ(back.size(), 5u);
  for (size_t i = 0; i < back.size(); ++i) EXPECT_EQ(back[i].value, attrs[i].value);
  EXPECT_EQ(AttributeValue(text, "pwd"), "a;b}c");
  EXPECT_EQ(AttributeValue(text, "nothere"), std::nullopt);
}

TEST(ConnectionStringTranslate, SqlServerLoginGoesToFreeTdsWhenMicrosoftsDriverIsMissing) {
  EXPECT_EQ(TranslateConnectionString(kSqlAuth, kFreeTdsOnly),
            "DRIVER=FreeTDS;SERVER=db1;PORT=1533;DATABASE=sales;UID=sa;PWD=secret;"
            "ClientCharset=UTF-8");
  EXPECT_EQ(TranslateConnectionString(kWindowsAuth, kFreeTdsOnly),
            "DRIVER=FreeTDS;SERVER=db1;DATABASE=sales;Trusted_Connection=yes;ClientCharset=UTF-8");
}

TEST(ConnectionStringTranslate, SqlServerPrefersMicrosoftsNewestDriver) {
  EXPECT_EQ(TranslateConnectionString(kSqlAuth, kMicrosoft),
            "DRIVER={ODBC Driver 18 for SQL Server};SERVER=db1,1533;DATABASE=sales;UID=sa;"
            "PWD=secret;Encrypt=no;TrustServerCertificate=yes");
  std::vector<std::string> only17 = {"ODBC Driver 17 for SQL Server", "FreeTDS"};
  EXPECT_EQ(TranslateConnectionString(kWindowsAuth, only17),
            "DRIVER={ODBC Driver 17 for SQL Server};SERVER=db1;DATABASE=sales;"
            "Trusted_Connection=yes");
}

TEST(ConnectionStringTranslate, SqlServerLocalNamesBecomeLocalhost) {
  EXPECT_EQ(AttributeValue(TranslateConnectionString(
                               "Provider=SQLOLEDB.1;Data Source=(local);User ID=a", kFreeTdsOnly),
                           "SERVER"),
            "localhost");
  EXPECT_EQ(
      AttributeValue(TranslateConnectionString("Provider=SQLOLEDB.1;Data Source=.", kFreeTdsOnly),
                     "SERVER"),
      "localhost");
}

TEST(ConnectionStringTranslate, AccessFilesGoToMicrosoftsDriverElseMdbTools) {
  const std::string jet =
      "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/data/客户 2024.mdb;Persist Security Info=True";
  EXPECT_EQ(TranslateConnectionString(jet, kFreeTdsOnly),
            "DRIVER=MDBTools;DBQ=/data/客户 2024.mdb");
  EXPECT_EQ(TranslateConnectionString(jet, kMicrosoft),
            "DRIVER={Microsoft Access Driver (*.mdb, *.accdb)};DBQ=/data/客户 2024.mdb");
}

TEST(ConnectionStringTranslate, MissingDriversAndUnknownProvidersAreErrors) {
  EXPECT_THROW(TranslateConnectionString(kSqlAuth, {"SQLite3"}), DbError);
  EXPECT_THROW(
      TranslateConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=x.mdb", {"SQLite3"}),
      DbError);
  try {
    TranslateConnectionString("Provider=Acme.Data.1;Data Source=x", kMicrosoft);
    ADD_FAILURE() << "unknown provider accepted";
  } catch (const DbError& e) {
    EXPECT_EQ(e.SqlState(), "IM002");
    EXPECT_NE(e.DriverMessage().find("Acme.Data.1"), std::string::npos);
  }
}

TEST(ConnectionStringTranslate, OdbcStringsPassThroughWithDriverOptionsAdded) {
  EXPECT_EQ(TranslateConnectionString("DSN=warehouse;UID=a", kFreeTdsOnly), "DSN=warehouse;UID=a");
  EXPECT_EQ(TranslateConnectionString("Driver=FreeTDS;Server=x", kFreeTdsOnly),
            "Driver=FreeTDS;Server=x");
  EXPECT_EQ(TranslateConnectionString("DRIVER=SQLite3;Database=/tmp/a.db", kFreeTdsOnly),
            "DRIVER=SQLite3;Database=/tmp/a.db;StepAPI=1");
  // An option the string sets itself is left as it is.
  EXPECT_EQ(TranslateConnectionString("DRIVER=SQLite3;Database=/tmp/a.db;stepapi=0", kFreeTdsOnly),
            "DRIVER=SQLite3;Database=/tmp/a.db;stepapi=0");
  EXPECT_EQ(TranslateConnectionString("DRIVER={PostgreSQL Unicode};SERVER=h;UseDeclareFetch=0",
                                      kFreeTdsOnly),
            "DRIVER={PostgreSQL Unicode};SERVER=h;UseDeclareFetch=0;Fetch=10000;BoolsAsChar=0");
}

TEST(ConnectionStringTranslate, TheBrokenSqliteEntryIsReplacedByTheWorkingOne) {
  EXPECT_EQ(TranslateConnectionString("Driver=SQLite;Database=/tmp/a.db", kFreeTdsOnly),
            "Driver=SQLite3;Database=/tmp/a.db;StepAPI=1");
  // Without SQLite3 installed there is nothing better to offer.
  EXPECT_EQ(TranslateConnectionString("Driver=SQLite;Database=/tmp/a.db", {"FreeTDS"}),
            "Driver=SQLite;Database=/tmp/a.db");
}

TEST(ConnectionStringTranslate, OdbcProviderPassesItsOdbcPartOn) {
  EXPECT_EQ(
      TranslateConnectionString(
          "Provider=MSDASQL.1;Persist Security Info=False;Driver=FreeTDS;Server=x", kFreeTdsOnly),
      "Driver=FreeTDS;Server=x");
}

TEST(ConnectionStringTranslate, MalformedStringsAreRefusedBeforeAnyDriverSeesThem) {
  EXPECT_THROW(TranslateConnectionString("Provider=SQLOLEDB.1;Data Source={x", kMicrosoft),
               DbError);
  EXPECT_THROW(TranslateConnectionString("hello world", kMicrosoft), DbError);
}

TEST(ConnectionStringTranslate, DriverOfReadsTheDriverEntry) {
  EXPECT_EQ(DriverOf("DRIVER={MariaDB Unicode};SERVER=x"), "MariaDB Unicode");
  EXPECT_EQ(DriverOf("DSN=x"), "");
}

TEST(ConnectionStringFiles, AMissingDatabaseFileIsNamedOnlyForFileDatabases) {
  const std::string here = ::testing::TempDir();
  const std::string missing = here + "/mvq-never-there.db";
  EXPECT_EQ(MissingDatabaseFile("DRIVER=SQLite3;Database=" + missing), missing);
  EXPECT_EQ(MissingDatabaseFile("Driver={SQLite3 ODBC Driver};database=" + missing), missing);
  EXPECT_EQ(MissingDatabaseFile("Driver=MDBTools;DBQ=" + missing), missing);
  EXPECT_EQ(MissingDatabaseFile("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + missing),
            missing);
  // Present files, memory databases and server databases are left to the driver.
  EXPECT_EQ(MissingDatabaseFile("DRIVER=SQLite3;Database=" + here), "");
  EXPECT_EQ(MissingDatabaseFile("DRIVER=SQLite3;Database=:memory:"), "");
  EXPECT_EQ(MissingDatabaseFile("Driver=PostgreSQL;Server=127.0.0.1;Database=shop"), "");
  EXPECT_EQ(MissingDatabaseFile("Provider=SQLOLEDB.1;Data Source=db1;Initial Catalog=x"), "");
  EXPECT_EQ(MissingDatabaseFile("DSN=shop"), "");
  EXPECT_EQ(MissingDatabaseFile("not a connection string"), "");
  // Oracle's driver names its service with DBQ: no file, whatever it says.
  EXPECT_EQ(MissingDatabaseFile("Driver={Oracle 21 ODBC driver};DBQ=//db:1521/XE;UID=scott"), "");
}

TEST(ConnectionStringFiles, OnlyJetProvidersAndAccessDriversNameAnAccessFile) {
  EXPECT_EQ(AccessFileOf("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/d/a.mdb"), "/d/a.mdb");
  EXPECT_EQ(AccessFileOf("provider=microsoft.jet.oledb.4.0;data source=/d/a.mdb"), "/d/a.mdb");
  EXPECT_EQ(AccessFileOf("DRIVER=MDBTools;DBQ=/d/b.mdb"), "/d/b.mdb");
  EXPECT_EQ(AccessFileOf("Driver={Microsoft Access Driver (*.mdb)};DBQ=/d/c.mdb"), "/d/c.mdb");
  // A newer format, SQLite and server databases are no Jet 4 file to write.
  EXPECT_EQ(AccessFileOf("Provider=Microsoft.ACE.OLEDB.12.0;Data Source=/d/e.accdb"), "");
  EXPECT_EQ(AccessFileOf("DRIVER=SQLite3;Database=/d/f.db"), "");
  EXPECT_EQ(AccessFileOf("Driver={Oracle 21 ODBC driver};DBQ=//db:1521/XE"), "");
  EXPECT_EQ(AccessFileOf("Provider=SQLOLEDB.1;Data Source=db1"), "");
  EXPECT_EQ(DatabaseFileOf("Provider=Microsoft.ACE.OLEDB.12.0;Data Source=/d/e.accdb"),
            "/d/e.accdb");
  EXPECT_EQ(DatabaseFileOf("DRIVER=SQLite3;Database=/d/f.db"), "/d/f.db");
  EXPECT_EQ(DatabaseFileOf("DSN=books;DBQ=/d/g.mdb"), "/d/g.mdb");
  EXPECT_EQ(DatabaseFileOf("Driver=PostgreSQL;Server=127.0.0.1;Database=shop"), "");
}

}  // namespace
}  // namespace mvq::db
