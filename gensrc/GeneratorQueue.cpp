#include "gensrc/GeneratorQueue.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "dataaccess/Database.h"
#include "framework/Clock.h"
#include "framework/CodePage.h"
#include "framework/Exception.h"
#include "framework/Variant.h"

namespace qgen {

namespace {

using std::chrono::microseconds;

// Text in UTF-8, the same for every program on the database.
std::string Utf8(TDatabase& database, const std::string& text) {
  try {
    return ToUtf8(text, database.CodePage());
  } catch (const EConvertError&) {
    return text;  // text the code page cannot hold never reached the table either
  }
}

// The advisory lock's number: the sequence's key hashed by the server, seeded
// with the table's identity (so that same-named tables of two schemas differ).
const char kLockNumber[] =
    "hashtextextended(?, COALESCE(to_regclass(quote_ident(?))::oid::bigint, 0))";
// The lock's statements, made once: a turn asks for one of them per value.
const std::string kTryLock = std::string("SELECT pg_try_advisory_lock(") + kLockNumber + ")";
// Tries the lock, and waits for it only when taken (the server runs the
// CASE's subquery only when it gets there), which tells whether another
// program had it; a lock_timeout of the statement's own transaction, set
// before the lock is asked for, bounds the wait. The timeout it replaced is
// put back after the lock is taken: inside the caller's transaction the
// setting would otherwise last to its end (a wait that runs out undoes it
// with the failed statement's savepoint).
const std::string kWaitForLock =
    std::string("SELECT CASE WHEN pg_try_advisory_lock(") + kLockNumber +
    ") THEN 0 ELSE (SELECT 1 FROM pg_advisory_lock(" + kLockNumber +
    ") AS l) END, set_config('lock_timeout', s.before, true) FROM (SELECT "
    "current_setting('lock_timeout') AS before, set_config('lock_timeout', ?, true) AS t "
    "OFFSET 0) AS s";
const std::string kUnlock = std::string("SELECT pg_advisory_unlock(") + kLockNumber + ")";

// On PostgreSQL: a session advisory lock on a number the server derives from
// the sequence's key.
class AdvisoryLockQueue : public SequenceQueue {
 public:
  AdvisoryLockQueue(TDatabase& database, std::string key, std::string table)
      : database_(database), key_{Variant(std::move(key)), Variant(std::move(table))} {}
  ~AdvisoryLockQueue() override { Leave(); }

  bool Enter(std::chrono::milliseconds limit) override {
    if (limit.count() > 0) {
      Request(limit);
      return Entered();
    }
    Entered();  // a request not asked about yet
    found_taken_ = false;
    try {
      held_ = database_.Query(kTryLock, key_)[0][0].ToInt64() != 0;
    } catch (const Exception&) {
      held_ = false;  // the row protocol reports what is wrong with the database
    }
    return held_;
  }

  // Waits in the server's queue for the lock, in one statement (kWaitForLock).
  void Request(std::chrono::milliseconds limit) override {
    Entered();  // a request not asked about yet
    found_taken_ = false;
    held_ = false;
    std::vector<Variant> params = key_;  // the lock's number twice, then the timeout
    params.insert(params.end(), key_.begin(), key_.end());
    params.push_back(Variant(std::to_string(std::max<std::int64_t>(1, limit.count()))));
    try {
      database_.SendForAnswer(kWaitForLock, params);
      requested_ = true;
    } catch (const Exception&) {
      // Not connected: no turn, and the row protocol reports why.
    }
  }

  bool Entered() override {
    if (!requested_)
      return held_;
    requested_ = false;
    try {
      found_taken_ = database_.SentAnswer().at(0).at(0).ToInt64() == 1;
      held_ = true;
    } catch (const std::exception&) {
      held_ = false;  // the wait ran out (or the connection went, and the lock with it)
    }
    return held_;
  }

  bool SendsRequests() const override { return true; }

  bool FoundTaken() const override { return found_taken_; }

  void Leave() override {
    Entered();  // a request not asked about yet: the turn it gave is let go
    if (!held_)
      return;
    held_ = false;
    // Nothing waits for the answer: the server lets go at once, and a lost
    // connection has let go of the lock already.
    try {
      database_.Send(kUnlock, key_);
    } catch (const Exception&) {
      // Not connected: the server holds nothing for this program.
    }
  }

 private:
  TDatabase& database_;
  std::vector<Variant> key_;  // the sequence's key and the table's name
  bool held_ = false;
  bool requested_ = false;  // a Request's answer has not been asked about
  bool found_taken_ = false;
};

// 64-bit FNV-1a: the same number for the same key in every program.
std::uint64_t KeyHash(const std::string& key) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const unsigned char c : key) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  return hash;
}

// On SQLite: a write lock on one byte (chosen by the key) of a file beside the
// database. Open-file-description locks belong to the open file, not to the
// process, so threads of one program exclude each other too, and closing
// another descriptor of the file does not drop them. The kernel cannot bound a
// blocking wait, so a waiter tries again after short pauses.
class FileLockQueue : public SequenceQueue {
 public:
  FileLockQueue(int fd, off_t offset) : fd_(fd), offset_(offset) {}
  ~FileLockQueue() override {
    Leave();
    close(fd_);
  }

  bool Enter(std::chrono::milliseconds limit) override {
    const microseconds give_up = SteadyNow() + limit;
    found_taken_ = false;
    for (int round = 0; !Lock(F_WRLCK); ++round) {
      found_taken_ = true;
      if (SteadyNow() >= give_up)
        return false;
      // About a write's time at first, doubling up to 3 ms for long waits:
      // every waiter that wakes takes processor time from the holder, and
      // with 16 programs on 2 cores waking every 0.8 ms cost the holder an
      // eighth of its rate. The random part keeps waiters out of step.
      SleepFor(microseconds(std::min(3000, 50 << std::min(round, 6)) + Random(50)));
    }
    held_ = true;
    return true;
  }

  bool FoundTaken() const override { return found_taken_; }

  void Leave() override {
    if (held_)
      Lock(F_UNLCK);
    held_ = false;
  }

 private:
  bool Lock(short type) {
    struct flock region {};
    region.l_type = type;
    region.l_whence = SEEK_SET;
    region.l_start = offset_;
    region.l_len = 1;
    return fcntl(fd_, F_OFD_SETLK, &region) == 0;
  }

  int fd_;
  off_t offset_;
  bool held_ = false;
  bool found_taken_ = false;
};

std::unique_ptr<SequenceQueue> OpenFileQueue(const std::string& database_path,
                                             const std::string& key) {
  if (database_path.empty() || database_path == ":memory:" || database_path.rfind("file:", 0) == 0)
    return nullptr;
  const int fd = open((database_path + "-queue").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0)
    return nullptr;  // a read-only directory: the row protocol alone
  return std::make_unique<FileLockQueue>(fd, static_cast<off_t>(KeyHash(key) % (1ull << 30)));
}

}  // namespace

std::unique_ptr<SequenceQueue> OpenSequenceQueue(TDatabase& database, const std::string& table,
                                                 std::int32_t gen_id, const std::string& prefix) {
  const std::string key =
      "qgen sequence\n" + std::to_string(gen_id) + "\n" + Utf8(database, prefix);
  if (database.Kind() == "postgresql")
    return std::make_unique<AdvisoryLockQueue>(database, key, Utf8(database, table));
  return OpenFileQueue(database.FilePath(), Utf8(database, table) + "\n" + key);
}

}  // namespace qgen
