#include "dataaccess/sqlite/SqliteConnection.h"

#include <sqlite3.h>

#include <algorithm>
#include <unordered_map>

#include "dataaccess/ErrorText.h"
#include "dataaccess/sqlite/SqliteTypes.h"
#include "framework/Exception.h"
#include "framework/Text.h"

namespace qgen {

namespace {

// Added to the reason of a failure with which SQLite rolled back the whole
// explicit transaction.
constexpr const char* kLostText =
    "; the database rolled the open transaction back, so nothing of it was written; roll it "
    "back and start again";

// Beyond this many cached statements the cache starts afresh; the statements
// a table uses are few, but each distinct set of changed columns is one more.
constexpr std::size_t kMaxCachedStatements = 256;

using DatabasePtr = std::unique_ptr<sqlite3, FreedBy<sqlite3_close_v2>>;
using StatementPtr = std::unique_ptr<sqlite3_stmt, FreedBy<sqlite3_finalize>>;

class SqliteConnection : public Connection {
 public:
  SqliteConnection(const std::string& path, int busy_timeout_ms);

  std::string Kind() const override { return "sqlite"; }
  void SetBusyTimeout(int milliseconds) override;
  void SetDurableCommits(bool durable) override;
  bool DurableCommits() const override { return durable_level_ == 0; }
  bool CanFlushCommits() override { return wal_; }
  void FlushCommits() override;
  ResultRows Run(const std::string& sql, const std::vector<Variant>& params) override;
  ResultRows Write(const std::string& sql, const std::vector<Variant>& params) override;
  void Send(const std::string& sql, const std::vector<Variant>& params) override;
  void Begin() override;
  void Commit() override;
  void Rollback() override;
  bool InTransaction() const override { return explicit_; }
  bool TableExists(const std::string& table) override;
  std::vector<ColumnInfo> Columns(const std::string& table) override;
  std::string RowIdentity(const std::string& table,
                          const std::vector<ColumnInfo>& columns) override;
  bool IdentityMovesOnWrite() const override { return false; }
  std::string SameValue(const std::string& column, const ColumnInfo& info,
                        const std::string& param) const override;
  std::string EqualValue(const std::string& column, const ColumnInfo& info,
                         const std::string& param) const override;
  std::string StoredValue(const ColumnInfo& info) const override;

 private:
  // Raises, running nothing, while the explicit transaction is open in name
  // only: a statement run now would be written on its own, outside it.
  void CheckTransaction();
  // After a failed statement: true when the database has just rolled back the
  // explicit transaction with it, which is then kept as lost for `reason`.
  bool NoteLost(const std::string& reason);
  // One statement inside the explicit transaction: behind a savepoint, so
  // that its failure undoes only what it did and the transaction goes on.
  ResultRows WriteInTransaction(const std::string& sql, const std::vector<Variant>& params);
  // Rolls back what the connection still holds of a transaction, keeping
  // quiet about a failure: the first failure is the one to report.
  void RollbackQuietly(const char* sql);
  void EndTransaction();
  // Runs one statement to its end and returns its rows.
  ResultRows Step(const std::string& sql, const std::vector<Variant>& params);
  // The cached statement for `sql`, prepared when new.
  sqlite3_stmt* Prepare(const std::string& sql);
  void Bind(sqlite3_stmt* stmt, const std::vector<Variant>& params);
  // The failure SQLite reported with `code`, with what the user can do about it.
  EDatabaseError Failure(const std::string& what, int code, const std::string& reason) const;
  EDatabaseError LastFailure(int code) const {
    return Failure("", code, sqlite3_errmsg(db_.get()));
  }
  bool Autocommit() const { return sqlite3_get_autocommit(db_.get()) != 0; }

