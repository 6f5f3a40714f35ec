// A MariaDB server that takes small packets: an array larger than one packet would lose the
// connection (the driver does not split it), so arrays are kept within the server's limit.
// It runs on its own: the limit is a setting of the server every other test shares.
#include <gtest/gtest.h>

#include "platform/odbc/OdbcConnection.h"
#include "support/Engines.h"

namespace mvq::test {
namespace {

class PacketLimit : public ::testing::Test {
 protected:
  void SetUp() override {
    const Engine& maria = AllEngines()[2];
    if (maria.connectionString.empty()) MVQ_SKIP_OR_FAIL(maria.missingReason);
    cs_ = maria.connectionString;
    admin_ = Open();
    auto q = admin_->CreateQuery();
    q->Open("select @@global.max_allowed_packet");
    saved_ = q->Value(0).AsInt();
    q->Close();
    admin_->Execute("set global max_allowed_packet = 1048576");
  }
  void TearDown() override {
    if (admin_) admin_->Execute("set global max_allowed_packet = " + std::to_string(saved_));
  }
  // A connection opened now takes the global limit.
  std::unique_ptr<db::Connection> Open() const {
    auto c = db::NewConnection();
    c->Open(cs_);
    return c;
  }

  std::string cs_;
  std::unique_ptr<db::Connection> admin_;
  int64_t saved_ = 0;
};

TEST_F(PacketLimit, ArraysStayWithinTheServersPacket) {
  auto conn = Open();
  const std::string table = UniqueTable("packet");
  RecreateTable(*conn, table, "id int primary key, note varchar(1000)");
  // 4,000 rows of 700 bytes: one array of them would be a packet of nearly 3 MB.
  const std::string note(700, 'x');
  conn->BeginTrans();
  auto app = conn->CreateAppender(table, 2);
  std::vector<db::RowFailure> failures;
  for (int i = 1; i <= 4000; ++i) {
    app->Append();
    app->SetField(0, i == 3000 ? 1 : i);  // one refused row, replayed within the limit too
    app->SetField(1, note);
    for (auto& f : app->Post("row " + std::to_string(i))) failures.push_back(std::move(f));
  }
  for (auto& f : app->Flush()) failures.push_back(std::move(f));
  conn->CommitTrans();
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_EQ(failures[0].label, "row 3000");
  auto reader = Open();
  auto q = reader->CreateQuery();
  q->Open("select count(*), sum(length(note)) from " + table);
  EXPECT_EQ(q->Value(0).AsInt(), 3999);
  EXPECT_EQ(q->Value(1).AsInt(), 3999 * 700);
  q->Close();
  DropTable(*conn, table);
}

}  // namespace
}  // namespace mvq::test
