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
// executable.
bool loadDescriptionFile(std::string_view path, bool shop, std::vector<std::uint8_t>& buffer,
                         const std::string& executablePath, std::ostream& out, Faults& faults) {
    const std::string found = descriptionPath(path, executablePath, out);
    if (found.empty()) return false;
    io::File file(faults);
    bool notRegular = false;
    if (!file.openRegular(found, notRegular)) {
        if (!notRegular && io::lookUp(found) == io::Presence::Absent) {
            printDescriptionFileMissing(out, shop, path, io::besideFile(executablePath, path));
        } else {
            printUnableToRead(out, found, notRegular);
        }
        return false;
    }
    buffer.clear();
    if (!tryResize(faults, buffer, kDescFileSize)) {
        printUnableToAllocate(out, kDescFileSize);
        return false;
    }
    const std::size_t got = file.read(buffer.data(), buffer.size());
    if (got < buffer.size()) {
        printDescriptionFileShortRead(out, shop, got);
        return false;
    }
    file.close();  // read-only: a failing close loses nothing
    return true;
}

}  // namespace

std::string descriptionPath(std::string_view path, const std::string& executablePath, std::ostream& out) {
    const std::string here(path);
    switch (io::lookUp(here)) {
        case io::Presence::Absent: return io::besideFile(executablePath, path);
        case io::Presence::Unknown: printUnableToRead(out, here); return {};
        default: return here;
    }
}

bool addDescriptionPaths(const Edition& edition, const std::string& executablePath, std::ostream& out,
                         std::vector<std::string>& paths) {
    for (const std::string_view desc : {edition.itemDescPath, edition.shopDescPath}) {
        if (desc.empty()) continue;
        paths.push_back(descriptionPath(desc, executablePath, out));
        if (paths.back().empty()) return false;
    }
    return true;
}

std::optional<Game> loadExecutable(const std::string& path, std::ostream& out, bool& openFailed, Faults& faults) {
    io::File file(faults);
    long size = -1;
    bool notRegular = false;
    const Edition* edition = openAndRecognise(file, path, size, notRegular);
    openFailed = !file.isOpen() && !notRegular;
    if (openFailed) {
        printCantOpen(out, path);
        return std::nullopt;
    }
    if (edition == nullptr) {
        printUnrecognized(out, path, size, notRegular);
        return std::nullopt;
    }
    printEditionDetected(out, *edition);
    std::optional<ImageBuffer> image = ImageBuffer::zeroFilled(static_cast<std::size_t>(size), faults);
    if (!image) {
        printUnableToAllocate(out, size);
        return std::nullopt;
    }
    printNote(out, Note::ReadingBinaryData);
    const ByteSpan span = tableSpan(*edition);
    const std::span<std::uint8_t> target =
        image->bytes().subspan(static_cast<std::size_t>(span.begin), static_cast<std::size_t>(span.size()));
    // Recognition left the file at its start; if it could not, nothing valid can be read.
    long position = -1;
    const bool atStart = file.tell(position) && position == 0;
    const std::size_t got = atStart ? file.readAt(static_cast<long>(span.begin), target.data(), target.size()) : 0;
    if (got < target.size()) {
        printExecutableShortRead(out, got, size);
        return std::nullopt;
    }
    file.close();  // read-only: a failing close loses nothing
    return Game(*edition, std::move(*image));
}

bool loadDescriptionFiles(const Edition& edition, DescriptionBuffers& buffers, const std::string& executablePath,
                          std::ostream& out, Faults& faults) {
    printNote(out, Note::ReadingItemDescriptions);
    if (!loadDescriptionFile(edition.itemDescPath, false, buffers.item, executablePath, out, faults)) return false;
    buffers.hasShop = edition.hasShopFile();
    return !buffers.hasShop ||
           loadDescriptionFile(edition.shopDescPath, true, buffers.shop, executablePath, out, faults);
}

}  // namespace vantedit
