#pragma once
// What an export run did: its direction, its times and run log, how it ended, and the
// outcome of every table of its export list. The window's summary and the batch runner's
// terminal lines, exit code and JSON summary are read from it.
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/TableOutcome.h"

namespace mvq {

struct ExportRunReport {
  int32_t direction = 0;
  std::chrono::system_clock::time_point startTime{};
  std::chrono::system_clock::time_point endTime{};
  std::string logPath;               // the run log the run wrote to
  bool started = false;              // the export list held tables
  bool connected = false;            // every gateway of the direction connected
  bool cancelled = false;            // the user confirmed the cancel button
  bool workbook = false;             // the tables went into a workbook
  std::vector<TableOutcome> tables;  // the export list, in run order
  std::string error;                 // the error that ended the run, if one did
};

// Whether every table arrived or was left alone as asked: exported or skipped.
bool EveryTableDone(const ExportRunReport& run);

}  // namespace mvq