  std::string path_;
  int busy_timeout_ms_;
  DatabasePtr db_;
  std::unordered_map<std::string, StatementPtr> cache_;  // freed before db_
  bool explicit_ = false;  // an explicit transaction is open (Begin until Commit or Rollback)
  std::string lost_;       // why the database ended it on its own; "" while it lives
  // While commits do not wait for the disk: the synchronous level to go back
  // to (FULL or EXTRA); 0 while they are durable.
  std::int64_t durable_level_ = 0;
  bool wal_ = false;  // the file is in WAL mode (not so in memory)
};

// What the user can do about an SQLite failure, by its primary result code.
std::string Hint(int code, int busy_timeout_ms) {
  switch (code & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return "another program held the database's write lock for more than " +
             std::to_string(busy_timeout_ms) + " ms; try again, or raise the busy timeout";
    case SQLITE_READONLY:
      return "check that the database file and its directory are writable for this user";
    case SQLITE_CANTOPEN:
      return "check that the directory exists and that the file can be created or opened there";
    case SQLITE_NOTADB:
      return "the file is not an SQLite database; check the path";
    case SQLITE_CORRUPT:
      return "the database file is damaged; restore it from a backup";
    case SQLITE_FULL:
      return "the disk is full; free some space";
    case SQLITE_IOERR:
      return "the disk reported an error; check the disk and the file";
    case SQLITE_PERM:
    case SQLITE_AUTH:
      return "check the file's permissions";
    default:
      return "";
  }
}

SqliteConnection::SqliteConnection(const std::string& path, int busy_timeout_ms)
    : path_(path), busy_timeout_ms_(busy_timeout_ms) {
  const std::string what = "Cannot open SQLite database '" + path + "'";
  sqlite3* db = nullptr;
  const int rc = sqlite3_open_v2(
      path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  db_.reset(db);
  if (rc != SQLITE_OK)
    throw Failure(what, rc, db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
  sqlite3_extended_result_codes(db, 1);
  // A file this user may only read opens read-only without complaint; say
  // so now rather than at the first write.
  if (sqlite3_db_readonly(db, "main") == 1)
    throw Failure(what, SQLITE_READONLY, "the file is read-only");
  sqlite3_busy_timeout(db, busy_timeout_ms_);
  try {
    // Several processes share the file: WAL lets readers go on beside one
    // writer; full sync keeps every committed value through a power loss.
    wal_ = Run("PRAGMA journal_mode=WAL", {}).rows.at(0).at(0).ToString() == "wal";
    Run("PRAGMA synchronous=FULL", {});
  } catch (const EDatabaseError& e) {
    throw EDatabaseError(what + ": " + e.what(), e);
  }
}

void SqliteConnection::SetBusyTimeout(int milliseconds) {
  busy_timeout_ms_ = milliseconds;
  sqlite3_busy_timeout(db_.get(), milliseconds);
}

void SqliteConnection::Send(const std::string& sql, const std::vector<Variant>& params) {
  try {
    Run(sql, params);
  } catch (const EDatabaseError&) {
    // The caller asked not to hear of it.
  }
}

void SqliteConnection::FlushCommits() {
  if (!wal_)
    return Connection::FlushCommits();  // raises: no log to sync
  // The log as this connection's pager holds it open; syncing it is what a
  // FULL commit does after writing its frames.
  sqlite3_file* log = nullptr;
  if (sqlite3_file_control(db_.get(), "main", SQLITE_FCNTL_JOURNAL_POINTER, &log) != SQLITE_OK ||
      log == nullptr || log->pMethods == nullptr)
    return;  // no log open: this connection has committed nothing to it
  const int rc = log->pMethods->xSync(log, SQLITE_SYNC_NORMAL);
  if (rc != SQLITE_OK)
    throw Failure("Cannot sync the write-ahead log of '" + path_ + "'", rc, sqlite3_errstr(rc));
}

void SqliteConnection::SetDurableCommits(bool durable) {
  if (durable == DurableCommits())
    return;
  if (durable) {
    Step("PRAGMA synchronous = " + std::to_string(durable_level_), {});
    durable_level_ = 0;
    return;
  }
  // In WAL mode a commit at NORMAL is written to the log but not synced; the
  // next FULL commit (or FlushCommits) syncs the log with it. Without WAL a
  // commit at NORMAL could damage the file in a power loss, and a connection
  // that syncs less already has nothing to give up.
  const std::int64_t level = Step("PRAGMA synchronous", {}).rows.at(0).at(0).ToInt64();
  if (!wal_ || level < 2)
    return;
  Step("PRAGMA synchronous = NORMAL", {});
  durable_level_ = level;
}

ResultRows SqliteConnection::Run(const std::string& sql, const std::vector<Variant>& params) {
  CheckTransaction();
  try {
    return Step(sql, params);
  } catch (const EDatabaseError& e) {
    // SQLite ends the whole transaction on some failures (a full disk, an
    // I/O error, a trigger's RAISE(ROLLBACK)); then say so.
    if (NoteLost(e.what()))
      throw EDatabaseError(e.what() + std::string(kLostText), e);
    throw;
  }
}

ResultRows SqliteConnection::Write(const std::string& sql, const std::vector<Variant>& params) {
  if (explicit_)
    return WriteInTransaction(sql, params);
  Step("BEGIN IMMEDIATE", {});
  try {
    ResultRows result = Step(sql, params);
    Step("COMMIT", {});
    return result;
  } catch (...) {
    RollbackQuietly("ROLLBACK");
    throw;
  }
}

void SqliteConnection::Begin() {
  if (explicit_)
    throw EDatabaseError("A transaction is already open on '" + path_ + "'");
  if (!Autocommit()) {
    throw EDatabaseError("A transaction begun by a statement is open on '" + path_ +
                         "'; end it first");
  }
  // The write lock now, not at the first write, so that a busy database is
  // reported here, before anything of the transaction is done.
  Step("BEGIN IMMEDIATE", {});
  explicit_ = true;
  lost_.clear();
}

void SqliteConnection::Commit() {
  if (!explicit_)
    throw EDatabaseError("No transaction is open on '" + path_ + "'");
  if (!lost_.empty() || Autocommit()) {
    const std::string why =
        lost_.empty() ? "it was ended outside this connection's control" : lost_;
    EndTransaction();
    throw EDatabaseError("Cannot commit: the database had rolled the transaction back (" + why +
                         "); nothing of it was written");
  }
  try {
    Step("COMMIT", {});
  } catch (const EDatabaseError& e) {
    // A transaction that cannot be committed is rolled back, never left open;
    // closing the connection rolls back what is left.
    RollbackQuietly("ROLLBACK");
    EndTransaction();
    throw EDatabaseError(
        "Cannot commit the transaction, which was rolled back; nothing of it was written: " +
            std::string(e.what()),
        e);
  }
  EndTransaction();
}

void SqliteConnection::Rollback() {
  if (!explicit_)
    throw EDatabaseError("No transaction is open on '" + path_ + "'");
  if (!Autocommit())
    Step("ROLLBACK", {});
  EndTransaction();
}

bool SqliteConnection::TableExists(const std::string& table) {
  return !Run("SELECT 1 FROM sqlite_master WHERE type IN ('table', 'view') AND name = ? "
              "COLLATE NOCASE",
              {Variant(table)})
              .rows.empty();
}

std::vector<ColumnInfo> SqliteConnection::Columns(const std::string& table) {
  std::vector<ColumnInfo> columns;
  const ResultRows result =
      Run("SELECT name, type, pk FROM pragma_table_info(?) ORDER BY cid", {Variant(table)});
  for (const auto& row : result.rows) {
    ColumnInfo info;
    info.name = row[0].ToString();
    info.declared_type = row[1].ToString();
    info.type = SqliteFieldType(info.declared_type, info.size);
    info.primary_key = row[2].ToInt64() > 0;
    columns.push_back(std::move(info));
  }
  return columns;
}

std::string SqliteConnection::RowIdentity(const std::string& table,
                                          const std::vector<ColumnInfo>& columns) {
  const ResultRows kind =
      Run("SELECT type FROM sqlite_master WHERE name = ? COLLATE NOCASE", {Variant(table)});
  if (kind.rows.empty() || kind.rows[0][0].ToString() != "table")
    return "";
  // The rowid goes by three names; a column may have taken any of them.
  for (const char* alias : {"rowid", "_rowid_", "oid"}) {
    const bool taken = std::any_of(columns.begin(), columns.end(), [&](const ColumnInfo& c) {
      return CompareText(c.name, alias) == 0;
    });
    if (taken)
      continue;
    sqlite3_stmt* probe = nullptr;
    const std::string sql = std::string("SELECT ") + alias + " FROM " + Quote(table);
    const int rc = sqlite3_prepare_v2(db_.get(), sql.c_str(), -1, &probe, nullptr);
    sqlite3_finalize(probe);
    // A table WITHOUT ROWID has none; its primary key tells rows apart.
    return rc == SQLITE_OK ? alias : "";
  }
  return "";
}

std::string SqliteConnection::SameValue(const std::string& column, const ColumnInfo& /*info*/,
                                        const std::string& param) const {
  return column + " IS " + param;
}

std::string SqliteConnection::EqualValue(const std::string& column, const ColumnInfo& /*info*/,
                                         const std::string& param) const {
  // A column declared COLLATE NOCASE would otherwise match other cases.
  return column + " = " + param + " COLLATE BINARY";
}

std::string SqliteConnection::StoredValue(const ColumnInfo& info) const {
  // Blob values travel as bytes in a string; keep them bytes, not text.
  return info.type == ftBlob ? "CAST(? AS BLOB)" : "?";
}

void SqliteConnection::CheckTransaction() {
  if (!explicit_)
    return;
  if (lost_.empty() && Autocommit())
    lost_ = "it was ended outside this connection's control";
  if (!lost_.empty()) {
    throw EDatabaseError("The database rolled the open transaction back (" + lost_ +
                         "); nothing of it was written; roll it back and start again");
  }
}

bool SqliteConnection::NoteLost(const std::string& reason) {
  if (!explicit_ || !lost_.empty() || !Autocommit())
    return false;
  lost_ = reason;
  return true;
}

ResultRows SqliteConnection::WriteInTransaction(const std::string& sql,
                                                const std::vector<Variant>& params) {
  CheckTransaction();
  Step("SAVEPOINT qgen_write", {});
  try {
    ResultRows result = Step(sql, params);
    Step("RELEASE qgen_write", {});
    return result;
  } catch (const EDatabaseError& e) {
    RollbackQuietly("ROLLBACK TO qgen_write; RELEASE qgen_write");
    if (NoteLost(e.what()))
      throw EDatabaseError(e.what() + std::string(kLostText), e);
    throw;
  }
}

void SqliteConnection::RollbackQuietly(const char* sql) {
  if (Autocommit())
    return;
  // Several statements at once, so not through the statement cache.
  sqlite3_exec(db_.get(), sql, nullptr, nullptr, nullptr);
}

void SqliteConnection::EndTransaction() {
  explicit_ = false;
  lost_.clear();
}

ResultRows SqliteConnection::Step(const std::string& sql, const std::vector<Variant>& params) {
  sqlite3_stmt* stmt = Prepare(sql);
  // Reset on every path: a statement left stepped would hold a read
  // transaction open and keep this connection on an old snapshot.
  struct Reset {
    sqlite3_stmt* stmt;
    ~Reset() {
      sqlite3_reset(stmt);
      sqlite3_clear_bindings(stmt);
    }
  } reset{stmt};
  Bind(stmt, params);
  ResultRows result;
  for (;;) {
    const int rc = sqlite3_step(stmt);
    if (rc == SQLITE_DONE)
      break;
    if (rc != SQLITE_ROW)
      throw LastFailure(rc);
    // Counted after the step: a statement that another connection's change
    // of the table made SQLite prepare again may have other columns now.
    const int columns = sqlite3_column_count(stmt);
    std::vector<Variant> row;
    row.reserve(static_cast<std::size_t>(columns));
    for (int i = 0; i < columns; ++i)
      row.push_back(SqliteColumnValue(stmt, i));
    result.rows.push_back(std::move(row));
  }
  result.changes = sqlite3_changes64(db_.get());
  return result;
}

EDatabaseError SqliteConnection::Failure(const std::string& what, int code,
                                         const std::string& reason) const {
  std::string text = what.empty() ? ReasonText(reason) : what + ": " + ReasonText(reason);
  const std::string hint = Hint(code, busy_timeout_ms_);
  if (!hint.empty())
    text += "; " + hint;
  return EDatabaseError(text, code);
}

sqlite3_stmt* SqliteConnection::Prepare(const std::string& sql) {
  if (!db_)
    throw EDatabaseError("The SQLite database '" + path_ + "' is closed");
  const auto found = cache_.find(sql);
  if (found != cache_.end())
    return found->second.get();
  if (cache_.size() >= kMaxCachedStatements)
    cache_.clear();
  sqlite3_stmt* stmt = nullptr;
  const int rc =
      sqlite3_prepare_v2(db_.get(), sql.c_str(), static_cast<int>(sql.size()), &stmt, nullptr);
  StatementPtr owned(stmt);
  if (rc != SQLITE_OK)
    throw LastFailure(rc);
  return cache_.emplace(sql, std::move(owned)).first->second.get();
}

void SqliteConnection::Bind(sqlite3_stmt* stmt, const std::vector<Variant>& params) {
  const int expected = sqlite3_bind_parameter_count(stmt);
  if (expected != static_cast<int>(params.size())) {
    throw EDatabaseError("Statement expects " + std::to_string(expected) + " values, got " +
                         std::to_string(params.size()));
  }
  for (int i = 0; i < expected; ++i) {
    const int rc = BindSqliteValue(stmt, i + 1, params[static_cast<std::size_t>(i)]);
    if (rc != SQLITE_OK)
      throw LastFailure(rc);
  }
}

}  // namespace

std::unique_ptr<Connection> OpenSqliteConnection(const std::string& path, int busy_timeout_ms) {
  return std::make_unique<SqliteConnection>(path, busy_timeout_ms);
}

}  // namespace qgen
