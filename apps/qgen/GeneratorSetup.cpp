#include "apps/qgen/GeneratorSetup.h"

#include "apps/qgen/Terminal.h"
#include "dataaccess/DataSource.h"
#include "dataaccess/Database.h"
#include "dataaccess/Table.h"
#include "framework/Exception.h"
#include "gensrc/Generator.h"
#include "gensrc/GeneratorTable.h"

namespace qgen::tool {

namespace {

// Answers the mask's @ symbols with the --user characters (`user`, engine
// text; `given`: --user was given), or raises when they do not match.
void SetUserPart(TGenerator& gen, const std::string& user, bool given) {
  const int user_symbols = gen.GenMask->CountSymbols(PROC);
  if (user_symbols > 0 && !given) {
    throw Exception("the mask has " + std::to_string(user_symbols) +
                    " @ symbol(s): give their characters with --user");
  }
  if (given && static_cast<int>(user.size()) != user_symbols) {
    throw Exception("--user has " + std::to_string(user.size()) +
                    " character(s) but the mask has " + std::to_string(user_symbols) +
                    " @ symbol(s): give one character per @");
  }
  if (user_symbols > 0) {
    gen.GetUserPrefixes = [user](TObject*, TmString& preff) { preff = TmString(user); };
  }
}

// Sets the limits that are given (engine text). The engine checks each limit
// against the mask, reports every character that does not fit and keeps only
// a valid limit; a limit it refused, or limits out of order, raise here.
void SetLimits(TGenerator& gen, const std::string& start, const std::string& end) {
  const std::string& mask = gen.Mask();
  if (!start.empty()) {
    gen.SetStartValue(start);
    if (gen.GenMask->StartValue.empty()) {
      throw Exception("the start value \"" + start + "\" does not fit the counting part of \"" +
                      mask + "\"");
    }
  }
  if (!end.empty()) {
    gen.SetEndValue(end);
    if (gen.GenMask->EndValue.empty()) {
      throw Exception("the end value \"" + end + "\" does not fit the counting part of \"" + mask +
                      "\"");
    }
    if (gen.GenError) {
      throw Exception("the start value must sort before the end value: give other limits");
    }
  }
}

}  // namespace

void AddGeneratorOptions(CLI::App& command, GeneratorOptions& options) {
  // --mask is needed unless --form is given; the set-up says so.
  CLI::Option* mask = command.add_option("--mask", options.mask, "Mask picture, e.g. 'INV-####'");
  CLI::Option* db =
      command.add_option("--db", options.db,
                         "Database: an SQLite file (plain path or sqlite:PATH) or a "
                         "postgresql:// URI; default qgen.db in the working directory");
  CLI::Option* table = command.add_option("--table", options.table, "Generator table")
                           ->default_str(kDefaultGeneratorTable);
  CLI::Option* type =
      command.add_option("--type", options.type, "Generator type: keeps sequences apart")
          ->default_val(0);
  CLI::Option* start =
      command.add_option("--start", options.start, "Start value of the counting part, e.g. 0001");
  CLI::Option* end =
      command.add_option("--end", options.end, "End value of the counting part, e.g. 9999");
  AddFormOptions(command, options.form, {mask, db, table, type, start, end});
  command
      .add_option("--user", options.user,
                  "Characters of the mask's @ symbols, one per symbol in mask order")
      ->each([&options](const std::string&) { options.user_given = true; });
  command
      .add_option("--wait", options.wait_ms,
                  "How long to keep trying, in milliseconds, while other programs hold the "
                  "sequence; then the value fails with \"Gentbl is busy. Try again!\"")
      ->capture_default_str()
      ->check(CLI::NonNegativeNumber);
}

GeneratorSetup::GeneratorSetup(const GeneratorOptions& options) {
  if (!options.form.file.empty()) {
    generator_ = &LoadFormGenerator(options.form, ToEngine(options.user, "--user"),
                                    options.user_given, form_);
  } else {
    SetUp(options);
  }
  generator_->RetryTimeout = options.wait_ms;
}

void GeneratorSetup::SetUp(const GeneratorOptions& options) {
  const std::string mask = ToEngine(options.mask, "--mask");
  const std::string start = ToEngine(options.start, "--start");
  const std::string end = ToEngine(options.end, "--end");
  const std::string user = ToEngine(options.user, "--user");
  const std::string table_name =
      options.table.empty() ? std::string(kDefaultGeneratorTable) : options.table;
  if (mask.empty())
    throw Exception(
        "the mask is empty: give a picture with --mask, e.g. 'INV-####', or a form file with "
        "--form");

  auto* database = new TDatabase(&owner_);
  database->SetURI(options.db);
  database->Open();
  EnsureGeneratorTable(*database, table_name);

  auto* table = new TTable(&owner_);
  table->SetDatabase(database);
  table->SetTableName(table_name);
  auto* source = new TDataSource(&owner_);
  source->SetDataSet(table);

  generator_ = new TGenerator(&owner_);
  TGenerator& gen = *generator_;
  gen.SetMask(mask);  // raises on a picture that does not parse

  SetUserPart(gen, user, options.user_given);

  gen.FSetDataSource(source);  // opens and checks the table
  if (gen.GenError) {
    throw Exception("the table \"" + table_name +
                    "\" cannot be used as a generator table: it needs the columns GenID, "
                    "Try and State (floating-point) and Prefix, Suffix, LastTime and Who (text); "
                    "name another table with --table");
  }
  gen.GeneratorType = options.type;

  SetLimits(gen, start, end);
}

GeneratorSetup::~GeneratorSetup() = default;

}  // namespace qgen::tool
