#include "model/descriptions.h"

#include <algorithm>

namespace vantedit {

std::string readDescriptionText(ByteView buffer, int item, const DescField& field) {
    std::string text;
    for (int k = 0; k < field.units; ++k) {
        const std::uint8_t b = buffer.u8(descUnitOffset(item, field, k));
        if (b == 0) break;
        text.push_back(static_cast<char>(storedToText(b)));
    }
    return text;
}

DescTextFit descriptionTextFits(ByteView buffer, int item, const DescField& field, std::string_view text) {
    if (text.size() >= static_cast<std::size_t>(field.units) && readDescriptionText(buffer, item, field) != text) {
        return DescTextFit::TooLong;
    }
    return text.find('\xFF') == std::string_view::npos ? DescTextFit::Fits : DescTextFit::Byte255;
}

void storeDescriptionText(MutableByteView buffer, int item, const DescField& field, std::string_view text) {
    text = text.substr(0, text.find('\0'));
    // A field that fills its whole slot with no terminator reads back as just that text: left
    // as it is, an unedited round trip changes nothing.
    if (text.size() == static_cast<std::size_t>(field.units) && readDescriptionText(buffer, item, field) == text)
        return;
    const std::size_t kept = std::min(text.size(), static_cast<std::size_t>(field.units - 1));
    for (std::size_t k = 0; k < kept; ++k) {
        buffer.setU8(descUnitOffset(item, field, static_cast<int>(k)),
                     textToStored(static_cast<std::uint8_t>(text[k])));
    }
    buffer.setU8(descUnitOffset(item, field, static_cast<int>(kept)), 0);
}

}  // namespace vantedit
