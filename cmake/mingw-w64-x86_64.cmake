# Cross build for 64-bit Windows with Debian's MinGW-w64 (the posix thread
# model, which std::thread needs). The tests run under wine through CTest's
# emulator. Qt has no MinGW build on Debian, so the GUI and the benchmarks are
# left out: this build makes the Qt-free libraries, their tests and
# lumisett-tool.
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${_mingw}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The runtime libraries (libgcc, libstdc++, winpthread) go into each .exe, so
# the programs run under wine or on a till without DLLs copied beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Debian's wine64 package puts the loader of 64-bit programs in /usr/lib/wine;
# /usr/bin/wine is a wrapper that prefers the 32-bit one when both exist.
find_program(LUMISETT_WINE64 NAMES wine64 PATHS /usr/lib/wine /usr/lib/wine64 NO_DEFAULT_PATH)
find_program(LUMISETT_WINE64 NAMES wine64 wine)
if(LUMISETT_WINE64)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${LUMISETT_WINE64})
endif()

set(LUMISETT_GUI OFF CACHE BOOL "No Qt for MinGW on Debian" FORCE)
set(LUMISETT_BENCH OFF CACHE BOOL "Benchmarks are measured on the native build" FORCE)
