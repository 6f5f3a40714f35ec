#include "TableJobs.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <stdexcept>

#include "CliUserInterface.h"
#include "TerminalProgress.h"
#include "engine/DirectionTable.h"
#include "engine/Gateways.h"
#include "engine/RowCopy.h"
#include "gates/ado/UtdefAdo.h"
#include "shell/ExportRun.h"
#include "shell/FormComponents.h"
#include "shell/ShellSteps.h"
#include "support/CurrentDirection.h"
#include "support/utLog.h"

extern char** environ;

namespace mvq::cli {
namespace {

namespace fs = std::filesystem;

constexpr const char* kJobFlag = "--table-job";

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The outcome file: "name=value" lines, with backslash, CR and LF escaped in the values.
std::string Escaped(const std::string& value) {
  std::string out;
  for (char c : value) {
    if (c == '\\')
      out += "\\\\";
    else if (c == '\n')
      out += "\\n";
    else if (c == '\r')
      out += "\\r";
    else
      out += c;
  }
  return out;
}

std::string Unescaped(const std::string& value) {
  std::string out;
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 == value.size()) {
      out += value[i];
      continue;
    }
    const char next = value[++i];
    out += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
  }
  return out;
}

// The fields of a one-table run that travel back, each as text both ways.
struct Field {
  const char* name;
  std::string (*get)(const ExportRunReport&);
  void (*set)(ExportRunReport&, const std::string&);
};

TableOutcome& Only(ExportRunReport& run) {
  if (run.tables.empty()) run.tables.emplace_back();
  return run.tables.front();
}
const TableOutcome& Only(const ExportRunReport& run) {
  static const TableOutcome none;
  return run.tables.empty() ? none : run.tables.front();
}

const Field kFields[] = {
    {"connected", [](const ExportRunReport& r) { return std::to_string(int(r.connected)); },
     [](ExportRunReport& r, const std::string& v) { r.connected = v == "1"; }},
    {"cancelled", [](const ExportRunReport& r) { return std::to_string(int(r.cancelled)); },
     [](ExportRunReport& r, const std::string& v) { r.cancelled = v == "1"; }},
    {"error", [](const ExportRunReport& r) { return r.error; },
     [](ExportRunReport& r, const std::string& v) { r.error = v; }},
    {"status", [](const ExportRunReport& r) { return std::to_string(int(Only(r).status)); },
     [](ExportRunReport& r, const std::string& v) {
       Only(r).status = static_cast<OutcomeStatus>(std::stoi(v));
     }},
    {"existing", [](const ExportRunReport& r) { return std::to_string(int(Only(r).existing)); },
     [](ExportRunReport& r, const std::string& v) {
       Only(r).existing = static_cast<ExistingStep>(std::stoi(v));
     }},
    {"rows_counted", [](const ExportRunReport& r) { return std::to_string(Only(r).rowsCounted); },
     [](ExportRunReport& r, const std::string& v) { Only(r).rowsCounted = std::stoll(v); }},
    {"rows_written", [](const ExportRunReport& r) { return std::to_string(Only(r).rowsWritten); },
     [](ExportRunReport& r, const std::string& v) { Only(r).rowsWritten = std::stoll(v); }},
    {"rows_refused", [](const ExportRunReport& r) { return std::to_string(Only(r).rowsRefused); },
     [](ExportRunReport& r, const std::string& v) { Only(r).rowsRefused = std::stoll(v); }},
    {"ms", [](const ExportRunReport& r) { return std::to_string(Only(r).ms); },
     [](ExportRunReport& r, const std::string& v) { Only(r).ms = std::stoll(v); }},
    {"first_error", [](const ExportRunReport& r) { return Only(r).firstError; },
     [](ExportRunReport& r, const std::string& v) { Only(r).firstError = v; }},
    {"report", [](const ExportRunReport& r) { return Only(r).report; },
     [](ExportRunReport& r, const std::string& v) { Only(r).report = v; }},
};

void SaveOutcome(const fs::path& path, const ExportRunReport& run) {
  std::string text;
  for (const Field& f : kFields) text += std::string(f.name) + "=" + Escaped(f.get(run)) + "\n";
  const fs::path partial = path.string() + ".part";
  std::ofstream(partial, std::ios::binary) << text;
  fs::rename(partial, path);  // whole or absent
}

