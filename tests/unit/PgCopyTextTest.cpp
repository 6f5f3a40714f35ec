// COPY text encoding of values, the line number of a COPY error and the libpq parameters
// taken from an ODBC connection string.
#include <gtest/gtest.h>

#include "platform/bulk/PgCopyText.h"
#include "platform/bulk/PgLink.h"

namespace mvq::db {
namespace {

std::string Field(const Variant& v, CopyTarget target = CopyTarget::Text) {
  std::string out;
  AppendCopyField(out, v, target);
  return out;
}

TEST(PgCopyText, NullIsBackslashN) {
  EXPECT_EQ(Field(Variant()), "\\N");
  EXPECT_EQ(Field(Variant(), CopyTarget::Bytea), "\\N");
}

TEST(PgCopyText, TextKeepsUtf8AndEscapesWhatWouldEndAFieldOrLine) {
  EXPECT_EQ(Field(Variant("客户 α")), "客户 α");
  EXPECT_EQ(Field(Variant("a\tb\nc\rd\\e")), "a\\tb\\nc\\rd\\\\e");
  EXPECT_EQ(Field(Variant("\\N")), "\\\\N");  // the text, not a null
  EXPECT_EQ(Field(Variant("")), "");
}

TEST(PgCopyText, NumbersKeepEveryDigit) {
  EXPECT_EQ(Field(Variant(int64_t{-9223372036854775807 - 1})), "-9223372036854775808");
  EXPECT_EQ(Field(Variant(0.1)), "0.1");
  EXPECT_EQ(Field(Variant(1e300)), "1e+300");
  EXPECT_EQ(Field(Variant(0.30000000000000004)), "0.30000000000000004");
  EXPECT_EQ(Field(Variant(Decimal{"-12345678901234567890.1234567890"})),
            "-12345678901234567890.1234567890");
}

TEST(PgCopyText, BooleansFollowTheTargetColumn) {
  EXPECT_EQ(Field(Variant(true), CopyTarget::Boolean), "t");
  EXPECT_EQ(Field(Variant(false), CopyTarget::Boolean), "f");
  EXPECT_EQ(Field(Variant(true)), "1");
  EXPECT_EQ(Field(Variant(false)), "0");
}

TEST(PgCopyText, BytesAreHexForByteaAndRawTextElsewhere) {
  EXPECT_EQ(Field(Variant(Bytes{0x00, 0x5c, 0xff, 0x0a}), CopyTarget::Bytea), "\\\\x005cff0a");
  EXPECT_EQ(Field(Variant(Bytes{}), CopyTarget::Bytea), "\\\\x");
  EXPECT_EQ(Field(Variant(Bytes{'a', '\t', 'b'})), "a\\tb");
  EXPECT_EQ(Field(Variant("a\\b"), CopyTarget::Bytea), "\\\\x615c62");
}

TEST(PgCopyText, DatesBeforeChristCarryTheirEraAtTheEnd) {
  EXPECT_EQ(Field(Variant(Date{-4713, 1, 1})), "4713-01-01 BC");
  EXPECT_EQ(Field(Variant(DateTime{{-44, 3, 15}, {12, 0, 0}, 500000000})),
            "0044-03-15 12:00:00.5 BC");
}

TEST(PgCopyText, DatesAndTimesWithTheirFractions) {
  EXPECT_EQ(Field(Variant(Date{2024, 2, 29})), "2024-02-29");
  EXPECT_EQ(Field(Variant(Date{33, 1, 5})), "0033-01-05");
  EXPECT_EQ(Field(Variant(Time{23, 5, 9})), "23:05:09");
  EXPECT_EQ(Field(Variant(DateTime{{2024, 12, 31}, {23, 59, 59}, 0})), "2024-12-31 23:59:59");
  EXPECT_EQ(Field(Variant(DateTime{{2024, 1, 2}, {3, 4, 5}, 120000000})), "2024-01-02 03:04:05.12");
  EXPECT_EQ(Field(Variant(DateTime{{2024, 1, 2}, {3, 4, 5}, 123456789})),
            "2024-01-02 03:04:05.123456789");
}

TEST(PgCopyText, ContextLineNumbers) {
  EXPECT_EQ(CopyLineFromContext("COPY t, line 12, column id: \"x\""), 12u);
  EXPECT_EQ(CopyLineFromContext("COPY t, line 3"), 3u);
  EXPECT_EQ(CopyLineFromContext("COPY t, line 7: \"7\tabc, line 99\""), 7u);
  EXPECT_EQ(CopyLineFromContext("SQL function \"f\", line 2"), std::nullopt);
  EXPECT_EQ(CopyLineFromContext("COPY t, line 0"), std::nullopt);
  EXPECT_EQ(CopyLineFromContext("COPY t"), std::nullopt);
}

TEST(PgCopyText, ConnectParametersFromPsqlOdbcAttributes) {
  auto params = PgConnectParams(
      "DRIVER={PostgreSQL Unicode};SERVER=db.local;PORT=5433;DATABASE=sales;UID=ann;"
      "PWD={p;w};SSLmode=require;UseDeclareFetch=1");
  auto value = [&](const std::string& key) -> std::string {
    for (const auto& [k, v] : params)
      if (k == key) return v;
    return "<absent>";
  };
  EXPECT_EQ(value("host"), "db.local");
  EXPECT_EQ(value("port"), "5433");
  EXPECT_EQ(value("dbname"), "sales");
  EXPECT_EQ(value("user"), "ann");
  EXPECT_EQ(value("password"), "p;w");
  EXPECT_EQ(value("sslmode"), "require");
  EXPECT_EQ(value("client_encoding"), "UTF8");
  EXPECT_EQ(value("options"), "-c TimeZone=UTC");

  auto longNames = PgConnectParams("Servername=h;Username=u;Password=x;Database=d");
  EXPECT_EQ(longNames[0], (std::pair<std::string, std::string>{"host", "h"}));
  EXPECT_EQ(longNames[2], (std::pair<std::string, std::string>{"user", "u"}));
  EXPECT_EQ(longNames[3], (std::pair<std::string, std::string>{"password", "x"}));
}

}  // namespace
}  // namespace mvq::db
