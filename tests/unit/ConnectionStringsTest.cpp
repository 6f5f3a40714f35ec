#include <gtest/gtest.h>

#include "shell/ConnectionStrings.h"

namespace mvq {
namespace {

FormState SqlForm() {
  FormState form;
  form.edtsqluser = "sa";
  form.edtsqlpassword = "Secr3t!";
  form.edtsqlserverdb = "DB01\\SQLEXPRESS";
  form.edtsqlCatalog.text = "销售";
  return form;
}

TEST(ConnectionStrings, SqlServerAuthenticationCarriesUserAndPassword) {
  EXPECT_EQ(SqlServerConnectionString(SqlForm()),
            "Provider=SQLOLEDB.1;Persist Security Info=False;User ID=sa;Initial Catalog=销售;"
            "Data Source=DB01\\SQLEXPRESS;Use Procedure for Prepare=1;Auto Translate=True;"
            "Packet Size=4096;Password=Secr3t!;Use Encryption for Data=False;"
            "Tag with column collation when possible=False");
}

TEST(ConnectionStrings, WindowsAuthenticationLeavesUserAndPasswordOut) {
  FormState form = SqlForm();
  form.sqlAuth = SqlAuth::Windows;
  EXPECT_EQ(SqlServerConnectionString(form),
            "Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;"
            "Initial Catalog=销售;Data Source=DB01\\SQLEXPRESS");
}

TEST(ConnectionStrings, TheDatabaseListUsesMasterAndNoPasswordUnderEitherAuthentication) {
  const std::string expected =
      "Provider=SQLOLEDB.1;Persist Security Info=False;User ID=sa;Initial Catalog=master;"
      "Data Source=DB01\\SQLEXPRESS;Use Procedure for Prepare=1;Auto Translate=True;"
      "Packet Size=4096;Workstation ID=DB01\\SQLEXPRESS;Use Encryption for Data=False;"
      "Tag with column collation when possible=False";
  FormState form = SqlForm();
  EXPECT_EQ(CatalogListConnectionString(form), expected);
  form.sqlAuth = SqlAuth::Windows;
  EXPECT_EQ(CatalogListConnectionString(form), expected);
}

TEST(ConnectionStrings, ValuesThatWouldBreakTheStringAreQuoted) {
  EXPECT_EQ(ConnectionStringValue("plain=value"), "plain=value");
  EXPECT_EQ(ConnectionStringValue(""), "");
  EXPECT_EQ(ConnectionStringValue("pa;ss"), "\"pa;ss\"");
  EXPECT_EQ(ConnectionStringValue(" lead"), "\" lead\"");
  EXPECT_EQ(ConnectionStringValue("trail "), "\"trail \"");
  EXPECT_EQ(ConnectionStringValue("\"q;"), "'\"q;'");
  EXPECT_EQ(ConnectionStringValue("'a\";"), "\"'a\"\";\"");
  EXPECT_EQ(ConnectionStringValue("in\"side"), "in\"side");

  FormState form = SqlForm();
  form.edtsqlpassword = "x;Initial Catalog=other";
  const std::string text = SqlServerConnectionString(form);
  EXPECT_NE(text.find(";Password=\"x;Initial Catalog=other\";"), std::string::npos) << text;
}

TEST(ConnectionStrings, APasswordIsFoundInEitherSpellingAndAnyLetterCase) {
  EXPECT_TRUE(CarriesPassword("Provider=SQLOLEDB.1;Password=x;User ID=sa"));
  EXPECT_TRUE(CarriesPassword("DRIVER={PostgreSQL Unicode};UID=u;pwd=secret"));
  EXPECT_TRUE(CarriesPassword("DSN=a;PASSWORD=;"));
  EXPECT_FALSE(CarriesPassword("DRIVER=SQLite3;Database=/tmp/a.db"));
  EXPECT_FALSE(CarriesPassword("DSN=a;Password"));
  EXPECT_FALSE(CarriesPassword(""));
}

}  // namespace
}  // namespace mvq
