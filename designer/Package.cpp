#include "designer/Package.h"

#include <dlfcn.h>

#include "framework/Exception.h"
#include "framework/Text.h"

namespace qgen {

namespace {

// The entry `name` of the library, which must export it.
template <class Entry>
Entry Lookup(void* handle, const std::string& path, const char* name) {
  dlerror();
  void* symbol = dlsym(handle, name);
  if (!symbol) {
    throw Exception("\"" + path + "\" is not a package: it does not export " + name +
                    ". Load a package built for this designer.");
  }
  return reinterpret_cast<Entry>(symbol);
}

}  // namespace

TPackage::TPackage(const std::string& path) : path_(path) {
  // RTLD_NODELETE: registered classes and editors point into the library's
  // code for as long as the process runs.
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (!handle_) {
    const char* reason = dlerror();
    throw Exception("Cannot load the package \"" + path +
                    "\": " + (reason ? reason : "unknown reason"));
  }
  try {
    initialize_ = Lookup<TPackageEntry>(handle_, path, "Initialize");
    finalize_ = Lookup<TPackageEntry>(handle_, path, "Finalize");
    info_table_ = Lookup<TGetPackageInfoTable>(handle_, path, "GetPackageInfoTable")();
    registrations_ = Lookup<TGetPackageRegistrations>(handle_, path, "GetPackageRegistrations")();
    resource_ = Lookup<TGetPackageResource>(handle_, path, "GetPackageResource");
  } catch (...) {
    dlclose(handle_);
    throw;
  }
}

TPackage::~TPackage() {
  Finalize();
  dlclose(handle_);
}

void TPackage::Initialize() {
  if (initialized_)
    return;
  initialize_();
  initialized_ = true;
}

void TPackage::Register() {
  if (!initialized_)
    throw Exception("The package \"" + path_ + "\" must be initialised before it registers");
  for (int i = 0; i < registrations_->Count; ++i)
    registrations_->Entries[i].Register();
}

void TPackage::Finalize() {
  if (!initialized_)
    return;
  initialized_ = false;
  finalize_();
}

std::optional<std::string_view> TPackage::Resource(const std::string& name) const {
  std::size_t size = 0;
  const unsigned char* data = resource_(name.c_str(), &size);
  if (!data)
    return std::nullopt;
  return std::string_view(reinterpret_cast<const char*>(data), size);
}

std::string TPackage::Description() const {
  if (auto text = Resource("DESCRIPTION")) {
    return std::string(TrimRight(*text));
  }
  const std::size_t slash = path_.find_last_of('/');
  return slash == std::string::npos ? path_ : path_.substr(slash + 1);
}

}  // namespace qgen
