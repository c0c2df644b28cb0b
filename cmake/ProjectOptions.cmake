# Compiler settings shared by every target the project builds itself.

if(KOR_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined -fno-sanitize-recover=all)
endif()

# Fuzzing instruments every library for coverage and memory errors; only the
# fuzz targets themselves link the fuzzer's main.
if(KOR_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer
                      -fsanitize-ignorelist=${PROJECT_SOURCE_DIR}/fuzz/sanitizer-ignore.txt)
  add_link_options(-fsanitize=address,undefined)
endif()

# Warnings on the project's own code only (not on test frameworks); errors
# where KOR_WERROR asks for them.
set(KOR_WARNING_OPTIONS -Wall -Wextra)
if(KOR_WERROR)
  list(APPEND KOR_WARNING_OPTIONS -Werror)
endif()

function(kor_project_options target)
  target_compile_options(${target} PRIVATE ${KOR_WARNING_OPTIONS})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()

# A layer: one static library per source folder.
function(kor_add_layer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  kor_project_options(${name})
  if(ARG_DEPENDS)
    target_link_libraries(${name} PUBLIC ${ARG_DEPENDS})
  endif()
endfunction()

# 32-bit POSIX builds use 64-bit file offsets: without them stat() fails with
# EOVERFLOW on a file past 2 GiB or an inode number past 32 bits, and an
# existing file or directory would be taken for a missing one. Set for every
# target alike, so that no two translation units disagree on off_t.
if(CMAKE_SIZEOF_VOID_P EQUAL 4 AND NOT WIN32)
  add_compile_definitions(_FILE_OFFSET_BITS=64)
endif()
