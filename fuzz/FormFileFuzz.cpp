// Drives the form-file reader with arbitrary bytes. The first byte chooses how
// the form is read: as a form designer does (every class, nothing opened), or
// as a running program does (Loaded runs; the registry has no TDatabase, so no
// input can make the reader open or create a database file or connect to a
// server). A form that reads must write, and what is written must read back
// and write again byte for byte. The reader may raise EFormError only.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "dataaccess/DataSource.h"
#include "dataaccess/Table.h"
#include "framework/ClassRegistry.h"
#include "framework/DataModule.h"
#include "framework/FormFile.h"
#include "framework/HandlerRegistry.h"
#include "framework/Messages.h"
#include "gensrc/Generator.h"
#include "gensrc/GeneratorRegistration.h"
#include "unikey/StandardClasses.h"
#include "unikey/UniKEY.h"
#include "unikey/UniKEYRegistration.h"

namespace {

using namespace qgen;

class DropMessages : public MessageSink {
 public:
  void Show(const ShownMessage&) override {}
};

void Check(bool condition) {
  if (!condition)
    std::abort();
}

// Every class, for reading in design mode.
const TClassRegistry& AllClasses() {
  static TClassRegistry registry;
  static bool done = false;
  if (!done) {
    RegisterStandardClasses(registry);
    done = true;
  }
  return registry;
}

// Every class but TDatabase: tables in these forms can never open anything.
const TClassRegistry& ClassesWithoutDatabase() {
  static TClassRegistry registry;
  static bool done = false;
  if (!done) {
    RegisterFrameworkClasses(registry);
    registry.Register<TTable>("TTable")
        .Text(
            "TableName", [](const TTable& t) { return t.TableName(); },
            [](TTable& t, const std::string& v) { t.SetTableName(v); })
        .Boolean(
            "ReadOnly", [](const TTable& t) { return t.ReadOnly(); },
            [](TTable& t, bool v) { t.SetReadOnly(v); });
    registry.Register<TDataSource>("TDataSource")
        .Reference<TDataSet>(
            "DataSet", "TDataSet", [](const TDataSource& s) { return s.DataSet(); },
            [](TDataSource& s, TDataSet* v) { s.SetDataSet(v); });
    RegisterGeneratorClasses(registry);
    RegisterUniKEYClasses(registry);
    done = true;
  }
  return registry;
}

const THandlerRegistry& Handlers() {
  static THandlerRegistry handlers;
  static bool done = false;
  if (!done) {
    handlers.Add<TGenProcEvent>("UserOption", [](TObject*, TmString& s) { s = TmString("K"); });
    handlers.Add<TGOverFlowEvent>("Overflow", [](TObject*, TmString) {});
    handlers.Add<TUKBeforeUnKMadeEvent>("Suffix",
                                        [](TObject*, std::string& s) { s.assign(1, 'A'); });
    done = true;
  }
  return handlers;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static DropMessages sink;
  SetMessageSink(&sink);
  FuzzedDataProvider in(data, size);
  const bool designing = in.ConsumeBool();
  const std::string json = in.ConsumeRemainingBytesAsString();

  TFormOptions options;
  options.designing = designing;
  options.classes = designing ? &AllClasses() : &ClassesWithoutDatabase();
  std::unique_ptr<TComponent> root;
  try {
    root = ReadForm(json, "fuzz.json", Handlers(), options);
  } catch (const EFormError&) {
    return 0;
  }
  Check(root != nullptr);

  std::string written;
  try {
    written = WriteForm(*root, options);
  } catch (const EFormError&) {
    return 0;  // e.g. a component whose name the form gave as empty
  }
  root.reset();
  // The written form is canonical: it reads back and writes again unchanged.
  std::unique_ptr<TComponent> again = ReadForm(written, "written.json", Handlers(), options);
  Check(again != nullptr);
  Check(WriteForm(*again, options) == written);
  return 0;
}
