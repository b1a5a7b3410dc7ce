# Checked builds: the whole build under AddressSanitizer and UBSan, or the
# fuzz targets under libFuzzer. Both add their flags to every target of the
# build, so the code under test is instrumented, not only the test drivers.

option(TAVIK_SANITIZE "Build everything with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(TAVIK_FUZZ "Build the libFuzzer targets in tests/fuzz (needs clang)" OFF)
set(TAVIK_FUZZ_SECONDS 25 CACHE STRING "How long the test run lets each fuzz target run")

# Any undefined behaviour ends the run at once instead of printing and going on.
set(tavik_sanitizer_flags -fsanitize=address,undefined -fno-omit-frame-pointer
    -fno-sanitize-recover=undefined)

if(TAVIK_SANITIZE)
  add_compile_options(${tavik_sanitizer_flags})
  add_link_options(-fsanitize=address,undefined)
  cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL tavik_leave_unsanitized)
endif()

# The browser window's helper stays out of the sanitized build: it is a thin
# shell around Qt WebEngine, links none of our libraries, and ASan stops it at
# a sized delete of the wrong size inside the prebuilt engine itself.
set(tavik_unsanitized_targets tavik6-browser)

# Takes the sanitizer flags off those targets again; they got them from the
# folder's options when they were created.
function(tavik_leave_unsanitized)
  foreach(target IN LISTS tavik_unsanitized_targets)
    if(NOT TARGET ${target})
      continue()
    endif()
    foreach(property COMPILE_OPTIONS LINK_OPTIONS)
      get_target_property(options ${target} ${property})
      if(options)
        list(REMOVE_ITEM options ${tavik_sanitizer_flags} -fsanitize=address,undefined)
        set_target_properties(${target} PROPERTIES ${property} "${options}")
      endif()
    endforeach()
  endforeach()
endfunction()

if(TAVIK_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "TAVIK_FUZZ needs clang (libFuzzer), e.g. CXX=clang++-14; "
                        "this build uses ${CMAKE_CXX_COMPILER_ID}")
  endif()
  # Libraries get the coverage hooks; only the fuzz targets link libFuzzer's main.
  add_compile_options(${tavik_sanitizer_flags} -fsanitize=fuzzer-no-link)
  add_link_options(-fsanitize=address,undefined)
endif()
