// Helpers shared by the tests: temporary folders, file contents, running the real binaries.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "model/editions.h"
#include "model/game.h"
#include "model/memory.h"
#include "model/sections.h"

namespace vantedit {

// The game's image as a copy, for comparing, and its bytes, for changing them in place.
inline std::vector<std::uint8_t> imageOf(const Game& game) {
    const auto bytes = game.image().bytes();
    return {bytes.begin(), bytes.end()};
}
inline std::span<std::uint8_t> imageBytes(Game& game) { return game.mutableImage().bytes(); }

// The tests name editions by their row number.
inline SectionRecord sectionRecord(int edition, Section s) {
    return sectionRecord(kEditions[static_cast<std::size_t>(edition)], s);
}
// The nth column of a section, counted from 0.
inline const Column& sectionColumn(Section s, int n) { return sectionColumns(s)[static_cast<std::size_t>(n)]; }
// The texts at a raw offset: the low bytes of 20 16-bit characters, or the bytes of a record,
// up to the first 0.
std::string ammoTextAt(ByteView image, std::int64_t offset);
std::string byteNameAt(ByteView image, std::int64_t offset, int recordSize);
// An edition's image of zeros and empty description buffers.
Game zeroGame(int edition);

// How a reading ended, as the tests check it.
enum class ReadResult { EndOfFile, Failed };

}  // namespace vantedit

namespace vantedit::testing {

// Counts the file calls and the requests for memory put to it, refuses the n-th of each when
// told to (0: none), and may act at each file call (change a file under the run, say).
class CountingFaults : public Faults {
public:
    explicit CountingFaults(long failFileAt = 0, long failAllocationAt = 0)
        : failFileAt_(failFileAt), failAllocationAt_(failAllocationAt) {}
    bool failFileCall() override {
        ++fileCalls;
        if (onFileCall) onFileCall(fileCalls);
        return fileCalls == failFileAt_;
    }
    bool failAllocation() override { return ++allocations == failAllocationAt_; }

    long fileCalls = 0;
    long allocations = 0;
    std::function<void(long call)> onFileCall;

private:
    long failFileAt_;
    long failAllocationAt_;
};

// A fresh empty folder, removed again when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// The whole file in one read (empty if it cannot be read): games are megabytes.
std::vector<std::uint8_t> readBytes(const std::filesystem::path& path);
std::string readText(const std::filesystem::path& path);
void writeBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
void writeText(const std::filesystem::path& path, const std::string& text);

// Every file and folder below the folder, to see that nothing was left behind.
std::set<std::string> listing(const std::filesystem::path& folder);

std::vector<std::string> split(const std::string& text, char separator);
std::string join(const std::vector<std::string>& parts, char separator);

struct RunResult {
    int status = -1;
    std::string output;  // standard output
};

// The whole-run tests' part (run_support.cpp): runs the vantedit binary in the given working folder with the given arguments.
RunResult runVantedit(const std::filesystem::path& workDir, const std::vector<std::string>& args);
// Runs any command line (already quoted) in the working folder; captures standard output.
RunResult runCommand(const std::filesystem::path& workDir, const std::string& commandLine);

std::string shellQuote(const std::string& text);

// An executable of the edition's size whose only content is its header words.
std::vector<std::uint8_t> bareExecutable(int edition);
// A game folder (game.exe and zero-filled description files) enough for a whole run.
void writeBareGame(const std::filesystem::path& folder, int edition);

}  // namespace vantedit::testing
