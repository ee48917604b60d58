// libFuzzer target: MAKE's stats file writer over an image whose tables and description
// buffers hold the input's bytes. Any check that fails is reported and ends the run.
#include <cstdio>
#include <cstdlib>

#include "fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string problem = vantedit::fuzz::checkStatsWriterInput(data, size);
    if (!problem.empty()) {
        std::fprintf(stderr, "stats writer check failed: %s\n", problem.c_str());
        std::abort();
    }
    return 0;
}
