# The Debian package, made by CPack from the install rules:
#
#   cmake -S . -B build-package -DCMAKE_INSTALL_PREFIX=/usr -DVESK_BUILD_TESTS=OFF
#   cmake --build build-package && cpack --config build-package/CPackConfig.cmake -G DEB
#
# It holds what a script author needs on Linux: the headers, libvesk_string,
# the framework library, the test library vesk::testing, vesk_host, the
# CMake package and the docs.
# script/package makes it, and the SDK zip for the production host's ABI.
include(GNUInstallDirs)

install(FILES README.md docs/binaries.md docs/host_emulator.md docs/writing_a_script.md
  DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/vesk)

set(CPACK_PACKAGE_NAME vesk)
set(CPACK_PACKAGE_VENDOR "Rig_Vue team")
set(CPACK_PACKAGE_CONTACT "Rig_Vue team")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "vesk panel script framework, string library and host emulator")
set(CPACK_PACKAGE_DESCRIPTION
  "Build panel scripts for the vesk panel host with find_package(vesk) and
vesk_add_script, and run, test and validate them with the host emulator
vesk_host and unit-test them with vesk::testing (vesk_host new writes a new
script project).")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_GENERATOR DEB)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
# Depends from the binaries' own libraries (dpkg-shlibdeps); what building a
# script needs is recommended.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "cmake (>= 3.25), g++, ninja-build, libgtest-dev")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "gcovr, gdb")
# libvesk_string.so.1 goes into the loader's cache at install time.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)

include(CPack)
