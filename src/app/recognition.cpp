#include "app/recognition.h"

#include <array>
#include <cstdint>

namespace vantedit {

namespace {

// A failed read counts as a mismatch of that edition.
bool headerMatches(io::File& file, const Edition& edition) {
    std::array<std::uint8_t, kHeaderWordsSize> header{};
    if (!file.seek(kHeaderWordsOffset, SEEK_SET) || file.read(header.data(), header.size()) != header.size()) {
        return false;
    }
    return headerWordsMatch(edition, ByteView(header));
}

}  // namespace

const Edition* recogniseEdition(io::File& file, long fileSize) {
    const Edition* found = nullptr;
    for (const Edition& e : kEditions) {
        if (fileSize == e.fileSize && headerMatches(file, e)) {
            found = &e;
            break;
        }
    }
    file.seek(0, SEEK_SET);
    return found;
}

const Edition* openAndRecognise(io::File& file, const std::string& path, long& size, bool& notRegular) {
    size = -1;
    if (!file.openRegular(path, notRegular)) return nullptr;
    if (file.seek(0, SEEK_END) && file.tell(size)) return recogniseEdition(file, size);
    size = -1;
    return nullptr;
}

}  // namespace vantedit
