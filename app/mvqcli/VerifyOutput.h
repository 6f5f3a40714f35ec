#pragma once
// mvqcli --verify and --verify-only: the tables compared with their sources, a line per
// table on stdout.
#include <cstdint>
#include <string>
#include <vector>

#include "shell/Connecting.h"

namespace mvq::cli {

enum class VerifyVerdict { AllMatch, Mismatch, NotConnected };

struct TableToVerify {
  std::string table;
  int64_t rowsRefused = 0;
};

// Compares each table and prints "match" or what differs, one line per table.
VerifyVerdict VerifyAndPrint(ShellContext& c, const std::vector<TableToVerify>& tables);

}  // namespace mvq::cli
