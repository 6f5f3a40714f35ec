#include "Options.h"

#include <cctype>
#include <charconv>
#include <map>
#include <string_view>

#include "platform/text/AsciiCase.h"
#include "shell/Directions.h"

namespace mvq::cli {
namespace {

int32_t ParseNumber(const std::string& option, const std::string& value, int32_t lo, int32_t hi) {
  int32_t n = 0;
  const char* end = value.data() + value.size();
  auto [ptr, ec] = std::from_chars(value.data(), end, n);
  if (value.empty() || ec != std::errc() || ptr != end || n < lo || n > hi) {
    throw UsageError(option + " takes a number from " + std::to_string(lo) + " to " +
                     std::to_string(hi) + ", not \"" + value + "\"");
  }
  return n;
}

// "A,B,,C" -> A, B, C; blanks around a name are kept, since they can be part of it.
void SplitTables(const std::string& value, std::vector<std::string>& tables) {
  size_t start = 0;
  while (start <= value.size()) {
    size_t comma = value.find(',', start);
    if (comma == std::string::npos) comma = value.size();
    if (comma > start) tables.push_back(value.substr(start, comma - start));
    start = comma + 1;
  }
}

using TextOptions = std::map<std::string, std::optional<std::string> Options::*>;
using FlagOptions = std::map<std::string, bool Options::*>;

const TextOptions& TextMembers() {
  static const TextOptions text = {
      {"--settings", &Options::settingsFile},
      {"--log-dir", &Options::logDir},
      {"--summary", &Options::summary},
      {"--oracle-host", &Options::oracleHost},
      {"--oracle-port", &Options::oraclePort},
      {"--oracle-sid", &Options::oracleSid},
      {"--oracle-user", &Options::oracleUser},
      {"--oracle-password", &Options::oraclePassword},
      {"--sqlserver-server", &Options::sqlServer},
      {"--sqlserver-user", &Options::sqlUser},
      {"--sqlserver-password", &Options::sqlPassword},
      {"--oracle-password-env", &Options::oraclePasswordEnv},
      {"--sqlserver-password-env", &Options::sqlPasswordEnv},
      {"--sqlserver-database", &Options::sqlDatabase},
      {"--mdb", &Options::mdb},
      {"--xls", &Options::xls},
      {"--source", &Options::source},
      {"--target", &Options::target},
  };
  return text;
}

const FlagOptions& FlagMembers() {
  static const FlagOptions flags = {
      {"--help", &Options::help},
      {"-h", &Options::help},
      {"--list", &Options::list},
      {"--all", &Options::all},
      {"--windows-auth", &Options::windowsAuth},
      {"--overwrite", &Options::overwrite},
      {"--oracle-password-prompt", &Options::oraclePasswordPrompt},
      {"--sqlserver-password-prompt", &Options::sqlPasswordPrompt},
      {"--drivers", &Options::drivers},
      {"--verify", &Options::verify},
      {"--verify-only", &Options::verifyOnly},
      {"--plan", &Options::plan},
  };
  return flags;
}

}  // namespace

Options ParseOptions(const std::vector<std::string>& args) {
  Options o;
  const TextOptions& text = TextMembers();
  const FlagOptions& flags = FlagMembers();

  for (size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i];
    std::optional<std::string> inlineValue;
    if (name.rfind("--", 0) == 0) {
      if (size_t eq = name.find('='); eq != std::string::npos) {
        inlineValue = name.substr(eq + 1);
        name.resize(eq);
      }
    }
    if (auto f = flags.find(name); f != flags.end()) {
      if (inlineValue) throw UsageError(name + " takes no value");
      o.*(f->second) = true;
      continue;
    }
    const bool takesValue = text.count(name) || name == "--direction" || name == "--mode" ||
                            name == "--tables" || name == "--commit-every" || name == "--jobs";
    if (!takesValue) throw UsageError("unknown option \"" + args[i] + "\"");
    std::string value;
    if (inlineValue) {
      value = *inlineValue;
    } else {
      if (i + 1 >= args.size()) throw UsageError(name + " needs a value");
      value = args[++i];
    }
    if (name == "--direction") {
      o.direction = ParseNumber(name, value, 0, kDirectionCount - 1);
    } else if (name == "--mode") {
      o.mode = ParseNumber(name, value, 0, 2);
    } else if (name == "--commit-every") {
      o.commitEvery = ParseNumber(name, value, 1, INT32_MAX);
    } else if (name == "--jobs") {
      o.jobs = ParseNumber(name, value, 1, 64);
    } else if (name == "--tables") {
      SplitTables(value, o.tables);
    } else {
      o.*(text.at(name)) = value;
    }
  }
  return o;
}

