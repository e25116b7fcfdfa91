# SPDX-License-Identifier: MIT
# Debian packages, made by `make package` (CPack) from a shared build:
#   libtrv1     the shared library (and the license), all a program built
#               against trv needs at run time
#   libtrv-dev  headers, the libtrv.so link, the CMake package and trv.pc
#   trv         the command-line program
# The program has a package of its own, as Debian's rules for library
# packages ask: libtrv1 and a later libtrv2 must be installable side by
# side, which a bin/trv in each would forbid, and a library user need not
# take the program.
get_target_property(TRV_LIBRARY_TYPE trv TYPE)
if(NOT TRV_LIBRARY_TYPE STREQUAL "SHARED_LIBRARY")
  message(STATUS "trv: Debian packages are made from a shared build only (no package target)")
  return()
endif()

set(TRV_RUNTIME_PACKAGE libtrv${PROJECT_VERSION_MAJOR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME trv)
set(CPACK_PACKAGE_VENDOR "the trv authors")
set(CPACK_PACKAGE_CONTACT "the trv authors")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# Each package's description starts with its own summary line, so no common
# summary is put in front of them.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime dev)
if(TARGET trv_app)
  list(APPEND CPACK_COMPONENTS_ALL program)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "the trv authors")
# dpkg-shlibdeps works out the run-time dependencies (libc6, libstdc++6...)
# from the binaries. It runs in each package's staging folder; the program's
# finds libtrv.so.1 in the runtime package's one beside it.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS "../runtime${CPACK_PACKAGING_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}")

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ${TRV_RUNTIME_PACKAGE})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "trv utility library - shared library
trv offers a typed log, publish/subscribe notifications, progress delegates,
memory figures, core utilities and geometry. MIT license.")

set(CPACK_DEBIAN_DEV_PACKAGE_NAME libtrv-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "${TRV_RUNTIME_PACKAGE} (= ${PROJECT_VERSION}), libboost-dev (>= 1.74)")
set(CPACK_DEBIAN_DEV_DESCRIPTION "trv utility library - development files
The headers, the CMake package (find_package(trv)) and trv.pc. MIT license.")

set(CPACK_DEBIAN_PROGRAM_PACKAGE_NAME trv)
set(CPACK_DEBIAN_PROGRAM_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PROGRAM_PACKAGE_DEPENDS "${TRV_RUNTIME_PACKAGE} (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_PROGRAM_DESCRIPTION "trv utility library - command-line program
trv sweep, memory, pose and random: a collision sweep and small tools over
the trv library. MIT license.")

include(CPack)
