#pragma once
// Frame of the wizard-step tests: the form, view and a recording user interface behind the
// shell's steps and page flow, scripted connections for every gateway (journal names "ora",
// "sql", "mdb", "src", "dst"), an Oracle driver in the driver list, the run log captured and
// the progress state reset.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "engine/Gateways.h"
#include "gates/ado/UtdefAdo.h"
#include "gates/ado/utAdopub.h"
#include "gates/ado/utSQLConnection.h"
#include "gates/oracle/utconnection.h"
#include "platform/oracle/OraDrivers.h"
#include "shell/ConnectionStrings.h"
#include "shell/PageFlow.h"
#include "shell/ShellError.h"
#include "shell/ShellSteps.h"
#include "support/CurrentDirection.h"
#include "support/Messages.h"
#include "support/RecordingUi.h"
#include "support/RunLogCapture.h"
#include "support/ScriptedConnection.h"
#include "support/ScriptedGates.h"
#include "support/utProgress.h"

namespace mvq::test {

using Lines = std::vector<std::string>;

class ShellTest : public ScriptedGatesTest {
  // Public, so that table-driven cases can change the fixture.
 public:
  void SetUp() override {
    ScriptedGatesTest::SetUp();

    form.edtcomputer = "db1";
    form.edtDB = "ORCL";
    form.edtuser = "scott";
    form.edtpassword = "tiger";
    form.edtsqlserverdb = "sqlhost";
    form.edtsqlpassword = "pw";
    form.edtsqlCatalog.text = "sales";
    form.edtfilename = dir + "/a.mdb";
    form.edtxlsfilename = dir + "/out.xls";
    form.edtSrc = "SRC";
    form.edtDest = "DST";

    // Stands in for the Access driver: records the call and leaves an empty file behind.
    ShellContext context{form, view, ui, [this](const std::string& file) {
                           createdMdbFiles.push_back(file);
                           std::ofstream{file};
                         }};
    steps = std::make_unique<ShellSteps>(std::move(context));
    flow = std::make_unique<PageFlow>(form, view, *steps);
    Name("ora", kOracleCs);
    Name("sql", SqlServerConnectionString(form));
    Name("mdb", MdbConnectionString());
    Name("src", "SRC");
    Name("dst", "DST");
  }

  void TearDown() override {
    SetProgressUi(nullptr);
    ProgressReset();
    ScriptedGatesTest::TearDown();
  }

  std::string MdbConnectionString() const {
    return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + form.edtfilename +
           ";Persist Security Info=True";
  }

  Script& Name(const std::string& name, const std::string& connectionString) {
    Script& s = world->ScriptFor(connectionString);
    s.name = name;
    return s;
  }
  Script& Sql() { return world->ScriptFor(SqlServerConnectionString(form)); }
  Script& Mdb() { return world->ScriptFor(MdbConnectionString()); }
  Script& Src() { return world->ScriptFor("SRC"); }
  Script& Dst() { return world->ScriptFor("DST"); }

  // The direction chosen on page 0 and next pressed once: the settings (or custom) page.
  void ChooseDirection(int32_t direction) {
    form.RGmy = direction;
    flow->Next();
    world->journal.clear();
  }

  // Next pressed as the window does it: errors go to the error box.
  void PressNext() {
    RunGuarded(ui, [this] { flow->Next(); });
  }

  // The journal entries of one connection, without its name.
  Lines Journal(const std::string& name) const {
    Lines lines;
    const std::string prefix = name + ": ";
    for (const std::string& e : world->journal) {
      if (e.rfind(prefix, 0) == 0) lines.push_back(e.substr(prefix.size()));
    }
    return lines;
  }

  static bool Has(const Lines& lines, const std::string& entry) {
    return std::find(lines.begin(), lines.end(), entry) != lines.end();
  }

  bool SlotsEmpty() const {
    return !OracleGate && !MdbGate && !SqlGate && !CustomSourceGate && !CustomTargetGate;
  }

  // An existing file in the test folder.
  std::string TouchFile(const std::string& name) {
    std::string path = dir + "/" + name;
    std::ofstream(path) << "x";
    return path;
  }

  FormState form;
  WizardView view;
  RecordingUi ui;
  std::vector<std::string> createdMdbFiles;
  std::unique_ptr<ShellSteps> steps;
  std::unique_ptr<PageFlow> flow;
};

}  // namespace mvq::test
