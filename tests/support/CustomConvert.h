#pragma once
// Real-engine frame for the custom direction: resolves the two ends of a conversion (SQLite
// on a file of the test's own, PostgreSQL and MariaDB from MVQ_TEST_PG / MVQ_TEST_MARIADB,
// the Access fixture through its OLE DB string), fills the custom gate slots, fixes the tick
// counter, reads tables back row by row and compares them value by value, and offers a
// progress view whose event pump runs the test's own code at a chosen step.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/odbc/Connection.h"
#include "support/Engines.h"
#include "support/RunLogCapture.h"
#include "support/utProgress.h"

namespace mvq::test {

using Row = std::vector<db::Variant>;

// The two ends of one conversion, by engine name ("SQLite", "PostgreSQL", "MariaDB",
// "Access" the shared fixture, "AccessFile" a new file of the test's own).
struct ConvertPair {
  const char* source;
  const char* target;
};
std::string PairName(const ::testing::TestParamInfo<ConvertPair>& info);
// Each server engine once as source and once as target.
inline const std::vector<ConvertPair> kEnginePairs = {
    {"SQLite", "PostgreSQL"}, {"PostgreSQL", "MariaDB"}, {"MariaDB", "SQLite"}};

// An end by name; SQLite on file in folder. Empty with the reason when not configured.
std::optional<Engine> ResolveEnd(const std::string& name, const TempDir& folder,
                                 const std::string& file, std::string& missing);

// Every row of table, ordered by the first column's value (MDBTools cannot order rows).
std::vector<Row> ReadRows(db::Connection& conn, const std::string& table);

// What differs between a source row and the row it became in the target, or "" when they
// hold the same values; losses an end is known for (SQLite's doubles and long decimals)
// are allowed, nothing else is.
std::string RowDifference(const Row& source, const Row& target, const Engine& from,
                          const Engine& to);

// A progress view whose event pump calls onStep with the number of pumps so far; Confirm
// keeps the question in `asked` and answers `confirm`.
class ScriptedProgress : public ProgressUi {
 public:
  std::function<void(int)> onStep;
  bool confirm = true;
  int steps = 0;
  std::vector<std::string> asked;

  std::unique_ptr<ProgressWindow> CreateWindow(int levels, bool withCancel) override;
  bool Confirm(const std::string& text, const std::string& caption) override;
};

// The frame of a parameterised custom-direction test.
class CustomConvertTest : public RunLogCapture, public ::testing::WithParamInterface<ConvertPair> {
 protected:
  // Tick steps: the copy's clock reads 7 ms for every table.
  static constexpr int kTickStep = 7;

  void SetUp() override;
  void TearDown() override;

  // Opens both custom gates on the ends, as the export run's connection step does.
  void OpenGates();
  // Source and target connections of the test's own, beside the gates'.
  db::Connection& Src() { return *sourceConn_; }
  db::Connection& Dst() { return *targetConn_; }
  // Opens the test's own target connection again (after its server was restarted).
  void ReconnectTarget();
  // A table name unique to this test; removed from both ends afterwards.
  std::string Table(const std::string& suffix = "");
  // Creates table on the source with the standard columns (id, name, note, amount, ratio,
  // born, stamp, pic) and the rows.
  void CreateSource(const std::string& table, const std::vector<Row>& rows, bool withKey = true);
  // Drops and creates table on the target end with the columns, in the target's SQL.
  void CreateTarget(const std::string& table, const std::string& columns);
  // The standard columns in an engine's own types.
  static std::string StandardColumns(const Engine& e, bool withKey);
  // Appends rows to table on conn; a refused row fails the test.
  static void Insert(db::Connection& conn, const std::string& table, const std::vector<Row>& rows);

  // lines with the log lines that name what the target's types do not keep of the standard
  // columns of table put before its "创建成功" line: into SQLite, a decimal of 28 digits
  // is kept as text.
  std::vector<std::string> WithNotes(const std::string& table,
                                     std::vector<std::string> lines) const;
  // Both ends' rows of table compared one by one.
  void ExpectSameRows(const std::string& table);
  // The closing report lines, with the fixed elapsed time.
  static std::string Complete(const std::string& table, int total, int written);
  static std::string Partial(const std::string& table, int total, int written);

  Engine from, to;
  ScriptedProgress progress;

 private:
  TempDir files_;
  std::unique_ptr<db::Connection> sourceConn_, targetConn_;
  std::vector<std::string> tables_;
  ProgressUi* savedUi_ = nullptr;
};

// The PostgreSQL server that scripts/services started (MVQ_SERVICES_DIR, MVQ_PG_PORT):
// why it cannot be stopped and started by a test, or "" when it can.
std::string PostgresControlMissing();
// Stops it as a crash would (pg_ctl -m immediate); true when the command succeeded.
bool KillPostgres();
// Starts it again with the options scripts/services uses and waits until it accepts
// connections; true when the command succeeded.
bool StartPostgres();

// The standard rows: Chinese text, a row of nulls, a 1 MB blob, 28-digit decimals, dates
// and timestamps with microseconds; count rows in all, ids 1..count.
std::vector<Row> StandardRows(int count = 12);

}  // namespace mvq::test
