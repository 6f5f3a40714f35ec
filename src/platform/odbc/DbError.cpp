#include "platform/odbc/DbError.h"

namespace mvq::db {

namespace {
std::string JoinMessages(const std::vector<Diagnostic>& records) {
  if (records.empty()) return "unknown database error";
  return records.front().message;
}
}  // namespace

DbError::DbError(std::string message, std::string sqlState, int32_t nativeCode)
    : std::runtime_error(message), records_{{std::move(sqlState), nativeCode, std::move(message)}} {}

DbError::DbError(std::vector<Diagnostic> records)
    : std::runtime_error(JoinMessages(records)), records_(std::move(records)) {
  if (records_.empty()) records_.push_back({"", 0, "unknown database error"});
}

}  // namespace mvq::db
