// A synthetic game for tests and demonstrations: an executable of an edition's exact size
// with plausible tables, and its description files. Nothing here comes from the real game.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "model/game.h"

namespace vantedit::synth {

struct Options {
    int edition = 0;
    std::uint32_t seed = 1;
    bool awkwardTexts = false;  // double quotes, tabs, line feeds, bytes above 127, empty texts, unterminated slots
};

struct SyntheticGame {
    int edition = 0;
    std::vector<std::uint8_t> executable;  // exactly the edition's fileSize
    std::vector<std::uint8_t> itemDesc;    // 280800 bytes
    std::vector<std::uint8_t> shopDesc;    // 280800 bytes, or empty when the edition has no shop file
};

// Deterministic: the same options always give the same bytes.
SyntheticGame makeSyntheticGame(const Options& options);

// Writes <folder>/<exeName> and the description files under <folder>/data/binarydata/
// (the shop file only where the edition names one). Creates the folders. False on failure.
bool writeGameFolder(const SyntheticGame& game, const std::filesystem::path& folder,
                     const std::string& exeName = "game.exe");

// The same game as an in-memory run state, with the description buffers already loaded.
Game toGame(const SyntheticGame& game);

}  // namespace vantedit::synth
