// The round-trip catalogue: for every column type of each source engine, its edge values
// (smallest, largest, zero, most precise, longest, the engine's oddities) are copied to each
// target and must arrive exactly, or their row is refused with exactly one row-failure line.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <map>
#include <optional>
#include <set>

#include "engine/Gateways.h"
#include "engine/Verify.h"
#include "engine/utConvertDb.h"
#include "gates/ado/UtdefAdo.h"
#include "platform/odbc/SqliteFileReader.h"
#include "support/AccessReadBack.h"
#include "support/CustomConvert.h"
#include "support/ValueCatalogue.h"

namespace mvq::test {
namespace {

using Lines = std::vector<std::string>;

// "1.500" and "1.5" are the same decimal; every other digit counts.
std::string Digits(std::string s) {
  if (s.find('.') != std::string::npos) {
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
  }
  return s == "-0" ? "0" : s;
}

// Every row of table, ordered by k, read as a copy reads it (streamed: SQLite's rows then
// come from its file unless the test turned that off).
std::vector<Row> Rows(db::Connection& conn, const std::string& table) {
  auto query = conn.CreateQuery();
  query->Open("select k, v from " + table + " order by k", {}, db::Fetch::Stream);
  std::vector<Row> rows;
  for (; !query->Eof(); query->Next()) rows.push_back({query->Value(0), query->Value(1)});
  return rows;
}

// Why the target's value is not the source's, or "" when it is the same value.
std::string Mismatch(const db::Variant& s, const db::Variant& t, bool single) {
  using K = db::Variant::Kind;
  auto show = [](const db::Variant& v) {
    if (v.IsNull()) return std::string("NULL");
    std::string text = v.AsText();
    return text.size() > 60 ? text.substr(0, 60) + "..." : text;
  };
  const std::string both = show(s) + " / " + show(t);
  if (s.IsNull() || t.IsNull()) return s.IsNull() == t.IsNull() ? "" : both;
  if (s.kind() == K::Double || t.kind() == K::Double) {
    if (s.kind() != t.kind()) return "kinds differ: " + both;
    double a = s.AsDouble(), b = t.AsDouble();
    if (single) a = static_cast<float>(a), b = static_cast<float>(b);
    return a == b || (std::isnan(a) && std::isnan(b)) ? "" : both;
  }
  auto number = [](const db::Variant& v) { return v.kind() == K::Int || v.kind() == K::Decimal; };
  if (number(s) && (number(t) || t.kind() == K::String))
    return Digits(s.AsText()) == Digits(t.AsText()) ? "" : both;
  if (s.kind() == K::Bytes || t.kind() == K::Bytes)
    return s.kind() == t.kind() && s.Blob() == t.Blob() ? "" : both;
  if (s.kind() != t.kind() && !(s.kind() == K::String || t.kind() == K::String))
    return "kinds differ: " + both;
  return s.AsText() == t.AsText() ? "" : both;
}

// The keys the row-failure lines of a copy's log name.
std::multiset<int64_t> FailedKeys(const Lines& log) {
  std::multiset<int64_t> failed;
  const std::string marker = ":无法写,第一个字段值为";
  for (const auto& line : log) {
    auto at = line.find(marker);
    if (at != std::string::npos) failed.insert(std::stoll(line.substr(at + marker.size())));
  }
  return failed;
}

// A date or time stamp's text to the millisecond, without a zero time or zero fraction:
// "2024-02-29", "2024-01-02 03:04:05.123".
std::string DateText(std::string s) {
  if (s.size() > 10 && s[10] == 'T') s[10] = ' ';
  if (!s.empty() && s.back() == 'Z') s.pop_back();
  // mdb-reader shows milliseconds, no finer.
  if (auto dot = s.find('.'); dot != std::string::npos && s.size() > dot + 4) s.resize(dot + 4);
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  if (s.size() == 19 && s.compare(10, 9, " 00:00:00") == 0) s.resize(10);
  return s;
}

// Why mdb-reader's text of a value in the Access file is not the source's value, or "".
std::string AccessMismatch(const db::Variant& s, const std::string& shown, bool single) {
  using K = db::Variant::Kind;
  const std::string& t = shown;
  std::string both = (s.IsNull() ? "NULL" : s.AsText().substr(0, 60)) + " / " + t.substr(0, 60);
  if (s.IsNull() || t == "NULL") return s.IsNull() && t == "NULL" ? "" : both;
  switch (s.kind()) {
    case K::Double: {
      double a = s.AsDouble(), b = std::strtod(t.c_str(), nullptr);
      if (single) a = static_cast<float>(a), b = static_cast<float>(b);
      return a == b || (std::isnan(a) && std::isnan(b)) ? "" : both;
    }
    case K::Int:
    case K::Decimal:
      return Digits(s.AsText()) == Digits(t) ? "" : both;
    case K::Bytes:
      return t == JsBytes(s.Blob()) ? "" : both;
    case K::Date:
    case K::DateTime:
      return DateText(s.AsText()) == DateText(t) ? "" : both;
    default:
      // Text; SQLite's dates are text as well.
      if (s.AsText() == t) return "";
      return t.size() > 10 && t[10] == 'T' && DateText(s.AsText()) == DateText(t) ? "" : both;
  }
}

// The file an Access end's connection string names.
std::string AccessPath(const Engine& e) {
  const std::string key = "Data Source=";
  const std::string& cs = e.connectionString;
  const auto at = cs.find(key) + key.size();
  return cs.substr(at, cs.find(';', at) - at);
}

// Bytes as hex digits, for a literal or a comparison by hex().
template <typename Chars>
std::string Hex(const Chars& bytes, const char* digits = "0123456789abcdef") {
  std::string hex;
  for (unsigned char b : bytes) hex += std::string{digits[b >> 4], digits[b & 15]};
  return hex;
}

int SignificantDigits(const std::string& number) {
  int digits = 0;
  bool leading = true;
  for (char c : number) {
    if (c < '0' || c > '9' || (leading && c == '0')) continue;
    leading = false;
    ++digits;
  }
  return digits;
}

// A condition on column v, in the target's own SQL, that holds exactly when v is the value
// (whatever column type the copy chose: a number through a double fails the exact cast).
std::string HoldsCondition(const AccessValue& value, const Engine& e) {
  const bool pg = e.dbms == db::Dbms::PostgreSQL, maria = e.dbms == db::Dbms::MariaDB;
  const std::string& x = value.expected;
  switch (value.held) {
    case Held::Null:
      return "v is null";
    case Held::Bool:
      return (pg ? "cast(v as integer) = " : "v = ") + x;
    case Held::Exact:
      if (pg) return "cast(v as numeric) = " + x;
      if (maria) return "cast(v as decimal(65,30)) = " + x;
      // SQLite's numbers keep 15 digits: a longer value must be text, every digit of it.
      return SignificantDigits(x) > 15 ? "cast(v as text) = '" + x + "'" : "cast(v as real) = " + x;
    case Held::Float: {
      if (pg) return "v = float8 '" + x + "'" + (x == "-0" ? " and cast(v as text) = '-0'" : "");
      // An exponent makes MariaDB's literal a double rather than a decimal.
      return "v = " + x + (maria && x.find('e') == std::string::npos ? "e0" : "");
    }
    case Held::Time:
      return e.dbms == db::Dbms::SQLite ? "datetime(v) = '" + x + "'" : "v = timestamp '" + x + "'";
    case Held::Text: {
      // SQLite and MariaDB compare the bytes (MariaDB's collations ignore case and trailing
      // blanks, SQLite's literals end at a NUL); PostgreSQL compares its text exactly.
      const std::string bytes = "hex(v) = '" + Hex(x, "0123456789ABCDEF") + "'";
      if (maria) return bytes;
      if (!pg) return "typeof(v) = 'text' and " + bytes;
      std::string quoted;
      for (char c : x) quoted += c == '\'' ? std::string("''") : std::string(1, c);
      return "v = '" + quoted + "'";
    }
    case Held::Bytes: {
      const std::string hex = Hex(value.stored.Blob());
      return pg ? "v = '\\x" + hex + "'::bytea" : "v = x'" + hex + "'";
    }
    case Held::Guid:
      return std::string("lower(replace(replace(") + (pg ? "cast(v as text)" : "v") +
             ", '{', ''), '}', '')) = '" + x + "'";
  }
  return "false";
}

// Log lines, one a line, for a failure's message.
std::string Joined(const Lines& lines) {
  std::string out;
  for (const auto& l : lines) out += "  " + l + "\n";
  return out;
}

std::string Shown(const std::string& s) {
  return s.size() > 80 ? s.substr(0, 80) + "... (" + std::to_string(s.size()) + " bytes)" : s;
}

class ExactValues : public CustomConvertTest {
 protected:
  void SetUp() override {
    CustomConvertTest::SetUp();
    if (IsSkipped() || HasFatalFailure() || from.name != to.name || from.dbms == db::Dbms::SQLite)
      return;
    // A server into itself: the target is a second database on it.
    const std::string second = "mvqexact";
    const std::string key = "DATABASE=";
    auto at = to.connectionString.find(key);
    ASSERT_NE(at, std::string::npos);
    auto end = to.connectionString.find(';', at);
    try {
      Dst().Execute("create database " + second);
    } catch (const db::DbError&) {
      // There from an earlier run.
    }
    to.connectionString.replace(at + key.size(), end - at - key.size(), second);
    ReconnectTarget();
  }
  // Every column of the source's catalogue copied into the target and compared.
  void CopyTheCatalogue();
  // The Access catalogue written by our writer into the source file, read back by
  // mdb-reader, copied into the target and found there by the target's own comparison.
  void CopyTheAccessCatalogue();
  void ExpectAccessHolds(const std::string& t, const std::vector<Row>& source,
                         const std::set<int64_t>& refused, const CatalogueColumn& column,
                         const Lines& log);
  bool copiesThroughTheDriver = false;
};

void ExactValues::CopyTheCatalogue() {
  OpenGates();
  const auto catalogue = CatalogueOf(from);
  for (size_t c = 0; c < catalogue.size(); ++c) {
    const CatalogueColumn& column = catalogue[c];
    SCOPED_TRACE(from.name + " " + column.type + " into " + to.name);
    std::string t = Table(std::to_string(c));
    RecreateTable(Src(), t, "k integer primary key, v " + column.type);
    std::set<int64_t> refused;
    for (size_t i = 0; i < column.values.size(); ++i) {
      const int64_t k = static_cast<int64_t>(i) + 1;
      Src().Execute("insert into " + t + " values (" + std::to_string(k) + ", " +
                    column.values[i].literal + ")");
      if (column.values[i].refusedBy.count(to.name)) refused.insert(k);
    }
    if (to.dbms != db::Dbms::Access) DropTable(Dst(), t);  // the new file has none
    const size_t before = LogLines().size();
    {
      struct Reads {
        explicit Reads(db::SqliteReads reads) { db::SetSqliteReads(reads); }
        ~Reads() { db::SetSqliteReads(db::SqliteReads::FileOrLiterals); }
      } reads(copiesThroughTheDriver ? db::SqliteReads::Literals : db::SqliteReads::FileOrLiterals);
      ConvertTable(t, tmDropTable);
    }
    Lines log = LogLines();
    log.erase(log.begin(), log.begin() + static_cast<std::ptrdiff_t>(before));

    // Exactly one failure line per refused row, naming its key.
    EXPECT_EQ(FailedKeys(log), std::multiset<int64_t>(refused.begin(), refused.end()))
        << testing::PrintToString(log);

    // --verify's comparison of the two ends: clean where no row was refused (an Access file
    // read from the file itself, like every other target).
    if (refused.empty()) {
      const VerifyResult verified =
          CompareTable(t, RowsOn(*CustomSourceGate), RowsOn(*CustomTargetGate), 0);
      EXPECT_TRUE(verified.match) << "--verify: " << verified.detail;
    }
    auto source = Rows(Src(), t);
    if (to.dbms == db::Dbms::Access) {
      // Read back exactly by mdb-reader (MDBTools prints doubles with 15 digits).
      ExpectAccessHolds(t, source, refused, column, log);
      continue;
    }
    auto target = Rows(Dst(), t);
    ASSERT_EQ(target.size() + refused.size(), source.size()) << testing::PrintToString(log);
    size_t at = 0;
    for (const auto& row : source) {
      const int64_t k = row[0].AsInt();
      if (refused.count(k)) continue;
      ASSERT_LT(at, target.size());
      const auto& arrived = target[at++];
      EXPECT_EQ(arrived[0].AsInt(), k);
      EXPECT_EQ(Mismatch(row[1], arrived[1], column.single), "")
          << "value " << column.values[static_cast<size_t>(k - 1)].literal;
    }
    // Within one server engine, its own text of every value as well: what a reader lost on
    // both ends alike (an era, a zero date) shows there. MariaDB's float arrives as a double
    // (its FLOAT cannot hold the largest float4 values), whose text has more digits.
    if (from.name == to.name && from.dbms != db::Dbms::SQLite && !column.single) {
      const std::string text = from.dbms == db::Dbms::PostgreSQL ? "text" : "char";
      const std::string sql = "select k, cast(v as " + text + ") from " + t + " order by k";
      auto texts = [&](db::Connection& conn) {
        std::map<int64_t, std::string> out;
        auto query = conn.CreateQuery();
        for (query->Open(sql, {}, db::Fetch::All); !query->Eof(); query->Next())
          out[query->Value(0).AsInt()] =
              query->Value(1).IsNull() ? "NULL" : query->Value(1).AsText();
        return out;
      };
      auto sourceTexts = texts(Src());
      for (int64_t k : refused) sourceTexts.erase(k);
      EXPECT_EQ(texts(Dst()), sourceTexts);
    }
  }
}

void ExactValues::CopyTheAccessCatalogue() {
  const auto catalogue = AccessCatalogue();
  std::vector<std::string> tables;
  for (size_t c = 0; c < catalogue.size(); ++c) {
    const std::string t = Table("a" + std::to_string(c));
    tables.push_back(t);
    Src().Execute("create table [" + t + "] (k integer primary key, v " + catalogue[c].type + ")");
    std::vector<Row> rows;
    for (size_t i = 0; i < catalogue[c].values.size(); ++i)
      rows.push_back({static_cast<int64_t>(i) + 1, catalogue[c].values[i].stored});
    Insert(Src(), t, rows);
  }

  // The file holds what was meant, as a reader we did not write sees it.
  const JsDump dump = ReadWithJs(AccessPath(from), tables);
  for (size_t c = 0; c < catalogue.size(); ++c) {
    SCOPED_TRACE("Access " + catalogue[c].type + " as mdb-reader reads it");
    const auto rows = dump.Rows(tables[c]);
    ASSERT_EQ(rows.size(), catalogue[c].values.size());
    for (const auto& r : rows) {
      ASSERT_EQ(r.size(), 2u);
      const auto& value = catalogue[c].values.at(std::stoul(r[0]) - 1);
      const std::string shown = value.held == Held::Text    ? value.expected
                                : value.held == Held::Bytes ? JsBytes(value.stored.Blob())
                                                            : value.shown;
      EXPECT_TRUE(r[1] == shown) << "row " << r[0] << ": " << Shown(r[1]) << " / " << Shown(shown);
    }
  }

  // The writer lets go of the file, which the copy then opens as any user's file.
  Src().Close();
  OpenGates();
  for (size_t c = 0; c < catalogue.size(); ++c) {
    const AccessColumn& column = catalogue[c];
    const std::string& t = tables[c];
    SCOPED_TRACE("Access " + column.type + " into " + to.name);
    std::set<int64_t> refused;
    for (size_t i = 0; i < column.values.size(); ++i)
      if (column.values[i].refusedBy.count(to.name)) refused.insert(static_cast<int64_t>(i) + 1);
    DropTable(Dst(), t);
    const size_t before = LogLines().size();
    ConvertTable(t, tmDropTable);
    Lines log = LogLines();
    log.erase(log.begin(), log.begin() + static_cast<std::ptrdiff_t>(before));
    EXPECT_EQ(FailedKeys(log), std::multiset<int64_t>(refused.begin(), refused.end()))
        << Joined(log);
    if (refused.empty()) {
      const VerifyResult verified =
          CompareTable(t, RowsOn(*CustomSourceGate), RowsOn(*CustomTargetGate), 0);
      EXPECT_TRUE(verified.match) << "--verify: " << verified.detail;
    }

    auto count = [&](const std::string& where) {
      auto query = Dst().CreateQuery();
      query->Open("select count(*) from " + t + where, {}, db::Fetch::All);
      return query->Value(0).AsInt();
    };
    // The source's row count, the rows written and what the target holds agree.
    const int n = static_cast<int>(column.values.size()), written = n - int(refused.size());
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), refused.empty() ? Complete(t, n, n) : Partial(t, n, written));
    EXPECT_EQ(count(""), written);
    std::string wrong;
    for (size_t i = 0; i < column.values.size(); ++i) {
      const int64_t k = static_cast<int64_t>(i) + 1;
      const std::string holds =
          refused.count(k) ? "no row (refused)" : HoldsCondition(column.values[i], to);
      const std::string where = " where k = " + std::to_string(k);
      if (count(refused.count(k) ? where : where + " and " + holds) == (refused.count(k) ? 0 : 1))
        continue;
      auto query = Dst().CreateQuery();
      query->Open("select v from " + t + " where k = " + std::to_string(k), {}, db::Fetch::All);
      const std::string arrived = query->Eof()               ? "no row"
                                  : query->Value(0).IsNull() ? "NULL"
                                                             : query->Value(0).AsText();
      wrong +=
          "\n  row " + std::to_string(k) + " holds " + Shown(arrived) + ", not " + Shown(holds);
    }
    EXPECT_TRUE(wrong.empty()) << wrong << "\nthe copy's log:\n" << Joined(log);
  }
}

