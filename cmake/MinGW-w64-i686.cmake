# 32-bit Windows programs: cmake -DCMAKE_TOOLCHAIN_FILE=cmake/MinGW-w64-i686.cmake
# Built and linked only: the test machines cannot execute 32-bit code.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TAVIK_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MinGW-w64.cmake)
