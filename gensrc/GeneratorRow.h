// GeneratorRow: one sequence's row of the generator table as TGenerator's
// protocol reads and writes it. It holds the protocol's Edit / set / Post /
// Cancel sequences and its column names once; TGenerator's published routines
// (ReadDATA, WriteDATA, MakeNewRecord, Undo) call it. Used by the thread that
// uses the generator.
//
// Every write is a compare-and-set (the dataset's optimistic check) on the
// columns that decide who holds the row and what it stores: GenID, Prefix,
// Suffix, LastTime, State and Who. Try is left out, so that a waiter counting
// its wait never makes the holder's write fail, while taking a stale mark
// over (State) does. Why that is safe: a write-back turns the stored value v
// into its successor and requires Suffix = v, so once one writer has written
// the successor of v no other write-back over v can match; only a step back
// to v (an undo, which takes the successor back) could make the row hold v
// again. Two programs whose identities (Who) collided in one millisecond do
// not change this: the check on Suffix alone forbids the second write of the
// successor; LastTime, which every mark renews, keeps the one whose mark was
// taken over from writing over the other's newer mark. The mark made in one
// statement with the row's read (LocateAndMarkIfFree) checks only that the row
// is free, the one condition of a mark, and reads back what it marked.
// StepIfFree is a mark and a write-back made in one statement under the
// database's row lock: it requires the row free (the mark's condition) and
// holding v (the write-back's), and writes the successor of that very v, so
// it leaves the row as the two writes would and no program can see anything
// between them. A program that read the row free before it and marks after
// it marks the row as it now stands, as after any other program's quick mark
// and write-back.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qgen {

class TDataSet;
class TDatabase;

class GeneratorRow {
 public:
  // The row (gen_id, prefix) of `table` (the generator table, open, not
  // owned); `database` is the database it lives in when known (a TTable's),
  // not owned, else nullptr. `prefix` is engine text.
  GeneratorRow(TDataSet& table, TDatabase* database, std::int32_t gen_id, std::string prefix);
  GeneratorRow(const GeneratorRow&) = delete;
  GeneratorRow& operator=(const GeneratorRow&) = delete;

  // Reads the row afresh and makes it current; false when there is none.
  // Raises what the dataset raises (a database that went away).
  bool Locate();

  // What the current record holds. Text comes without trailing blanks (a
  // fixed-width char(n) column is padded with them).
  bool Free() const;  // State is 0
  std::string Suffix() const;
  std::string Who() const;
  std::string LastTime() const;
  // The wait count, or nothing when it is not a number (another program's
  // damaged or empty value).
  std::optional<double> Tries() const;

  // The writes. Each returns true when written and false, with its change
  // cancelled, when the row was not as read (another program wrote it first)
  // or the dataset refused; they raise only what they do not guard (a field
  // missing from the table).
  //
  // Inserts the row holding `suffix`, free, signed by `who` at `stamp`.
  bool Insert(const std::string& suffix, const std::string& who, const std::string& stamp);
  // Marks the free row busy and signs it in one write: State 1, Who, Try 0
  // and LastTime together, so that nobody sees a fresh mark with the previous
  // writer's time. The mark holds no value and is committed without waiting
  // for the disk where the database allows it: the write-back that follows is
  // made durable (by its own commit, or by the log's sync after it), which
  // takes every earlier change with it.
  bool MarkAndSign(const std::string& who, const std::string& stamp);
  // Locates the row and marks and signs it in one statement, as MarkAndSign
  // does, when it is free; the row as marked is then current. False when it
  // is not free or not there. Raises what the dataset raises (the statement
  // failed, or its reply was lost: the row tells whether it was made). Only
  // for a table whose key (GenID, Prefix) is unique.
  bool LocateAndMarkIfFree(const std::string& who, const std::string& stamp);
  // The mark and the write-back in one statement, where the row is free and
  // holds one of `from`: the row gets the `to` at the same place (the value
  // that follows the one it held), is signed by `who` at `stamp` and stays
  // free, as MarkAndSign and WriteBack would leave it; the row as written is
  // then current. The database picks the pair from the row as it stands
  // when it writes it, so writers queued on the row each take the next
  // value. With `flush_later` the commit does not wait for the disk: the
  // caller flushes the database's commits (TDatabase::FlushCommits) before
  // it hands the value out. False when the row is busy, holds none of `from`, or is not there;
  // a statement that failed is decided by reading the row, as WriteBack
  // decides. Only for a table whose key (GenID, Prefix) is unique.
  bool StepIfFree(const std::vector<std::string>& from, const std::vector<std::string>& to,
                  const std::string& who, const std::string& stamp, bool flush_later);
  // Raises the wait count of a busy row by one.
  bool CountWait();
  // Frees a stale busy mark (State 0 only).
  bool FreeStaleMark();
  // Stores the next value and frees the row: Suffix, Try 0, LastTime, Who,
  // State 0. A write that failed may still have been made (its reply lost
  // with the connection): the row is then read again, and the write counts as
  // done when the row holds exactly what it wrote. With `flush_later` the
  // commit does not wait for the disk: the caller flushes the database's
  // commits (TDatabase::FlushCommits) before it hands the value out.
  bool WriteBack(const std::string& suffix, const std::string& who, const std::string& stamp,
                 bool flush_later = false);
  // Undo's write into the free row: Suffix and LastTime; decided the same way.
  bool StepBack(const std::string& suffix, const std::string& who, const std::string& stamp);

 private:
  // Runs `set` on the current record between Edit and Post with the protocol's
  // optimistic check; `check` names the compared columns.
  template <typename Set>
  bool Write(const char* check, Set set);
  // After a write that failed: reads the row again and tells whether it holds
  // one of `suffixes`, signed by `who` at `stamp`, and is free.
  bool Holds(const std::vector<std::string>& suffixes, const std::string& who,
             const std::string& stamp);
  // Drops a change that a failed write left pending.
  void CancelPending();
  std::string Text(const char* column) const;

  TDataSet& table_;
  TDatabase* database_;
  std::int32_t gen_id_;
  std::string prefix_;
};

}  // namespace qgen
