#include "design/UniKEYRegister.h"

#include "design/qgenpkg.h"
#include "designer/Registration.h"
#include "unikey/UniKEY.h"
#include "unikey/UniKEYRegistration.h"

namespace qgen::unikey {

TComponentClass UniKEYClass() {
  RegisterUniKEYClasses(Classes());
  return ClassOf<TUniKEY>();
}

void Register() {
  RegisterComponents(qgenpkg::kPalettePage, {UniKEYClass()});
}

}  // namespace qgen::unikey
