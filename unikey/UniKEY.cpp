#include "unikey/UniKEY.h"

#include "framework/Clock.h"
#include "framework/Exception.h"
#include "gensrc/TimeStamp.h"

namespace qgen {

namespace unikey {
void SpcTo0(std::string& text) {
  for (char& c : text) {
    if (c == ' ')
      c = '0';
  }
}
}  // namespace unikey

namespace {

// True when the field's value is the key stamped last (compared as LastKey
// keeps it: its first 20 characters). A key longer than 20 characters must
// still count as a repeat, or two records in one millisecond would share a key.
bool IsLastKey(const Variant& stored, const TrString& last_key) {
  return !stored.IsNull() && TrString(stored.ToString()) == last_key;
}

}  // namespace

TUniKEY::TUniKEY(TComponent* owner)
    : TComponent(owner), DataLink(std::make_unique<TFieldDataLink>()) {}

TUniKEY::~TUniKEY() {
  DataLink.reset();
  Detach(/*source_alive=*/true);
}

void TUniKEY::SetDataSource(TDataSource* value) {
  // A data source whose destruction has begun could not tell us of its end.
  if (value && value->InState(csDestroying))
    value = nullptr;
  if (value == FDataSource)
    return;
  Detach(/*source_alive=*/true);
  FDataSource = value;
  DataLink->SetDataSource(value);
  if (!value)
    return;
  if (!InState(csDesigning)) {
    // Another TUniKEY's StateChange is not kept: only one is called per data source.
    OldStateChange = value->OnStateChange.IsRoutine<&TUniKEY::StateChange>() ? TNotifyEvent()
                                                                             : value->OnStateChange;
    value->OnStateChange = TNotifyEvent::Bind<&TUniKEY::StateChange>(this);
    attached_source_ = value;
  }
  FreeNotification(value);
  Hooked = false;
}

std::string TUniKEY::GetDataField() const {
  return DataLink ? DataLink->FieldName() : "";
}

void TUniKEY::SetDataField(const std::string& value) {
  DataLink->SetFieldName(value);
}

void TUniKEY::Loaded() {
  TComponent::Loaded();
}

void TUniKEY::StateChange(TObject* sender) {
  if (FDataSource) {
    TDataSet* dataset = FDataSource->DataSet();
    // The data source points at another dataset now: let go of the old one.
    if (Hooked && dataset != hooked_dataset_)
      Unhook();
    if (!Hooked && dataset && FDataSource->State() != dsInactive &&
        !dataset->InState(csDestroying)) {
      OldNewRecord = dataset->OnNewRecord.IsRoutine<&TUniKEY::pNewRecord>() ? TDataSetNotifyEvent()
                                                                            : dataset->OnNewRecord;
      dataset->OnNewRecord = TDataSetNotifyEvent::Bind<&TUniKEY::pNewRecord>(this);
      hooked_dataset_ = dataset;
      FreeNotification(dataset);
      Hooked = true;
    }
  }
  if (OldStateChange)
    OldStateChange(sender);
}

void TUniKEY::pNewRecord(TDataSet* dataset) {
  if (InState(csDesigning))
    return;
  // A dataset that the data source no longer points at may still call here
  // until the data source's next state change; its records are not ours to
  // stamp, and the data link's field may still be one of its fields.
  TField* field = DataLink && DataLink->DataSet() == dataset ? DataLink->Field() : nullptr;
  if (field && DataLink->CanModify())
    StampKey(*field);
  if (OldNewRecord)
    OldNewRecord(dataset);
}

void TUniKEY::StampKey(TField& field) {
  std::string usStamp;
  if (BeforeUniKeyMADE)
    BeforeUniKeyMADE(this, usStamp);

  const Variant before = field.AsVariant();
  // Pauses and the deadline go through the clock's seam, so that a test clock
  // runs them.
  const std::chrono::microseconds deadline = SteadyNow() + kRepeatLimit;
  for (bool first = true;; first = false) {
    const std::string key = GetTimeStamp() + usStamp;
    // Fields keep text beyond their declared width on some databases and refuse
    // it on others; either way such a key is not one to rely on.
    const int width = field.Size();
    if (first && width > 0 && key.size() > static_cast<std::size_t>(width)) {
      throw Exception("Field '" + field.FieldName() + "' cannot take the unique key: it holds " +
                      std::to_string(width) + " characters and the key needs " +
                      std::to_string(key.size()) +
                      " (17 for the time stamp, the rest for the suffix). Bind a text field of "
                      "at least " +
                      std::to_string(key.size()) + " characters.");
    }
    field.SetAsVariant(Variant(key));
    const Variant stored = field.AsVariant();
    if (!IsLastKey(stored, LastKey)) {
      LastKey = stored.ToString();
      return;
    }
    if (SteadyNow() >= deadline)
      break;
    SleepFor(std::chrono::milliseconds(1));  // the stamp's resolution: the next one differs
  }

  // Leave the record as it was: no key rather than a duplicate one.
  try {
    field.SetAsVariant(before);
  } catch (const Exception&) {
    // The error below is what the caller needs to know.
  }
  throw Exception("Field '" + field.FieldName() + "' cannot take a new unique key: for " +
                  std::to_string(kRepeatLimit.count()) +
                  " ms every key written to it read back as '" + LastKey.str() +
                  "', the key stamped last. Either the clock has not moved on, or the field "
                  "does not keep the text written to it; check the clock, and bind a text "
                  "field.");
}

std::string TUniKEY::GetTimeStamp() {
  StampTime = Now();
  DecodeDate(StampTime, Year, Month, Day);
  DecodeTime(StampTime, Hour, Min, Sec, MSec);
  return TimeStampText(Year, Month, Day, Hour, Min, Sec, MSec);
}

void TUniKEY::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove)
    return;
  // Told of a removal, a component is either being destroyed (its handlers are
  // gone with it) or being let go of by its owner, alive, and then keeps none
  // of ours: it may outlive this component.
  const bool alive = !component->InState(csDestroying);
  if (component == hooked_dataset_) {
    if (alive) {
      Unhook();
    } else {
      hooked_dataset_ = nullptr;
      Hooked = false;
      OldNewRecord = nullptr;
    }
  }
  if (component == FDataSource) {
    if (DataLink)
      DataLink->SetDataSource(nullptr);
    Detach(alive);
    FDataSource = nullptr;
  }
}

void TUniKEY::Unhook() {
  if (hooked_dataset_) {
    // A dataset whose destruction has begun has no handler left to put back.
    if (!hooked_dataset_->InState(csDestroying) &&
        hooked_dataset_->OnNewRecord.IsRoutine<&TUniKEY::pNewRecord>()) {
      hooked_dataset_->OnNewRecord = OldNewRecord;
    }
    RemoveFreeNotification(hooked_dataset_);
    hooked_dataset_ = nullptr;
  }
  OldNewRecord = nullptr;
  Hooked = false;
}

void TUniKEY::Detach(bool source_alive) {
  Unhook();
  if (attached_source_ && source_alive &&
      attached_source_->OnStateChange.IsRoutine<&TUniKEY::StateChange>()) {
    attached_source_->OnStateChange = OldStateChange;
  }
  attached_source_ = nullptr;
  OldStateChange = nullptr;
  if (FDataSource && source_alive)
    RemoveFreeNotification(FDataSource);
}

}  // namespace qgen
