#include "dataaccess/Database.h"

#include "dataaccess/Connection.h"
#include "dataaccess/ErrorText.h"
#include "dataaccess/postgres/PostgresConnection.h"
#include "dataaccess/sqlite/SqliteConnection.h"
#include "framework/CodePage.h"
#include "framework/Exception.h"

namespace qgen {

namespace {

constexpr const char* kDefaultPath = "qgen.db";

bool StartsWith(const std::string& text, const char* prefix) {
  return text.rfind(prefix, 0) == 0;
}

bool IsPostgresUri(const std::string& uri) {
  return StartsWith(uri, "postgresql://") || StartsWith(uri, "postgres://");
}

// The file path of an SQLite URI: a plain path, "sqlite:PATH" or "sqlite://PATH".
std::string SqlitePath(const std::string& uri) {
  std::string path = uri;
  if (StartsWith(path, "sqlite:")) {
    path = path.substr(7);
    if (StartsWith(path, "//"))
      path = path.substr(2);
  }
  return path.empty() ? kDefaultPath : path;
}

}  // namespace

TDatabase::TDatabase(TComponent* owner) : TComponent(owner) {}

TDatabase::~TDatabase() {
  Close();
}

void TDatabase::SetURI(const std::string& uri) {
  if (uri == uri_)
    return;
  Close();
  uri_ = uri;
}

const std::string& TDatabase::CodePage() const {
  return codepage_.empty() ? DefaultCodePage() : codepage_;
}

void TDatabase::SetCodePage(const std::string& name) {
  if (name.empty()) {
    codepage_.clear();
    return;
  }
  (void)ToUtf8("A", name);  // raises EConvertError for a name iconv does not know
  std::string letter;
  try {
    letter = FromUtf8("\xC3\xA9", name);
  } catch (const EConvertError&) {
    letter = "?";  // not in this code page: says nothing about its width
  }
  if (letter.size() != 1) {
    throw EConvertError("Code page " + name + " is not a single-byte code page");
  }
  codepage_ = name;
}

void TDatabase::SetBusyTimeout(int milliseconds) {
  busy_timeout_ms_ = milliseconds;
  if (connection_)
    connection_->SetBusyTimeout(milliseconds);
}

void TDatabase::SetDurableCommits(bool durable) {
  connection().SetDurableCommits(durable);
}

bool TDatabase::DurableCommits() {
  return connection().DurableCommits();
}

bool TDatabase::CanFlushCommits() {
  return connection().CanFlushCommits();
}

bool TDatabase::FlushIsARequest() {
  return connection().FlushIsARequest();
}

std::uint64_t TDatabase::Session() {
  return connection().Session();
}

void TDatabase::FlushCommits() {
  connection().FlushCommits();
}

void TDatabase::Open() {
  if (connection_)
    return;
  if (IsPostgresUri(uri_)) {
    connection_ = OpenPostgresConnection(uri_, busy_timeout_ms_);
  } else {
    connection_ = OpenSqliteConnection(SqlitePath(uri_), busy_timeout_ms_);
  }
}

void TDatabase::Close() {
  if (connection_ && connection_->InTransaction()) {
    try {
      connection_->Rollback();
    } catch (const EDatabaseError&) {
      // Closing the connection rolls back what the database still holds.
    }
  }
  connection_.reset();
}

void TDatabase::StartTransaction() {
  Connection& live = connection();
  if (live.InTransaction()) {
    throw EDatabaseError("A transaction is already open on database " + DisplayURI() +
                         "; commit it or roll it back before starting another");
  }
  if (!live.DurableCommits()) {
    throw EDatabaseError("Cannot start a transaction on database " + DisplayURI() +
                         " while its commits do not wait for the disk; make them durable first");
  }
  live.Begin();
}

void TDatabase::Commit() {
  if (!InTransaction()) {
    throw EDatabaseError("No transaction is open on database " + DisplayURI() +
                         " to commit; start one with StartTransaction first");
  }
  connection_->Commit();
}

void TDatabase::Rollback() {
  if (!InTransaction()) {
    throw EDatabaseError("No transaction is open on database " + DisplayURI() +
                         " to roll back; start one with StartTransaction first");
  }
  connection_->Rollback();
}

bool TDatabase::InTransaction() const {
  return connection_ && connection_->InTransaction();
}

std::string TDatabase::Kind() const {
  return IsPostgresUri(uri_) ? "postgresql" : "sqlite";
}

std::string TDatabase::DisplayURI() const {
  return IsPostgresUri(uri_) ? DisplayUri(uri_) : SqlitePath(uri_);
}

std::string TDatabase::FilePath() const {
  return IsPostgresUri(uri_) ? "" : SqlitePath(uri_);
}

std::int64_t TDatabase::Execute(const std::string& sql, const std::vector<Variant>& params) {
  return connection().Run(sql, params).changes;
}

void TDatabase::Send(const std::string& sql, const std::vector<Variant>& params) {
  connection().Send(sql, params);
}

void TDatabase::SendForAnswer(const std::string& sql, const std::vector<Variant>& params) {
  connection().SendForAnswer(sql, params);
}

std::vector<std::vector<Variant>> TDatabase::SentAnswer() {
  return connection().SentAnswer().rows;
}

std::vector<std::vector<Variant>> TDatabase::Query(const std::string& sql,
                                                   const std::vector<Variant>& params) {
  return connection().Run(sql, params).rows;
}

bool TDatabase::TableExists(const std::string& table) {
  return connection().TableExists(table);
}

std::vector<ColumnInfo> TDatabase::Columns(const std::string& table) {
  return connection().Columns(table);
}

std::string TDatabase::QuoteIdentifier(const std::string& name) const {
  return Connection::Quote(name);
}

Connection& TDatabase::connection() {
  if (!connection_) {
    throw EDatabaseError("Database " + DisplayURI() + " is not connected; open it first");
  }
  return *connection_;
}

}  // namespace qgen
