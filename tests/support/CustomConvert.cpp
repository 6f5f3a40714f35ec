#include "support/CustomConvert.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "engine/Gateways.h"
#include "gates/ado/UtdefAdo.h"
#include "gates/ado/utAdopub.h"
#include "support/CurrentDirection.h"
#include "support/Messages.h"

namespace mvq::test {

namespace {

class ScriptedWindow : public ProgressWindow {
 public:
  explicit ScriptedWindow(ScriptedProgress& ui) : ui_(ui) {}
  void Show() override {}
  void SetBarPercent(int, int) override {}
  void SetCaption(const std::string&) override {}
  void SetStayOnTop(bool) override {}
  void BringToFront() override {}
  void ProcessPendingEvents() override {
    ++ui_.steps;
    if (ui_.onStep) ui_.onStep(ui_.steps);
  }

 private:
  ScriptedProgress& ui_;
};

// "1.500" and "1.5", "-0.10" and "-0.1", "2." and "2" are the same decimal.
std::string PlainDecimal(std::string s) {
  if (s.find('.') != std::string::npos) {
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
  }
  if (s == "-0") s = "0";
  return s;
}

bool IsNumber(db::Variant::Kind k) {
  using K = db::Variant::Kind;
  return k == K::Bool || k == K::Int || k == K::Double || k == K::Decimal;
}

// A date and a timestamp at midnight are the same moment: a date column may arrive in a
// timestamp column.
std::optional<std::string> Moment(const db::Variant& v) {
  using K = db::Variant::Kind;
  if (v.kind() == K::Date) return v.AsText() + " 00:00:00";
  if (v.kind() == K::DateTime) return v.AsText();
  return std::nullopt;
}

bool Near(double a, double b, double relative) {
  return a == b || std::fabs(a - b) <= relative * std::max(std::fabs(a), std::fabs(b));
}

std::string Show(const db::Variant& v) {
  if (v.IsNull()) return "NULL";
  if (v.kind() == db::Variant::Kind::Bytes) return std::to_string(v.Blob().size()) + " bytes";
  std::string t = v.AsText();
  return t.size() > 80 ? t.substr(0, 80) + "..." : t;
}

std::string ValueDifference(const db::Variant& s, const db::Variant& t, const Engine& from,
                            const Engine& to) {
  using K = db::Variant::Kind;
  if (s.IsNull() || t.IsNull()) return s.IsNull() == t.IsNull() ? "" : Show(s) + " / " + Show(t);
  if (auto a = Moment(s), b = Moment(t); a && b) return *a == *b ? "" : *a + " / " + *b;
  if (IsNumber(s.kind()) && IsNumber(t.kind())) {
    if (s.kind() == K::Decimal && t.kind() == K::Decimal && from.keepsLongDecimals &&
        to.keepsLongDecimals)
      return PlainDecimal(s.Dec().text) == PlainDecimal(t.Dec().text) ? ""
                                                                      : Show(s) + " / " + Show(t);
    // Through SQLite a number keeps the 15 digits of its text form.
    bool lossy = !from.keepsFullDoubles || !to.keepsFullDoubles || !from.keepsLongDecimals ||
                 !to.keepsLongDecimals;
    return Near(s.AsDouble(), t.AsDouble(), lossy ? 1e-14 : 0) ? "" : Show(s) + " / " + Show(t);
  }
  if (s.kind() == K::Bytes || t.kind() == K::Bytes) {
    if (s.kind() != t.kind()) return "kinds differ: " + Show(s) + " / " + Show(t);
    return s.Blob() == t.Blob() ? "" : "bytes differ: " + Show(s) + " / " + Show(t);
  }
  return s.AsText() == t.AsText() ? "" : Show(s) + " / " + Show(t);
}

}  // namespace

std::optional<Engine> ResolveEnd(const std::string& name, const TempDir& folder,
                                 const std::string& file, std::string& missing) {
  auto access = [](const std::string& mdb) {
    Engine e;
    e.name = "Access";
    e.dbms = db::Dbms::Access;
    e.connectionString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + mdb;
    e.keepsFullDoubles = e.keepsLongDecimals = false;
    return e;
  };
  if (name == "Access") {
    std::string mdb = FixturePath("node-adodb.mdb");
    if (mdb.empty()) {
      missing = "the Access fixture node-adodb.mdb is missing (scripts/fixtures fetches it)";
      return std::nullopt;
    }
    return access(mdb);
  }
  if (name == "AccessFile") {
    // A new file of the test's own, made by our writer, for copies into Access.
    const std::string mdb = folder.File(file + ".mdb");
    CreateMdbFile(mdb);
    return access(mdb);
  }
  for (const auto& e : AllEngines()) {
    if (e.name != name) continue;
    if (e.connectionString.empty()) {
      missing = e.missingReason;
      return std::nullopt;
    }
    Engine out = e;
    if (e.dbms == db::Dbms::SQLite)
      out.connectionString = "DRIVER=SQLite3;Database=" + folder.File(file);
    return out;
  }
  missing = "no engine " + name;
  return std::nullopt;
}

std::vector<Row> ReadRows(db::Connection& conn, const std::string& table) {
  auto query = conn.CreateQuery();
  query->Open("select * from " + table);
  std::vector<Row> rows;
  for (; !query->Eof(); query->Next()) {
    Row row;
    for (size_t i = 0; i < query->Fields().size(); ++i) row.push_back(query->Value(i));
    rows.push_back(std::move(row));
  }
  std::stable_sort(rows.begin(), rows.end(),
                   [](const Row& a, const Row& b) { return a[0].AsInt() < b[0].AsInt(); });
  return rows;
}

std::string RowDifference(const Row& source, const Row& target, const Engine& from,
                          const Engine& to) {
  if (target.size() < source.size())
    return "the target row has " + std::to_string(target.size()) + " fields";
  std::string out;
  for (size_t i = 0; i < source.size(); ++i) {
    std::string d = ValueDifference(source[i], target[i], from, to);
    if (!d.empty()) out += " field " + std::to_string(i) + ": " + d;
  }
  return out;
}

std::unique_ptr<ProgressWindow> ScriptedProgress::CreateWindow(int, bool) {
  return std::make_unique<ScriptedWindow>(*this);
}

bool ScriptedProgress::Confirm(const std::string& text, const std::string&) {
  asked.push_back(text);
  return confirm;
}

void CustomConvertTest::SetUp() {
  RunLogCapture::SetUp();
  std::string missing;
  auto a = ResolveEnd(GetParam().source, files_, "source.db", missing);
  auto b = a ? ResolveEnd(GetParam().target, files_, "target.db", missing) : std::nullopt;
  if (!a || !b) MVQ_SKIP_OR_FAIL(missing);
  from = *a;
  to = *b;
  sourceConn_ = db::NewConnection();
  sourceConn_->Open(from.connectionString);
  targetConn_ = db::NewConnection();
  targetConn_->Open(to.connectionString);
  SetTickSource([t = 1000u]() mutable { return t += kTickStep; });
  ProgressReset();
  savedUi_ = SetProgressUi(&progress);
  CurrentDirection = 9;
}

void CustomConvertTest::TearDown() {
  CustomSourceGate.reset();
  CustomTargetGate.reset();
  SetProgressUi(savedUi_);
  ProgressReset();
  SetTickSource({});
  for (const auto& t : tables_) {
    for (auto* conn : {sourceConn_.get(), targetConn_.get()}) {
      try {
        if (conn && conn->IsOpen()) DropTable(*conn, t);
      } catch (const db::DbError&) {
        // A server the test stopped is restarted by the test; nothing to drop then.
      }
    }
  }
  sourceConn_.reset();
  targetConn_.reset();
  RunLogCapture::TearDown();
}

void CustomConvertTest::ReconnectTarget() {
  targetConn_ = db::NewConnection();
  targetConn_->Open(to.connectionString);
}

void CustomConvertTest::OpenGates() {
  CustomSourceGate = std::make_unique<TADOConn>(from.connectionString);
  CustomTargetGate = std::make_unique<TADOConn>(to.connectionString);
  ASSERT_TRUE(CustomSourceGate->IsConnected()) << from.name;
  ASSERT_TRUE(CustomTargetGate->IsConnected()) << to.name;
}

std::string CustomConvertTest::Table(const std::string& suffix) {
  std::string t = UniqueTable("cv" + suffix);
  if (std::find(tables_.begin(), tables_.end(), t) == tables_.end()) tables_.push_back(t);
  return t;
}

std::string CustomConvertTest::StandardColumns(const Engine& e, bool withKey) {
  std::string decimal = e.dbms == db::Dbms::MariaDB ? "decimal(28,10)" : "numeric(28,10)";
  return std::string("id integer") + (withKey ? " primary key" : "") + ", name varchar(30), note " +
         SqlType(e, "text") + ", amount " + decimal + ", ratio " + SqlType(e, "double") +
         ", born date, stamp " + SqlType(e, "timestamp") + ", pic " + SqlType(e, "blob");
}

void CustomConvertTest::CreateSource(const std::string& table, const std::vector<Row>& rows,
                                     bool withKey) {
  RecreateTable(Src(), table, StandardColumns(from, withKey));
  Insert(Src(), table, rows);
}

void CustomConvertTest::CreateTarget(const std::string& table, const std::string& columns) {
  RecreateTable(Dst(), table, columns);
}

void CustomConvertTest::Insert(db::Connection& conn, const std::string& table,
                               const std::vector<Row>& rows) {
  if (rows.empty()) return;
  auto appender = conn.CreateAppender(table, rows[0].size());
  for (const auto& row : rows) {
    appender->Append();
    for (size_t i = 0; i < row.size(); ++i) appender->SetField(i, row[i]);
    auto failures = appender->Post();
    ASSERT_TRUE(failures.empty()) << failures[0].error.what();
  }
  auto failures = appender->Flush();
  ASSERT_TRUE(failures.empty()) << failures[0].error.what();
}

std::vector<std::string> CustomConvertTest::WithNotes(const std::string& table,
                                                      std::vector<std::string> lines) const {
  const bool longDecimals = from.dbms == db::Dbms::PostgreSQL || from.dbms == db::Dbms::MariaDB;
  if (to.dbms != db::Dbms::SQLite || !longDecimals) return lines;
  auto created = std::find(lines.begin(), lines.end(), "创建成功:表" + table);
  lines.insert(created, "表" + table + "列amount：数值写为文本（SQLite的数值只保存15位有效数字）");
  return lines;
}

void CustomConvertTest::ExpectSameRows(const std::string& table) {
  auto source = ReadRows(Src(), table);
  auto target = ReadRows(Dst(), table);
  ASSERT_EQ(target.size(), source.size());
  for (size_t r = 0; r < source.size(); ++r) {
    EXPECT_EQ(RowDifference(source[r], target[r], from, to), "")
        << "row " << r << " (first field " << source[r][0].AsText() << ")";
  }
}

std::string CustomConvertTest::Complete(const std::string& table, int total, int written) {
  return "导出成功:表" + table + "，总的记录数" + std::to_string(total) + ",导出数据" +
         std::to_string(written) + "条，全部完成,用时" + std::to_string(kTickStep) + "ms";
}

std::string CustomConvertTest::Partial(const std::string& table, int total, int written) {
  return "导出部分成功:表" + table + "，总的记录数" + std::to_string(total) + ",导出数据" +
         std::to_string(written) + "条，部分完成,用时" + std::to_string(kTickStep) + "ms";
}

namespace {

bool RunServices(const std::string& command) {
  std::string line = std::string("'") + MVQ_SCRIPTS_DIR + "/services' " + command + " >/dev/null";
  return std::system(line.c_str()) == 0;
}

}  // namespace

std::string PostgresControlMissing() {
  for (const char* name : {"MVQ_TEST_PG", "MVQ_SERVICES_DIR", "MVQ_PG_PORT"}) {
    const char* v = std::getenv(name);
    if (!v || !*v) return std::string(name) + " is not set (source <(scripts/services start))";
  }
  return "";
}

bool KillPostgres() {
  return RunServices("kill-pg");
}

bool StartPostgres() {
  return RunServices("start-pg");
}

std::vector<Row> StandardRows(int count) {
  using db::Variant;
  std::vector<Row> rows;
  std::string note;
  for (int i = 0; i < 300; ++i) note += "备注第" + std::to_string(i) + "行 note ";
  db::Bytes big(1 << 20);
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>((i * 131 + i / 977) & 0xff);
  rows.push_back({1, "张三 Zhang", note, db::Decimal{"123456789012345678.9012345678"}, 0.1,
                  db::Date{2024, 3, 7}, db::DateTime{{2024, 3, 10}, {2, 30, 0}, 123456000},
                  db::Bytes{0x00, 0xff, 0x41, 0x00}});
  rows.push_back({2, Variant(), Variant(), Variant(), Variant(), Variant(), Variant(), Variant()});
  rows.push_back({3, "李四", "", db::Decimal{"-0.0000000001"}, -1.5e300, db::Date{1900, 1, 1},
                  db::DateTime{{1999, 12, 31}, {23, 59, 59}, 0}, big});
  for (int i = 4; i <= count; ++i) {
    rows.push_back({i, "用户" + std::to_string(i), "第" + std::to_string(i) + "条",
                    db::Decimal{std::to_string(i) + ".25"}, i / 3.0,
                    db::Date{2000, 1, static_cast<uint16_t>(i % 28 + 1)},
                    db::DateTime{{2001, 2, 3}, {4, 5, static_cast<uint16_t>(i % 60)}, 500000000},
                    db::Bytes(static_cast<size_t>(i), static_cast<uint8_t>(i))});
  }
  return rows;
}

}  // namespace mvq::test
