// qgen.Generator: one TGenerator on its generator table, set up from keyword
// arguments (or taken from a form), drawing without the GIL so that several
// Python threads can draw at once.
#include <pybind11/stl.h>

#include <cmath>
#include <optional>
#include <string>

#include "dataaccess/DataSource.h"
#include "dataaccess/Database.h"
#include "dataaccess/Table.h"
#include "gensrc/Generator.h"
#include "gensrc/GeneratorTable.h"
#include "python/src/Binding.h"

namespace qgen::python {

namespace {

// The '@' characters of the mask: fixed text, or a callable asked on each draw.
void SetUser(TGenerator& gen, const py::object& user) {
  const int wanted = gen.GenMask->CountSymbols(PROC);
  if (user.is_none()) {
    if (wanted > 0) {
      RaiseError(
          py::str("the mask has {} @ symbol(s): give their characters with user=").format(wanted));
    }
    return;
  }
  if (PyCallable_Check(user.ptr())) {
    // Called inside Generator, without the GIL.
    gen.GetUserPrefixes = [f = std::make_shared<py::object>(user)](TObject*, TmString& chars) {
      if (auto answer = Ask(*f, chars.str()))
        chars = TmString(*answer);
    };
    return;
  }
  const std::string chars = ToEngine(py::cast<std::string>(user));
  if (static_cast<int>(chars.size()) != wanted) {
    RaiseError(py::str("user= has {} character(s) but the mask has {} @ symbol(s): give one "
                       "character per @")
                   .format(chars.size(), wanted));
  }
  gen.GetUserPrefixes = [chars](TObject*, TmString& preff) { preff = TmString(chars); };
}

// Sets one limit; the engine keeps it only when every character fits.
void SetLimit(TGenerator& gen, const std::optional<std::string>& text, const char* what,
              void (TGenerator::*set)(const TmString&), const TmString& kept) {
  if (!text || text->empty())
    return;
  MessageScope scope;
  (gen.*set)(TmString(ToEngine(*text)));
  if (kept.empty()) {
    RaiseError(py::str("{} value {!r} does not fit the counting part of {!r}: {}")
                   .format(what, *text, gen.Mask(), scope.Text("it has none")));
  }
  if (gen.GenError)  // out of order with the other limit
    RaiseError(scope.Text("the start value must sort before the end value"));
}

std::unique_ptr<Generator> Create(const std::string& db, const std::optional<std::string>& mask,
                                  const std::string& table, int type,
                                  const std::optional<std::string>& start,
                                  const std::optional<std::string>& end, const py::object& user,
                                  double timeout) {
  if (!mask || mask->empty())
    RaiseError(py::str("the mask is empty: give a picture with mask=, e.g. 'INV-####'"));
  if (!(timeout >= 0) || !std::isfinite(timeout))
    throw py::value_error("timeout must be a number of seconds, 0 or more");
  const std::string picture = ToEngine(*mask);
  const std::string table_name = ToEngine(table);
  const int timeout_ms = static_cast<int>(std::lround(timeout * 1000));

  auto root = std::make_shared<Root>(std::make_unique<TComponent>(nullptr));
  auto* database = new TDatabase(root->owner.get());
  auto* gen = new TGenerator(root->owner.get());
  gen->SetMask(picture);  // raises on a picture that does not parse
  SetUser(*gen, user);
  {
    py::gil_scoped_release nogil;
    database->SetURI(db);
    // A statement waits for another writer's lock no longer than a draw may take.
    database->SetBusyTimeout(std::min(database->BusyTimeout(), timeout_ms));
    database->Open();
    EnsureGeneratorTable(*database, table_name);
  }
  auto* dataset = new TTable(root->owner.get());
  dataset->SetDatabase(database);
  dataset->SetTableName(table_name);
  auto* source = new TDataSource(root->owner.get());
  source->SetDataSet(dataset);
  {
    MessageScope scope;
    gen->FSetDataSource(source);  // opens and checks the table
    if (gen->GenError)
      RaiseError(scope.Text("the generator table cannot be opened"), /*database=*/true);
  }
  gen->GeneratorType = type;
  gen->RetryTimeout = timeout_ms;
  SetLimit(*gen, start, "start", &TGenerator::SetStartValue, gen->GenMask->StartValue);
  SetLimit(*gen, end, "end", &TGenerator::SetEndValue, gen->GenMask->EndValue);
  return std::make_unique<Generator>(std::move(root), gen);
}

}  // namespace

template <class Call>
std::string Generator::Run(Call call) {
  const std::shared_ptr<Root> root = root_;  // a close() meanwhile leaves this call its set-up
  if (!root)
    RaiseError(py::str("the generator is closed"));
  MessageScope scope;
  // The value drawn, or the failure, is what the caller must see: a handler
  // that raises on a notice (warnings as errors) is reported beside it, so
  // that no issued number is lost.
  const auto deliver = [&scope] {
    try {
      scope.Deliver();
    } catch (py::error_already_set& e) {
      e.discard_as_unraisable("qgen message handler");
    }
  };
  std::string result;
  try {
    py::gil_scoped_release nogil;
    const std::lock_guard<std::mutex> lock(root->lock);
    result = call();
  } catch (...) {
    deliver();
    throw;
  }
  deliver();
  return result;
}

std::string Generator::Next() {
  return Run([this] { return generator_->Generator(); });
}

std::string Generator::Undo() {
  bool refused = false;
  std::string value = Run([this, &refused] {
    // The refusal is the caller's to handle: it becomes an exception (after
    // any handler the form installed has heard of it).
    TGOverFlowEvent installed = generator_->OnUndoFailed;
    generator_->OnUndoFailed = [&](TObject* sender, TmString shown) {
      refused = true;
      if (installed)
        installed(sender, shown);
    };
    std::string result;
    try {
      result = generator_->Undo();
    } catch (...) {
      generator_->OnUndoFailed = installed;
      throw;
    }
    generator_->OnUndoFailed = installed;
    return result;
  });
  if (refused) {
    RaiseError(py::str("cannot undo {}: another program has drawn from this sequence since, or "
                       "is drawing now")
                   .format(ToStr(value)));
  }
  return value;
}

std::string Generator::Value() {
  return Run([this] { return generator_->GenMask->GetMskValue().str(); });
}

std::string Generator::Mask() {
  return Run([this] { return generator_->Mask(); });
}

int Generator::Type() {
  if (!root_)
    RaiseError(py::str("the generator is closed"));
  return generator_->GeneratorType;
}

std::string Generator::Repr() {
  if (!root_)
    return "qgen.Generator(closed)";
  return py::str("qgen.Generator(mask={!r}, type={}, value={!r})")
      .format(ToStr(Mask()), Type(), ToStr(Value()));
}

void BindGenerator(py::module_& m) {
  auto str = [](std::string (Generator::*get)()) {
    return [get](Generator& g) { return ToStr((g.*get)()); };
  };
  py::class_<Generator>(m, "Generator",
                        "Successive masked values from one sequence that every program using the "
                        "generator table shares.")
      .def(py::init(&Create), py::arg("db") = "qgen.db", py::arg("mask") = py::none(),
           py::arg("table") = kDefaultGeneratorTable, py::arg("type") = 0,
           py::arg("start") = py::none(), py::arg("end") = py::none(), py::arg("user") = py::none(),
           py::kw_only(), py::arg("timeout") = 10.0)
      .def("next", str(&Generator::Next))
      .def("undo", str(&Generator::Undo))
      .def_property_readonly("value", str(&Generator::Value))
      .def_property_readonly("mask", str(&Generator::Mask))
      .def_property_readonly("type", &Generator::Type)
      .def("close", &Generator::Close)
      .def("__enter__", [](py::object self) { return self; })
      .def("__exit__", [](Generator& g, py::args) { g.Close(); })
      .def("__iter__", [](py::object self) { return self; })
      .def("__next__", str(&Generator::Next))
      .def("__repr__", &Generator::Repr);
}

}  // namespace qgen::python
