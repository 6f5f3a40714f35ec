// Passwords kept out of what is shown: the masking every shown connection string goes
// through, and the secrets of a string hidden in a driver's message.
#include <gtest/gtest.h>

#include "platform/odbc/ConnectionString.h"
#include "platform/oracle/OraConnectString.h"

namespace mvq::db {
namespace {

TEST(PasswordMask, EveryPasswordSpellingIsMaskedAndTheRestKept) {
  EXPECT_EQ(MaskPasswords("DRIVER={MariaDB Unicode};UID=root;PWD=s3cret;PORT=3306"),
            "DRIVER={MariaDB Unicode};UID=root;PWD=***;PORT=3306");
  EXPECT_EQ(MaskPasswords("Provider=SQLOLEDB.1;User ID=sa;Password=a b;Data Source=x"),
            "Provider=SQLOLEDB.1;User ID=sa;Password=***;Data Source=x");
  EXPECT_EQ(MaskPasswords("Provider=Microsoft.Jet.OLEDB.4.0;Jet OLEDB:Database Password=jet"),
            "Provider=Microsoft.Jet.OLEDB.4.0;Jet OLEDB:Database Password=***");
  EXPECT_EQ(MaskPasswords("pwd = tail"), "pwd = ***");
  EXPECT_EQ(MaskPasswords("UID=u;PWD="), "UID=u;PWD=***");
  EXPECT_EQ(MaskPasswords("no password here; UID=u"), "no password here; UID=u");
  // Keys that merely end in the word are someone else's.
  EXPECT_EQ(MaskPasswords("OldPwd=x;MyPassword=y"), "OldPwd=x;MyPassword=y");
}

TEST(PasswordMask, QuotedAndBracedValuesAreMaskedWholeWithTheirSeparators) {
  EXPECT_EQ(MaskPasswords("UID=u;PWD={a;b}}c};DB=d"), "UID=u;PWD=***;DB=d");
  EXPECT_EQ(MaskPasswords("Password=\"x;\"\"y\";Data Source=s"), "Password=***;Data Source=s");
  EXPECT_EQ(MaskPasswords("PWD={never closed"), "PWD=***");
  // A message quoting a string, with text after it on the next line.
  EXPECT_EQ(MaskPasswords("cannot open (UID=u;PWD=p)\nsecond line"),
            "cannot open (UID=u;PWD=***\nsecond line");
}

TEST(PasswordMask, TheOracleConnectStringShowsNoPassword) {
  ora::ConnectSettings s{"h", "1521", "ORCL", "scott", "ti;ger}", "", false};
  const std::string cs = ora::BuildConnectString(s, "Oracle 21 ODBC driver");
  const std::string shown = MaskPasswords(cs);
  EXPECT_EQ(shown.find("ti;ger"), std::string::npos) << shown;
  EXPECT_NE(shown.find("UID=scott;PWD=***"), std::string::npos) << shown;
}

TEST(PasswordMask, SecretsAreHiddenWhereverAMessageRepeatsThem) {
  const std::string cs = "DRIVER=x;UID=u;PWD={p;w};Password=second";
  const std::vector<std::string> secrets = PasswordsOf(cs);
  ASSERT_EQ(secrets, (std::vector<std::string>{"p;w", "second"}));
  EXPECT_EQ(HideSecrets("login 'u' with 'p;w' failed; second try", secrets),
            "login 'u' with '***' failed; *** try");
  EXPECT_TRUE(PasswordsOf("UID=u;PWD=").empty());
  EXPECT_TRUE(PasswordsOf("PWD={unclosed").empty());
}

}  // namespace
}  // namespace mvq::db
