#include "unikey/design/UniKEYRegister.h"

#include "designer/Registration.h"
#include "unikey/UniKEY.h"
#include "unikey/UniKEYRegistration.h"

namespace qgen::unikey {

void Register() {
  // The class reference: TUniKEY's published properties go into the class registry.
  RegisterUniKEYClasses(Classes());
  RegisterComponents("Quonel", {ClassOf<TUniKEY>()});
}

}  // namespace qgen::unikey
