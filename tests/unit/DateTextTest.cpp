// Dates and time stamps read from an engine's text: the era and zero parts that the drivers'
// date structures lose are kept, and text that is no date is told apart.
#include <gtest/gtest.h>

#include "platform/odbc/DateText.h"

namespace mvq::db {
namespace {

TEST(DateText, DatesKeepTheirEraAndTheirZeroParts) {
  EXPECT_EQ(ParseDateText("2024-02-29"), (Date{2024, 2, 29}));
  EXPECT_EQ(ParseDateText("4713-01-01 BC"), (Date{-4713, 1, 1}));
  EXPECT_EQ(ParseDateText("0001-01-01 BC"), (Date{-1, 1, 1}));
  EXPECT_EQ(ParseDateText("0000-00-00"), (Date{0, 0, 0}));
  EXPECT_EQ(ParseDateText("2024-00-15"), (Date{2024, 0, 15}));
  EXPECT_EQ(ParseDateText("2024-02-00"), (Date{2024, 2, 0}));
  EXPECT_EQ(ParseDateText("10000-01-01"), (Date{10000, 1, 1}));
}

TEST(DateText, TextThatIsNoDateIsRefused) {
  for (const char* text :
       {"infinity", "-infinity", "", "2024-2-29", "2024-02-29 AD", "2024-13-01", "2024-01-32",
        "0000-01-01 BC", "99999-01-01", "2024-01-01x", "2024-01-01 BCE"})
    EXPECT_EQ(ParseDateText(text), std::nullopt) << text;
}

TEST(DateText, TimeStampsKeepFractionsEraAndOnlyAZeroOffset) {
  EXPECT_EQ(ParseDateTimeText("2024-01-02 03:04:05"), (DateTime{{2024, 1, 2}, {3, 4, 5}, 0}));
  EXPECT_EQ(ParseDateTimeText("2024-01-02 03:04:05.123456"),
            (DateTime{{2024, 1, 2}, {3, 4, 5}, 123456000}));
  EXPECT_EQ(ParseDateTimeText("2024-01-02 03:04:05.5"),
            (DateTime{{2024, 1, 2}, {3, 4, 5}, 500000000}));
  EXPECT_EQ(ParseDateTimeText("2024-01-02 03:04:05.1234567891"),
            (DateTime{{2024, 1, 2}, {3, 4, 5}, 123456789}));
  EXPECT_EQ(ParseDateTimeText("4713-01-01 10:00:00.5 BC"),
            (DateTime{{-4713, 1, 1}, {10, 0, 0}, 500000000}));
  EXPECT_EQ(ParseDateTimeText("0000-00-00 00:00:00.000000"), (DateTime{{0, 0, 0}, {0, 0, 0}, 0}));
  EXPECT_EQ(ParseDateTimeText("2024-01-01 08:00:00+00"), (DateTime{{2024, 1, 1}, {8, 0, 0}, 0}));
  EXPECT_EQ(ParseDateTimeText("2024-01-01 08:00:00+00:00"), (DateTime{{2024, 1, 1}, {8, 0, 0}, 0}));
  // Another offset would need the instant moved: the text is carried instead.
  EXPECT_EQ(ParseDateTimeText("2024-01-01 10:00:00+02"), std::nullopt);
  EXPECT_EQ(ParseDateTimeText("2024-01-01 10:00:00+05:30"), std::nullopt);
  EXPECT_EQ(ParseDateTimeText("2024-01-01"), std::nullopt);
  EXPECT_EQ(ParseDateTimeText("2024-01-01 10:00"), std::nullopt);
  EXPECT_EQ(ParseDateTimeText("2024-01-01 10:00:00."), std::nullopt);
  EXPECT_EQ(ParseDateTimeText("infinity"), std::nullopt);
}

TEST(DateText, ZeroPartsAreTold) {
  EXPECT_TRUE(HasZeroParts({0, 0, 0}));
  EXPECT_TRUE(HasZeroParts({2024, 0, 15}));
  EXPECT_TRUE(HasZeroParts({2024, 2, 0}));
  EXPECT_FALSE(HasZeroParts({2024, 2, 29}));
  EXPECT_FALSE(HasZeroParts({-4713, 1, 1}));
}

}  // namespace
}  // namespace mvq::db
