// Small text helpers shared by the run sequence and the stats file reader, and the
// messages a quiet lower layer hands back to the run sequence to print.
#pragma once

#include <charconv>
#include <concepts>
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

// The text a run prints, gathered in the order it must appear.
class Messages {
public:
    Messages& operator<<(std::string_view text) {
        text_ += text;
        return *this;
    }
    Messages& operator<<(char c) {
        text_ += c;
        return *this;
    }
    template <std::integral N>
        requires(!std::same_as<N, char> && !std::same_as<N, bool>)
    Messages& operator<<(N number) {
        char digits[24];
        text_.append(digits, std::to_chars(digits, digits + sizeof digits, number).ptr);
        return *this;
    }
    const std::string& text() const { return text_; }

private:
    std::string text_;
};

}  // namespace vantedit
