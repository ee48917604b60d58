#include "model/attachments.h"

namespace vantedit {

bool attachmentPairExists(const ByteView& image, const Edition& edition, std::int32_t weapon, std::int32_t attachment) {
    const auto wantWeapon = static_cast<std::uint16_t>(weapon);
    const auto wantAttachment = static_cast<std::uint16_t>(attachment);
    for (std::int32_t at = edition.weaponAttachOffset; at < edition.attachOffset; at += 4) {
        const auto offset = static_cast<std::size_t>(at);
        if (image.u16(offset) == wantAttachment && image.u16(offset + 2) == wantWeapon) return true;
    }
    return false;
}

}  // namespace vantedit
