// Component model: ownership, design state and free notification.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/Component.h"

namespace qgen {
namespace {

// Logs its destruction; keeps a reference to a partner that it clears when
// told of the partner's removal.
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
    if (operation == opRemove && component == partner_)
      partner_ = nullptr;
    if (operation == opRemove && on_remove)
      on_remove(component);
  }

 private:
  std::vector<std::string>* log_;
  Probe* partner_ = nullptr;
};

TEST(Component, TheOwnerFreesAndDesignsWhatItOwnsAndOneFreedAloneLeavesItsOwner) {
  std::vector<std::string> log;
  auto* form = new Probe(nullptr, "Form", &log);
  new Probe(form, "First", &log);
  auto* second = new Probe(form, "Second", &log);
  new Probe(second, "Grandchild", &log);
  delete new Probe(form, "Third", &log);
  EXPECT_EQ(form->ComponentCount(), 2);
  EXPECT_EQ(form->FindComponent("second"), second);
  Probe other(nullptr, "Other");
  other.InsertComponent(second);  // moves between owners
  EXPECT_EQ(form->ComponentCount(), 1);
  form->InsertComponent(second);
  form->SetDesigning(true);  // as a form designer does: all that the form owns is designed too
  EXPECT_TRUE(second->FindComponent("grandchild")->InState(csDesigning));
  delete form;
  EXPECT_EQ(log, (std::vector<std::string>{"~Third", "~Form", "~Second", "~Grandchild", "~First"}));
}

// Free notification both ways; a removed link is not called; siblings freed by
// their owner hear of each other; one that asks for notification of its dying
// owner is not left with a dangling link (ASan).
TEST(Component, FreeNotificationClearsReferencesAndLeavesNothingDangling) {
  Probe watcher(nullptr, "Watcher");
  auto* source = new Probe(nullptr, "Source");
  watcher.Watch(source);
  source->Watch(&watcher);
  delete source;
  EXPECT_EQ(watcher.partner(), nullptr);

  int told = 0;
  watcher.on_remove = [&](TComponent*) { ++told; };
  auto* unwatched = new Probe(nullptr, "Unwatched");
  watcher.FreeNotification(unwatched);
  watcher.RemoveFreeNotification(unwatched);
  delete unwatched;
  EXPECT_EQ(told, 0);

  auto late = std::make_unique<Probe>(nullptr, "Late");
  auto* form = new Probe(nullptr, "Form");
  auto* a = new Probe(form, "A");
  a->Watch(new Probe(form, "B"));
  late->Watch(a);
  late->on_remove = [&](TComponent* gone) {
    if (gone == a)
      late->FreeNotification(form);  // the form is being destroyed
  };
  delete form;
  EXPECT_EQ(late->partner(), nullptr);
}

}  // namespace
}  // namespace qgen
