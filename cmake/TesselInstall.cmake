# What `cmake --install` puts under the prefix: the public headers under
# include/tessel (keeping their engine/ and platform/ paths), the libraries,
# the tools, the CMake package, tessel.pc and the notices; and the Debian
# package that `cpack -G DEB` makes of the same files.
include(CMakePackageConfigHelpers)

set(TESSEL_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Tessel)

install(DIRECTORY engine platform DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/tessel
  FILES_MATCHING PATTERN "*.h")
install(TARGETS tessel tessel_platform tessel_options gfxfont tsimage EXPORT TesselTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(EXPORT TesselTargets NAMESPACE Tessel:: DESTINATION ${TESSEL_CMAKE_DIR})

configure_package_config_file(cmake/TesselConfig.cmake.in ${PROJECT_BINARY_DIR}/TesselConfig.cmake
  INSTALL_DESTINATION ${TESSEL_CMAKE_DIR})
# Until 1.0 a minor version may break the interface.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/TesselConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/TesselConfig.cmake ${PROJECT_BINARY_DIR}/TesselConfigVersion.cmake
  DESTINATION ${TESSEL_CMAKE_DIR})

# tessel.pc finds the prefix from its own place, so the tree can be moved.
set(pc_dir ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
file(RELATIVE_PATH TESSEL_PC_PREFIX /prefix/${pc_dir} /prefix)
string(REGEX REPLACE "/$" "" TESSEL_PC_PREFIX "${TESSEL_PC_PREFIX}")
configure_file(cmake/tessel.pc.in ${PROJECT_BINARY_DIR}/tessel.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/tessel.pc DESTINATION ${pc_dir})

install(FILES THIRD_PARTY_NOTICES.txt README.md docs/guide.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The Debian package: the same files under /usr.
set(CPACK_PACKAGE_NAME tessel)
set(CPACK_PACKAGE_VENDOR "Tessel developers")
set(CPACK_PACKAGE_CONTACT "Tessel developers <tessel@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libdevel)
# The tools' and shared libraries' runtime needs come from dpkg-shlibdeps;
# the headers, the static libraries and the CMake package need the
# dependencies' development files.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libsdl2-dev, libpng-dev, libjpeg-dev, zlib1g-dev")
include(CPack)
