# SPDX-License-Identifier: MIT
# Installation: the library with its SOVERSION links, the public headers in
# <prefix>/include/trv, a CMake package giving trv::trv, trv.pc and the
# license. Each file belongs to a component, which is also the Debian package
# it goes into (cmake/trvPackage.cmake): "runtime" is what programs need to
# run, "dev" what it takes to build against trv; the program is "program".
include(CMakePackageConfigHelpers)

set(TRV_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/trv)
set(TRV_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/trv)

install(TARGETS trv EXPORT trvTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT dev
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime
  PUBLIC_HEADER DESTINATION ${TRV_INSTALL_INCLUDEDIR} COMPONENT dev)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT runtime)

install(EXPORT trvTargets NAMESPACE trv:: DESTINATION ${TRV_INSTALL_CMAKEDIR} COMPONENT dev)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/trvConfig.cmake.in
  ${PROJECT_BINARY_DIR}/trvConfig.cmake
  INSTALL_DESTINATION ${TRV_INSTALL_CMAKEDIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/trvConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/trvConfig.cmake ${PROJECT_BINARY_DIR}/trvConfigVersion.cmake
  DESTINATION ${TRV_INSTALL_CMAKEDIR} COMPONENT dev)

get_target_property(TRV_LIBRARY_TYPE trv TYPE)
if(TRV_LIBRARY_TYPE STREQUAL "STATIC_LIBRARY")
  set(TRV_PC_CFLAGS "-DTRV_STATIC")
else()
  set(TRV_PC_CFLAGS "")
endif()
# The .pc file finds the prefix from its own place, so the installed tree can
# be moved (or installed with cmake --install --prefix).
file(RELATIVE_PATH TRV_PC_TO_PREFIX /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
string(REGEX REPLACE "/$" "" TRV_PC_TO_PREFIX "${TRV_PC_TO_PREFIX}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/trv.pc.in ${PROJECT_BINARY_DIR}/trv.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/trv.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)
