#include "app/operations.h"

#include <array>
#include <span>

#include "app/game_files.h"
#include "app/messages.h"
#include "compare/diff.h"
#include "dump/stats_writer.h"
#include "io/file.h"
#include "model/memory.h"
#include "model/table_span.h"
#include "patch/stats_reader.h"
#include "patch/text_changes.h"

namespace vantedit {

namespace {

// Creating the stats file over the game or one of its description files would destroy it.
bool wouldOverwriteGameFile(const Game& game, const std::string& executablePath, const std::string& statsPath) {
    const Edition& e = game.edition();
    return io::sameFile(statsPath, executablePath) || io::sameFile(statsPath, std::string(e.itemDescPath)) ||
           (e.hasShopFile() && io::sameFile(statsPath, std::string(e.shopDescPath)));
}

// The whole stats file; false after the message.
bool readStatsFileBytes(const std::string& statsPath, std::string& bytes, std::ostream& out) {
    std::size_t unallocated = 0;
    if (io::readWholeFile(statsPath, bytes, &unallocated)) return true;
    if (unallocated != 0) {
        printUnableToAllocate(out, static_cast<std::int64_t>(unallocated));
    } else {
        out << "Unable to read " << statsPath << "!\n";
    }
    return false;
}

// The description files into the game, and the stats file's bytes; false after the message.
bool loadGameTextsAndStatsFile(Game& game, const std::string& statsPath, std::string& bytes, std::ostream& out) {
    if (!loadDescriptionFiles(game.edition(), game.descriptions, out)) return false;
    if (!readStatsFileBytes(statsPath, bytes, out)) return false;
    out << "\nConverting text file...";
    return true;
}

// The stats file read onto the game, with the reading's messages; false when it failed.
bool applyAndPrint(Game& game, std::string bytes, Reading& reading, std::ostream& out,
                   DescriptionTexts texts = DescriptionTexts::NotSaved) {
    reading = applyStatsFile(game, std::move(bytes), texts);
    printReading(out, reading);
    return reading.ok();
}

// One description file of a texts run: written beside itself, its first original kept, and
// only then put in place.
struct DescriptionSave {
    std::string path;
    std::string_view title;  // in the messages: "" or "Halvek's "
    std::span<const std::uint8_t> bytes;
    io::ReplacingFile file;
    std::string original;  // where its first original is kept
    bool originalMade = false;
};

// Both files are written before either is replaced, so that a failure before the first rename
// leaves both as they were, and no first original made on the way.
int saveDescriptionFiles(std::span<DescriptionSave> saves, std::ostream& out) {
    const auto fail = [&](const std::string& path, bool replacedAny) {
        if (!replacedAny) {
            for (const DescriptionSave& s : saves) {
                if (s.originalMade) io::removeQuietly(s.original);
            }
        }
        printErrorWriting(out, path);
        return 1;
    };
    // A read-only file is refused before anything is written, as the executable is; and one file
    // under both names would keep only the second file's texts.
    for (const DescriptionSave& s : saves) {
        if (!io::isWritableFile(s.path)) return fail(s.path, false);
    }
    if (saves.size() == 2 && io::sameFile(saves[0].path, saves[1].path)) return fail(saves[1].path, false);
    for (DescriptionSave& s : saves) {
        out << "\nSaving " << s.title << "item descriptions...";
        if (!io::prepareReplacedStart(s.file, s.path, s.bytes)) return fail(s.path, false);
        switch (io::keepFirstOriginal(s.path, s.original)) {
            case io::FirstOriginal::Kept:
                s.originalMade = true;
                out << "\nOriginal kept as " << s.original;
                break;
            case io::FirstOriginal::KeptBefore: break;
            case io::FirstOriginal::Failed: return fail(s.original, false);
        }
    }
    for (std::size_t i = 0; i < saves.size(); ++i) {
        if (!saves[i].file.putInPlace()) return fail(saves[i].path, i > 0);
    }
    out << "\nDone!\n";
    return 0;
}

}  // namespace

int runMake(Game& game, const std::string& executablePath, const std::string& statsPath, std::ostream& out) {
    if (!loadDescriptionFiles(game.edition(), game.descriptions, out)) return 1;
    out << "\nDumping weapon stats...";
    // Written beside the old stats file and renamed over it: a failure keeps the old one.
    io::ReplacingFile file;
    if (wouldOverwriteGameFile(game, executablePath, statsPath) || !io::canWriteOver(statsPath)) {
        printUnableToCreate(out, statsPath);
        return 1;
    }
    if (!file.open(statsPath)) {
        // Beside an existing stats file: its folder does not take a new file.
        if (file.replacesAFile()) {
            printErrorWriting(out, statsPath);
        } else {
            printUnableToCreate(out, statsPath);
        }
        return 1;
    }
    // Room for the largest stats file there can be, every text at its longest.
    constexpr std::size_t kTextRoom = std::size_t{1} << 20;
    std::string text;
    if (!tryReserve(text, kTextRoom)) {
        printUnableToAllocate(out, kTextRoom);
        return 1;
    }
    writeStatsFile(text, game);
    std::string bytes;
    if (!tryReserve(bytes, withCrLfSize(text))) {
        printUnableToAllocate(out, static_cast<std::int64_t>(withCrLfSize(text)));
        return 1;
    }
    appendWithCrLf(bytes, text);
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    if (!file.write(std::span(data, bytes.size())) || !file.commit()) {
        printErrorWriting(out, statsPath);
        return 1;
    }
    out << "\nDone!\n";
    return 0;
}

int saveExecutable(const std::string& executablePath, std::int64_t fileSize, std::int64_t offset,
                   std::span<const std::uint8_t> bytes, std::ostream& out) {
    if (!io::isWritableFile(executablePath)) {
        printErrorWriting(out, executablePath);
        return 1;
    }
    out << "\nSaving binary data...";
    if (!io::replaceBytes(executablePath, fileSize, offset, bytes)) {
        printErrorWriting(out, executablePath);
        return 1;
    }
    out << "\nDone!\n";
    return 0;
}

int runPatch(Game& game, const std::string& executablePath, const std::string& statsPath, std::ostream& out) {
    std::string bytes;
    Reading reading;
    if (!loadGameTextsAndStatsFile(game, statsPath, bytes, out) || !applyAndPrint(game, std::move(bytes), reading, out)) {
        return 1;
    }
    if (reading.mostValuesDiffer) printMostValuesDiffer(out);
    // The texts went into the description buffers only; the description files stay as they are.
    out << "\nDescriptions not saved...";
    printRebuild(out, reading.attachments);
    // Only the tables' stretch was read and changed; the rest is copied from the file.
    const ByteSpan span = tableSpan(game.edition());
    const auto changed = game.image().bytes().subspan(static_cast<std::size_t>(span.begin),
                                                      static_cast<std::size_t>(span.size()));
    return saveExecutable(executablePath, game.edition().fileSize, span.begin, changed, out);
}

int runTexts(Game& game, const std::string& statsPath, std::ostream& out) {
    std::string bytes;
    if (!loadGameTextsAndStatsFile(game, statsPath, bytes, out)) return 1;
    // The reading goes onto a copy, so that each text can be compared with what the files hold.
    std::size_t asked = 0;
    std::optional<Game> edited = game.tryCopy(asked);
    if (!edited) {
        printUnableToAllocate(out, static_cast<std::int64_t>(asked));
        return 1;
    }
    Reading reading;
    if (!applyAndPrint(*edited, std::move(bytes), reading, out, DescriptionTexts::Saved)) return 1;
    if (reading.mostValuesDiffer) printMostValuesDiffer(out);
    const TextChanges changes = takeChangedTexts(game, *edited);
    out << "\nTexts changed: " << changes.fields;
    const Edition& e = game.edition();
    std::array<DescriptionSave, 2> saves;
    std::size_t count = 0;
    for (const auto& [file, changed] :
         {std::pair{DescFile::Item, changes.itemFile}, {DescFile::Shop, changes.shopFile}}) {
        if (!changed) continue;
        DescriptionSave& s = saves[count++];
        s.path = std::string(file == DescFile::Item ? e.itemDescPath : e.shopDescPath);
        s.title = file == DescFile::Item ? "" : "Halvek's ";
        s.bytes = game.descriptions.view(file).bytes();
    }
    return saveDescriptionFiles(std::span(saves.data(), count), out);
}

int runDiff(Game& game, const std::string& statsPath, std::ostream& out) {
    std::string bytes;
    if (!loadGameTextsAndStatsFile(game, statsPath, bytes, out)) return 1;
    // The copy takes the description buffers along.
    std::size_t asked = 0;
    std::optional<Game> after = game.tryCopy(asked);
    if (!after) {
        printUnableToAllocate(out, static_cast<std::int64_t>(asked));
        return 1;
    }
    Reading reading;
    if (!applyAndPrint(*after, std::move(bytes), reading, out)) return 1;
    // The rebuild's own notices belong to a PATCH; what it does shows in the attachment lines.
    const GameDiff diff = diffGames(game, *after, reading.typed);
    out << "\n";
    printDiffLines(out, diff);
    if (diff.mostValuesDiffer) printMostValuesDiffer(out);
    out << "\n" << diff.changedValues << (diff.changedValues == 1 ? " value" : " values") << " would change, "
        << diff.notSaved << " not saved; nothing written.\n";
    out << "\nDone!\n";
    return 0;
}

}  // namespace vantedit
