#include "app/game_files.h"

#include <vector>

#include "app/messages.h"
#include "app/recognition.h"
#include "io/file.h"
#include "model/memory.h"
#include "model/table_span.h"

namespace vantedit {

namespace {

// One description file into its buffer: under the working folder, or else beside the
// executable. The messages differ only in the file's title.
bool loadDescriptionFile(std::string_view path, std::string_view title, std::vector<std::uint8_t>& buffer,
                         const std::string& executablePath, std::ostream& out, Faults& faults) {
    io::File file(faults);
    const std::string beside = io::besideFile(executablePath, path);
    if (!file.open(std::string(path), "rb") && (beside == path || !file.open(beside, "rb"))) {
        out << "Error reading " << title << "item descriptions.\nYou must have the " << path << " file installed.\n";
        if (beside != path) out << "(Looked for " << path << " and " << beside << ".)\n";
        return false;
    }
    buffer.clear();
    if (!tryResize(faults, buffer, kDescFileSize)) {
        printUnableToAllocate(out, kDescFileSize);
        return false;
    }
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

std::optional<Game> loadExecutable(const std::string& path, std::ostream& out, bool& openFailed, Faults& faults) {
    io::File file(faults);
    openFailed = false;
    if (!file.open(path, "rb")) {
        out << "Can't open " << path << "!\n";
        openFailed = true;
        return std::nullopt;
    }
    long size = 0;
    if (!file.seek(0, SEEK_END) || !file.tell(size)) size = -1;  // an unmeasurable file matches no edition
    const Edition* edition = recogniseEdition(file, size);
    if (edition == nullptr) {
        printUnrecognized(out, path, size, io::isFolder(path));
        return std::nullopt;
    }
    out << edition->label << " version of executable detected\n";
    std::optional<ImageBuffer> image = ImageBuffer::zeroFilled(static_cast<std::size_t>(size), faults);
    if (!image) {
        printUnableToAllocate(out, size);
        return std::nullopt;
    }
    out << "\nReading binary data...";
    const ByteSpan span = tableSpan(*edition);
    const std::span<std::uint8_t> target =
        image->bytes().subspan(static_cast<std::size_t>(span.begin), static_cast<std::size_t>(span.size()));
    // Recognition left the file at its start; if it could not, nothing valid can be read.
    long position = -1;
    const bool atStart = file.tell(position) && position == 0;
    const std::size_t got = atStart ? file.readAt(static_cast<long>(span.begin), target.data(), target.size()) : 0;
    if (got < target.size()) {
        out << "Error while reading executable (Read " << got << " of " << size << " bytes).\n";
        return std::nullopt;
    }
    file.close();  // read-only: a failing close loses nothing
    return Game(*edition, std::move(*image));
}

bool loadDescriptionFiles(const Edition& edition, DescriptionBuffers& buffers, const std::string& executablePath,
                          std::ostream& out, Faults& faults) {
    out << "\nReading item descriptions...";
    if (!loadDescriptionFile(edition.itemDescPath, "", buffers.item, executablePath, out, faults)) return false;
    buffers.hasShop = false;
    if (!edition.hasShopFile()) return true;
    if (!loadDescriptionFile(edition.shopDescPath, "Halvek's ", buffers.shop, executablePath, out, faults))
        return false;
    buffers.hasShop = true;
    return true;
}

}  // namespace vantedit
