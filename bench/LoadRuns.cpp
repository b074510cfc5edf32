#include "bench/LoadRuns.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <stdexcept>

#include "bench/LoadProcess.h"
#include "bench/LoadReport.h"
#include "bench/LoadSchema.h"
#include "bench/LoadStats.h"
#include "bench/RunGuard.h"
#include "bench/WorkerLine.h"
#include "dataaccess/Database.h"
#include "framework/Text.h"
#include "gensrc/Generator.h"

namespace qgen::bench {

namespace {

// One worker process and what it has printed so far.
struct Worker {
  std::vector<std::string> argv;
  std::unique_ptr<ChildProcess> process;
  std::string identity;
  std::string settings;
  bool ready = false;
  bool started = false;
  bool done = false;
  bool killed = false;
  std::vector<long long> values;     // value numbers, in the order issued
  std::vector<long long> latencies;  // ns per value
  std::vector<long long> finished;   // monotonic ns at which each value came back
  std::vector<std::pair<long long, std::string>> errors;  // monotonic ns, message
  std::vector<std::string> messages;
  WorkerLine counts;  // the "done" line's counts

  void Absorb() {
    for (const std::string& text : process->TakeLines()) {
      const std::optional<WorkerLine> line = ParseWorkerLine(text);
      if (!line)
        continue;  // cut short by a kill: not an issued value
      switch (line->kind) {
        case WorkerLine::Kind::Ready:
          identity = line->text;
          settings = line->settings;
          ready = true;
          break;
        case WorkerLine::Kind::Value:
          values.push_back(ValueNumber(line->text));
          latencies.push_back(line->latency_ns);
          finished.push_back(line->at_ns);
          break;
        case WorkerLine::Kind::Error:
          errors.emplace_back(line->at_ns, line->text);
          break;
        case WorkerLine::Kind::Message:
          messages.push_back(line->text);
          break;
        case WorkerLine::Kind::Done:
          counts = *line;
          done = true;
          break;
      }
    }
  }
};

std::vector<ChildProcess*> Running(const std::vector<std::unique_ptr<Worker>>& workers) {
  std::vector<ChildProcess*> running;
  for (const auto& worker : workers) {
    if (!worker->process->OutputEnded())
      running.push_back(worker->process.get());
  }
  return running;
}

void Pump(const std::vector<std::unique_ptr<Worker>>& workers, int timeout_ms) {
  PumpOutput(Running(workers), timeout_ms);
  for (const auto& worker : workers)
    worker->Absorb();
}

// A worker process started with `argv`.
std::unique_ptr<Worker> LaunchWorker(std::vector<std::string> argv) {
  auto worker = std::make_unique<Worker>();
  worker->argv = std::move(argv);
  worker->process = std::make_unique<ChildProcess>(worker->argv);
  return worker;
}

std::unique_ptr<Worker> StartWorker(Method method, const std::string& db, long long count,
                                    bool relaxed, long long print_delay_us = 0) {
  std::vector<std::string> argv = {SelfPath(), "worker", "--method", MethodName(method),
                                   "--db",     db,       "-n",       std::to_string(count)};
  if (relaxed)
    argv.push_back("--relaxed");
  if (print_delay_us > 0) {
    argv.push_back("--print-delay-us");
    argv.push_back(std::to_string(print_delay_us));
  }
  return LaunchWorker(std::move(argv));
}

// Generators made in the same millisecond by two processes sign the row with
// the same identity, and the audit could not tell their values apart (a gap
// left by a killed one would look unexplained). A worker not yet started whose
// identity repeats another's is sent away before it draws, and another started
// in its place. True when one was replaced.
bool ReplaceRepeatedIdentity(std::vector<std::unique_ptr<Worker>>& workers) {
  std::set<std::string> seen;
  for (auto& worker : workers) {
    if (!worker->ready || seen.insert(worker->identity).second || worker->started)
      continue;
    worker->process->CloseInput();  // it ends without drawing
    worker->process->Wait();
    worker = LaunchWorker(worker->argv);
    return true;
  }
  return false;
}

// Waits until every worker is set up, each with an identity of its own;
// raises with the workers' own reasons when one of them cannot be.
void AwaitReady(std::vector<std::unique_ptr<Worker>>& workers) {
  const long long give_up = MonotonicNs() + 120'000'000'000LL;
  for (;;) {
    Pump(workers, 50);
    bool all = true;
    for (const auto& worker : workers) {
      if (worker->ready)
        continue;
      all = false;
      if (worker->process->OutputEnded()) {
        std::string reason = "a worker could not be set up";
        if (!worker->errors.empty())
          reason += ": " + worker->errors.back().second;
        throw std::runtime_error(reason);
      }
    }
    if (all && !ReplaceRepeatedIdentity(workers))
      return;
    if (MonotonicNs() > give_up)
      throw std::runtime_error("the workers were not set up within 120 s");
  }
}

void Go(const std::vector<std::unique_ptr<Worker>>& workers) {
  for (const auto& worker : workers) {
    if (worker->ready && !worker->started) {
      worker->process->Send("go\n");
      worker->started = true;
    }
  }
}

// Runs a shell command to its end while the workers' output keeps flowing.
int RunCommand(const std::string& command, const std::vector<std::unique_ptr<Worker>>& workers) {
  ChildProcess shell({"/bin/sh", "-c", command});
  shell.CloseInput();
  while (!shell.OutputEnded()) {
    std::vector<ChildProcess*> all = Running(workers);
    all.push_back(&shell);
    PumpOutput(all, 20);
    for (const auto& worker : workers)
      worker->Absorb();
    for (const std::string& line : shell.TakeLines())
      std::printf("  | %s\n", line.c_str());
  }
  const int status = shell.Wait();
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

void StopAll(const std::vector<std::unique_ptr<Worker>>& workers) {
  for (const auto& worker : workers)
    worker->process->Signal(SIGTERM);
  const long long give_up = MonotonicNs() + 60'000'000'000LL;
  while (!Running(workers).empty() && MonotonicNs() < give_up)
    Pump(workers, 50);
  for (const auto& worker : workers)
    worker->process->Wait();
}

// Draws the first value itself, so that the row exists before the workers
// start: returns the identity it drew under.
std::string DrawFirstValue(const std::string& db) {
  GeneratorRig rig(db);
  rig.Generator().Generator();
  return rig.Generator().InstanceStamp;
}

// The load average now, as /proc/loadavg gives it (the last 1, 5 and 15 minutes).
std::string LoadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string one, five, fifteen;
  in >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

// Fresh state for a case: the method's store emptied, the row's first value
// drawn. Returns the first value the workers are to issue.
long long PrepareCase(const std::string& db, Method method) {
  {
    TDatabase admin(nullptr);
    admin.SetURI(db);
    admin.Open();
    switch (method) {
      case Method::Generator:
        PrepareGeneratorTable(admin);
        break;
      case Method::Counter:
        PrepareCounter(admin);
        break;
      case Method::Sequence:
        PrepareSequence(admin);
        break;
    }
  }
  if (method != Method::Generator)
    return 1;
  DrawFirstValue(db);
  return 2;
}

// The figures of a case from what its workers printed.
void Gather(const std::vector<std::unique_ptr<Worker>>& workers, long long go, CaseFigures& f,
            std::vector<long long>& values) {
  std::vector<long long> latencies;
  long long last = go;
  for (const auto& worker : workers) {
    worker->process->Wait();
    values.insert(values.end(), worker->values.begin(), worker->values.end());
    latencies.insert(latencies.end(), worker->latencies.begin(), worker->latencies.end());
    for (long long at : worker->finished)
      last = std::max(last, at);
    f.errors += static_cast<long long>(worker->errors.size());
    f.notices += worker->counts.messages;
    f.attempts += worker->counts.attempts;
    f.pauses += worker->counts.pauses;
    for (const auto& error : worker->errors)
      std::fprintf(stderr, "  worker %s: %s\n", worker->identity.c_str(), error.second.c_str());
  }
  f.values = static_cast<long long>(values.size());
  f.seconds = static_cast<double>(last - go) / 1e9;
  f.rate = f.seconds > 0 ? static_cast<double>(f.values) / f.seconds : 0;
  f.p50_ms = Percentile(latencies, 0.50) / 1e6;
  f.p99_ms = Percentile(latencies, 0.99) / 1e6;
  f.max_ms = Percentile(latencies, 1.0) / 1e6;
}

CaseFigures RunCase(const std::string& db, Method method, int processes, long long count,
                    bool relaxed) {
  CaseFigures figures;
  figures.db = DatabaseKind(db);
  figures.method = method;
  figures.processes = processes;
  const std::string load_before = LoadAverage();
  const long long first = PrepareCase(db, method);
  std::vector<std::unique_ptr<Worker>> workers;
  for (int i = 0; i < processes; ++i)
    workers.push_back(StartWorker(method, db, count, relaxed));
  AwaitReady(workers);
  figures.settings = workers.front()->settings;
  const long long go = MonotonicNs();
  Go(workers);
  while (!Running(workers).empty())
    Pump(workers, 100);
  std::vector<long long> values;
  Gather(workers, go, figures, values);
  TDatabase admin(nullptr);
  admin.SetURI(db);
  admin.Open();
  figures.sequence = CheckSequence(values, first, StoredValue(admin, method));
  figures.load = load_before + " / " + LoadAverage();
  return figures;
}

}  // namespace

std::string SelfPath() {
  char buffer[4096];
  const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (length <= 0)
    throw std::runtime_error("cannot find this program's path");
  return std::string(buffer, static_cast<std::size_t>(length));
}

int RunThroughput(const ThroughputOptions& options) {
  const RunGuard alone(options.databases);
  std::vector<CaseFigures> all;
  for (const std::string& db : options.databases) {
    std::vector<Method> methods = {Method::Counter, Method::Generator};
    if (DatabaseKind(db) == "postgresql")
      methods.push_back(Method::Sequence);
    for (int processes : options.processes) {
      double baseline = 0;
      for (Method method : methods) {
        CaseFigures figures = RunCase(db, method, processes, options.count, options.relaxed);
        if (method == Method::Counter)
          baseline = figures.rate;
        figures.ratio = baseline > 0 ? figures.rate / baseline : 0;
        PrintCase(figures);
        all.push_back(figures);
      }
    }
  }
  PrintTable(all);
  const bool met = PrintTargets(all);
  if (!options.csv.empty())
    WriteCsv(options.csv, all);
  // The figures depend on the machine; a value issued twice or lost does not.
  bool clean = true;
  for (const CaseFigures& f : all)
    clean = clean && (f.method != Method::Generator || f.Clean());
  std::printf("\nTGenerator: no duplicate, no gap, no failed draw: %s; every target: %s\n",
              clean ? "yes" : "NO", met ? "met" : "MISSED");
  return clean ? 0 : 1;
}

namespace {

// Prepares the table with its audit trail and draws the first value.
std::string PrepareAuditedRun(const std::string& db) {
  TDatabase admin(nullptr);
  admin.SetURI(db);
  admin.Open();
  PrepareGeneratorTable(admin);
  InstallAudit(admin);
  return DrawFirstValue(db);
}

std::vector<IssuedValue> Issued(const std::vector<std::unique_ptr<Worker>>& workers) {
  std::vector<IssuedValue> issued;
  for (const auto& worker : workers) {
    for (long long value : worker->values)
      issued.push_back({value, worker->identity});
  }
  return issued;
}

std::vector<AuditEntry> AuditOf(const std::string& db) {
  TDatabase admin(nullptr);
  admin.SetURI(db);
  admin.Open();
  return ReadAudit(admin);
}

void PrintAudit(const AuditCheck& check) {
  std::printf("  values committed by the table   %lld\n", check.committed);
  std::printf("  values issued (printed)         %lld\n", check.issued);
  std::printf("  duplicates                      %lld\n", check.duplicates);
  std::printf("  table steps other than +1       %lld\n", check.skips);
  std::printf("  issued but never committed      %lld\n", check.not_committed);
  std::printf("  issued by another than writer   %lld\n", check.wrong_owner);
  std::printf("  gaps: committed by a process killed before it could print it  %lld\n",
              check.killed_gaps);
  std::printf("  gaps: committed as the server went away (reply lost)          %lld\n",
              check.outage_gaps);
  std::printf("  gaps: unexplained                                             %lld\n",
              check.unexplained_gaps);
  for (const std::string& note : check.notes)
    std::printf("  - %s\n", note.c_str());
}

bool AuditClean(const AuditCheck& check) {
  return check.duplicates == 0 && check.skips == 0 && check.not_committed == 0 &&
         check.wrong_owner == 0 && check.unexplained_gaps == 0 && check.issued > 0;
}

// Distinct messages (errors and message boxes) with how often each came.
void PrintMessages(const std::vector<std::unique_ptr<Worker>>& workers) {
  std::map<std::string, long long> counts;
  for (const auto& worker : workers) {
    for (const auto& error : worker->errors)
      ++counts["error: " + error.second];
    for (const std::string& message : worker->messages)
      ++counts["message box: " + message];
  }
  for (const auto& [text, count] : counts)
    std::printf("  %5lld x %s\n", count, text.c_str());
}

}  // namespace

namespace {

// Lets the workers run for `seconds`, reading what they print.
void RunFor(const std::vector<std::unique_ptr<Worker>>& workers, double seconds) {
  const long long until = MonotonicNs() + static_cast<long long>(seconds * 1e9);
  while (MonotonicNs() < until)
    Pump(workers, 20);
}

// Kills a random running worker and starts another in its place; returns the
// killed one's identity, or "" when none is running yet.
std::string KillOne(std::vector<std::unique_ptr<Worker>>& workers, std::mt19937& random,
                    const KillOptions& options) {
  std::vector<Worker*> candidates;
  for (const auto& worker : workers) {
    if (worker->started && !worker->killed && !worker->process->OutputEnded())
      candidates.push_back(worker.get());
  }
  if (candidates.empty())
    return "";
  Worker* victim =
      candidates[std::uniform_int_distribution<std::size_t>(0, candidates.size() - 1)(random)];
  victim->process->Signal(SIGKILL);
  victim->process->Wait();
  while (!victim->process->OutputEnded())
    victim->process->ReadAvailable();  // what it wrote before it died
  victim->Absorb();
  victim->killed = true;
  workers.push_back(StartWorker(Method::Generator, options.db, 0, false, options.print_delay_us));
  return victim->identity;
}

}  // namespace

int RunKill(const KillOptions& options) {
  const RunGuard alone({options.db});
  const unsigned seed = options.seed ? options.seed : static_cast<unsigned>(MonotonicNs());
  std::printf(
      "kill run: %s, %d processes, %d kills every %d-%d ms, %lld us from a value to its "
      "line, seed %u, load average %s\n",
      DatabaseKind(options.db).c_str(), options.processes, options.kills, options.min_interval_ms,
      options.max_interval_ms, options.print_delay_us, seed, LoadAverage().c_str());
  const std::string driver = PrepareAuditedRun(options.db);
  std::vector<std::unique_ptr<Worker>> workers;
  for (int i = 0; i < options.processes; ++i)
    workers.push_back(StartWorker(Method::Generator, options.db, 0, false, options.print_delay_us));
  AwaitReady(workers);
  const long long started = MonotonicNs();
  Go(workers);
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> interval(options.min_interval_ms, options.max_interval_ms);
  long long next_kill = MonotonicNs() + interval(random) * 1'000'000LL;
  const long long give_up =
      MonotonicNs() +
      (static_cast<long long>(options.kills) * options.max_interval_ms + 120'000) * 1'000'000LL;
  std::set<std::string> killed;
  int kills = 0;
  while (kills < options.kills && MonotonicNs() < give_up) {
    Pump(workers, 5);
    Go(workers);  // replacements that have come up
    if (MonotonicNs() < next_kill)
      continue;
    const std::string identity = KillOne(workers, random, options);
    if (!identity.empty()) {
      killed.insert(identity);
      ++kills;
    }
    next_kill = MonotonicNs() + interval(random) * 1'000'000LL;
  }
  RunFor(workers, 1.0);  // the replacements draw for a moment; then everyone stops
  Go(workers);
  StopAll(workers);
  const double seconds = static_cast<double>(MonotonicNs() - started) / 1e9;
  const AuditCheck check = CheckAudit(AuditOf(options.db), Issued(workers), killed, driver, 0, 0);
  std::printf("  %d kills, %zu processes in all, %.1f s, load average %s\n", kills, workers.size(),
              seconds, LoadAverage().c_str());
  PrintAudit(check);
  PrintMessages(workers);
  const bool ok = kills == options.kills && AuditClean(check) && check.outage_gaps == 0;
  std::printf("kill run: %s\n", ok ? "PASSED" : "FAILED");
  return ok ? 0 : 1;
}

namespace {

// One line per worker: its values, when it stopped and started issuing, and
// when its failed draws began, in seconds from the moment the server was
// stopped.
void PrintWorkerTimes(const Worker& worker, long long down_ns, long long up_ns) {
  auto since_down = [&](long long at) { return static_cast<double>(at - down_ns) / 1e9; };
  const auto before = std::find_if(worker.finished.rbegin(), worker.finished.rend(),
                                   [&](long long at) { return at <= down_ns; });
  const auto back = std::find_if(worker.finished.begin(), worker.finished.end(),
                                 [&](long long at) { return at > up_ns; });
  std::printf(
      "  worker %s: %lld values; last before the stop: %s; first after the restart: %s",
      worker.identity.c_str(), static_cast<long long>(worker.values.size()),
      before == worker.finished.rend() ? "none" : Format("%+.2f s", since_down(*before)).c_str(),
      back == worker.finished.end() ? "none" : Format("%+.2f s", since_down(*back)).c_str());
  for (const auto& error : worker.errors) {
    if (error.first >= down_ns)
      std::printf("; error at %+.2f s", since_down(error.first));
  }
  std::printf("\n");
}

// How the workers came back once the server was: the targets are every
// worker issuing again within 2 s of the server's return, and no draw begun
// after it failing. Prints the figures; true when both are met.
bool ReportRecovery(const std::vector<std::unique_ptr<Worker>>& workers, long long down_ns,
                    long long up_ns) {
  int reported = 0;
  int back_in_time = 0;
  long long failed_after = 0;
  double slowest_back = 0;
  for (const auto& worker : workers) {
    PrintWorkerTimes(*worker, down_ns, up_ns);
    const bool told =
        !worker->messages.empty() || std::any_of(worker->errors.begin(), worker->errors.end(),
                                                 [&](const auto& e) { return e.first >= down_ns; });
    reported += told ? 1 : 0;
    failed_after += std::count_if(worker->errors.begin(), worker->errors.end(),
                                  [&](const auto& e) { return e.first > up_ns; });
    const auto back = std::find_if(worker->finished.begin(), worker->finished.end(),
                                   [&](long long at) { return at > up_ns; });
    const double after =
        back == worker->finished.end() ? 1e9 : static_cast<double>(*back - up_ns) / 1e9;
    back_in_time += after <= 2.0 ? 1 : 0;
    slowest_back = std::max(slowest_back, after);
  }
  const int all = static_cast<int>(workers.size());
  std::printf("  the server was back at %+.2f s\n", static_cast<double>(up_ns - down_ns) / 1e9);
  std::printf("  workers that reported the failure: %d of %d\n", reported, all);
  std::printf(
      "  workers issuing again within 2 s of the server's return: %d of %d (the last "
      "after %.2f s): %s\n",
      back_in_time, all, slowest_back, back_in_time == all ? "met" : "MISSED");
  std::printf("  draws begun after the server's return that failed: %lld: %s\n", failed_after,
              failed_after == 0 ? "met" : "MISSED");
  return back_in_time == all && failed_after == 0;
}

}  // namespace

int RunOutage(const OutageOptions& options) {
  const RunGuard alone({options.db});
  std::printf(
      "outage run: %s, %d processes; server stopped after %.0f s for %.0f s, then %.0f s "
      "more; load average %s\n",
      DatabaseKind(options.db).c_str(), options.processes, options.before_s, options.down_s,
      options.after_s, LoadAverage().c_str());
  const std::string driver = PrepareAuditedRun(options.db);
  std::vector<std::unique_ptr<Worker>> workers;
  for (int i = 0; i < options.processes; ++i)
    workers.push_back(StartWorker(Method::Generator, options.db, 0, false));
  AwaitReady(workers);
  Go(workers);
  RunFor(workers, options.before_s);
  const double down_wall = WallSeconds();
  const long long down_ns = MonotonicNs();
  std::printf("  stopping the server\n");
  const bool stopped = RunCommand(options.stop_command, workers) == 0;
  RunFor(workers, stopped ? options.down_s : 0);
  std::printf("  starting the server\n");
  const bool started = stopped && RunCommand(options.start_command, workers) == 0;
  const double up_wall = WallSeconds();
  const long long up_ns = MonotonicNs();
  RunFor(workers, started ? options.after_s : 0);
  StopAll(workers);
  if (!started) {
    std::printf("FAILED: the server could not be stopped and started again\n");
    return 1;
  }
  const AuditCheck check =
      CheckAudit(AuditOf(options.db), Issued(workers), {}, driver, down_wall - 0.5, up_wall + 0.5);
  PrintAudit(check);
  const bool recovered = ReportRecovery(workers, down_ns, up_ns);
  PrintMessages(workers);
  std::printf("  load average at the end: %s\n", LoadAverage().c_str());
  const bool ok = AuditClean(check) && recovered;
  std::printf("outage run: %s\n", ok ? "PASSED" : "FAILED");
  return ok ? 0 : 1;
}

}  // namespace qgen::bench
