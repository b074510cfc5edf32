// Unit qgenpkg: the package entries of libqgenpkg.so, exported with C linkage
// (their types are in designer/PackageEntries.h). The unit table lists the
// runtime's units (framework, dataaccess), then GenDlg, Gensrc, UniKEY, the
// designer's unit and gendsgn last. The registration routines run gendsgn's
// Register, then UniKEY's, so the palette page "Quonel" holds TGenerator and
// TUniKEY in this order. The resources are the palette images "TGENERATOR" and
// "TUNIKEY" (24 by 24, 16 colours, BMP) and the text "DESCRIPTION".
#pragma once

#include <cstddef>

#include "designer/PackageEntries.h"

namespace qgen::qgenpkg {

// The palette page on which the package's registration routines put its components.
inline constexpr const char* kPalettePage = "Quonel";

}  // namespace qgen::qgenpkg

extern "C" {

// Runs the initialisation of every unit, in table order. When one raises, the
// units initialised before it are finalised again and the error passes out.
void Initialize();
// Runs the finalisation of every unit, in reverse table order.
void Finalize();
const TPackageInfoTable* GetPackageInfoTable();
const TPackageRegistrationTable* GetPackageRegistrations();
const unsigned char* GetPackageResource(const char* name, std::size_t* size);

// The registration routines of the units gendsgn and UniKEY.
void gendsgn_Register();
void UniKEY_Register();

}  // extern "C"
