// The shared string table: SST and CONTINUE records split by the documented rules, the
// counts, sharing of repeated strings and the EXTSST index.
#include <gtest/gtest.h>

#include <string>

#include "platform/text/Utf8.h"
#include "platform/xls/Biff8Sst.h"
#include "platform/xls/TempFile.h"
#include "platform/xls/Unicode.h"

namespace mvq::xls::biff8 {
namespace {

struct Record {
  uint16_t id;
  uint64_t position;  // of the header
  Bytes data;
};

std::vector<Record> Records(const Bytes& stream) {
  std::vector<Record> out;
  for (size_t p = 0; p + 4 <= stream.size();) {
    const uint16_t id = stream[p] | stream[p + 1] << 8;
    const uint16_t len = stream[p + 2] | stream[p + 3] << 8;
    EXPECT_LE(len, kMaxRecordData);
    out.push_back({id, p, Bytes(stream.begin() + p + 4, stream.begin() + p + 4 + len)});
    p += 4 + len;
  }
  return out;
}

struct Parsed {
  uint32_t total = 0, unique = 0;
  std::vector<std::u16string> strings;
  std::vector<std::pair<uint64_t, uint16_t>> starts;  // stream position, offset in record
};

// Reads the table back the way the format describes it; fails the test on a rule broken.
Parsed ParseSst(const Bytes& stream) {
  Parsed out;
  const auto records = Records(stream);
  EXPECT_FALSE(records.empty());
  if (records.empty()) return out;
  EXPECT_EQ(records[0].id, kSst);
  size_t r = 0, p = 8;
  const Bytes* d = &records[0].data;
  out.total = (*d)[0] | (*d)[1] << 8 | (*d)[2] << 16 | (*d)[3] << 24;
  out.unique = (*d)[4] | (*d)[5] << 8 | (*d)[6] << 16 | (*d)[7] << 24;
  const auto next = [&] {
    ++r;
    EXPECT_LT(r, records.size());
    EXPECT_EQ(records[r].id, kContinue);
    d = &records[r].data;
    p = 0;
  };
  for (uint32_t s = 0; s < out.unique; ++s) {
    if (p == d->size()) next();
    EXPECT_LE(p + 3, d->size()) << "string header split";
    out.starts.emplace_back(records[r].position + 4 + p, static_cast<uint16_t>(4 + p));
    const size_t n = (*d)[p] | (*d)[p + 1] << 8;
    bool wide = (*d)[p + 2] & 1;
    p += 3;
    if (n > 0) {
      EXPECT_LE(p + (wide ? 2 : 1), d->size()) << "first character left behind";
    }
    std::u16string str;
    while (str.size() < n) {
      if (p == d->size()) {
        next();
        wide = (*d)[p++] & 1;  // continued strings repeat their flag byte
      }
      if (wide) {
        EXPECT_LE(p + 2, d->size()) << "16-bit character split";
        str += static_cast<char16_t>((*d)[p] | (*d)[p + 1] << 8);
        p += 2;
      } else {
        str += static_cast<char16_t>((*d)[p++]);
      }
    }
    out.strings.push_back(str);
  }
  EXPECT_EQ(p, d->size());
  EXPECT_EQ(r + 1, records.size());
  return out;
}

struct Table {
  TempFile file;
  SstWriter sst{file, size_t{1} << 30};
  Bytes Finish() {
    sst.Finish();
    Bytes out(file.Size());
    file.ReadAt(0, out.data(), out.size());
    EXPECT_EQ(out.size(), sst.Size());
    return out;
  }
};

std::u16string U16(const std::string& s) {
  return text::Utf8ToUtf16(s);
}

TEST(Sst, SmallTableBytes) {
  Table t;
  EXPECT_EQ(t.sst.Add("a"), 0u);
  EXPECT_EQ(t.sst.Add("bc"), 1u);
  EXPECT_EQ(t.sst.Add("a"), 0u);
  EXPECT_EQ(t.sst.Add("中"), 2u);
  EXPECT_EQ(t.Finish(), (Bytes{0xFC, 0x00, 0x16, 0x00, 0x04, 0, 0, 0, 0x03, 0, 0, 0,  //
                               0x01, 0x00, 0x00, 'a',                                 //
                               0x02, 0x00, 0x00, 'b',  'c',                           //
                               0x01, 0x00, 0x01, 0x2D, 0x4E}));
  EXPECT_EQ(t.sst.Total(), 4u);
  EXPECT_EQ(t.sst.Unique(), 3u);
}

TEST(Sst, EmptyTableIsOneRecordOfCounts) {
  Table t;
  EXPECT_EQ(t.Finish(), (Bytes{0xFC, 0x00, 0x08, 0x00, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(Sst, LongStringGoesOnInContinueWithItsFlagByte) {
  Table t;
  const std::string big(10000, 'x');
  t.sst.Add(big);
  t.sst.Add("y");
  const Bytes stream = t.Finish();
  const auto records = Records(stream);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].data.size(), 8224u);  // counts, header, 8,213 characters
  EXPECT_EQ(records[1].id, kContinue);
  ASSERT_EQ(records[1].data.size(), 1u + 1787 + 4);
  EXPECT_EQ(records[1].data[0], 0x00);  // flag byte again: compressed
  EXPECT_EQ(records[1].data[1], 'x');
  EXPECT_EQ(Bytes(records[1].data.end() - 4, records[1].data.end()),
            (Bytes{0x01, 0x00, 0x00, 'y'}));
  const Parsed back = ParseSst(stream);
  ASSERT_EQ(back.strings.size(), 2u);
  EXPECT_EQ(back.strings[0], U16(big));
}

TEST(Sst, StringHeaderMovesWithItsFirstCharacter) {
  Table t;
  t.sst.Add(std::string(8210, 'x'));  // leaves 3 bytes: header fits, a 16-bit first char not
  t.sst.Add("中文");
  const Bytes stream = t.Finish();
  const auto records = Records(stream);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].data.size(), 8221u);
  EXPECT_EQ(records[1].data, (Bytes{0x02, 0x00, 0x01, 0x2D, 0x4E, 0x87, 0x65}));
  EXPECT_EQ(ParseSst(stream).strings[1], u"中文");
}

TEST(Sst, SixteenBitCharactersAreNeverSplit) {
  Table t;
  t.sst.Add(std::string(8201, 'x'));  // leaves 12 bytes: header and 4 characters, 1 unused
  std::string wide;
  for (int i = 0; i < 10; ++i) wide += "中";
  t.sst.Add(wide);
  const Bytes stream = t.Finish();
  const auto records = Records(stream);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].data.size(), 8223u);
  EXPECT_EQ(Bytes(records[0].data.end() - 11, records[0].data.end()),
            (Bytes{0x0A, 0x00, 0x01, 0x2D, 0x4E, 0x2D, 0x4E, 0x2D, 0x4E, 0x2D, 0x4E}));
  ASSERT_EQ(records[1].data.size(), 13u);
  EXPECT_EQ(records[1].data[0], 0x01);  // the rest stays 16-bit
  EXPECT_EQ(ParseSst(stream).strings[1], U16(wide));
}

