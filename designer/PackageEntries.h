// The entries a package (a shared library of components and their editors)
// exports with C linkage, so that a designer can find them with dlsym:
//
//   Initialize           runs the initialisation of every unit of the package
//                        once, in the order of the unit table
//   Finalize             runs the finalisations in the reverse order
//   GetPackageInfoTable  the unit table
//   GetPackageRegistrations
//                        the units' registration routines, in the order the
//                        designer calls them after Initialize
//   GetPackageResource   the package's named resources (palette images, each
//                        named after its class in capitals, and "DESCRIPTION")
//
// Each registration routine is also exported on its own as <unit>_Register.
#pragma once

#include <cstddef>

extern "C" {

using TUnitRoutine = void (*)();

struct TPackageUnitEntry {
  const char* Name;    // the unit's name
  TUnitRoutine Init;   // its initialisation (guarded: does its work once), or nullptr
  TUnitRoutine FInit;  // its finalisation (does its work when the last Init is undone), or nullptr
  const int* InitCount;  // how many Init calls FInit has not yet undone
};

struct TPackageInfoTable {
  int UnitCount;
  const TPackageUnitEntry* UnitInfo;  // UnitCount entries
};

struct TPackageRegistration {
  const char* UnitName;
  TUnitRoutine Register;
};

struct TPackageRegistrationTable {
  int Count;
  const TPackageRegistration* Entries;  // Count entries, in calling order
};

using TPackageEntry = void (*)();
using TGetPackageInfoTable = const TPackageInfoTable* (*)();
using TGetPackageRegistrations = const TPackageRegistrationTable* (*)();
// The bytes of the resource `name` (exact case), with their count in *size;
// nullptr when the package has no such resource.
using TGetPackageResource = const unsigned char* (*)(const char* name, std::size_t* size);

}  // extern "C"
