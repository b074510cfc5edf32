// qgen_load: processes drawing values from one sequence, measured and checked.
//   qgen_load throughput --db FILE.db --db postgresql://... [-n 300] [--procs 1,8,16,32]
//   qgen_load kill --db URI [--procs 8 --kills 20]
//   qgen_load outage --db postgresql://... --stop-cmd '...' --start-cmd '...'
// `worker` is the process the others start; it is not meant to be run by hand.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <exception>

#include "bench/LoadRuns.h"
#include "bench/LoadWorker.h"

int main(int argc, char** argv) {
  using namespace qgen::bench;
  CLI::App app("Load driver: processes drawing values from one sequence, measured and checked");
  app.require_subcommand(1);
  int status = 0;

  ThroughputOptions throughput;
  CLI::App* run = app.add_subcommand(
      "throughput",
      "Values per second, latency, contention, duplicates and gaps, judged against the targets");
  run->add_option("--db", throughput.databases,
                  "Database URI (SQLite file or postgresql://...); repeat for several")
      ->required();
  run->add_option("--procs", throughput.processes, "Process counts")->delimiter(',');
  run->add_option("-n,--count", throughput.count, "Values per process")
      ->check(CLI::PositiveNumber)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  run->add_flag("--relaxed", throughput.relaxed,
                "Give up durability: SQLite synchronous=NORMAL, PostgreSQL synchronous_commit=off");
  run->add_option("--csv", throughput.csv, "Write the figures to this CSV file");
  run->callback([&] { status = RunThroughput(throughput); });

  KillOptions kill;
  CLI::App* killer =
      app.add_subcommand("kill", "Kill workers at random moments and check every value");
  killer->add_option("--db", kill.db, "Database URI")->required();
  killer->add_option("--procs", kill.processes, "Workers at once")->check(CLI::PositiveNumber);
  killer->add_option("--kills", kill.kills, "How many to kill")->check(CLI::PositiveNumber);
  killer->add_option("--min-ms", kill.min_interval_ms, "Shortest time between kills");
  killer->add_option("--max-ms", kill.max_interval_ms, "Longest time between kills");
  killer->add_option("--seed", kill.seed, "Random seed (0: from the clock)");
  killer->add_option("--print-delay-us", kill.print_delay_us,
                     "Pause between getting a value and printing it (widens the window a kill "
                     "can leave a gap in)");
  killer->callback([&] { status = RunKill(kill); });

  OutageOptions outage;
  CLI::App* down = app.add_subcommand(
      "outage", "Stop the database server during a run, start it again, check every value");
  down->add_option("--db", outage.db, "postgresql:// URI")->required();
  down->add_option("--procs", outage.processes, "Workers")->check(CLI::PositiveNumber);
  down->add_option("--before", outage.before_s, "Seconds before the stop");
  down->add_option("--down", outage.down_s, "Seconds the server stays stopped");
  down->add_option("--after", outage.after_s, "Seconds after the start");
  down->add_option("--stop-cmd", outage.stop_command, "Shell command that stops the server")
      ->required();
  down->add_option("--start-cmd", outage.start_command, "Shell command that starts it again")
      ->required();
  down->callback([&] { status = RunOutage(outage); });

  WorkerOptions worker;
  std::string method = "tgen";
  CLI::App* work = app.add_subcommand("worker", "One worker (started by the other commands)");
  work->add_option("--method", method, "tgen, counter or nextval");
  work->add_option("--db", worker.db, "Database URI")->required();
  work->add_option("-n,--count", worker.count, "Values to draw (0: until SIGTERM)");
  work->add_flag("--relaxed", worker.relaxed, "Relaxed durability");
  work->add_option("--print-delay-us", worker.print_delay_us, "Pause before printing a value");
  work->callback([&] {
    worker.method = ParseMethod(method);
    status = RunWorker(worker);
  });

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "qgen_load: %s\n", e.what());
    return 2;
  }
  return status;
}
