#include "dataaccess/sqlite/SqliteConnection.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <unordered_map>

#include "dataaccess/ErrorText.h"
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

class SqliteConnection : public Connection {
 public:
  SqliteConnection(const std::string& path, int busy_timeout_ms)
      : path_(path), busy_timeout_ms_(busy_timeout_ms) {
    const int rc =
        sqlite3_open_v2(path.c_str(), &db_,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
      const std::string reason = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
      sqlite3_close(db_);
      db_ = nullptr;
      throw EDatabaseError(Message("Cannot open SQLite database '" + path + "'", rc, reason));
    }
    sqlite3_extended_result_codes(db_, 1);
    try {
      // A file this user may only read opens read-only without complaint; say
      // so now rather than at the first write.
      if (sqlite3_db_readonly(db_, "main") == 1) {
        throw EDatabaseError(Message("Cannot open SQLite database '" + path + "'", SQLITE_READONLY,
                                     "the file is read-only"));
      }
      sqlite3_busy_timeout(db_, busy_timeout_ms_);
      // Several processes share the file: WAL lets readers go on beside one
      // writer; full sync keeps every committed value through a power loss.
      Run("PRAGMA journal_mode=WAL", {});
      Run("PRAGMA synchronous=FULL", {});
    } catch (const EDatabaseError& e) {
      Close();
      const std::string text = e.what();
      if (text.rfind("Cannot open", 0) == 0)
        throw;
      throw EDatabaseError("Cannot open SQLite database '" + path + "': " + text);
    }
  }

  ~SqliteConnection() override { Close(); }

  std::string Kind() const override { return "sqlite"; }

  void SetBusyTimeout(int milliseconds) override {
    busy_timeout_ms_ = milliseconds;
    sqlite3_busy_timeout(db_, milliseconds);
  }

  ResultRows Run(const std::string& sql, const std::vector<Variant>& params) override {
    CheckTransaction();
    try {
      return Step(sql, params);
    } catch (const EDatabaseError& e) {
      // SQLite ends the whole transaction on some failures (a full disk, an
      // I/O error, a trigger's RAISE(ROLLBACK)); then say so.
      if (NoteLost(e.what()))
        throw EDatabaseError(e.what() + std::string(kLostText));
      throw;
    }
  }

  ResultRows Write(const std::string& sql, const std::vector<Variant>& params) override {
    if (explicit_)
      return WriteInTransaction(sql, params);
    Step("BEGIN IMMEDIATE", {});
    try {
      ResultRows result = Step(sql, params);
      Step("COMMIT", {});
      return result;
    } catch (...) {
      if (!sqlite3_get_autocommit(db_)) {
        try {
          Step("ROLLBACK", {});
        } catch (const EDatabaseError&) {
          // The first failure is the one to report.
        }
      }
      throw;
    }
  }

  void Begin() override {
    if (explicit_)
      throw EDatabaseError("A transaction is already open on '" + path_ + "'");
    if (!sqlite3_get_autocommit(db_)) {
      throw EDatabaseError("A transaction begun by a statement is open on '" + path_ +
                           "'; end it first");
    }
    // The write lock now, not at the first write, so that a busy database is
    // reported here, before anything of the transaction is done.
    Step("BEGIN IMMEDIATE", {});
    explicit_ = true;
    lost_.clear();
  }

  void Commit() override {
    if (!explicit_)
      throw EDatabaseError("No transaction is open on '" + path_ + "'");
    if (!lost_.empty() || sqlite3_get_autocommit(db_)) {
      const std::string why =
          lost_.empty() ? "it was ended outside this connection's control" : lost_;
      EndTransaction();
      throw EDatabaseError("Cannot commit: the database had rolled the transaction back (" + why +
                           "); nothing of it was written");
    }
    try {
      Step("COMMIT", {});
    } catch (const EDatabaseError& e) {
      const std::string reason = e.what();
      // A transaction that cannot be committed is rolled back, never left open.
      if (!sqlite3_get_autocommit(db_)) {
        try {
          Step("ROLLBACK", {});
        } catch (const EDatabaseError&) {
          // Closing the connection rolls back what is left.
        }
      }
      EndTransaction();
      throw EDatabaseError(
          "Cannot commit the transaction, which was rolled back; nothing of it "
          "was written: " +
          reason);
    }
    EndTransaction();
  }

  void Rollback() override {
    if (!explicit_)
      throw EDatabaseError("No transaction is open on '" + path_ + "'");
    if (!sqlite3_get_autocommit(db_))
      Step("ROLLBACK", {});
    EndTransaction();
  }

  bool InTransaction() const override { return explicit_; }

  bool TableExists(const std::string& table) override {
    return !Run("SELECT 1 FROM sqlite_master WHERE type IN ('table', 'view') AND name = ? "
                "COLLATE NOCASE",
                {Variant(table)})
                .rows.empty();
  }