bool LoadOutcome(const fs::path& path, ExportRunReport& run) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::map<std::string, std::string> values;
  for (std::string line; std::getline(in, line);) {
    const size_t eq = line.find('=');
    if (eq != std::string::npos) values[line.substr(0, eq)] = Unescaped(line.substr(eq + 1));
  }
  for (const Field& f : kFields) {
    auto v = values.find(f.name);
    if (v == values.end()) return false;
    f.set(run, v->second);
  }
  return true;
}

// A progress view that shows nothing: a table's process only needs Ctrl-C as the cancel.
class SilentProgress : public TerminalProgress {
 public:
  SilentProgress() : TerminalProgress(false) {}
  std::unique_ptr<ProgressWindow> CreateWindow(int, bool) override { return nullptr; }
};

// One more writer of the same file would wait for the others' locks, or break the file.
bool TargetIsAFile(int32_t direction) {
  const DirectionRow& row = DirectionOf(direction);
  if (row.targetSlot == GatewaySlot::MdbGate) return true;
  if (row.targetSlot != GatewaySlot::CustomTargetGate || !CustomTargetGate) return false;
  const db::Connection* target = CustomTargetGate->AdoConnection();
  return target && (target->dbms() == db::Dbms::SQLite || target->dbms() == db::Dbms::Access);
}

// What a table's process gets on stdin: its table, then its options, each ended by NUL.
std::string JobInput(const std::string& table, const std::vector<std::string>& args) {
  std::string input = table + '\0';
  for (const std::string& a : args) input += a + '\0';
  return input;
}

struct Job {
  size_t index;
  pid_t pid;
  fs::path base;  // base.log, base.outcome, base.err
};

