# Installation: the library with its SOVERSION links, the public headers in
# <prefix>/include/trv, a CMake package giving trv::trv, and trv.pc.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(TRV_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/trv)
set(TRV_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/trv)

install(TARGETS trv EXPORT trvTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

file(GLOB TRV_INSTALLED_HEADERS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/include/*.h)
install(FILES ${TRV_INSTALLED_HEADERS} DESTINATION ${TRV_INSTALL_INCLUDEDIR})

install(EXPORT trvTargets NAMESPACE trv:: DESTINATION ${TRV_INSTALL_CMAKEDIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/trvConfig.cmake.in
  ${PROJECT_BINARY_DIR}/trvConfig.cmake
  INSTALL_DESTINATION ${TRV_INSTALL_CMAKEDIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/trvConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/trvConfig.cmake ${PROJECT_BINARY_DIR}/trvConfigVersion.cmake
  DESTINATION ${TRV_INSTALL_CMAKEDIR})

if(BUILD_SHARED_LIBS)
  set(TRV_PC_CFLAGS "")
else()
  set(TRV_PC_CFLAGS "-DTRV_STATIC")
endif()
# The .pc file finds the prefix from its own place, so the installed tree can
# be moved (or installed with cmake --install --prefix).
file(RELATIVE_PATH TRV_PC_TO_PREFIX /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
string(REGEX REPLACE "/$" "" TRV_PC_TO_PREFIX "${TRV_PC_TO_PREFIX}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/trv.pc.in ${PROJECT_BINARY_DIR}/trv.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/trv.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
