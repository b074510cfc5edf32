// The subcommands of the qgen tool. Each file adds one subcommand to the app;
// its callback raises qgen::Exception (or CLI11's errors) on failure, and main
// turns that into a message on standard error and exit status 1.
#pragma once

#include <CLI/CLI.hpp>

#include "apps/qgen/Terminal.h"

namespace qgen::tool {

void AddMaskCommand(CLI::App& app);
void AddNextCommand(CLI::App& app);
void AddSessionCommand(CLI::App& app);
void AddInitCommand(CLI::App& app);
void AddShowCommand(CLI::App& app);
void AddStampCommand(CLI::App& app);
void AddFormCommand(CLI::App& app);
// The mask edit dialog, shown by the program qgen-edit-mask of the GUI package.
void AddEditMaskCommand(CLI::App& app);

}  // namespace qgen::tool
