// Registers TUniKEY for form files, with its published properties in form-file
// order: DataSource, DataField, BeforeUniKeyMADE.
#pragma once

#include "framework/ClassRegistry.h"

namespace qgen {

// Does nothing when the registry has TUniKEY already.
void RegisterUniKEYClasses(TClassRegistry& registry);

}  // namespace qgen
