// Small text helpers shared by the run sequence, the stats file's writer and its reader.
#pragma once

#include <string>
#include <string_view>

namespace vantedit {

constexpr char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// ASCII letters compared without regard to case, over the whole length.
constexpr bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    }
    return true;
}

// In double quotes, each double quote inside doubled, as spreadsheets quote a text.
inline std::string quotedText(std::string_view text) {
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

}  // namespace vantedit
