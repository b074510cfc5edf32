// TDataModule: the root of a form file, a plain component that owns the
// non-visual components of the form (databases, tables, data sources,
// generators, key stampers) and frees them with itself.
#pragma once

#include "framework/ClassRegistry.h"
#include "framework/Component.h"

namespace qgen {

class TDataModule : public TComponent {
 public:
  explicit TDataModule(TComponent* owner) : TComponent(owner) {}
};

// Registers TDataModule (no published properties). Does nothing when the
// registry has it already.
void RegisterFrameworkClasses(TClassRegistry& registry);

}  // namespace qgen
