// The terminal side of the qgen tool: arguments and output are UTF-8, the
// engine works in a single-byte code page. Every subcommand converts its
// arguments with ToEngine and writes its answers with PrintLine or
// WriteUtf8Line; all of it runs on the main thread.
#pragma once

#include <string>

#include "framework/Exception.h"

namespace qgen::tool {

// A failure whose message is already terminal text (UTF-8), such as a character
// of an argument that the code page cannot hold: main prints it unconverted.
class TerminalError : public EConvertError {
 public:
  using EConvertError::EConvertError;
};

// Text from the terminal (UTF-8) to the engine's code page, and back; a
// character the code page cannot hold raises TerminalError.
std::string ToEngine(const std::string& utf8);
// The same for the argument `what` (such as "--mask"): the error names it.
std::string ToEngine(const std::string& utf8, const std::string& what);
std::string ToTerminal(const std::string& bytes);

// Writes one line of engine text to standard output in UTF-8, after any notice
// held back (so that notices and values keep their order).
void PrintLine(const std::string& bytes);
// Writes one line of terminal text (UTF-8, written as it stands) to standard
// output.
void WriteUtf8Line(const std::string& line);

// Reports a failure on standard error as "qgen: error: <message>", after the
// output and the notices written so far. A TerminalError's message is written
// as it stands; any other is converted from the engine's code page.
void PrintError(const Exception& failure);

}  // namespace qgen::tool
