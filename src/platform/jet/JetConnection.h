#pragma once
// A connection to an Access file: reads go to the reading driver (MDBTools over ODBC),
// while everything that writes (CREATE TABLE, DROP TABLE, DELETE FROM, appended rows) goes
// to our own Jet writer, committed at CommitTrans and at each appender flush. After a write
// the reading connection is opened again before its next use, so that it sees the change.
#include <memory>
#include <string>

#include "platform/odbc/Connection.h"

namespace mvq::jet {

class JetDatabase;

// A connection that writes through the Jet writer when opened on an Access file and passes
// everything to inner otherwise.
std::unique_ptr<db::Connection> AccessWritingConnection(std::unique_ptr<db::Connection> inner);

}  // namespace mvq::jet
