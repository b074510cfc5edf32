#include "gensrc/Generator.h"

#include <algorithm>
#include <optional>

#include "dataaccess/DataSet.h"
#include "dataaccess/DataSource.h"
#include "dataaccess/Field.h"
#include "dataaccess/Table.h"
#include "framework/Clock.h"
#include "framework/Exception.h"
#include "framework/Messages.h"
#include "framework/Text.h"
#include "framework/Variant.h"
#include "gensrc/GeneratorQueue.h"
#include "gensrc/GeneratorRow.h"
#include "gensrc/GeneratorTable.h"
#include "gensrc/TimeStamp.h"

namespace qgen {

namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;

const char kInfoCaption[] = "Generator Information";
const char kBusyText[] = "Gentbl is busy. Try again!";

// Failed lock or read steps in a row before the busy notice is shown.
constexpr std::int32_t kFailuresBeforeNotice = 10;
// A busy row whose wait count exceeds this is taken over.
constexpr double kMaxTries = 10;
// A busy mark older than this is taken over.
constexpr std::int32_t kStaleMilliseconds = 1000;
// Bounds of the random part of the pause between two attempts (see Wait).
constexpr std::int64_t kShortestExtraPauseMicroseconds = 800;
constexpr std::int64_t kLongestExtraPauseMicroseconds = 3200;
// How long one wait in the queue may last before the generator looks whether
// the row still moves on: a few times the stale time, so that a long queue on
// a busy machine keeps its order while a stopped holder is found out.
constexpr milliseconds kQueueWait{3 * kStaleMilliseconds};
// How long the request for a turn that carries the mark behind it may wait.
// The mark's time is taken when it is sent, so a mark written after this
// wait looks older by as much to programs that judge marks stale; a fifth of
// the stale time keeps it far from stale, and is many turns long.
constexpr milliseconds kCarriedWait{kStaleMilliseconds / 5};
// How long a generator draws without the queue once it found the queue stuck.
constexpr milliseconds kQueueRest{10000};
// How many values one instance keeps for Undo.
constexpr std::size_t kMostUndoable = 1000;
// How far the row may have moved on since this instance last drew for
// DrawInOneWrite still to find it, at first: several times the values other
// programs draw in between when a dozen draw at once. The window doubles,
// up to the longest, whenever the row had moved on further.
constexpr std::size_t kShortestStepWindow = 64;
constexpr std::size_t kLongestStepWindow = 1024;

// The second and millisecond digits of a stamp as one number; raises
// EConvertError when they are not a number.
std::int32_t SecondsAndMilliseconds(const std::string& stamp) {
  const std::size_t from = stamp.size() >= 5 ? stamp.size() - 5 : 0;
  return StrToInt(stamp.substr(from, 5));
}

// This program's turn in a sequence's queue for one Generator call: handed on
// by Leave once the value is stored, or when the call ends.
class Turn {
 public:
  explicit Turn(SequenceQueue* held) : held_(held) {}
  Turn(const Turn&) = delete;
  Turn& operator=(const Turn&) = delete;
  ~Turn() { Leave(); }
  void Leave() {
    if (held_)
      held_->Leave();
    held_ = nullptr;
  }

 private:
  SequenceQueue* held_;
};

TDatabase* DatabaseOf(TDataSet& table) {
  auto* real = dynamic_cast<TTable*>(&table);
  return real ? real->Database() : nullptr;
}

}  // namespace

TGenerator::TGenerator(TComponent* owner) : TComponent(owner) {
  GeneratorType = 0;
  InstanceStamp = UniqueTimeStamp();
  Randomize();
  WaitCount = Random(1000);
  step_window_ = kShortestStepWindow;
  GenError = false;
  GenMask = std::make_unique<TGenMask>();
  GenMask->OnGetPROC = TGenMaskEvent::Bind<&TGenerator::pGetPROC>(this);
  GenMask->OnOverFlow = TGenMaskEvent::Bind<&TGenerator::pOverFlow>(this);
  GenMask->OnSubOver = TGenMaskEvent::Bind<&TGenerator::pSubOver>(this);
}

