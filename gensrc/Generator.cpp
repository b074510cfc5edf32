#include "gensrc/Generator.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "dataaccess/DataSet.h"
#include "dataaccess/DataSource.h"
#include "dataaccess/Field.h"
#include "framework/Clock.h"
#include "framework/Exception.h"
#include "framework/Messages.h"
#include "framework/Text.h"
#include "framework/Variant.h"
#include "gensrc/TimeStamp.h"

namespace qgen {

namespace {

const char kKeyFields[] = "GenID;Prefix";
const char kInfoCaption[] = "Generator Information";
const char kBusyText[] = "Gentbl is busy. Try again!";

// Failed lock or read steps in a row before the busy notice is shown.
constexpr std::int32_t kFailuresBeforeNotice = 10;
// A busy row whose wait count exceeds this is taken over.
constexpr std::int64_t kMaxTries = 10;
// A busy mark older than this (milliseconds) is taken over.
constexpr std::int32_t kStaleMilliseconds = 1000;
// Bounds of the random part of the pause between two attempts (see Wait).
constexpr std::int64_t kShortestExtraPauseMicroseconds = 800;
constexpr std::int64_t kLongestExtraPauseMicroseconds = 3200;

// The second and millisecond digits of a stamp as one number; raises
// EConvertError when they are not a number.
std::int32_t SecondsAndMilliseconds(const std::string& stamp) {
  const std::size_t from = stamp.size() >= 5 ? stamp.size() - 5 : 0;
  return StrToInt(stamp.substr(from, 5));
}

}  // namespace

TGenerator::TGenerator(TComponent* owner) : TComponent(owner) {
  GeneratorType = 0;
  InstanceStamp = UniqueTimeStamp();
  Randomize();
  WaitCount = Random(1000);
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
  } catch (...) {
    ShowMessage("Error while opening generator table \r\nCheck DataSource!");
    GenError = true;
  }
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

void TGenerator::CancelPending() {
  if (GenTable == nullptr)
    return;
  try {
    const TDataSetState state = GenTable->State();
    if (state == dsEdit || state == dsInsert)
      GenTable->Cancel();
  } catch (...) {
    // The write has already failed and is reported; a failing Cancel adds nothing.
  }
}

bool TGenerator::MakeNewRecord() {
  try {
    NullRecord();
    GenTable->Insert();
    GenTable->FieldByName("GenID")->SetValue(Variant(GeneratorType));
    GenTable->FieldByName("Prefix")->SetAsString(WorkPrefix.str());
    GenTable->FieldByName("Suffix")->SetAsString(WorkSuffix.str());
    GenTable->FieldByName("LastTime")->SetAsString(GetTimeStamp());
    GenTable->FieldByName("State")->SetValue(Variant(0));
    GenTable->FieldByName("Try")->SetValue(Variant(0));
    GenTable->FieldByName("Who")->SetAsString(InstanceStamp);
    GenTable->Post();
    return true;
  } catch (...) {
    CancelPending();
    return false;
  }
}

bool TGenerator::WriteDATA() {
  try {
    GenTable->Edit();
    GenTable->FieldByName("Suffix")->SetAsString(WorkSuffix.str());
    GenTable->FieldByName("Try")->SetValue(Variant(0));
    GenTable->FieldByName("LastTime")->SetAsString(GetTimeStamp());
    GenTable->FieldByName("Who")->SetAsString(InstanceStamp);
    GenTable->FieldByName("State")->SetValue(Variant(0));
    GenTable->Post();
    return true;
  } catch (...) {
    CancelPending();
    return false;
  }
}

bool TGenerator::ReadDATA() {
  const auto busy_notice = [&] {
    ++FailCount;
    if (FailCount >= kFailuresBeforeNotice) {
      MessageBox(kBusyText, "Generator", MB_OK | MB_ICONINFORMATION);
    }
  };

  if (GenTable->FieldByName("State")->Value() == Variant(0)) {
    // The row is free: mark it busy first, so that only one instance goes on.
    try {
      GenTable->Edit();
      GenTable->FieldByName("State")->SetValue(Variant(1));
      GenTable->Post();
      FailCount = 0;
    } catch (...) {
      CancelPending();
      busy_notice();
      return false;
    }
    // Then sign it and read the stored value.
    try {
      GenTable->Edit();
      GenTable->FieldByName("Who")->SetAsString(InstanceStamp);
      GenTable->FieldByName("Try")->SetValue(Variant(0));
      GenTable->FieldByName("LastTime")->SetAsString(GetTimeStamp());
      GenTable->Post();
      FailCount = 0;
      RowSuffix = GenTable->FieldByName("Suffix")->AsString();
      WorkSuffix = RowSuffix;
      GenMask->SetSuffix(WorkSuffix);
      return true;
    } catch (...) {
      CancelPending();
      busy_notice();
      return false;
    }
  }

  // The row is busy: free it when the mark is stale, else count the wait.
  const Variant tries = GenTable->FieldByName("Try")->Value();
  const bool stale = tries > Variant(kMaxTries) ||
                     CheckTimeOut(TmString(GenTable->FieldByName("LastTime")->Value().ToString()));
  try {
    GenTable->Edit();
    if (stale) {
      GenTable->FieldByName("State")->SetValue(Variant(0));
    } else {
      GenTable->FieldByName("Try")->SetValue(tries + 1);
    }
    GenTable->Post();
  } catch (...) {
    CancelPending();
    Wait();
  }
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
  // Every waiter that finds the row busy writes its wait count, and each such
  // write makes the holder's next post fail: waiters that come back at once
  // take the row from a holder at work again and again, and under contention
  // the row changes hands far more often than values are issued. So on top of
  // this instance's own WaitCount + 1 microseconds, each pause of one call
  // adds a random part whose bound doubles from about a commit's time to a few
  // commits', which also keeps instances that collided apart.
  const auto bound = static_cast<std::int32_t>(std::min<std::int64_t>(
      kLongestExtraPauseMicroseconds, kShortestExtraPauseMicroseconds << std::min(PauseRound, 16)));
  ++PauseRound;
  std::this_thread::sleep_for(std::chrono::microseconds(WaitCount + 1 + Random(bound)));
}

bool TGenerator::LocateRow() {
  return GenTable->Locate(kKeyFields,
                          Variant::Array({Variant(GeneratorType), Variant(WorkPrefix.str())}));
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

  if (!LocateRow()) {
    if (MakeNewRecord())
      return GenMask->GetMskValue().str();
    // Another instance may have inserted the row since we looked: use its row.
    if (!LocateRow())
      throw Exception("Can not generate new record!");
  }

  FailCount = 0;
  PauseRound = 0;
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::milliseconds(RetryTimeout);
  bool ok = false;
  while (!ok) {
    ok = ReadDATA();
    if (ok) {
      if (GenTable->FieldByName("Who")->AsString() != InstanceStamp) {
        // Someone else holds the row after all: handing back the value we
        // issued before would issue it twice, so try again instead.
        ok = false;
        Wait();
      } else {
        const TmString kept = WorkSuffix;
        GenMask->Increment();
        WorkSuffix = GenMask->GetSuffix();
        ok = WriteDATA();
        if (!ok)
          WorkSuffix = kept;
      }
    } else {
      Wait();
    }
    if (!ok && std::chrono::steady_clock::now() >= give_up) {
      // The attempts swallow every failure, so a database that went away
      // looks like a busy row. Reading the row once more tells them apart: a
      // database that cannot be reached raises its own error here.
      LocateRow();
      throw EGeneratorBusy(kBusyText);
    }
  }
  return GenMask->GetMskValue().str();
}

void TGenerator::UndoRefused() {
  if (OnUndoFailed) {
    OnUndoFailed(this, GenMask->GetMskValue());
  } else {
    ShowMessage("Can NOT undo!");
  }
}

std::string TGenerator::Undo() {
  if (GenError)
    return "";
  if (GenTable == nullptr || !GenTable->Active()) {
    if (OnUndoFailed)
      OnUndoFailed(this, GenMask->GetMskValue());
    return "";
  }
  std::string result = GenMask->GetMskValue().str();
  if (!LocateRow()) {
    UndoRefused();
    return result;
  }
  // Only the value this instance wrote last, still in the row, may go back.
  // The stored value is compared too: a generator of another process that took
  // its stamp in the same millisecond passes the Who test.
  const bool mine = GenTable->FieldByName("State")->Value() == Variant(0) &&
                    GenTable->FieldByName("Who")->AsString() == InstanceStamp &&
                    GenTable->FieldByName("Suffix")->AsString() == GenMask->GetSuffix().str();
  if (!mine) {
    UndoRefused();
    return result;
  }
  try {
    GenMask->Decrement();
    GenTable->Edit();
    GenTable->FieldByName("Suffix")->SetAsString(GenMask->GetSuffix().str());
    GenTable->FieldByName("LastTime")->SetAsString(GetTimeStamp());
    GenTable->Post();
    result = GenMask->GetMskValue().str();
  } catch (...) {
    CancelPending();
    UndoRefused();
    GenMask->Increment();
  }
  return result;
}

}  // namespace qgen
