#include "model/descriptions.h"

#include "model/file_io.h"

namespace vantedit {

namespace {

// One description file into its buffer. The messages differ only in the file's title.
bool loadDescriptionFile(std::string_view path, std::string_view title, std::vector<std::uint8_t>& buffer,
                         std::ostream& out) {
    io::File file;
    if (!file.open(std::string(path), "rb")) {
        out << "Error reading " << title << "item descriptions.\nYou must have the " << path << " file installed.\n";
        return false;
    }
    buffer.assign(kDescFileSize, 0);
    const std::size_t got = file.read(buffer.data(), buffer.size());
    if (got < buffer.size()) {
        out << "Error while reading " << title << "item descriptions (Read " << got << " of " << kDescFileSize
            << " bytes).\n";
        return false;
    }
    file.close();  // read-only: a failing close loses nothing
    return true;
}

}  // namespace

bool loadDescriptionFiles(const Edition& edition, DescriptionBuffers& buffers, std::ostream& out) {
    out << "\nReading item descriptions...";
    if (!loadDescriptionFile(edition.itemDescPath, "", buffers.item, out)) return false;
    buffers.hasShop = false;
    if (!edition.hasShopFile()) return true;
    if (!loadDescriptionFile(edition.shopDescPath, "Halvek's ", buffers.shop, out)) return false;
    buffers.hasShop = true;
    return true;
}

std::string readDescriptionText(const ByteView& buffer, int item, const DescField& field) {
    std::string text;
    for (int k = 0; k < field.units; ++k) {
        const std::uint8_t b = buffer.u8(descUnitOffset(item, field, k));
        if (b == 0) break;
        text.push_back(static_cast<char>(storedToText(b)));
    }
    return text;
}

}  // namespace vantedit
