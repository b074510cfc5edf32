// qgen init: creates the generator table when it is missing, leaves a table of
// the right format as it is, and reports a table of that name in another
// format column by column without touching it.
#include <memory>
#include <string>

#include "apps/qgen/Commands.h"
#include "dataaccess/Database.h"
#include "gensrc/GeneratorTable.h"

namespace qgen::tool {

namespace {

struct InitOptions {
  std::string uri;
  std::string table = kDefaultGeneratorTable;
};

}  // namespace

void AddInitCommand(CLI::App& app) {
  auto options = std::make_shared<InitOptions>();
  CLI::App* command =
      app.add_subcommand("init", "Create the generator table in the database when it is missing");
  command->add_option("--db", options->uri,
                      "Database: a file path or sqlite:PATH (default qgen.db), or "
                      "postgresql://user@host:port/database");
  command->add_option("--table", options->table, "Name of the generator table")
      ->capture_default_str();
  command->callback([options] {
    const std::string table = ToEngine(options->table);
    TDatabase database(nullptr);
    database.SetURI(options->uri);
    const bool created = EnsureGeneratorTable(database, table);
    // The table name is engine text; the database's name is printed as given.
    WriteUtf8Line((created ? "Created generator table " : "Generator table ") + ToTerminal(table) +
                  " in " + database.DisplayURI() +
                  (created ? "." : " is already there; nothing changed."));
  });
}

}  // namespace qgen::tool
