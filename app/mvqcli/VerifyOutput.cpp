#include "VerifyOutput.h"

#include <cstdio>

#include "TerminalProgress.h"
#include "shell/VerifyRun.h"

namespace mvq::cli {

VerifyVerdict VerifyAndPrint(ShellContext& c, const std::vector<TableOutcome*>& tables) {
  std::vector<VerifyRequest> requests;
  for (const TableOutcome* t : tables) requests.push_back({t->table, t->rowsRefused, t->sheets});
  const std::optional<std::vector<VerifyResult>> results = VerifyTables(c, requests);
  if (!results) return VerifyVerdict::NotConnected;
  ClearProgressLine();
  VerifyVerdict verdict = VerifyVerdict::AllMatch;
  for (size_t i = 0; i < results->size(); ++i) {
    const VerifyResult& r = (*results)[i];
    tables[i]->verify = r;
    if (r.match) {
      std::printf("%-12s %s  %lld rows%s%s\n", "verified", tables[i]->table.c_str(),
                  static_cast<long long>(r.sourceRows), r.detail.empty() ? "" : "; ",
                  r.detail.c_str());
    } else {
      verdict = VerifyVerdict::Mismatch;
      std::printf("%-12s %s  %s\n", "mismatch", tables[i]->table.c_str(), r.detail.c_str());
    }
  }
  std::fflush(stdout);
  return verdict;
}

}  // namespace mvq::cli
