#include "patch/attachment_groups.h"

namespace vantedit {

void addAttachmentPair(AttachmentGroups& groups, std::int32_t weapon, std::int32_t attachment) {
    for (std::size_t g = 0; g < kAttachmentKinds.size(); ++g) {
        if (static_cast<std::uint16_t>(kAttachmentKinds[g].item) != static_cast<std::uint16_t>(attachment)) continue;
        if (groups.pairs[g].size() < kGroupSize) {
            groups.pairs[g].push_back(attachmentPair(weapon, attachment));
        } else {
            ++groups.overflow[g];
        }
        return;
    }
}

Messages rebuildWeaponAttachTable(Game& game, const AttachmentGroups& groups) {
    Messages out;
    out << "\nSorting weapon attachments...";
    const Edition& e = game.edition();
    const MutableByteView image = game.mutableImage();
    const std::int32_t capacity = weaponAttachCapacity(e);

    std::int64_t collected = 0;
    std::uint32_t lastWritten = 0;  // also what an empty walk leaves in every record
    for (std::size_t g = 0; g < groups.pairs.size(); ++g) {
        for (std::uint32_t pair : groups.pairs[g]) {
            if (collected < capacity) {
                storeWeaponAttachRecord(image, e, static_cast<std::int32_t>(collected), pair);
                lastWritten = pair;
            }
            ++collected;
        }
        collected += groups.overflow[g];  // such a group lies far beyond the capacity: nothing more is written
    }

    if (collected > capacity) {
        out << "\n\nWARNING:  You have " << collected - capacity << " too many weapon attachments.\nThe maximum limit is "
            << capacity << ".  The extra attachments have been ignored.\n";
    } else {
        out << "\n" << collected << " of " << capacity << " attachments added...";
    }

    for (std::int64_t r = collected; r < capacity; ++r) {
        storeWeaponAttachRecord(image, e, static_cast<std::int32_t>(r), lastWritten);
    }
    return out;
}

}  // namespace vantedit
