// Component model: ownership, free notification, loading and design state.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/Component.h"

namespace qgen {
namespace {

// Records its own destruction and the removals it is told of; keeps a reference
// to a partner that it clears when told of the partner's destruction.
class Probe : public TComponent {
 public:
  Probe(TComponent* owner, std::string name, std::vector<std::string>* log = nullptr)
      : TComponent(owner), log_(log) {
    SetName(std::move(name));
  }
  ~Probe() override {
    if (log_)
      log_->push_back("~" + Name());
  }
  void Watch(Probe* partner) {
    partner_ = partner;
    FreeNotification(partner);
  }
  Probe* partner() const { return partner_; }
  std::function<void(TComponent*)> on_remove;

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    if (operation != opRemove)
      return;
    if (component == partner_)
      partner_ = nullptr;
    if (on_remove)
      on_remove(component);
  }

 private:
  std::vector<std::string>* log_;
  Probe* partner_ = nullptr;
};

TEST(ComponentOwnership, OwnerFreesWhatItOwnsAndDirectDeleteLeavesOwner) {
  std::vector<std::string> log;
  auto* form = new Probe(nullptr, "Form", &log);
  new Probe(form, "First", &log);
  auto* second = new Probe(form, "Second", &log);
  new Probe(second, "Grandchild", &log);
  auto* third = new Probe(form, "Third", &log);
  ASSERT_EQ(form->ComponentCount(), 3);
  EXPECT_EQ(form->FindComponent("second"), second);

  delete third;  // leaves its owner at once
  EXPECT_EQ(form->ComponentCount(), 2);
  EXPECT_EQ(form->FindComponent("Third"), nullptr);

  delete form;
  EXPECT_EQ(log, (std::vector<std::string>{"~Third", "~Form", "~Second", "~Grandchild", "~First"}));
}

TEST(ComponentOwnership, InsertComponentMovesBetweenOwners) {
  Probe a(nullptr, "A");
  Probe b(nullptr, "B");
  auto* child = new Probe(&a, "Child");
  b.InsertComponent(child);
  EXPECT_EQ(child->Owner(), &b);
  EXPECT_EQ(a.ComponentCount(), 0);
  EXPECT_EQ(b.ComponentCount(), 1);
}

TEST(FreeNotification, PartnerHearsOfDestructionAndClearsItsReference) {
  Probe watcher(nullptr, "Watcher");
  auto* source = new Probe(nullptr, "Source");
  watcher.Watch(source);
  delete source;
  EXPECT_EQ(watcher.partner(), nullptr);

  // Both ways: the watched one hears of the watcher's destruction as well.
  Probe target(nullptr, "Target");
  auto* other = new Probe(nullptr, "Other");
  other->Watch(&target);
  target.Watch(other);
  delete other;
  EXPECT_EQ(target.partner(), nullptr);
}

TEST(FreeNotification, RemovedLinkIsNotCalled) {
  Probe watcher(nullptr, "Watcher");
  int told = 0;
  watcher.on_remove = [&](TComponent*) { ++told; };
  auto* source = new Probe(nullptr, "Source");
  watcher.FreeNotification(source);
  watcher.RemoveFreeNotification(source);
  delete source;
  EXPECT_EQ(told, 0);
}

// Siblings freed by their owner hear of each other; a component that asks for
// free notification of its dying owner must not be left with a dangling link
// (ASan reports one when `late` is destroyed).
TEST(FreeNotification, SiblingsAndDyingOwnerLeaveNothingDangling) {
  auto late = std::make_unique<Probe>(nullptr, "Late");
  auto* form = new Probe(nullptr, "Form");
  auto* a = new Probe(form, "A");
  auto* b = new Probe(form, "B");
  a->Watch(b);
  late->Watch(a);
  late->on_remove = [&](TComponent* gone) {
    if (gone == a)
      late->FreeNotification(form);  // the form is being destroyed
  };
  delete form;
  EXPECT_EQ(late->partner(), nullptr);
  late.reset();
}

TEST(ComponentState, LoadedClearsLoadingAndDesigningReachesOwned) {
  Probe form(nullptr, "Form");
  auto* child = new Probe(&form, "Child");
  auto* grandchild = new Probe(child, "Grandchild");

  form.SetLoading(true);
  EXPECT_TRUE(form.InState(csLoading));
  form.Loaded();
  EXPECT_FALSE(form.InState(csLoading));

  form.SetDesigning(true);
  EXPECT_TRUE(child->InState(csDesigning));
  EXPECT_TRUE(grandchild->InState(csDesigning));
  auto* dropped = new Probe(&form, "Dropped");  // placed on a form in the designer
  EXPECT_TRUE(dropped->InState(csDesigning));

  form.SetDesigning(false, /*owned_too=*/false);
  EXPECT_FALSE(form.InState(csDesigning));
  EXPECT_TRUE(child->InState(csDesigning));
}

}  // namespace
}  // namespace qgen
