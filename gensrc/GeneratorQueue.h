// SequenceQueue: the line in which programs of ours wait for one sequence of
// the generator table, so that waiters take turns instead of racing for the
// row and rewriting it while its holder works. On PostgreSQL it is a session
// advisory lock on the sequence's key (the server lets go of it when a program
// dies); on SQLite an open-file-description lock on a file beside the
// database, which every local program and thread shares.
//
// The queue is an addition, never the protocol: the row's busy flag still
// decides who holds the row, programs that do not use the queue draw beside
// those that do, and a wait in the queue is bounded, so that a holder that
// stopped without dying is still taken over by the row's stale rules. Used by
// the thread that uses the generator, on that generator's database.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

namespace qgen {

class TDatabase;

class SequenceQueue {
 public:
  SequenceQueue() = default;
  SequenceQueue(const SequenceQueue&) = delete;
  SequenceQueue& operator=(const SequenceQueue&) = delete;
  // Leaves the queue if this program has the turn.
  virtual ~SequenceQueue() = default;

  // Waits for this program's turn, at most `limit` (pauses go through the
  // clock's SleepFor). True when it has the turn, to keep until Leave; false
  // when the wait ran out or the queue cannot be used now. Never raises.
  virtual bool Enter(std::chrono::milliseconds limit) = 0;
  // Asks for the turn as Enter does, but returns at once where the database
  // runs statements behind a request whose answer has not come (PostgreSQL):
  // the caller's next statements on that database go out behind it and run
  // once the turn is given or the wait ran out, and Entered tells which.
  // Elsewhere it waits as Enter does. Never raises.
  virtual void Request(std::chrono::milliseconds limit) { requested_ = Enter(limit); }
  // Whether the last Request gave the turn (to keep until Leave). Never raises.
  virtual bool Entered() { return requested_; }
  // Whether Request returns before its answer has come.
  virtual bool SendsRequests() const { return false; }
  // Whether the last Enter or Request that gave the turn found it held by
  // another program first: a sign that others wait behind this one.
  virtual bool FoundTaken() const = 0;
  // Gives the turn to the next waiter. Never raises.
  virtual void Leave() = 0;

 private:
  bool requested_ = false;
};

// The queue of the sequence (table, gen_id, prefix) of `database` (not owned;
// it must outlive the queue), or nullptr where there can be none: an SQLite
// database in memory or in a directory where the queue's file cannot be made.
// `table` and `prefix` are engine text. Never raises.
std::unique_ptr<SequenceQueue> OpenSequenceQueue(TDatabase& database, const std::string& table,
                                                 std::int32_t gen_id, const std::string& prefix);

}  // namespace qgen
