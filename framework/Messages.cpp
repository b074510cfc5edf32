#include "framework/Messages.h"

#include <cstdio>

#include "framework/CodePage.h"
#include "framework/Exception.h"

namespace qgen {

namespace {

class StandardErrorSink : public MessageSink {
 public:
  void Show(const ShownMessage& message) override {
    std::string line =
        message.caption.empty() ? message.text : message.caption + ": " + message.text;
    try {
      line = ToUtf8(line);
    } catch (const EConvertError&) {
      // Keep the raw bytes rather than lose the message.
    }
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
  }
};

StandardErrorSink& DefaultSink() {
  static StandardErrorSink sink;
  return sink;
}

MessageSink*& CurrentSink() {
  static MessageSink* sink = &DefaultSink();
  return sink;
}

std::string& Title() {
  static std::string title = "qgen";
  return title;
}

}  // namespace

void ShowMessage(const std::string& text) {
  CurrentSink()->Show(ShownMessage{text, Title(), MB_OK, true});
}

int MessageBox(const std::string& text, const std::string& caption, int style) {
  CurrentSink()->Show(ShownMessage{text, caption, style, false});
  return 1;
}

MessageSink* SetMessageSink(MessageSink* sink) {
  MessageSink* previous = CurrentSink();
  CurrentSink() = sink ? sink : &DefaultSink();
  return previous;
}

const std::string& ApplicationTitle() {
  return Title();
}
void SetApplicationTitle(const std::string& title) {
  Title() = title;
}

MessageRecorder::MessageRecorder() : previous_(SetMessageSink(this)) {}
MessageRecorder::~MessageRecorder() {
  SetMessageSink(previous_);
}

std::vector<std::string> MessageRecorder::Texts() const {
  std::vector<std::string> texts;
  for (const auto& m : messages)
    texts.push_back(m.text);
  return texts;
}

}  // namespace qgen
