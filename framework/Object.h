// TObject: the root of every class of ours that takes part in events, so a
// handler can be told which object raised it (its Sender).
#pragma once

namespace qgen {

class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;
};

}  // namespace qgen
