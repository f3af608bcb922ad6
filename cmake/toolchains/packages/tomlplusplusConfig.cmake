# toml++ for a target other than the build machine (32-bit Linux, Windows).
#
# Debian's package config links its x86_64 shared library; for any other
# target toml++ is used as the header-only library it also is. The headers
# are copied into the build tree so that no host system folder (such as
# /usr/include, full of glibc headers) lands on a cross compiler's path.
if(NOT TARGET tomlplusplus::tomlplusplus)
  find_path(VESK_TOMLPLUSPLUS_HEADERS toml++/toml.h
    PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  if(NOT VESK_TOMLPLUSPLUS_HEADERS)
    set(tomlplusplus_FOUND FALSE)
    set(tomlplusplus_NOT_FOUND_MESSAGE "toml++ headers not found (Debian package libtomlplusplus-dev)")
    return()
  endif()
  set(_vesk_toml_include ${CMAKE_BINARY_DIR}/_deps/tomlplusplus/include)
  file(COPY ${VESK_TOMLPLUSPLUS_HEADERS}/toml++ DESTINATION ${_vesk_toml_include})
  add_library(tomlplusplus::tomlplusplus INTERFACE IMPORTED)
  set_target_properties(tomlplusplus::tomlplusplus PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES ${_vesk_toml_include}
    INTERFACE_COMPILE_DEFINITIONS TOML_HEADER_ONLY=1)
  unset(_vesk_toml_include)
endif()
set(tomlplusplus_FOUND TRUE)
set(tomlplusplus_VERSION 3.3.0)
