# Cross build for 64-bit Windows with Debian's MinGW-w64 (the posix thread
# model, which std::thread needs). The tests run under wine through CTest's
# emulator.
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# builds the Qt-free libraries, their tests and lumisett-tool. With
#   -DLUMISETT_QT_WINDOWS=<Qt for Windows built by scripts/qt-windows>
# it builds the whole program, the window and its widget tests included.
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
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES LUMISETT_QT_WINDOWS)

if(LUMISETT_QT_WINDOWS)
    # Qt's DLLs use the runtime libraries (libgcc, libstdc++, winpthread) as
    # DLLs, so the programs do too, with one copy of each in the process. Qt's
    # build tools (moc, rcc, uic) are the host's Qt of the same version.
    list(PREPEND CMAKE_FIND_ROOT_PATH ${LUMISETT_QT_WINDOWS})
    list(PREPEND CMAKE_PREFIX_PATH ${LUMISETT_QT_WINDOWS})
    set(QT_HOST_PATH /usr)
    set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)
else()
    # The runtime libraries go into each .exe, so the programs run under wine
    # or on a till without DLLs copied beside them.
    set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
    set(LUMISETT_GUI OFF CACHE BOOL "Qt for Windows comes from scripts/qt-windows" FORCE)
endif()

# Debian's wine64 package puts the loader of 64-bit programs in /usr/lib/wine;
# /usr/bin/wine is a wrapper that prefers the 32-bit one when both exist.
find_program(LUMISETT_WINE64 NAMES wine64 PATHS /usr/lib/wine /usr/lib/wine64 NO_DEFAULT_PATH)
find_program(LUMISETT_WINE64 NAMES wine64 wine)
if(LUMISETT_WINE64)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${LUMISETT_WINE64})
endif()

set(LUMISETT_BENCH OFF CACHE BOOL "Benchmarks are measured on the native build" FORCE)