TEST(Sst, StringLongerThanTwoRecordsAndMixedTablesReadBack) {
  Table t;
  std::vector<std::string> in;
  for (int i = 0; i < 3000; ++i) {
    std::string s = "row " + std::to_string(i);
    if (i % 7 == 0) s += " 中文数据";
    if (i % 500 == 3) s += std::string(20000 + i, 'z');
    if (i % 900 == 5) {
      for (int k = 0; k < 9000; ++k) s += "宽";
    }
    in.push_back(s);
    EXPECT_EQ(t.sst.Add(s), static_cast<uint32_t>(i));
  }
  const Parsed back = ParseSst(t.Finish());
  EXPECT_EQ(back.total, 3000u);
  ASSERT_EQ(back.strings.size(), in.size());
  for (size_t i = 0; i < in.size(); ++i) ASSERT_EQ(back.strings[i], U16(in[i])) << i;

  // EXTSST: 3000 strings need buckets of 24 to stay within 128; each entry points at the
  // first string of its bucket.
  Bytes ext;
  const uint32_t sstAt = 1000;
  t.sst.WriteExtSst(ext, sstAt);
  const auto rec = Records(ext);
  ASSERT_EQ(rec.size(), 1u);
  EXPECT_EQ(rec[0].id, kExtSst);
  const Bytes& d = rec[0].data;
  const uint16_t per = d[0] | d[1] << 8;
  EXPECT_EQ(per, 24);
  ASSERT_EQ(d.size(), 2u + 8 * 125);
  for (size_t b = 0; b < 125; ++b) {
    const uint8_t* e = &d[2 + 8 * b];
    const uint32_t pos = e[0] | e[1] << 8 | e[2] << 16 | static_cast<uint32_t>(e[3]) << 24;
    const uint16_t off = e[4] | e[5] << 8;
    EXPECT_EQ(pos, sstAt + back.starts[b * per].first) << b;
    EXPECT_EQ(off, back.starts[b * per].second) << b;
  }
}

TEST(Sst, RepeatsAreSharedWithinTheBudgetAndStoredAgainPastIt) {
  TempFile file;
  SstWriter sst(file, 64 * 3);  // room to remember two short strings
  EXPECT_EQ(sst.Add("a"), 0u);
  EXPECT_EQ(sst.Add("b"), 1u);
  EXPECT_EQ(sst.Add("a"), 0u);
  EXPECT_EQ(sst.Add("c"), 2u);
  EXPECT_EQ(sst.Add("d"), 3u);
  EXPECT_EQ(sst.Add("d"), 4u);  // not remembered: stored again
  EXPECT_EQ(sst.Add("b"), 1u);
  sst.Finish();
  Bytes out(file.Size());
  file.ReadAt(0, out.data(), out.size());
  const Parsed back = ParseSst(out);
  EXPECT_EQ(back.total, 7u);
  EXPECT_EQ(back.unique, 5u);
  EXPECT_EQ(back.strings, (std::vector<std::u16string>{u"a", u"b", u"c", u"d", u"d"}));
}

}  // namespace
}  // namespace mvq::xls::biff8
