# What the SDK for the production host's ABI holds beyond what the top level
# installs (framework, string library, headers, CMake package): the C
# runtime layer for clang builds without a Windows SDK, the toolchain file
# for them, and veskPlatform.cmake, which the package config reads to set a
# script build up for the layer or for a Windows SDK. script/package installs
# this build and zips it with vesk_host.exe.
install(DIRECTORY ${VESK_SOURCE_ROOT}/platform/msvc/include/ DESTINATION platform/msvc/include)
install(TARGETS vesk_msvc_crt ARCHIVE DESTINATION platform/msvc/lib)
install(FILES ${CMAKE_BINARY_DIR}/platform/msvcrt.lib ${CMAKE_BINARY_DIR}/platform/kernel32.lib
  DESTINATION platform/msvc/lib)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/clang-msvc-i686.cmake DESTINATION platform/msvc)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/veskPlatform.cmake DESTINATION lib/cmake/vesk)