TGenerator::~TGenerator() {
  GenMask.reset();
}

void TGenerator::Loaded() {
  TComponent::Loaded();
  if (!InState(csDesigning))
    InitDB();
}

void TGenerator::ReleaseReferences() {
  if (FDataSource)
    RemoveFreeNotification(FDataSource);
  if (GenTable)
    RemoveFreeNotification(GenTable);
  FDataSource = nullptr;
  GenTable = nullptr;
}

void TGenerator::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove || component == nullptr)
    return;
  if (component == FDataSource || component == GenTable)
    ReleaseReferences();
}

void TGenerator::FSetDataSource(TDataSource* Value) {
  if (Value == FDataSource)
    return;
  ReleaseReferences();
  if (Value == nullptr)
    return;  // no data source: no table, nothing to open
  FDataSource = Value;
  GenTable = Value->DataSet();
  FreeNotification(FDataSource);
  if (GenTable)
    FreeNotification(GenTable);
  if (!InState(csDesigning) && !InState(csLoading))
    InitDB();
}

void TGenerator::SetMask(const std::string& Value) {
  if (Value.empty())
    GenError = true;
  FMask = Value;
  GenMask->ScanMask(FMask);
}

void TGenerator::SetStartValue(const TmString& Value) {
  FStartValue.clear();
  if (GenMask->Count == 0)
    return;
  FStartValue = Value;
  GenMask->SetStartValue(FStartValue);
  if (!FEndValue.empty() && !FStartValue.empty()) {
    if (CompareText(FEndValue, FStartValue) > 0) {
      GenError = false;
    } else {
      MessageBox("StartValue must be lower than EndValue", kInfoCaption, MB_OK | MB_ICONERROR);
      FStartValue.clear();
      GenError = true;
    }
  }
}

void TGenerator::SetEndValue(const TmString& Value) {
  FEndValue.clear();
  if (Value.empty() || GenMask->Count == 0)
    return;
  FEndValue = Value;
  GenMask->SetEndValue(FEndValue);
  if (!FStartValue.empty() && !FEndValue.empty()) {
    if (CompareText(FEndValue, FStartValue) > 0) {
      GenError = false;
    } else {
      MessageBox("EndValue must be greater than StartValue", kInfoCaption, MB_OK | MB_ICONERROR);
      FStartValue.clear();
      GenError = true;
    }
  }
}

void TGenerator::pGetPROC(TObject* /*Sender*/, TmString& S) {
  if (GetUserPrefixes)
    GetUserPrefixes(this, S);
}

void TGenerator::pOverFlow(TObject* /*Sender*/, TmString S) {
  const TmString copy = S;
  if (OnOverFlowMask) {
    OnOverFlowMask(this, copy);
    return;
  }
  NullRecord();
  MessageBox("Incremental part was set to startup value", kInfoCaption, MB_OK | MB_ICONINFORMATION);
}

void TGenerator::pSubOver(TObject* /*Sender*/, TmString S) {
  const TmString copy = S;
  if (OnSubOverMask) {
    OnSubOverMask(this, copy);
    return;
  }
  FullRecord();
  MessageBox("Incremental part was set to end value", kInfoCaption, MB_OK | MB_ICONINFORMATION);
}

void TGenerator::InitDB() {
  try {
    if (GenTable == nullptr)
      throw Exception("no dataset");
    GenTable->Open();
    auto has = [&](const char* name, TFieldType a, TFieldType b) {
      const TField* field = GenTable->FindField(name);
      return field != nullptr && (field->DataType() == a || field->DataType() == b);
    };
    const bool good = has("GenID", ftFloat, ftFloat) && has("Prefix", ftString, ftWideString) &&
                      has("Suffix", ftString, ftWideString) &&
                      has("LastTime", ftString, ftWideString) && has("Try", ftFloat, ftFloat) &&
                      has("State", ftFloat, ftFloat) && has("Who", ftString, ftWideString);
    if (!good)
      throw Exception("Bad table format");
  } catch (const Exception&) {
    ShowMessage("Error while opening generator table \r\nCheck DataSource!");
    GenError = true;
    return;
  }
  WarnWithoutUniqueKey();
}

