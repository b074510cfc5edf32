#include "designer/runtime/RuntimeUnits.h"

#include "dataaccess/Registration.h"
#include "framework/ClassRegistry.h"
#include "framework/DataModule.h"

namespace qgen::runtime {

namespace {

int framework_count = 0;
int dataaccess_count = 0;

}  // namespace

// The classes stay registered after the last finalisation: the runtime
// library, whose code they point into, stays loaded with the designer.

void FrameworkInit() {
  if (framework_count++ == 0)
    RegisterFrameworkClasses(Classes());
}

void FrameworkFInit() {
  if (framework_count > 0)
    --framework_count;
}

const int* FrameworkInitCount() {
  return &framework_count;
}

void DataAccessInit() {
  if (dataaccess_count++ == 0)
    RegisterDataAccessClasses(Classes());
}

void DataAccessFInit() {
  if (dataaccess_count > 0)
    --dataaccess_count;
}

const int* DataAccessInitCount() {
  return &dataaccess_count;
}

}  // namespace qgen::runtime
