#pragma once
// Results of the whole-table reads answered from the file by JetReader, shaped as the
// driver's results are: the columns described with the types Access itself reports.
#include <memory>

#include "platform/jet/JetReader.h"
#include "platform/odbc/Connection.h"

namespace mvq::jet {

// The columns of a table as a result describes them.
std::vector<db::FieldDesc> FieldsOf(const TableSchema& t);

// Every row of table t (none with noRows), read through the cursor as the caller steps
// (Fetch::Stream) or at once (Fetch::All). Throws db::DbError.
std::unique_ptr<db::Query> TableRowsQuery(std::shared_ptr<const JetReader> reader,
                                          const JetReader::Table& t, db::Fetch fetch, bool noRows);
// A one-row, one-column result holding a table's row count.
std::unique_ptr<db::Query> RowCountQuery(int64_t rows);

}  // namespace mvq::jet
