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

function(qm_add_gtest target)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS;PROPERTIES" ${ARGN})
  add_executable(${target} ${A_SOURCES})
  target_link_libraries(${target} PRIVATE ${A_LIBS} GTest::gmock GTest::gtest_main)
  gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
                       PROPERTIES ${QM_TEST_PROPS} TIMEOUT 300 ${A_PROPERTIES})
endfunction()
