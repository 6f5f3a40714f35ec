#pragma once
// The per-table pipeline of the seven database-to-database directions: the existing-table
// step, the creation of the target table from the source side's CREATE TABLE text, and the
// row copy. Every outcome goes to the run log; the caller always goes on with the next table.
#include <string>

#include "engine/TableMode.h"

namespace mvq {

// Converts one table in CurrentDirection with the gateway slots of that direction. Errors
// that reach it (a missing server function, a broken connection while paging) rise after
// the copy has committed and reported.
void ConvertTable(const std::string& tableName, TTableMode tableMode);

// The CREATE TABLE text of an Oracle source table, from the server function getMdbCreateSql.
std::string GetOracleCreateSql(const std::string& tableName);

}  // namespace mvq
