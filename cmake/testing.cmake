# GoogleTest from Debian's sources, built with the same compiler as the code under test,
# so that the one test source runs natively and under Wine.
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

# ov_add_test(NAME SOURCES... [LIBS libs...]): one test program per test file, one ctest entry each.
# On the win64 preset ctest runs it through CMAKE_CROSSCOMPILING_EMULATOR, that is under Wine.
function(ov_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT 300)
endfunction()

# ov_add_service_test(NAME SOURCES... [LIBS libs...]): ov_add_test for a test that talks to the
# local test services; ctest starts them first (tests/CMakeLists.txt) and TestServices finds them.
set(OV_TEST_SERVICES_STATE ${CMAKE_BINARY_DIR}/test-services/state)
function(ov_add_service_test name)
  ov_add_test(${name} ${ARGN})
  set_tests_properties(${name} PROPERTIES
    FIXTURES_REQUIRED test_services
    ENVIRONMENT OV_TEST_SERVICES=${OV_TEST_SERVICES_STATE})
endfunction()
