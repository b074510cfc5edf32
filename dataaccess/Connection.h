// Connection: the seam between the data-access classes and a database
// library. TDatabase owns one; TTable writes its SQL once against this
// interface and each backend (sqlite/, postgres/) supplies the dialect.
// Statements use "?" placeholders and are prepared once per SQL text and reused.
#pragma once

#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "dataaccess/Database.h"
#include "framework/Variant.h"

namespace qgen {

// The rows a statement returned and how many rows it changed. Text arrives as
// UTF-8 (not converted); blob and bytea values arrive as raw bytes in a string.
struct ResultRows {
  std::vector<std::vector<Variant>> rows;
  std::int64_t changes = 0;
};

// The answer to a statement kept until it is asked for: its rows or its
// failure, given once.
class KeptAnswer {
 public:
  template <class Run>
  void Keep(Run&& run) {
    try {
      rows_ = run();
      failure_ = nullptr;
    } catch (...) {
      KeepFailure(std::current_exception());
    }
  }
  void KeepFailure(std::exception_ptr failure) {
    rows_.reset();
    failure_ = std::move(failure);
  }
  // The rows kept, or the failure raised; EDatabaseError when none is kept.
  ResultRows Take();

 private:
  std::optional<ResultRows> rows_;
  std::exception_ptr failure_;
};

class Connection {
 public:
  Connection() = default;
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  virtual ~Connection() = default;

  // "sqlite" or "postgresql".
  virtual std::string Kind() const = 0;

  // How long a statement waits for another writer's lock, in milliseconds.
  virtual void SetBusyTimeout(int milliseconds) = 0;

  // Runs one statement: on its own (autocommit), or inside the explicit
  // transaction while one is open, where a failed statement leaves the
  // transaction usable. Raises EDatabaseError with the database's reason, and
  // at once, running nothing, while the open transaction has been ended by the
  // database (a lost PostgreSQL connection, an SQLite error that rolls back).
  virtual ResultRows Run(const std::string& sql, const std::vector<Variant>& params) = 0;

  // Sends one statement and returns without waiting for its reply, which is
  // read before the next statement runs; a failure of the statement is not
  // reported. Backends that wait for nothing (SQLite) run it at once. See
  // TDatabase::Send.
  virtual void Send(const std::string& sql, const std::vector<Variant>& params) = 0;

  // Sends one statement whose answer SentAnswer gives later: statements run
  // meanwhile go out behind it without waiting for its answer (PostgreSQL),
  // and the database runs them after it. Backends that wait for nothing run
  // it at once. See TDatabase::SendForAnswer.
  virtual void SendForAnswer(const std::string& sql, const std::vector<Variant>& params) {
    kept_.Keep([&] { return Run(sql, params); });
  }
  // The answer to the statement SendForAnswer sent last, waited for if it has
  // not come; raises its failure as Run does.
  virtual ResultRows SentAnswer() { return kept_.Take(); }

  // Runs one writing statement as a transaction of its own, or, while an
  // explicit transaction is open, inside it behind a savepoint. SQLite takes
  // the write lock first (BEGIN IMMEDIATE), so that a writer that holds it
  // longer than the busy timeout is reported, never waited on forever. Raises
  // EDatabaseError with the database's reason; nothing of the statement is
  // written then, and an explicit transaction stays open.
  virtual ResultRows Write(const std::string& sql, const std::vector<Variant>& params) = 0;

  // Whether a write outside an explicit transaction waits, when it commits,
  // until its change is on disk (true, the default; see
  // TDatabase::SetDurableCommits). Raises EDatabaseError when the database
  // refuses the setting.
  virtual void SetDurableCommits(bool durable) = 0;
  virtual bool DurableCommits() const = 0;
  // Whether FlushCommits can make commits durable after the fact; see
  // TDatabase::FlushCommits.
  virtual bool CanFlushCommits() { return false; }
  // See TDatabase::FlushIsARequest.
  virtual bool FlushIsARequest() const { return false; }
  virtual void FlushCommits();
  // See TDatabase::Session.
  virtual std::uint64_t Session() const { return 0; }

  // The explicit transaction (see TDatabase::StartTransaction). Begin raises
  // EDatabaseError when one is open or the database refuses (SQLite: another
  // writer holds the write lock longer than the busy timeout). Commit and
  // Rollback raise when none is open; Commit always ends the transaction, and
  // raises, with nothing written, when the database refuses it or had already
  // rolled it back. Rollback ends it; it raises only when the database
  // refuses, and the transaction is then still open.
  virtual void Begin() = 0;
  virtual void Commit() = 0;
  virtual void Rollback() = 0;
  // True from Begin until Commit or Rollback, also after the database itself
  // rolled the transaction back (statements then raise until it is ended).
  virtual bool InTransaction() const = 0;

  // True when a table (or view) of that name is visible.
  virtual bool TableExists(const std::string& table) = 0;
  // The table's columns in order; empty when there is no such table.
  virtual std::vector<ColumnInfo> Columns(const std::string& table) = 0;

  // A hidden expression that tells one row of `table` from every other, to
  // read with the row ("rowid", "ctid"), or "" when the table has none.
  virtual std::string RowIdentity(const std::string& table,
                                  const std::vector<ColumnInfo>& columns) = 0;
  // True when a row's identity changes whenever the row is written
  // (PostgreSQL's ctid: an UPDATE makes a new row version elsewhere), false
  // when it stays as long as the row lives (SQLite's rowid).
  virtual bool IdentityMovesOnWrite() const = 0;
  // SQL that is true when `column` holds the value of parameter `param`, NULL
  // equal to NULL (used for the optimistic check of an edit).
  virtual std::string SameValue(const std::string& column, const ColumnInfo& info,
                                const std::string& param) const = 0;
  // SQL that is true when `column` equals parameter `param` exactly
  // (case-sensitive, byte for byte for text); used by Locate.
  virtual std::string EqualValue(const std::string& column, const ColumnInfo& info,
                                 const std::string& param) const = 0;
  // The parameter expression that stores a value into a column of this kind.
  virtual std::string StoredValue(const ColumnInfo& info) const {
    (void)info;
    return "?";
  }

  // Identifier quoting shared by both dialects: double quotes, inner ones doubled.
  static std::string Quote(const std::string& name);

 protected:
  KeptAnswer kept_;  // what SentAnswer gives next
};

// Frees a handle of a database library with that library's routine, so that a
// std::unique_ptr owns it: std::unique_ptr<PGresult, FreedBy<PQclear>>.
template <auto Free>
struct FreedBy {
  template <class T>
  void operator()(T* handle) const {
    Free(handle);
  }
};

}  // namespace qgen