void TGenerator::WarnWithoutUniqueKey() {
  unique_key_ = false;
  auto* table = dynamic_cast<TTable*>(GenTable);
  if (table == nullptr || table->Database() == nullptr)
    return;
  try {
    unique_key_ = HasUniqueSequenceKey(*table->Database(), table->TableName());
    if (unique_key_)
      return;
  } catch (const Exception&) {
    return;  // a catalog this database does not let us read: nothing to tell
  }
  MessageBox("Generator table '" + table->TableName() +
                 "' has no unique key on (GenID, Prefix): two programs could both add the first "
                 "row of a new sequence and issue its values twice. Add a primary key or a "
                 "unique index on (GenID, Prefix).",
             kInfoCaption, MB_OK | MB_ICONINFORMATION);
}

void TGenerator::NullRecord() {
  if (OnNewRecord) {
    const TmString before = WorkSuffix;
    OnNewRecord(this, WorkSuffix);
    // A value the handler chose is where the sequence starts.
    if (!(WorkSuffix == before))
      GenMask->SetSuffix(WorkSuffix);
  } else {
    GenMask->NullValue();
  }
  WorkSuffix = GenMask->GetSuffix();
  WorkPrefix = GenMask->GetPrefix();
}

void TGenerator::FullRecord() {
  GenMask->FullValue();
  WorkSuffix = GenMask->GetSuffix();
  WorkPrefix = GenMask->GetPrefix();
}

GeneratorRow TGenerator::Row() {
  return GeneratorRow(*GenTable, DatabaseOf(*GenTable), GeneratorType, WorkPrefix.str());
}

bool TGenerator::LocateRow() {
  return Row().Locate();
}

bool TGenerator::MakeNewRecord() {
  try {
    NullRecord();
  } catch (const Exception&) {
    return false;
  }
  return Row().Insert(WorkSuffix.str(), InstanceStamp, GetTimeStamp());
}

bool TGenerator::WriteDATA() {
  // Where the database can make a commit durable afterwards, the write-back's
  // commit does not wait for the disk: the sync comes after the turn is
  // handed on (FlushIssued), so that the next program's draw and this one's
  // sync overlap. Where the flush is a request and a transaction of its own
  // (PostgreSQL) it pays only when others wait for the turn: a program that
  // found the turn free commits durably at once; an SQLite sync costs what a
  // durable commit costs. Inside the caller's own transaction nothing is
  // committed here, and nothing needs syncing.
  TDatabase* database = DatabaseOf(*GenTable);
  const bool flush_later =
      database != nullptr && database->Connected() && !database->InTransaction() &&
      (turn_was_taken_ || !database->FlushIsARequest()) && database->CanFlushCommits();
  if (!Row().WriteBack(WorkSuffix.str(), InstanceStamp, GetTimeStamp(), flush_later))
    return false;
  flush_pending_ = flush_later;
  if (flush_later)
    flush_session_ = database->Session();
  return true;
}

void TGenerator::FlushIssued() {
  if (!flush_pending_)
    return;
  flush_pending_ = false;
  TDatabase* database = DatabaseOf(*GenTable);
  try {
    database->FlushCommits();
    // The write-back's session was lost before the flush: if the server went
    // down, the write-back went with it, and another program may draw the
    // same value.
    if (database->Session() != flush_session_) {
      throw EDatabaseError(
          "Lost the connection to the database after the value was written and before it was "
          "known to be on disk; the value is not handed out: draw again");
    }
  } catch (const Exception&) {
    // The value is stored but not known to be on disk: it is not handed out,
    // nor may an Undo give it back.
    issued_.clear();
    throw;
  }
}

