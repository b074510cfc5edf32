// The designer's interfaces as one unit of a package's unit table: a package
// that registers with the designer lists it after its components' units. Its
// sections have nothing to do beyond counting, like every unit's guard.
#pragma once

namespace qgen::designer {

void UnitInit();
void UnitFInit();
const int* UnitInitCount();

}  // namespace qgen::designer
