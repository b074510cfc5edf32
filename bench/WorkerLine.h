// The lines a load-driver worker writes on its standard output, one per
// event, each in one write so that a process killed a moment later has shown
// everything it issued; and their parsing by the driver. One definition for
// both sides:
//   ready <identity> <durability settings>   set up; waits for "go" on stdin
//   v <value> <latency ns> <monotonic ns>    one value issued
//   e <monotonic ns> <message>               a draw failed (retried after 50 ms)
//   m <caption>: <text>                      a message box (repeats shown once)
//   done <values> <errors> <messages> <attempts> <taken> <pauses>
//                                            finished (count reached or SIGTERM);
//                                            the last three count TGenerator's
//                                            ReadDATA calls, those that took the
//                                            row, and its Wait calls
#pragma once

#include <optional>
#include <string>

namespace qgen::bench {

// Every member has a default, so that a designated initializer names only
// what the line carries: {.kind = Kind::Error, .text = why, .at_ns = start}.
struct WorkerLine {
  enum class Kind { Ready, Value, Error, Message, Done };
  Kind kind = Kind::Value;
  // Ready: the worker's identity; Value: the value; Error, Message: the text.
  std::string text = {};
  std::string settings = {};  // Ready: the durability settings of its connection
  long long latency_ns = 0;   // Value
  long long at_ns = 0;        // Value: when it came back; Error: when the failed draw began
  // Done: what the worker counted.
  long long values = 0, errors = 0, messages = 0, attempts = 0, taken = 0, pauses = 0;
};

// The line without its newline; line breaks inside text become blanks.
std::string FormatWorkerLine(const WorkerLine& line);
// The line as the worker wrote it (without its newline), or nothing when it
// is not one: cut short by a kill, or not of this protocol.
std::optional<WorkerLine> ParseWorkerLine(const std::string& text);

}  // namespace qgen::bench