void TGenerator::CountFailure() {
  ++FailCount;
  if (FailCount >= kFailuresBeforeNotice)
    MessageBox(kBusyText, "Generator", MB_OK | MB_ICONINFORMATION);
}

bool TGenerator::TakeFreeRow(GeneratorRow& row) {
  mark_stamp_ = GetTimeStamp();
  if (!row.MarkAndSign(InstanceStamp, mark_stamp_)) {
    CountFailure();
    return false;
  }
  return HoldRow(row);
}

bool TGenerator::DrawAtOnce() {
  return unique_key_ && TakeRowAtOnce() && CountOnAndWriteBack();
}

bool TGenerator::TakeRowAtOnce() {
  mark_stamp_ = GetTimeStamp();
  GeneratorRow row = Row();
  try {
    if (!row.LocateAndMarkIfFree(InstanceStamp, mark_stamp_))
      return false;
  } catch (const Exception&) {
    CountFailure();  // a failed mark, as in TakeFreeRow
    return false;
  }
  return HoldRow(row);
}

bool TGenerator::HoldRow(GeneratorRow& row) {
  FailCount = 0;
  RowSuffix = row.Suffix();
  WorkSuffix = RowSuffix;
  GenMask->SetSuffix(WorkSuffix);
  return true;
}

bool TGenerator::ReadDATA() {
  GeneratorRow row = Row();
  if (row.Free())
    return TakeFreeRow(row);
  // Our own mark, whose reply was lost (the mark was made after all): the
  // row is as the mark left it, and ours.
  if (row.Who() == InstanceStamp && row.LastTime() == mark_stamp_)
    return HoldRow(row);
  // The row is busy: free it when the mark is stale, else count the wait.
  const std::optional<double> tries = row.Tries();
  const bool stale = !tries || *tries > kMaxTries || CheckTimeOut(TmString(row.LastTime()));
  if (!(stale ? row.FreeStaleMark() : row.CountWait()))
    Wait();
  return false;
}

bool TGenerator::CheckTimeOut(const TmString& Stamp) {
  const std::int32_t now = SecondsAndMilliseconds(GetTimeStamp());
  std::int32_t then = 0;
  try {
    then = SecondsAndMilliseconds(Stamp.str());
  } catch (const EConvertError&) {
    // No readable time: nothing shows that the mark is alive.
    return true;
  }
  return now - then > kStaleMilliseconds;
}

void TGenerator::Wait() {
  // On top of this instance's own WaitCount + 1 microseconds, each pause of
  // one call adds a random part whose bound doubles from about a commit's time
  // to a few commits', which keeps instances that collided apart and leaves
  // the holder time to finish.
  const auto bound = static_cast<std::int32_t>(std::min<std::int64_t>(
      kLongestExtraPauseMicroseconds, kShortestExtraPauseMicroseconds << std::min(PauseRound, 16)));
  ++PauseRound;
  SleepFor(microseconds(WaitCount + 1 + Random(bound)));
}

SequenceQueue* TGenerator::Queue() {
  auto* table = dynamic_cast<TTable*>(GenTable);
  if (!UseQueue || table == nullptr || table->Database() == nullptr)
    return nullptr;
  QueueKey key{table->Database(), table->TableName(), GeneratorType, WorkPrefix.str()};
  if (!(key == queue_key_)) {
    queue_ = OpenSequenceQueue(*key.database, key.table, key.gen_id, key.prefix);
    queue_key_ = std::move(key);
  }
  return queue_.get();
}

std::string TGenerator::RowProgress() {
  try {
    GeneratorRow row = Row();
    return row.Locate() ? row.Suffix() + " " + row.LastTime() : "";
  } catch (const Exception&) {
    return "";
  }
}