  std::vector<ColumnInfo> Columns(const std::string& table) override {
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

  std::string RowIdentity(const std::string& table,
                          const std::vector<ColumnInfo>& columns) override {
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
      const int rc = sqlite3_prepare_v2(db_, sql.c_str(), -1, &probe, nullptr);
      sqlite3_finalize(probe);
      // A table WITHOUT ROWID has none; its primary key tells rows apart.
      return rc == SQLITE_OK ? alias : "";
    }
    return "";
  }

  std::string SameValue(const std::string& column, const ColumnInfo& /*info*/,
                        const std::string& param) const override {
    return column + " IS " + param;
  }

  std::string EqualValue(const std::string& column, const ColumnInfo& /*info*/,
                         const std::string& param) const override {
    // A column declared COLLATE NOCASE would otherwise match other cases.
    return column + " = " + param + " COLLATE BINARY";
  }

  std::string StoredValue(const ColumnInfo& info) const override {
    // Blob values travel as bytes in a string; keep them bytes, not text.
    return info.type == ftBlob ? "CAST(? AS BLOB)" : "?";
  }

 private:
  // Raises, running nothing, while the explicit transaction is open in name
  // only: a statement run now would be written on its own, outside it.
  void CheckTransaction() {
    if (!explicit_)
      return;
    if (lost_.empty() && sqlite3_get_autocommit(db_))
      lost_ = "it was ended outside this connection's control";
    if (!lost_.empty()) {
      throw EDatabaseError("The database rolled the open transaction back (" + lost_ +
                           "); nothing of it was written; roll it back and start again");
    }
  }

  // After a failed statement: true when the database has just rolled back the
  // explicit transaction with it, which is then kept as lost for `reason`.
  bool NoteLost(const std::string& reason) {
    if (!explicit_ || !lost_.empty() || !sqlite3_get_autocommit(db_))
      return false;
    lost_ = reason;
    return true;
  }

  // One statement inside the explicit transaction: behind a savepoint, so
  // that its failure undoes only what it did and the transaction goes on.
  ResultRows WriteInTransaction(const std::string& sql, const std::vector<Variant>& params) {
    CheckTransaction();
    Step("SAVEPOINT qgen_write", {});
    try {
      ResultRows result = Step(sql, params);
      Step("RELEASE qgen_write", {});
      return result;
    } catch (const EDatabaseError& e) {
      if (!sqlite3_get_autocommit(db_)) {
        try {
          Step("ROLLBACK TO qgen_write", {});
          Step("RELEASE qgen_write", {});
        } catch (const EDatabaseError&) {
          // The first failure is the one to report.
        }
      }
      if (NoteLost(e.what()))
        throw EDatabaseError(e.what() + std::string(kLostText));
      throw;
    }
  }

  void EndTransaction() {
    explicit_ = false;
    lost_.clear();
  }

  ResultRows Step(const std::string& sql, const std::vector<Variant>& params) {
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
    const int columns = sqlite3_column_count(stmt);
    for (;;) {
      const int rc = sqlite3_step(stmt);
      if (rc == SQLITE_DONE)
        break;
      if (rc != SQLITE_ROW)
        throw EDatabaseError(Message("", rc, sqlite3_errmsg(db_)));
      std::vector<Variant> row;
      row.reserve(static_cast<std::size_t>(columns));
      for (int i = 0; i < columns; ++i)
        row.push_back(ColumnValue(stmt, i));
      result.rows.push_back(std::move(row));
    }
    result.changes = sqlite3_changes64(db_);
    return result;
  }

  void Close() {
    for (auto& entry : cache_)
      sqlite3_finalize(entry.second);
    cache_.clear();
    if (db_)
      sqlite3_close_v2(db_);
    db_ = nullptr;
  }

  std::string Message(const std::string& what, int code, const std::string& reason) const {
    std::string text = what.empty() ? ReasonText(reason) : what + ": " + ReasonText(reason);
    const std::string hint = Hint(code, busy_timeout_ms_);
    if (!hint.empty())
      text += "; " + hint;
    return text;
  }

