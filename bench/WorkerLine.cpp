#include "bench/WorkerLine.h"

#include <sstream>

namespace qgen::bench {

namespace {

std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\n' || c == '\r')
      c = ' ';
  }
  return text;
}

// The rest of the stream after blanks, up to the end of the line.
std::string Rest(std::istringstream& in) {
  std::string rest;
  std::getline(in >> std::ws, rest);
  return rest;
}

}  // namespace

std::string FormatWorkerLine(const WorkerLine& line) {
  std::ostringstream out;
  switch (line.kind) {
    case WorkerLine::Kind::Ready:
      out << "ready " << line.text << ' ' << line.settings;
      break;
    case WorkerLine::Kind::Value:
      out << "v " << line.text << ' ' << line.latency_ns << ' ' << line.at_ns;
      break;
    case WorkerLine::Kind::Error:
      out << "e " << line.at_ns << ' ' << line.text;
      break;
    case WorkerLine::Kind::Message:
      out << "m " << line.text;
      break;
    case WorkerLine::Kind::Done:
      out << "done " << line.values << ' ' << line.errors << ' ' << line.messages << ' '
          << line.attempts << ' ' << line.taken << ' ' << line.pauses;
      break;
  }
  return OneLine(out.str());
}

std::optional<WorkerLine> ParseWorkerLine(const std::string& text) {
  std::istringstream in(text);
  std::string tag;
  in >> tag;
  WorkerLine line;
  if (tag == "ready") {
    line.kind = WorkerLine::Kind::Ready;
    in >> line.text;
    line.settings = Rest(in);
  } else if (tag == "v") {
    in >> line.text >> line.latency_ns >> line.at_ns;
  } else if (tag == "e") {
    line.kind = WorkerLine::Kind::Error;
    in >> line.at_ns;
    line.text = Rest(in);
  } else if (tag == "m") {
    line.kind = WorkerLine::Kind::Message;
    line.text = Rest(in);
  } else if (tag == "done") {
    line.kind = WorkerLine::Kind::Done;
    in >> line.values >> line.errors >> line.messages >> line.attempts >> line.taken >> line.pauses;
  } else {
    return std::nullopt;
  }
  if (in.fail() || line.text.empty() != (line.kind == WorkerLine::Kind::Done))
    return std::nullopt;
  return line;
}

}  // namespace qgen::bench
