#pragma once
// --jobs N: the tables of a run copied by up to N processes at once, one table each, each
// with connections of its own. The run itself keeps the server functions installed for
// their length; each table's run-log lines reach the log as one block when it ends; every
// Ctrl-C is passed on to each of them.
#include <string>
#include <vector>

#include "Options.h"
#include "shell/RunReport.h"

namespace mvq::cli {

// Whether the command line is that of one table's process, which a parallel run starts.
bool IsTableJob(const std::vector<std::string>& args);

// The process of one table: reads its table and options from stdin, copies the table, and
// leaves its outcome and run-log lines in files beside args[1]. Returns the exit code.
int RunTableJob(const std::vector<std::string>& args);

// Copies report's tables, up to o.jobs at once, and fills their outcomes. o holds the
// passwords already resolved; they travel to each process through a pipe, never on its
// command line. False when the run's target is a file one writer at a time must keep
// (an Access file, SQLite): then nothing was done.
bool CopyTablesInJobs(const Options& o, ExportRunReport& report);

}  // namespace mvq::cli
