// Jet 4 tables read from the file: every type's edge values as the writer stored them, an
// Access-made file as MDBTools reads it where MDBTools is right, and damaged files refused.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/jet/DataPage.h"
#include "platform/jet/JetChecker.h"
#include "platform/jet/JetDatabase.h"
#include "platform/jet/JetReader.h"
#include "platform/jet/JetSql.h"
#include "platform/jet/JetTableQuery.h"
#include "platform/jet/JetText.h"
#include "platform/jet/ValueCodec.h"
#include "platform/jet/ValueDecode.h"
#include "platform/text/Utf8.h"
#include "support/AccessReadBack.h"
#include "support/JetColumns.h"
#include "support/TempDir.h"
#include "support/VariantPrint.h"

namespace mvq::jet {
namespace {

using db::Variant;
using test::At;
Column Col(const char* n, ColType t, uint16_t length = 0) {
  return test::JetCol(n, t, length);
}

// One column per type; each row sets one column and leaves the rest null.
TableSchema Types() {
  TableSchema t;
  t.name = "edge values";
  t.columns = {Col("K", ColType::Long),         Col("YES", ColType::Bool),
               Col("B", ColType::Byte),         Col("I", ColType::Int),
               Col("L", ColType::Long),         Col("M", ColType::Money),
               Col("F", ColType::Float),        Col("D", ColType::Double),
               Col("T", ColType::DateTime),     Col("TX", ColType::Text, 2 * 255),
               Col("MEMO", ColType::Memo),      Col("OLE", ColType::Ole),
               Col("G", ColType::Guid),         Col("N", ColType::Numeric),
               Col("BIN", ColType::Binary, 255)};
  t.columns[13].precision = 28;
  t.columns[13].scale = 6;
  return t;
}

db::Bytes EveryByte(size_t n) {
  db::Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = uint8_t(i * 31 + i / 256);
  return b;
}

std::string LongChinese(size_t chars) {
  std::string s;
  for (size_t i = 0; s.size() < chars * 3; ++i)
    s += (i % 3 == 0) ? "汉" : (i % 3 == 1 ? "字" : "书");
  return s;
}

// Column index, the value stored and the value the reader must give (the same unless said).
struct Edge {
  size_t column;
  Variant stored, read;
};

std::vector<Edge> Edges() {
  const float fmax = 3.40282347e38f, fmin = 1.17549435e-38f, ftiny = 1.4e-45f;
  return {
      {1, true, true},
      {1, false, false},
      {2, int64_t(0), int64_t(0)},
      {2, int64_t(255), int64_t(255)},
      {3, int64_t(-32768), int64_t(-32768)},
      {3, int64_t(32767), int64_t(32767)},
      {4, int64_t(INT32_MIN), int64_t(INT32_MIN)},
      {4, int64_t(INT32_MAX), int64_t(INT32_MAX)},
      {5, db::Decimal{"-922337203685477.5808"}, db::Decimal{"-922337203685477.5808"}},
      {5, db::Decimal{"922337203685477.5807"}, db::Decimal{"922337203685477.5807"}},
      {5, db::Decimal{"0.0001"}, db::Decimal{"0.0001"}},
      {5, db::Decimal{"-12.5"}, db::Decimal{"-12.5"}},
      {5, db::Decimal{"0"}, db::Decimal{"0"}},
      {6, double(fmax), double(fmax)},
      {6, double(-fmin), double(-fmin)},
      {6, double(ftiny), double(ftiny)},
      {6, 0.1, double(0.1f)},  // a Single holds the float nearest
      {6, -0.0, -0.0},
      {7, 0.30000000000000004, 0.30000000000000004},
      {7, 1.7976931348623157e308, 1.7976931348623157e308},
      {7, 4.9406564584124654e-324, 4.9406564584124654e-324},
      {7, -0.0, -0.0},
      {8, At(100, 1, 1), At(100, 1, 1)},
      {8, At(1890, 3, 4, 12, 34, 56), At(1890, 3, 4, 12, 34, 56)},
      {8, At(1899, 12, 29, 6), At(1899, 12, 29, 6)},
      {8, At(1899, 12, 30), At(1899, 12, 30)},
      {8, At(1900, 2, 28, 23, 59, 59), At(1900, 2, 28, 23, 59, 59)},
      {8, At(2024, 2, 29, 13, 45, 30, 123000000), At(2024, 2, 29, 13, 45, 30, 123000000)},
      {8, At(9999, 12, 31, 23, 59, 59), At(9999, 12, 31, 23, 59, 59)},
      {9, "", ""},
      {9, "北京市朝阳区 O'Brien \"q\"", "北京市朝阳区 O'Brien \"q\""},
      {9, std::string(255, 'z'), std::string(255, 'z')},
      {10, "", ""},
      {10, "short memo", "short memo"},
      {10, std::string(3000, 'm'), std::string(3000, 'm')},  // one record
      {10, LongChinese(20000), LongChinese(20000)},          // a chain of records
      {11, EveryByte(100 * 1024), EveryByte(100 * 1024)},
      {11, EveryByte(10), EveryByte(10)},
      {12, "{6F9619FF-8B86-D011-B42D-00C04FC964FF}", "{6F9619FF-8B86-D011-B42D-00C04FC964FF}"},
      {13, db::Decimal{"9999999999999999999999.999999"},
       db::Decimal{"9999999999999999999999.999999"}},
      {13, db::Decimal{"-0.000001"}, db::Decimal{"-0.000001"}},
      {13, db::Decimal{"0"}, db::Decimal{"0"}},
      {14, db::Bytes{}, db::Bytes{}},
      {14, EveryByte(255), EveryByte(255)},
  };
}

// Doubles compared bit for bit, so that -0.0 differs from 0.0.
bool SameValue(const Variant& a, const Variant& b) {
  if (a.kind() == Variant::Kind::Double && b.kind() == Variant::Kind::Double)
    return std::signbit(a.AsDouble()) == std::signbit(b.AsDouble()) && a.AsDouble() == b.AsDouble();
  return a == b;
}

std::string Show(const Variant& v) {
  std::ostringstream os;
  db::PrintTo(v, &os);
  return os.str();
}

class JetReaderTest : public ::testing::Test {
 protected:
  // A file whose table holds one row per edge value, keyed by its place in Edges().
  std::string WriteEdges() {
    const std::string path = dir_.File("edges.mdb");
    auto db = JetDatabase::Create(path);
    TableWriter& t = db->CreateTable(Types());
    auto edges = Edges();
    for (size_t k = 0; k < edges.size(); ++k) {
      std::vector<Variant> row(Types().columns.size());
      row[0] = int64_t(k);
      row[edges[k].column] = edges[k].stored;
      EXPECT_EQ(t.Append(row), std::nullopt) << k;
    }
    std::vector<Variant> nulls(Types().columns.size());
    nulls[0] = int64_t(edges.size());
    EXPECT_EQ(t.Append(nulls), std::nullopt);
    db->Commit();
    return path;
  }
  test::TempDir dir_;
};

TEST_F(JetReaderTest, EveryTypesEdgeValuesComeBackAsStoredAndNullsAsNull) {
  const std::string path = WriteEdges();
  auto reader = JetReader::Open(path);
  ASSERT_TRUE(reader);
  const JetReader::Table* table = reader->Find("EDGE VALUES");  // letter case ignored
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->name, "edge values");
  auto edges = Edges();
  EXPECT_EQ(reader->CountRows(*table), int64_t(edges.size() + 1));
  auto rows = reader->Rows(*table);
  std::vector<Variant> row;
  size_t seen = 0;
  while (rows->Next(row)) {
    const size_t k = size_t(row[0].AsInt());
    ASSERT_LE(k, edges.size());
    ++seen;
    for (size_t c = 1; c < row.size(); ++c) {
      if (k < edges.size() && c == edges[k].column) {
        EXPECT_TRUE(SameValue(row[c], edges[k].read))
            << "row " << k << " column " << c << ": " << Show(row[c]) << " for "
            << Show(edges[k].read);
      } else if (c == 1) {
        EXPECT_EQ(row[c], Variant(false)) << k;  // Yes/No is never null in Jet
      } else {
        EXPECT_TRUE(row[c].IsNull()) << "row " << k << " column " << c << ": " << Show(row[c]);
      }
    }
  }
  EXPECT_EQ(seen, edges.size() + 1);
}

TEST_F(JetReaderTest, QueriesDescribeAccessTypesAndStreamOrHoldTheRows) {
  const std::string path = WriteEdges();
  std::shared_ptr<const JetReader> reader = JetReader::Open(path);
  const JetReader::Table& table = *reader->Find("edge values");
  auto probe = TableRowsQuery(reader, table, db::Fetch::All, true);
  ASSERT_EQ(probe->Fields().size(), Types().columns.size());
  EXPECT_TRUE(probe->Eof());
  EXPECT_EQ(probe->RecordCount(), 0);
  const auto& f = probe->Fields();
  EXPECT_EQ(f[3].adoType, db::adSmallInt);
  EXPECT_EQ(f[5].adoType, db::adCurrency);
  EXPECT_EQ(f[5].category, db::ftBCD);
  EXPECT_EQ(f[5].precision, 19);
  EXPECT_EQ(f[5].scale, 4);
  EXPECT_EQ(f[6].adoType, db::adSingle);
  EXPECT_EQ(f[8].category, db::ftDateTime);
  EXPECT_EQ(f[9].adoType, db::adVarWChar);
  EXPECT_EQ(f[9].definedSize, 255);
  EXPECT_EQ(f[10].category, db::ftMemo);
  EXPECT_EQ(f[11].category, db::ftBlob);
  EXPECT_EQ(f[13].precision, 28);
  EXPECT_EQ(f[13].scale, 6);
  EXPECT_EQ(f[14].definedSize, 255);

  auto all = TableRowsQuery(reader, table, db::Fetch::All, false);
  auto stream = TableRowsQuery(reader, table, db::Fetch::Stream, false);
  EXPECT_EQ(all->RecordCount(), int64_t(Edges().size() + 1));
  EXPECT_EQ(stream->RecordCount(), -1);
  size_t n = 0;
  for (; !stream->Eof(); stream->Next(), all->Next(), ++n) {
    ASSERT_FALSE(all->Eof());
    for (size_t c = 0; c < f.size(); ++c)
      EXPECT_TRUE(SameValue(stream->Value(c), all->Value(c))) << n << " " << c;
  }
  EXPECT_TRUE(all->Eof());
  EXPECT_EQ(n, Edges().size() + 1);
  EXPECT_THROW(stream->First(), db::DbError);
  all->First();
  EXPECT_EQ(all->Value(0), Variant(int64_t(0)));
}

TEST(JetReaderDates, EveryDayAndSecondReadsBackAsWritten) {
  for (int y : {100, 1000, 1752, 1899, 1900, 1970, 2000, 2038, 9999})
    for (int m : {1, 2, 12})
      for (int s : {0, 1, 43199, 43200, 86399}) {
        db::DateTime t = At(y, m, m == 2 ? 28 : 31, s / 3600, s / 60 % 60, s % 60);
        EXPECT_EQ(FromJetDate(JetDate(t)), t) << Show(Variant(t));
      }
  // Fractions to the millisecond, rounded; 23:59:59.9996 is the next day's midnight.
  EXPECT_EQ(FromJetDate(JetDate(At(2024, 2, 29, 13, 45, 30, 123456789))),
            At(2024, 2, 29, 13, 45, 30, 123000000));
  EXPECT_EQ(FromJetDate(JetDate(At(9999, 12, 31, 23, 59, 58, 999600000))),
            At(9999, 12, 31, 23, 59, 59));
  EXPECT_EQ(FromJetDate(JetDate(At(2024, 2, 28, 23, 59, 59, 999600000))), At(2024, 2, 29));
  EXPECT_EQ(FromJetDate(JetDate(At(1899, 12, 29, 23, 59, 59, 999600000))), At(1899, 12, 30));
  EXPECT_EQ(FromJetDate(-1.25), At(1899, 12, 29, 6));
  EXPECT_EQ(FromJetDate(-0.25), At(1899, 12, 30, 6));     // Access reads the day before 0 so too
  EXPECT_EQ(FromJetDate(1.0 - 1e-12), At(1899, 12, 31));  // a millisecond rounds to the next day
  EXPECT_THROW(FromJetDate(std::nan("")), JetError);
  EXPECT_THROW(FromJetDate(1e300), JetError);
}

TEST(JetReaderText, EitherStoredFormReadsBackAndALoneSurrogateIsKeptWhereATargetFindsIt) {
  Column text = Col("TX", ColType::Text, 2 * 20);
  auto read = [&](const Bytes& stored) {
    Cell cell;
    cell.null = false;
    cell.bytes = stored;
    return DecodeValue(text, cell, {});
  };
  EXPECT_EQ(read(CompressedText(u"plain")), Variant("plain"));
  // The compressed form switches to two bytes a character at a zero byte.
  EXPECT_EQ(read({0xff, 0xfe, 'a', 0, 0x2d, 0x4e, 0, 'b'}), Variant("a中b"));
  EXPECT_EQ(read(Utf16Le(u"客户")), Variant("客户"));
  EXPECT_EQ(read({}), Variant(""));
  const Variant lone = read(Utf16Le(std::u16string{u'a', char16_t(0xD800), u'b'}));
  EXPECT_EQ(lone, Variant("a\xED\xA0\x80"
                          "b"));
  EXPECT_FALSE(text::IsValidUtf8(lone.Str()));
  EXPECT_EQ(read(Utf16Le(u"😀")), Variant("\xF0\x9F\x98\x80"));
}

TEST(JetSelect, WholeTableReadsAreRecognisedAndOthersLeftToTheDriver) {
  auto s = ParseSelect("select * from [客户 Data]");
  ASSERT_TRUE(s);
  EXPECT_EQ(s->table, "客户 Data");
  EXPECT_FALSE(s->count);
  EXPECT_FALSE(s->noRows);
  s = ParseSelect("SELECT * FROM Users WHERE 1=2");
  ASSERT_TRUE(s);
  EXPECT_EQ(s->table, "Users");
  EXPECT_TRUE(s->noRows);
  s = ParseSelect("select count(*) from \"Muffin/Bread\"");
  ASSERT_TRUE(s);
  EXPECT_TRUE(s->count);
  EXPECT_EQ(s->table, "Muffin/Bread");
  for (const char* other :
       {"select top 10 * from [t] order by [k]", "select a from t", "select * from t where 1=1",
        "select * from t where k > 3", "select * from [t", "select count(k) from t",
        "select * from a, b", "update t set a = 1"})
    EXPECT_FALSE(ParseSelect(other)) << other;
}

TEST_F(JetReaderTest, AnAccessMadeFileReadsAsMdbToolsExportsIt) {
  for (const char* file : {"node-adodb.mdb", "fruit.mdb"}) {
    const std::string path = std::string(MVQ_FIXTURE_DIR) + "/" + file;
    if (!std::filesystem::exists(path)) GTEST_SKIP() << "run scripts/fixtures";
    auto reader = JetReader::Open(path);
    ASSERT_TRUE(reader) << file;
    size_t user = 0;
    for (const JetReader::Table& t : reader->Tables()) {
      if (t.name.rfind("MSys", 0) == 0) continue;
      ++user;
      // mdb-export's CSV: text and dates quoted, numbers bare, Yes/No as 1/0, dates as given by -T.
      std::string ours;
      {
        TableSchema schema = reader->Schema(t);
        for (size_t c = 0; c < schema.columns.size(); ++c)
          ours += (c ? "," : "") + schema.columns[c].name;
        ours += "\n";
        auto rows = reader->Rows(t);
        std::vector<Variant> row;
        while (rows->Next(row)) {
          for (size_t c = 0; c < row.size(); ++c) {
            if (c) ours += ",";
            const Variant& v = row[c];
            if (v.kind() == Variant::Kind::Bool)
              ours += v.AsBool() ? "1" : "0";
            else if (v.kind() == Variant::Kind::String || v.kind() == Variant::Kind::DateTime)
              ours += "\"" + v.AsText() + "\"";
            else
              ours += v.AsText();
          }
          ours += "\n";
        }
      }
      EXPECT_EQ(ours, test::MdbExport(path, t.name)) << file << " " << t.name;
      EXPECT_EQ(std::to_string(reader->CountRows(t)) + "\n",
                test::Shell("mdb-count " + test::Quoted(path) + " " + test::Quoted(t.name)));
    }
    EXPECT_GT(user, 0u) << file;
  }
}

TEST_F(JetReaderTest, ARowAccessMovedToAnotherPlaceIsReadOnceFromWhereItLives) {
  const std::string path = WriteEdges();
  std::vector<std::vector<Variant>> before;
  uint32_t owner = 0;
  {
    auto reader = JetReader::Open(path);
    const JetReader::Table& t = *reader->Find("edge values");
    owner = t.definitionPage;
    auto rows = reader->Rows(t);
    for (std::vector<Variant> row; rows->Next(row);) before.push_back(row);
  }
  // Access's way: the row's bytes go to a new place flagged deleted (page scans pass it by),
  // and the old place keeps a pointer to it (row number, then the page in three bytes),
  // flagged moved.
  std::string bytes = test::ReadBytes(path);
  bool moved = false;
  for (size_t p = 3; !moved && p * kPageSize < bytes.size(); ++p) {
    Page page(bytes.begin() + long(p * kPageSize), bytes.begin() + long((p + 1) * kPageSize));
    if (page[0] != uint8_t(PageKind::Data) || Get32(&page[4]) != owner) continue;
    DataPage data = DataPage::FromBytes(page);
    Bytes row = data.Row(0);
    if (!data.Fits(row.size())) continue;
    const uint8_t there = data.Add(row);
    page = data.Image();
    Put16(&page[14 + 2 * there], uint16_t(Get16(&page[14 + 2 * there]) | 0x8000));
    const uint32_t start = Get16(&page[14]) & 0x1fff;
    std::fill(page.begin() + start, page.begin() + kPageSize, 0);
    Put32(&page[start], (uint32_t(p) << 8) | there);
    Put16(&page[14], uint16_t(start | 0x4000));
    std::copy(page.begin(), page.end(), bytes.begin() + long(p * kPageSize));
    moved = true;
  }
  ASSERT_TRUE(moved) << "no data page with room for a copy of its first row";
  test::WriteBytes(path, bytes);

  auto reader = JetReader::Open(path);
  const JetReader::Table& t = *reader->Find("edge values");
  std::vector<std::vector<Variant>> after;
  auto rows = reader->Rows(t);
  for (std::vector<Variant> row; rows->Next(row);) after.push_back(row);
  EXPECT_EQ(after, before);
  EXPECT_EQ(reader->CountRows(t), int64_t(before.size()));
  // MDBTools finds the moved row at its new place, and our checker counts it once.
  EXPECT_EQ(test::Shell("mdb-count " + path + " 'edge values'"),
            std::to_string(before.size()) + "\n");
  EXPECT_TRUE(CheckFile(path).problems.empty());
}

TEST_F(JetReaderTest, DamagedFilesAreRefusedWithAReasonAndJet3FilesLeftToTheDriver) {
  const std::string path = WriteEdges();
  std::string bytes = test::ReadBytes(path);
  auto write = [&](const std::string& name, const std::string& content) {
    std::string p = dir_.File(name);
    test::WriteBytes(p, content);
    return p;
  };
  std::string jet3 = bytes;
  jet3[0x14] = 0;
  EXPECT_EQ(JetReader::Open(write("jet3.mdb", jet3)), nullptr);
  EXPECT_THROW(JetReader::Open(write("cut.mdb", bytes.substr(0, 100))), JetError);
  EXPECT_THROW(JetReader::Open(dir_.File("missing.mdb")), JetError);

  // Every page of the table's data and long values damaged in turn: an error, never a crash.
  size_t refused = 0;
  for (size_t p = 3; p * kPageSize < bytes.size(); ++p) {
    const size_t at = p * kPageSize;
    if (bytes[at] != char(PageKind::Data)) continue;
    std::string damaged = bytes;
    // The offset of its first row points into the header.
    damaged[at + 14] = 2;
    damaged[at + 15] = 0;
    try {
      auto r = JetReader::Open(write("damaged.mdb", damaged));
      if (const JetReader::Table* t = r ? r->Find("edge values") : nullptr) {
        auto rows = r->Rows(*t);
        std::vector<Variant> row;
        while (rows->Next(row)) {
        }
      }
    } catch (const JetError&) {
      ++refused;
    }
  }
  EXPECT_GE(refused, 2u) << "the table's own data page and a long-value page, at least";
}

}  // namespace
}  // namespace mvq::jet
