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
