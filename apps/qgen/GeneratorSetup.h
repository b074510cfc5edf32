// The set-up that `qgen next` and `qgen session` share: their options, and one
// TGenerator wired to its generator table through a TDatabase, a TTable and a
// TDataSource, with every configuration problem turned into a clear error.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <memory>
#include <string>

#include "apps/qgen/FormSetup.h"
#include "framework/Component.h"

namespace qgen {
class TGenerator;
}

namespace qgen::tool {

struct GeneratorOptions {
  std::string mask;
  std::string db;  // "" for the default qgen.db
  std::string table;
  std::int32_t type = 0;
  std::string start;
  std::string end;
  std::string user;
  bool user_given = false;
  int wait_ms = 10000;  // how long to keep trying a sequence another program holds
  FormOptions form;     // --form: the form's generator in place of --mask .. --end
};

// Adds --mask, --db, --table, --type, --start, --end, --user and --wait to
// `command`, and --form and --component in place of all but --user and --wait.
void AddGeneratorOptions(CLI::App& command, GeneratorOptions& options);

// A generator ready to issue values. The constructor connects to the
// database, creates the generator table when it is missing and sets the
// generator up; it raises Exception (or EDatabaseError) saying what is wrong
// and what to do. Everything is freed with the set-up.
class GeneratorSetup {
 public:
  explicit GeneratorSetup(const GeneratorOptions& options);
  GeneratorSetup(const GeneratorSetup&) = delete;
  GeneratorSetup& operator=(const GeneratorSetup&) = delete;
  ~GeneratorSetup();

  TGenerator& Generator() const { return *generator_; }

 private:
  // Sets up a generator from the options --mask .. --user.
  void SetUp(const GeneratorOptions& options);

  TComponent owner_{nullptr};         // owns the database, table, data source and generator
  std::unique_ptr<TComponent> form_;  // with --form: owns the form's components instead
  TGenerator* generator_ = nullptr;
};

}  // namespace qgen::tool
