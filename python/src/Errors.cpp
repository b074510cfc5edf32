// The exceptions of the Python package and the translation of the library's
// exceptions into them, with the library's message as their text.
#include "framework/CodePage.h"
#include "framework/Exception.h"
#include "framework/FormFile.h"
#include "gensrc/Generator.h"
#include "python/src/Binding.h"

namespace qgen::python {

namespace {

// The classes live as long as the interpreter; never freed at exit, when
// freeing them could outlast it.
py::object* error_type = nullptr;
py::object* database_error_type = nullptr;
py::object* busy_error_type = nullptr;
py::object* form_error_type = nullptr;

void Set(const py::object& type, const py::str& message) {
  PyErr_SetObject(type.ptr(), message.ptr());
}

py::object NewClass(py::module_& m, const char* name, const py::object& base, const char* doc) {
  py::object type = py::reinterpret_steal<py::object>(
      PyErr_NewExceptionWithDoc((std::string("qgen.") + name).c_str(), doc, base.ptr(), nullptr));
  if (!type)
    throw py::error_already_set();
  m.attr(name) = type;
  return type;
}

}  // namespace

py::str MessageStr(const std::string& engine) {
  std::string utf8;
  try {
    utf8 = qgen::ToUtf8(engine);
  } catch (const EConvertError&) {
    utf8 = engine;  // a byte the code page leaves unassigned: keep the message
  }
  return py::reinterpret_steal<py::str>(
      PyUnicode_DecodeUTF8(utf8.data(), static_cast<Py_ssize_t>(utf8.size()), "replace"));
}

std::string ToEngine(const std::string& utf8) {
  try {
    return qgen::FromUtf8(utf8);
  } catch (const EConvertError& e) {
    RaiseError(py::str(e.what()));  // names the character in UTF-8
  }
}

py::str ToStr(const std::string& engine) {
  return py::str(qgen::ToUtf8(engine));
}

std::optional<std::string> Ask(const py::object& f, const std::string& text) {
  py::gil_scoped_acquire gil;
  const py::object answer = f(ToStr(text));
  if (answer.is_none())
    return std::nullopt;
  return ToEngine(py::cast<std::string>(answer));
}

void RaiseError(const py::str& message, bool database) {
  Set(database ? *database_error_type : *error_type, message);
  throw py::error_already_set();
}

void BindErrors(py::module_& m) {
  py::object base = py::reinterpret_borrow<py::object>(PyExc_Exception);
  error_type = new py::object(NewClass(m, "Error", base,
                                       "A failure of the library: a mask that does not parse, a "
                                       "limit that does not fit, text the code page cannot hold."));
  database_error_type = new py::object(
      NewClass(m, "DatabaseError", *error_type,
               "The database cannot be opened, read or written, or the generator table is not "
               "one."));
  busy_error_type = new py::object(
      NewClass(m, "BusyError", *error_type,
               "The generator table's row stayed busy for the whole timeout: try again."));
  form_error_type = new py::object(
      NewClass(m, "FormError", *error_type,
               "A form file that cannot be read; file, component and property say where."));

  py::register_exception_translator([](std::exception_ptr raised) {
    try {
      if (raised)
        std::rethrow_exception(raised);
    } catch (const EFormError& e) {
      // Form messages are UTF-8 already, as the file is.
      py::object error = (*form_error_type)(py::str(e.what()));
      error.attr("file") = py::str(e.File());
      error.attr("component") = py::str(e.ComponentName());
      error.attr("property") = py::str(e.PropertyName());
      PyErr_SetObject(form_error_type->ptr(), error.ptr());
    } catch (const EGeneratorBusy& e) {
      Set(*busy_error_type, MessageStr(e.what()));
    } catch (const EDatabaseError& e) {
      Set(*database_error_type, MessageStr(e.what()));
    } catch (const Exception& e) {
      Set(*error_type, MessageStr(e.what()));
    }
  });
}

}  // namespace qgen::python
