#include "platform/bulk/BulkAppenders.h"

#include "platform/bulk/PgCopyAppender.h"
#include "platform/odbc/OdbcConnection.h"

namespace mvq::db {

namespace {

bool& BulkAppends() {
  static bool on = true;
  return on;
}

}  // namespace

void SetBulkAppends(bool on) {
  BulkAppends() = on;
}

std::unique_ptr<Appender> CreateBulkAppender(const std::shared_ptr<Session>& session,
                                             const std::string& table, size_t columnCount) {
  Session& s = *session;
  if (!BulkAppends() || !s.quirks.copyOverPartnerSession || s.partnerUnavailable) return nullptr;
  // Rows written beside this connection's own uncommitted writes could wait on its locks
  // (a key it inserted) while it waits for them to commit.
  if (s.wroteInTransaction) return nullptr;
  auto link = std::dynamic_pointer_cast<PgLink>(s.partner);
  if (link && !link->Usable()) {
    // Rows of the open transaction died with the session; its commit says so.
    if (link->InTransaction()) return nullptr;
    link->Close();
    link.reset();
  }
  if (!link) {
    try {
      link = std::make_shared<PgLink>(s.connectionString);
    } catch (const DbError&) {
      // Not reachable the way libpq connects (a socket or option only the driver knows):
      // parameter arrays then, for the rest of this connection.
      s.partnerUnavailable = true;
      return nullptr;
    }
    s.partner = link;
  }
  return std::make_unique<PgCopyAppender>(session, link, table, columnCount);
}

}  // namespace mvq::db
