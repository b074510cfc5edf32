// The qgen Python module (_qgen, re-exported by the qgen package): the mask
// engine, generators on a shared table, time-stamp keys, form files, and the
// library's messages and exceptions in Python's terms.
#include "framework/CodePage.h"
#include "gensrc/TimeStamp.h"
#include "python/src/Binding.h"

namespace qgen::python {
namespace {

py::str Stamp(const std::string& suffix) {
  const std::string tail = ToEngine(suffix);
  return ToStr(UniqueTimeStamp() + tail);
}

}  // namespace
}  // namespace qgen::python

PYBIND11_MODULE(_qgen, m) {
  using namespace qgen::python;
  m.doc() = "qgen: masked sequence numbers shared through a database table, and time-stamp keys.";
  BindErrors(m);
  BindMessages(m);
  BindMask(m);
  BindGenerator(m);
  BindForm(m);
  m.def("stamp", &Stamp, py::arg("suffix") = "",
        "A unique key: the 17 digits of the local time to the millisecond (YYYYMMDDhhmmsszzz), "
        "later than every stamp this process took before, followed by suffix.");
  m.def(
      "codepage", [] { return qgen::DefaultCodePage(); },
      "The single-byte code page the engine works in (WINDOWS-1251 unless set).");
  m.def(
      "set_codepage", [](const std::string& name) { qgen::SetDefaultCodePage(name); },
      py::arg("name"),
      "Chooses the engine's code page (e.g. WINDOWS-1252) for everything created afterwards; a "
      "name iconv does not know, or a multi-byte code page, raises qgen.Error.");
}
