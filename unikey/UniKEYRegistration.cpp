#include "unikey/UniKEYRegistration.h"

#include "unikey/UniKEY.h"

namespace qgen {

void RegisterUniKEYClasses(TClassRegistry& registry) {
  if (registry.Find(typeid(TUniKEY)))
    return;
  registry.Register<TUniKEY>("TUniKEY")
      .Reference<TDataSource>(
          "DataSource", "TDataSource", [](const TUniKEY& k) { return k.DataSource(); },
          [](TUniKEY& k, TDataSource* v) { k.SetDataSource(v); })
      .Text(
          "DataField", [](const TUniKEY& k) { return k.GetDataField(); },
          [](TUniKEY& k, const std::string& v) { k.SetDataField(v); })
      .EventProperty("BeforeUniKeyMADE", "TUKBeforeUnKMadeEvent", &TUniKEY::BeforeUniKeyMADE);
}

}  // namespace qgen
