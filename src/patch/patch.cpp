#include "patch/patch.h"

#include <filesystem>
#include <system_error>

#include "model/file_io.h"
#include "patch/attachment_groups.h"
#include "patch/stats_reader.h"

namespace vantedit {

namespace {

namespace fs = std::filesystem;

// The game may be written only if it can be opened for update and its permission bits let
// someone write it: neither a rename nor a run as root would respect a read-only mark.
bool executableIsWritable(const std::string& path) {
    io::File file;
    if (!file.open(path, "r+b")) return false;
    file.close();  // nothing was written
    std::error_code ec;
    const fs::perms perms = fs::status(path, ec).permissions();
    if (ec) return false;
    return (perms & (fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write)) != fs::perms::none;
}

// A name beside the target that nothing holds yet; the exclusive open still guards the race.
std::string unusedNameBeside(const fs::path& target) {
    for (int n = 0;; ++n) {
        fs::path candidate = target;
        candidate += ".vantedit-" + std::to_string(n) + ".tmp";
        std::error_code ec;
        if (!fs::exists(fs::symlink_status(candidate, ec)) && !ec) return candidate.string();
        if (n == 999) return candidate.string();  // the exclusive open will refuse it
    }
}

// The whole image into a new file, through to the disk. created tells whether the file was
// made by this call, so that only such a file is ever removed.
bool writeNewFile(const std::string& path, const std::vector<std::uint8_t>& image, bool& created) {
    io::File file;
    created = file.open(path, "wbx");
    if (!created) return false;
    const bool written = file.write(image.data(), image.size()) && file.flush() && file.sync();
    return file.close() && written;
}

}  // namespace

int saveExecutable(const std::string& executablePath, const std::vector<std::uint8_t>& image, std::ostream& out) {
    const auto failed = [&] {
        out << "Error writing " << executablePath << "!\n";
        return 1;
    };
    if (!executableIsWritable(executablePath)) return failed();
    out << "\nSaving binary data...";

    // Through a symbolic link to the file itself, so the link stays a link.
    std::error_code ec;
    const fs::path target = fs::canonical(executablePath, ec);
    if (ec) return failed();
    const std::string temporary = unusedNameBeside(target);
    bool created = false;
    if (!writeNewFile(temporary, image, created) || !io::copyPermissions(target.string(), temporary) ||
        !io::renameReplacing(temporary, target.string())) {
        if (created) io::removeQuietly(temporary);
        return failed();
    }
    out << "\nDone!\n";
    return 0;
}

int runPatch(Game& game, const std::string& executablePath, const std::string& statsPath, std::ostream& out) {
    if (!loadDescriptionFiles(game.record(), game.descriptions, out)) return 1;
    AttachmentGroups groups;
    if (readStatsFile(game, statsPath, groups, out) == ReadResult::Failed) return 1;
    // The texts went into the description buffers only; the description files stay as they are.
    out << "\nDescriptions not saved...";
    rebuildWeaponAttachTable(game, groups, out);
    return saveExecutable(executablePath, game.image, out);
}

}  // namespace vantedit
