#include "model/descriptions.h"

#include <algorithm>

namespace vantedit {

std::string readDescriptionText(ByteView buffer, int item, const DescField& field) {
    // MAKE and PATCH read every text: its units are taken straight from the field's stretch,
    // checked once, rather than byte by checked byte.
    const std::size_t begin = descUnitOffset(item, field, 0);
    if (begin >= buffer.size()) return {};
    // Units beyond the buffer read as 0, which ends the text.
    const std::size_t units = std::min(static_cast<std::size_t>(field.units), (buffer.size() - begin + 1) / 2);
    const std::uint8_t* unit = buffer.bytes().data() + begin;
    std::string text(units, '\0');
    std::size_t length = 0;
    while (length < units && unit[2 * length] != 0) {
        text[length] = static_cast<char>(storedToText(unit[2 * length]));
        ++length;
    }
    text.resize(length);
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
