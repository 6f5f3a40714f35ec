#pragma once
// The Connection over unixODBC.
#include <memory>

#include "platform/odbc/Connection.h"

namespace mvq::db {

std::unique_ptr<Connection> CreateOdbcConnection();

// Seconds a connection attempt may take before it fails (an unreachable host).
inline constexpr int kLoginTimeoutSeconds = 5;

// Rows per parameter array for appenders created from now on; 0 restores each engine's own
// choice. For benchmarks and tests that compare batch sizes.
void SetAppenderBatchRows(size_t rows);

// Whether appenders created from now on send their parameter arrays from a thread of their
// own while the next rows are gathered; on by default. For benchmarks and tests.
void SetAppenderSendsAhead(bool on);

// Whether appenders created from now on may take an engine's bulk path (PostgreSQL: COPY);
// on by default. For benchmarks and tests that compare it with parameter arrays.
void SetBulkAppends(bool on);

}  // namespace mvq::db
