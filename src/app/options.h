// The words before the executable that start with a dash: the run's options.
#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "dump/stats_writer.h"

namespace vantedit {

struct CommandLine {
    // The program name, then the positional words: executable, stats file, operation word and
    // whatever follows, as they were given.
    std::vector<std::string_view> args;
    StatsEncoding encoding = StatsEncoding::CodePage;  // of the stats file MAKE and merge write
    std::string_view unknownOption;                    // the first word no option is named by
    bool encodingsExclude = false;                     // --utf8 and --utf16 both given
    bool exitCode = false;                             // diff's status tells whether anything would change
    bool help = false;
    bool version = false;
};

// Only words before the executable are options: "--utf8" or "--utf16", "--exit-code", and
// "--help" and "--version" when nothing but options is given ("-h" only alone); any other word
// with a dash is an unknown option. Every word from the first that does not start with a dash
// ("-" alone included) on is positional, so that an operation's arguments are never taken for
// options.
CommandLine parseCommandLine(std::span<const std::string_view> args);
// The positional words alone (without the program name), taking no memory.
std::span<const std::string_view> positionalWords(std::span<const std::string_view> args);

}  // namespace vantedit
