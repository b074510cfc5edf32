#include "framework/DataModule.h"

namespace qgen {

void RegisterFrameworkClasses(TClassRegistry& registry) {
  if (registry.Find(typeid(TDataModule)))
    return;
  registry.Register<TDataModule>("TDataModule");
}

}  // namespace qgen
