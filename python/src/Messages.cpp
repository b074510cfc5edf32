// The library's messages in Python: kept by the MessageScope of the thread
// that shows them, then handed to the handler a program sets
// (qgen.set_message_handler) or, by default, to warnings.warn as qgen.Notice.
#include "python/src/Binding.h"

namespace qgen::python {

namespace {

thread_local MessageScope* innermost = nullptr;

// The handler set by the program, or None; never freed (see Errors.cpp).
py::object* handler = nullptr;
py::object* notice_type = nullptr;

void Hand(const ShownMessage& message) {
  const py::str text = MessageStr(message.text);
  const py::str caption = MessageStr(message.caption);
  if (handler->is_none()) {
    py::module_::import("warnings")
        .attr("warn")(py::str("{}: {}").format(caption, text), *notice_type, 2);
  } else {
    (*handler)(text, caption);
  }
}

// Messages shown outside any scope (none of the binding's calls leaves one
// open): handed to Python at once, or, once the interpreter is gone, to the
// library's standard-error sink.
class PythonSink : public MessageSink {
 public:
  void Show(const ShownMessage& message) override {
    if (MessageScope::Keep(message))
      return;
    if (!Py_IsInitialized()) {
      previous->Show(message);
      return;
    }
    py::gil_scoped_acquire gil;
    try {
      Hand(message);
    } catch (py::error_already_set& e) {
      // The library goes on with its work: report the handler's failure
      // rather than throw through it.
      e.discard_as_unraisable("qgen message handler");
    }
  }

  MessageSink* previous = nullptr;
};

}  // namespace

MessageScope::MessageScope() : outer_(innermost) {
  innermost = this;
}

MessageScope::~MessageScope() {
  innermost = outer_;
}

bool MessageScope::Keep(const ShownMessage& message) {
  if (!innermost)
    return false;
  innermost->messages_.push_back(message);
  return true;
}

py::str MessageScope::Text(const char* fallback) const {
  if (messages_.empty())
    return py::str(fallback);
  std::string text;
  for (const ShownMessage& message : messages_)
    text += (text.empty() ? "" : "\n") + message.text;
  return MessageStr(text);
}

void MessageScope::Deliver() {
  std::vector<ShownMessage> messages;
  messages.swap(messages_);
  for (const ShownMessage& message : messages)
    Hand(message);
}

void InstallMessageSink() {
  static PythonSink sink;
  sink.previous = SetMessageSink(&sink);
}

void BindMessages(py::module_& m) {
  handler = new py::object(py::none());
  notice_type = new py::object(py::reinterpret_steal<py::object>(PyErr_NewExceptionWithDoc(
      "qgen.Notice",
      "A message of the library (a limit reached, a busy table), given to warnings.warn unless "
      "a handler is set with qgen.set_message_handler.",
      PyExc_UserWarning, nullptr)));
  m.attr("Notice") = *notice_type;
  m.def(
      "set_message_handler",
      [](py::object callable) {
        if (!callable.is_none() && !PyCallable_Check(callable.ptr()))
          throw py::type_error("the message handler must be callable(text, caption) or None");
        py::object previous = *handler;
        *handler = std::move(callable);
        return previous;
      },
      py::arg("handler"),
      "Sends the library's messages to handler(text, caption) instead of warnings.warn; None "
      "goes back to warnings. Returns the previous handler.");
  InstallMessageSink();
}

}  // namespace qgen::python