void ExactValues::ExpectAccessHolds(const std::string& t, const std::vector<Row>& source,
                                    const std::set<int64_t>& refused, const CatalogueColumn& column,
                                    const Lines& log) {
  const JsDump dump = ReadWithJs(AccessPath(to), {t});
  // Text columns hold text (not OLE objects), the long ones as Memo.
  const std::string type = column.type;
  if (type.find("text") != std::string::npos || type.find("char") != std::string::npos) {
    const auto columns = dump.Columns(t);
    ASSERT_EQ(columns.size(), 2u);
    const std::string kind = columns[1].substr(0, columns[1].find(' ', 2));
    EXPECT_TRUE(kind == "v text" || kind == "v memo") << columns[1];
  }
  std::map<int64_t, std::string> held;
  for (const auto& r : dump.Rows(t)) {
    ASSERT_EQ(r.size(), 2u);
    held[std::stoll(r[0])] = r[1];
  }
  ASSERT_EQ(held.size() + refused.size(), source.size()) << testing::PrintToString(log);
  for (const auto& row : source) {
    const int64_t k = row[0].AsInt();
    if (refused.count(k)) continue;
    ASSERT_TRUE(held.count(k)) << k;
    if (column.values[static_cast<size_t>(k - 1)].roundedBy.count(to.name)) {
      EXPECT_TRUE(std::any_of(log.begin(), log.end(),
                              [](const std::string& l) { return l.find("舍入") != l.npos; }))
          << "no loss line for " << column.type << ": " << testing::PrintToString(log);
      continue;
    }
    EXPECT_EQ(AccessMismatch(row[1], held[k], column.single), "")
        << "value " << column.values[static_cast<size_t>(k - 1)].literal;
  }
}

