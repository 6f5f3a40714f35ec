#pragma once
// The batch runner's command line: what to connect to, which tables, how to treat tables
// that exist, where the log goes. Unset options keep the window's defaults, or the values
// of a settings file the window saved.
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "shell/FormState.h"

namespace mvq::cli {

// A command line that cannot be run; the text says why.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct Options {
  bool help = false;
  bool list = false;
  bool all = false;
  std::optional<int32_t> direction;
  std::optional<int32_t> mode;
  std::optional<int32_t> commitEvery;  // rows per commit within a page
  std::optional<std::string> settingsFile;
  std::optional<std::string> logDir;
  std::optional<std::string> summary;  // a file for the JSON summary, "-" for stdout
  std::vector<std::string> tables;     // in the order given

  std::optional<std::string> oracleHost, oraclePort, oracleSid, oracleUser, oraclePassword;
  std::optional<std::string> sqlServer, sqlUser, sqlPassword, sqlDatabase;
  bool windowsAuth = false;
  std::optional<std::string> mdb, xls, source, target;
  bool overwrite = false;

  // Passwords kept off the command line: the name of an environment variable, or a prompt.
  std::optional<std::string> oraclePasswordEnv, sqlPasswordEnv;
  bool oraclePasswordPrompt = false, sqlPasswordPrompt = false;

  bool drivers = false;     // list the ODBC drivers each kind of database would use, and stop
  bool verify = false;      // compare each copied table with its source
  bool verifyOnly = false;  // compare without copying
  bool plan = false;        // print what the run would do, change nothing
  int32_t jobs = 1;         // tables copied at once into a database target
};

// Throws UsageError for an unknown option, a missing value or a value out of range.
Options ParseOptions(const std::vector<std::string>& args);

// Checks what needs the whole line: a direction from somewhere, tables unless listing, the
// custom direction's ends. settingsDirection is the direction a settings file gave, if any.
void CheckOptions(const Options& o, std::optional<int32_t> settingsDirection);

// The command line that parses back into o. A table name holding a comma does not survive
// --tables; pass such names some other way.
std::vector<std::string> OptionArgs(const Options& o);

// A workbook the writers can make: a name ending in .xls or .xlsx, letter case ignored.
bool IsWorkbookName(const std::string& file);

// Writes the given options over the form (direction, fields, mode).
void ApplyOptions(const Options& o, FormState& form);

// Whether the custom direction writes into a workbook: --xls without --target.
bool CustomToWorkbook(const Options& o);

std::string UsageText();

}  // namespace mvq::cli
