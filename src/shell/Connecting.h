#pragma once
// Opening and releasing the gateway slots for the settings step, the custom step, the
// database list and the export run, and listing the source tables into lbold. Everything
// here reads the settings from the form, the visible groups from the view, and the
// direction from CurrentDirection; problems the user must fix are messages.
#include <functional>
#include <string>
#include <type_traits>

#include "shell/FormState.h"
#include "shell/PageFlow.h"
#include "shell/RunReport.h"
#include "shell/UserInterface.h"
#include "shell/ValidateSettings.h"
#include "shell/WorkbookExport.h"

namespace mvq {

// What the steps work on. The three references must outlive the steps.
struct ShellContext {
  FormState& form;
  WizardView& view;
  UserInterface& ui;
  CreateMdbFileFn createMdbFile;  // empty: the Access gate's CreateMdbFile
  WorkbookFactory openWorkbook;   // empty: OpenWorkbook
  // The custom direction writes the source tables into the workbook edtxlsfilename instead
  // of the connection edtDest (a batch-runner choice; the window never sets it).
  bool customToWorkbook = false;
  // One table of a run that copies its tables in parallel: no banner, no server functions
  // (the run that started it installed them), the log not opened at the end.
  bool tableJob = false;
  // Copies the run's tables some other way once the gateways are open; false when it does
  // not take them, and they go one after another on the run's gateways.
  std::function<bool(ExportRunReport&)> convertTables;
};

// The groups the view shows, each tried even after another failed; each failure is one
// message. With install the Oracle and SQL Server ends get their server functions.
bool ConnectGateways(ShellContext& c, bool install);

// OracleGate from the Oracle fields; the script runs after the connect and functionName is
// dropped again when the gateway is released. True when connected.
bool OpenOracleGateway(ShellContext& c, const std::string& script, const std::string& functionName);

// SqlGate from the SQL Server fields. With install getaccesstype and gettablesql are created
// (before the connection is tested). True when connected.
bool OpenSqlServerGateway(ShellContext& c, bool install);

// Releases the Access, Oracle and SQL Server slots that hold a gateway (the Oracle gateway
// drops its function); with dropFunctions the SQL Server functions are dropped first.
void ReleaseGateways(bool dropFunctions);

// Fills lbold with the source tables of the direction and names the list after the source.
// True when there was at least one.
bool ListSourceTables(ShellContext& c);

// Leaving the SQL Server password field: the server's databases become edtsqlCatalog's items.
// Says nothing when it cannot connect or list; the failure is in the run log.
void FillCatalogList(ShellContext& c);

// CustomSourceGate and CustomTargetGate from edtSrc and edtDest; a message for each that
// does not connect. True when both did.
bool OpenCustomGateways(ShellContext& c);
// CustomSourceGate alone, for a run whose target is a workbook.
bool OpenCustomSourceGateway(ShellContext& c);
// lbold := the custom source's tables. True when there was at least one.
bool ListCustomSourceTables(ShellContext& c);
void ReleaseCustomGateways();

// Opens the gateways of CurrentDirection (the custom pair, or the groups the view shows,
// with their server functions when install), runs body, and releases them again, also when
// body throws. False, without running body, when a gateway did not connect.
bool WithDirectionGateways(ShellContext& c, bool install, const std::function<void()>& body);

// Runs body, then release, also when body throws; a failure of release while an error is
// already on its way is written to the run log, so that the first error is the one shown.
template <typename Body, typename Release>
auto WithRelease(Body&& body, Release&& release) -> decltype(body());

// Clean-up while an error passes: its own failure becomes a run-log line ("清理时出错:").
void ReleaseQuietly(const std::function<void()>& release) noexcept;

template <typename Body, typename Release>
auto WithRelease(Body&& body, Release&& release) -> decltype(body()) {
  using Result = decltype(body());
  if constexpr (std::is_void_v<Result>) {
    try {
      body();
    } catch (...) {
      ReleaseQuietly(release);
      throw;
    }
    release();
  } else {
    Result result = [&]() -> Result {
      try {
        return body();
      } catch (...) {
        ReleaseQuietly(release);
        throw;
      }
    }();
    release();
    return result;
  }
}

}  // namespace mvq
