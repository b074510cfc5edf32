// The message sink of GUI programs: ShowMessage and MessageBox become real
// modal Qt message boxes over the active window. A GUI program creates one
// after its QApplication; it installs itself for its lifetime.
#pragma once

#include "framework/Messages.h"

namespace qgen {

class QtMessageSink : public MessageSink {
 public:
  QtMessageSink();
  QtMessageSink(const QtMessageSink&) = delete;
  QtMessageSink& operator=(const QtMessageSink&) = delete;
  ~QtMessageSink() override;

  // Shows `message` in a modal box with one OK button and returns when the user
  // has dismissed it: ShowMessage boxes have no icon and the application title
  // as caption; MessageBox boxes show the error icon for MB_ICONERROR and the
  // information icon for MB_ICONINFORMATION. Needs the GUI thread.
  void Show(const ShownMessage& message) override;

 private:
  MessageSink* previous_;
};

}  // namespace qgen
