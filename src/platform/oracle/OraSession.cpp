#include "platform/oracle/OraSession.h"

#include "platform/oracle/OraDrivers.h"

namespace mvq::ora {

OraSession::~OraSession() {
  Disconnect();
}

void OraSession::Connect(const ConnectSettings& settings) {
  Disconnect();
  std::string driver = settings.driver;
  if (driver.empty()) {
    auto found = FindOracleDriver();
    if (!found)
      throw db::DbError(
          "no Oracle ODBC driver is installed (no installed driver has \"Oracle\" "
          "in its name)");
    driver = *found;
  }
  connectString_ = BuildConnectString(settings, driver);
  connection_ = db::NewConnection();
  connection_->Open(connectString_);
  try {
    connection_->SetMarkerStyle(db::MarkerStyle::Colon);
  } catch (...) {
    Disconnect();
    throw;
  }
}

void OraSession::Disconnect() noexcept {
  if (!connection_) return;
  try {
    connection_->Close();
  } catch (...) {
    // The session is being given up; a failing close leaves nothing to undo.
  }
  connection_.reset();
}

bool OraSession::IsConnected() const {
  return connection_ && connection_->IsOpen();
}

db::Connection& OraSession::Connection() {
  if (!IsConnected()) throw db::DbError("the Oracle session is not connected");
  return *connection_;
}

void OraSession::SetAutoCommit(bool on) {
  Connection().SetAutoCommit(on);
}

void OraSession::StartTransaction() {
  Connection().BeginTrans();
}

void OraSession::Commit() {
  Connection().CommitTrans();
}

std::unique_ptr<db::Query> OraSession::CreateQuery() {
  return Connection().CreateQuery();
}

}  // namespace mvq::ora
