#include <iostream>
#include <new>
#include <string_view>
#include <vector>

#include "app/run.h"

int main(int argc, char** argv) {
    // Views of the arguments: the run itself reports when memory is short.
    std::vector<std::string_view> args;
    try {
        args.assign(argv, argv + argc);
    } catch (const std::bad_alloc&) {
        std::cout << "Unable to allocate memory.\n";
        return 1;
    }
    const int status = vantedit::runVantedit(args, std::cout, std::cerr, vantedit::noFaults());
    std::cout.flush();
    std::cerr.flush();
    return status;
}
