# 64-bit Windows programs: cmake -DCMAKE_TOOLCHAIN_FILE=cmake/MinGW-w64-x86_64.cmake
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TAVIK_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MinGW-w64.cmake)

# The tests run under Wine's 64-bit loader (Debian's wine64 package).
find_program(TAVIK_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(TAVIK_WINE64 NAMES wine64 wine)
if(TAVIK_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TAVIK_WINE64})
endif()