bool TGenerator::WaitForTurn(microseconds give_up, const Window* window,
                             std::optional<bool>& marked, bool& drawn) {
  turn_was_taken_ = false;
  marked.reset();
  drawn = false;
  SequenceQueue* queue = SteadyNow() < queue_rest_until_ ? nullptr : Queue();
  if (queue == nullptr)
    return false;
  // The holder of the turn normally hands it on within milliseconds. One that
  // has stopped without dying (or shows a message box) would hold everyone
  // up: when the row has not moved on during a whole wait, the queue is left
  // alone for a while and the row's own rules (stale marks) take over. The
  // first wait is shorter and looks at nothing, so that a free or briefly
  // held turn costs one request; only a wait that runs out reads where the row
  // stands. A row that cannot be read (the database is away) says nothing
  // about the queue: the row's steps report the error and the next call
  // queues again, so that all programs are back in line as soon as the
  // database returns.
  //
  // Where the queue's request goes out without waiting for its answer
  // (PostgreSQL), the first one carries the draw's one-statement mark behind
  // it: the server marks the row as soon as the turn is given, and a free
  // turn and the mark cost one round trip together. A mark that ran after
  // that wait ran out and found the row free holds it without the turn, as
  // the row's busy flag allows.
  std::optional<std::string> seen;
  bool carry = unique_key_ && queue->SendsRequests();
  for (milliseconds wait = carry ? kCarriedWait : milliseconds(kStaleMilliseconds);;
       wait = kQueueWait) {
    const auto left = std::chrono::duration_cast<milliseconds>(give_up - SteadyNow());
    if (left.count() <= 0)
      return false;
    queue->Request(std::min(left, wait));
    if (carry && window != nullptr)
      drawn = DrawInOneWrite(*window);
    else if (carry)
      marked = TakeRowAtOnce();
    carry = false;
    if (queue->Entered()) {
      turn_was_taken_ = turn_was_taken_ || queue->FoundTaken();
      return true;
    }
    turn_was_taken_ = true;
    if (marked == true || drawn)
      return false;
    std::string now = RowProgress();
    if (now.empty())
      return false;
    if (now == seen) {
      queue_rest_until_ = SteadyNow() + kQueueRest;
      return false;
    }
    seen = std::move(now);
  }
}

void TGenerator::pWindowEnd(TObject* /*Sender*/, TmString /*S*/) {
  window_end_ = true;
}

void TGenerator::Successors(const std::string& stored, std::vector<std::string>& from,
                            std::vector<std::string>& to) {
  const TmString kept = GenMask->GetSuffix();
  const TGenMaskEvent handler = GenMask->OnOverFlow;
  // The end of the sequence is left to the protocol's steps, which tell the
  // application (OnOverFlowMask or the notice); here it ends the window.
  GenMask->OnOverFlow = TGenMaskEvent::Bind<&TGenerator::pWindowEnd>(this);
  window_end_ = false;
  try {
    GenMask->SetSuffix(TmString(stored));
    std::string before = stored;
    for (std::size_t i = 0; i < step_window_; ++i) {
      GenMask->Increment();
      if (window_end_)
        break;
      std::string next = GenMask->GetSuffix().str();
      from.push_back(before);
      to.push_back(next);
      before = std::move(next);
    }
  } catch (const Exception&) {
    from.clear();
    to.clear();
  }
  GenMask->OnOverFlow = handler;
  GenMask->SetSuffix(kept);
}

bool TGenerator::StepRowAtOnce(const std::vector<std::string>& from,
                               const std::vector<std::string>& to, bool flush_later) {
  GeneratorRow row = Row();
  if (!row.StepIfFree(from, to, InstanceStamp, GetTimeStamp(), flush_later))
    return false;
  return HoldRow(row);
}

bool TGenerator::MayDrawInOneWrite() {
  TDatabase* database = DatabaseOf(*GenTable);
  // SQLite's writers poll for its lock instead of queueing: there, programs
  // take turns through the queue.
  return unique_key_ && database != nullptr && database->Connected() &&
         database->Kind() == "postgresql" && !database->InTransaction() &&
         database->CanFlushCommits();
}

TGenerator::Window TGenerator::OneWriteWindow() {
  Window window;
  if (!anchor_.empty() && anchor_key_ == std::make_pair(GeneratorType, WorkPrefix.str()))
    Successors(anchor_, window.from, window.to);
  return window;
}

