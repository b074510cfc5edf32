// qgen.Mask: the mask engine on its own, for trying a picture out, checking
// values against it and counting without a database.
#include <pybind11/stl.h>

#include <memory>
#include <optional>
#include <string>

#include "gensrc/GenMask.h"
#include "python/src/Binding.h"

namespace qgen::python {

namespace {

class Mask {
 public:
  Mask(const std::string& picture, const std::optional<std::string>& start,
       const std::optional<std::string>& end, py::object on_overflow, py::object on_underflow)
      : picture_(picture) {
    engine_.ScanMask(ToEngine(picture));  // raises on a picture that does not parse
    SetLimit(start, "start", &TGenMask::SetStartValue, engine_.StartValue);
    SetLimit(end, "end", &TGenMask::SetEndValue, engine_.EndValue);
    engine_.NullValue();
    SetHandler(on_overflow_, engine_.OnOverFlow, std::move(on_overflow));
    SetHandler(on_underflow_, engine_.OnSubOver, std::move(on_underflow));
  }

  const std::string& Picture() const { return picture_; }
  py::str Value() const { return ToStr(engine_.GetMskValue().str()); }
  py::str Prefix() { return ToStr(engine_.GetPrefix().str()); }
  py::str Suffix() const { return ToStr(engine_.GetSuffix().str()); }
  std::optional<py::str> Start() const { return Limit(engine_.StartValue); }
  std::optional<py::str> End() const { return Limit(engine_.EndValue); }

  // Writes the counting part once the engine has found every character of it fitting.
  void SetSuffix(const std::string& text) {
    const TmString value(ToEngine(text));
    MessageScope scope;
    if (!engine_.Validate(value))
      RaiseError(Misfit("suffix", text, scope));
    engine_.SetSuffix(value);
  }

  py::str Increment() {
    engine_.Increment();
    return Value();
  }
  py::str Decrement() {
    engine_.Decrement();
    return Value();
  }

  // The engine's report on each character of `text` that does not fit, in
  // order; empty when it fits.
  py::list Validate(const std::string& text) {
    const TmString value(ToEngine(text));
    MessageScope scope;
    py::list problems;
    if (engine_.Validate(value))
      return problems;
    for (const ShownMessage& message : scope.Messages())
      problems.append(MessageStr(message.text));
    if (problems.empty())
      problems.append(py::str("the mask has no counting part to check a value against"));
    return problems;
  }

  py::object OnOverflow() const { return on_overflow_; }
  void SetOnOverflow(py::object f) { SetHandler(on_overflow_, engine_.OnOverFlow, std::move(f)); }
  py::object OnUnderflow() const { return on_underflow_; }
  void SetOnUnderflow(py::object f) { SetHandler(on_underflow_, engine_.OnSubOver, std::move(f)); }

  std::string Repr() const {
    return py::str("qgen.Mask({!r}, value={!r})").format(picture_, Value());
  }

 private:
  // "start value "1X" does not fit "##": <the engine's reports>".
  py::str Misfit(const char* what, const std::string& text, const MessageScope& scope) const {
    return py::str("{} value {!r} does not fit {!r}: {}")
        .format(what, text, picture_, scope.Text("the mask has no counting part to take a value"));
  }

  void SetLimit(const std::optional<std::string>& text, const char* what,
                void (TGenMask::*set)(const TmString&), const TmString& kept) {
    if (!text || text->empty())
      return;
    MessageScope scope;
    (engine_.*set)(TmString(ToEngine(*text)));
    if (kept.empty())  // the engine keeps a limit only when it fits
      RaiseError(Misfit(what, *text, scope));
  }

  static std::optional<py::str> Limit(const TmString& value) {
    if (value.empty())
      return std::nullopt;
    return ToStr(value.str());
  }

  // Installs `f` (a callable given the suffix, or None) in `event`; with None
  // the engine falls back on its own reset.
  static void SetHandler(py::object& slot, TGenMaskEvent& event, py::object f) {
    if (!f.is_none() && !PyCallable_Check(f.ptr()))
      throw py::type_error("the handler must be callable(suffix) or None");
    slot = std::move(f);
    if (slot.is_none()) {
      event = nullptr;
      return;
    }
    event = [&slot](TObject*, TmString& suffix) { slot(ToStr(suffix.str())); };
  }

  std::string picture_;
  TGenMask engine_;
  py::object on_overflow_ = py::none();
  py::object on_underflow_ = py::none();
};

}  // namespace

void BindMask(py::module_& m) {
  py::class_<Mask>(m, "Mask",
                   "A mask picture and its current value, counted up and down between optional "
                   "start and end values of its counting part.")
      .def(py::init<const std::string&, const std::optional<std::string>&,
                    const std::optional<std::string>&, py::object, py::object>(),
           py::arg("picture"), py::arg("start") = py::none(), py::arg("end") = py::none(),
           py::kw_only(), py::arg("on_overflow") = py::none(), py::arg("on_underflow") = py::none())
      .def_property_readonly("picture", &Mask::Picture)
      .def_property_readonly("value", &Mask::Value)
      .def_property_readonly("prefix", &Mask::Prefix)
      .def_property("suffix", &Mask::Suffix, &Mask::SetSuffix)
      .def_property_readonly("start", &Mask::Start)
      .def_property_readonly("end", &Mask::End)
      .def_property("on_overflow", &Mask::OnOverflow, &Mask::SetOnOverflow)
      .def_property("on_underflow", &Mask::OnUnderflow, &Mask::SetOnUnderflow)
      .def("increment", &Mask::Increment)
      .def("decrement", &Mask::Decrement)
      .def("validate", &Mask::Validate, py::arg("text"))
      .def("__repr__", &Mask::Repr);
}

}  // namespace qgen::python
