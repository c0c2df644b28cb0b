#pragma once

#include <span>
#include <string_view>

namespace kor::korhost {

// One file of the settings page, compiled into kor-host from
// tools/kor-host/web/ so that the program needs nothing beside it.
struct PageFile {
    std::string_view path;  // what a browser asks for: "/" for index.html, "/page/<name>" for the rest
    std::string_view contentType;
    std::string_view bytes;
};

std::span<const PageFile> PageFiles();

}  // namespace kor::korhost