bool TGenerator::CatchUpAndDrawInOneWrite(Window& window) {
  // Busy: the queue or the protocol's steps follow. Free, it had moved on
  // past the window (others drew more values than it holds since this
  // instance last drew) or was held for a moment: once more, from where the
  // row stands, with a window twice as long where it was too short.
  std::string now;
  try {
    GeneratorRow row = Row();
    if (!row.Locate() || !row.Free())
      return false;
    now = row.Suffix();
  } catch (const Exception&) {
    return false;  // the protocol's steps report what the database says
  }
  if (!window.from.empty() &&
      std::find(window.from.begin(), window.from.end(), now) == window.from.end())
    step_window_ = std::min(step_window_ * 2, kLongestStepWindow);
  anchor_ = now;
  anchor_key_ = {GeneratorType, WorkPrefix.str()};
  window = OneWriteWindow();
  if (window.to.empty() || !DrawInOneWrite(window))
    return false;
  drew_alone_ = false;  // a row it had to read again was not its own alone
  return true;
}

bool TGenerator::DrawInOneWrite(const Window& window) {
  // The row is locked from the statement to its commit, so a commit that
  // waits for the disk keeps every other program's draw waiting as long. A
  // program that drew alone last time commits durably at once (one round
  // trip); one that others drew beside commits without waiting and flushes
  // after, when the row is free again, and those flushes go to disk together.
  const bool flush_later = !drew_alone_;
  drew_alone_ = false;
  if (!StepRowAtOnce(window.from, window.to, flush_later))
    return false;
  flush_pending_ = flush_later;
  // The session that wrote the value, or that read it back when the reply
  // was lost: should it be lost before the flush, FlushIssued finds it gone.
  flush_session_ = DatabaseOf(*GenTable)->Session();
  const auto at = std::find(window.to.begin(), window.to.end(), WorkSuffix.str());
  drew_alone_ = at == window.to.begin();
  RememberIssued(
      at == window.to.end() ? "" : window.from[static_cast<std::size_t>(at - window.to.begin())],
      WorkSuffix.str());
  return true;
}

std::string TGenerator::Generator() {
  if (GenTable == nullptr || !GenTable->Active())
    return "";
  if (GenError)
    return "";
  const std::string result = GenMask->GetMskValue().str();
  WorkPrefix = GenMask->GetPrefix();
  WorkSuffix = GenMask->GetSuffix();
  if (WorkSuffix.empty())
    return result;

  const microseconds give_up = SteadyNow() + milliseconds(RetryTimeout);
  FailCount = 0;
  PauseRound = 0;
  const bool may_write_once = MayDrawInOneWrite();
  // A value drawn in one statement needs no turn: the server queues the
  // statements of all programs on the row. The queue is for when the row is
  // held between a mark and its write-back. The first draw of an instance
  // starts from the row as it reads it.
  Window window = may_write_once ? OneWriteWindow() : Window{};
  if (may_write_once &&
      ((!window.to.empty() && DrawInOneWrite(window)) || CatchUpAndDrawInOneWrite(window))) {
    FlushIssued();
    return GenMask->GetMskValue().str();
  }
  std::optional<bool> marked;  // by the mark carried behind the queue's request
  bool drawn = false;          // by DrawInOneWrite carried behind it instead
  Turn turn(WaitForTurn(give_up, window.to.empty() ? nullptr : &window, marked, drawn)
                ? queue_.get()
                : nullptr);
  // Where a value can be drawn in one statement the row is marked only by the
  // protocol's steps, once it was found busy: a mark keeps every program's
  // one-statement draw out until its write-back.
  const bool done = drawn || (marked              ? *marked && CountOnAndWriteBack()
                              : window.to.empty() ? DrawAtOnce()
                                                  : CatchUpAndDrawInOneWrite(window));
  if (!done) {
    if (!LocateRow()) {
      if (MakeNewRecord()) {
        RememberIssued("", WorkSuffix.str());
        return GenMask->GetMskValue().str();
      }
      // Another instance may have inserted the row since we looked: use its row.
      if (!LocateRow())
        throw Exception("Can not generate new record!");
    }
    DrawFromRow(give_up, window);
  }
  turn.Leave();
  FlushIssued();
  return GenMask->GetMskValue().str();
}

