# Writes the settings page's files into one C++ source as byte arrays
# (run as a script: cmake -DSOURCE_DIR=... -DOUTPUT=... -DFILES=a;b -P).
# index.html is served at "/", every other file at "/page/<name>".
set(types_html "text/html; charset=utf-8")
set(types_js "text/javascript; charset=utf-8")
set(types_css "text/css; charset=utf-8")
set(types_svg "image/svg+xml")
set(types_png "image/png")

set(arrays "")
set(entries "")
set(index 0)
foreach(name IN LISTS FILES)
  file(READ "${SOURCE_DIR}/${name}" hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
  # Sixteen bytes a line (CMake's expressions know no counted repetition).
  string(REPEAT "'\\\\x[0-9a-f][0-9a-f]'," 16 line)
  string(REGEX REPLACE "(${line})" "\\1\n" bytes "${bytes}")
  get_filename_component(extension "${name}" LAST_EXT)
  string(SUBSTRING "${extension}" 1 -1 extension)
  if(NOT DEFINED types_${extension})
    message(FATAL_ERROR "no content type known for ${name}")
  endif()
  if(name STREQUAL "index.html")
    set(path "/")
  else()
    set(path "/page/${name}")
  endif()
  string(LENGTH "${hex}" digits)
  math(EXPR size "${digits} / 2")
  string(APPEND arrays "constexpr char kFile${index}[] = {\n${bytes}'\\0'};\n")
  string(APPEND entries "    {\"${path}\", \"${types_${extension}}\", {kFile${index}, ${size}}},\n")
  math(EXPR index "${index} + 1")
endforeach()

file(WRITE "${OUTPUT}.new" "// Generated from tools/kor-host/web by cmake/EmbedPage.cmake.
#include \"tools/kor-host/WebPage.h\"

namespace kor::korhost {
namespace {
${arrays}
constexpr PageFile kFiles[] = {
${entries}};
}  // namespace

std::span<const PageFile> PageFiles() { return kFiles; }

}  // namespace kor::korhost
")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
