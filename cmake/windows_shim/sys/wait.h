// Windows has no <sys/wait.h>. The test helpers include it only to decode the status of the
// processes they start, and the tests that start processes are not part of the Windows build
// (see windows_tests.cmake), so the status is simply taken as it is.
#pragma once
#define WIFEXITED(status) 1
#define WEXITSTATUS(status) (status)
