// The texts of a stats file as the reader collects them, byte by byte: as they stand in a file
// of the game's code page, converted to it from a UTF-8 file (one that starts with the byte
// order mark, or is UTF-8 all through) or from a text typed in UTF-8 into a code-page file.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "model/code_pages.h"

namespace vantedit {

// How the file's texts are written.
struct TextForm {
    bool utf8 = false;
    CodePage codePage = CodePage::Windows1252;  // the edition's: what the texts are stored in
};

// Why a text could not be had in the code page.
enum class TextProblem : std::uint8_t { None, NotUtf8, NotInCodePage };

class TextBuilder {
public:
    // Up to keep characters of the code page are kept; the rest is read and dropped. A text
    // that is not to be used (convert false) is kept as it stands, whatever it holds. A text of
    // a code-page file may turn out to be UTF-8: room for keep characters of it is kept till then.
    TextBuilder(const TextForm& form, std::size_t keep, bool convert = true)
        : keep_(convert && !form.utf8 ? keep * kUtf8Longest : keep), cut_(keep), convert_(convert && form.utf8),
          mayBeUtf8_(convert && !form.utf8), codePage_(form.codePage) {}

    // A run of bytes, or one. Inline for the common text of the code page itself.
    void add(int byte) {
        convert_ ? addConverted(static_cast<std::uint8_t>(byte)) : keep(static_cast<std::uint8_t>(byte));
    }
    void add(std::string_view run) {
        if (convert_) {
            for (char c : run) addConverted(static_cast<std::uint8_t>(c));
        } else {
            text_.append(run.substr(0, keep_ - std::min(keep_, text_.size())));
        }
    }
    // After the text's last byte: the first problem met, if any; a character left unfinished
    // is not UTF-8. In a code-page file, a text other than held (what MAKE writes for the cell)
    // whose bytes beyond ASCII are all UTF-8, a character of two bytes or more among them, was
    // typed in UTF-8, and is read so: code-page text almost never reads as UTF-8.
    TextProblem finish(std::string_view held = {}) {
        if (problem_ == TextProblem::None && convert_ && decoder_.midCharacter()) problem_ = TextProblem::NotUtf8;
        readAsUtf8_ = mayBeUtf8_ && text_ != held && isMultiByteUtf8(text_);
        if (readAsUtf8_) convertKept();
        if (text_.size() > cut_) text_.resize(cut_);
        return problem_;
    }

    const std::string& text() const { return text_; }
    char32_t character() const { return character_; }  // of NotInCodePage
    bool readAsUtf8() const { return readAsUtf8_; }

private:
    void addConverted(std::uint8_t b) {
        if (problem_ != TextProblem::None) return;  // the text is refused: the rest is only read
        const Utf8Decoder::Step step = decoder_.feed(b);
        if (step == Utf8Decoder::Step::Invalid) problem_ = TextProblem::NotUtf8;
        if (step != Utf8Decoder::Step::Character) return;
        const std::optional<std::uint8_t> stored = codePageByte(codePage_, decoder_.character());
        if (!stored) {
            problem_ = TextProblem::NotInCodePage;
            character_ = decoder_.character();
            return;
        }
        keep(*stored);
    }
    void keep(std::uint8_t byte) {
        if (text_.size() < keep_) text_.push_back(static_cast<char>(byte));
    }
    // The kept bytes, UTF-8 all through, converted in place: no character takes more room in
    // the code page than in UTF-8.
    void convertKept() {
        Utf8Decoder decoder;
        std::size_t to = 0;
        for (const char c : text_) {
            if (decoder.feed(static_cast<std::uint8_t>(c)) != Utf8Decoder::Step::Character) continue;
            const std::optional<std::uint8_t> stored = codePageByte(codePage_, decoder.character());
            if (!stored) {
                problem_ = TextProblem::NotInCodePage;
                character_ = decoder.character();
                break;
            }
            text_[to++] = static_cast<char>(*stored);
        }
        text_.resize(to);
    }

    // The most bytes a character of the code pages takes in UTF-8.
    static constexpr std::size_t kUtf8Longest = 3;

    std::string text_;
    std::size_t keep_;
    std::size_t cut_;  // the characters kept of a code-page file's text
    bool convert_;
    bool mayBeUtf8_;
    bool readAsUtf8_ = false;
    CodePage codePage_;
    Utf8Decoder decoder_;
    TextProblem problem_ = TextProblem::None;
    char32_t character_ = 0;
};

}  // namespace vantedit
