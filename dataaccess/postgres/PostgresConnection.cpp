#include "dataaccess/postgres/PostgresConnection.h"

#include "dataaccess/postgres/LibPq.h"  // libpq, loaded on first use

#include <cstdlib>
#include <optional>
#include <unordered_map>

#include "dataaccess/ErrorText.h"
#include "dataaccess/postgres/PostgresTypes.h"
#include "framework/Exception.h"
#include "framework/Text.h"

namespace qgen {

namespace {

constexpr std::size_t kMaxCachedStatements = 256;

// SQLSTATE of "cached plan must not change result type".
constexpr const char* kPlanChanged = "0A000";
// SQLSTATE of "could not obtain lock on row": lock_timeout passed.
constexpr const char* kLockNotAvailable = "55P03";
// Sent before a statement whose commit is not to wait for the disk; local to
// that statement's transaction.
constexpr const char* kUnsynced = "SELECT set_config('synchronous_commit', 'off', true)";
// A transaction of its own that writes one empty record to the server's log:
// its durable commit returns once the log is on disk up to that record, which
// takes every earlier commit of this session with it. Logical decoding shows
// it as a message with the prefix "qgen".
constexpr const char* kFlushLog = "SELECT pg_logical_emit_message(true, 'qgen', '')";
// Whether this login may write such a record (a server older than 9.6 has no
// such function).
constexpr const char* kCanFlushLog =
    "SELECT COALESCE(has_function_privilege(to_regprocedure("
    "'pg_catalog.pg_logical_emit_message(boolean,text,text)'), 'EXECUTE'), false)";

using ConnectionPtr = std::unique_ptr<PGconn, FreedBy<PQfinish>>;
using ResultPtr = std::unique_ptr<PGresult, FreedBy<PQclear>>;

// A statement's parameters as libpq takes them: text, or null for NULL.
class Parameters {
 public:
  explicit Parameters(const std::vector<Variant>& params) {
    texts_.reserve(params.size());
    for (const Variant& value : params)
      texts_.push_back(PostgresParameter(value));
    for (const auto& text : texts_)
      values_.push_back(text ? text->c_str() : nullptr);
  }
  Parameters(const Parameters&) = delete;  // values_ points into texts_
  Parameters& operator=(const Parameters&) = delete;

  int Count() const { return static_cast<int>(values_.size()); }
  const char* const* Values() const { return values_.data(); }

 private:
  std::vector<std::optional<std::string>> texts_;
  std::vector<const char*> values_;
};

class PostgresConnection : public Connection {
 public:
  PostgresConnection(const std::string& uri, int busy_timeout_ms);

  std::string Kind() const override { return "postgresql"; }
  void SetBusyTimeout(int milliseconds) override;
  void SetDurableCommits(bool durable) override { durable_ = durable; }
  bool DurableCommits() const override { return durable_; }
  bool CanFlushCommits() override;
  bool FlushIsARequest() const override { return true; }
  void FlushCommits() override;
  std::uint64_t Session() const override { return session_; }
  ResultRows Run(const std::string& sql, const std::vector<Variant>& params) override;
  ResultRows Write(const std::string& sql, const std::vector<Variant>& params) override;
  void Send(const std::string& sql, const std::vector<Variant>& params) override;
  void SendForAnswer(const std::string& sql, const std::vector<Variant>& params) override;
  ResultRows SentAnswer() override;
  void Begin() override;
  void Commit() override;
  void Rollback() override;
  bool InTransaction() const override { return explicit_; }
  bool TableExists(const std::string& table) override;
  std::vector<ColumnInfo> Columns(const std::string& table) override;
  std::string RowIdentity(const std::string& table,
                          const std::vector<ColumnInfo>& columns) override;
  bool IdentityMovesOnWrite() const override { return true; }
  std::string SameValue(const std::string& column, const ColumnInfo& info,
                        const std::string& param) const override;
  std::string EqualValue(const std::string& column, const ColumnInfo& info,
                         const std::string& param) const override;

