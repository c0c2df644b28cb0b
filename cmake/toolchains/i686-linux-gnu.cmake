# 32-bit x86 Linux, cross-compiled with Debian's i686 cross compiler
# (crossbuild-essential-i386, or g++-i686-linux-gnu alone). Target libraries come from Debian's i386
# multiarch packages (libyaml-dev:i386 installs into /usr/lib/i386-linux-gnu);
# test programs run under user-mode emulation (qemu-i386 from qemu-user),
# since the build machine's kernel does not run 32-bit programs itself.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)

# Debian's cross compiler and its multilib packages conflict, so a machine
# has one or the other: the native compiler's 32-bit mode (g++-multilib)
# serves when the cross compiler is absent; both give the same i686 code.
find_program(KOR_I686_CXX i686-linux-gnu-g++)
if(KOR_I686_CXX)
  set(CMAKE_C_COMPILER i686-linux-gnu-gcc)
  set(CMAKE_CXX_COMPILER i686-linux-gnu-g++)
else()
  set(CMAKE_C_COMPILER gcc)
  set(CMAKE_CXX_COMPILER g++)
  set(CMAKE_C_FLAGS_INIT -m32)
  set(CMAKE_CXX_FLAGS_INIT -m32)
  set(CMAKE_EXE_LINKER_FLAGS_INIT -m32)
  set(CMAKE_SHARED_LINKER_FLAGS_INIT -m32)
  set(CMAKE_MODULE_LINKER_FLAGS_INIT -m32)
endif()
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)

# The cross compiler's own sysroot first, then the multiarch tree. Programs
# (pkg-config, qemu) are the build machine's; libraries, headers and package
# files are the target's only, so that nothing 64-bit is picked up by mistake.
set(CMAKE_FIND_ROOT_PATH /usr/i686-linux-gnu /)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config reads the i386 package files alone (plus the architecture-free
# ones, such as a header-only library's).
set(ENV{PKG_CONFIG_LIBDIR} "/usr/lib/i386-linux-gnu/pkgconfig:/usr/share/pkgconfig")
unset(ENV{PKG_CONFIG_PATH})

# qemu-i386 runs the test programs: CTest and gtest_discover_tests prefix
# every command with it. They load the i386 multiarch loader, C library and
# libstdc++ (libc6:i386, libstdc++6:i386), as a 32-bit system would. The
# cross compiler's sysroot is no runtime (qemu's -L): its loader would find
# the multiarch C library through the system's cache, and that mismatch
# hangs the first thread a program starts.
find_program(KOR_QEMU_I386 qemu-i386 REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR "${KOR_QEMU_I386}")
