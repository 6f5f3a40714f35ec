#pragma once
// Posts appended rows through one INSERT text with ":NAME" binds. Rows are queued and sent
// together; each row keeps its own outcome, so a refused row is reported with its label and
// the rows around it are still written.
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/odbc/Connection.h"

namespace mvq::ora {

struct InsertPlan {
  std::string sql;                           // the executed text
  std::vector<std::string> binds;            // its ":NAME" markers, in text order
  std::vector<bool> blob;                    // per bind: the column is a BLOB
  std::vector<std::optional<size_t>> field;  // per bind: the appender field that feeds it
  size_t fieldCount = 0;                     // fields of an appended row
};

struct BatchLimits {
  size_t rows = 500;               // rows sent together at most
  size_t bytes = 8 * 1024 * 1024;  // text and binary bytes sent together at most
};

// A BLOB bind takes text values as their bytes; every other value is bound as it comes.
std::unique_ptr<db::Appender> CreateInsertAppender(std::unique_ptr<db::Query> statement,
                                                   InsertPlan plan, BatchLimits limits = {});

}  // namespace mvq::ora
