# tavik_add_gtest(<name> SOURCES <files...> LIBS <targets...>)
# One GoogleTest executable whose tests CTest lists one by one.
function(tavik_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "TAVIK_BIN_DIR=${CMAKE_BINARY_DIR}/bin")
endfunction()
