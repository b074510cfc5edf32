#include "dataaccess/postgres/PostgresConnection.h"

#include <libpq-fe.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <unordered_map>

#include "dataaccess/ErrorText.h"
#include "framework/Exception.h"
#include "framework/Text.h"

namespace qgen {

namespace {

constexpr std::size_t kMaxCachedStatements = 256;

// SQLSTATE of "cached plan must not change result type".
constexpr const char* kPlanChanged = "0A000";

// Type OIDs of the built-in types we tell apart.
enum : unsigned {
  kBool = 16,
  kBytea = 17,
  kChar = 18,
  kName = 19,
  kInt8 = 20,
  kInt2 = 21,
  kInt4 = 23,
  kText = 25,
  kOid = 26,
  kFloat4 = 700,
  kFloat8 = 701,
  kBpchar = 1042,
  kVarchar = 1043,
  kDate = 1082,
  kTime = 1083,
  kTimestamp = 1114,
  kTimestampTz = 1184,
  kTimeTz = 1266,
  kNumeric = 1700,
};

// The library's message without the line break it ends with.
std::string Trimmed(const char* text) {
  return std::string(TrimRight(text));
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

// Shortest text that reads back as the same double, in PostgreSQL's spelling.
std::string FloatText(double value) {
  if (std::isnan(value))
    return "NaN";
  if (std::isinf(value))
    return value > 0 ? "Infinity" : "-Infinity";
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

// True when the decimal text has at most 15 significant digits, so that a
// double holds it exactly enough to print it back unchanged.
bool FitsDouble(const char* text) {
  int digits = 0;
  int pending_zeros = 0;
  bool started = false;
  for (const char* p = text; *p; ++p) {
    if (*p < '0' || *p > '9')
      continue;
    if (*p == '0') {
      if (started)
        ++pending_zeros;
      continue;
    }
    if (started)
      digits += pending_zeros;
    pending_zeros = 0;
    started = true;
    ++digits;
  }
  return digits <= 15;
}

Variant ResultValue(const PGresult* res, int row, int column) {
  if (PQgetisnull(res, row, column))
    return Variant();
  const char* text = PQgetvalue(res, row, column);
  switch (PQftype(res, column)) {
    case kBool:
      return Variant(std::int64_t{text[0] == 't' ? 1 : 0});
    case kInt2:
    case kInt4:
    case kInt8:
    case kOid:
      return Variant(static_cast<std::int64_t>(std::strtoll(text, nullptr, 10)));
    case kFloat4:
    case kFloat8:
      return Variant(std::strtod(text, nullptr));
    case kNumeric:
      // A numeric with more digits than a double holds stays text, so that it
      // is written back and compared exactly.
      if (FitsDouble(text))
        return Variant(std::strtod(text, nullptr));
      return Variant(std::string(text));
    default:
      // Text in UTF-8; bytea in its hex form, which reads back as the same bytes.
      return Variant(std::string(text, static_cast<std::size_t>(PQgetlength(res, row, column))));
  }
}

class PostgresConnection : public Connection {
 public:
  PostgresConnection(const std::string& uri, int busy_timeout_ms)
      : uri_(uri), busy_timeout_ms_(busy_timeout_ms) {
    // A server that does not answer is given up after 10 seconds unless the
    // URI names its own connect_timeout (the URI's settings come later and win).
    const char* keywords[] = {"connect_timeout", "dbname", nullptr};
    const char* values[] = {"10", uri.c_str(), nullptr};
    conn_ = PQconnectdbParams(keywords, values, 1);
    if (!conn_)
      throw EDatabaseError("Cannot connect to PostgreSQL: out of memory");
    if (PQstatus(conn_) != CONNECTION_OK) {
      const std::string reason = Trimmed(PQerrorMessage(conn_));
      PQfinish(conn_);
      conn_ = nullptr;
      throw EDatabaseError("Cannot connect to PostgreSQL at " + DisplayUri(uri) + ": " +
                           ReasonText(reason) + "; " + ConnectHint(reason));
    }
    try {
      Setup();
    } catch (...) {
      PQfinish(conn_);
      conn_ = nullptr;
      throw;
    }
  }

  ~PostgresConnection() override {
    if (conn_)
      PQfinish(conn_);
  }

  std::string Kind() const override { return "postgresql"; }

  void SetBusyTimeout(int milliseconds) override {
    busy_timeout_ms_ = milliseconds;
    Simple("SET lock_timeout = " + std::to_string(busy_timeout_ms_));
    // A setting made inside a transaction goes if the transaction is rolled back.
    if (explicit_)
      timeout_set_in_transaction_ = true;
  }

  ResultRows Run(const std::string& sql, const std::vector<Variant>& params) override {
    return explicit_ ? RunInTransaction(sql, params) : Execute(sql, params, true);
  }

  ResultRows Write(const std::string& sql, const std::vector<Variant>& params) override {
    // Outside an explicit transaction one statement is one transaction.
    return Run(sql, params);
  }

  void Begin() override {
    if (explicit_)
      throw EDatabaseError("A transaction is already open on " + DisplayUri(uri_));
    // No transaction is open yet, so a lost connection may be made again here.
    Simple("BEGIN");
    explicit_ = true;
    lost_.clear();
    timeout_set_in_transaction_ = false;
  }

  void Commit() override {
    if (!explicit_)
      throw EDatabaseError("No transaction is open on " + DisplayUri(uri_));
    if (!lost_.empty() || PQstatus(conn_) != CONNECTION_OK) {
      const std::string why = lost_.empty() ? "the connection to the server was lost" : lost_;
      RollbackOnServer();
      EndTransaction();
      throw EDatabaseError("Cannot commit: the transaction was rolled back (" + why +
                           "); nothing of it was written");
    }
    PGresult* res = PQexec(conn_, "COMMIT");
    EndTransaction();
    if (PQresultStatus(res) != PGRES_COMMAND_OK) {
      const std::string reason = ReasonOf(res);
      PQclear(res);
      if (PQstatus(conn_) != CONNECTION_OK) {
        cache_.clear();
        // The server may or may not have committed before the connection went.
        throw EDatabaseError("Lost the connection to PostgreSQL at " + DisplayUri(uri_) +
                             " while committing (" + ReasonText(reason) +
                             "); whether the transaction was written is not known: check the "
                             "data before doing it again");
      }
      throw EDatabaseError("Cannot commit: " + ReasonText(reason) +
                           "; the server rolled the transaction back, so nothing of it was "
                           "written");
    }
    // The server answers COMMIT of a failed transaction by rolling it back.
    const bool rolled_back = std::string(PQcmdStatus(res)) == "ROLLBACK";
    PQclear(res);
    if (rolled_back) {
      throw EDatabaseError(
          "Cannot commit: a statement of the transaction had failed, so the server rolled it "
          "back; nothing of it was written");
    }
  }

  void Rollback() override {
    if (!explicit_)
      throw EDatabaseError("No transaction is open on " + DisplayUri(uri_));
    RollbackOnServer();
    const bool reset_timeout = timeout_set_in_transaction_;
    EndTransaction();
    if (reset_timeout && PQstatus(conn_) == CONNECTION_OK) {
      try {
        Command("SET lock_timeout = " + std::to_string(busy_timeout_ms_));
      } catch (const EDatabaseError&) {
        // Only a lost connection fails here; connecting again sets it anew.
      }
    }
  }

  bool InTransaction() const override { return explicit_; }

  bool TableExists(const std::string& table) override {
    return !Run("SELECT 1 FROM pg_catalog.pg_class WHERE oid = to_regclass(quote_ident(?)) "
                "AND relkind IN ('r', 'p', 'v', 'm', 'f')",
                {Variant(table)})
                .rows.empty();
  }

  std::vector<ColumnInfo> Columns(const std::string& table) override {
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

  std::string RowIdentity(const std::string& table,
                          const std::vector<ColumnInfo>& /*columns*/) override {
    const ResultRows kind =
        Run("SELECT relkind FROM pg_catalog.pg_class WHERE oid = to_regclass(quote_ident(?))",
            {Variant(table)});
    if (kind.rows.empty())
      return "";
    const std::string relkind = kind.rows[0][0].ToString();
    return relkind == "r" || relkind == "p" ? "ctid" : "";
  }

  std::string SameValue(const std::string& column, const ColumnInfo& info,
                        const std::string& param) const override {
    // Types without an equality operator (json, point...) compare as text.
    if (info.type == ftUnknown)
      return column + "::text IS NOT DISTINCT FROM (" + param + ")::text";
    return column + " IS NOT DISTINCT FROM " + param;
  }

  std::string EqualValue(const std::string& column, const ColumnInfo& info,
                         const std::string& param) const override {
    if (info.type == ftUnknown)
      return column + "::text = (" + param + ")::text";
    return column + " = " + param;
  }

 private:
  // One statement, prepared once per SQL text; `replan` allows preparing it
  // again, once, when the table changed under it.
  ResultRows Execute(const std::string& sql, const std::vector<Variant>& params, bool replan) {
    EnsureConnected();
    std::vector<std::string> texts(params.size());
    std::vector<const char*> values(params.size(), nullptr);
    for (std::size_t i = 0; i < params.size(); ++i) {
      const Variant& value = params[i];
      switch (value.Type()) {
        case VarType::Null:
          continue;
        case VarType::Float:
          texts[i] = FloatText(value.ToDouble());
          break;
        case VarType::Array:
          throw EDatabaseError("An array of values cannot be stored in one column");
        default:
          texts[i] = value.ToString();
      }
      values[i] = texts[i].c_str();
    }
    for (int attempt = 0;; ++attempt) {
      const std::string& name = Prepare(sql, static_cast<int>(params.size()));
      PGresult* res = PQexecPrepared(conn_, name.c_str(), static_cast<int>(params.size()),
                                     values.data(), nullptr, nullptr, 0);
      const ExecStatusType status = PQresultStatus(res);
      if (status == PGRES_TUPLES_OK || status == PGRES_COMMAND_OK) {
        ResultRows result = Collect(res);
        PQclear(res);
        return result;
      }
      const char* state = PQresultErrorField(res, PG_DIAG_SQLSTATE);
      // A table changed under a prepared statement ("cached plan must not
      // change result type"): prepare it again, once.
      if (replan && attempt == 0 && state && std::string(state) == kPlanChanged &&
          PQstatus(conn_) == CONNECTION_OK) {
        PQclear(res);
        Forget(sql);
        continue;
      }
      Fail(res);
    }
  }

  // One statement inside the explicit transaction, behind a savepoint: the
  // server aborts a whole transaction on any failed statement, and the
  // savepoint keeps that to the statement, as SQLite does.
  ResultRows RunInTransaction(const std::string& sql, const std::vector<Variant>& params) {
    CheckTransaction();
    for (int attempt = 0;; ++attempt) {
      Command("SAVEPOINT qgen_statement");
      last_state_.clear();
      try {
        ResultRows result = Execute(sql, params, false);
        Command("RELEASE SAVEPOINT qgen_statement");
        return result;
      } catch (const EDatabaseError&) {
        if (!lost_.empty())
          throw;  // the connection went, and the transaction with it
        const std::string state = last_state_;
        UndoStatement();
        if (attempt == 0 && state == kPlanChanged && lost_.empty()) {
          Forget(sql);
          continue;
        }
        throw;
      }
    }
  }

  // Rolls back to the savepoint of a failed statement; the transaction goes on.
  void UndoStatement() {
    PGresult* res =
        PQexec(conn_, "ROLLBACK TO SAVEPOINT qgen_statement; RELEASE SAVEPOINT qgen_statement");
    if (PQresultStatus(res) != PGRES_COMMAND_OK) {
      // The transaction stays aborted: every further statement would fail.
      lost_ = PQstatus(conn_) == CONNECTION_OK
                  ? "a failed statement could not be undone: " + ReasonText(ReasonOf(res))
                  : "the connection to the server was lost";
    }
    PQclear(res);
  }

  // Raises, running nothing, while the open transaction exists in name only.
  void CheckTransaction() {
    if (lost_.empty() && PQstatus(conn_) != CONNECTION_OK)
      lost_ = "the connection to the server was lost";
    if (!lost_.empty()) {
      throw EDatabaseError("The open transaction on " + DisplayUri(uri_) + " was rolled back (" +
                           lost_ + "); nothing of it was written; roll it back and start again");
    }
  }

  // Rolls back what the server still holds of the transaction, aborted or
  // not. With the connection gone the server has dropped it already.
  void RollbackOnServer() {
    if (PQstatus(conn_) != CONNECTION_OK || PQtransactionStatus(conn_) == PQTRANS_IDLE)
      return;
    try {
      Command("ROLLBACK");
    } catch (const EDatabaseError&) {
      if (PQstatus(conn_) == CONNECTION_OK)
        throw;  // still open on the server
    }
  }

  void EndTransaction() {
    explicit_ = false;
    lost_.clear();
    timeout_set_in_transaction_ = false;
  }

  void Setup() {
    // Notices ("relation already exists, skipping") are not ours to print.
    PQsetNoticeProcessor(
        conn_, [](void*, const char*) {}, nullptr);
    if (PQsetClientEncoding(conn_, "UTF8") != 0) {
      throw EDatabaseError(
          "PostgreSQL server at " + DisplayUri(uri_) +
          " cannot send text as UTF-8: " + ReasonText(Trimmed(PQerrorMessage(conn_))));
    }
    // Full float precision on old servers too; row locks wait no longer than
    // the busy timeout.
    Simple("SET extra_float_digits = 3; SET lock_timeout = " + std::to_string(busy_timeout_ms_));
  }

  void Simple(const std::string& sql) {
    EnsureConnected();
    Command(sql);
  }

  // Runs SQL without parameters on the connection as it is.
  void Command(const std::string& sql) {
    PGresult* res = PQexec(conn_, sql.c_str());
    if (PQresultStatus(res) != PGRES_COMMAND_OK)
      Fail(res);
    PQclear(res);
  }

  // A connection that broke is tried again once before a statement runs,
  // except inside an explicit transaction: the transaction went with the
  // connection, and what follows must not run on its own as if it had not.
  void EnsureConnected() {
    if (PQstatus(conn_) == CONNECTION_OK)
      return;
    if (explicit_)
      CheckTransaction();
    cache_.clear();
    PQreset(conn_);
    if (PQstatus(conn_) != CONNECTION_OK) {
      const std::string reason = Trimmed(PQerrorMessage(conn_));
      throw EDatabaseError("Lost the connection to PostgreSQL at " + DisplayUri(uri_) +
                           " and cannot connect again: " + ReasonText(reason) + "; " +
                           ConnectHint(reason));
    }
    Setup();
  }

  const std::string& Prepare(const std::string& sql, int param_count) {
    const auto found = cache_.find(sql);
    if (found != cache_.end())
      return found->second;
    if (cache_.size() >= kMaxCachedStatements) {
      PQclear(PQexec(conn_, "DEALLOCATE ALL"));
      cache_.clear();
    }
    int count = 0;
    const std::string numbered = NumberPlaceholders(sql, count);
    if (count != param_count) {
      throw EDatabaseError("Statement expects " + std::to_string(count) + " values, got " +
                           std::to_string(param_count));
    }
    std::string name = "qgen_" + std::to_string(++statement_counter_);
    PGresult* res = PQprepare(conn_, name.c_str(), numbered.c_str(), count, nullptr);
    if (PQresultStatus(res) != PGRES_COMMAND_OK)
      Fail(res);
    PQclear(res);
    return cache_.emplace(sql, std::move(name)).first->second;
  }

  void Forget(const std::string& sql) {
    const auto found = cache_.find(sql);
    if (found == cache_.end())
      return;
    PQclear(PQexec(conn_, ("DEALLOCATE " + found->second).c_str()));
    cache_.erase(found);
  }

  static ResultRows Collect(const PGresult* res) {
    ResultRows result;
    const int rows = PQntuples(res);
    const int columns = PQnfields(res);
    result.rows.reserve(static_cast<std::size_t>(rows));
    for (int r = 0; r < rows; ++r) {
      std::vector<Variant> row;
      row.reserve(static_cast<std::size_t>(columns));
      for (int c = 0; c < columns; ++c)
        row.push_back(ResultValue(res, r, c));
      result.rows.push_back(std::move(row));
    }
    const char* changed = PQcmdTuples(const_cast<PGresult*>(res));
    result.changes = changed && *changed ? std::strtoll(changed, nullptr, 10) : 0;
    return result;
  }

  // The server's reason for the failure that `res` reports.
  std::string ReasonOf(const PGresult* res) const {
    const char* primary = res ? PQresultErrorField(res, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    if (!primary)
      return Trimmed(PQerrorMessage(conn_));
    std::string reason = primary;
    const char* detail = PQresultErrorField(res, PG_DIAG_MESSAGE_DETAIL);
    if (detail)
      reason += std::string(" (") + detail + ")";
    return reason;
  }

  // Raises the failure that `res` reports, and frees it.
  [[noreturn]] void Fail(PGresult* res) {
    const std::string reason = ReasonOf(res);
    const char* state = res ? PQresultErrorField(res, PG_DIAG_SQLSTATE) : nullptr;
    const std::string code = state ? state : "";
    last_state_ = code;
    PQclear(res);
    if (PQstatus(conn_) != CONNECTION_OK) {
      cache_.clear();
      if (explicit_) {
        lost_ = "the connection to the server was lost";
        throw EDatabaseError("Lost the connection to PostgreSQL at " + DisplayUri(uri_) + ": " +
                             ReasonText(reason) +
                             "; the server rolled the open transaction back, so nothing of it "
                             "was written; roll it back, check that the server runs, and start "
                             "again");
      }
      throw EDatabaseError("Lost the connection to PostgreSQL at " + DisplayUri(uri_) + ": " +
                           ReasonText(reason) + "; check that the server runs, then try again");
    }
    std::string text = ReasonText(reason);
    if (code == "55P03") {
      text += "; another program held the row for more than " + std::to_string(busy_timeout_ms_) +
              " ms; try again, or raise the busy timeout";
    }
    throw EDatabaseError(text);
  }

  std::string uri_;
  int busy_timeout_ms_;
  PGconn* conn_ = nullptr;
  std::unordered_map<std::string, std::string> cache_;  // SQL text -> statement name
  unsigned long statement_counter_ = 0;
  std::string last_state_;  // SQLSTATE of the last failure that Fail raised
  bool explicit_ = false;   // an explicit transaction is open (Begin until Commit or Rollback)
  std::string lost_;        // why the transaction is gone or aborted; "" while it lives
  bool timeout_set_in_transaction_ = false;
};

}  // namespace

TFieldType PostgresFieldType(unsigned oid, int typmod, int& size) {
  size = 0;
  switch (oid) {
    case kBool:
      return ftBoolean;
    case kBytea:
      return ftBlob;
    case kBpchar:
    case kVarchar:
      size = typmod >= 4 ? typmod - 4 : 0;
      return ftString;
    case kChar:
    case kName:
    case kText:
      return ftString;
    case kInt2:
      return ftSmallint;
    case kInt4:
    case kOid:
      return ftInteger;
    case kInt8:
      return ftLargeint;
    case kFloat4:
    case kFloat8:
      return ftFloat;
    case kNumeric:
      // typmod packs precision and scale; -1 is a numeric without either.
      return typmod >= 4 && ((typmod - 4) & 0xFFFF) > 0 ? ftFloat : ftBCD;
    case kDate:
      return ftDate;
    case kTime:
    case kTimeTz:
      return ftTime;
    case kTimestamp:
    case kTimestampTz:
      return ftDateTime;
    default:
      return ftUnknown;
  }
}

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