void CheckOptions(const Options& o, std::optional<int32_t> settingsDirection) {
  auto oneOf = [](int given, const char* names) {
    if (given > 1) throw UsageError(std::string("give only one of ") + names);
  };
  oneOf(o.oraclePassword.has_value() + o.oraclePasswordEnv.has_value() + o.oraclePasswordPrompt,
        "--oracle-password, --oracle-password-env, --oracle-password-prompt");
  oneOf(o.sqlPassword.has_value() + o.sqlPasswordEnv.has_value() + o.sqlPasswordPrompt,
        "--sqlserver-password, --sqlserver-password-env, --sqlserver-password-prompt");
  oneOf(o.verify + o.verifyOnly + o.plan, "--verify, --verify-only, --plan");
  if (o.drivers) return;
  const std::optional<int32_t> direction = o.direction ? o.direction : settingsDirection;
  if (!direction) throw UsageError("give --direction N (0-9) or --settings FILE");
  if (o.all && !o.tables.empty()) throw UsageError("give either --tables or --all, not both");
  if (!o.list && !o.all && o.tables.empty() && !o.settingsFile) {
    throw UsageError("give the tables to export: --tables T1,T2,... or --all");
  }
  if (*direction != kCustomDirection && (o.source || o.target)) {
    throw UsageError("--source and --target belong to direction 9");
  }
  if (*direction == kCustomDirection && o.target && o.xls) {
    throw UsageError("direction 9 writes either to --target or to --xls, not both");
  }
  const bool workbookTarget =
      IsExcelTarget(*direction) || (*direction == kCustomDirection && CustomToWorkbook(o));
  if (o.plan && workbookTarget)
    throw UsageError("--plan describes the tables of a database target, not a workbook");
  if (o.xls && !IsWorkbookName(*o.xls)) {
    throw UsageError("--xls takes a file name ending in .xls or .xlsx, not \"" + *o.xls + "\"");
  }
}

std::vector<std::string> OptionArgs(const Options& o) {
  std::vector<std::string> args;
  for (const auto& [name, member] : TextMembers()) {
    if (o.*member) args.insert(args.end(), {name, *(o.*member)});
  }
  for (const auto& [name, member] : FlagMembers()) {
    if (o.*member && name != "-h") args.push_back(name);
  }
  auto number = [&](const char* name, const std::optional<int32_t>& value) {
    if (value) args.insert(args.end(), {name, std::to_string(*value)});
  };
  number("--direction", o.direction);
  number("--mode", o.mode);
  number("--commit-every", o.commitEvery);
  if (o.jobs != 1) args.insert(args.end(), {"--jobs", std::to_string(o.jobs)});
  for (const std::string& t : o.tables) args.insert(args.end(), {"--tables", t});
  return args;
}

bool IsWorkbookName(const std::string& file) {
  return text::EndsWithIgnoringCase(file, ".xls") || text::EndsWithIgnoringCase(file, ".xlsx");
}

