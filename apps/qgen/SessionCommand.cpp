// qgen session: one generator instance that lives as long as the process and
// answers commands read from standard input, one per line: `next` issues a
// value, `undo` takes this session's last value back, `value` shows the
// current value and `quit` ends. Each answer is one line on standard output,
// flushed at once, so that a script can drive it through a pipe.
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

#include "apps/qgen/Commands.h"
#include "apps/qgen/GeneratorSetup.h"
#include "framework/Exception.h"
#include "framework/Text.h"
#include "gensrc/Generator.h"

namespace qgen::tool {

namespace {

void Answer(const std::string& engine_text) {
  PrintLine(engine_text);
  std::fflush(stdout);
}

// An error answer; `utf8` is terminal text.
void AnswerErrorUtf8(const std::string& utf8) {
  const std::string text = "error: " + utf8 + "\n";
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

// An error answer; `engine_text` is in the engine's code page.
void AnswerError(const std::string& engine_text) {
  try {
    AnswerErrorUtf8(ToTerminal(engine_text));
  } catch (const EConvertError&) {
    AnswerErrorUtf8(engine_text);
  }
}

void RunSession(const GeneratorOptions& options) {
  GeneratorSetup setup(options);
  TGenerator& gen = setup.Generator();
  bool refused = false;
  gen.OnUndoFailed = [&refused](TObject*, TmString) { refused = true; };

  std::string line;
  while (std::getline(std::cin, line)) {
    const std::string command(Trim(line));
    if (command.empty())
      continue;
    try {
      if (command == "quit") {
        return;
      } else if (command == "next") {
        const std::string value = gen.Generator();
        if (value.empty()) {
          AnswerError("the generator issued no value (see the message on standard error)");
        } else {
          Answer(value);
        }
      } else if (command == "undo") {
        refused = false;
        const std::string value = gen.Undo();
        if (refused) {
          AnswerError(
              "Can NOT undo! Another program has drawn from the sequence since, or this "
              "session has drawn nothing yet");
        } else {
          Answer(value);
        }
      } else if (command == "value") {
        Answer(gen.GenMask->GetMskValue().str());
      } else {
        AnswerErrorUtf8("unknown command \"" + command + "\": use next, undo, value or quit");
      }
    } catch (const Exception& e) {
      AnswerError(e.what());
    }
  }
}

}  // namespace

void AddSessionCommand(CLI::App& app) {
  auto options = std::make_shared<GeneratorOptions>();
  CLI::App* command = app.add_subcommand(
      "session",
      "Keep one generator open and answer next, undo, value and quit, read one per line "
      "from standard input");
  AddGeneratorOptions(*command, *options);
  command->callback([options] { RunSession(*options); });
}

}  // namespace qgen::tool
