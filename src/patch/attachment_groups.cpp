#include "patch/attachment_groups.h"

#include "model/list_tables.h"

namespace vantedit {

void addAttachmentPair(AttachmentGroups& groups, std::int32_t weapon, std::int32_t attachment) {
    for (std::size_t g = 0; g < kAttachmentKinds.size(); ++g) {
        if (static_cast<std::uint16_t>(kAttachmentKinds[g].item) != static_cast<std::uint16_t>(attachment)) continue;
        for (std::uint32_t& entry : groups.pairs[g]) {
            if (entry == 0) {
                entry = attachmentPair(weapon, attachment);
                return;
            }
        }
        ++groups.overflow[g];
        return;
    }
}

void rebuildWeaponAttachTable(Game& game, const AttachmentGroups& groups, std::ostream& out) {
    out << "\nSorting weapon attachments...";
    const Edition& e = game.record();
    ByteView image = game.imageView();
    const std::int64_t end = e.attachOffset;

    std::int64_t p = e.weaponAttachOffset;
    std::uint32_t lastWritten = 0;  // also what an empty walk leaves in every record
    for (std::size_t g = 0; g < groups.pairs.size(); ++g) {
        for (std::uint32_t pair : groups.pairs[g]) {
            if (pair == 0) continue;
            if (p < end) {
                image.setU32(static_cast<std::size_t>(p), pair);
                lastWritten = pair;
            }
            p += 4;
        }
        p += 4 * groups.overflow[g];  // such a group lies far beyond the capacity: nothing more is written
    }

    const std::int64_t collected = (p - e.weaponAttachOffset) / 4;
    const std::int32_t capacity = weaponAttachCapacity(e);
    if (collected > capacity) {
        out << "\n\nWARNING:  You have " << collected - capacity << " too many weapon attachments.\nThe maximum limit is "
            << capacity << ".  The extra attachments have been ignored.\n";
    } else {
        out << "\n" << collected << " of " << capacity << " attachments added...";
    }

    for (; p < end; p += 4) image.setU32(static_cast<std::size_t>(p), lastWritten);
}

}  // namespace vantedit
