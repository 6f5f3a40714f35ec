#pragma once
// The per-table pipeline of the seven database-to-database directions: the existing-table
// step, the creation of the target table from the source side's CREATE TABLE text, and the
// row copy. Every outcome goes to the run log and into the table's TableOutcome.
#include <string>

#include "engine/TableMode.h"
#include "engine/TableOutcome.h"

namespace mvq {

// Converts one table in CurrentDirection with the gateway slots of that direction, filling
// outcome as it goes. A failure of the table alone is logged and settles the outcome; what
// ends every later table too (a lost connection, a missing server function or gateway)
// rises after the copy has committed and reported, the outcome settled.
void ConvertTable(const std::string& tableName, TTableMode tableMode, TableOutcome& outcome);
TableOutcome ConvertTable(const std::string& tableName, TTableMode tableMode);

// What ConvertTable would do with the table, through the same steps, without changing the
// target: the existing-table step sees the target as it is but executes nothing, and the
// CREATE TABLE text is written as the run would write it. Nothing goes to the run log.
TablePlan PlanTable(const std::string& tableName, TTableMode tableMode);

// The CREATE TABLE text of an Oracle source table, from the server function getMdbCreateSql.
std::string GetOracleCreateSql(const std::string& tableName);

}  // namespace mvq
