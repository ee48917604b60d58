#include "app/recognition.h"

#include <cstdint>
#include <cstdio>

#include "app/editions.h"

namespace vantedit {

namespace {

// A failed read counts as a mismatch of that edition.
bool headerWordsMatch(io::File& file, const Edition& edition) {
    if (!file.seek(kHeaderWordsOffset, SEEK_SET)) return false;
    for (std::uint32_t expected : edition.headerWords) {
        std::uint8_t b[4];
        if (file.read(b, sizeof b) != sizeof b) return false;
        const std::uint32_t word = (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) |
                                   (std::uint32_t{b[2]} << 8) | std::uint32_t{b[3]};
        if (word != expected) return false;
    }
    return true;
}

}  // namespace

int recogniseEdition(io::File& file, long fileSize, std::ostream& out) {
    int edition = 0;
    for (; edition < kEditionCount; ++edition) {
        const Edition& e = kEditions[static_cast<std::size_t>(edition)];
        if (fileSize != e.fileSize) continue;
        if (headerWordsMatch(file, e)) {
            out << e.label << " version of executable detected\n";
            break;
        }
    }
    file.seek(0, SEEK_SET);
    return edition;
}

}  // namespace vantedit
