// qgen next: issues COUNT values from one sequence of the generator table,
// one per line or as a JSON array. Several processes may run it at once on one
// database; each value is issued once.
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "apps/qgen/Commands.h"
#include "apps/qgen/GeneratorSetup.h"
#include "framework/Exception.h"
#include "gensrc/Generator.h"

namespace qgen::tool {

namespace {

struct NextOptions {
  GeneratorOptions generator;
  long long count = 1;
  bool json = false;
};

// From this count on, a terminal sees how far the run has got.
constexpr long long kProgressFrom = 1000;

class Progress {
 public:
  explicit Progress(long long total)
      : total_(total), shown_(total >= kProgressFrom && isatty(STDERR_FILENO) == 1) {}
  void Issued(long long done) {
    if (!shown_ || (done % 100 != 0 && done != total_))
      return;
    std::fprintf(stderr, "\rqgen: %lld of %lld values issued", done, total_);
    std::fflush(stderr);
  }
  void Finish() {
    if (shown_)
      std::fprintf(stderr, "\n");
  }

 private:
  long long total_;
  bool shown_;
};

void PrintJson(const std::vector<std::string>& values) {
  nlohmann::json array = nlohmann::json::array();
  for (const std::string& value : values)
    array.push_back(ToTerminal(value));
  const std::string text = array.dump() + "\n";
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

void RunNext(const NextOptions& options) {
  if (options.count < 0)
    throw Exception("-n must not be negative");
  GeneratorSetup setup(options.generator);
  TGenerator& gen = setup.Generator();

  std::vector<std::string> issued;
  Progress progress(options.count);
  try {
    for (long long i = 1; i <= options.count; ++i) {
      std::string value = gen.Generator();
      if (value.empty())
        throw Exception("the generator issued no value (see the message above)");
      if (options.json) {
        issued.push_back(std::move(value));
      } else {
        PrintLine(value);
      }
      progress.Issued(i);
    }
  } catch (...) {
    // The values issued so far are used up: show them before the error.
    progress.Finish();
    if (options.json)
      PrintJson(issued);
    throw;
  }
  progress.Finish();
  if (options.json)
    PrintJson(issued);
  std::fflush(stdout);
}

}  // namespace

void AddNextCommand(CLI::App& app) {
  auto options = std::make_shared<NextOptions>();
  CLI::App* command =
      app.add_subcommand("next", "Issue the next values of a sequence kept in the generator table");
  AddGeneratorOptions(*command, options->generator);
  command->add_option("-n,--count", options->count, "How many values to issue")->default_val(1);
  command->add_flag("--json", options->json, "Print the values as one JSON array");
  command->callback([options] { RunNext(*options); });
}

}  // namespace qgen::tool
