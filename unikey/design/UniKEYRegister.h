// The design-time registration of unit UniKEY: puts TUniKEY on the palette page
// "Quonel". It lives beside the unit but is compiled into the package, not into
// the runtime library, which must not depend on the designer's interfaces.
#pragma once

namespace qgen::unikey {

// RegisterComponents("Quonel", {TUniKEY}).
void Register();

}  // namespace qgen::unikey