void TGenerator::DrawFromRow(microseconds give_up, Window& window) {
  // A mark needs the row unchanged from its read to its write. Beside
  // programs that draw in one statement it seldom is, and a program marking
  // there failed attempt after attempt; its own statement takes the row as it
  // stands. The steps are for a busy row and for the sequence's end. The
  // caller has just found the row busy (or its draw failed): the steps come
  // first, on the row as located.
  const bool may_write_once = MayDrawInOneWrite();
  for (;;) {
    if (ReadDATA()) {
      if (CountOnAndWriteBack())
        return;
    } else {
      Wait();
    }
    if (SteadyNow() >= give_up) {
      // The attempts swallow every failure, so a database that went away
      // looks like a busy row. Reading the row once more tells them apart: a
      // database that cannot be reached raises its own error here.
      LocateRow();
      throw EGeneratorBusy(kBusyText);
    }
    if (may_write_once && CatchUpAndDrawInOneWrite(window))
      return;
  }
}

bool TGenerator::CountOnAndWriteBack() {
  if (Row().Who() != InstanceStamp) {
    // Someone else holds the row after all: handing back the value we issued
    // before would issue it twice, so try again instead.
    Wait();
    return false;
  }
  const TmString kept = WorkSuffix;
  GenMask->Increment();
  WorkSuffix = GenMask->GetSuffix();
  if (!WriteDATA()) {
    WorkSuffix = kept;
    return false;
  }
  RememberIssued(kept.str(), WorkSuffix.str());
  return true;
}

void TGenerator::RememberIssued(const std::string& stored_before, const std::string& value) {
  std::pair<std::int32_t, std::string> key{GeneratorType, WorkPrefix.str()};
  // A value drawn by someone else in between ends what may be taken back.
  if (key != issued_key_ || issued_.empty() || issued_.back() != stored_before)
    issued_.clear();
  issued_key_ = key;
  anchor_key_ = std::move(key);
  anchor_ = value;
  if (issued_.size() == kMostUndoable)
    issued_.pop_front();
  issued_.push_back(value);
}

void TGenerator::UndoRefused() {
  if (OnUndoFailed) {
    OnUndoFailed(this, GenMask->GetMskValue());
  } else {
    ShowMessage("Can NOT undo!");
  }
}

bool TGenerator::MayUndo() {
  const std::string mine = GenMask->GetSuffix().str();
  if (issued_.empty() || issued_.back() != mine ||
      issued_key_ != std::make_pair(GeneratorType, WorkPrefix.str()))
    return false;
  GeneratorRow row = Row();
  // The stored value is compared as well as the signature: a generator of
  // another process that took its stamp in the same millisecond passes the
  // Who test.
  return row.Locate() && row.Free() && row.Who() == InstanceStamp && row.Suffix() == mine;
}

std::string TGenerator::Undo() {
  if (GenError)
    return "";
  if (GenTable == nullptr || !GenTable->Active()) {
    if (OnUndoFailed)
      OnUndoFailed(this, GenMask->GetMskValue());
    return "";
  }
  const std::string result = GenMask->GetMskValue().str();
  if (!MayUndo()) {
    UndoRefused();
    return result;
  }
  bool written = false;
  try {
    GenMask->Decrement();
    written = Row().StepBack(GenMask->GetSuffix().str(), InstanceStamp, GetTimeStamp());
  } catch (const Exception&) {
    written = false;
  }
  if (!written) {
    UndoRefused();
    GenMask->Increment();
    return result;
  }
  issued_.pop_back();
  anchor_ = GenMask->GetSuffix().str();
  return GenMask->GetMskValue().str();
}

}  // namespace qgen
