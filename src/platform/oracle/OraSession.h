#pragma once
// One Oracle session over ODBC with Oracle's driver. Statement texts travel unchanged:
// ":1", ":2" bind by position and ":NAME" by name, and the data layer maps them to the
// driver's markers, leaving quotes and comments alone.
#include <memory>
#include <string>

#include "platform/odbc/Connection.h"
#include "platform/oracle/OraConnectString.h"

namespace mvq::ora {

class OraSession {
 public:
  OraSession() = default;
  ~OraSession();
  OraSession(const OraSession&) = delete;
  OraSession& operator=(const OraSession&) = delete;

  // Finds the driver unless one is given, opens the connection and switches to ":1"/":NAME"
  // markers. Throws db::DbError: no Oracle driver installed, login refused, no listener.
  void Connect(const ConnectSettings& settings);
  // Never throws; a session that is not connected stays so.
  void Disconnect() noexcept;
  bool IsConnected() const;
  // The string the last Connect opened with (empty before).
  const std::string& ConnectString() const { return connectString_; }

  void SetAutoCommit(bool on);
  void StartTransaction();
  void Commit();

  // A statement on this session; throws db::DbError when the session is not connected.
  std::unique_ptr<db::Query> CreateQuery();
  // The underlying connection; throws db::DbError when the session is not connected.
  db::Connection& Connection();

 private:
  std::unique_ptr<db::Connection> connection_;
  std::string connectString_;
};

}  // namespace mvq::ora
