#include "gates/oracle/UtStoreProOCI.h"

#include <memory>

#include "platform/oracle/OraStoredProc.h"

namespace mvq {

std::string TStoreProOCI::CallStringFunction(const std::string& functionName,
                                             const std::string& parameterName,
                                             const std::string& parameterValue) {
  ora::OraSession* session = Connection.Session();
  if (!session) throw db::DbError("the Oracle session is not connected");
  auto proc = std::make_unique<ora::OraStoredProc>(*session);
  proc->SetStoredProcName(functionName);
  proc->SetInput(parameterName, parameterValue);
  proc->Execute();
  return proc->Result();
}

std::string TStoreProOCI::GetCreateTableSql(const std::string& tableName) {
  return CallStringFunction("getMdbCreateSql", "tableName", tableName);
}

}  // namespace mvq
