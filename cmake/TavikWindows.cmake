# The Windows build, cross-compiled with MinGW-w64 (see the toolchain files
# beside this one). It builds what runs on Windows: the logic, the Win32
# adapters, the headless front end, the programs and their tests; no Qt, no
# SQLite, no HTTP library, no fuzz targets, no benchmarks.

# Unicode entry points throughout; no min/max macros from windows.h.
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
# MinGW's GCC 12 reports std::string copies that cannot overlap or be
# uninitialised at -O2; the Linux build keeps these warnings.
add_compile_options(-Wno-restrict -Wno-maybe-uninitialized)

# GoogleTest has no MinGW package in Debian; its sources are built with the
# tests; its own build names the targets as the packaged version does.
set(TAVIK_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources for the Windows tests")

macro(tavik_googletest_from_source)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(${TAVIK_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  foreach(lib gtest gtest_main gmock gmock_main)
    target_compile_options(${lib} PRIVATE -w)
  endforeach()
endmacro()

# The tests run under Wine in a prefix of their own inside the build folder,
# made once by the test command (wineboot -i) and reused by every test. The
# user's regional settings are German, as on the desktops the program was
# made for.
set(TAVIK_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix CACHE PATH "Wine prefix the Windows tests run in")
set(TAVIK_WINE_TEST_ENVIRONMENT "WINEPREFIX=${TAVIK_WINEPREFIX};WINEDEBUG=-all;LC_ALL=de_DE.UTF-8")

# Each program's manifest (tavik_program_manifest).
include(${CMAKE_CURRENT_LIST_DIR}/TavikManifest.cmake)
