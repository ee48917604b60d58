// Helpers shared by the tests: temporary folders, file contents, running the real binaries.
#pragma once

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace vantedit::testing {

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

// Runs the vantedit binary in the given working folder with the given arguments.
RunResult runVantedit(const std::filesystem::path& workDir, const std::vector<std::string>& args);
// Runs any command line (already quoted) in the working folder; captures standard output.
RunResult runCommand(const std::filesystem::path& workDir, const std::string& commandLine);

std::string shellQuote(const std::string& text);

// An executable of the edition's size whose only content is its header words.
std::vector<std::uint8_t> bareExecutable(int edition);
// A game folder (game.exe and zero-filled description files) enough for a whole run.
void writeBareGame(const std::filesystem::path& folder, int edition);

}  // namespace vantedit::testing
