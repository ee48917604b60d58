#include <algorithm>
#include <array>
#include <cstddef>
#include <iostream>
#include <span>
#include <string_view>

#include "app/run.h"

int main(int argc, char** argv) {
    // Views of the arguments need no memory: the run itself reports when memory is short.
    std::array<std::string_view, 4> args;
    const std::size_t count = std::min(static_cast<std::size_t>(std::max(argc, 0)), args.size());
    for (std::size_t i = 0; i < count; ++i) args[i] = argv[i];
    const int status = vantedit::runVantedit(std::span(args).first(count), std::cout, vantedit::noFaults());
    std::cout.flush();
    return status;
}
