// TGenerator: the non-visual component that issues successive masked values
// (document and invoice numbers) from one sequence shared, through one row of
// the generator table, by every program on every machine that uses the table.
// Applications set Mask, DataSource and the limits, then call Generator for
// each new value and Undo to take the last one back. One thread uses an
// instance and its database; generators on other threads, each with a
// database connection of its own, may draw from the same sequence at once.
// Programs coordinate through the row's busy flag; programs of ours also wait
// their turn in the sequence's queue (see UseQueue), and on PostgreSQL draw a
// value in one statement where the row is free (see StepRowAtOnce).
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/Component.h"
#include "framework/Event.h"
#include "framework/Exception.h"
#include "gensrc/GenMask.h"

namespace qgen {

class TDataSet;
class TDataSource;
class TDatabase;
class GeneratorRow;
class SequenceQueue;

// Asked for the characters of the mask's '@' symbols (one per symbol, in mask
// order); the handler may replace them.
using TGenProcEvent = TEvent<TObject*, TmString&>;
// Told of an overflow, an underflow or a refused undo, with a copy of the value.
using TGOverFlowEvent = TEvent<TObject*, TmString>;
// Called in place of resetting the counting part to its start; nvSuffix is the
// generator's working counting part, and a value stored there is kept.
using TOnNewRecord = TEvent<TObject*, TmString&>;

// Raised by Generator when the row could not be taken within RetryTimeout,
// with the message "Gentbl is busy. Try again!": the caller may try again.
class EGeneratorBusy : public Exception {
 public:
  using Exception::Exception;
};

class TGenerator : public TComponent {
 public:
  // Takes an identity (a time stamp unique within the process), draws its own
  // back-off length and creates its mask engine.
  explicit TGenerator(TComponent* owner);
  // Frees the mask engine; leaves the data source and the table alone.
  ~TGenerator() override;

  // Opens the table (InitDB) once a form has been read, unless designing.
  void Loaded() override;

  // Published properties, read here and written by their setters. StartValue
  // and EndValue are the limits as assigned (the text is kept even when the
  // engine refused it as invalid); the limits counting obeys are the engine's
  // own copies (GenMask->StartValue and EndValue), which tools that show the
  // limits in force read.
  const std::string& Mask() const { return FMask; }
  TDataSource* DataSource() const { return FDataSource; }
  const TmString& StartValue() const { return FStartValue; }
  const TmString& EndValue() const { return FEndValue; }

  // Parses the picture into the engine. An empty picture sets GenError. A
  // picture that does not parse raises Exception; Mask keeps the new text and
  // the engine is left without symbols.
  void SetMask(const std::string& Value);
  // Takes the table from Value's dataset and, outside loading and designing,
  // opens and checks it (InitDB). None clears DataSource and GenTable and opens
  // nothing. Both references are cleared when either object is destroyed.
  void FSetDataSource(TDataSource* Value);
  // Store a limit of the counting part (suffix form), validated by the engine,
  // and compare it with the other limit: out of order, a notice is shown,
  // StartValue is emptied and GenError set; in order, GenError is cleared.
  // Ignored (the property stays empty) while no mask is parsed.
  void SetStartValue(const TmString& Value);
  void SetEndValue(const TmString& Value);

  // Opens GenTable and checks its seven columns. Any failure shows "Error while
  // opening generator table \r\nCheck DataSource!" and sets GenError; nothing
  // is raised. A usable table without a unique key on (GenID, Prefix) gets one
  // notice saying so (caption "Generator Information").
  virtual void InitDB();
  // Sets the working value to the start of the sequence (or lets OnNewRecord
  // choose it) and takes WorkSuffix and WorkPrefix from the engine.
  virtual void NullRecord();
  // Sets the working value to the end of the sequence and takes WorkSuffix and
  // WorkPrefix from the engine.
  virtual void FullRecord();
  // One attempt to take the current row of GenTable: true when this instance
  // holds it and WorkSuffix and the engine hold the stored counting part. A
  // free row is marked busy and signed in one write (a row that still holds
  // this instance's latest mark, its reply lost, is taken as held); busy rows
  // get their wait count raised or, when stale (a wait count above 10 or not a number, a mark
  // more than a second old or unreadable), are freed. Every failed write is
  // cancelled. Raises only what it does not guard (a field missing).
  virtual bool ReadDATA();
  // ReadDATA's usual case in one statement, tried first on a table whose
  // (GenID, Prefix) is unique: the row, where it is free, is marked busy,
  // signed and read back, and then held as ReadDATA holds it. False when it
  // is busy or missing, or the statement failed (a failure counted as
  // ReadDATA counts it); ReadDATA's steps follow.
  virtual bool TakeRowAtOnce();
  // One statement that marks the row, stores the value that follows and
  // frees it again, where the row is free and holds one of `from` (the
  // value there becomes the `to` at the same place; GeneratorRow::
  // StepIfFree). True when it was written: WorkSuffix and the engine hold the
  // value stored. Generator tries it first where the database server queues
  // the writers of a row (PostgreSQL), from the value this instance last drew
  // or, the first time, read: the turn then never waits for a program between
  // mark and write-back, and the row is marked only when it is found busy. With `flush_later` the
  // commit does not wait for the disk (FlushIssued makes the value durable). False when the row was
  // busy or had moved on too far: the queue and the protocol's steps follow.
  virtual bool StepRowAtOnce(const std::vector<std::string>& from,
                             const std::vector<std::string>& to, bool flush_later);
  // Issues the next value: "" when there is no open table or GenError is set;
  // the static value when the mask does not count; otherwise the start value
  // for a new prefix or the stored value counted on. Raises "Can not generate
  // new record!" when the row can be neither inserted nor found, and "Gentbl is
  // busy. Try again!" (EGeneratorBusy) when the row could not be taken within
  // RetryTimeout; when by then the table cannot even be read (the database
  // went away), the database's own error is raised instead. With UseQueue it
  // first waits its turn in the sequence's queue (not a failed attempt).
  virtual std::string Generator();
  // Takes back the latest value this instance issued and has not taken back
  // yet, for the current prefix and type: only while the row is free, was
  // last written by this instance and still holds that value. A second Undo
  // may then step back onto the value this instance issued before that one,
  // if the row holds it (nobody drew in between). Returns the value after the
  // undo. Refusals call OnUndoFailed or show "Can NOT undo!" and return the
  // unchanged value, the engine left where it was; "" when GenError is set or
  // there is no open table.
  virtual std::string Undo();
  // A short pause between attempts (through the clock's SleepFor): WaitCount
  // + 1 microseconds and a random part whose bound doubles with each pause of
  // one Generator call, from 0.8 ms up to 3.2 ms.
  virtual void Wait();

