#pragma once
// The first error of the table being exported: the gates note the text of each failure
// they log, and the one running the table keeps the first.
#include <exception>
#include <string>

namespace mvq {

void NoteTableError(const std::string& text);
// A gate that logged error instead of raising it: a lost connection ends the run.
void NoteIfConnectionLost(const std::exception& error);

// While it lives, notes go into slot (when it is still empty) and lost.
class TableErrorScope {
 public:
  TableErrorScope(std::string& slot, bool& lost);
  ~TableErrorScope();
  TableErrorScope(const TableErrorScope&) = delete;
  TableErrorScope& operator=(const TableErrorScope&) = delete;

 private:
  std::string* previous_;
  bool* previousLost_;
};

}  // namespace mvq
