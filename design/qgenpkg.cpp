#include "design/qgenpkg.h"

#include <cstring>
#include <iterator>

#include "design/UniKEYRegister.h"
#include "design/gendsgn.h"
#include "design/palette/Resources.h"
#include "designer/DesignerUnit.h"
#include "designer/runtime/RuntimeUnits.h"

namespace qgen::qgenpkg {

namespace {

// The once-only guards of the package's own units: a unit's sections run at
// the first initialisation and at the finalisation that undoes the last one.
// These units have nothing else to do.
template <int Unit>
struct Guard {
  static inline int count = 0;
  static void Init() { ++count; }
  static void FInit() {
    if (count > 0)
      --count;
  }
};

enum { kGenDlg, kGensrc, kUniKEY, kGendsgn };

const TPackageUnitEntry kUnits[] = {
    {"framework", runtime::FrameworkInit, runtime::FrameworkFInit, runtime::FrameworkInitCount()},
    {"dataaccess", runtime::DataAccessInit, runtime::DataAccessFInit,
     runtime::DataAccessInitCount()},
    {"GenDlg", Guard<kGenDlg>::Init, Guard<kGenDlg>::FInit, &Guard<kGenDlg>::count},
    {"Gensrc", Guard<kGensrc>::Init, Guard<kGensrc>::FInit, &Guard<kGensrc>::count},
    {"UniKEY", Guard<kUniKEY>::Init, Guard<kUniKEY>::FInit, &Guard<kUniKEY>::count},
    {"designer", designer::UnitInit, designer::UnitFInit, designer::UnitInitCount()},
    {"gendsgn", Guard<kGendsgn>::Init, Guard<kGendsgn>::FInit, &Guard<kGendsgn>::count},
};

const TPackageInfoTable kInfoTable = {static_cast<int>(std::size(kUnits)), kUnits};

const TPackageRegistration kRegistrations[] = {
    {"gendsgn", gendsgn_Register},
    {"UniKEY", UniKEY_Register},
};

const TPackageRegistrationTable kRegistrationTable = {static_cast<int>(std::size(kRegistrations)),
                                                      kRegistrations};

}  // namespace

}  // namespace qgen::qgenpkg

using qgen::qgenpkg::kInfoTable;

extern "C" {

void Initialize() {
  int done = 0;
  try {
    for (; done < kInfoTable.UnitCount; ++done) {
      if (kInfoTable.UnitInfo[done].Init)
        kInfoTable.UnitInfo[done].Init();
    }
  } catch (...) {
    while (done-- > 0) {
      if (kInfoTable.UnitInfo[done].FInit)
        kInfoTable.UnitInfo[done].FInit();
    }
    throw;
  }
}

void Finalize() {
  for (int i = kInfoTable.UnitCount; i-- > 0;) {
    if (kInfoTable.UnitInfo[i].FInit)
      kInfoTable.UnitInfo[i].FInit();
  }
}

const TPackageInfoTable* GetPackageInfoTable() {
  return &kInfoTable;
}

const TPackageRegistrationTable* GetPackageRegistrations() {
  return &qgen::qgenpkg::kRegistrationTable;
}

const unsigned char* GetPackageResource(const char* name, std::size_t* size) {
  if (!name)
    return nullptr;
  for (const qgen::qgenpkg::TEmbeddedResource& resource : qgen::qgenpkg::EmbeddedResources()) {
    if (std::strcmp(resource.name, name) == 0) {
      if (size)
        *size = resource.size;
      return resource.data;
    }
  }
  return nullptr;
}

void gendsgn_Register() {
  qgen::gendsgn::Register();
}

void UniKEY_Register() {
  qgen::unikey::Register();
}

}  // extern "C"