  // Writes WorkSuffix into the current (taken) row, stamps it and frees it.
  // False, with the change cancelled, when the row cannot be written; a write
  // whose outcome is not known (its reply lost) is decided by reading the row.
  bool WriteDATA();
  // Waits until the value WriteDATA stored is on disk, where its commit did
  // not wait (see WriteDATA); raises EDatabaseError when the disk fails.
  void FlushIssued();
  // Inserts the row of (GeneratorType, prefix) holding the start value. False,
  // with the insert cancelled, when it cannot be inserted.
  bool MakeNewRecord();
  // True when Stamp is more than 1000 ms old by its second and millisecond
  // digits, or when those are not a number (a missing or damaged stamp).
  bool CheckTimeOut(const TmString& Stamp);

  // The mask engine's callbacks (Sender is the engine and is not passed on).
  void pGetPROC(TObject* Sender, TmString& S);
  void pOverFlow(TObject* Sender, TmString S);
  void pSubOver(TObject* Sender, TmString S);

  // Fields, in declaration order.
  TDataSet* GenTable = nullptr;  // the generator table; not owned

 protected:
  std::string FMask;
  TmString FStartValue;
  TmString FEndValue;

 public:
  std::unique_ptr<TGenMask> GenMask;
  TGenProcEvent GetUserPrefixes;
  TGOverFlowEvent OnOverFlowMask;
  TGOverFlowEvent OnSubOverMask;
  TOnNewRecord OnNewRecord;
  TGOverFlowEvent OnUndoFailed;
  std::int32_t GeneratorType = 0;

 protected:
  TDataSource* FDataSource = nullptr;

 public:
  std::int32_t WaitCount = 0;  // 0..999, drawn once: the length of Wait
  std::int32_t FailCount = 0;  // consecutive failed lock or read steps
  TmString WorkPrefix;
  TmString WorkSuffix;
  TmString RowSuffix;
  bool GenError = false;
  std::string InstanceStamp;  // 17 digits: this instance in the Who column

  // How long Generator keeps trying to take a busy row, in milliseconds,
  // before it raises "Gentbl is busy. Try again!".
  int RetryTimeout = 10000;
  // Wait in the sequence's queue before taking a busy row (the default). Off,
  // the generator follows the row's protocol alone, as other programs may
  // (on PostgreSQL still drawing in one statement where the row is free).
  bool UseQueue = true;

 protected:
  // Clears DataSource and GenTable when either of them is destroyed.
  void Notification(TComponent* component, TOperation operation) override;

 private:
  struct QueueKey {
    TDatabase* database = nullptr;
    std::string table;
    std::int32_t gen_id = 0;
    std::string prefix;
    bool operator==(const QueueKey&) const = default;
  };

