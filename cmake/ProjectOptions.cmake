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

# Warnings are errors on the project's own code only (not on test frameworks).
function(kor_project_options target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
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
