#pragma once
// TStoreProOCI: calls a server-side function that takes one string and returns long text,
// on the session of a TComDBConn; the engine gets a table's CREATE TABLE text this way.
#include <string>

#include "gates/oracle/utconnection.h"

namespace mvq {

class TStoreProOCI {
 public:
  explicit TStoreProOCI(TComDBConn& connection) : Connection(connection) {}

  // The function's result, whole. Each call uses a call object of its own; errors (function
  // missing or invalid, no right to run it, session gone) reach the caller.
  std::string CallStringFunction(const std::string& functionName, const std::string& parameterName,
                                 const std::string& parameterValue);
  // getMdbCreateSql(tableName) with the name passed unchanged.
  std::string GetCreateTableSql(const std::string& tableName);

 private:
  TComDBConn& Connection;
};

}  // namespace mvq
