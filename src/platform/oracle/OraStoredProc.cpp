#include "platform/oracle/OraStoredProc.h"

namespace mvq::ora {

void OraStoredProc::SetInput(std::string name, std::string value) {
  inputName_ = std::move(name);
  inputValue_ = std::move(value);
}

void OraStoredProc::Execute() {
  if (name_.empty()) throw db::DbError("no function name was given for the call");
  result_.clear();
  db::Variant value = session_.Connection().CallFunction(name_, {{db::Variant(inputValue_), {}}});
  result_ = value.AsText();
}

}  // namespace mvq::ora
