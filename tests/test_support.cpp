#include "test_support.h"

#include "app/messages.h"
#include "model/descriptions.h"
#include "model/editions.h"
#include "model/stats_fields.h"
#include "model/text.h"
#include "patch/stats_reader.h"

#include <unistd.h>
#include <array>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

namespace vantedit::testing {

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
        path_ = base / ("vantedit-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        if (std::filesystem::create_directory(path_)) break;
    }
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::vector<std::uint8_t> readBytes(const std::filesystem::path& path) {
    std::vector<std::uint8_t> bytes;
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec) return bytes;
    bytes.resize(size);
    std::ifstream in(path, std::ios::binary);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
    return bytes;
}

std::set<std::string> listing(const std::filesystem::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        names.insert(utf8Name(entry.path().lexically_relative(folder)));
    }
    return names;
}

std::vector<std::string> split(std::string_view text, std::string_view separator) {
    std::vector<std::string> parts;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find(separator, start);
        parts.emplace_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos) return parts;
        start = end + separator.size();
    }
}

std::string join(const std::vector<std::string>& parts, char separator) {
    std::string text;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) text += separator;
        text += parts[i];
    }
    return text;
}

std::string readText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void writeText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

}  // namespace vantedit::testing

namespace vantedit {

std::string ammoTextAt(ByteView image, std::int64_t offset) {
    std::string text;
    for (std::size_t j = 0; j < 20; ++j) {
        const std::uint8_t c = image.u8(static_cast<std::size_t>(offset) + 2 * j);
        if (c == 0) break;
        text.push_back(static_cast<char>(c));
    }
    return text;
}

std::string byteNameAt(ByteView image, std::int64_t offset, int recordSize) {
    std::string text;
    for (int j = 0; j < recordSize; ++j) {
        const std::uint8_t c = image.u8(static_cast<std::size_t>(offset + j));
        if (c == 0) break;
        text.push_back(static_cast<char>(c));
    }
    return text;
}

Game zeroGame(int edition) {
    const Edition& e = kEditions[static_cast<std::size_t>(edition)];
    Game g(e, std::vector<std::uint8_t>(static_cast<std::size_t>(e.fileSize), 0));
    g.descriptions.item.assign(kDescFileSize, 0);
    if (e.hasShopFile()) {
        g.descriptions.shop.assign(kDescFileSize, 0);
        g.descriptions.hasShop = true;
    }
    return g;
}

void keepOriginalAlready(const std::filesystem::path& executable) {
    std::filesystem::copy_file(executable, executable.string() + ".orig",
                               std::filesystem::copy_options::overwrite_existing);
}

std::vector<std::uint8_t> outsideTable(std::vector<std::uint8_t> image, int edition) {
    const Edition& e = kEditions[static_cast<std::size_t>(edition)];
    std::fill(image.begin() + e.weaponAttachOffset, image.begin() + e.attachOffset, 0);
    return image;
}

Read readStats(Game& game, AttachmentGroups& groups, const std::string& text) {
    Reading reading;
    if (reserveReading(noFaults(), game.edition(), reading, groups)) {
        readStatsText(text, game, groups, reading);
    }
    std::ostringstream out;
    printReading(out, reading);
    return {reading.ok() ? ReadResult::EndOfFile : ReadResult::Failed, out.str()};
}

Read readStats(Game& game, const std::string& text) {
    AttachmentGroups groups;
    return readStats(game, groups, text);
}

std::string statsText(const Game& game) {
    std::string text;
    writeStatsFile(text, game);
    return text;
}

std::string withoutCr(std::string_view text) {
    std::string lf;
    for (char c : text) {
        if (c != '\r') lf += c;
    }
    return lf;
}

std::string headingLine(int tabs) {
    std::string line = "Offset";
    for (int i = 0; i < tabs; ++i) line += "\tH";
    return line + "\n";
}

int fieldOf(std::string_view heading, int nth) {
    for (std::size_t cell = 0; cell < kItemCellCount; ++cell) {
        if (fieldLabel(itemField(0, cell)) == heading && nth-- == 0) return static_cast<int>(1 + cell);
    }
    return -1;
}

std::string itemLine(const std::string& text, int item) {
    const std::size_t begin = text.find("\nItem " + std::to_string(item) + "\t") + 1;
    return text.substr(begin, text.find('\n', begin) - begin);
}

std::string withField(const std::string& text, const std::string& lineStart, int field, const std::string& value) {
    const std::size_t begin = text.find("\n" + lineStart + "\t") + 1;
    const std::size_t end = std::min(text.find('\n', begin), text.size());
    auto fields = testing::split(std::string_view(text).substr(begin, end - begin), '\t');
    fields.at(static_cast<std::size_t>(field)) = value;
    return text.substr(0, begin) + testing::join(fields, '\t') + text.substr(end);
}

namespace {

// The lines of the text, each as its fields, edited, and joined again.
template <typename Edit>
std::string editedLines(const std::string& text, Edit edit) {
    std::vector<std::string> lines = testing::split(text, '\n');
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::vector<std::string> fields = testing::split(lines[i], '\t');
        edit(i, fields);
        lines[i] = testing::join(fields, '\t');
    }
    return testing::join(lines, '\n');
}

// Whether a spreadsheet quotes the field: every heading, the texts and names of the other lines.
bool quotedBySpreadsheet(std::size_t line, const std::vector<std::string>& fields, std::size_t f) {
    if (line == 0) return true;
    const std::string_view keyword = std::string_view(fields[0]).substr(0, fields[0].find(' '));
    for (std::size_t t = 0; t < kLineTypes.size(); ++t) {
        if (lineKeyword(t) != keyword || f == 0 || f > lineFieldCount(t)) continue;
        const FieldKind kind = fieldKind({static_cast<std::uint8_t>(t), static_cast<std::uint16_t>(f - 1), 0});
        return kind == FieldKind::Text || kind == FieldKind::Name;
    }
    return false;
}

}  // namespace

