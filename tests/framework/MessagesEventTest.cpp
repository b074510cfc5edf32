// The message sink and recorder; TEvent handlers.
#include <gtest/gtest.h>

#include <string>

#include "framework/Event.h"
#include "framework/Messages.h"
#include "framework/Object.h"

namespace qgen {
namespace {

TEST(MessageRecorder, CapturesAndRestoresThePreviousSink) {
  MessageRecorder outer;
  {
    MessageRecorder inner;
    ShowMessage("plain");
    EXPECT_EQ(MessageBox("Table busy", "Generator", MB_ICONERROR), 1);
    ASSERT_EQ(inner.messages.size(), 2u);
    EXPECT_TRUE(inner.messages[0].simple);
    EXPECT_EQ(inner.messages[0].caption, ApplicationTitle());
    EXPECT_EQ(inner.messages[1].caption, "Generator");
    EXPECT_EQ(inner.messages[1].style, 16);
    EXPECT_FALSE(inner.messages[1].simple);
  }
  ShowMessage("after");
  EXPECT_EQ(outer.Texts(), std::vector<std::string>{"after"});
}

class Handler : public TObject {
 public:
  void Changed(TObject* sender) { last = sender; }
  void Other(TObject* sender) { last = sender; }
  TObject* last = nullptr;
};

TEST(TEvent, AssignedLambdasAndRoutines) {
  TNotifyEvent event;
  EXPECT_FALSE(event.Assigned());

  TObject* seen = nullptr;
  event = [&](TObject* sender) { seen = sender; };
  ASSERT_TRUE(event);
  Handler sender;
  event(&sender);
  EXPECT_EQ(seen, &sender);
  EXPECT_FALSE(event.IsRoutine<&Handler::Changed>());

  Handler h1, h2;
  event = TNotifyEvent::Bind<&Handler::Changed>(&h1);
  event(&sender);
  EXPECT_EQ(h1.last, &sender);
  EXPECT_EQ(event.Object(), &h1);
  // The routine is recognised whatever instance it is bound to; another routine
  // of the same class, with the same signature, is not it.
  EXPECT_TRUE(event.IsRoutine<&Handler::Changed>());
  EXPECT_TRUE(TNotifyEvent::Bind<&Handler::Changed>(&h2).IsRoutine<&Handler::Changed>());
  EXPECT_FALSE(event.IsRoutine<&Handler::Other>());

  const TNotifyEvent saved = event;  // a copy keeps routine and object
  EXPECT_TRUE(saved.IsRoutine<&Handler::Changed>());
  event = nullptr;
  EXPECT_FALSE(event.Assigned());
  EXPECT_FALSE(event.IsRoutine<&Handler::Changed>());
}

TEST(TEvent, ReferenceArgumentsReachTheHandler) {
  TEvent<TObject*, std::string&> event = [](TObject*, std::string& text) { text += "-A"; };
  std::string suffix = "X";
  event(nullptr, suffix);
  EXPECT_EQ(suffix, "X-A");
}

}  // namespace
}  // namespace qgen
