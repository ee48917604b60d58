# The in-process test binary in the Windows cross build, run by ctest under Wine
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

enable_testing()
add_subdirectory(${PROJECT_SOURCE_DIR}/tests ${CMAKE_BINARY_DIR}/tests)
