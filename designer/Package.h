// TPackage: a package as the designer loads it: a shared library that
// exports the entries of designer/PackageEntries.h. Loading maps it and checks
// its entries; Initialize runs its units' initialisations, Register its
// registration routines (which fill DesignRegistry()), Finalize its
// finalisations. The library stays mapped until the process ends, because the
// classes and editors it registered keep pointing into its code.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "designer/PackageEntries.h"

namespace qgen {

class TPackage {
 public:
  // Maps the library at `path`. Raises Exception naming the file and saying
  // what failed: it cannot be loaded (the loader's reason), or it lacks one of
  // the package entries.
  explicit TPackage(const std::string& path);
  TPackage(const TPackage&) = delete;
  TPackage& operator=(const TPackage&) = delete;
  // Runs Finalize when Initialize ran and Finalize has not.
  ~TPackage();

  const std::string& Path() const { return path_; }

  // The package's Initialize; later calls do nothing until Finalize.
  void Initialize();
  // Calls the package's registration routines in its order. Needs Initialize.
  // What a routine raises passes out; the routines after it are not called.
  void Register();
  // The package's Finalize; does nothing unless Initialize ran.
  void Finalize();
  bool Initialized() const { return initialized_; }

  const TPackageInfoTable& InfoTable() const { return *info_table_; }
  const TPackageRegistrationTable& Registrations() const { return *registrations_; }

  // The bytes of the resource `name`, or nothing when the package has none.
  std::optional<std::string_view> Resource(const std::string& name) const;
  // The package's "DESCRIPTION" text, or its file name when it has none.
  std::string Description() const;

 private:
  std::string path_;
  void* handle_ = nullptr;
  TPackageEntry initialize_ = nullptr;
  TPackageEntry finalize_ = nullptr;
  const TPackageInfoTable* info_table_ = nullptr;
  const TPackageRegistrationTable* registrations_ = nullptr;
  TGetPackageResource resource_ = nullptr;
  bool initialized_ = false;
};

}  // namespace qgen