std::string asSpreadsheetSaves(const std::string& statsText) {
    return withCrLf(editedLines(statsText, [](std::size_t line, std::vector<std::string>& fields) {
        for (std::size_t f = 0; f < fields.size(); ++f) {
            if (quotedBySpreadsheet(line, fields, f)) fields[f] = quotedText(fields[f]);
        }
    }));
}

std::string savedAs(std::string_view statsText, char separator, std::string_view lineEnd, bool quoteAll) {
    std::string saved;
    for (std::size_t i = 0; i < statsText.size(); ++i) {
        std::string cell;
        if (statsText[i] == '"') {
            for (++i; i < statsText.size(); ++i) {
                if (statsText[i] == '"' && (i + 1 == statsText.size() || statsText[i + 1] != '"')) break;
                if (statsText[i] == '"') ++i;  // one of a doubled pair
                cell += statsText[i];
            }
            ++i;
        } else {
            const std::size_t end = std::min(statsText.find_first_of("\t\n", i), statsText.size());
            cell = statsText.substr(i, end - i);
            i = end;
        }
        const bool quoted =
            quoteAll || cell.find_first_of(std::string{separator, '"', '\r', '\n'}) != std::string::npos;
        saved += quoted ? quotedText(cell) : cell;
        if (i < statsText.size()) saved += statsText[i] == '\t' ? std::string(1, separator) : std::string(lineEnd);
    }
    return saved;
}

std::string asOlderLayout(const std::string& statsText, int headings) {
    // Named here rather than taken from the columns' own marks, so that a wrong mark shows.
    const int fireRate = fieldOf("HV's Fire Rate");
    const int sounds[] = {fieldOf("Reload Sound 2"), fieldOf("Reload Sound 1"), fieldOf("Burst Sound (Unused)"),
                          fieldOf("Fire Sound")};
    return editedLines(statsText, [&](std::size_t line, std::vector<std::string>& fields) {
        if (fields[0].starts_with("AmmoName "))
            fields[0] = "AmmoType " + std::to_string(std::stoi(fields[0].substr(9)) - 1);
        if ((line != 0 && !fields[0].starts_with("Item ")) || fields.size() != 1 + kItemCellCount) return;
        if (headings == 72) fields.erase(fields.begin() + fireRate);
        for (int f : sounds) fields.insert(fields.begin() + f + 1, line == 0 ? "Unused" : "31337");
    });
}

std::string runOpening(int edition) {
    return kBanner + std::string(kEditions[static_cast<std::size_t>(edition)].label) +
           " version of executable detected\n\nReading binary data...\nReading item descriptions...";
}

}  // namespace vantedit

namespace vantedit::testing {

std::vector<std::uint8_t> bareExecutable(int edition) {
    const Edition& e = kEditions[static_cast<std::size_t>(edition)];
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(e.fileSize), 0);
    for (std::size_t w = 0; w < 4; ++w) {
        for (std::size_t b = 0; b < 4; ++b) {
            bytes[128 + 4 * w + b] = static_cast<std::uint8_t>(e.headerWords[w] >> (24 - 8 * b));
        }
    }
    return bytes;
}

void writeBareGame(const std::filesystem::path& folder, int edition) {
    const Edition& e = kEditions[static_cast<std::size_t>(edition)];
    writeBytes(folder / "game.exe", bareExecutable(edition));
    std::filesystem::create_directories(folder / "data/binarydata");
    const std::vector<std::uint8_t> desc(kDescFileSize, 0);
    writeBytes(folder / std::string(e.itemDescPath), desc);
    if (e.hasShopFile()) writeBytes(folder / std::string(e.shopDescPath), desc);
}

}  // namespace vantedit::testing
