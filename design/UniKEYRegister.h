// The design-time registration of unit UniKEY: its Register routine puts
// TUniKEY on the package's palette page. A design-time unit of the package,
// like gendsgn: the runtime library does not depend on the designer.
#pragma once

#include "designer/ComponentClass.h"

namespace qgen::unikey {

// TUniKEY's class reference, after its published properties have joined the
// class registry (once; later calls find them there). Every design-time
// registration of TUniKEY names it through this.
TComponentClass UniKEYClass();

// RegisterComponents("Quonel", {TUniKEY}).
void Register();

}  // namespace qgen::unikey
