// The message sink: every message a component shows to the user (the simple
// ShowMessage box and the captioned MessageBox) goes through one replaceable
// sink. The default writes "caption: text" to standard error in UTF-8 and
// returns at once; GUI programs install a sink that shows a modal box, and
// tests install a MessageRecorder.
#pragma once

#include <mutex>
#include <string>
#include <vector>

namespace qgen {

// Message-box styles that the components use.
enum : int {
  MB_OK = 0x00,
  MB_ICONERROR = 0x10,        // 16: stop (error) icon
  MB_ICONINFORMATION = 0x40,  // 64: information icon
};

// One message as shown: `simple` is true for ShowMessage, whose caption is the
// application title. Text and caption are in the engine's code page.
struct ShownMessage {
  std::string text;
  std::string caption;
  int style = MB_OK;
  bool simple = false;
};

class MessageSink {
 public:
  virtual ~MessageSink() = default;
  // Shows one message; returns when the user has dismissed it (a GUI sink) or at
  // once. Called on the thread that raised the message.
  virtual void Show(const ShownMessage& message) = 0;
};

// The framework's simple message box: an OK button, the application title as caption.
void ShowMessage(const std::string& text);

// The system's message box with a caption and a style (MB_ICONERROR, ...). Returns
// the button pressed, always 1 (OK) for the styles in use.
int MessageBox(const std::string& text, const std::string& caption, int style);

// Installs `sink` (not owned) and returns the previous one; nullptr restores the
// default standard-error sink.
MessageSink* SetMessageSink(MessageSink* sink);

// The caption of ShowMessage boxes; "qgen" unless set.
const std::string& ApplicationTitle();
void SetApplicationTitle(const std::string& title);

// A sink that records what is shown instead of showing it; installs itself for
// its lifetime and puts the previous sink back when destroyed. Components on
// several threads may show messages at once; read `messages` once they are done.
class MessageRecorder : public MessageSink {
 public:
  MessageRecorder();
  MessageRecorder(const MessageRecorder&) = delete;
  MessageRecorder& operator=(const MessageRecorder&) = delete;
  ~MessageRecorder() override;

  void Show(const ShownMessage& message) override {
    const std::lock_guard<std::mutex> lock(mutex_);
    messages.push_back(message);
  }
  // The texts shown, in order.
  std::vector<std::string> Texts() const;
  void Clear() { messages.clear(); }

  std::vector<ShownMessage> messages;

 private:
  MessageSink* previous_;
  std::mutex mutex_;  // guards `messages` while components show messages
};

}  // namespace qgen
