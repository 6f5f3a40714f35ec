// Parameter arrays built from a column of values: the C kind chosen, each element's bytes
// and length, the column size and digits given to the driver; and the date texts they use.
#include <gtest/gtest.h>

#include <string>

#include "platform/odbc/ParamBinding.h"

namespace mvq::db {
namespace {

std::string Element(const ColumnArray& a, size_t r) {
  if (a.lengths[r] == SQL_NULL_DATA) return "<null>";
  return std::string(a.data.data() + r * a.width, static_cast<size_t>(a.lengths[r]));
}

ColumnArray Build(const std::vector<Variant>& column, BindOptions options) {
  std::vector<const Variant*> values;
  for (const auto& v : column) values.push_back(&v);
  return BuildColumnArray(values, options);
}

TEST(ParamArrays, NarrowTextKeepsEachValueAndSizesTheColumn) {
  auto a = Build({Variant("客户"), Variant(), Variant(""), Variant("a\tb")}, {true, false, false});
  EXPECT_EQ(a.kind, CKind::NarrowText);
  EXPECT_EQ(a.width, 7u);  // the longest text and its terminator
  EXPECT_EQ(Element(a, 0), "客户");
  EXPECT_EQ(Element(a, 1), "<null>");
  EXPECT_EQ(Element(a, 2), "");
  EXPECT_EQ(Element(a, 3), "a\tb");
  EXPECT_EQ(a.maxSize, 6u);
  EXPECT_EQ(a.data[0 * a.width + 6], '\0');
}

TEST(ParamArrays, MixedKindsGoAsTheirText) {
  auto a = Build({Variant("x"), Variant(int64_t{42}), Variant(true), Variant(2.5)},
                 {true, false, false});
  EXPECT_EQ(a.kind, CKind::NarrowText);
  EXPECT_EQ(Element(a, 1), "42");
  EXPECT_EQ(Element(a, 2), "1");
  EXPECT_EQ(Element(a, 3), "2.5");
  auto wide = Build({Variant("x"), Variant(int64_t{42})}, {false, false, false});
  EXPECT_EQ(wide.kind, CKind::WideText);
  EXPECT_EQ(wide.lengths[1], 4);
}

TEST(ParamArrays, DecimalsCountTheirDigitsAndScale) {
  auto a = Build({Variant(Decimal{"-12345.678"}), Variant(int64_t{7}), Variant(Decimal{"0.5"})},
                 {true, false, false});
  EXPECT_EQ(a.kind, CKind::DecimalText);
  EXPECT_EQ(Element(a, 0), "-12345.678");
  EXPECT_EQ(Element(a, 1), "7");
  EXPECT_EQ(a.maxSize, 8u);
  EXPECT_EQ(a.maxDigits, 3);
}

TEST(ParamArrays, DatesGoAsTextWhereTheDriverAsksForIt) {
  std::vector<Variant> column = {Variant(DateTime{{2024, 1, 2}, {3, 4, 5}, 120000000}),
                                 Variant(Date{2024, 12, 31}), Variant()};
  auto structs = Build(column, {true, false, false});
  EXPECT_EQ(structs.kind, CKind::Timestamp);
  auto text = Build(column, {true, false, true});
  EXPECT_EQ(text.kind, CKind::NarrowText);
  EXPECT_EQ(Element(text, 0), "2024-01-02 03:04:05.12");
  EXPECT_EQ(Element(text, 1), "2024-12-31");
  EXPECT_EQ(Element(text, 2), "<null>");
}

TEST(ParamArrays, DateTextsKeepTheirFormForEveryValue) {
  EXPECT_EQ(Variant(DateTime{{987, 6, 5}, {4, 3, 2}, 0}).AsText(), "0987-06-05 04:03:02");
  EXPECT_EQ(Variant(DateTime{{2024, 1, 2}, {3, 4, 5}, 1}).AsText(),
            "2024-01-02 03:04:05.000000001");
  EXPECT_EQ(Variant(DateTime{{2024, 1, 2}, {3, 4, 5}, 999999999}).AsText(),
            "2024-01-02 03:04:05.999999999");
  // A driver may give more than a second of nanoseconds: every digit is kept.
  EXPECT_EQ(Variant(DateTime{{2024, 1, 2}, {3, 4, 5}, 1234567890}).AsText(),
            "2024-01-02 03:04:05.123456789");
  EXPECT_EQ(Variant(Date{-5, 1, 1}).AsText(), "0005-01-01 BC");
  EXPECT_EQ(Variant(Date{12024, 1, 2}).AsText(), "12024-01-02");
  EXPECT_EQ(Variant(Time{7, 8, 9}).AsText(), "07:08:09");
}

}  // namespace
}  // namespace mvq::db