TEST_P(ExactValues, EveryValueArrivesAsItLeftOrItsRowIsRefusedOnce) {
  CopyTheCatalogue();
}

// The copy reads SQLite's rows through its ODBC driver rather than from the file (as it does
// inside a transaction or with parameters); both ends are still compared as read from the
// file, so that a loss in the driver cannot hide behind the same loss in the comparison.
class ExactValuesThroughTheDriver : public ExactValues {};

TEST_P(ExactValuesThroughTheDriver, EveryValueArrivesAsItLeftOrItsRowIsRefusedOnce) {
  copiesThroughTheDriver = true;
  CopyTheCatalogue();
}

INSTANTIATE_TEST_SUITE_P(Pairs, ExactValuesThroughTheDriver,
                         ::testing::Values(ConvertPair{"SQLite", "SQLite"},
                                           ConvertPair{"SQLite", "PostgreSQL"},
                                           ConvertPair{"SQLite", "MariaDB"}),
                         PairName);

// The process's own time zone, for a test's length.
class ProcessZone {
 public:
  explicit ProcessZone(const char* zone) {
    if (const char* tz = std::getenv("TZ")) saved_ = tz;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~ProcessZone() {
    if (saved_)
      setenv("TZ", saved_->c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }

 private:
  std::optional<std::string> saved_;
};

// Time stamps with a zone between sessions whose TimeZone settings differ, in a process in
// a third zone: each value is the same instant in the target, by the target's own comparison.
class ZonedTimeStamps : public ExactValues {};

TEST_P(ZonedTimeStamps, KeepTheirInstantsWhateverTheSessionsTimeZones) {
  const ProcessZone zone("Pacific/Auckland");
  from.connectionString += ";ConnSettings=set time zone 'Asia/Tokyo'";
  to.connectionString += ";ConnSettings=set time zone 'America/New_York'";
  ReconnectTarget();
  OpenGates();
  const std::vector<std::string> instants = {
      "2024-01-01 10:00:00+02", "1969-07-20 20:17:40.123456+00", "2024-03-31 02:30:00+01",
      "2024-10-27 02:30:00+02", "0044-03-15 12:00:00+00 BC",     "9999-12-31 23:59:59+14"};
  const std::string t = Table("tz");
  RecreateTable(Src(), t, "k integer primary key, v timestamptz");
  for (size_t i = 0; i < instants.size(); ++i)
    Src().Execute("insert into " + t + " values (" + std::to_string(i + 1) + ", '" + instants[i] +
                  "')");
  DropTable(Dst(), t);
  ConvertTable(t, tmDropTable);
  for (size_t i = 0; i < instants.size(); ++i) {
    auto query = Dst().CreateQuery();
    query->Open("select count(*) from " + t + " where k = " + std::to_string(i + 1) +
                    " and v = timestamptz '" + instants[i] + "'",
                {}, db::Fetch::All);
    EXPECT_EQ(query->Value(0).AsInt(), 1) << instants[i];
  }
  auto all = Dst().CreateQuery();
  all->Open("select count(*) from " + t, {}, db::Fetch::All);
  EXPECT_EQ(all->Value(0).AsInt(), static_cast<int64_t>(instants.size()));
}

// Into a new Access file through our writer.
class ExactValuesIntoAccess : public ExactValues {};

TEST_P(ExactValuesIntoAccess, EveryValueArrivesAsItLeftOrItsRowIsRefusedOnce) {
  if (auto why = JsReaderMissing(); !why.empty()) MVQ_SKIP_OR_FAIL(why);
  CopyTheCatalogue();
}

INSTANTIATE_TEST_SUITE_P(Pairs, ExactValuesIntoAccess,
                         ::testing::Values(ConvertPair{"SQLite", "AccessFile"},
                                           ConvertPair{"PostgreSQL", "AccessFile"},
                                           ConvertPair{"MariaDB", "AccessFile"}),
                         PairName);

// From an Access file written by our writer, read by the program's Access reader.
class ExactValuesFromAccess : public ExactValues {};

TEST_P(ExactValuesFromAccess, EveryValueArrivesAsItLeftOrItsRowIsRefusedOnce) {
  if (auto why = JsReaderMissing(); !why.empty()) MVQ_SKIP_OR_FAIL(why);
  CopyTheAccessCatalogue();
}

INSTANTIATE_TEST_SUITE_P(Pairs, ExactValuesFromAccess,
                         ::testing::Values(ConvertPair{"AccessFile", "SQLite"},
                                           ConvertPair{"AccessFile", "PostgreSQL"},
                                           ConvertPair{"AccessFile", "MariaDB"}),
                         PairName);

INSTANTIATE_TEST_SUITE_P(Pairs, ZonedTimeStamps,
                         ::testing::Values(ConvertPair{"PostgreSQL", "PostgreSQL"}), PairName);

INSTANTIATE_TEST_SUITE_P(
    Pairs, ExactValues,
    ::testing::Values(ConvertPair{"SQLite", "SQLite"}, ConvertPair{"SQLite", "PostgreSQL"},
                      ConvertPair{"SQLite", "MariaDB"}, ConvertPair{"PostgreSQL", "PostgreSQL"},
                      ConvertPair{"PostgreSQL", "SQLite"}, ConvertPair{"PostgreSQL", "MariaDB"},
                      ConvertPair{"MariaDB", "MariaDB"}, ConvertPair{"MariaDB", "SQLite"},
                      ConvertPair{"MariaDB", "PostgreSQL"}),
    PairName);

}  // namespace
}  // namespace mvq::test
