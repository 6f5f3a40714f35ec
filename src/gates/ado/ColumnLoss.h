#pragma once
// A column whose target type does not keep all of its values, with both types: what the run
// log's loss line says, as a value a preview can show.
#include <string>

namespace mvq::ddl {

struct ColumnLoss {
  std::string column;
  std::string sourceType;  // as the source's driver names it, with size or digits
  std::string targetType;  // the type text of the CREATE TABLE
  std::string loss;        // what is not kept
};

}  // namespace mvq::ddl
