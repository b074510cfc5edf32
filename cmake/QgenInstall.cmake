# Installation, by component:
#   tool      bin/qgen
#   devel     headers under include/qgen/<folder>/, the static libraries, the
#             CMake package files (find_package(qgen) gives qgen::qgen) and
#             qgen.pc for pkg-config
#   designer  bin/qgen-designer, its shared libraries and the package
#             libqgenpkg.so in lib/qgen/, libexec/qgen/qgen-edit-mask
#   python3-qgen  the Python package (python/CMakeLists.txt installs it)
# Each component becomes one Debian package (cmake/QgenPackaging.cmake).
include(CMakePackageConfigHelpers)

# --- tool ------------------------------------------------------------------
if(TARGET qgen_tool)
  install(TARGETS qgen_tool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tool)
endif()

# --- devel -----------------------------------------------------------------
install(TARGETS qgen qgen_framework qgen_gensrc qgen_dataaccess qgen_unikey
  EXPORT qgenTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT devel)
foreach(_dir framework gensrc dataaccess unikey)
  install(DIRECTORY ${_dir}/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/qgen/${_dir}
    COMPONENT devel FILES_MATCHING PATTERN "*.h")
endforeach()
install(EXPORT qgenTargets NAMESPACE qgen:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/qgen
  COMPONENT devel)
configure_package_config_file(cmake/qgenConfig.cmake.in
  ${PROJECT_BINARY_DIR}/qgenConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/qgen)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/qgenConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/qgenConfig.cmake ${PROJECT_BINARY_DIR}/qgenConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/qgen COMPONENT devel)
# qgen.pc finds its prefix from where it lies, so the tree can be moved.
file(RELATIVE_PATH QGEN_PC_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" QGEN_PC_PREFIX "${QGEN_PC_PREFIX}")
configure_file(cmake/qgen.pc.in ${PROJECT_BINARY_DIR}/qgen.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/qgen.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
  COMPONENT devel)

# --- designer ----------------------------------------------------------------
# The shared libraries are private to the designer and its package: they go
# to lib/qgen/, which the programs and libraries find through their RPATH.
if(TARGET qgenpkg)
  set(_private_libdir ${CMAKE_INSTALL_LIBDIR}/qgen)
  file(RELATIVE_PATH _bin_to_private ${CMAKE_INSTALL_FULL_BINDIR}
    ${CMAKE_INSTALL_FULL_LIBDIR}/qgen)
  set_target_properties(qgen_runtime qgen_designer qcommon qgenpkg PROPERTIES
    INSTALL_RPATH "$ORIGIN")
  set_target_properties(qgen_designer_app PROPERTIES INSTALL_RPATH "$ORIGIN/${_bin_to_private}")
  # Where the installed designer finds its package, relative to its folder.
  target_compile_definitions(qgen_designer_app PRIVATE
    QGEN_INSTALLED_PACKAGE="${_bin_to_private}/$<TARGET_FILE_NAME:qgenpkg>")
  install(TARGETS qgen_runtime qgen_designer qcommon qgenpkg
    LIBRARY DESTINATION ${_private_libdir} COMPONENT designer NAMELINK_SKIP)
  install(TARGETS qgen_designer_app RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
    COMPONENT designer)
endif()
# Where `qgen edit-mask` looks for it (apps/qgen/EditMaskCommand.cpp).
if(TARGET qgen_edit_mask)
  install(TARGETS qgen_edit_mask RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/qgen
    COMPONENT designer)
endif()
