#include "apps/qgen/Terminal.h"

#include <cstdio>

#include "apps/qgen/NoticeSink.h"
#include "framework/CodePage.h"

namespace qgen::tool {

std::string ToEngine(const std::string& utf8) {
  try {
    return FromUtf8(utf8);
  } catch (const EConvertError& e) {
    throw TerminalError(e.what());  // names the character as the user typed it
  }
}

std::string ToEngine(const std::string& utf8, const std::string& what) {
  try {
    return ToEngine(utf8);
  } catch (const TerminalError& e) {
    throw TerminalError(what + ": " + e.what());
  }
}

std::string ToTerminal(const std::string& bytes) {
  return ToUtf8(bytes);
}

void PrintLine(const std::string& bytes) {
  FlushNotices();
  WriteUtf8Line(ToTerminal(bytes));
}

void WriteUtf8Line(const std::string& line) {
  const std::string text = line + "\n";
  std::fwrite(text.data(), 1, text.size(), stdout);
}

void PrintError(const Exception& failure) {
  std::fflush(stdout);
  FlushNotices();
  std::string text = failure.what();
  if (!dynamic_cast<const TerminalError*>(&failure)) {
    try {
      text = ToUtf8(text);
    } catch (const EConvertError&) {
      // Keep the raw bytes rather than lose the message.
    }
  }
  text = "qgen: error: " + text + "\n";
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

}  // namespace qgen::tool
