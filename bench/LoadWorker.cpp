#include "bench/LoadWorker.h"

#include <libpq-fe.h>
#include <signal.h>
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <stdexcept>
#include <thread>

#include "bench/LoadProcess.h"
#include "bench/WorkerLine.h"
#include "dataaccess/Database.h"
#include "framework/Messages.h"
#include "gensrc/Generator.h"

namespace qgen::bench {

namespace {

volatile sig_atomic_t g_stop = 0;

void OnTerminate(int) {
  g_stop = 1;
}

// One line to standard output in one write, so that nothing is held back.
void Emit(const WorkerLine& what) {
  const std::string line = FormatWorkerLine(what) + '\n';
  std::size_t done = 0;
  while (done < line.size()) {
    const ssize_t wrote = write(STDOUT_FILENO, line.data() + done, line.size() - done);
    if (wrote <= 0)
      return;  // the driver is gone: nothing to tell
    done += static_cast<std::size_t>(wrote);
  }
}

// Message boxes become "m" lines; a message repeated (the busy notice on every
// attempt) is shown once until another one comes.
class LineSink : public MessageSink {
 public:
  void Show(const ShownMessage& message) override {
    ++count;
    const std::string text = message.caption + ": " + message.text;
    if (text != last_)
      Emit({.kind = WorkerLine::Kind::Message, .text = text});
    last_ = text;
  }
  long long count = 0;

 private:
  std::string last_;
};

// One way of drawing the next value of the shared sequence.
class Source {
 public:
  virtual ~Source() = default;
  virtual std::string Next() = 0;
  virtual std::string Identity() const = 0;
  virtual std::string Settings() = 0;
  // Contention counters: attempts to take the row, attempts that took it, pauses.
  virtual void Count(WorkerLine& done) const { (void)done; }
};

// Through TGenerator, as an application does.
class GeneratorSource : public Source {
 public:
  GeneratorSource(const std::string& uri, bool relaxed) : rig_(uri) {
    if (relaxed)
      RelaxDurability(rig_.Database());
  }
  std::string Next() override {
    std::string value = rig_.Generator().Generator();
    if (value.empty())
      throw std::runtime_error("the generator issued no value");
    return value;
  }
  std::string Identity() const override { return rig_.Generator().InstanceStamp; }
  std::string Settings() override { return DurabilitySettings(rig_.Database()); }
  void Count(WorkerLine& done) const override {
    const CountingGenerator& gen = rig_.Generator();
    done.attempts = gen.reads;
    done.taken = gen.taken;
    done.pauses = gen.pauses;
  }

 private:
  GeneratorRig rig_;
};

std::string Pid() {
  return "pid" + std::to_string(getpid());
}

// The hand-written gapless counter on SQLite: one IMMEDIATE transaction per
// value, on a connection set up as TDatabase sets up its own.
class SqliteCounter : public Source {
 public:
  SqliteCounter(const std::string& uri, bool relaxed) {
    std::string path = uri.rfind("sqlite:", 0) == 0 ? uri.substr(7) : uri;
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) !=
        SQLITE_OK)
      throw std::runtime_error("cannot open " + path + ": " + sqlite3_errmsg(db_));
    sqlite3_busy_timeout(db_, 5000);
    Exec("PRAGMA journal_mode=WAL");
    Exec(relaxed ? "PRAGMA synchronous=NORMAL" : "PRAGMA synchronous=FULL");
    begin_ = Prepare("BEGIN IMMEDIATE");
    update_ = Prepare("UPDATE qgen_counter SET n = n + 1 WHERE id = 1 RETURNING n");
    commit_ = Prepare("COMMIT");
    rollback_ = Prepare("ROLLBACK");
  }
  ~SqliteCounter() override {
    for (sqlite3_stmt* stmt : {begin_, update_, commit_, rollback_})
      sqlite3_finalize(stmt);
    sqlite3_close_v2(db_);
  }
  std::string Next() override {
    Step(begin_);
    long long n = -1;
    try {
      if (sqlite3_step(update_) != SQLITE_ROW)
        Fail();
      n = sqlite3_column_int64(update_, 0);
      sqlite3_step(update_);
      sqlite3_reset(update_);
      Step(commit_);
    } catch (...) {
      sqlite3_reset(update_);
      if (!sqlite3_get_autocommit(db_)) {
        sqlite3_step(rollback_);
        sqlite3_reset(rollback_);
      }
      throw;
    }
    return std::to_string(n);
  }
  std::string Identity() const override { return Pid(); }
  std::string Settings() override {
    static const char* const kLevels[] = {"OFF", "NORMAL", "FULL", "EXTRA"};
    sqlite3_stmt* stmt = Prepare("PRAGMA synchronous");
    sqlite3_step(stmt);
    const int level = sqlite3_column_int(stmt, 0);
    sqlite3_finalize(stmt);
    return std::string("journal_mode=wal synchronous=") +
           (level >= 0 && level <= 3 ? kLevels[level] : "?");
  }

 private:
  void Exec(const char* sql) {
    if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
      Fail();
  }
  sqlite3_stmt* Prepare(const char* sql) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, sql, -1, &stmt, nullptr) != SQLITE_OK)
      Fail();
    return stmt;
  }
  void Step(sqlite3_stmt* stmt) {
    const int rc = sqlite3_step(stmt);
    sqlite3_reset(stmt);
    if (rc != SQLITE_DONE)
      Fail();
  }
  [[noreturn]] void Fail() { throw std::runtime_error(sqlite3_errmsg(db_)); }

  sqlite3* db_ = nullptr;
  sqlite3_stmt* begin_ = nullptr;
  sqlite3_stmt* update_ = nullptr;
  sqlite3_stmt* commit_ = nullptr;
  sqlite3_stmt* rollback_ = nullptr;
};

