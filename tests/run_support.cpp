// Running the real binaries, for the whole-run tests (Linux: through a POSIX shell).
#include <sys/wait.h>

#include <array>
#include <cstdio>

#include "test_support.h"

namespace vantedit::testing {

std::string shellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') quoted += "'\\''";
        else quoted += c;
    }
    return quoted + "'";
}

RunResult runCommand(const std::filesystem::path& workDir, const std::string& commandLine) {
    RunResult result;
    std::string full = "cd ";
    full += shellQuote(workDir.string());
    full += " && ";
    full += commandLine;
    full += " </dev/null";
    std::FILE* pipe = ::popen(full.c_str(), "r");
    if (pipe == nullptr) return result;
    std::array<char, 4096> buffer;
    std::size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) result.output.append(buffer.data(), n);
    const int raw = ::pclose(pipe);
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return result;
}

RunResult runVantedit(const std::filesystem::path& workDir, const std::vector<std::string>& args,
                      const std::string& locale) {
    std::string line = "LC_ALL=" + shellQuote(locale) + " " + shellQuote(VANTEDIT_BINARY);
    for (const std::string& a : args) {
        line += ' ';
        line += shellQuote(a);
    }
    return runCommand(workDir, line);
}

}  // namespace vantedit::testing
