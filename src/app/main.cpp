#include <cstdlib>
#include <iostream>
#include <memory>
#include <new>
#include <span>
#include <string_view>

#include "app/messages.h"
#include "app/run.h"
#include "app/terminal.h"

#if defined(_WIN32)
#include <windows.h>
#endif

// The arguments are had without an exception: none could be thrown, let alone caught, before
// the run's memory reserve exists. Not through new, not even its nothrow form: the run library
// makes that one of the throwing new and a catch. They are kept in one block of malloc's.
namespace {

using Room = std::unique_ptr<void, decltype(&std::free)>;

int runOn(const Room& room, std::size_t count) {
    if (room == nullptr) {
        vantedit::printNote(std::cout, vantedit::Note::OutOfMemory);
        return 1;
    }
    vantedit::prepareStandardStreams();
    auto* args = static_cast<std::string_view*>(room.get());
    const int status = vantedit::runVantedit(std::span(args, count), std::cout, std::cerr, vantedit::noFaults());
    std::cout.flush();
    std::cerr.flush();
    return status;
}

}  // namespace

#if defined(_WIN32)

// Windows gives the arguments in UTF-16, in any letters; the run takes them, as every name
// of a file, in UTF-8.
int wmain(int argc, wchar_t** argv) {
    const auto count = static_cast<std::size_t>(argc);
    std::size_t bytes = 0;  // each argument's UTF-8 with its 0
    for (std::size_t i = 0; i < count; ++i) {
        bytes += static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, nullptr, 0, nullptr, nullptr));
    }
    const Room room(std::malloc(count * sizeof(std::string_view) + bytes), &std::free);
    if (room != nullptr) {
        auto* args = static_cast<std::string_view*>(room.get());
        char* text = reinterpret_cast<char*>(args + count);
        for (std::size_t i = 0; i < count; ++i) {
            const int n = WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, text, static_cast<int>(bytes), nullptr, nullptr);
            const auto size = static_cast<std::size_t>(n > 0 ? n : 0);
            new (args + i) std::string_view(text, size > 0 ? size - 1 : 0);
            text += size;
            bytes -= size;
        }
    }
    return runOn(room, count);
}

#else

int main(int argc, char** argv) {
    const auto count = static_cast<std::size_t>(argc);
    const Room room(std::malloc(count * sizeof(std::string_view)), &std::free);
    if (room != nullptr) {
        auto* args = static_cast<std::string_view*>(room.get());
        for (std::size_t i = 0; i < count; ++i) new (args + i) std::string_view(argv[i]);
    }
    return runOn(room, count);
}

#endif
