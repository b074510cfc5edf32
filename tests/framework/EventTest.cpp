// TEvent: handlers are lambdas or routines of a class, and an installed
// handler can be told apart by its routine, whatever instance it is bound to.
#include <gtest/gtest.h>

#include "framework/Event.h"
#include "framework/Object.h"

namespace qgen {
namespace {

class Handler : public TObject {
 public:
  void Changed(TObject* sender) { last = sender; }
  void Other(TObject* sender) { last = sender; }
  TObject* last = nullptr;
};

TEST(TEvent, RoutinesAreRecognisedWhateverTheirInstance) {
  Handler h1, h2, sender;
  TNotifyEvent event = TNotifyEvent::Bind<&Handler::Changed>(&h1);
  event(&sender);
  EXPECT_EQ(h1.last, &sender);
  EXPECT_EQ(event.Object(), &h1);
  EXPECT_TRUE(TNotifyEvent::Bind<&Handler::Changed>(&h2).IsRoutine<&Handler::Changed>());
  EXPECT_FALSE(event.IsRoutine<&Handler::Other>());  // same class and signature, other routine
  event = [](TObject*) {};
  EXPECT_TRUE(event.Assigned());
  EXPECT_FALSE(event.IsRoutine<&Handler::Changed>());
  event = nullptr;
  EXPECT_FALSE(event.Assigned());
}

}  // namespace
}  // namespace qgen