// The hand-written counter (or nextval) on PostgreSQL: one prepared statement
// per value, each its own transaction, server defaults unless relaxed.
class PostgresSource : public Source {
 public:
  PostgresSource(const std::string& uri, bool relaxed, const char* sql) {
    conn_ = PQconnectdb(uri.c_str());
    if (PQstatus(conn_) != CONNECTION_OK)
      throw std::runtime_error(std::string("cannot connect: ") + PQerrorMessage(conn_));
    if (relaxed)
      Check(PQexec(conn_, "SET synchronous_commit = off"), PGRES_COMMAND_OK);
    Check(PQprepare(conn_, "next", sql, 0, nullptr), PGRES_COMMAND_OK);
  }
  ~PostgresSource() override { PQfinish(conn_); }
  std::string Next() override {
    if (PQstatus(conn_) != CONNECTION_OK) {
      PQreset(conn_);
      if (PQstatus(conn_) != CONNECTION_OK)
        throw std::runtime_error(std::string("cannot reconnect: ") + PQerrorMessage(conn_));
    }
    PGresult* res = PQexecPrepared(conn_, "next", 0, nullptr, nullptr, nullptr, 0);
    if (PQresultStatus(res) != PGRES_TUPLES_OK || PQntuples(res) != 1)
      Check(res, PGRES_TUPLES_OK);
    std::string value = PQgetvalue(res, 0, 0);
    PQclear(res);
    return value;
  }
  std::string Identity() const override { return Pid(); }
  std::string Settings() override {
    std::string text;
    for (const char* name : {"synchronous_commit", "fsync"}) {
      PGresult* res = PQexec(conn_, (std::string("SHOW ") + name).c_str());
      text += (text.empty() ? "" : " ") + std::string(name) + "=" +
              (PQresultStatus(res) == PGRES_TUPLES_OK ? PQgetvalue(res, 0, 0) : "?");
      PQclear(res);
    }
    return text;
  }

 private:
  void Check(PGresult* res, ExecStatusType wanted) {
    if (PQresultStatus(res) == wanted) {
      PQclear(res);
      return;
    }
    std::string reason = PQresultErrorMessage(res);
    if (reason.empty())
      reason = PQerrorMessage(conn_);
    PQclear(res);
    throw std::runtime_error(reason);
  }

  PGconn* conn_ = nullptr;
};

std::unique_ptr<Source> MakeSource(const WorkerOptions& options) {
  const std::string kind = DatabaseKind(options.db);
  switch (options.method) {
    case Method::Generator:
      return std::make_unique<GeneratorSource>(options.db, options.relaxed);
    case Method::Counter:
      if (kind == "sqlite")
        return std::make_unique<SqliteCounter>(options.db, options.relaxed);
      return std::make_unique<PostgresSource>(
          options.db, options.relaxed,
          "UPDATE qgen_counter SET n = n + 1 WHERE id = 1 RETURNING n");
    case Method::Sequence:
      if (kind == "sqlite")
        throw std::runtime_error("nextval needs PostgreSQL");
      return std::make_unique<PostgresSource>(options.db, options.relaxed,
                                              "SELECT nextval('qgen_seq')");
  }
  throw std::runtime_error("unknown method");
}

}  // namespace

namespace {

// A failed draw, stamped with when it began (a draw begun during an outage
// may end in an error after the server is back; it does not count as one
// begun after).
WorkerLine Failure(const std::string& text, long long began_ns) {
  return {.kind = WorkerLine::Kind::Error, .text = text, .at_ns = began_ns};
}

}  // namespace

int RunWorker(const WorkerOptions& options) {
  struct sigaction action {};
  action.sa_handler = OnTerminate;
  action.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &action, nullptr);

  LineSink sink;
  SetMessageSink(&sink);
  std::unique_ptr<Source> source;
  try {
    source = MakeSource(options);
    Emit({.kind = WorkerLine::Kind::Ready,
          .text = source->Identity(),
          .settings = source->Settings()});
  } catch (const std::exception& e) {
    Emit(Failure(std::string("set-up failed: ") + e.what(), MonotonicNs()));
    return 2;
  }
  char go[16];
  if (!std::fgets(go, sizeof go, stdin))
    return 0;  // the driver went away before the start

  WorkerLine done{.kind = WorkerLine::Kind::Done};
  while (!g_stop && (options.count == 0 || done.values < options.count)) {
    const long long start = MonotonicNs();
    std::string value;
    try {
      value = source->Next();
    } catch (const std::exception& e) {
      ++done.errors;
      Emit(Failure(e.what(), start));
      if (options.count > 0 && done.errors >= options.max_errors)
        break;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      continue;
    }
    const long long end = MonotonicNs();
    if (options.print_delay_us > 0)
      std::this_thread::sleep_for(std::chrono::microseconds(options.print_delay_us));
    ++done.values;
    Emit({.text = value, .latency_ns = end - start, .at_ns = end});
  }
  done.messages = sink.count;
  source->Count(done);
  Emit(done);
  SetMessageSink(nullptr);
  return options.count > 0 && done.values < options.count ? 3 : 0;
}

}  // namespace qgen::bench
