// Helpers shared by the tests: games and readings in memory, stats files as text, temporary
// folders, file contents, running the real binaries.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/run.h"
#include "dump/stats_writer.h"
#include "model/attachment_groups.h"
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
// A copy of the executable as the first PATCH keeps it: for the tests of other things, which
// then find their folder unchanged but for what they test.
void keepOriginalAlready(const std::filesystem::path& executable);

// An edition's image of zeros and empty description buffers.
Game zeroGame(int edition);

// The executable with its weapon attachment table blanked, for comparing everything else.
std::vector<std::uint8_t> outsideTable(std::vector<std::uint8_t> image, int edition);

// How a reading ended, as the tests check it.
enum class ReadResult { EndOfFile, Failed };

// A reading of the stats text onto the game without its rebuild: how it ended and what the
// run would print of it. The groups get the attachment pairs the Item rows asked for.
struct Read {
    ReadResult result;
    std::string output;
};
Read readStats(Game& game, AttachmentGroups& groups, const std::string& text);
Read readStats(Game& game, const std::string& text);

// ---- stats files as text ----------------------------------------------------------------

// The stats file MAKE writes for the game, with "\n" line ends (withCrLf gives the bytes on disk).
std::string statsText(const Game& game);
std::string withoutCr(std::string_view text);
// A heading line of the given number of tabs, its line feed included.
std::string headingLine(int tabs);
// The field of an Item row that the heading names (the nth of equal headings), counted from the
// row's "Item n" at 0; -1 when no heading is so named.
int fieldOf(std::string_view heading, int nth = 0);
// The item's row, without its line end.
std::string itemLine(const std::string& text, int item);
// The text with one field replaced in the first line after the heading line that starts with
// lineStart ("Item 5", "Attach 3") and a tab, or in the first line when none does; the line's
// "Item 5" is its field 0.
std::string withField(const std::string& text, const std::string& lineStart, int field, const std::string& value);

// A stats file ("\n" line ends, as the writer produces it) saved the way a spreadsheet saves
// tab-delimited text: every heading, text and name field between double quotes with inner
// double quotes doubled, and CR LF line ends. The file must hold no tab or line feed in a text.
std::string asSpreadsheetSaves(const std::string& statsText);
// A stats file ("\n" line ends, texts quoted as the writer quotes them) saved again as a
// spreadsheet or Python's csv saves it with another separator and line end: a cell in double
// quotes when it holds the separator, a double quote or a line break, which stays as it was.
std::string savedAs(std::string_view statsText, char separator, std::string_view lineEnd, bool quoteAll = false);
// The same file as an older program wrote it, of 72 or 73 headings: an extra field after each
// Weapons sound column (and, in the 72-heading file, no "Halvek's 2" field), and AmmoType lines,
// which count from the second record, instead of AmmoName lines.
std::string asOlderLayout(const std::string& statsText, int headings);

// What every run prints first, and what it prints up to reading the stats file.
inline const std::string kBanner = std::string("\nVantrel Weapon Editor ") + kVersion + "\n\n";
std::string runOpening(int edition);
// The usage text, as every run that gives it prints it.
inline const std::string kUsage =
    "\nUsage: vantedit [--utf8|--utf16] <executable> <textfile> <[make]|[patch]>\n\n"
    "Use the MAKE option to dump stats to a tab delimited text file.\n"
    "To apply the changes from the textfile, use the PATCH option.\n"
    "To list what PATCH would change without writing anything, use the DIFF option.\n"
    "To save the names and descriptions into the description files, use the TEXTS option.\n"
    "To merge stats files into the textfile, use the MERGE option and name them after it.\n"
    "To put back the originals that PATCH and TEXTS kept: vantedit <executable> restore\n"
    "To write a change list: vantedit <executable> <list> changes [<textfile>]\n"
    "To take a change list back out of the game: vantedit <executable> <list> revert\n"
    "PATCH, TEXTS and DIFF take a change list wherever they take a textfile.\n"
    "With --utf8, MAKE and MERGE write the textfile as UTF-8 text.\n"
    "With --utf16, MAKE and MERGE write it as UTF-16 text (Excel's Unicode Text).\n";

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

// Names in UTF-8, as the program keeps them, and as paths (on Windows, wide ones).
inline std::string utf8Name(const std::filesystem::path& path) {
    const std::u8string name = path.u8string();
    return {name.begin(), name.end()};
}
inline std::filesystem::path utf8Path(std::string_view name) { return std::u8string(name.begin(), name.end()); }

std::vector<std::string> split(std::string_view text, std::string_view separator);
inline std::vector<std::string> split(std::string_view text, char separator) {
    return split(text, std::string_view(&separator, 1));
}
std::string join(const std::vector<std::string>& parts, char separator);

struct RunResult {
    int status = -1;
    std::string output;  // standard output
};

// The whole-run tests' part (run_support.cpp): runs the vantedit binary in the given working folder with the given
// arguments, under the locale (by default one whose texts are bytes, whatever the tester's is).
RunResult runVantedit(const std::filesystem::path& workDir, const std::vector<std::string>& args,
                      const std::string& locale = "C");
// Runs any command line (already quoted) in the working folder; captures standard output.
RunResult runCommand(const std::filesystem::path& workDir, const std::string& commandLine);

std::string shellQuote(const std::string& text);

// An executable of the edition's size whose only content is its header words.
std::vector<std::uint8_t> bareExecutable(int edition);
// A game folder (game.exe and zero-filled description files) enough for a whole run.
void writeBareGame(const std::filesystem::path& folder, int edition);

}  // namespace vantedit::testing
