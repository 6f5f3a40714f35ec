#include <gtest/gtest.h>

#include "platform/odbc/FieldTypes.h"
#include "platform/odbc/Variant.h"

namespace mvq::db {

TEST(Variant, TextFormsKeepEveryDigitAndDateParts) {
  EXPECT_EQ(Variant(Decimal{"12345678901234567890.12345678"}).AsText(),
            "12345678901234567890.12345678");
  EXPECT_EQ(Variant(int64_t{-42}).AsText(), "-42");
  EXPECT_EQ(Variant(2.5).AsText(), "2.5");
  EXPECT_EQ(Variant(0.1).AsText(), "0.1");
  EXPECT_EQ(Variant(Date{2024, 3, 7}).AsText(), "2024-03-07");
  EXPECT_EQ(Variant(DateTime{{2024, 3, 7}, {9, 5, 1}, 500000000}).AsText(),
            "2024-03-07 09:05:01.5");
  EXPECT_EQ(Variant().AsText(), "");
  EXPECT_TRUE(Variant(nullptr).IsNull());
  // Before Christ as PostgreSQL writes it; MariaDB's zero dates as they are.
  EXPECT_EQ(Variant(Date{-4713, 1, 1}).AsText(), "4713-01-01 BC");
  EXPECT_EQ(Variant(DateTime{{-1, 12, 31}, {23, 0, 0}, 250000000}).AsText(),
            "0001-12-31 23:00:00.25 BC");
  EXPECT_EQ(Variant(Date{0, 0, 0}).AsText(), "0000-00-00");
  EXPECT_EQ(Variant(Date{2024, 0, 15}).AsText(), "2024-00-15");
}

TEST(FieldTypes, NumericWithSmallPrecisionAndNoScaleIsInteger) {
  EXPECT_EQ(ClassifyField(adNumeric, 9, 0, false), ftInteger);
  EXPECT_EQ(ClassifyField(adNumeric, 10, 0, false), ftBCD);
  EXPECT_EQ(ClassifyField(adNumeric, 5, 2, false), ftBCD);
  EXPECT_EQ(ClassifyField(adInteger, 0, 0, true), ftAutoInc);
  EXPECT_EQ(ClassifyField(adUnsignedTinyInt, 0, 0, false), ftWord);
  EXPECT_EQ(ClassifyField(1234, 0, 0, false), std::nullopt);
  EXPECT_EQ(FieldTypeName(ftWord), "ftWord");
  EXPECT_EQ(FieldTypeName(ftFMTBcd), "ftFMTBcd");
}

}  // namespace mvq::db
