# Install and export, so script authors can find_package(vesk) and build
# their own scripts with vesk_add_script().
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

install(TARGETS vesk_string vesk_script_helper vesk_warnings vesk_no_runtime
  EXPORT veskTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY stringlib/include/ framework/include/
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/vesk)
install(EXPORT veskTargets
  NAMESPACE vesk::
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/vesk)
install(FILES cmake/VeskScript.cmake cmake/VeskSessionTest.cmake cmake/VeskValidateTest.cmake
  cmake/VeskScriptTest.cmake cmake/VeskCoverage.cmake cmake/VeskCoverageReport.cmake
  cmake/vesk_script.map cmake/vesk_script.def
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/vesk)
# The test library for scripts, beside the emulator (not in the MSVC-ABI SDK).
if(TARGET vesk_testing)
  install(TARGETS vesk_testing EXPORT veskTargets ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
  install(DIRECTORY framework/testing/include/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
endif()
# The emulator is a Windows program in the SDK, whatever builds the scripts.
if(WIN32)
  set(VESK_HOST_SUFFIX .exe)
else()
  set(VESK_HOST_SUFFIX "")
endif()
configure_package_config_file(cmake/veskConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/veskConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/vesk
  PATH_VARS CMAKE_INSTALL_BINDIR)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/veskConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES
  ${CMAKE_CURRENT_BINARY_DIR}/veskConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/veskConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/vesk)
