#include "patch/text_builder.h"

namespace vantedit {

void TextBuilder::addConverted(std::uint8_t b) {
    if (problem_ != TextProblem::None) return;  // the text is refused: the rest is only read
    switch (decoder_.feed(b)) {
        case Utf8Decoder::Step::Partial: return;
        case Utf8Decoder::Step::Invalid: problem_ = TextProblem::NotUtf8; return;
        case Utf8Decoder::Step::Character: break;
    }
    const std::optional<std::uint8_t> stored = codePageByte(codePage_, decoder_.character());
    if (!stored) {
        problem_ = TextProblem::NotInCodePage;
        character_ = decoder_.character();
        return;
    }
    keep(*stored);
}

TextProblem TextBuilder::finish() {
    if (problem_ == TextProblem::None && convert_ && decoder_.midCharacter()) problem_ = TextProblem::NotUtf8;
    return problem_;
}

}  // namespace vantedit
