#include "apps/qgen/NoticeSink.h"

#include <cstdio>

#include "framework/CodePage.h"
#include "framework/Exception.h"

namespace qgen::tool {

namespace {
NoticeSink* installed = nullptr;

void WriteLine(const std::string& line) {
  const std::string out = line + "\n";
  std::fwrite(out.data(), 1, out.size(), stderr);
  std::fflush(stderr);
}
}  // namespace

NoticeSink::NoticeSink() : previous_(SetMessageSink(this)) {
  installed = this;
}

NoticeSink::~NoticeSink() {
  Flush();
  if (installed == this)
    installed = nullptr;
  SetMessageSink(previous_);
}

void NoticeSink::Show(const ShownMessage& message) {
  std::string line = message.caption.empty() ? message.text : message.caption + ": " + message.text;
  try {
    line = ToUtf8(line);
  } catch (const EConvertError&) {
    // Keep the raw bytes rather than lose the notice.
  }
  if (line == last_) {
    ++repeats_;
    return;
  }
  Flush();
  last_ = line;
  WriteLine(line);
}

void NoticeSink::Flush() {
  if (repeats_ > 0) {
    WriteLine("  (the same notice " + std::to_string(repeats_) + " more time" +
              (repeats_ == 1 ? "" : "s") + ")");
  }
  repeats_ = 0;
  last_.clear();
}

void FlushNotices() {
  if (installed)
    installed->Flush();
}

}  // namespace qgen::tool
