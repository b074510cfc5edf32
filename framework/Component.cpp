#include "framework/Component.h"

#include <algorithm>

#include "framework/Text.h"

namespace qgen {

TComponent::TComponent(TComponent* owner) {
  if (owner)
    owner->InsertComponent(this);
}

TComponent::~TComponent() {
  state_ |= csDestroying;
  // Tell everyone who asked; each removes its own link back to us.
  while (!free_notifies_.empty()) {
    TComponent* other = free_notifies_.back();
    free_notifies_.pop_back();
    auto& theirs = other->free_notifies_;
    theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
    other->Notification(this, opRemove);
  }
  // Free what we own, last created first.
  while (!components_.empty()) {
    TComponent* child = components_.back();
    RemoveComponent(child);
    delete child;
  }
  if (owner_)
    owner_->RemoveComponent(this);
}

void TComponent::SetDesigning(bool value, bool owned_too) {
  state_ = value ? (state_ | csDesigning) : (state_ & ~csDesigning);
  if (owned_too) {
    for (TComponent* c : components_)
      c->SetDesigning(value, true);
  }
}

void TComponent::SetLoading(bool value) {
  state_ = value ? (state_ | csLoading) : (state_ & ~csLoading);
}

TComponent* TComponent::FindComponent(const std::string& name) const {
  if (name.empty())
    return nullptr;
  for (TComponent* c : components_) {
    if (CompareText(c->Name(), name) == 0)
      return c;
  }
  return nullptr;
}

void TComponent::Loaded() {
  SetLoading(false);
}

void TComponent::FreeNotification(TComponent* component) {
  if (!component || component == this)
    return;
  // A component whose destruction has begun has already told its list, or is
  // telling it now: a link made now would outlive it and be left dangling.
  if (InState(csDestroying) || component->InState(csDestroying))
    return;
  if (std::find(free_notifies_.begin(), free_notifies_.end(), component) == free_notifies_.end()) {
    free_notifies_.push_back(component);
  }
  auto& theirs = component->free_notifies_;
  if (std::find(theirs.begin(), theirs.end(), this) == theirs.end())
    theirs.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  if (!component)
    return;
  free_notifies_.erase(std::remove(free_notifies_.begin(), free_notifies_.end(), component),
                       free_notifies_.end());
  auto& theirs = component->free_notifies_;
  theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
}

void TComponent::InsertComponent(TComponent* component) {
  if (!component || component->owner_ == this)
    return;
  if (component->owner_)
    component->owner_->RemoveComponent(component);
  components_.push_back(component);
  component->owner_ = this;
  // A component placed on a form in the designer is in design mode as well.
  if (InState(csDesigning))
    component->SetDesigning(true);
  NotifyOwned(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
  auto it = std::find(components_.begin(), components_.end(), component);
  if (it == components_.end())
    return;
  NotifyOwned(component, opRemove);
  // NotifyOwned may run user code; look the component up again.
  it = std::find(components_.begin(), components_.end(), component);
  if (it != components_.end())
    components_.erase(it);
  component->owner_ = nullptr;
}

void TComponent::Notification(TComponent* /*component*/, TOperation /*operation*/) {}

void TComponent::NotifyOwned(TComponent* component, TOperation operation) {
  Notification(component, operation);
  // A copy: a handler may free components.
  const std::vector<TComponent*> siblings = components_;
  for (TComponent* c : siblings) {
    if (c != component)
      c->Notification(component, operation);
  }
}

}  // namespace qgen
