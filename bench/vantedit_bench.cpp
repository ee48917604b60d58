// In-process figures on the largest edition's synthetic game (edition 3, 4,213,811 bytes):
// the stats file writer and reader in stats-file megabytes per second, the rebuild of the
// weapon attachment table, and edition recognition.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <ostream>
#include <string>

#include "app/recognition.h"
#include "dump/stats_writer.h"
#include "io/file.h"
#include "model/sections.h"
#include "patch/stats_reader.h"
#include "synthetic_game.h"

namespace {

using namespace vantedit;

constexpr int kLargestEdition = 3;

const synth::SyntheticGame& largestGame() {
    static const synth::SyntheticGame game = synth::makeSyntheticGame({.edition = kLargestEdition, .seed = 1});
    return game;
}

// The stats file exactly as MAKE puts it on disk.
const std::string& statsFileBytes() {
    static const std::string bytes = [] {
        std::string text;
        writeStatsFile(text, synth::toGame(largestGame()));
        return withCrLf(text);
    }();
    return bytes;
}

// Decimal megabytes of stats file per second, beside Google Benchmark's own bytes_per_second.
void reportStatsFileRate(benchmark::State& state, std::size_t bytesPerIteration) {
    const double bytes = static_cast<double>(bytesPerIteration) * static_cast<double>(state.iterations());
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
    state.counters["stats_MB/s"] = benchmark::Counter(bytes / 1e6, benchmark::Counter::kIsRate);
}

void BM_WriteStatsFile(benchmark::State& state) {
    const Game game = synth::toGame(largestGame());
    std::string text;
    for (auto _ : state) {
        text.clear();
        writeStatsFile(text, game);
        benchmark::DoNotOptimize(text.data());
    }
    reportStatsFileRate(state, withCrLf(text).size());
}
BENCHMARK(BM_WriteStatsFile)->Unit(benchmark::kMillisecond);

// The writer and the line end conversion together: the bytes MAKE hands to the file.
void BM_WriteStatsFileWithCrLf(benchmark::State& state) {
    const Game game = synth::toGame(largestGame());
    std::string text;
    std::size_t size = 0;
    for (auto _ : state) {
        text.clear();
        writeStatsFile(text, game);
        const std::string bytes = withCrLf(text);
        size = bytes.size();
        benchmark::DoNotOptimize(bytes.data());
    }
    reportStatsFileRate(state, size);
}
BENCHMARK(BM_WriteStatsFileWithCrLf)->Unit(benchmark::kMillisecond);

// The whole stats file read back into the image: heading line, 351 Item rows, list lines,
// then the rebuild of the weapon attachment table. Reading the same file again stores the
// same bytes.
void BM_ApplyStatsFile(benchmark::State& state) {
    Game game = synth::toGame(largestGame());
    const std::string& bytes = statsFileBytes();
    for (auto _ : state) {
        state.PauseTiming();
        std::string copy = bytes;
        state.ResumeTiming();
        if (!applyStatsFile(game, std::move(copy), noFaults()).ok()) {
            state.SkipWithError("the stats file did not read back");
            break;
        }
        benchmark::DoNotOptimize(game.image().bytes().data());
    }
    reportStatsFileRate(state, bytes.size());
}
BENCHMARK(BM_ApplyStatsFile)->Unit(benchmark::kMillisecond);

// Recognition on an open file of each edition's game: sizes first, then the header words.
void BM_RecogniseEdition(benchmark::State& state) {
    const int edition = static_cast<int>(state.range(0));
    const synth::SyntheticGame game = synth::makeSyntheticGame({.edition = edition, .seed = 1});
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("vantedit-bench-" + std::to_string(edition));
    if (!synth::writeGameFolder(game, folder)) {
        state.SkipWithError("cannot write the game folder");
        return;
    }
    io::File file(noFaults());
    if (!file.open((folder / "game.exe").string(), "rb")) {
        state.SkipWithError("cannot open the game");
        return;
    }
    const long size = static_cast<long>(game.executable.size());
    for (auto _ : state) {
        const Edition* found = recogniseEdition(file, size);
        if (found == nullptr || editionIndex(*found) != edition) {
            state.SkipWithError("wrong edition");
            break;
        }
    }
    file.close();
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
}
BENCHMARK(BM_RecogniseEdition)->DenseRange(0, 6)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
