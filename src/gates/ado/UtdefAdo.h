#pragma once
// TADOConn: the gate of the custom direction, one per user-supplied connection string, with
// the CREATE TABLE builder that writes the target connection's own type names.
#include <string>

#include "gates/ado/utNCDataGates.h"

namespace mvq {

class TADOConn : public TADODataGate {
 public:
  // Connects with connectionString, passed to the data layer unchanged. A failure is not
  // logged: the gate keeps its closed connection and IsConnected answers false.
  explicit TADOConn(const std::string& connectionString);

  // Rows affected, 0 for a statement the driver does not count, -1 after a logged failure.
  int ExecuteSql(const std::string& sql);

  // CREATE TABLE text for table's columns in the type names target lists; names in
  // brackets where target takes them.
  std::string BuildProviderCreateSql(const std::string& table, db::Connection* target);

  // The type name connection lists for a DataTypeEnum code given as decimal text (the
  // narrowest or widest for text and binary codes); empty when it lists none.
  static std::string FindProviderType(db::Connection& connection, const std::string& code,
                                      bool widest);
};

}  // namespace mvq
