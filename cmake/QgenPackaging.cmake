# Debian packages, one per installed component (cmake/QgenInstall.cmake), made
# by `cpack -G DEB` in a tree configured with CMAKE_INSTALL_PREFIX=/usr
# (scripts/package.sh does both). dpkg-shlibdeps fills in the Debian packages
# of the shared libraries each package links; qgen_package() adds the
# dependencies it cannot see.
#
# A component joins in two steps: install(... COMPONENT <name>) where its
# files are installed, and one call at the end of this file, guarded by a
# target of the component:
#   qgen_package(<component> <Debian package name> "<summary>"
#                [DEPENDS "<Debian dependencies>"] [SUGGESTS "<...>"])
set(CPACK_PACKAGE_NAME qgen)
set(CPACK_PACKAGE_VENDOR "qgen")
set(CPACK_PACKAGE_CONTACT "qgen maintainers <qgen@localhost>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "Masked sequence numbers shared through a database table, and time-based record keys")
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
# libpq5 is named wherever the library is linked: it is loaded when a program
# first opens a PostgreSQL database (dataaccess/postgres/LibPq.h), so
# dpkg-shlibdeps cannot see it.
# The designer's own shared libraries, for dpkg-shlibdeps to resolve.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
  ${PROJECT_BINARY_DIR}/design ${PROJECT_BINARY_DIR}/designer)
set(CPACK_COMPONENTS_ALL)

macro(qgen_package component name summary)
  cmake_parse_arguments(_pkg "" "DEPENDS;SUGGESTS" "" ${ARGN})
  string(TOUPPER ${component} _upper)
  list(APPEND CPACK_COMPONENTS_ALL ${component})
  set(CPACK_DEBIAN_${_upper}_PACKAGE_NAME ${name})
  set(CPACK_COMPONENT_${_upper}_DESCRIPTION "${summary}")
  if(_pkg_DEPENDS)
    set(CPACK_DEBIAN_${_upper}_PACKAGE_DEPENDS "${_pkg_DEPENDS}")
  endif()
  if(_pkg_SUGGESTS)
    set(CPACK_DEBIAN_${_upper}_PACKAGE_SUGGESTS "${_pkg_SUGGESTS}")
  endif()
endmacro()

if(TARGET qgen_tool)
  qgen_package(tool qgen
    "qgen command-line tool: issue masked sequence numbers, stamp keys, check form files"
    DEPENDS "libpq5" SUGGESTS "qgen-designer")
endif()
# Static libraries and headers: the packages whose headers and libraries a
# consumer's build needs (find_package(qgen) also finds nlohmann_json), and
# libpq for the programs it builds.
qgen_package(devel libqgen-dev
  "qgen development files: headers, static libraries, CMake package and qgen.pc"
  DEPENDS "libsqlite3-dev, nlohmann-json3-dev, libpq5")
if(TARGET qgenpkg)
  # The dialog needs a Qt platform plugin to open a window, which no program
  # links and dpkg-shlibdeps therefore cannot see.
  qgen_package(designer qgen-designer
    "qgen design-time tools: form designer, component package and mask edit dialog"
    DEPENDS "qt6-qpa-plugins, libpq5")
endif()
if(TARGET qgen_python)
  # The module is built for one Python version.
  math(EXPR _next_minor "${Python_VERSION_MINOR} + 1")
  qgen_package(python3-qgen python3-qgen "qgen for Python: the library as a Python package"
    DEPENDS "python3 (>= ${Python_VERSION_MAJOR}.${Python_VERSION_MINOR}), python3 (<< ${Python_VERSION_MAJOR}.${_next_minor}), libpq5")
endif()

include(CPack)
