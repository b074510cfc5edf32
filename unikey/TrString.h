// TrString: a string of at most 20 single-byte characters, the type of the
// last key that TUniKEY remembers. A longer input is cut to its first 20
// characters.
#pragma once

#include "framework/ShortString.h"

namespace qgen {

using TrString = ShortString<20>;

}  // namespace qgen
