#include "shell/Connecting.h"

#include <filesystem>

#include "engine/Gateways.h"
#include "engine/ServerScripts.h"
#include "gates/ado/UtdefAdo.h"
#include "gates/ado/utAdopub.h"
#include "gates/ado/utSQLConnection.h"
#include "gates/oracle/utconnection.h"
#include "platform/jet/JetConnection.h"
#include "shell/ConnectionStrings.h"
#include "shell/Directions.h"
#include "support/CurrentDirection.h"
#include "support/utLog.h"

namespace mvq {
namespace {

// Empties the slot before the gateway goes, so that a failing destructor still leaves the
// slot cleared.
template <typename Gate>
void Release(std::unique_ptr<Gate>& slot) {
  std::unique_ptr<Gate> gate = std::move(slot);
  gate.reset();
}

void FillLbold(FormState& form, const std::vector<std::string>& names) {
  form.lbold.Clear();
  for (const std::string& name : names) form.lbold.Add(name);
}

}  // namespace

void ReleaseQuietly(const std::function<void()>& release) noexcept {
  try {
    release();
  } catch (const std::exception& e) {
    try {
      WriteLog(std::string("清理时出错:") + e.what());
    } catch (...) {
    }
  } catch (...) {
  }
}

bool ConnectGateways(ShellContext& c, bool install) {
  const SettingsLayout& layout = c.view.layout;
  bool connected = true;
  if (layout.gbmdb.Visible()) {
    const std::string& file = c.form.edtfilename;
    if (!FileExists(file)) {
      if (c.createMdbFile)
        c.createMdbFile(file);
      else
        CreateMdbFile(file);
    }
    MdbGate = std::make_unique<TMDBDataGate>(file);
    if (!MdbGate->IsConnected()) {
      c.ui.Message("无法连接access," + file);
      connected = false;
    }
  }
  if (layout.gboracle.Visible()) {
    std::string script, function;
    if (install) {
      for (const ServerScript* s : ScriptsToInstall(ScriptServer::Oracle, CurrentDirection)) {
        script = std::string(s->text);
        function = std::string(s->function);
      }
    }
    if (!OpenOracleGateway(c, script, function)) {
      c.ui.Message("无法连接Oracle,请检查参数");
      connected = false;
    }
  }
  if (layout.GBsql.Visible() && !OpenSqlServerGateway(c, install)) {
    c.ui.Message("无法连接sqlserver,请检查参数");
    connected = false;
  }
  return connected;
}

bool OpenOracleGateway(ShellContext& c, const std::string& script,
                       const std::string& functionName) {
  const FormState& f = c.form;
  OracleGate = TComDBConn::ConnectOracle(f.edtcomputer, f.edtDB, f.edtuser, f.edtpassword,
                                         f.edtport, script, functionName);
  return OracleGate->IsConnected();
}

bool OpenSqlServerGateway(ShellContext& c, bool install) {
  SqlGate = std::make_unique<TSQLComDBConn>(SqlServerConnectionString(c.form));
  if (install) {
    for (const ServerScript* s : ScriptsToInstall(ScriptServer::SqlServer, CurrentDirection)) {
      SqlGate->CreateFunction(std::string(s->text), std::string(s->function));
    }
  }
  return SqlGate->IsConnected();
}

void ReleaseGateways(bool dropFunctions) {
  if (MdbGate) Release(MdbGate);
  if (OracleGate) Release(OracleGate);
  if (SqlGate) {
    if (dropFunctions) {
      // Results ignored: the gate has logged a failure, and the other drop still runs.
      for (std::string_view drop : SqlServerReleaseStatements) {
        SqlGate->ExecuteSql(std::string(drop));
      }
    }
    Release(SqlGate);
  }
}

bool ListSourceTables(ShellContext& c) {
  const Endpoint source = GetDirection(CurrentDirection).source;
  std::vector<std::string> names;
  switch (source) {
    case Endpoint::Oracle: {
      StringList list;
      OracleGate->FillList(std::string(kOracleTableListSql), list);
      for (const ListItem& item : list) names.push_back(item.text);
      break;
    }
    case Endpoint::Access: {
      TStringList list;
      MdbGate->GetTableList(list);
      names = list.Strings();
      break;
    }
    case Endpoint::SqlServer: {
      TStringList list;
      SqlGate->GetUserTables(list);
      names = list.Strings();
      break;
    }
    case Endpoint::Excel:
    case Endpoint::Custom:
      return ListCustomSourceTables(c);
  }
  c.view.sourceListCaption = SourceListCaption(source);
  FillLbold(c.form, names);
  return !names.empty();
}

void FillCatalogList(ShellContext& c) {
  const FormState& f = c.form;
  if (f.edtsqlserverdb.empty() || f.edtsqluser.empty()) return;
  // Quiet by design: the field stays editable and a typed name serves as well.
  try {
    WithRelease(
        [&] {
          SqlGate = std::make_unique<TSQLComDBConn>(CatalogListConnectionString(f));
          if (!SqlGate->IsConnected()) return;
          TStringList list;
          SqlGate->FillList(std::string(kCatalogListSql), list);
          c.form.edtsqlCatalog.SetItems(list.Strings());
        },
        [] {
          if (SqlGate) Release(SqlGate);
        });
  } catch (const std::exception& e) {
    WriteLog(std::string("无法取得数据库列表:") + e.what());
  }
}

bool OpenCustomGateways(ShellContext& c) {
  CustomSourceGate = std::make_unique<TADOConn>(c.form.edtSrc);
  const bool source = CustomSourceGate->IsConnected();
  if (!source) c.ui.Message("源数据连接失败");
  // An Access file as the target is created when it is missing, as directions 2 and 4 do.
  const std::string mdb = jet::AccessFileOf(c.form.edtDest);
  if (!mdb.empty() && !std::filesystem::exists(mdb)) {
    try {
      CreateMdbFile(mdb);
    } catch (const std::exception& e) {
      c.ui.Message(e.what());
    }
  }
  CustomTargetGate = std::make_unique<TADOConn>(c.form.edtDest);
  const bool target = CustomTargetGate->IsConnected();
  if (!target) c.ui.Message("目标数据连接失败");
  return source && target;
}

bool OpenCustomSourceGateway(ShellContext& c) {
  CustomSourceGate = std::make_unique<TADOConn>(c.form.edtSrc);
  if (CustomSourceGate->IsConnected()) return true;
  c.ui.Message("源数据连接失败");
  return false;
}

bool ListCustomSourceTables(ShellContext& c) {
  TStringList list;
  CustomSourceGate->GetTableList(list);
  FillLbold(c.form, list.Strings());
  return list.Count() > 0;
}

void ReleaseCustomGateways() {
  if (CustomSourceGate) Release(CustomSourceGate);
  if (CustomTargetGate) Release(CustomTargetGate);
}

}  // namespace mvq
