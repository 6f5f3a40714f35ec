// Whole .xls files taken apart again: the OLE2 container's Workbook stream, the order of
// its substreams, and every position one record gives of another.
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-utils.h>
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/files/ReplacingFile.h"
#include "platform/xls/Biff8Records.h"
#include "platform/xls/Biff8Styles.h"
#include "platform/xls/Workbook.h"
#include "platform/xls/XlsError.h"
#include "support/TempDir.h"

namespace mvq::xls {
namespace {

using biff8::Bytes;

Bytes ReadWorkbookStream(const std::string& path) {
  gsf_init();
  GError* err = nullptr;
  GsfInput* file = gsf_input_stdio_new(path.c_str(), &err);
  EXPECT_NE(file, nullptr);
  if (!file) return {};
  GsfInfile* ole = gsf_infile_msole_new(file, &err);
  EXPECT_NE(ole, nullptr);
  Bytes out;
  if (ole) {
    EXPECT_EQ(gsf_infile_num_children(ole), 1);
    GsfInput* stream = gsf_infile_child_by_name(ole, "Workbook");
    EXPECT_NE(stream, nullptr);
    if (stream) {
      out.resize(static_cast<size_t>(gsf_input_size(stream)));
      gsf_input_read(stream, out.size(), out.data());
      g_object_unref(stream);
    }
    g_object_unref(ole);
  }
  g_object_unref(file);
  return out;
}

uint16_t U16(const Bytes& b, size_t at) {
  return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}
uint32_t U32(const Bytes& b, size_t at) {
  return U16(b, at) | uint32_t{U16(b, at + 2)} << 16;
}

struct Rec {
  uint16_t id;
  size_t pos;
  Bytes data;
};

std::vector<Rec> Walk(const Bytes& s) {
  std::vector<Rec> out;
  size_t p = 0;
  while (p + 4 <= s.size()) {
    const uint16_t len = U16(s, p + 2);
    EXPECT_LE(len, biff8::kMaxRecordData);
    EXPECT_LE(p + 4 + len, s.size());
    out.push_back({U16(s, p), p, Bytes(s.begin() + p + 4, s.begin() + p + 4 + len)});
    p += 4 + len;
  }
  EXPECT_EQ(p, s.size());
  return out;
}

class XlsFile : public ::testing::Test {
 protected:
  test::TempDir dir_;
  std::string path_ = dir_.File("book.xls");
};

TEST_F(XlsFile, SubstreamsAndTheirPositionsAgree) {
  Workbook book(FileFormat::kXls);
  Worksheet& a = book.AddSheet("A");
  a.FitColumnWidths();
  a.AppendRow(std::vector<Cell>{Cell::Text("ID"), Cell::Text("名称"), Cell::Text("WHEN")});
  for (int r = 1; r <= 3000; ++r)
    a.AppendRow(std::vector<Cell>{Cell::Number(r), Cell::Text("name " + std::to_string(r % 1000)),
                                  Cell::Date(2024, 1, 1 + r % 28), Cell::Bool(r % 2)});
  Worksheet& b = book.AddSheet("数据");
  b.AppendRow(std::vector<Cell>{Cell::Text("ID"), Cell::Text(std::string(9000, 'L'))});
  for (const char* n : {"Sheet1", "Sheet2", "Sheet3"}) book.DeleteSheet(n);
  book.Save(path_);

  const Bytes stream = ReadWorkbookStream(path_);
  const auto recs = Walk(stream);
  ASSERT_GT(recs.size(), 10u);
  ASSERT_EQ(recs[0].id, biff8::kBof);
  EXPECT_EQ(U16(recs[0].data, 2), 0x0005);

  std::map<size_t, size_t> byPos;  // stream position -> record index
  for (size_t i = 0; i < recs.size(); ++i) byPos[recs[i].pos] = i;

  std::vector<std::pair<std::string, uint32_t>> sheets;
  size_t sstAt = 0, extAt = 0, globalsEof = 0;
  for (size_t i = 0; i < recs.size() && !globalsEof; ++i) {
    const Rec& r = recs[i];
    if (r.id == biff8::kBoundSheet) {
      std::string name;
      const bool wide = r.data[7] & 1;
      for (size_t k = 0; k < r.data[6]; ++k)
        name += wide ? std::to_string(U16(r.data, 8 + 2 * k)) : std::string(1, r.data[8 + k]);
      sheets.emplace_back(name, U32(r.data, 0));
    }
    if (r.id == biff8::kSst) sstAt = i;
    if (r.id == biff8::kExtSst) extAt = i;
    if (r.id == biff8::kCodePage) {
      EXPECT_EQ(U16(r.data, 0), 1200);
    }
    if (r.id == biff8::kEof) globalsEof = i;
  }
  // Tabs: 数据 (U+6570 U+636E) then A; the active one is the first.
  ASSERT_EQ(sheets.size(), 2u);
  EXPECT_EQ(sheets[0].first, "2596825454");
  EXPECT_EQ(sheets[1].first, "A");
  ASSERT_GT(sstAt, 0u);
  ASSERT_EQ(extAt, globalsEof - 1);

  // Every BOUNDSHEET position is a worksheet BOF, and each substream ends in EOF.
  for (size_t s = 0; s < sheets.size(); ++s) {
    ASSERT_TRUE(byPos.count(sheets[s].second)) << s;
    size_t i = byPos[sheets[s].second];
    EXPECT_EQ(recs[i].id, biff8::kBof);
    EXPECT_EQ(U16(recs[i].data, 2), 0x0010);
    bool wsbool = false, window2 = false;
    for (++i; recs[i].id != biff8::kEof; ++i) {
      wsbool = wsbool || recs[i].id == biff8::kWsBool;
      if (recs[i].id == biff8::kWindow2) {
        window2 = true;
        EXPECT_EQ(U16(recs[i].data, 0), s == 0 ? 0x06B6 : 0x00B6);
      }
    }
    EXPECT_TRUE(wsbool && window2);
    if (s + 1 < sheets.size()) {
      EXPECT_EQ(recs[i + 1].pos, sheets[s + 1].second);
    }
  }

  // SST: 1,000 names + 3 headers + the long text, 3,003 + 2 references.
  const Bytes& sst = recs[sstAt].data;
  EXPECT_EQ(U32(sst, 0), 3005u);
  EXPECT_EQ(U32(sst, 4), 1004u);
  EXPECT_EQ(recs[sstAt + 1].id, biff8::kContinue);

  // EXTSST points at string headers: the first bucket at the first string of the SST.
  const Bytes& ext = recs[extAt].data;
  EXPECT_EQ(U16(ext, 0), 8);
  EXPECT_EQ(ext.size(), 2u + 8 * 126);  // 1,004 strings in buckets of 8
  EXPECT_EQ(U32(ext, 2), recs[sstAt].pos + 12);
  EXPECT_EQ(U16(ext, 6), 12);
  for (size_t k = 0; k < 126; ++k) {
    const uint32_t pos = U32(ext, 2 + 8 * k);
    const uint16_t off = U16(ext, 6 + 8 * k);
    const auto rec = std::prev(byPos.upper_bound(pos));
    EXPECT_EQ(pos - rec->first, off) << k;
    EXPECT_TRUE(recs[rec->second].id == biff8::kSst || recs[rec->second].id == biff8::kContinue);
  }

  // Sheet A: dimensions, fitted widths, a cell of each kind in row 2.
  size_t i = byPos[sheets[1].second];
  std::map<uint16_t, Bytes> cellsRow1;
  std::vector<uint16_t> widths;
  for (; recs[i].id != biff8::kEof; ++i) {
    const Rec& r = recs[i];
    if (r.id == biff8::kDimensions) {
      EXPECT_EQ(U32(r.data, 4), 3001u);
      EXPECT_EQ(U16(r.data, 10), 4);
    }
    if (r.id == biff8::kColInfo) widths.push_back(U16(r.data, 4));
    if (r.id == biff8::kLabelSst || r.id == biff8::kNumber || r.id == biff8::kRk ||
        r.id == biff8::kBoolErr) {
      if (U16(r.data, 0) == 1) {
        Bytes tagged = r.data;
        tagged.insert(tagged.begin(), static_cast<uint8_t>(r.id));  // low byte of the id
        cellsRow1[U16(r.data, 2)] = tagged;
      }
    }
  }
  EXPECT_EQ(widths, (std::vector<uint16_t>{5 * 256, 9 * 256, 11 * 256, 6 * 256}));
  ASSERT_EQ(cellsRow1.size(), 4u);
  EXPECT_EQ(cellsRow1[0][0], 0x7E);                 // RK: 1
  EXPECT_EQ(cellsRow1[1][0], 0xFD);                 // LABELSST
  EXPECT_EQ(U16(cellsRow1[2], 5), biff8::kXfDate);  // the date's XF
  EXPECT_EQ(cellsRow1[3][0], 0x05);                 // BOOLERR
  EXPECT_EQ(cellsRow1[3][7], 1);
}

TEST_F(XlsFile, NoRowsStillGivesAWorkbookOfThreeSheets) {
  Workbook book(FileFormat::kXls);
  book.Save(path_);
  const auto recs = Walk(ReadWorkbookStream(path_));
  int bofs = 0, bounds = 0;
  for (const Rec& r : recs) {
    bofs += r.id == biff8::kBof;
    bounds += r.id == biff8::kBoundSheet;
  }
  EXPECT_EQ(bounds, 3);
  EXPECT_EQ(bofs, 4);
}

TEST_F(XlsFile, UnwritableTargetIsAnError) {
  Workbook book(FileFormat::kXls);
  try {
    book.Save("/nonexistent-dir/out.xls");
    ADD_FAILURE() << "saved into a missing directory";
  } catch (const SaveFailure& e) {
    EXPECT_EQ(e.Path(), "/nonexistent-dir/out.xls");
    EXPECT_EQ(e.Cause(), "文件夹/nonexistent-dir不存在");
  }
}

}  // namespace
}  // namespace mvq::xls
