# The client spends nearly all its life waiting for the next tick, so what its
# code costs is the memory it occupies, not its speed: a Release build is
# optimised for size, and functions no program calls are left out when it is
# linked. (Measured on the headless client: about half its code and some
# 250 kB of resident memory, with the hosts rewrite as fast as before.)
option(TAVIK_SMALL_RELEASE "Optimise Release builds for size and drop unused code" ON)

if(TAVIK_SMALL_RELEASE AND NOT WIN32 AND NOT TAVIK_SANITIZE AND NOT TAVIK_FUZZ
   AND CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  # Given after CMake's -O3 of Release, so it takes its place.
  add_compile_options("$<$<CONFIG:Release>:-Os;-ffunction-sections;-fdata-sections>")
  add_link_options("$<$<CONFIG:Release>:LINKER:--gc-sections>")
endif()
