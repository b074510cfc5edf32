#include "designer/DesignerUnit.h"

namespace qgen::designer {

namespace {
int init_count = 0;
}  // namespace

void UnitInit() {
  ++init_count;
}

void UnitFInit() {
  if (init_count > 0)
    --init_count;
}

const int* UnitInitCount() {
  return &init_count;
}

}  // namespace qgen::designer
