// qgen: the command-line tool. main sets up the options every subcommand
// shares, registers the subcommands and turns failures into exit status 1.
#include <cstdio>
#include <iostream>

#include "apps/qgen/Commands.h"
#include "apps/qgen/NoticeSink.h"
#include "framework/CodePage.h"
#include "framework/Exception.h"

namespace qgen::tool {

std::string ToEngine(const std::string& utf8) {
  try {
    return FromUtf8(utf8);
  } catch (const EConvertError& e) {
    throw TerminalError(e.what());  // names the character as the user typed it
  }
}
std::string ToTerminal(const std::string& bytes) {
  return ToUtf8(bytes);
}

void PrintLine(const std::string& bytes) {
  FlushNotices();
  const std::string line = ToTerminal(bytes) + "\n";
  std::fwrite(line.data(), 1, line.size(), stdout);
}

void WriteUtf8Line(const std::string& line) {
  const std::string text = line + "\n";
  std::fwrite(text.data(), 1, text.size(), stdout);
}

}  // namespace qgen::tool

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
#ifdef QGEN_WITH_DESIGN
  qgen::tool::AddEditMaskCommand(app);
#endif

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  } catch (const qgen::tool::TerminalError& e) {
    std::fflush(stdout);
    qgen::tool::FlushNotices();
    std::cerr << "qgen: error: " << e.what() << "\n";
    return 1;
  } catch (const qgen::Exception& e) {
    std::fflush(stdout);
    qgen::tool::FlushNotices();
    std::string text = e.what();
    try {
      text = qgen::ToUtf8(text);
    } catch (const qgen::EConvertError&) {
    }
    std::cerr << "qgen: error: " << text << "\n";
    return 1;
  }
  return 0;
}
