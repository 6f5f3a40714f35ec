// The normalisation behind the verify checksums: the same value read from two engines (as a
// double here, a decimal text there, a date as text or as a timestamp) must come out the same,
// and a changed value must not.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>

#include "engine/Verify.h"
#include "platform/odbc/FieldTypes.h"

namespace mvq {
namespace {

using db::Variant;

db::FieldDesc Field(int adoType, int precision = 0, int scale = 0) {
  db::FieldDesc f;
  f.name = "c";
  f.adoType = adoType;
  f.precision = precision;
  f.scale = scale;
  return f;
}

std::string Norm(const Variant& v, const ColumnRule& rule) {
  return NormalisedValue(v, rule).value_or("<null>");
}

TEST(VerifyRules, DecimalsAndIntegersCompareByValue) {
  const ColumnRule rule = RuleFor(Field(db::adNumeric, 10, 2), Field(db::adInteger));
  ASSERT_EQ(rule.kind, ColumnRule::Kind::Number);
  EXPECT_EQ(Norm(db::Decimal{"12.50"}, rule), Norm(db::Decimal{"12.5"}, rule));
  EXPECT_EQ(Norm(db::Decimal{"-0012.3400"}, rule), "-12.34");
  EXPECT_EQ(Norm(db::Decimal{"-0.00"}, rule), "0");
  EXPECT_EQ(Norm(int64_t{5}, rule), Norm(db::Decimal{"5.000"}, rule));
  EXPECT_EQ(Norm(true, rule), Norm(int64_t{1}, rule));
  EXPECT_NE(Norm(db::Decimal{"12.35"}, rule), Norm(db::Decimal{"12.345"}, rule));
  EXPECT_EQ(Norm(int64_t{3000000000}, rule), "3000000000");
  // Text that is no number keeps its own text rather than becoming zero.
  EXPECT_EQ(Norm("lots-of-it", rule), "lots-of-it");
  EXPECT_FALSE(NormalisedValue(Variant(), rule));
}

TEST(VerifyRules, FloatsCompareWithinTheirPrecision) {
  const ColumnRule doubles = RuleFor(Field(db::adDouble), Field(db::adNumeric, 10, 2));
  ASSERT_EQ(doubles.kind, ColumnRule::Kind::Float);
  EXPECT_EQ(doubles.significantDigits, 15);
  // 0.1 + 0.2 read through 15-digit text on one end and to the last bit on the other.
  EXPECT_EQ(Norm(0.30000000000000004, doubles), Norm("0.3", doubles));
  EXPECT_EQ(Norm(12.5, doubles), Norm(db::Decimal{"12.50"}, doubles));
  EXPECT_EQ(Norm(-0.0, doubles), Norm(0.0, doubles));
  EXPECT_NE(Norm(1.0000001, doubles), Norm(1.0, doubles));
  const ColumnRule singles = RuleFor(Field(db::adDouble), Field(db::adSingle));
  EXPECT_TRUE(singles.single);
  EXPECT_EQ(Norm(static_cast<double>(0.1f), singles), Norm(0.1, singles));
  // A float4 in its shortest text (PostgreSQL's 1e-45) is the float its other end holds;
  // two neighbouring floats differ.
  EXPECT_EQ(Norm("1e-45", singles), Norm(static_cast<double>(1.4e-45f), singles));
  EXPECT_EQ(Norm("3.4028235e38", singles), Norm(static_cast<double>(FLT_MAX), singles));
  EXPECT_NE(Norm(static_cast<double>(std::nextafter(1.0f, 2.0f)), singles), Norm(1.0, singles));
  EXPECT_EQ(Norm(1e300, singles), Norm(1e300, doubles));  // beyond any float: as it is
  EXPECT_EQ(Norm("inf", doubles), Norm(std::numeric_limits<double>::infinity(), doubles));
}

TEST(VerifyRules, TimestampsKeepTheFractionBothEndsHold) {
  // PostgreSQL timestamp (26,6) against a timestamp without a stated fraction.
  const ColumnRule micro = RuleFor(Field(db::adDBTimeStamp, 26, 6), Field(db::adDBTimeStamp));
  ASSERT_EQ(micro.kind, ColumnRule::Kind::DateTime);
  EXPECT_EQ(micro.fractionDigits, 6);
  const db::DateTime t{{2024, 2, 29}, {23, 59, 58}, 123456000};
  EXPECT_EQ(Norm(t, micro), "2024-02-29 23:59:58.123456");
  EXPECT_EQ(Norm("2024-02-29 23:59:58.123456", micro), Norm(t, micro));
  EXPECT_EQ(Norm("2024-02-29T23:59:58.1234567", micro), Norm(t, micro));
  db::DateTime later = t;
  later.fraction = 124456000;
  EXPECT_NE(Norm(later, micro), Norm(t, micro));
  // MariaDB's datetime (19) holds whole seconds: fractions are not compared.
  const ColumnRule whole = RuleFor(Field(db::adDBTimeStamp, 26, 6), Field(db::adDBTimeStamp, 19));
  EXPECT_EQ(whole.fractionDigits, 0);
  EXPECT_EQ(Norm(later, whole), Norm(t, whole));
  // A date carried into a timestamp column compares as its midnight.
  const ColumnRule dateIntoStamp = RuleFor(Field(db::adDBDate), Field(db::adDBTimeStamp, 19));
  EXPECT_EQ(Norm(db::Date{1990, 5, 1}, dateIntoStamp),
            Norm(db::DateTime{{1990, 5, 1}, {}, 0}, dateIntoStamp));
  const ColumnRule dates = RuleFor(Field(db::adDBDate), Field(db::adDBDate));
  EXPECT_EQ(Norm("1990-05-01", dates), Norm(db::Date{1990, 5, 1}, dates));
  EXPECT_NE(Norm(db::Date{1990, 5, 2}, dates), Norm(db::Date{1990, 5, 1}, dates));
}

TEST(VerifyRules, TextIsUtf8AndBinaryIsBytes) {
  const ColumnRule text = RuleFor(Field(db::adVarWChar), Field(db::adLongVarChar));
  ASSERT_EQ(text.kind, ColumnRule::Kind::Text);
  EXPECT_EQ(Norm("张三", text), "张三");
  EXPECT_NE(Norm("Ann ", text), Norm("Ann", text));
  const ColumnRule fixed = RuleFor(Field(db::adWChar), Field(db::adVarWChar));
  EXPECT_EQ(Norm("Ann  ", fixed), Norm("Ann", fixed));
  const ColumnRule bytes = RuleFor(Field(db::adLongVarBinary), Field(db::adVarBinary));
  ASSERT_EQ(bytes.kind, ColumnRule::Kind::Bytes);
  EXPECT_EQ(Norm(db::Bytes{0x00, 0x01, 0xff}, bytes), std::string("\x00\x01\xff", 3));
  // An empty value is a value, not NULL.
  EXPECT_EQ(NormalisedValue(db::Bytes{}, bytes), std::string());
  EXPECT_FALSE(NormalisedValue(Variant(), bytes));
}

}  // namespace
}  // namespace mvq
