// BIFF8 records against the byte layouts of the format documentation: a 4-byte header
// (record id, data length, little-endian) followed by the record's fields.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/xls/Biff8Records.h"
#include "platform/xls/Biff8Styles.h"

namespace mvq::xls::biff8 {
namespace {

Bytes Make(void (*fn)(Bytes&)) {
  Bytes out;
  fn(out);
  return out;
}

uint64_t Bits(double v) {
  uint64_t b;
  std::memcpy(&b, &v, 8);
  return b;
}

// Decodes an RK value the way a reader does.
double DecodeRk(uint32_t rk) {
  double v;
  if (rk & 2) {
    v = static_cast<int32_t>(rk) >> 2;
  } else {
    const uint64_t bits = uint64_t{rk & 0xFFFFFFFCu} << 32;
    std::memcpy(&v, &bits, 8);
  }
  return (rk & 1) ? v / 100 : v;
}

TEST(Biff8Records, BofAndEofMarkEachSubstream) {
  Bytes globals, sheet;
  Bof(globals, Substream::kGlobals);
  Bof(sheet, Substream::kWorksheet);
  EXPECT_EQ(globals, (Bytes{0x09, 0x08, 0x10, 0x00, 0x00, 0x06, 0x05, 0x00, 0xBB, 0x0D,
                            0xCC, 0x07, 0x00, 0x00, 0x00, 0x00, 0x06, 0x00, 0x00, 0x00}));
  EXPECT_EQ(sheet[6], 0x10);
  EXPECT_EQ(Make(Eof), (Bytes{0x0A, 0x00, 0x00, 0x00}));
}

TEST(Biff8Records, CellRecordsCarryRowColumnAndFormat) {
  Bytes out;
  LabelSst(out, 1, 2, 15, 7);
  EXPECT_EQ(out, (Bytes{0xFD, 0x00, 0x0A, 0x00, 0x01, 0x00, 0x02, 0x00, 0x0F, 0x00, 0x07, 0x00,
                        0x00, 0x00}));
  out.clear();
  Number(out, 0x1234, 255, 21, 0.1);  // 0.1 = 0x3FB999999999999A
  EXPECT_EQ(out, (Bytes{0x03, 0x02, 0x0E, 0x00, 0x34, 0x12, 0xFF, 0x00, 0x15, 0x00, 0x9A, 0x99,
                        0x99, 0x99, 0x99, 0x99, 0xB9, 0x3F}));
  out.clear();
  BoolErr(out, 3, 0, 15, true);
  BoolErr(out, 4, 0, 15, false);
  EXPECT_EQ(out, (Bytes{0x05, 0x02, 0x08, 0x00, 0x03, 0x00, 0x00, 0x00, 0x0F, 0x00, 0x01, 0x00,
                        0x05, 0x02, 0x08, 0x00, 0x04, 0x00, 0x00, 0x00, 0x0F, 0x00, 0x00, 0x00}));
  out.clear();
  Rk(out, 65535, 1, 15, 0x3FF00000);
  EXPECT_EQ(out, (Bytes{0x7E, 0x02, 0x0A, 0x00, 0xFF, 0xFF, 0x01, 0x00, 0x0F, 0x00, 0x00, 0x00,
                        0xF0, 0x3F}));
}

TEST(Biff8Records, RkTakesOnlyValuesItGivesBackExactly) {
  uint32_t rk = 0;
  ASSERT_TRUE(EncodeRk(1.0, rk));  // high 30 bits of the double suffice
  EXPECT_EQ(rk, 0x3FF00000u);
  ASSERT_TRUE(EncodeRk(123456789, rk));  // 30-bit integer
  EXPECT_EQ(rk, (123456789u << 2) | 2);
  ASSERT_TRUE(EncodeRk(-5, rk));
  EXPECT_EQ(DecodeRk(rk), -5);
  ASSERT_TRUE(EncodeRk(1.23, rk));  // 123 / 100
  EXPECT_EQ(rk, (123u << 2) | 3);
  for (double v : {0.0, -0.0, 0.5, 42.0, -536870912.0, 536870911.0, 19.99, -0.01, 45000.25, 1e300,
                   3.14159, 1234567890123.0, 0.1, 536870912.0, 2.5e-7}) {
    Bytes out;
    NumberCell(out, 0, 0, 15, v);
    if (out[0] == 0x7E) {
      uint32_t got;
      std::memcpy(&got, &out[10], 4);
      EXPECT_EQ(Bits(DecodeRk(got)), Bits(v)) << v;
    } else {
      ASSERT_EQ(out[0], 0x03) << v;
      double got;
      std::memcpy(&got, &out[10], 8);
      EXPECT_EQ(Bits(got), Bits(v)) << v;
    }
  }
  EXPECT_FALSE(EncodeRk(3.14159, rk));
  EXPECT_FALSE(EncodeRk(1234567890123.0, rk));
}

TEST(Biff8Records, SheetLayoutRecords) {
  Bytes out;
  Dimensions(out, 65536, 256);
  EXPECT_EQ(out, (Bytes{0x00, 0x02, 0x0E, 0x00, 0, 0, 0, 0, 0x00, 0x00, 0x01, 0x00, 0, 0, 0x00,
                        0x01, 0, 0}));
  out.clear();
  ColInfo(out, 3, 3, 12 * 256, 15);
  EXPECT_EQ(out, (Bytes{0x7D, 0x00, 0x0C, 0x00, 0x03, 0x00, 0x03, 0x00, 0x00, 0x0C, 0x0F, 0x00,
                        0x06, 0x00, 0x00, 0x00}));
  out.clear();
  Window2(out, true);
  Window2(out, false);
  ASSERT_EQ(out.size(), 44u);
  EXPECT_EQ(out[0], 0x3E);
  EXPECT_EQ(out[1], 0x02);
  EXPECT_EQ(out[2], 18);
  EXPECT_EQ(out[4] | out[5] << 8, 0x06B6);  // selected and shown
  EXPECT_EQ(out[26] | out[27] << 8, 0x00B6);
  out.clear();
  DefColWidth(out, 8);
  WsBool(out);
  EXPECT_EQ(out, (Bytes{0x55, 0x00, 0x02, 0x00, 0x08, 0x00, 0x81, 0x00, 0x02, 0x00, 0xC1, 0x04}));
}

TEST(Biff8Records, BoundSheetNamesAreCompressedUnlessTheyNeedSixteenBits) {
  Bytes out;
  BoundSheet(out, 0x00012345, u"EMP");
  EXPECT_EQ(out, (Bytes{0x85, 0x00, 0x0B, 0x00, 0x45, 0x23, 0x01, 0x00, 0x00, 0x00, 0x03, 0x00, 'E',
                        'M', 'P'}));
  EXPECT_EQ(BoundSheetSize(u"EMP"), out.size());
  out.clear();
  BoundSheet(out, 0x100, u"员工");  // U+5458 U+5DE5
  EXPECT_EQ(out, (Bytes{0x85, 0x00, 0x0C, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x02, 0x01,
                        0x58, 0x54, 0xE5, 0x5D}));
  EXPECT_EQ(BoundSheetSize(u"员工"), out.size());
}

TEST(Biff8Records, GlobalsRecords) {
  Bytes out;
  CodePage(out);
  EXPECT_EQ(out, (Bytes{0x42, 0x00, 0x02, 0x00, 0xB0, 0x04}));
  out.clear();
  Window1(out, 2);
  ASSERT_EQ(out.size(), 22u);
  EXPECT_EQ(out[14], 2);  // the active tab
  EXPECT_EQ(out[18], 1);  // one tab selected
  out.clear();
  WriteAccess(out, u"mvq");
  ASSERT_EQ(out.size(), 116u);
  EXPECT_EQ(Bytes(out.begin() + 4, out.begin() + 10), (Bytes{0x03, 0x00, 0x00, 'm', 'v', 'q'}));
  EXPECT_EQ(out.back(), 0x20);
  out.clear();
  Format(out, 164, u"yyyy-mm-dd");
  EXPECT_EQ(out, (Bytes{0x1E, 0x04, 0x0F, 0x00, 0xA4, 0x00, 0x0A, 0x00, 0x00, 'y', 'y', 'y', 'y',
                        '-', 'm', 'm', '-', 'd', 'd'}));
  out.clear();
  Font(out, u"Arial", 200, false);
  EXPECT_EQ(out,
            (Bytes{0x31, 0x00, 0x15, 0x00, 0xC8, 0x00, 0x00, 0x00, 0xFF, 0x7F, 0x90, 0x01, 0x00,
                   0x00, 0x00, 0x00, 0x00, 0x00, 0x05, 0x00, 'A',  'r',  'i',  'a',  'l'}));
  out.clear();
  BuiltinStyle(out, 0, 0);
  EXPECT_EQ(out, (Bytes{0x93, 0x02, 0x04, 0x00, 0x00, 0x80, 0x00, 0xFF}));
  out.clear();
  const std::pair<uint32_t, uint16_t> buckets[] = {{0x1000, 12}, {0x30010, 4}};
  ExtSst(out, 8, buckets);
  EXPECT_EQ(out, (Bytes{0xFF, 0x00, 0x12, 0x00, 0x08, 0x00, 0x00, 0x10, 0,    0, 0x0C,
                        0x00, 0,    0,    0x10, 0x00, 0x03, 0x00, 0x04, 0x00, 0, 0}));
}

TEST(Biff8Records, StyleTableHasExcelsDefaultsAndDateFormats) {
  Bytes out;
  StyleTable(out);
  // Walk the records and count by id; check the XFs of the date kinds.
  int fonts = 0, formats = 0, styles = 0;
  std::vector<Bytes> xfs;
  for (size_t p = 0; p + 4 <= out.size();) {
    const uint16_t id = out[p] | out[p + 1] << 8;
    const uint16_t len = out[p + 2] | out[p + 3] << 8;
    ASSERT_LE(p + 4 + len, out.size());
    if (id == kFont) ++fonts;
    if (id == kFormat) ++formats;
    if (id == kStyle) ++styles;
    if (id == kXf) xfs.emplace_back(out.begin() + p + 4, out.begin() + p + 4 + len);
    p += 4 + len;
  }
  EXPECT_EQ(fonts, 5);
  EXPECT_EQ(formats, 3);
  EXPECT_EQ(styles, 6);
  ASSERT_EQ(xfs.size(), 24u);
  EXPECT_EQ(xfs[0],
            (Bytes{0, 0, 0, 0, 0xF5, 0xFF, 0x20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0x20}));
  EXPECT_EQ(xfs[kXfGeneral],
            (Bytes{0, 0, 0, 0, 0x01, 0x00, 0x20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0x20}));
  for (auto [xf, format] :
       {std::pair{kXfDate, kFormatDate}, {kXfDateTime, kFormatDateTime}, {kXfTime, kFormatTime}}) {
    EXPECT_EQ(xfs[xf][2] | xfs[xf][3] << 8, format);
    EXPECT_EQ(xfs[xf][4], 0x01);  // a cell XF under style XF 0
    EXPECT_EQ(xfs[xf][9], 0x04);  // its number format differs from the style's
  }
  EXPECT_EQ(XfFor(CellKind::kDate), kXfDate);
  EXPECT_EQ(XfFor(CellKind::kText), kXfGeneral);
}

}  // namespace
}  // namespace mvq::xls::biff8
