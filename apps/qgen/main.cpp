// qgen: the command-line tool. main sets up the options every subcommand
// shares, registers the subcommands and turns failures into exit status 1.
#include "apps/qgen/Commands.h"
#include "apps/qgen/NoticeSink.h"
#include "framework/CodePage.h"
#include "framework/Exception.h"

int main(int argc, char** argv) {
  qgen::tool::NoticeSink notices;
  CLI::App app{"qgen: masked sequence numbers shared through a database table"};
  app.require_subcommand(1);
  app.set_version_flag("--version", "qgen 2.0");
  std::string codepage = "WINDOWS-1251";
  app.add_option("--codepage", codepage,
                 "Single-byte code page of engine text; the terminal is always UTF-8")
      ->capture_default_str();
  app.parse_complete_callback([&] { qgen::SetDefaultCodePage(codepage); });

  qgen::tool::AddMaskCommand(app);
  qgen::tool::AddNextCommand(app);
  qgen::tool::AddSessionCommand(app);
  qgen::tool::AddInitCommand(app);
  qgen::tool::AddShowCommand(app);
  qgen::tool::AddStampCommand(app);
  qgen::tool::AddFormCommand(app);
  qgen::tool::AddEditMaskCommand(app);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  } catch (const qgen::Exception& e) {
    qgen::tool::PrintError(e);
    return 1;
  }
  return 0;
}
