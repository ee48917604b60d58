#include "test_support.h"

#include "model/editions.h"
#include "model/descriptions.h"

#include <array>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <unistd.h>

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
        names.insert(entry.path().lexically_relative(folder).string());
    }
    return names;
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
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
