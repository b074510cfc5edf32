// qgen mask: parses a picture, shows its symbol table and value, sets the
// limits and the counting part, and counts the value up and down, printing
// every value and every overflow or underflow report, so that a mask can be
// tried out before a generator uses it.
#include <memory>
#include <string>
#include <vector>

#include "apps/qgen/Commands.h"
#include "framework/Exception.h"
#include "framework/Text.h"
#include "gensrc/Gensrc.h"

namespace qgen::tool {

namespace {

struct MaskOptions {
  std::string picture;
  std::string start;
  std::string end;
  std::string set;
  std::string steps;
  bool has_set = false;
};

// One character as the reader should see it: quoted, control bytes by value.
std::string Shown(char c) {
  const auto b = static_cast<unsigned char>(c);
  if (b < 0x20 || b == 0x7F)
    return Format("byte 0x%02X", b);
  return std::string("'") + c + "'";
}

// The kind of one symbol, in words.
std::string Describe(const TMaskSymbol& symbol) {
  switch (symbol.Kind) {
    case STAT:
      return "static character " + Shown(symbol.CurrentChar());
    case PROC:
      return "application character, supplied at run time";
    case ENUMS: {
      std::string text =
          Format("set of %zu characters, counted in this order:", symbol.Chars.size());
      for (const char c : symbol.Chars)
        text += " " + Shown(c);
      return text;
    }
    case INC:
      switch (symbol.IncKind) {
        case INCNUM:
          return "incremental digit, 0 to 9";
        case INCCHAR:
          return "incremental letter, A to Z";
        default:
          return "incremental digit or letter, 0 to 9 then A to Z";
      }
    default:
      return "unused";
  }
}

void PrintTable(TGenMask& mask, const std::string& picture) {
  PrintLine("Mask " + (picture.empty() ? std::string("(empty)") : picture) + ": " +
            std::to_string(mask.Count) + (mask.Count == 1 ? " symbol" : " symbols"));
  if (mask.Count > 0)
    PrintLine("  position  kind");
  for (int i = 0; i < mask.Count; ++i) {
    const TMaskSymbol& symbol = mask.Symbols[static_cast<std::size_t>(i)];
    PrintLine(Format("  %8d  ", symbol.Position) + Describe(symbol));
  }
}

// A limit, or "none"; a value, or "(empty)", so that nothing prints as blank.
std::string Limit(const TmString& value) {
  return value.empty() ? "none" : value.str();
}
std::string Text(const TmString& value) {
  return value.empty() ? "(empty)" : value.str();
}

// Sets a limit through the engine, which reports each bad character itself;
// a rejected limit stops the command rather than counting without it.
void SetLimit(TGenMask& mask, const std::string& value, bool start, const std::string& picture) {
  if (value.empty())
    return;
  start ? mask.SetStartValue(value) : mask.SetEndValue(value);
  if (!(start ? mask.StartValue : mask.EndValue).empty())
    return;
  const std::string name = start ? "start value " : "end value ";
  if (mask.GetSuffix().empty()) {
    throw Exception("the mask " + picture + " has no counting symbol ('[...]', '#', '$', '&'), " +
                    "so it takes no " + name + value);
  }
  throw Exception("the " + name + value + " does not fit the mask " + picture +
                  ": give one character per counting symbol, from its set or alphabet");
}

// Sets the counting part of `mask` to `set` (--set), or raises saying why not.
void SetValue(TGenMask& mask, const std::string& set, const std::string& picture) {
  if (mask.GetSuffix().empty())
    throw Exception("the mask " + picture + " has no counting symbol, so --set has nothing to set");
  if (!mask.Validate(set)) {
    throw Exception("--set " + set + " does not fit the mask " + picture +
                    ": give one character per counting symbol, from its set or alphabet");
  }
  mask.SetSuffix(set);
}

// Counts the mask up ('+') and down ('-') as `steps` says, printing each
// value the step leaves, after any overflow or underflow it reports.
void RunSteps(TGenMask& mask, const std::string& steps) {
  // The reports of one step, printed before the value the step leaves. After
  // reporting, each handler does what the engine does when nobody listens.
  std::vector<std::string> reports;
  const auto carried = [](const TmString& suffix) {
    return suffix.empty() ? std::string("an empty suffix (the mask has no counting symbol)")
                          : "suffix " + suffix.str();
  };
  mask.OnOverFlow = [&](TObject*, TmString& suffix) {
    reports.push_back("overflow, reported with " + carried(suffix) +
                      "; counting starts again from the " +
                      (mask.StartValue.empty() ? "lowest value" : "start value"));
    mask.NullValue();
  };
  mask.OnSubOver = [&](TObject*, TmString& suffix) {
    reports.push_back("underflow, reported with " + carried(suffix) +
                      "; counting goes on from the " +
                      (mask.EndValue.empty() ? "highest value" : "end value"));
    mask.FullValue();
  };

  PrintLine("Steps:");
  const int width = static_cast<int>(std::to_string(steps.size()).size());
  const std::string indent(static_cast<std::size_t>(width) + 6, ' ');
  for (std::size_t n = 0; n < steps.size(); ++n) {
    const char op = steps[n];
    reports.clear();
    op == '+' ? mask.Increment() : mask.Decrement();
    const std::string head = Format("  %*zu %c  ", width, n + 1, op);
    const std::string value = Text(mask.GetMskValue());
    if (reports.empty()) {
      PrintLine(head + value);
      continue;
    }
    for (std::size_t r = 0; r < reports.size(); ++r)
      PrintLine((r == 0 ? head : indent) + reports[r]);
    PrintLine(indent + value);
  }
}

void Run(const MaskOptions& options) {
  const std::string picture = ToEngine(options.picture, "the picture");
  const std::string start = ToEngine(options.start, "--start");
  const std::string end = ToEngine(options.end, "--end");
  const std::string set = ToEngine(options.set, "--set");
  if (const auto bad = options.steps.find_first_not_of("+-"); bad != std::string::npos) {
    throw TerminalError("--steps takes only '+' (count up) and '-' (count down); character " +
                        std::to_string(bad + 1) + " of '" + options.steps + "' is neither");
  }

  TGenMask mask;
  mask.ScanMask(picture);  // a picture that does not parse raises the parser's message
  PrintTable(mask, picture);

  SetLimit(mask, start, true, picture);
  SetLimit(mask, end, false, picture);
  if (options.has_set) {
    SetValue(mask, set, picture);
  } else {
    mask.NullValue();
  }
  PrintLine("Start value: " + Limit(mask.StartValue));
  PrintLine("End value:   " + Limit(mask.EndValue));
  PrintLine("Value:       " + Text(mask.GetMskValue()));
  PrintLine("Prefix:      " + Text(mask.GetPrefix()));
  PrintLine("Suffix:      " + Text(mask.GetSuffix()));
  if (!options.steps.empty())
    RunSteps(mask, options.steps);
}

}  // namespace

void AddMaskCommand(CLI::App& app) {
  auto options = std::make_shared<MaskOptions>();
  CLI::App* sub = app.add_subcommand(
      "mask",
      "Parse a mask picture, show its symbols and value, and count it up and down.\n"
      "Pictures: '#' digit, '$' letter, '&' digit or letter, '[ABC]' one of a set,\n"
      "'@' supplied by the application, anything else a fixed character.");
  sub->fallthrough();  // global options such as --codepage may follow the subcommand
  sub->add_option("PICTURE", options->picture, "The mask picture, e.g. 'INV-[AB]##'")->required();
  sub->add_option("--start", options->start, "Start value of the counting part (its lower limit)");
  sub->add_option("--end", options->end, "End value of the counting part (its upper limit)");
  sub->add_option("--set", options->set,
                  "Counting part to start from (default: the start value, or the lowest value)");
  sub->add_option("--steps", options->steps,
                  "Steps to run: '+' counts up, '-' counts down, e.g. '+++-'");
  // Runs after the global options (the code page) have been applied.
  sub->callback([options, sub] {
    options->has_set = sub->count("--set") > 0;
    Run(*options);
  });
}

}  // namespace qgen::tool
