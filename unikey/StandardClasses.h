// Registers every class of the library that form files may hold: TDataModule,
// TDatabase, TTable, TDataSource, TGenerator and TUniKEY. It lives here, in the
// library that links all the others. Call it once before reading a form (it
// may be called again; classes registered already are left alone). An explicit
// call, rather than registration by static initialisers, so that linking the
// static libraries can never drop a registration.
#pragma once

#include "framework/ClassRegistry.h"

namespace qgen {

void RegisterStandardClasses(TClassRegistry& registry = Classes());

}  // namespace qgen
