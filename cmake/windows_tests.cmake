# The in-process part of the test suite in the Windows cross build, run by ctest under Wine
# (CMAKE_CROSSCOMPILING_EMULATOR, set by the toolchain file). The whole-run tests start the
# program through a POSIX shell, so they stay with the Linux build; .ci/windows-e2e runs the
# whole-run cases of vantedit.exe under Wine instead.
set(VANTEDIT_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources (Debian's libgtest-dev)")
if(NOT EXISTS ${VANTEDIT_GTEST_SOURCE}/CMakeLists.txt)
  message(WARNING "No GoogleTest sources in ${VANTEDIT_GTEST_SOURCE} (apt-get install libgtest-dev): "
                  "the Windows build is made without its tests")
  add_custom_target(vantedit_tests COMMAND ${CMAKE_COMMAND} -E echo "Windows tests not built: no GoogleTest sources")
  return()
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${VANTEDIT_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

if(NOT TARGET vantedit_fuzz_checks)
  add_library(vantedit_fuzz_checks STATIC ${PROJECT_SOURCE_DIR}/fuzz/fuzz_checks.cpp)
  target_include_directories(vantedit_fuzz_checks PUBLIC ${PROJECT_SOURCE_DIR}/fuzz)
  target_link_libraries(vantedit_fuzz_checks PUBLIC vantedit_synth)
endif()

# Every test file that does not run the program as a process.
file(GLOB all_tests CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/*_test.cpp)
set(in_process_tests)
# Read again whenever a test file changes, so that a file that starts running the program leaves.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${all_tests})
foreach(test_file IN LISTS all_tests)
  file(READ ${test_file} text)
  if(NOT text MATCHES "runVantedit|runCommand")
    list(APPEND in_process_tests ${test_file})
  endif()
endforeach()

add_executable(vantedit_tests ${in_process_tests} ${PROJECT_SOURCE_DIR}/tests/test_support.cpp)
target_include_directories(vantedit_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests ${CMAKE_CURRENT_LIST_DIR}/windows_shim)
target_link_libraries(vantedit_tests PRIVATE vantedit_fuzz_checks vantedit_synth gtest gtest_main)
target_compile_definitions(vantedit_tests PRIVATE
  VANTEDIT_BINARY="not-run-on-windows" VANTGEN_BINARY="not-run-on-windows"
  VANTEDIT_FUZZ_CORPUS="${PROJECT_SOURCE_DIR}/tests/fuzz_corpus")

enable_testing()
# Wine sets up its prefix on the first run; tests started side by side while it does can fail.
add_test(NAME wine_prefix COMMAND vantedit)
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wine)
include(GoogleTest)
gtest_discover_tests(vantedit_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
  PROPERTIES FIXTURES_REQUIRED wine)
