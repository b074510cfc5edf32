// qgen show: lists the rows of the generator table, one sequence per line:
// generator type, prefix, last counting value, free or busy, waits counted,
// the last writer's instance stamp and the time of the last write.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "apps/qgen/Commands.h"
#include "dataaccess/Table.h"
#include "framework/Text.h"
#include "gensrc/GeneratorTable.h"

namespace qgen::tool {

namespace {

struct ShowOptions {
  std::string uri;
  std::string table = kDefaultGeneratorTable;
};

struct Line {
  Variant type;
  std::vector<std::string> cells;
  std::string prefix;
};

// "20261204112806123" as "2026-12-04 11:28:06.123"; other text as it is.
std::string ReadableTime(const std::string& stamp) {
  if (stamp.size() != 17 ||
      !std::all_of(stamp.begin(), stamp.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return stamp;
  }
  return stamp.substr(0, 4) + "-" + stamp.substr(4, 2) + "-" + stamp.substr(6, 2) + " " +
         stamp.substr(8, 2) + ":" + stamp.substr(10, 2) + ":" + stamp.substr(12, 2) + "." +
         stamp.substr(14, 3);
}

std::string StateText(const Variant& state) {
  if (state.IsNull())
    return "";
  if (state == Variant(0))
    return "free";
  if (state == Variant(1))
    return "busy";
  return state.ToString();
}

// The rows of the generator table `table_name`, sorted by type and prefix.
// Raises when the table is missing or lacks a column of a generator table.
std::vector<Line> ReadRows(TDatabase& database, const std::string& table_name) {
  TTable table(nullptr);
  table.SetDatabase(&database);
  table.SetTableName(table_name);
  table.SetReadOnly(true);
  database.Open();
  if (!database.TableExists(table_name)) {
    throw Exception("Table '" + table_name + "' does not exist in database " +
                    database.DisplayURI() + "; qgen init --table NAME makes one");
  }
  table.Open();
  const char* columns[] = {"GenID", "Prefix", "Suffix", "State", "Try", "Who", "LastTime"};
  std::vector<TField*> fields;
  for (const char* name : columns) {
    TField* field = table.FindField(name);
    if (!field) {
      throw Exception("Table '" + table_name + "' has no column " + name +
                      ", so it is not a generator table; qgen init --table NAME makes one");
    }
    fields.push_back(field);
  }

  std::vector<Line> lines;
  for (table.First(); !table.Eof(); table.Next()) {
    Line line;
    line.type = fields[0]->Value();
    line.prefix = fields[1]->AsString();
    line.cells = {fields[0]->AsString(),
                  fields[1]->AsString(),
                  fields[2]->AsString(),
                  StateText(fields[3]->Value()),
                  fields[4]->AsString(),
                  fields[5]->AsString(),
                  ReadableTime(fields[6]->AsString())};
    lines.push_back(std::move(line));
  }
  std::sort(lines.begin(), lines.end(), [](const Line& a, const Line& b) {
    if (!(a.type == b.type))
      return a.type < b.type;
    return a.prefix < b.prefix;
  });
  return lines;
}

// Prints the rows under their headings, each column as wide as its widest cell.
void PrintRows(const std::vector<Line>& lines) {
  const std::vector<std::string> headings = {"Type",  "Prefix",      "Last value", "State",
                                             "Waits", "Last writer", "Last time"};
  const bool right[] = {true, false, false, false, true, false, false};
  // Engine text holds one character per byte, so widths are byte counts.
  std::vector<std::size_t> widths;
  for (const std::string& heading : headings)
    widths.push_back(heading.size());
  for (const Line& line : lines) {
    for (std::size_t i = 0; i < widths.size(); ++i) {
      widths[i] = std::max(widths[i], line.cells[i].size());
    }
  }
  auto print = [&](const std::vector<std::string>& cells) {
    std::string text;
    for (std::size_t i = 0; i < cells.size(); ++i) {
      const std::string pad(widths[i] - cells[i].size(), ' ');
      text += (i ? "  " : "") + (right[i] ? pad + cells[i] : cells[i] + pad);
    }
    PrintLine(std::string(TrimRight(text, " ")));
  };
  print(headings);
  for (const Line& line : lines)
    print(line.cells);
}

void Show(const ShowOptions& options) {
  const std::string table_name = ToEngine(options.table);
  TDatabase database(nullptr);
  database.SetURI(options.uri);
  const std::vector<Line> lines = ReadRows(database, table_name);
  const std::string where = ToTerminal(table_name) + " in " + database.DisplayURI();
  if (lines.empty()) {
    WriteUtf8Line("Generator table " + where + " has no rows yet.");
    return;
  }
  WriteUtf8Line("Generator table " + where + ": " + std::to_string(lines.size()) +
                (lines.size() == 1 ? " row" : " rows"));
  PrintRows(lines);
}

}  // namespace

void AddShowCommand(CLI::App& app) {
  auto options = std::make_shared<ShowOptions>();
  CLI::App* command = app.add_subcommand("show", "List the rows of the generator table");
  command->add_option("--db", options->uri,
                      "Database: a file path or sqlite:PATH (default qgen.db), or "
                      "postgresql://user@host:port/database");
  command->add_option("--table", options->table, "Name of the generator table")
      ->capture_default_str();
  command->callback([options] { Show(*options); });
}

}  // namespace qgen::tool
