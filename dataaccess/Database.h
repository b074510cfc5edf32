// TDatabase: one connection to a database, named by a URI: a plain path or
// "sqlite:PATH" for an SQLite file (default "qgen.db" in the working
// directory), or "postgresql://..." for a PostgreSQL server. Text crosses the
// connection as UTF-8 and is converted from and to CodePage(). A database and
// its tables are used by one thread at a time; other processes and machines
// share the data through the database itself.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dataaccess/Field.h"
#include "framework/Component.h"
#include "framework/Variant.h"

namespace qgen {

class Connection;

// A column of a table as the database declares it.
struct ColumnInfo {
  std::string name;
  std::string declared_type;  // as the database names it, e.g. "REAL", "float8"
  TFieldType type = ftUnknown;
  int size = 0;  // declared character width, 0 when none
  bool primary_key = false;
};

class TDatabase : public TComponent {
 public:
  explicit TDatabase(TComponent* owner);
  ~TDatabase() override;

  // The URI; "" means the default "qgen.db". Changing it closes the connection.
  const std::string& URI() const { return uri_; }
  void SetURI(const std::string& uri);

  // Code page of engine text; the process default (Windows-1251) unless set
  // ("" goes back to the default). Raises EConvertError for a name iconv does
  // not know or a code page that is not single-byte.
  const std::string& CodePage() const;
  void SetCodePage(const std::string& name);
  // The code page as set: "" while CodePage follows the process default.
  const std::string& CodePageSetting() const { return codepage_; }

  // How long a statement waits for another writer's lock, in milliseconds
  // (SQLite's busy timeout, PostgreSQL's lock_timeout); applies at once.
  int BusyTimeout() const { return busy_timeout_ms_; }
  void SetBusyTimeout(int milliseconds);

  // Whether a record posted outside an explicit transaction (TTable::Post;
  // on SQLite every statement) returns only once the change is on disk
  // (true, the default, and again after Open). With false a commit returns
  // once the change is in the database's log, which the next durable commit
  // carries to disk with it, since the log is written in order; a crash
  // before then loses the change. For a write whose loss does no harm and
  // which a durable one follows (SQLite in WAL mode: synchronous NORMAL
  // instead of FULL, other SQLite files keep syncing; PostgreSQL:
  // synchronous_commit off for that write's transaction alone, sent with the
  // statement in one round trip). An explicit transaction cannot start while
  // it is false. Open the database first.
  void SetDurableCommits(bool durable);
  bool DurableCommits();
  // Returns once every commit made on this connection is on disk, those made
  // without waiting for it included: SQLite syncs its write-ahead log, which
  // holds every commit in order (another program's later durable commit
  // syncs it as well); PostgreSQL durably commits a transaction of its own
  // that writes one empty record to the server's log (logical decoding shows
  // it as a message with the prefix "qgen"), which takes every earlier record
  // to disk with it; commits of a session lost before the flush are not
  // covered (see Session). After Send, that request goes out behind the sent
  // statement, in the same round trip. Raises EDatabaseError when the disk or
  // the server reports an error, and where the database cannot
  // (CanFlushCommits false: an SQLite file not in WAL mode; on PostgreSQL a
  // login not allowed to write that record, or inside an explicit
  // transaction).
  bool CanFlushCommits();
  void FlushCommits();
  // A number that changes whenever the connection is made afresh after it was
  // lost (PostgreSQL; always 0 on SQLite). A commit made without waiting for
  // the disk on one session may have been lost with it, if the server went
  // down; FlushCommits on a later session cannot tell, so compare the number
  // after the commit with the number after the flush. Open the database first.
  std::uint64_t Session();
  // Whether FlushCommits costs a request and a transaction of its own
  // (PostgreSQL) rather than what a durable commit costs (SQLite's sync).
  bool FlushIsARequest();

  // Connects (an open database stays open). Raises EDatabaseError with the
  // server's or the library's reason and what to check.
  void Open();
  // Disconnects, rolling back a transaction that is still open. Tables on
  // this database then raise on their next operation until the database is
  // opened again. The destructor and SetURI close the same way.
  void Close();
  bool Connected() const { return connection_ != nullptr; }

  // An explicit transaction on the connection: from StartTransaction until
  // Commit or Rollback, every statement and every TTable::Post on this
  // database runs inside it instead of being committed on its own, so that
  // many records cost one sync to disk. Other programs see none of it before
  // Commit; on SQLite it holds the database's write lock throughout, and
  // other writers wait for it up to their busy timeout.
  //
  // StartTransaction needs an open database; it raises EDatabaseError when a
  // transaction is already open, or when the write lock cannot be had within
  // the busy timeout (SQLite).
  void StartTransaction();
  // Makes the transaction's changes permanent and ends it. Raises
  // EDatabaseError when none is open, and when the database refuses or had
  // already rolled the transaction back; it is ended then all the same, and
  // nothing of it is written (the message says when a lost connection leaves
  // that unknown).
  void Commit();
  // Undoes the transaction's changes and ends it. Raises EDatabaseError when
  // none is open. Tables that are open keep showing the records they read or
  // posted until they read again.
  void Rollback();
  // True from StartTransaction until Commit, Rollback or Close. A failed
  // statement or Post does not end the transaction (a failed Post keeps its
  // change pending, as outside one); but when the database itself rolls the
  // transaction back (a lost PostgreSQL connection; an SQLite error such as a
  // full disk) it stays open in name, every statement raises, and the caller
  // ends it with Rollback.
  bool InTransaction() const;

  // "sqlite" or "postgresql", from the URI.
  std::string Kind() const;
  // The URI as messages show it: the SQLite file path, or the server URI
  // without its password.
  std::string DisplayURI() const;
  // The SQLite database file's path as the URI gives it; "" for PostgreSQL.
  std::string FilePath() const;

  // Statements for tools and tests: SQL with "?" placeholders and bound values
  // (text in UTF-8, not converted). Open the database first.
  std::int64_t Execute(const std::string& sql, const std::vector<Variant>& params = {});
  std::vector<std::vector<Variant>> Query(const std::string& sql,
                                          const std::vector<Variant>& params = {});
  // Sends a statement without waiting for the database's answer: for a
  // statement whose failure changes nothing for the caller, such as letting go
  // of a session lock that a lost connection lets go of anyway. Its answer is
  // read, and a failure of it dropped, before the next statement runs.
  void Send(const std::string& sql, const std::vector<Variant>& params = {});
  // Sends a statement whose answer SentAnswer gives later, so that the
  // statements run meanwhile need no round trip of their own to the server
  // (PostgreSQL: they go out behind it at once and run after it); SQLite runs
  // it at once. SentAnswer waits for the answer if it has not come and raises
  // the statement's failure as Query does.
  void SendForAnswer(const std::string& sql, const std::vector<Variant>& params = {});
  std::vector<std::vector<Variant>> SentAnswer();
  bool TableExists(const std::string& table);
  std::vector<ColumnInfo> Columns(const std::string& table);
  // The identifier quoted for SQL, whatever characters it holds.
  std::string QuoteIdentifier(const std::string& name) const;

  // The live connection; raises EDatabaseError when not connected.
  Connection& connection();

 private:
  std::string uri_;
  std::string codepage_;
  int busy_timeout_ms_ = 5000;
  std::unique_ptr<Connection> connection_;
};

}  // namespace qgen
