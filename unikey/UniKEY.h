// TUniKEY: writes a unique, time-based key into one field of every new record
// of a dataset: the 17-digit time stamp of the moment (YYYYMMDDhhmmsszzz)
// followed by an optional suffix that the application supplies through
// BeforeUniKeyMADE. Point DataSource at the dataset's data source and name the
// field in DataField; the dataset's own OnNewRecord handler still runs, after
// the key is in the field. Does nothing at design time; never touches existing
// records. Single-threaded: every call comes from the dataset's notifications.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "dataaccess/DataSet.h"
#include "dataaccess/DataSource.h"
#include "framework/Clock.h"
#include "framework/Component.h"
#include "framework/Event.h"
#include "unikey/TrString.h"

namespace qgen {

// Raised before each key is made; the handler may set the key's suffix.
using TUKBeforeUnKMadeEvent = TEvent<TObject*, std::string&>;
// Declared for applications; no property of TUniKEY uses them.
using TUKNewRecordEvent = TEvent<TObject*>;
using TUKAfterPostEvent = TEvent<TObject*>;

namespace unikey {
// Replaces every blank of `text` with the digit '0'.
void SpcTo0(std::string& text);
}  // namespace unikey

class TUniKEY : public TComponent {
 public:
  // How long pNewRecord goes on making keys while the field reads back the key
  // it stamped last, before it gives up with an Exception.
  static constexpr std::chrono::milliseconds kRepeatLimit{1000};

  // Creates the component with its data link; not attached to anything.
  explicit TUniKEY(TComponent* owner);
  // Puts back the handlers it installed in the data source and the dataset,
  // where its own routine is still the installed one.
  ~TUniKEY() override;

  // The data source whose dataset receives the keys (not owned).
  TDataSource* DataSource() const { return FDataSource; }
  // Detaches from the previous data source (putting its handlers back), then,
  // except at design time, installs StateChange as the new one's OnStateChange,
  // keeping the handler found there to call after its own. The dataset is
  // hooked at the data source's next state change into an active state.
  void SetDataSource(TDataSource* value);

  // The name of the key field. Setting it binds the field at once when the
  // dataset is open, and raises EDatabaseError when the dataset has no such field.
  std::string GetDataField() const;
  void SetDataField(const std::string& value);

  // Raised before each key is made, with this component and the suffix ("").
  TUKBeforeUnKMadeEvent BeforeUniKeyMADE;

  void Loaded() override;

  // The data source's OnStateChange handler: hooks the dataset's OnNewRecord at
  // the first active state, then calls the handler that was there before.
  void StateChange(TObject* sender);
  // The dataset's OnNewRecord handler: writes the key into the field (unless
  // the field is missing or cannot be modified now, or belongs to a dataset the
  // data source no longer points at), then calls the dataset's previous handler.
  // While the field reads back the key stamped last, it waits for the next
  // millisecond and writes a fresh key. Raises Exception naming the field, with
  // nothing written, when the field's declared width is narrower than the key,
  // and, with the field's value put back, when it still reads back the last key
  // after kRepeatLimit. A failure of the field passes out as raised. After a
  // failure the previous handler is not called.
  void pNewRecord(TDataSet* dataset);

  // The head of the key: the current local time as 17 digits. Keeps the clock
  // reading in StampTime and its parts in Year .. MSec. A descendant may supply
  // its own head.
  virtual std::string GetTimeStamp();

 protected:
  void Notification(TComponent* component, TOperation operation) override;

  TDataSource* FDataSource = nullptr;
  TDateTime StampTime = 0;
  std::uint16_t Year = 0;
  std::uint16_t Month = 0;
  std::uint16_t Day = 0;
  std::uint16_t Hour = 0;
  std::uint16_t Min = 0;
  std::uint16_t Sec = 0;
  std::uint16_t MSec = 0;
  std::unique_ptr<TFieldDataLink> DataLink;
  // pNewRecord is installed in the dataset's OnNewRecord.
  bool Hooked = false;
  TNotifyEvent OldStateChange;
  TDataSetNotifyEvent OldNewRecord;
  // The first 20 characters of the key stamped last, as read back from the field.
  TrString LastKey;

 private:
  // Writes one key into `field`, as pNewRecord describes.
  void StampKey(TField& field);
  // Puts the dataset's OnNewRecord back, where pNewRecord is still installed,
  // and forgets the dataset.
  void Unhook();
  // Unhooks and, when the data source still exists, puts its OnStateChange back.
  void Detach(bool source_alive);

  // The data source whose OnStateChange holds StateChange, and the dataset whose
  // OnNewRecord holds pNewRecord (kept even when the data source is re-pointed,
  // so that the handler can be put back there).
  TDataSource* attached_source_ = nullptr;
  TDataSet* hooked_dataset_ = nullptr;
};

}  // namespace qgen
