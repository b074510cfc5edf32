// TComponent: the component model that both components and the data-access
// classes build on. An owner frees the components it owns; a component has a
// Name, a state (designing, loading), is told by Loaded when a form has been
// read, and hears through Notification when a component it asked for free
// notification of is destroyed, so it can clear its reference to it.
// Not thread-safe: a component, its owner and what it owns are used by one thread at a time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/Object.h"

namespace qgen {

enum TComponentStateFlag : std::uint32_t {
  csLoading = 1u << 0,     // being read from a form file
  csDesigning = 1u << 1,   // inside a form designer
  csDestroying = 1u << 2,  // its destruction has begun
};

enum TOperation { opInsert, opRemove };

class TComponent : public TObject {
 public:
  // Registers with `owner` (may be nullptr), which then frees this component.
  explicit TComponent(TComponent* owner);
  // Tells every component on the free-notification list, then frees the owned
  // components, then leaves the owner.
  ~TComponent() override;

  TComponent* Owner() const { return owner_; }
  const std::string& Name() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }

  // Bits of TComponentStateFlag.
  std::uint32_t ComponentState() const { return state_; }
  bool InState(TComponentStateFlag flag) const { return (state_ & flag) != 0; }
  // Design mode for this component and, by default, every component it owns.
  void SetDesigning(bool value, bool owned_too = true);
  // Marks the component as being loaded; Loaded clears the mark.
  void SetLoading(bool value);

  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int index) const {
    return components_.at(static_cast<std::size_t>(index));
  }
  // The owned component of that name (ASCII case-insensitive), or nullptr.
  TComponent* FindComponent(const std::string& name) const;

  // Called when reading a form has finished: clears csLoading.
  virtual void Loaded();

  // Asks to be told (Notification with opRemove) when `component` is destroyed;
  // `component` is told of this one's destruction as well. Does nothing when
  // either has begun its destruction.
  void FreeNotification(TComponent* component);
  void RemoveFreeNotification(TComponent* component);

  // Takes over or gives up ownership of `component`; an owner in design mode
  // puts the component it takes over in design mode too.
  void InsertComponent(TComponent* component);
  void RemoveComponent(TComponent* component);

 protected:
  // Told of components inserted into or removed from the same owner, and of the
  // destruction of components on the free-notification list.
  virtual void Notification(TComponent* component, TOperation operation);

 private:
  void NotifyOwned(TComponent* component, TOperation operation);

  TComponent* owner_ = nullptr;
  std::string name_;
  std::uint32_t state_ = 0;
  std::vector<TComponent*> components_;     // owned
  std::vector<TComponent*> free_notifies_;  // not owned
};

}  // namespace qgen
