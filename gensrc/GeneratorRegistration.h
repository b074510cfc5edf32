// Registers TGenerator for form files, with its published properties in the
// order in which they are written and read: Mask, DataSource, StartValue,
// EndValue, GeneratorType (not written when 0), GetUserPrefixes,
// OnOverFlowMask, OnSubOverMask, OnNewRecord, OnUndoFailed. Mask comes first,
// so that the limits are validated against the parsed mask.
#pragma once

#include "framework/ClassRegistry.h"

namespace qgen {

// Does nothing when the registry has TGenerator already.
void RegisterGeneratorClasses(TClassRegistry& registry);

}  // namespace qgen
