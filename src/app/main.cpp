#include <cstdlib>
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
    // before the run's memory reserve exists. Not through new, not even its nothrow form: the
    // run library makes that one of the throwing new and a catch.
    const auto count = static_cast<std::size_t>(argc);
    const std::unique_ptr<void, decltype(&std::free)> room(std::malloc(count * sizeof(std::string_view)), &std::free);
    if (room == nullptr) {
        vantedit::printNote(std::cout, vantedit::Note::OutOfMemory);
        return 1;
    }
    auto* args = static_cast<std::string_view*>(room.get());
    for (std::size_t i = 0; i < count; ++i) new (args + i) std::string_view(argv[i]);
    vantedit::prepareStandardStreams();
    const int status = vantedit::runVantedit(std::span(args, count), std::cout, std::cerr, vantedit::noFaults());
    std::cout.flush();
    std::cerr.flush();
    return status;
}
