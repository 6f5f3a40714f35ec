#pragma once
// The faster way rows into some engines take instead of parameter arrays: PostgreSQL's
// COPY over a libpq session that shares the connection's transactions.
#include <memory>
#include <string>

#include "platform/odbc/Session.h"

namespace mvq::db {

// An appender on the engine's bulk path; null when there is none for this connection now
// (another engine, bulk appends switched off, the transaction under way has written
// through ODBC, or the partner session cannot connect): the ODBC appender is used then.
// Throws DbError where the ODBC appender would (a missing table, too few columns).
std::unique_ptr<Appender> CreateBulkAppender(const std::shared_ptr<Session>& session,
                                             const std::string& table, size_t columnCount);

}  // namespace mvq::db