Job Launch(size_t index, const fs::path& dir, const std::string& input) {
  Job job{index, 0, dir / std::to_string(index)};
  int in[2];
  if (::pipe2(in, O_CLOEXEC) != 0) throw std::runtime_error("cannot make a pipe for a table");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
  const std::string err = job.base.string() + ".err";
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, err.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  // A group of its own: a Ctrl-C on the terminal reaches it once, passed on by this process.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);
  const std::string self = "/proc/self/exe", base = job.base.string();
  char* argv[] = {const_cast<char*>(self.c_str()), const_cast<char*>(kJobFlag),
                  const_cast<char*>(base.c_str()), nullptr};
  const int rc = posix_spawn(&job.pid, self.c_str(), &actions, &attributes, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  ::close(in[0]);
  if (rc != 0) {
    ::close(in[1]);
    throw std::runtime_error("cannot start the process of a table");
  }
  ForwardInterruptsTo(job.pid);
  for (size_t done = 0; done < input.size();) {
    const ssize_t n = ::write(in[1], input.data() + done, input.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // it died; its missing outcome says so
    done += static_cast<size_t>(n);
  }
  ::close(in[1]);
  return job;
}

// A finished table's process: its outcome into the report, its messages onto stderr, its
// log lines into the run log as one block.
void Collect(const Job& job, int status, ExportRunReport& report, std::string& ending) {
  TableOutcome& outcome = report.tables[job.index];
  ExportRunReport one;
  if (!LoadOutcome(job.base.string() + ".outcome", one)) {
    outcome.status = OutcomeStatus::Failed;
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    outcome.firstError = "the process copying the table ended without a result (exit code " +
                         std::to_string(code) + ")";
  } else {
    const std::string table = outcome.table;
    outcome = Only(one);
    outcome.table = table;
    if (!one.connected) {
      outcome.status = OutcomeStatus::Failed;
      if (outcome.firstError.empty()) outcome.firstError = "the table's connections failed";
    }
    if (one.cancelled) report.cancelled = true;
    if (!one.error.empty() && ending.empty()) ending = one.error;
  }
  const std::string messages = ReadAll(job.base.string() + ".err");
  if (!messages.empty()) {
    ClearProgressLine();
    std::fputs(messages.c_str(), stderr);
  }
  AppendLogBlock(ReadAll(job.base.string() + ".log"));
}

}  // namespace

bool IsTableJob(const std::vector<std::string>& args) {
  return args.size() == 2 && args[0] == kJobFlag;
}

int RunTableJob(const std::vector<std::string>& args) {
  const std::string base = args.at(1);
  const std::string input((std::istreambuf_iterator<char>(std::cin)),
                          std::istreambuf_iterator<char>());
  std::vector<std::string> parts;
  for (size_t start = 0, end; (end = input.find('\0', start)) != std::string::npos; start = end + 1)
    parts.push_back(input.substr(start, end - start));
  if (parts.empty()) return 4;

  const Options o = ParseOptions({parts.begin() + 1, parts.end()});
  FormState form;
  if (o.settingsFile) LoadFormState(form, *o.settingsFile);
  ApplyOptions(o, form);
  if (o.commitEvery) SetCommitEveryRows(*o.commitEvery);
  LogFileName = base + ".log";
  ShowMessagesAsNotices();
  SilentProgress progress;
  SetProgressUi(&progress);
  InstallInterruptHandler();

  CurrentDirection = form.RGmy;
  WizardView view;
  ArrangeSettingsPage(view.layout, CurrentDirection);
  form.lbnew.Clear();
  form.lbnew.Insert(0, parts[0]);
  CliUserInterface ui;
  ShellContext c{form, view, ui, {}, {}, false};
  c.tableJob = true;
  ExportRunReport run;
  try {
    btnExpClick(c, run);
  } catch (const std::exception& e) {
    PrintNotice(std::string("error: ") + e.what());
    if (run.error.empty()) run.error = e.what();
  }
  SaveOutcome(base + ".outcome", run);
  return 0;
}

bool CopyTablesInJobs(const Options& o, ExportRunReport& report) {
  if (TargetIsAFile(report.direction)) {
    PrintNotice("mvqcli: the target is one file; its tables are written one at a time");
    return false;
  }
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/mvqcli-jobs-XXXXXX";
  if (!::mkdtemp(pattern.data()))
    throw std::runtime_error("cannot make a folder for the tables' jobs in " + pattern);
  const fs::path dir = pattern;
  struct Removed {
    fs::path dir;
    ~Removed() {
      std::error_code ignored;
      fs::remove_all(dir, ignored);
    }
  } removed{dir};
  ::signal(SIGPIPE, SIG_IGN);

  // Each table's process takes the run's settings, for its table alone and without output.
  Options each = o;
  each.tables.clear();
  each.all = each.list = each.drivers = each.verify = each.verifyOnly = each.plan = false;
  each.summary.reset();
  each.logDir.reset();
  each.oraclePasswordEnv.reset();
  each.sqlPasswordEnv.reset();
  each.oraclePasswordPrompt = each.sqlPasswordPrompt = false;
  each.jobs = 1;
  const std::vector<std::string> args = OptionArgs(each);

  const bool interactive = ::isatty(STDERR_FILENO) == 1;
  const size_t count = report.tables.size();
  std::vector<Job> running;
  size_t next = 0, finished = 0;
  std::string ending;
  auto show = [&] {
    std::string names;
    for (const Job& j : running)
      names += (names.empty() ? "" : ", ") + report.tables[j.index].table;
    ShowStatusLine(std::to_string(finished) + " of " + std::to_string(count) +
                       " tables done; under way: " + (names.empty() ? "none" : names),
                   interactive);
  };
  while (next < count || !running.empty()) {
    bool changed = false;
    while (!Interrupted() && ending.empty() && next < count &&
           running.size() < static_cast<size_t>(o.jobs)) {
      running.push_back(Launch(next, dir, JobInput(report.tables[next].table, args)));
      ++next;
      changed = true;
    }
    if (next < count && (Interrupted() || !ending.empty())) next = count;  // no more start
    for (auto j = running.begin(); j != running.end();) {
      int status = 0;
      const pid_t r = ::waitpid(j->pid, &status, WNOHANG);
      if (r == 0 || (r < 0 && errno == EINTR)) {
        ++j;
        continue;
      }
      StopForwardingTo(j->pid);
      Collect(*j, status, report, ending);
      ++finished;
      j = running.erase(j);
      changed = true;
    }
    if (changed)
      show();
    else
      ::usleep(20'000);
  }
  ClearProgressLine();
  if (Interrupted()) report.cancelled = true;
  if (!ending.empty()) throw std::runtime_error(ending);
  return true;
}

}  // namespace mvq::cli
