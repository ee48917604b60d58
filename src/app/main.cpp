#include <iostream>
#include <memory>
#include <new>
#include <span>
#include <string_view>

#include "app/messages.h"
#include "app/run.h"
#include "app/terminal.h"

int main(int argc, char** argv) {
    // Views of the arguments, had without an exception: none could be thrown, let alone caught,
    // before the run's memory reserve exists.
    const std::unique_ptr<std::string_view[]> args(new (std::nothrow) std::string_view[static_cast<std::size_t>(argc)]);
    if (!args) {
        vantedit::printNote(std::cout, vantedit::Note::OutOfMemory);
        return 1;
    }
    for (int i = 0; i < argc; ++i) args[static_cast<std::size_t>(i)] = argv[i];
    vantedit::prepareStandardStreams();
    const int status = vantedit::runVantedit(std::span(args.get(), static_cast<std::size_t>(argc)), std::cout,
                                             std::cerr, vantedit::noFaults());
    std::cout.flush();
    std::cerr.flush();
    return status;
}
