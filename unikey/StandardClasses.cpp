#include "unikey/StandardClasses.h"

#include "dataaccess/Registration.h"
#include "framework/DataModule.h"
#include "gensrc/GeneratorRegistration.h"
#include "unikey/UniKEYRegistration.h"

namespace qgen {

void RegisterStandardClasses(TClassRegistry& registry) {
  RegisterFrameworkClasses(registry);
  RegisterDataAccessClasses(registry);
  RegisterGeneratorClasses(registry);
  RegisterUniKEYClasses(registry);
}

}  // namespace qgen
