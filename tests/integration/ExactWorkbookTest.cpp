// The round-trip catalogue into workbooks: every value of each source engine's catalogue
// exported to .xls and .xlsx and read back by xlrd (and openpyxl for .xlsx). A value a cell
// holds as it is arrives as that value; one it cannot (more than 15 significant digits, a
// date outside 1900-9999, NaN or an infinity) arrives as its text, and every such change is
// counted in the sheet's log line.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "engine/Gateways.h"
#include "excel/utexpexcel.h"
#include "gates/ado/UtdefAdo.h"
#include "support/CurrentDirection.h"
#include "support/Engines.h"
#include "support/RunLogCapture.h"
#include "support/ValueCatalogue.h"
#include "support/WorkbookReadBack.h"

namespace mvq::test {
namespace {

using db::Variant;
using Lines = std::vector<std::string>;
using Param = std::tuple<std::string, std::string>;  // source engine, workbook format

// Significant digits of a plain decimal text, as a cell would have to keep them.
// A text that is no plain decimal (PostgreSQL's NaN) has no digits a number could keep.
size_t Significant(const std::string& text) {
  std::string digits;
  for (char c : text) {
    if (c >= '0' && c <= '9')
      digits += c;
    else if (c != '-' && c != '.')
      return SIZE_MAX;
  }
  const size_t first = digits.find_first_not_of('0');
  if (first == std::string::npos) return 0;
  const size_t last = digits.find_last_not_of('0');
  return last - first + 1;
}

std::string Hex(const db::Bytes& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (uint8_t b : bytes) {
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
  return out;
}

// The changes the workbook rules make, by kind, as the sheet's log line counts them.
struct Changes {
  int longNumbers = 0, outsideCalendar = 0, fineTimes = 0, nonFinite = 0;
};

bool InCalendar(const db::Date& d) {
  static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (d.year < 1900 || d.year > 9999 || d.month < 1 || d.month > 12 || d.day < 1) return false;
  const bool leap = (d.year % 4 == 0 && d.year % 100 != 0) || d.year % 400 == 0;
  return d.day <= kDays[d.month - 1] && !(d.month == 2 && d.day == 29 && !leap);
}

// Why the cell the reader saw does not hold the source's value "" when it does; counts in
// changes what the rules turned into text.
std::string CellMismatch(const Variant& v, const std::string& cell, Changes& changes) {
  using K = Variant::Kind;
  const std::string both =
      (v.IsNull() ? "NULL" : v.AsText().substr(0, 60)) + " / " + cell.substr(0, 70);
  auto number = [&](double want) {
    if (!cell.starts_with("number:")) return both;
    return std::strtod(cell.c_str() + 7, nullptr) == want ? "" : both;
  };
  auto text = [&](const std::string& want) { return cell == "text:" + want ? "" : both; };
  switch (v.kind()) {
    case K::Null:
      return cell.empty() ? "" : both;
    case K::Bool:
      return cell == (v.AsBool() ? "bool:TRUE" : "bool:FALSE") ? "" : both;
    case K::Int:
    case K::Decimal:
      if (Significant(v.AsText()) > 15) {
        ++changes.longNumbers;
        return text(v.AsText());
      }
      return number(std::strtod(v.AsText().c_str(), nullptr));
    case K::Double:
      if (std::isfinite(v.AsDouble())) {
        char shortest[32];
        std::snprintf(shortest, sizeof shortest, "%.15g", v.AsDouble());
        if (std::strtod(shortest, nullptr) == v.AsDouble()) return number(v.AsDouble());
        ++changes.longNumbers;
        return text(v.AsText());
      }
      ++changes.nonFinite;
      return text(std::isnan(v.AsDouble()) ? "NaN" : v.AsDouble() > 0 ? "Infinity" : "-Infinity");
    case K::String:
      // An empty text is an empty cell: a cell cannot tell it from NULL.
      return v.Str().empty() ? (cell.empty() ? "" : both) : text(v.Str());
    case K::Bytes:
      return text(Hex(v.Blob()));
    case K::Date:
      if (!InCalendar(v.AsDate())) {
        ++changes.outsideCalendar;
        return text(v.AsText());
      }
      return cell == "date:" + v.AsText() + " 00:00:00" ? "" : both;
    case K::DateTime: {
      const auto& dt = v.AsDateTime();
      if (!InCalendar(dt.date)) {
        ++changes.outsideCalendar;
        return text(v.AsText());
      }
      if (dt.fraction % 1000000 != 0) {
        ++changes.fineTimes;
        return text(v.AsText());
      }
      std::string want = Variant(db::DateTime{dt.date, dt.time, 0}).AsText();
      if (dt.fraction != 0)
        want += "." + std::to_string(dt.fraction / 1000000 + 1000).substr(1) + "000";
      return cell == "date:" + want ? "" : both;
    }
    case K::Time:
      return cell == "date:" + v.AsText() ? "" : both;
  }
  return both;
}

// The sheet's lines for the changes, in the order the writer logs them.
Lines ChangeLines(const std::string& sheet, const Changes& c) {
  const std::pair<int, const char*> kinds[] = {
      {c.longNumbers, "数值超过15位有效数字"},
      {c.outsideCalendar, "日期不在1900-01-01至9999-12-31之间"},
      {c.fineTimes, "时间精度超过毫秒"},
      {c.nonFinite, "数值为NaN或无穷大"}};
  Lines out;
  for (const auto& [count, what] : kinds)
    if (count)
      out.push_back("工作表" + sheet + "有" + std::to_string(count) + "个单元格的" + what +
                    ",已写为文本");
  return out;
}

class ExactWorkbook : public RunLogCapture, public ::testing::WithParamInterface<Param> {
 protected:
  void SetUp() override {
    RunLogCapture::SetUp();
    savedDirection_ = CurrentDirection;
    SetTickSource([] { return 5000u; });
  }
  void TearDown() override {
    for (const auto& t : tables_) DropTable(*conn_, t);
    CustomSourceGate.reset();
    conn_.reset();
    SetTickSource({});
    CurrentDirection = savedDirection_;
    RunLogCapture::TearDown();
  }

  std::unique_ptr<db::Connection> conn_;
  std::vector<std::string> tables_;
  int savedDirection_ = 0;
};

TEST_P(ExactWorkbook, EveryValueArrivesInItsCellOrAsTextCountedInTheSheetsLine) {
  const auto& [engineName, format] = GetParam();
  if (std::string why = ReadersMissing(); !why.empty()) {
    if (EnginesRequired()) FAIL() << why;
    GTEST_SKIP() << why;
  }
  Engine engine;
  for (const auto& e : AllEngines())
    if (e.name == engineName) engine = e;
  if (engine.connectionString.empty()) {
    if (EnginesRequired()) FAIL() << engine.missingReason;
    GTEST_SKIP() << engine.missingReason;
  }
  std::string cs = engine.connectionString;
  if (engine.dbms == db::Dbms::SQLite) cs = "DRIVER=SQLite3;Database=" + dir + "/source.db";
  conn_ = db::NewConnection();
  conn_->Open(cs);

  const auto catalogue = CatalogueOf(engine);
  for (size_t c = 0; c < catalogue.size(); ++c) {
    tables_.push_back(UniqueTable("xw" + std::to_string(c)));
    const std::string& t = tables_.back();
    RecreateTable(*conn_, t, "k integer primary key, v " + catalogue[c].type);
    for (size_t i = 0; i < catalogue[c].values.size(); ++i)
      conn_->Execute("insert into " + t + " values (" + std::to_string(i + 1) + ", " +
                     catalogue[c].values[i].literal + ")");
  }
  CustomSourceGate = std::make_unique<TADOConn>(cs);
  ASSERT_TRUE(CustomSourceGate->IsConnected());
  CurrentDirection = 9;
  const std::string path = dir + "/catalogue." + format;
  {
    Texpexcel writer(path);
    for (const auto& t : tables_) writer.ExportTable(t);
    writer.Close();
  }
  const Lines log = LogLines();
  const Lines readers = format == "xls" ? Lines{"xlrd"} : Lines{"xlrd", "openpyxl"};
  for (const auto& reader : readers) {
    const auto sheets = ReadWorkbook(path, reader);
    for (size_t c = 0; c < catalogue.size(); ++c) {
      const std::string& t = tables_[c];
      SCOPED_TRACE(engineName + " " + catalogue[c].type + " into ." + format + " read by " +
                   reader);
      const SheetDump* sheet = nullptr;
      for (const auto& s : sheets)
        if (s.name == t) sheet = &s;
      ASSERT_NE(sheet, nullptr) << t;
      auto query = conn_->CreateQuery();
      query->Open("select k, v from " + t + " order by k", {}, db::Fetch::All);
      std::map<int64_t, int> rowOf;  // key -> sheet row
      for (int r = 1; r < sheet->rows; ++r)
        rowOf[std::strtoll(sheet->At(r, 0).c_str() + 7, nullptr, 10)] = r;
      Changes changes;
      for (; !query->Eof(); query->Next()) {
        const int64_t k = query->Value(0).AsInt();
        ASSERT_TRUE(rowOf.count(k)) << "row " << k << " is missing";
        EXPECT_EQ(CellMismatch(query->Value(1), sheet->At(rowOf[k], 1), changes), "")
            << "value " << catalogue[c].values[static_cast<size_t>(k - 1)].literal;
      }
      EXPECT_EQ(rowOf.size(), catalogue[c].values.size());
      // Every change is counted in the sheet's line, and nothing else is said of the sheet.
      Lines said;
      for (const auto& line : log)
        if (line.starts_with("工作表" + t + "有")) said.push_back(line);
      EXPECT_EQ(said, ChangeLines(t, changes));
    }
  }
  for (const auto& t : tables_)
    EXPECT_EQ(std::count(log.begin(), log.end(), "导出成功:表" + t + "，全部完成,用时0ms"), 1)
        << testing::PrintToString(log);
}

INSTANTIATE_TEST_SUITE_P(Sources, ExactWorkbook,
                         ::testing::Combine(::testing::Values("SQLite", "PostgreSQL", "MariaDB"),
                                            ::testing::Values("xls", "xlsx")),
                         [](const auto& info) {
                           return std::get<0>(info.param) + "_to_" + std::get<1>(info.param);
                         });

}  // namespace
}  // namespace mvq::test
