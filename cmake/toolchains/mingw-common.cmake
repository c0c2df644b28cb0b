# Shared by the MinGW-w64 toolchain files; KOR_MINGW_PREFIX names the target.
set(CMAKE_C_COMPILER ${KOR_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KOR_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${KOR_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KOR_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The runtime (libgcc, libstdc++, winpthreads) is linked in statically, so
# the DLL and the test programs load without any MinGW DLL beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
