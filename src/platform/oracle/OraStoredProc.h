#pragma once
// A call of a server-side function that takes one string and returns long text, the way
// the anonymous block "begin :RESULT :=f(:p); end;" would call it. The data layer's
// function call carries it, so the text comes back whole, however long.
#include <string>

#include "platform/oracle/OraSession.h"

namespace mvq::ora {

class OraStoredProc {
 public:
  explicit OraStoredProc(OraSession& session) : session_(session) {}

  void SetStoredProcName(std::string name) { name_ = std::move(name); }
  // The function's one input; it is bound by position, so its name only documents it.
  void SetInput(std::string name, std::string value);
  // Runs the call; throws db::DbError (function missing or invalid, no right to run it).
  void Execute();
  // The function's result as text; empty for a null result or before Execute.
  const std::string& Result() const { return result_; }

 private:
  OraSession& session_;
  std::string name_, inputName_, inputValue_, result_;
};

}  // namespace mvq::ora
