#include "bench/LoadRuns.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <stdexcept>

#include "bench/LoadProcess.h"
#include "bench/LoadSchema.h"
#include "bench/LoadStats.h"
#include "dataaccess/Database.h"
#include "framework/Text.h"
#include "gensrc/Generator.h"

namespace qgen::bench {

namespace {

// One worker process and what it has printed so far.
struct Worker {
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
  long long notices = 0;   // message boxes shown, repeats included
  long long attempts = 0;  // TGenerator's ReadDATA calls
  long long taken = 0;     // ...that took the row
  long long pauses = 0;    // its Wait calls

  void Absorb() {
    for (const std::string& line : process->TakeLines()) {
      std::istringstream in(line);
      std::string tag;
      in >> tag;
      if (tag == "v") {
        std::string value;
        long long latency = 0;
        long long at = 0;
        in >> value >> latency >> at;
        values.push_back(ValueNumber(value));
        latencies.push_back(latency);
        finished.push_back(at);
      } else if (tag == "ready") {
        in >> identity;
        std::getline(in >> std::ws, settings);
        ready = true;
      } else if (tag == "e") {
        long long at = 0;
        std::string message;
        in >> at;
        std::getline(in >> std::ws, message);
        errors.emplace_back(at, message);
      } else if (tag == "m") {
        std::string message;
        std::getline(in >> std::ws, message);
        messages.push_back(message);
      } else if (tag == "done") {
        long long count = 0;
        in >> count >> count >> notices >> attempts >> taken >> pauses;
        done = true;
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
  auto worker = std::make_unique<Worker>();
  worker->process = std::make_unique<ChildProcess>(argv);
  return worker;
}

// Waits until every worker is set up; raises with the workers' own reasons
// when one of them cannot be.
void AwaitReady(const std::vector<std::unique_ptr<Worker>>& workers) {
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
    if (all)
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

struct CaseFigures {
  std::string db;
  Method method = Method::Generator;
  int processes = 0;
  long long values = 0;
  double seconds = 0;
  double rate = 0;
  double ratio = 0;  // to the counter at the same process count
  double p50_ms = 0;
  double p99_ms = 0;
  double max_ms = 0;
  SequenceCheck sequence;
  long long errors = 0;
  long long notices = 0;
  long long attempts = 0;
  long long taken = 0;
  long long pauses = 0;
  std::string settings;
  bool ok() const { return sequence.duplicates == 0 && sequence.gaps == 0 && errors == 0; }
};

CaseFigures RunCase(const std::string& db, Method method, int processes, long long count,
                    bool relaxed) {
  CaseFigures figures;
  figures.db = DatabaseKind(db);
  figures.method = method;
  figures.processes = processes;
  long long first = 1;
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
  if (method == Method::Generator) {
    DrawFirstValue(db);
    first = 2;
  }

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
  std::vector<long long> latencies;
  long long last = go;
  for (const auto& worker : workers) {
    worker->process->Wait();
    values.insert(values.end(), worker->values.begin(), worker->values.end());
    latencies.insert(latencies.end(), worker->latencies.begin(), worker->latencies.end());
    for (long long at : worker->finished)
      last = std::max(last, at);
    figures.errors += static_cast<long long>(worker->errors.size());
    figures.notices += worker->notices;
    figures.attempts += worker->attempts;
    figures.taken += worker->taken;
    figures.pauses += worker->pauses;
    for (const auto& error : worker->errors)
      std::fprintf(stderr, "  worker %s: %s\n", worker->identity.c_str(), error.second.c_str());
  }
  TDatabase admin(nullptr);
  admin.SetURI(db);
  admin.Open();
  figures.values = static_cast<long long>(values.size());
  figures.seconds = static_cast<double>(last - go) / 1e9;
  figures.rate = figures.seconds > 0 ? static_cast<double>(figures.values) / figures.seconds : 0;
  figures.p50_ms = Percentile(latencies, 0.50) / 1e6;
  figures.p99_ms = Percentile(latencies, 0.99) / 1e6;
  figures.max_ms = Percentile(latencies, 1.0) / 1e6;
  figures.sequence = CheckSequence(values, first, StoredValue(admin, method));
  return figures;
}

// Per value: attempts to take the row, and pauses between attempts.
double PerValue(long long count, const CaseFigures& f) {
  return f.values > 0 ? static_cast<double>(count) / static_cast<double>(f.values) : 0;
}

void PrintCase(const CaseFigures& f) {
  std::printf(
      "%-10s %2d  %-8s %7lld values %7.2f s %9.1f/s  x%-5.2f p50 %7.3f ms  p99 %8.3f ms"
      "  max %8.1f ms  dup %lld gaps %lld err %lld",
      f.db.c_str(), f.processes, MethodName(f.method), f.values, f.seconds, f.rate, f.ratio,
      f.p50_ms, f.p99_ms, f.max_ms, f.sequence.duplicates, f.sequence.gaps, f.errors);
  if (f.method == Method::Generator) {
    std::printf("  attempts/value %.2f pauses/value %.2f busy notices %lld",
                PerValue(f.attempts, f), PerValue(f.pauses, f), f.notices);
  }
  std::printf("\n");
  std::fflush(stdout);
}

std::string Verdict(bool met) {
  return met ? "met" : "MISSED";
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
  std::vector<CaseFigures> all;
  for (const std::string& db : options.databases) {
    const std::string kind = DatabaseKind(db);
    std::vector<Method> methods = {Method::Counter, Method::Generator};
    if (kind == "postgresql")
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

  std::printf(
      "\n| database | processes | method | values | values/s | x counter | p50 ms | "
      "p99 ms | p99/p50 | max ms | attempts/value | busy notices | duplicates | gaps | errors |\n");
  std::printf("|---|---:|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
  for (const CaseFigures& f : all) {
    const std::string attempts =
        f.method == Method::Generator ? Format("%.2f", PerValue(f.attempts, f)) : "";
    const std::string notices =
        f.method == Method::Generator ? std::to_string(f.notices) : std::string();
    std::printf(
        "| %s | %d | %s | %lld | %.0f | %.2f | %.3f | %.3f | %.1f | %.1f | %s | %s | %lld "
        "| %lld | %lld |\n",
        f.db.c_str(), f.processes, MethodName(f.method), f.values, f.rate, f.ratio, f.p50_ms,
        f.p99_ms, f.p50_ms > 0 ? f.p99_ms / f.p50_ms : 0, f.max_ms, attempts.c_str(),
        notices.c_str(), f.sequence.duplicates, f.sequence.gaps, f.errors);
  }
  std::printf("\nDurability:");
  std::set<std::string> seen;
  for (const CaseFigures& f : all) {
    const std::string line = f.db + " " + MethodName(f.method) + ": " + f.settings;
    if (seen.insert(line).second)
      std::printf("\n  %s", line.c_str());
  }
  std::printf("\n\nTargets:\n");
  auto find = [&](const std::string& db, Method method, int processes) -> const CaseFigures* {
    for (const CaseFigures& f : all) {
      if (f.db == db && f.method == method && f.processes == processes)
        return &f;
    }
    return nullptr;
  };
  bool clean = true;
  for (const CaseFigures& f : all)
    clean = clean && f.ok();
  for (const std::string& db : {std::string("sqlite"), std::string("postgresql")}) {
    const CaseFigures* one = find(db, Method::Generator, 1);
    const CaseFigures* base = find(db, Method::Counter, 1);
    const CaseFigures* eight = find(db, Method::Generator, 8);
    if (one && base) {
      std::printf("  %s: tgen at 1 process = %.2f x counter (target >= 0.33): %s\n", db.c_str(),
                  one->ratio, Verdict(one->ratio >= 1.0 / 3.0).c_str());
    }
    if (one && eight) {
      const double kept = one->rate > 0 ? eight->rate / one->rate : 0;
      const double spread = eight->p50_ms > 0 ? eight->p99_ms / eight->p50_ms : 0;
      std::printf("  %s: tgen at 8 processes = %.0f%% of 1 process (target >= 80%%): %s\n",
                  db.c_str(), 100 * kept, Verdict(kept >= 0.8).c_str());
      std::printf("  %s: tgen at 8 processes p99 = %.1f x p50 (target < 20): %s\n", db.c_str(),
                  spread, Verdict(spread < 20).c_str());
    }
  }
  std::printf("  duplicates, gaps and errors 0 in every case: %s\n", Verdict(clean).c_str());

  if (!options.csv.empty()) {
    std::ofstream csv(options.csv);
    csv << "db,method,processes,values,seconds,per_second,ratio,p50_ms,p99_ms,duplicates,gaps,"
           "errors,attempts_per_value,max_ms,busy_notices,settings\n";
    for (const CaseFigures& f : all) {
      csv << f.db << ',' << MethodName(f.method) << ',' << f.processes << ',' << f.values << ','
          << f.seconds << ',' << f.rate << ',' << f.ratio << ',' << f.p50_ms << ',' << f.p99_ms
          << ',' << f.sequence.duplicates << ',' << f.sequence.gaps << ',' << f.errors << ','
          << PerValue(f.attempts, f) << ',' << f.max_ms << ',' << f.notices << ",\"" << f.settings
          << "\"\n";
    }
  }
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

int RunKill(const KillOptions& options) {
  const unsigned seed = options.seed ? options.seed : static_cast<unsigned>(MonotonicNs());
  std::printf(
      "kill run: %s, %d processes, %d kills every %d-%d ms, %lld us from a value to its "
      "line, seed %u\n",
      DatabaseKind(options.db).c_str(), options.processes, options.kills, options.min_interval_ms,
      options.max_interval_ms, options.print_delay_us, seed);
  const std::string driver = PrepareAuditedRun(options.db);
  std::vector<std::unique_ptr<Worker>> workers;
  for (int i = 0; i < options.processes; ++i)
    workers.push_back(StartWorker(Method::Generator, options.db, 0, false, options.print_delay_us));
  AwaitReady(workers);
  const long long started = MonotonicNs();
  Go(workers);

  std::mt19937 random(seed);
  std::uniform_int_distribution<int> interval(options.min_interval_ms, options.max_interval_ms);
  auto next_kill = MonotonicNs() + interval(random) * 1'000'000LL;
  std::set<std::string> killed;
  const long long give_up =
      MonotonicNs() +
      (static_cast<long long>(options.kills) * options.max_interval_ms + 120'000) * 1'000'000LL;
  int kills = 0;
  while (kills < options.kills) {
    Pump(workers, 5);
    Go(workers);  // replacements that have come up
    if (MonotonicNs() > give_up) {
      std::printf("FAILED: the kills did not finish in time\n");
      StopAll(workers);
      return 1;
    }
    if (MonotonicNs() < next_kill)
      continue;
    std::vector<Worker*> candidates;
    for (const auto& worker : workers) {
      if (worker->started && !worker->killed && !worker->process->OutputEnded())
        candidates.push_back(worker.get());
    }
    if (candidates.empty())
      continue;
    Worker* victim =
        candidates[std::uniform_int_distribution<std::size_t>(0, candidates.size() - 1)(random)];
    victim->process->Signal(SIGKILL);
    victim->process->Wait();
    while (!victim->process->OutputEnded())
      victim->process->ReadAvailable();  // what it wrote before it died
    victim->Absorb();
    victim->killed = true;
    killed.insert(victim->identity);
    ++kills;
    workers.push_back(StartWorker(Method::Generator, options.db, 0, false, options.print_delay_us));
    next_kill = MonotonicNs() + interval(random) * 1'000'000LL;
  }
  // Let the replacements draw for a moment, then stop everyone.
  const long long settle = MonotonicNs() + 1'000'000'000LL;
  while (MonotonicNs() < settle) {
    Pump(workers, 20);
    Go(workers);
  }
  StopAll(workers);
  const double seconds = static_cast<double>(MonotonicNs() - started) / 1e9;

  const AuditCheck check = CheckAudit(AuditOf(options.db), Issued(workers), killed, driver, 0, 0);
  std::printf("  %d kills, %zu processes in all, %.1f s\n", kills, workers.size(), seconds);
  PrintAudit(check);
  PrintMessages(workers);
  const bool ok = AuditClean(check) && check.outage_gaps == 0;
  std::printf("kill run: %s\n", ok ? "PASSED" : "FAILED");
  return ok ? 0 : 1;
}

int RunOutage(const OutageOptions& options) {
  std::printf(
      "outage run: %s, %d processes; server stopped after %.0f s for %.0f s, then %.0f s "
      "more\n",
      DatabaseKind(options.db).c_str(), options.processes, options.before_s, options.down_s,
      options.after_s);
  const std::string driver = PrepareAuditedRun(options.db);
  std::vector<std::unique_ptr<Worker>> workers;
  for (int i = 0; i < options.processes; ++i)
    workers.push_back(StartWorker(Method::Generator, options.db, 0, false));
  AwaitReady(workers);
  Go(workers);
  auto run_for = [&](double seconds) {
    const long long until = MonotonicNs() + static_cast<long long>(seconds * 1e9);
    while (MonotonicNs() < until)
      Pump(workers, 20);
  };
  run_for(options.before_s);

  const double down_wall = WallSeconds();
  const long long down_ns = MonotonicNs();
  std::printf("  stopping the server\n");
  if (RunCommand(options.stop_command, workers) != 0) {
    std::printf("FAILED: the stop command failed\n");
    StopAll(workers);
    return 1;
  }
  run_for(options.down_s);
  std::printf("  starting the server\n");
  if (RunCommand(options.start_command, workers) != 0) {
    std::printf("FAILED: the start command failed\n");
    StopAll(workers);
    return 1;
  }
  const double up_wall = WallSeconds();
  const long long up_ns = MonotonicNs();
  run_for(options.after_s);
  StopAll(workers);

  const AuditCheck check =
      CheckAudit(AuditOf(options.db), Issued(workers), {}, driver, down_wall - 0.5, up_wall + 0.5);
  PrintAudit(check);
  int reported = 0;
  int continued = 0;
  double slowest_back = 0;
  for (const auto& worker : workers) {
    const bool told = std::any_of(worker->errors.begin(), worker->errors.end(),
                                  [&](const auto& e) { return e.first >= down_ns; }) ||
                      !worker->messages.empty();
    reported += told ? 1 : 0;
    const auto back = std::find_if(worker->finished.begin(), worker->finished.end(),
                                   [&](long long at) { return at > up_ns; });
    if (back != worker->finished.end()) {
      ++continued;
      slowest_back = std::max(slowest_back, static_cast<double>(*back - up_ns) / 1e9);
    }
    // When each worker stopped and started issuing, and what it reported, in
    // seconds from the moment the server was stopped.
    auto since_down = [&](long long at) { return static_cast<double>(at - down_ns) / 1e9; };
    const auto before = std::find_if(worker->finished.rbegin(), worker->finished.rend(),
                                     [&](long long at) { return at <= down_ns; });
    auto when = [&](bool none, long long at) {
      return none ? std::string("none") : Format("%+.2f s", since_down(at));
    };
    std::printf(
        "  worker %s: %lld values; last before the stop: %s; first after the restart: %s",
        worker->identity.c_str(), static_cast<long long>(worker->values.size()),
        when(before == worker->finished.rend(), before == worker->finished.rend() ? 0 : *before)
            .c_str(),
        when(back == worker->finished.end(), back == worker->finished.end() ? 0 : *back).c_str());
    for (const auto& error : worker->errors) {
      if (error.first >= down_ns)
        std::printf("; error at %+.2f s", since_down(error.first));
    }
    std::printf("\n");
  }
  std::printf("  the server was back at %+.2f s\n", static_cast<double>(up_ns - down_ns) / 1e9);
  std::printf("  workers that reported the failure: %d of %zu\n", reported, workers.size());
  std::printf(
      "  workers that issued values again after the restart: %d of %zu (the last one "
      "%.2f s after the server was back)\n",
      continued, workers.size(), slowest_back);
  PrintMessages(workers);
  const bool ok = AuditClean(check) && reported == static_cast<int>(workers.size()) &&
                  continued == static_cast<int>(workers.size());
  std::printf("outage run: %s\n", ok ? "PASSED" : "FAILED");
  return ok ? 0 : 1;
}

}  // namespace qgen::bench