  sqlite3_stmt* Prepare(const std::string& sql) {
    if (!db_)
      throw EDatabaseError("The SQLite database '" + path_ + "' is closed");
    const auto found = cache_.find(sql);
    if (found != cache_.end())
      return found->second;
    if (cache_.size() >= kMaxCachedStatements) {
      for (auto& entry : cache_)
        sqlite3_finalize(entry.second);
      cache_.clear();
    }
    sqlite3_stmt* stmt = nullptr;
    const int rc =
        sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &stmt, nullptr);
    if (rc != SQLITE_OK) {
      sqlite3_finalize(stmt);
      throw EDatabaseError(Message("", rc, sqlite3_errmsg(db_)));
    }
    cache_.emplace(sql, stmt);
    return stmt;
  }

  void Bind(sqlite3_stmt* stmt, const std::vector<Variant>& params) {
    const int expected = sqlite3_bind_parameter_count(stmt);
    if (expected != static_cast<int>(params.size())) {
      throw EDatabaseError("Statement expects " + std::to_string(expected) + " values, got " +
                           std::to_string(params.size()));
    }
    for (int i = 0; i < expected; ++i) {
      const Variant& value = params[static_cast<std::size_t>(i)];
      int rc = SQLITE_OK;
      switch (value.Type()) {
        case VarType::Null:
          rc = sqlite3_bind_null(stmt, i + 1);
          break;
        case VarType::Integer:
          rc = sqlite3_bind_int64(stmt, i + 1, value.ToInt64());
          break;
        case VarType::Float:
          rc = sqlite3_bind_double(stmt, i + 1, value.ToDouble());
          break;
        case VarType::String: {
          const std::string text = value.ToString();
          rc = sqlite3_bind_text64(stmt, i + 1, text.data(), text.size(), SQLITE_TRANSIENT,
                                   SQLITE_UTF8);
          break;
        }
        case VarType::Array:
          throw EDatabaseError("An array of values cannot be stored in one column");
      }
      if (rc != SQLITE_OK)
        throw EDatabaseError(Message("", rc, sqlite3_errmsg(db_)));
    }
  }

  static Variant ColumnValue(sqlite3_stmt* stmt, int i) {
    switch (sqlite3_column_type(stmt, i)) {
      case SQLITE_INTEGER:
        return Variant(static_cast<std::int64_t>(sqlite3_column_int64(stmt, i)));
      case SQLITE_FLOAT:
        return Variant(sqlite3_column_double(stmt, i));
      case SQLITE_TEXT: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
        return Variant(std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(stmt, i))));
      }
      case SQLITE_BLOB: {
        const auto* data = static_cast<const char*>(sqlite3_column_blob(stmt, i));
        const auto size = static_cast<std::size_t>(sqlite3_column_bytes(stmt, i));
        return Variant(data ? std::string(data, size) : std::string());
      }
      default:
        return Variant();
    }
  }

  std::string path_;
  int busy_timeout_ms_;
  sqlite3* db_ = nullptr;
  std::unordered_map<std::string, sqlite3_stmt*> cache_;
  bool explicit_ = false;  // an explicit transaction is open (Begin until Commit or Rollback)
  std::string lost_;       // why the database ended it on its own; "" while it lives
};

// The numbers in a declaration such as "NUMERIC(10, 2)": precision and scale.
void DeclaredNumbers(const std::string& declared, int& first, int& second) {
  first = second = 0;
  const std::size_t open = declared.find('(');
  if (open == std::string::npos)
    return;
  char* end = nullptr;
  first = static_cast<int>(std::strtol(declared.c_str() + open + 1, &end, 10));
  while (*end == ' ')
    ++end;
  if (*end == ',')
    second = static_cast<int>(std::strtol(end + 1, nullptr, 10));
}

}  // namespace

TFieldType SqliteFieldType(const std::string& declared_type, int& size) {
  const std::string t = UpperCaseAscii(declared_type);
  int first = 0;
  int second = 0;
  DeclaredNumbers(t, first, second);
  size = 0;
  auto has = [&](const char* part) { return t.find(part) != std::string::npos; };
  // SQLite's affinity rules, in SQLite's order: INT, then text, then blob, then real.
  if (has("INT")) {
    if (has("BIGINT") || has("INT8"))
      return ftLargeint;
    if (has("SMALLINT") || has("TINYINT") || has("INT2"))
      return ftSmallint;
    return ftInteger;
  }
  if (has("CHAR") || has("CLOB") || has("TEXT")) {
    size = first;
    // NCHAR, NVARCHAR, NATIONAL CHARACTER, NATIVE CHARACTER, NTEXT...
    return t[0] == 'N' ? ftWideString : ftString;
  }
  if (t.empty())
    return ftUnknown;
  if (has("BLOB"))
    return ftBlob;
  if (has("REAL") || has("FLOA") || has("DOUB"))
    return ftFloat;
  if (has("NUMERIC") || has("DECIMAL"))
    return second > 0 ? ftFloat : ftBCD;
  if (has("BOOL"))
    return ftBoolean;
  if (has("DATETIME") || has("TIMESTAMP"))
    return ftDateTime;
  if (has("DATE"))
    return ftDate;
  if (has("TIME"))
    return ftTime;
  return ftBCD;
}

std::unique_ptr<Connection> OpenSqliteConnection(const std::string& path, int busy_timeout_ms) {
  return std::make_unique<SqliteConnection>(path, busy_timeout_ms);
}

}  // namespace qgen
