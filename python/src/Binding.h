// What the parts of the qgen Python module share: text between Python's str
// and the engine's code page, the message scope that catches what the library
// shows on this thread, the root that owns a set of components with the lock
// that keeps one thread at a time in them, and the Python-visible generator.
#pragma once

#include <pybind11/pybind11.h>

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "framework/Component.h"
#include "framework/Messages.h"

namespace qgen {
class TGenerator;
}

namespace qgen::python {

namespace py = pybind11;

// Python text to engine text. A character the code page cannot hold raises
// qgen.Error with the library's message.
std::string ToEngine(const std::string& utf8);
// Engine text to a Python str; raises qgen.Error for a byte the code page
// does not define.
py::str ToStr(const std::string& engine);
// Engine text of a message to a str, never failing: a byte the code page does
// not define becomes U+FFFD rather than hide the message.
py::str MessageStr(const std::string& engine);

// Calls the Python callable `f` with `text` (engine text) as a str, taking the
// GIL for the call: a handler that the library calls from a draw, which runs
// without it. Returns its answer as engine text, or nothing when it returned None.
std::optional<std::string> Ask(const py::object& f, const std::string& text);

// The library's messages (ShowMessage, MessageBox) shown on this thread while
// a scope lives are kept in the innermost scope instead of being shown, so
// that the binding can turn them into an exception or hand them to Python
// once the library call is over. Needs no GIL.
class MessageScope {
 public:
  MessageScope();
  MessageScope(const MessageScope&) = delete;
  MessageScope& operator=(const MessageScope&) = delete;
  ~MessageScope();

  // Called by the sink: keeps `message` in this thread's innermost scope;
  // false when the thread has none.
  static bool Keep(const ShownMessage& message);

  const std::vector<ShownMessage>& Messages() const { return messages_; }
  // The messages' texts, one per line; `fallback` when there is none.
  py::str Text(const char* fallback) const;
  // Hands the messages to the Python handler (qgen.set_message_handler, else
  // warnings.warn with qgen.Notice). Needs the GIL; raises what the handler
  // raises.
  void Deliver();

 private:
  MessageScope* outer_;
  std::vector<ShownMessage> messages_;
};

// Routes every message shown outside a MessageScope to Python. Called once, at import.
void InstallMessageSink();

// The components of one Generator set-up or one form, and the lock that keeps
// a single thread in them at a time (they share one database connection).
struct Root {
  explicit Root(std::unique_ptr<TComponent> owner) : owner(std::move(owner)) {}
  std::unique_ptr<TComponent> owner;
  std::mutex lock;
};

// A generator as Python sees it: the TGenerator and the root that owns it.
class Generator {
 public:
  Generator(std::shared_ptr<Root> root, TGenerator* generator)
      : root_(std::move(root)), generator_(generator) {}

  std::string Next();
  std::string Undo();
  std::string Value();
  std::string Mask();
  int Type();
  void Close() { root_.reset(); }
  std::string Repr();

 private:
  // Runs `call` on the generator without the GIL, holding the root's lock,
  // with the messages the library shows kept and handed to Python afterwards.
  template <class Call>
  std::string Run(Call call);

  std::shared_ptr<Root> root_;
  TGenerator* generator_;
};

// Errors: the Python exception classes and the translation of the library's exceptions.
void BindErrors(py::module_& m);
// Raises qgen.Error, or qgen.DatabaseError when `database`, with `message`.
[[noreturn]] void RaiseError(const py::str& message, bool database = false);

void BindMessages(py::module_& m);
void BindMask(py::module_& m);
void BindGenerator(py::module_& m);
void BindForm(py::module_& m);

}  // namespace qgen::python
