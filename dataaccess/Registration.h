// Registers the data-access classes that form files may hold, with their
// published properties in declaration order: TDatabase (URI, CodePage,
// BusyTimeout), TTable (Database, TableName, ReadOnly) and TDataSource
// (DataSet).
#pragma once

#include "framework/ClassRegistry.h"

namespace qgen {

// Does nothing when the registry has them already.
void RegisterDataAccessClasses(TClassRegistry& registry);

}  // namespace qgen
