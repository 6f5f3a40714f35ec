#pragma once
// The one error type for database failures: the driver's message with its SQLSTATE and
// native code, as every diagnostic record of the failing call reported them.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace mvq::db {

struct Diagnostic {
  std::string sqlState;   // five characters, e.g. "23505"; empty when the driver gave none
  int32_t nativeCode = 0; // the engine's own error number
  std::string message;    // the driver's text, UTF-8
};

class DbError : public std::runtime_error {
 public:
  explicit DbError(std::string message, std::string sqlState = {}, int32_t nativeCode = 0);
  explicit DbError(std::vector<Diagnostic> records);

  // The first record's text: what the run-log lines quote.
  const std::string& DriverMessage() const { return records_.front().message; }
  const std::string& SqlState() const { return records_.front().sqlState; }
  int32_t NativeCode() const { return records_.front().nativeCode; }
  const std::vector<Diagnostic>& Records() const { return records_; }

 private:
  std::vector<Diagnostic> records_;
};

}  // namespace mvq::db
