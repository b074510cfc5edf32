// qgen.load_form: reads a form file at run time, with Python callables as the
// handlers its events name, and returns its named components: generators as
// qgen.Generator, the others as qgen.Component.
#include <pybind11/stl.h>

#include <string>

#include "dataaccess/DataSource.h"
#include "dataaccess/Table.h"
#include "framework/ClassRegistry.h"
#include "framework/FormFile.h"
#include "gensrc/Generator.h"
#include "gensrc/GeneratorTable.h"
#include "python/src/Binding.h"
#include "unikey/StandardClasses.h"
#include "unikey/UniKEY.h"

namespace qgen::python {

namespace {

// Any other component of a form: its name and class, kept alive with its form.
struct Component {
  std::shared_ptr<Root> root;
  std::string name;
  std::string class_name;
};

// A Python callable as a handler. It may be called inside Generator, without
// the GIL; the shared_ptr lets copies of the handler be made and dropped there.
using Callable = std::shared_ptr<py::object>;

THandlerRegistry Handlers(const py::dict& handlers) {
  // A form names a handler without saying its kind: each callable is offered
  // for every kind of event, and gets the event's text.
  THandlerRegistry registry;
  for (const auto& [key, value] : handlers) {
    const std::string name = py::cast<std::string>(key);
    if (!PyCallable_Check(value.ptr()))
      throw py::type_error("handler " + name + " is not callable");
    const Callable f = std::make_shared<py::object>(py::reinterpret_borrow<py::object>(value));
    // Text in, text out (GetUserPrefixes, OnNewRecord, BeforeUniKeyMADE).
    registry.Add<TGenProcEvent>(name, [f](TObject*, TmString& text) {
      if (auto answer = Ask(*f, text.str()))
        text = TmString(*answer);
    });
    registry.Add<TGOverFlowEvent>(name, [f](TObject*, TmString value) {
      py::gil_scoped_acquire gil;
      (*f)(ToStr(value.str()));
    });
    registry.Add<TUKBeforeUnKMadeEvent>(name, [f](TObject*, std::string& text) {
      if (auto answer = Ask(*f, text))
        text = *answer;
    });
  }
  return registry;
}

// Creates the generator tables that the form's generators name when they are
// missing. The form is read as at design time, so that nothing opens a table
// before it exists; a generator without a table is left to the real load to report.
void PrepareTables(const std::string& path, const THandlerRegistry& handlers) {
  TFormOptions draft;
  draft.designing = true;
  MessageScope quiet;  // the real load shows whatever the setters report
  const std::unique_ptr<TComponent> form = LoadForm(path, handlers, draft);
  for (int i = 0; i < form->ComponentCount(); ++i) {
    const auto* gen = dynamic_cast<const TGenerator*>(form->Components(i));
    auto* table =
        gen && gen->DataSource() ? dynamic_cast<TTable*>(gen->DataSource()->DataSet()) : nullptr;
    if (table && table->Database() && !table->TableName().empty())
      EnsureGeneratorTable(*table->Database(), table->TableName());
  }
}

py::dict LoadFormFile(const py::object& file, const py::object& handlers) {
  const std::string path = py::cast<std::string>(py::module_::import("os").attr("fspath")(file));
  RegisterStandardClasses();
  const THandlerRegistry registry = Handlers(handlers.is_none() ? py::dict() : py::dict(handlers));
  MessageScope scope;
  std::shared_ptr<Root> root;
  {
    py::gil_scoped_release nogil;
    PrepareTables(path, registry);
    root = std::make_shared<Root>(LoadForm(path, registry));
  }
  py::dict components;
  for (int i = 0; i < root->owner->ComponentCount(); ++i) {
    TComponent* component = root->owner->Components(i);
    const py::str name = ToStr(component->Name());
    if (auto* gen = dynamic_cast<TGenerator*>(component)) {
      if (gen->GenError) {
        RaiseError(py::str("generator {!r} of {!r} cannot work: {}")
                       .format(name, path, scope.Text("its mask, limits or table are wrong")),
                   gen->GenTable == nullptr || !gen->GenTable->Active());
      }
      components[name] = py::cast(std::make_unique<Generator>(root, gen));
      continue;
    }
    const TClassInfo* info = Classes().ClassOf(*component);
    components[name] = Component{root, component->Name(), info ? info->Name() : ""};
  }
  scope.Deliver();
  return components;
}

}  // namespace

void BindForm(py::module_& m) {
  py::class_<Component>(m, "Component", "A component of a form that Python draws nothing from.")
      .def_property_readonly("name", [](const Component& c) { return ToStr(c.name); })
      .def_property_readonly("class_name", [](const Component& c) { return c.class_name; })
      .def("__repr__", [](const Component& c) {
        return py::str("qgen.Component({!r}, {})").format(ToStr(c.name), c.class_name);
      });
  m.def("load_form", &LoadFormFile, py::arg("path"), py::arg("handlers") = py::none(),
        "Reads the form file at path and returns its components by name: each generator as a "
        "qgen.Generator ready to draw. handlers maps the handler names the form's events use to "
        "callables: each gets the event's text and returns new text, or None to keep it.");
}

}  // namespace qgen::python
