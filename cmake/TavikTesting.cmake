# tavik_add_gtest(<name> SOURCES <files...> LIBS <targets...>)
# One GoogleTest executable whose tests CTest lists one by one.
function(tavik_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  if(CMAKE_CROSSCOMPILING)
    # Under an emulator every process start is dear: the whole executable is
    # one test, run once, instead of one start per case to list and to run.
    add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
    set_tests_properties(${name} PROPERTIES
      ENVIRONMENT "TAVIK_BIN_DIR=${CMAKE_BINARY_DIR}/bin;${TAVIK_WINE_TEST_ENVIRONMENT}")
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
      PROPERTIES ENVIRONMENT "TAVIK_BIN_DIR=${CMAKE_BINARY_DIR}/bin")
  endif()
endfunction()
