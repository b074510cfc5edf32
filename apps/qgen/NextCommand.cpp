// qgen next: issues COUNT values from one sequence of the generator table,
// one per line or as a JSON array, each written as soon as it is issued.
// Several processes may run it at once on one database; each value is issued
// once.
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "apps/qgen/Commands.h"
#include "apps/qgen/GeneratorSetup.h"
#include "apps/qgen/NoticeSink.h"
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

// Writes each value as soon as it is issued, so that a run that fails or is
// killed midway has shown every value it used up (a kill may cut the last line
// short). With --json the values form one array, closed by Close; a run that
// fails still closes it, so its output stays valid JSON.
class IssuedValues {
 public:
  explicit IssuedValues(bool json) : json_(json) {
    if (json_)
      Write("[");
  }
  void Add(const std::string& value) {
    if (!json_) {
      PrintLine(value);
    } else {
      FlushNotices();
      Write((first_ ? "" : ",") + nlohmann::json(ToTerminal(value)).dump());
      first_ = false;
    }
    std::fflush(stdout);
  }
  void Close() {
    if (json_)
      Write("]\n");
    std::fflush(stdout);
  }

 private:
  static void Write(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }

  bool json_;
  bool first_ = true;
};

void RunNext(const NextOptions& options) {
  if (options.count < 0)
    throw Exception("-n must not be negative");
  GeneratorSetup setup(options.generator);
  TGenerator& gen = setup.Generator();

  IssuedValues issued(options.json);
  Progress progress(options.count);
  try {
    for (long long i = 1; i <= options.count; ++i) {
      const std::string value = gen.Generator();
      if (value.empty())
        throw Exception("the generator issued no value (see the message above)");
      issued.Add(value);
      progress.Issued(i);
    }
  } catch (...) {
    progress.Finish();
    issued.Close();
    throw;
  }
  progress.Finish();
  issued.Close();
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