 private:
  // One statement, prepared once per SQL text; `replan` allows preparing it
  // again, once, when the table changed under it; `unsynced` commits it
  // without waiting for the disk (outside an explicit transaction only).
  ResultRows Execute(const std::string& sql, const std::vector<Variant>& params, bool replan,
                     bool unsynced = false);
  // Runs the prepared statement `name` in pipeline mode: behind the
  // statements sent without waiting (whose answers are read, see
  // TakeSentAnswer), so that all answers come back in one round trip; and,
  // when `unsynced`, as a transaction of its own whose commit does not wait
  // for the disk: the setting and the statement go to the server together,
  // as one implicit transaction, so the setting ends with it. Returns the
  // statement's result, or the setting's failure.
  ResultPtr ExecPipelined(const std::string& name, const Parameters& values, bool unsynced);
  // The last result of the next statement of a pipeline (a COPY's first, the
  // copy ended: see EndCopy).
  ResultPtr NextPipelineResult();
  // Runs the prepared statement `name` and waits for its result (a COPY's
  // first, the copy ended).
  ResultPtr ExecPrepared(const std::string& name, const Parameters& values);
  // Ends the COPY a statement started, whose result has `status`: nothing
  // here sends or reads copy data, so the rows a COPY TO STDOUT sends are read
  // and dropped, and a COPY FROM STDIN is ended with an error and copies
  // nothing. Fail then refuses the statement. False for any other status.
  bool EndCopy(ExecStatusType status);
  // The same for a statement followed by a sync, the sync's result read too.
  ResultPtr NextSyncedResult();
  // Leaves pipeline mode once every answer has been read.
  void LeavePipeline();
  // Sends a prepared statement in pipeline mode without waiting for its
  // answer, behind those sent before when it was prepared before; `keep`
  // keeps that answer for SentAnswer.
  void SendPipelined(const std::string& sql, const std::vector<Variant>& params, bool keep);
  // Reads the answers to the statements sent without waiting (pipeline mode
  // stays on): kept for SentAnswer when sent for one, else dropped.
  void TakeSentAnswer();
  // The same, leaving pipeline mode: before a statement that is not sent
  // behind it.
  void ReadSentAnswer();
  // The rows `res` holds, or its failure raised.
  ResultRows Checked(const PGresult* res);
  // Whether `sql` may go out behind the statements sent without waiting,
  // before their answers have come: it was prepared before (preparing is a
  // request of its own) and the connection stands.
  bool MayGoBehindSent(const std::string& sql) const {
    return !pending_.empty() && Connected() && cache_.count(sql) != 0;
  }
  // Makes the connection afresh (a new session: prepared statements gone,
  // Session changed); Connected tells whether it worked.
  void Reconnect() {
    cache_.clear();
    ++session_;
    PQreset(conn_.get());
  }
  // Makes the connection afresh after a request went out only in part, so
  // that no reply is waited for that will never come.
  [[noreturn]] void FailSending();
  // One statement inside the explicit transaction, behind a savepoint: the
  // server aborts a whole transaction on any failed statement, and the
  // savepoint keeps that to the statement, as SQLite does.
  ResultRows RunInTransaction(const std::string& sql, const std::vector<Variant>& params);
  // Rolls back to the savepoint of a failed statement; the transaction goes on.
  void UndoStatement();
  // Raises, running nothing, while the open transaction exists in name only.
  void CheckTransaction();
  // Rolls back what the server still holds of the transaction, aborted or
  // not. With the connection gone the server has dropped it already.
  void RollbackOnServer();
  void EndTransaction();
  // Settings of a new connection: UTF-8, full float digits, the busy timeout.
  void Setup();
  // Runs SQL without parameters, connecting again first when the connection broke.
  void Simple(const std::string& sql);
  // Runs SQL without parameters on the connection as it is.
  void Command(const std::string& sql);
  // A connection that broke is tried again once before a statement runs,
  // except inside an explicit transaction: the transaction went with the
  // connection, and what follows must not run on its own as if it had not.
  void EnsureConnected();
  // The name of the prepared statement for `sql`, preparing it when new.
  const std::string& Prepare(const std::string& sql, int param_count);
  void Forget(const std::string& sql);
  ResultPtr Exec(const std::string& sql) { return ResultPtr(PQexec(conn_.get(), sql.c_str())); }
  bool Connected() const { return PQstatus(conn_.get()) == CONNECTION_OK; }
  // The server's reason for the failure that `res` reports.
  std::string ReasonOf(const PGresult* res) const;
  // Raises the failure that `res` reports, with its SQLSTATE.
  [[noreturn]] void Fail(const PGresult* res);

