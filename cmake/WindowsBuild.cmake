# What a Windows (MinGW-w64 cross) build uses instead of the build machine's
# packages. RapidJSON is header-only and libyaml's header is plain C
# declarations, so both are taken from the build machine's Debian packages:
# only those headers are staged into the build tree, because the whole of
# /usr/include on the include path would mix glibc headers into a Windows
# build. libyaml's DLL itself is found at run time (binding/YamlLibraryWin32.cpp).

set(KOR_STAGED_INCLUDE_DIR ${CMAKE_BINARY_DIR}/staged-include)
if(NOT EXISTS /usr/include/rapidjson/reader.h OR NOT EXISTS /usr/include/yaml.h)
  message(FATAL_ERROR "The Windows build needs rapidjson-dev and libyaml-dev on the build machine")
endif()
file(COPY /usr/include/rapidjson DESTINATION ${KOR_STAGED_INCLUDE_DIR})
file(COPY /usr/include/yaml.h DESTINATION ${KOR_STAGED_INCLUDE_DIR})
set(RAPIDJSON_INCLUDE_DIR ${KOR_STAGED_INCLUDE_DIR})

# The declarations only, without libyaml's dllimport decoration: the
# functions are reached through addresses found at run time.
add_library(kor_yaml_headers INTERFACE)
target_include_directories(kor_yaml_headers SYSTEM INTERFACE ${KOR_STAGED_INCLUDE_DIR})
target_compile_definitions(kor_yaml_headers INTERFACE YAML_DECLARE_STATIC)

# GCC 12 reports a false -Wrestrict overlap inside libstdc++'s string
# append when it inlines it at -O2 (GCC bug 105329); Debian's MinGW
# compilers are GCC 12.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  add_compile_options(-Wno-restrict)
endif()

# <windows.h> without its min/max macros and rarely used parts; Windows 7 API.
add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)

# GoogleTest from Debian's source package, built with the cross compiler.
if(KOR_BUILD_TESTS)
  set(KOR_GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${KOR_GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
endif()
