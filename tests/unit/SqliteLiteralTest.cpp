// SQLite values read through the driver as the literal of SqliteExactExpression: each kind
// of literal back to the value SQLite holds, converted as the file reader converts it.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/odbc/SqliteFileReader.h"

namespace mvq::db {
namespace {

ResultColumn Of(ValueClass c) {
  ResultColumn column;
  column.valueClass = c;
  return column;
}

TEST(SqliteLiteral, EachKindOfLiteralGivesTheValueSqliteHolds) {
  const ResultColumn text = Of(ValueClass::Text);
  EXPECT_TRUE(ConvertSqliteLiteral(text, "NULL").IsNull());
  EXPECT_EQ(ConvertSqliteLiteral(text, "'NULL'"), Variant("NULL"));
  EXPECT_EQ(ConvertSqliteLiteral(text, "'it''s ''x'''"), Variant("it's 'x'"));
  EXPECT_EQ(ConvertSqliteLiteral(text, "''"), Variant(""));
  EXPECT_EQ(ConvertSqliteLiteral(text, "'客户 α'"), Variant("客户 α"));
  EXPECT_EQ(ConvertSqliteLiteral(Of(ValueClass::Bytes), "X'00FF41'"),
            Variant(Bytes{0x00, 0xFF, 0x41}));
  EXPECT_EQ(ConvertSqliteLiteral(Of(ValueClass::Bytes), "X''"), Variant(Bytes{}));
  const ResultColumn big = Of(ValueClass::BigInt);
  EXPECT_EQ(ConvertSqliteLiteral(big, "9223372036854775807"), Variant(INT64_MAX));
  EXPECT_EQ(ConvertSqliteLiteral(big, "-9223372036854775808"), Variant(INT64_MIN));
  // Text in an integer column stays text.
  EXPECT_EQ(ConvertSqliteLiteral(big, "'lots-of-it'"), Variant("lots-of-it"));
}

TEST(SqliteLiteral, RealsComeWithAllTheirDigitsAndSqlitesOwnText) {
  const ResultColumn real = Of(ValueClass::Double);
  EXPECT_EQ(ConvertSqliteLiteral(real, "3.00000000000000044409e-01 0.3"),
            Variant(0.30000000000000004));
  EXPECT_EQ(ConvertSqliteLiteral(real, "4.94065645841246544177e-324 4.94065645841247e-324"),
            Variant(4.9406564584124654e-324));
  EXPECT_EQ(ConvertSqliteLiteral(real, "Inf Inf"), Variant(HUGE_VAL));
  EXPECT_EQ(ConvertSqliteLiteral(real, "-Inf -Inf"), Variant(-HUGE_VAL));
  // A real in a text column is SQLite's text of it, as the file reader gives it.
  EXPECT_EQ(ConvertSqliteLiteral(Of(ValueClass::Text), "1.50000000000000000000e+00 1.5"),
            Variant("1.5"));
  // A real in a decimal column: its shortest exact digits.
  EXPECT_EQ(ConvertSqliteLiteral(Of(ValueClass::Decimal), "1.25000000000000000000e+00 1.25"),
            Variant(Decimal{"1.25"}));
}

TEST(SqliteLiteral, TheExpressionAsksForTheLiteralAndTheDigits) {
  EXPECT_EQ(SqliteExactExpression("q.\"v\""),
            "case typeof(q.\"v\") when 'real' then printf('%!.20e', q.\"v\") || ' ' || "
            "cast(q.\"v\" as text) else quote(q.\"v\") end");
}

}  // namespace
}  // namespace mvq::db
