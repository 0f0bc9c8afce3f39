# Cross build for 64-bit Windows with Debian's MinGW-w64 (the compiler with POSIX threads, which
# C++ threads and mutexes need). Everything is linked statically, so that the plug-in module
# and the test programs need nothing but Windows' own DLLs.
#
#   scripts/windows-deps.sh     # libpng, FreeType, GoogleTest for MinGW, once
#   cmake -S . -B build-win --toolchain cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_triple}-windres)

# The third-party libraries built by scripts/windows-deps.sh (the same default folder).
if(NOT VELTAR_WINDOWS_DEPS)
  if(DEFINED ENV{VELTAR_WINDOWS_DEPS})
    set(VELTAR_WINDOWS_DEPS "$ENV{VELTAR_WINDOWS_DEPS}")
  elseif(DEFINED ENV{XDG_CACHE_HOME})
    set(VELTAR_WINDOWS_DEPS "$ENV{XDG_CACHE_HOME}/veltar/mingw-w64")
  else()
    set(VELTAR_WINDOWS_DEPS "$ENV{HOME}/.cache/veltar/mingw-w64")
  endif()
endif()
set(VELTAR_WINDOWS_DEPS "${VELTAR_WINDOWS_DEPS}" CACHE PATH
    "Prefix of the MinGW builds of libpng, FreeType and GoogleTest (scripts/windows-deps.sh)")
# try_compile projects see the same folder.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VELTAR_WINDOWS_DEPS)

set(CMAKE_FIND_ROOT_PATH /usr/${_triple} "${VELTAR_WINDOWS_DEPS}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Static archives only: Debian's MinGW zlib also ships an import library for its DLL, which
# FindZLIB would take (its name ends in .a too).
set(CMAKE_FIND_LIBRARY_SUFFIXES .a)
set(ZLIB_LIBRARY /usr/${_triple}/lib/libz.a CACHE FILEPATH "zlib, static")

set(_static "-static -static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${_static}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${_static}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${_static}")
