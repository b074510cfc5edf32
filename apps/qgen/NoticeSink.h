// The tool's message sink: notices go to standard error as "caption: text",
// in UTF-8, like the library's default, except that a notice repeated back to
// back is printed once and then counted. Under contention a generator may say
// "Gentbl is busy. Try again!" hundreds of times while it retries; a terminal
// should show that it happened and how often, not scroll it by.
#pragma once

#include <string>

#include "framework/Messages.h"

namespace qgen::tool {

class NoticeSink : public MessageSink {
 public:
  NoticeSink();  // installs itself
  NoticeSink(const NoticeSink&) = delete;
  NoticeSink& operator=(const NoticeSink&) = delete;
  ~NoticeSink() override;  // prints any pending count and puts the previous sink back

  void Show(const ShownMessage& message) override;
  // Prints the count of repeats held back so far, if any.
  void Flush();

 private:
  MessageSink* previous_;
  std::string last_;  // the last notice printed, as written
  int repeats_ = 0;   // how often it came again since
};

// Flushes the installed NoticeSink, if any (called before a value is printed).
void FlushNotices();

}  // namespace qgen::tool
