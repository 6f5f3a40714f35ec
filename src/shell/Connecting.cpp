#include "shell/Connecting.h"

#include <filesystem>

#include "engine/Gateways.h"
#include "engine/ServerScripts.h"
#include "gates/ado/UtdefAdo.h"
#include "gates/ado/utAdopub.h"
#include "gates/ado/utSQLConnection.h"
#include "gates/oracle/utconnection.h"
#include "platform/jet/JetConnection.h"
#include "platform/odbc/ConnectionString.h"
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

// The shell's own failure message, then the driver's reason on a line of its own.
std::string WithReason(const std::string& message, const std::string& reason) {
  return reason.empty() ? message : message + "\n" + reason;
}

// A source naming a database file that is not there: said, and not opened, since opening
// it would create it empty.
bool SourceFileMissing(ShellContext& c, const std::string& connectionString) {
  const std::string file = db::MissingDatabaseFile(connectionString);
  if (file.empty()) return false;
  c.ui.Message("源数据文件" + file + "不存在");
  return true;
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
    if (!FileExists(file) && AccessIsSource(CurrentDirection)) {
      c.ui.Message("access文件" + file + ",不存在");
      connected = false;
    } else {
      if (!FileExists(file)) {
        if (c.createMdbFile)
          c.createMdbFile(file);
        else
          CreateMdbFile(file);
      }
      MdbGate = std::make_unique<TMDBDataGate>(file);
      if (!MdbGate->IsConnected()) {
        c.ui.Message(WithReason("无法连接access," + file, MdbGate->ConnectError()));
        connected = false;
      }
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
      c.ui.Message(WithReason("无法连接Oracle,请检查参数", OracleGate->ConnectError()));
      connected = false;
    }
  }
  if (layout.GBsql.Visible() && !OpenSqlServerGateway(c, install)) {
    c.ui.Message(WithReason("无法连接sqlserver,请检查参数", SqlGate->ConnectError()));
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
  const Endpoint source = DirectionOf(CurrentDirection).source;
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
  const bool source = OpenCustomSourceGateway(c);
  // An Access file as the target is created when it is missing, as directions 2 and 4 do.
  const std::string mdb = db::AccessFileOf(c.form.edtDest);
  if (!mdb.empty() && !std::filesystem::exists(mdb)) {
    try {
      CreateMdbFile(mdb);
    } catch (const std::exception& e) {
      c.ui.Message(e.what());
    }
  }
  CustomTargetGate = std::make_unique<TADOConn>(c.form.edtDest);
  const bool target = CustomTargetGate->IsConnected();
  if (!target) c.ui.Message(WithReason("目标数据连接失败", CustomTargetGate->ConnectError()));
  return source && target;
}

bool OpenCustomSourceGateway(ShellContext& c) {
  if (SourceFileMissing(c, c.form.edtSrc)) return false;
  CustomSourceGate = std::make_unique<TADOConn>(c.form.edtSrc);
  if (CustomSourceGate->IsConnected()) return true;
  c.ui.Message(WithReason("源数据连接失败", CustomSourceGate->ConnectError()));
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

bool WithDirectionGateways(ShellContext& c, bool install, const std::function<void()>& body) {
  const bool custom = IsCustomDirection(CurrentDirection);
  return WithRelease(
      [&] {
        const bool connected = custom ? OpenCustomGateways(c) : ConnectGateways(c, install);
        if (connected) body();
        return connected;
      },
      [custom, install] {
        if (custom)
          ReleaseCustomGateways();
        else
          ReleaseGateways(install);
      });
}

}  // namespace mvq