void ApplyOptions(const Options& o, FormState& f) {
  if (o.direction) f.RGmy = *o.direction;
  if (o.mode) f.RGtableMode = *o.mode;
  auto set = [](const std::optional<std::string>& value, std::string& field) {
    if (value) field = *value;
  };
  set(o.oracleHost, f.edtcomputer);
  set(o.oraclePort, f.edtport);
  set(o.oracleSid, f.edtDB);
  set(o.oracleUser, f.edtuser);
  set(o.oraclePassword, f.edtpassword);
  set(o.sqlServer, f.edtsqlserverdb);
  set(o.sqlUser, f.edtsqluser);
  set(o.sqlPassword, f.edtsqlpassword);
  set(o.sqlDatabase, f.edtsqlCatalog.text);
  if (o.windowsAuth) f.sqlAuth = SqlAuth::Windows;
  set(o.mdb, f.edtfilename);
  set(o.xls, f.edtxlsfilename);
  if (o.overwrite) f.chkexcel = true;
  set(o.source, f.edtSrc);
  set(o.target, f.edtDest);
  // Direction 9 with --mdb and no --target writes into that Access file.
  if (f.RGmy == kCustomDirection && o.mdb && !o.target && !o.xls)
    f.edtDest = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + *o.mdb;
}

bool CustomToWorkbook(const Options& o) {
  return o.xls && !o.target;
}

std::string UsageText() {
  return R"(usage: mvqcli --direction N [settings] (--tables T1,T2,... | --all) [--mode 0|1|2]
                   [--log-dir DIR] [--summary FILE|-]
       mvqcli --direction N [settings] --list
       mvqcli --settings FILE [options]

Carries tables from one database to another, as the mvq window does.

directions:
  0 Oracle-->SQL Server    3 Access-->Oracle        6 Oracle-->Excel
  1 SQL Server-->Oracle    4 SQL Server-->Access    7 SQL Server-->Excel
  2 Oracle-->Access        5 Access-->SQL Server    8 Access-->Excel
  9 custom: --source CONN to --target CONN, or to a workbook with --xls FILE

settings:
  --oracle-host HOST (127.0.0.1)  --oracle-port PORT (1521)  --oracle-sid SID
  --oracle-user USER  --oracle-password-env NAME | --oracle-password-prompt
  --sqlserver-server NAME  --sqlserver-user USER (sa)  --windows-auth
  --sqlserver-password-env NAME | --sqlserver-password-prompt  --sqlserver-database NAME
  --mdb FILE (c:\1.mdb)  --xls FILE (c:\1.xls; .xls or .xlsx)  --overwrite
  --source CONN  --target CONN      ODBC connection strings; PWD=${NAME} takes the
                                    password from the environment variable NAME
  --oracle-password P  --sqlserver-password P   also work, but every user of the machine
                                    can read them in the process list

  -env NAME reads the password from the environment variable NAME; -prompt (and an unset
  NAME or ${NAME} on an interactive terminal) asks for it without echo.

  --settings FILE   direction, fields, export list and mode from a settings file the
                    window saved; options given as well override it
  --tables T1,T2    the tables to export, in this order; --all for every source table
  --mode M          a table that exists in the target: 0 skip it, 1 empty it, 2 drop it
  --list            print the source tables, one per line, and stop
  --log-dir DIR     write the run log (MvqYYYY.mm.DD.log) into DIR
  --summary FILE    write the run as JSON into FILE (- for standard output)
  --verify          after each table is copied, compare it with its source: row counts
                    and a checksum per column; a difference exits with 1 (a workbook
                    is read back and each table's sheets compared with the source)
  --verify-only     the same comparison without copying anything
  --plan            print what the run would do to each table without changing the
                    target: the existing-table step, the CREATE TABLE text, and each
                    column whose target type loses something
  --jobs N          copy up to N tables at once into a database target, each with
                    connections of its own (default 1; a workbook or an Access file
                    is written one table at a time)
  --drivers         list the ODBC drivers mvq would use for each kind of database
  --commit-every N  also commit the target every N rows (default: at each source page of
                    65,535 rows and at the end of a table; a table read whole, and every
                    custom copy, commits once at its end)

exit codes: 0 every table fully exported (or skipped as existing with --mode 0) and
  verified when asked; 1 a table failed, was partly exported, not reached or did not verify;
  2 a settings check or a connection failed; 3 cancelled (Ctrl-C); 4 unexpected error
)";
}

}  // namespace mvq::cli
