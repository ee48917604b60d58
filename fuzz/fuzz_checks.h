// The checks behind the fuzz targets, kept apart from libFuzzer so that the ordinary test
// suite can replay past findings through exactly the same code.
//
// Stats reader input: the first byte picks the edition (modulo 7), the rest is a stats file.
// It is read into a synthetic game of that edition, after which nothing outside the image's
// tables, the description buffers' character bytes and the attachment groups may have
// changed, every collected pair must be one the columns can express, and the reading must
// have failed exactly when it printed an error.
//
// Stats writer input: the first byte picks the edition, the rest is cycled over every table
// the writer reads and over both description buffers (any byte values, texts without
// terminators). The stats file written must be the one a separate model of the file's
// layout expects, field by field: 69 tabs in the heading line, 351 Item rows, the edition's
// number of list lines, every text stopping at its slot.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vantedit::fuzz {

// Empty when every check holds; otherwise what went wrong.
std::string checkStatsReaderInput(const std::uint8_t* data, std::size_t size);
std::string checkStatsWriterInput(const std::uint8_t* data, std::size_t size);

struct SeedInput {
    std::string name;
    std::string bytes;  // edition byte first
};

// Reader seeds made from synthetic games: MAKE's output of every edition as it lies on disk,
// the same files in the 72- and 73-heading layouts with AmmoType lines, saved as a spreadsheet
// saves them (text fields quoted, CR LF), and short cuts of them (the support kit's files).
std::vector<SeedInput> readerSeeds();
std::vector<SeedInput> readerSeeds(int edition);
// Writer seeds: short runs of a synthetic game's table bytes, for every edition.
std::vector<SeedInput> writerSeeds();

}  // namespace vantedit::fuzz
