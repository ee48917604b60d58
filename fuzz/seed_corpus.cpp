// Writes the seed corpora of the fuzz targets, made from synthetic games:
//   seed_corpus <reader folder> <writer folder>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "fuzz_checks.h"

namespace {

bool writeAll(const std::filesystem::path& folder, const std::vector<vantedit::fuzz::SeedInput>& seeds) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) return false;
    for (const auto& seed : seeds) {
        std::ofstream out(folder / seed.name, std::ios::binary | std::ios::trunc);
        out.write(seed.bytes.data(), static_cast<std::streamsize>(seed.bytes.size()));
        if (!out) return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: seed_corpus <reader folder> <writer folder>\n", stdout);
        return 1;
    }
    if (!writeAll(argv[1], vantedit::fuzz::readerSeeds()) || !writeAll(argv[2], vantedit::fuzz::writerSeeds())) {
        std::fputs("seed_corpus: cannot write the corpus\n", stdout);
        return 1;
    }
    return 0;
}