  std::string uri_;
  int busy_timeout_ms_;
  ConnectionPtr conn_;
  std::unordered_map<std::string, std::string> cache_;  // SQL text -> statement name
  unsigned long statement_counter_ = 0;
  bool explicit_ = false;  // an explicit transaction is open (Begin until Commit or Rollback)
  std::string lost_;       // why the transaction is gone or aborted; "" while it lives
  bool timeout_set_in_transaction_ = false;
  bool durable_ = true;  // commits outside an explicit transaction wait for the disk
  // Statements sent without waiting whose answers have not been read yet
  // (pipeline mode), in order: true for one whose answer is for SentAnswer.
  std::vector<bool> pending_;
  std::uint64_t session_ = 0;      // how often the connection was made afresh
  std::optional<bool> can_flush_;  // whether kFlushLog may run; asked once per connection
};

// The library's message without the line break it ends with.
std::string Trimmed(const char* text) {
  return std::string(TrimRight(text));
}

// The SQLSTATE of the failure `res` reports, "" when it has none.
std::string SqlStateOf(const PGresult* res) {
  const char* state = res ? PQresultErrorField(res, PG_DIAG_SQLSTATE) : nullptr;
  return state ? state : "";
}

// What to check when connecting failed, from the library's reason.
std::string ConnectHint(const std::string& reason) {
  auto has = [&](const char* part) { return reason.find(part) != std::string::npos; };
  if (has("password"))
    return "check the user name and the password in the URI";
  if (has("role") && has("does not exist"))
    return "check the user name in the URI";
  if (has("database") && has("does not exist"))
    return "check the database name in the URI";
  if (has("invalid") || has("missing"))
    return "check the spelling of the URI";
  return "check that the server runs and that the URI's host and port are right";
}

ResultRows Collect(const PGresult* res) {
  ResultRows result;
  const int rows = PQntuples(res);
  const int columns = PQnfields(res);
  result.rows.reserve(static_cast<std::size_t>(rows));
  for (int r = 0; r < rows; ++r) {
    std::vector<Variant> row;
    row.reserve(static_cast<std::size_t>(columns));
    for (int c = 0; c < columns; ++c) {
      row.push_back(PQgetisnull(res, r, c) ? Variant()
                                           : PostgresValue(PQftype(res, c), PQgetvalue(res, r, c),
                                                           PQgetlength(res, r, c)));
    }
    result.rows.push_back(std::move(row));
  }
  const char* changed = PQcmdTuples(const_cast<PGresult*>(res));
  result.changes = changed && *changed ? std::strtoll(changed, nullptr, 10) : 0;
  return result;
}

PostgresConnection::PostgresConnection(const std::string& uri, int busy_timeout_ms)
    : uri_(uri), busy_timeout_ms_(busy_timeout_ms) {
  // A server that does not answer is given up after 10 seconds unless the
  // URI names its own connect_timeout (the URI's settings come later and win).
  const char* keywords[] = {"connect_timeout", "dbname", nullptr};
  const char* values[] = {"10", uri.c_str(), nullptr};
  conn_.reset(PQconnectdbParams(keywords, values, 1));
  if (!conn_)
    throw EDatabaseError("Cannot connect to PostgreSQL: out of memory");
  if (!Connected()) {
    const std::string reason = Trimmed(PQerrorMessage(conn_.get()));
    throw EDatabaseError("Cannot connect to PostgreSQL at " + DisplayUri(uri) + ": " +
                         ReasonText(reason) + "; " + ConnectHint(reason));
  }
  Setup();
}

void PostgresConnection::SetBusyTimeout(int milliseconds) {
  busy_timeout_ms_ = milliseconds;
  Simple("SET lock_timeout = " + std::to_string(busy_timeout_ms_));
  // A setting made inside a transaction goes if the transaction is rolled back.
  if (explicit_)
    timeout_set_in_transaction_ = true;
}

ResultRows PostgresConnection::Run(const std::string& sql, const std::vector<Variant>& params) {
  return explicit_ ? RunInTransaction(sql, params) : Execute(sql, params, true);
}

ResultRows PostgresConnection::Write(const std::string& sql, const std::vector<Variant>& params) {
  // Outside an explicit transaction one statement is one transaction.
  return explicit_ ? RunInTransaction(sql, params) : Execute(sql, params, true, !durable_);
}

void PostgresConnection::Send(const std::string& sql, const std::vector<Variant>& params) {
  try {
    if (explicit_)
      RunInTransaction(sql, params);
    else
      SendPipelined(sql, params, false);
  } catch (const EDatabaseError&) {
    // The caller asked not to hear of it.
  }
}

void PostgresConnection::SendForAnswer(const std::string& sql, const std::vector<Variant>& params) {
  if (explicit_) {
    Connection::SendForAnswer(sql, params);
    return;
  }
  try {
    SendPipelined(sql, params, true);
  } catch (const EDatabaseError&) {
    kept_.KeepFailure(std::current_exception());
  }
}

ResultRows PostgresConnection::SentAnswer() {
  ReadSentAnswer();
  return kept_.Take();
}

void PostgresConnection::SendPipelined(const std::string& sql, const std::vector<Variant>& params,
                                       bool keep) {
  const bool behind_sent = MayGoBehindSent(sql);
  if (!behind_sent)
    EnsureConnected();
  const Parameters values(params);
  const std::string& name = Prepare(sql, values.Count());
  // Sent as a pipeline, so that the statements that follow (FlushCommits,
  // any prepared one) go out behind it without waiting for its answer.
  PGconn* conn = conn_.get();
  if (!behind_sent && PQenterPipelineMode(conn) != 1) {
    // Only a connection with results still to read refuses: run it now.
    const ResultPtr res = ExecPrepared(name, values);
    if (keep)
      kept_.Keep([&] { return Checked(res.get()); });
    return;
  }
  pending_.push_back(keep);
  if (PQsendQueryPrepared(conn, name.c_str(), values.Count(), values.Values(), nullptr, nullptr,
                          0) != 1 ||
      PQpipelineSync(conn) != 1)
    FailSending();
}

void PostgresConnection::TakeSentAnswer() {
  const std::vector<bool> pending = std::move(pending_);
  pending_.clear();
  for (const bool keep : pending) {
    const ResultPtr res = NextSyncedResult();
    if (keep)
      kept_.Keep([&] { return Checked(res.get()); });
  }
}

void PostgresConnection::ReadSentAnswer() {
  if (pending_.empty())
    return;
  TakeSentAnswer();
  LeavePipeline();
}

ResultRows PostgresConnection::Checked(const PGresult* res) {
  const ExecStatusType status = PQresultStatus(res);
  if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK)
    Fail(res);
  return Collect(res);
}

void PostgresConnection::FailSending() {
  const std::string reason = Trimmed(PQerrorMessage(conn_.get()));
  const EDatabaseError failure("Lost the connection to PostgreSQL at " + DisplayUri(uri_) +
                               " while sending a statement (" + ReasonText(reason) +
                               "); nothing was written; try again");
  // A statement sent before went with the connection: its answer is this.
  for (const bool keep : pending_) {
    if (keep)
      kept_.KeepFailure(std::make_exception_ptr(failure));
  }
  pending_.clear();
  Reconnect();
  if (Connected())
    Setup();
  throw failure;
}

bool PostgresConnection::CanFlushCommits() {
  if (explicit_)
    return false;
  if (!can_flush_) {
    try {
      can_flush_ = Execute(kCanFlushLog, {}, true).rows.at(0).at(0).ToInt64() == 1;
    } catch (const EDatabaseError&) {
      return false;  // commits then wait for the disk, as by default
    }
  }
  return *can_flush_;
}

void PostgresConnection::FlushCommits() {
  if (explicit_) {
    throw EDatabaseError("Cannot make commits durable inside the open transaction on " +
                         DisplayUri(uri_) + "; commit it first");
  }
  Execute(kFlushLog, {}, true);  // behind a statement sent before, in the same round trip
}

void PostgresConnection::Begin() {
  if (explicit_)
    throw EDatabaseError("A transaction is already open on " + DisplayUri(uri_));
  // No transaction is open yet, so a lost connection may be made again here.
  Simple("BEGIN");
  explicit_ = true;
  lost_.clear();
  timeout_set_in_transaction_ = false;
}

void PostgresConnection::Commit() {
  if (!explicit_)
    throw EDatabaseError("No transaction is open on " + DisplayUri(uri_));
  if (!lost_.empty() || !Connected()) {
    const std::string why = lost_.empty() ? "the connection to the server was lost" : lost_;
    RollbackOnServer();
    EndTransaction();
    throw EDatabaseError("Cannot commit: the transaction was rolled back (" + why +
                         "); nothing of it was written");
  }
  const ResultPtr res = Exec("COMMIT");
  EndTransaction();
  if (PQresultStatus(res.get()) != PGRES_COMMAND_OK) {
    const std::string reason = ReasonText(ReasonOf(res.get()));
    if (!Connected()) {
      cache_.clear();
      // The server may or may not have committed before the connection went.
      throw EDatabaseError("Lost the connection to PostgreSQL at " + DisplayUri(uri_) +
                               " while committing (" + reason +
                               "); whether the transaction was written is not known: check the "
                               "data before doing it again",
                           SqlStateOf(res.get()));
    }
    throw EDatabaseError("Cannot commit: " + reason +
                             "; the server rolled the transaction back, so nothing of it was "
                             "written",
                         SqlStateOf(res.get()));
  }
  // The server answers COMMIT of a failed transaction by rolling it back.
  if (std::string(PQcmdStatus(res.get())) == "ROLLBACK") {
    throw EDatabaseError(
        "Cannot commit: a statement of the transaction had failed, so the server rolled it "
        "back; nothing of it was written");
  }
}

void PostgresConnection::Rollback() {
  if (!explicit_)
    throw EDatabaseError("No transaction is open on " + DisplayUri(uri_));
  RollbackOnServer();
  const bool reset_timeout = timeout_set_in_transaction_;
  EndTransaction();
  if (reset_timeout && Connected()) {
    try {
      Command("SET lock_timeout = " + std::to_string(busy_timeout_ms_));
    } catch (const EDatabaseError&) {
      // Only a lost connection fails here; connecting again sets it anew.
    }
  }
}

bool PostgresConnection::TableExists(const std::string& table) {
  return !Run("SELECT 1 FROM pg_catalog.pg_class WHERE oid = to_regclass(quote_ident(?)) "
              "AND relkind IN ('r', 'p', 'v', 'm', 'f')",
              {Variant(table)})
              .rows.empty();
}

std::vector<ColumnInfo> PostgresConnection::Columns(const std::string& table) {
  const ResultRows result =
      Run("SELECT a.attname, pg_catalog.format_type(a.atttypid, a.atttypmod), "
          "a.atttypid::int8, a.atttypmod, COALESCE(a.attnum = ANY (k.conkey), false) "
          "FROM pg_catalog.pg_attribute a "
          "LEFT JOIN pg_catalog.pg_constraint k ON k.conrelid = a.attrelid AND k.contype = 'p' "
          "WHERE a.attrelid = to_regclass(quote_ident(?)) AND a.attnum > 0 "
          "AND NOT a.attisdropped ORDER BY a.attnum",
          {Variant(table)});
  std::vector<ColumnInfo> columns;
  for (const auto& row : result.rows) {
    ColumnInfo info;
    info.name = row[0].ToString();
    info.declared_type = row[1].ToString();
    info.type = PostgresFieldType(static_cast<unsigned>(row[2].ToInt64()),
                                  static_cast<int>(row[3].ToInt64()), info.size);
    info.primary_key = row[4].ToInt64() != 0;
    columns.push_back(std::move(info));
  }
  return columns;
}

std::string PostgresConnection::RowIdentity(const std::string& table,
                                            const std::vector<ColumnInfo>& /*columns*/) {
  const ResultRows kind =
      Run("SELECT relkind FROM pg_catalog.pg_class WHERE oid = to_regclass(quote_ident(?))",
          {Variant(table)});
  if (kind.rows.empty())
    return "";
  const std::string relkind = kind.rows[0][0].ToString();
  return relkind == "r" || relkind == "p" ? "ctid" : "";
}

std::string PostgresConnection::SameValue(const std::string& column, const ColumnInfo& info,
                                          const std::string& param) const {
  // Types without an equality operator (json, point...) compare as text.
  if (info.type == ftUnknown)
    return column + "::text IS NOT DISTINCT FROM (" + param + ")::text";
  return column + " IS NOT DISTINCT FROM " + param;
}

std::string PostgresConnection::EqualValue(const std::string& column, const ColumnInfo& info,
                                           const std::string& param) const {
  if (info.type == ftUnknown)
    return column + "::text = (" + param + ")::text";
  return column + " = " + param;
}

ResultRows PostgresConnection::Execute(const std::string& sql, const std::vector<Variant>& params,
                                       bool replan, bool unsynced) {
  // Anything that may not go out behind the statements sent without waiting
  // waits for their answers first.
  if (!MayGoBehindSent(sql))
    EnsureConnected();
  const Parameters values(params);
  for (int attempt = 0;; ++attempt) {
    const std::string& name = Prepare(sql, values.Count());
    const ResultPtr res = unsynced || !pending_.empty() ? ExecPipelined(name, values, unsynced)
                                                        : ExecPrepared(name, values);
    const ExecStatusType status = PQresultStatus(res.get());
    if (status == PGRES_TUPLES_OK || status == PGRES_COMMAND_OK)
      return Collect(res.get());
    // A table changed under a prepared statement ("cached plan must not
    // change result type"): prepare it again, once.
    if (replan && attempt == 0 && SqlStateOf(res.get()) == kPlanChanged && Connected()) {
      Forget(sql);
      continue;
    }
    Fail(res.get());
  }
}

ResultPtr PostgresConnection::ExecPipelined(const std::string& name, const Parameters& values,
                                            bool unsynced) {
  PGconn* conn = conn_.get();
  const bool behind_sent = !pending_.empty();
  if (!behind_sent && PQenterPipelineMode(conn) != 1) {
    // Only a connection with results still to read refuses; the write then
    // waits for the disk like any other.
    return ExecPrepared(name, values);
  }
  // The setting is not prepared: preparing may empty the statement cache,
  // taking `name` with it.
  const bool sent = (!unsynced || PQsendQueryParams(conn, kUnsynced, 0, nullptr, nullptr, nullptr,
                                                    nullptr, 0) == 1) &&
                    PQsendQueryPrepared(conn, name.c_str(), values.Count(), values.Values(),
                                        nullptr, nullptr, 0) == 1 &&
                    PQpipelineSync(conn) == 1;
  if (!sent)
    FailSending();
  if (behind_sent)
    TakeSentAnswer();
  ResultPtr set = unsynced ? NextPipelineResult() : nullptr;
  ResultPtr res = NextSyncedResult();
  LeavePipeline();
  if (unsynced && (!set || PQresultStatus(set.get()) != PGRES_TUPLES_OK))
    return set;
  return res;
}

ResultPtr PostgresConnection::NextPipelineResult() {
  ResultPtr last;
  bool copied = false;
  while (PGresult* got = PQgetResult(conn_.get())) {
    ResultPtr res(got);
    if (copied)
      continue;  // the ended COPY's own end
    copied = EndCopy(PQresultStatus(got));
    last = std::move(res);
  }
  return last;
}

ResultPtr PostgresConnection::ExecPrepared(const std::string& name, const Parameters& values) {
  PGconn* conn = conn_.get();
  ResultPtr res(
      PQexecPrepared(conn, name.c_str(), values.Count(), values.Values(), nullptr, nullptr, 0));
  if (EndCopy(PQresultStatus(res.get()))) {
    while (PGresult* rest = PQgetResult(conn))
      PQclear(rest);
  }
  return res;
}

bool PostgresConnection::EndCopy(ExecStatusType status) {
  PGconn* conn = conn_.get();
  if (status == PGRES_COPY_IN) {
    PQputCopyEnd(conn, "copy data cannot be sent through Query, Execute or Send");
    return true;
  }
  if (status != PGRES_COPY_OUT && status != PGRES_COPY_BOTH)
    return false;
  char* row = nullptr;
  while (PQgetCopyData(conn, &row, 0) >= 0)  // -1 at the end, -2 when it failed
    PQfreemem(row);
  return true;
}

ResultPtr PostgresConnection::NextSyncedResult() {
  ResultPtr res = NextPipelineResult();
  ResultPtr(PQgetResult(conn_.get()));  // the sync that ends this part of the pipeline
  return res;
}

void PostgresConnection::LeavePipeline() {
  // Leaving fails only on a connection that broke, which connecting again ends.
  PQexitPipelineMode(conn_.get());
}

ResultRows PostgresConnection::RunInTransaction(const std::string& sql,
                                                const std::vector<Variant>& params) {
  CheckTransaction();
  for (int attempt = 0;; ++attempt) {
    Command("SAVEPOINT qgen_statement");
    try {
      ResultRows result = Execute(sql, params, false);
      Command("RELEASE SAVEPOINT qgen_statement");
      return result;
    } catch (const EDatabaseError& e) {
      if (!lost_.empty())
        throw;  // the connection went, and the transaction with it
      UndoStatement();
      if (attempt == 0 && e.SqlState() == kPlanChanged && lost_.empty()) {
        Forget(sql);
        continue;
      }
      throw;
    }
  }
}

void PostgresConnection::UndoStatement() {
  const ResultPtr res =
      Exec("ROLLBACK TO SAVEPOINT qgen_statement; RELEASE SAVEPOINT qgen_statement");
  if (PQresultStatus(res.get()) != PGRES_COMMAND_OK) {
    // The transaction stays aborted: every further statement would fail.
    lost_ = Connected()
                ? "a failed statement could not be undone: " + ReasonText(ReasonOf(res.get()))
                : "the connection to the server was lost";
  }
}

void PostgresConnection::CheckTransaction() {
  if (lost_.empty() && !Connected())
    lost_ = "the connection to the server was lost";
  if (!lost_.empty()) {
    throw EDatabaseError("The open transaction on " + DisplayUri(uri_) + " was rolled back (" +
                         lost_ + "); nothing of it was written; roll it back and start again");
  }
}

void PostgresConnection::RollbackOnServer() {
  if (!Connected() || PQtransactionStatus(conn_.get()) == PQTRANS_IDLE)
    return;
  try {
    Command("ROLLBACK");
  } catch (const EDatabaseError&) {
    if (Connected())
      throw;  // still open on the server
  }
}

void PostgresConnection::EndTransaction() {
  explicit_ = false;
  lost_.clear();
  timeout_set_in_transaction_ = false;
}

void PostgresConnection::Setup() {
  can_flush_.reset();  // another server, maybe, or another login
  // Notices ("relation already exists, skipping") are not ours to print.
  PQsetNoticeProcessor(
      conn_.get(), [](void*, const char*) {}, nullptr);
  if (PQsetClientEncoding(conn_.get(), "UTF8") != 0) {
    throw EDatabaseError(
        "PostgreSQL server at " + DisplayUri(uri_) +
        " cannot send text as UTF-8: " + ReasonText(Trimmed(PQerrorMessage(conn_.get()))));
  }
  // Full float precision on old servers too; row locks wait no longer than
  // the busy timeout.
  Simple("SET extra_float_digits = 3; SET lock_timeout = " + std::to_string(busy_timeout_ms_));
}

void PostgresConnection::Simple(const std::string& sql) {
  EnsureConnected();
  Command(sql);
}

void PostgresConnection::Command(const std::string& sql) {
  const ResultPtr res = Exec(sql);
  if (PQresultStatus(res.get()) != PGRES_COMMAND_OK)
    Fail(res.get());
}

void PostgresConnection::EnsureConnected() {
  ReadSentAnswer();
  if (Connected())
    return;
  if (explicit_)
    CheckTransaction();
  Reconnect();
  if (!Connected()) {
    const std::string reason = Trimmed(PQerrorMessage(conn_.get()));
    throw EDatabaseError("Lost the connection to PostgreSQL at " + DisplayUri(uri_) +
                         " and cannot connect again: " + ReasonText(reason) + "; " +
                         ConnectHint(reason));
  }
  Setup();
}

const std::string& PostgresConnection::Prepare(const std::string& sql, int param_count) {
  const auto found = cache_.find(sql);
  if (found != cache_.end())
    return found->second;
  if (cache_.size() >= kMaxCachedStatements) {
    Exec("DEALLOCATE ALL");
    cache_.clear();
  }
  int count = 0;
  const std::string numbered = NumberPlaceholders(sql, count);
  if (count != param_count) {
    throw EDatabaseError("Statement expects " + std::to_string(count) + " values, got " +
                         std::to_string(param_count));
  }
  std::string name = "qgen_" + std::to_string(++statement_counter_);
  const ResultPtr res(PQprepare(conn_.get(), name.c_str(), numbered.c_str(), count, nullptr));
  if (PQresultStatus(res.get()) != PGRES_COMMAND_OK)
    Fail(res.get());
  return cache_.emplace(sql, std::move(name)).first->second;
}

void PostgresConnection::Forget(const std::string& sql) {
  const auto found = cache_.find(sql);
  if (found == cache_.end())
    return;
  Exec("DEALLOCATE " + found->second);
  cache_.erase(found);
}

std::string PostgresConnection::ReasonOf(const PGresult* res) const {
  const char* primary = res ? PQresultErrorField(res, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
  if (!primary)
    return Trimmed(PQerrorMessage(conn_.get()));
  std::string reason = primary;
  const char* detail = PQresultErrorField(res, PG_DIAG_MESSAGE_DETAIL);
  if (detail)
    reason += std::string(" (") + detail + ")";
  return reason;
}

void PostgresConnection::Fail(const PGresult* res) {
  const std::string reason = ReasonText(ReasonOf(res));
  const std::string state = SqlStateOf(res);
  if (!Connected()) {
    cache_.clear();
    if (explicit_) {
      lost_ = "the connection to the server was lost";
      throw EDatabaseError("Lost the connection to PostgreSQL at " + DisplayUri(uri_) + ": " +
                               reason +
                               "; the server rolled the open transaction back, so nothing of it "
                               "was written; roll it back, check that the server runs, and start "
                               "again",
                           state);
    }
    throw EDatabaseError("Lost the connection to PostgreSQL at " + DisplayUri(uri_) + ": " +
                             reason + "; check that the server runs, then try again",
                         state);
  }
  const ExecStatusType status = PQresultStatus(res);
  if (status == PGRES_COPY_IN || status == PGRES_COPY_OUT || status == PGRES_COPY_BOTH) {
    throw EDatabaseError(
        "COPY to or from the program (TO STDOUT, FROM STDIN) cannot run through Query, Execute "
        "or Send, which carry no copy data: nothing was copied; copy to or from a file on the "
        "server, or use SELECT and INSERT");
  }
  if (state == kLockNotAvailable) {
    throw EDatabaseError(reason + "; another program held the row for more than " +
                             std::to_string(busy_timeout_ms_) +
                             " ms; try again, or raise the busy timeout",
                         state);
  }
  throw EDatabaseError(reason, state);
}

}  // namespace

std::string NumberPlaceholders(const std::string& sql, int& count) {
  std::string out;
  out.reserve(sql.size() + 8);
  count = 0;
  char quote = 0;
  for (const char c : sql) {
    if (quote) {
      if (c == quote)
        quote = 0;  // a doubled quote closes and opens again
      out += c;
    } else if (c == '\'' || c == '"') {
      quote = c;
      out += c;
    } else if (c == '?') {
      out += '$' + std::to_string(++count);
    } else {
      out += c;
    }
  }
  return out;
}

std::unique_ptr<Connection> OpenPostgresConnection(const std::string& uri, int busy_timeout_ms) {
  return std::make_unique<PostgresConnection>(uri, busy_timeout_ms);
}

}  // namespace qgen