  // Pauses taken so far in the current Generator call (sets the next one's length).
  std::int32_t PauseRound = 0;
  // Values this instance issued and has not taken back, the latest last, for
  // the sequence (GenID, prefix) of issued_key_.
  std::deque<std::string> issued_;
  std::pair<std::int32_t, std::string> issued_key_;
  // The last write-back was committed without waiting for the disk, on the
  // database's session flush_session_ (TDatabase::Session).
  bool flush_pending_ = false;
  std::uint64_t flush_session_ = 0;
  // This call's turn in the queue was held by another program first.
  bool turn_was_taken_ = false;
  // GenTable has a unique key on (GenID, Prefix) (InitDB found one).
  bool unique_key_ = false;
  // The queue of the sequence last drawn from, and until when (SteadyNow) to
  // draw without it after it was found stuck.
  std::unique_ptr<SequenceQueue> queue_;
  QueueKey queue_key_;
  std::chrono::microseconds queue_rest_until_{0};
  // The time of this instance's latest mark: a busy row signed with it is ours.
  std::string mark_stamp_;
  // The value this instance last stored or drew for the sequence
  // (GenID, prefix) of anchor_key_: where DrawInOneWrite's values start.
  std::string anchor_;
  std::pair<std::int32_t, std::string> anchor_key_;
  // This instance's last DrawInOneWrite found the row holding the value
  // this instance drew before it: nobody else drew in between.
  bool drew_alone_ = false;
  // How many values a window holds (see kShortestStepWindow).
  std::size_t step_window_ = 0;
  // Successors met the end of the sequence (pWindowEnd was called).
  bool window_end_ = false;

  // The notice of InitDB about a table without a unique key on (GenID, Prefix);
  // sets unique_key_.
  void WarnWithoutUniqueKey();
  // The row (GeneratorType, WorkPrefix) of GenTable.
  GeneratorRow Row();
  // Positions GenTable on the row (GeneratorType, WorkPrefix).
  bool LocateRow();
  // After ReadDATA took the row: counts on and writes the value back. False
  // when the row turned out not to be ours or the write-back failed.
  bool CountOnAndWriteBack();
  // The lock and read steps of ReadDATA on a free row.
  bool TakeFreeRow(GeneratorRow& row);
  // The usual draw: TakeRowAtOnce and the next value written back. False
  // when that did not happen: the protocol's steps take over.
  bool DrawAtOnce();
  // The values that may follow `stored` in the sequence, up to a window's
  // length or the end of the sequence, each paired with the value before it
  // (`from`, starting with `stored`). The engine is left as it was and no
  // handler or notice is called; both empty when `stored` does not count on.
  void Successors(const std::string& stored, std::vector<std::string>& from,
                  std::vector<std::string>& to);
  // The engine's overflow handler while Successors counts.
  void pWindowEnd(TObject* Sender, TmString S);
  // The pairs of values StepRowAtOnce is given: each value in the window
  // (`from`) and the one that follows it (`to`).
  struct Window {
    std::vector<std::string> from;
    std::vector<std::string> to;
  };
  // Whether StepRowAtOnce may be used (see there).
  bool MayDrawInOneWrite();
  // The window that follows the value this instance last stored or drew for
  // the current sequence; empty when there is none.
  Window OneWriteWindow();
  // StepRowAtOnce on `window`, with the value drawn made ready to hand out:
  // kept for Undo and flushed by FlushIssued.
  bool DrawInOneWrite(const Window& window);
  // Reads the row and, where it is free, DrawInOneWrite on a window from
  // where it stands (then `window`), twice as long when the row had moved on
  // past the last one. False when it is busy, missing or cannot be read.
  bool CatchUpAndDrawInOneWrite(Window& window);
  // The protocol's retry loop on the located row, until a value is issued or
  // `give_up` (SteadyNow) has passed; where one statement can draw, a free
  // row is drawn from that way (`window` as in CatchUpAndDrawInOneWrite).
  void DrawFromRow(std::chrono::microseconds give_up, Window& window);
  // Holds the marked row: reads the stored value into WorkSuffix and the engine.
  bool HoldRow(GeneratorRow& row);
  // A failed lock or read step: counted, with the busy notice from the tenth.
  void CountFailure();
  // The sequence's queue when UseQueue is set and the table has one, else nullptr.
  SequenceQueue* Queue();
  // Waits for this program's turn until `give_up`; false when it goes on
  // without one (no queue, a queue that has not moved for the stale time, a
  // row that cannot be read). Where DrawAtOnce can be used, the first request
  // carries its TakeRowAtOnce behind it; `marked` tells whether that took
  // the row (with the turn, or after the wait ran out, without it), and is
  // empty when it was not tried.
  // With a `window` to draw in, the first request carries DrawInOneWrite
  // instead of the mark, and `drawn` tells whether that drew the value.
  bool WaitForTurn(std::chrono::microseconds give_up, const Window* window,
                   std::optional<bool>& marked, bool& drawn);
  // What shows that the row moves on: its stored value and time; "" when none.
  std::string RowProgress();
  // Keeps `value` as issued by this instance; `stored_before` is what the row
  // held before it ("" for a new row).
  void RememberIssued(const std::string& stored_before, const std::string& value);
  // True when Undo may take back the latest value issued: the row, located,
  // is free, signed by this instance and holds that value, as the engine does.
  bool MayUndo();
  // The refusal of Undo: OnUndoFailed, else the "Can NOT undo!" notice.
  void UndoRefused();
  // Lets go of the data source and the table (and their free notifications).
  void ReleaseReferences();
};

}  // namespace qgen
