// libFuzzer target: the stats file reader over a synthetic game of the edition the first
// byte picks. Any check that fails is reported and ends the run as a finding.
#include <cstdio>
#include <cstdlib>

#include "fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string problem = vantedit::fuzz::checkStatsReaderInput(data, size);
    if (!problem.empty()) {
        std::fprintf(stderr, "stats reader check failed: %s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
