// The subcommands of the qgen tool. Each file adds one subcommand to the app;
// its callback raises qgen::Exception (or CLI11's errors) on failure, and main
// turns that into a message on standard error and exit status 1.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "framework/Exception.h"

namespace qgen::tool {

void AddMaskCommand(CLI::App& app);
void AddNextCommand(CLI::App& app);
void AddSessionCommand(CLI::App& app);
void AddInitCommand(CLI::App& app);
void AddShowCommand(CLI::App& app);
void AddStampCommand(CLI::App& app);
void AddFormCommand(CLI::App& app);
// The mask edit dialog; only in a tool built with Qt 6 (QGEN_WITH_DESIGN).
void AddEditMaskCommand(CLI::App& app);

// A failure whose message is already terminal text (UTF-8), such as a character
// of an argument that the code page cannot hold: main prints it unconverted.
class TerminalError : public EConvertError {
 public:
  using EConvertError::EConvertError;
};

// Text from the terminal (UTF-8) to the engine's code page, and back; a
// character the code page cannot hold raises TerminalError.
std::string ToEngine(const std::string& utf8);
std::string ToTerminal(const std::string& bytes);

// Writes one line of engine text to standard output in UTF-8.
void PrintLine(const std::string& bytes);
// Writes one line of terminal text (UTF-8, written as it stands) to standard
// output.
void WriteUtf8Line(const std::string& line);

}  // namespace qgen::tool
