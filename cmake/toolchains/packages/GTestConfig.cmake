# GoogleTest for a target other than the build machine (32-bit Linux,
# Windows): built from the sources Debian's libgtest-dev ships, once per
# build tree, with the target's compiler. Provides GTest::gtest,
# GTest::gtest_main and GTest::gmock like the installed package does.
if(NOT TARGET GTest::gtest)
  set(VESK_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources (Debian package libgtest-dev)")
  if(NOT EXISTS ${VESK_GTEST_SOURCE_DIR}/CMakeLists.txt)
    set(GTest_FOUND FALSE)
    set(GTest_NOT_FOUND_MESSAGE "no GoogleTest sources in ${VESK_GTEST_SOURCE_DIR} (Debian package libgtest-dev)")
    return()
  endif()
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${VESK_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/_deps/googletest EXCLUDE_FROM_ALL)
endif()
set(GTest_FOUND TRUE)
