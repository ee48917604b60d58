#include "app/options.h"

namespace vantedit {

namespace {
bool isOptionWord(std::span<const std::string_view> args, std::size_t at) {
    return !(args.size() == 2 && args[1] == "-h") && args[at].size() > 1 && args[at].starts_with('-');
}
}  // namespace

std::span<const std::string_view> positionalWords(std::span<const std::string_view> args) {
    std::size_t at = args.empty() ? 0 : 1;
    while (at < args.size() && isOptionWord(args, at)) ++at;
    return args.subspan(at);
}

CommandLine parseCommandLine(std::span<const std::string_view> args) {
    CommandLine line;
    if (args.empty()) return line;
    line.args.push_back(args[0]);
    if (args.size() == 2 && args[1] == "-h") {
        line.help = true;
        return line;
    }
    std::size_t at = 1;
    bool help = false;
    bool version = false;
    for (; at < args.size() && isOptionWord(args, at); ++at) {
        if (args[at] == "--utf8" || args[at] == "--utf16") {
            const StatsEncoding named = args[at] == "--utf8" ? StatsEncoding::Utf8 : StatsEncoding::Utf16;
            line.encodingsExclude =
                line.encodingsExclude || (line.encoding != StatsEncoding::CodePage && line.encoding != named);
            line.encoding = named;
        } else if (args[at] == "--exit-code") {
            line.exitCode = true;
        } else if (args[at] == "--help") {
            help = true;
        } else if (args[at] == "--version") {
            version = true;
        } else if (line.unknownOption.empty()) {
            line.unknownOption = args[at];
        }
    }
    line.args.insert(line.args.end(), args.begin() + static_cast<std::ptrdiff_t>(at), args.end());
    // Asked for with nothing to run; before an executable they are no option of a run.
    const bool alone = line.args.size() == 1;
    if (line.unknownOption.empty() && (help || version)) {
        if (alone) {
            line.help = help;
            line.version = version && !help;
        } else {
            line.unknownOption = help ? "--help" : "--version";
        }
    }
    return line;
}

}  // namespace vantedit
