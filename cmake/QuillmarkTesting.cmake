# qm_add_gtest(<target> SOURCES ... LIBS ... [PROPERTIES ...])
# A GoogleTest executable whose cases are discovered at test time (through Wine in the Windows
# build). Every Windows test needs the persistent wineserver fixture.
if(CMAKE_CROSSCOMPILING_EMULATOR AND NOT TARGET qm_wine_fixture_defined)
  add_custom_target(qm_wine_fixture_defined)
  add_test(NAME wine.start COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} --start)
  add_test(NAME wine.stop COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} --stop)
  set_tests_properties(wine.start PROPERTIES FIXTURES_SETUP wine)
  set_tests_properties(wine.stop PROPERTIES FIXTURES_CLEANUP wine)
  set(QM_TEST_PROPS FIXTURES_REQUIRED wine)
endif()

# Parsing GoogleTest and the standard headers (and <windows.h> for the Windows tests) was over half
# of a test file's compile time: each tree precompiles them once, and every test target reuses that.
# Portable tests get no <windows.h>: its macros (CopyFile, GetObject...) would rename their names.
# The optimised build compiles test code unoptimised: the code under test stays as it ships, and
# -O3 on test bodies cost a third of their compile time for nothing.
set(QM_TEST_CODE_OPTIONS $<$<CONFIG:Release>:-O0>)
function(qm_test_pch name)
  if(TARGET ${name})
    return()
  endif()
  set(src ${CMAKE_BINARY_DIR}/${name}.cpp)
  file(WRITE ${src} "")
  add_library(${name} STATIC ${src})
  target_link_libraries(${name} PRIVATE GTest::gtest)
  target_compile_options(${name} PRIVATE ${QM_TEST_CODE_OPTIONS})
  target_precompile_headers(${name} PRIVATE <gtest/gtest.h> <string> <string_view> <vector> <optional>
                            <random> <filesystem> ${ARGN})
endfunction()

function(qm_add_gtest target)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS;PROPERTIES" ${ARGN})
  add_executable(${target} ${A_SOURCES})
  target_link_libraries(${target} PRIVATE ${A_LIBS} GTest::gmock GTest::gtest_main)
  target_compile_options(${target} PRIVATE ${QM_TEST_CODE_OPTIONS})
  if(CMAKE_CURRENT_SOURCE_DIR MATCHES "/tests/windows/")
    qm_test_pch(qm_test_pch_windows <windows.h> <commctrl.h>)
    target_precompile_headers(${target} REUSE_FROM qm_test_pch_windows)
  else()
    qm_test_pch(qm_test_pch_portable)
    target_precompile_headers(${target} REUSE_FROM qm_test_pch_portable)
  endif()
  gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
                       PROPERTIES ${QM_TEST_PROPS} TIMEOUT 300 ${A_PROPERTIES})
endfunction()
