# Settings of the Windows cross build (see cmake/mingw-w64-x86_64.cmake), included by the
# top-level CMakeLists.txt. The benchmarks, fuzz targets, the JUCE test host, LV2 and the
# renderer stay Linux-only; the plug-in, its framework and their tests are built, and the tests
# run under Wine.
if(NOT EXISTS "${VELTAR_WINDOWS_DEPS}/.recipe")
  message(FATAL_ERROR "The MinGW builds of libpng, FreeType and GoogleTest are not in "
    "${VELTAR_WINDOWS_DEPS}: run scripts/windows-deps.sh first (it builds them there).")
endif()

set(VELTAR_BENCH OFF CACHE BOOL "Build the benchmarks" FORCE)
set(VELTAR_FUZZ OFF CACHE BOOL "Build the fuzz targets (clang only)" FORCE)
set(VELTAR_JUCE_HOST OFF CACHE BOOL "Build the JUCE test host" FORCE)
if(VELTAR_SANITIZE)
  message(FATAL_ERROR "MinGW-w64 has no sanitizers; leave VELTAR_SANITIZE empty")
endif()

# MinGW's GCC keeps the stack 16-byte aligned but may spill 32-byte AVX values with aligned
# moves (GCC bug 54412); the assembler makes every aligned vector move an unaligned one, which
# costs nothing on processors with AVX. The chain's AVX2 path would crash without it.
add_compile_options(-Wa,-muse-unaligned-vector-move)

# windows.h without its min and max macros, and without the rarely used parts.
add_compile_definitions(NOMINMAX WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0601)
# M_PI and its kin, which the C library keeps to POSIX programs unless asked.
add_compile_definitions(_USE_MATH_DEFINES)

# Test programs, generators run at build time and test discovery run under Wine, in a Wine
# prefix of this build folder (made on first use).
find_program(VELTAR_WINE wine REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_SOURCE_DIR}/scripts/wine-run.sh;${CMAKE_BINARY_DIR}/wineprefix")
set(VELTAR_WINE_RUN ${CMAKE_CROSSCOMPILING_EMULATOR})

# Prefixed to an absolute path handed to a program of this build, it is the path as programs
# under Wine see it: the Unix root is drive Z:.
set(VELTAR_NATIVE_ROOT "Z:")

# A bundle's module: NAME.vst3/Contents/x86_64-win/NAME.vst3, the DLL with the bundle's extension.
set(VELTAR_BUNDLE_ARCH x86_64-win)
set(VELTAR_MODULE_SUFFIX .vst3)
