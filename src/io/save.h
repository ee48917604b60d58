// Every file the program writes is saved here, in two calls. claimFiles, before the run reads
// what it will replace, takes each target's lock, notes the target's state and removes what a
// killed run left beside it. saveFiles then writes each new file beside its target, makes the
// kept copies the same way, checks that every target is still as claimed, and only then renames
// them all into place and syncs their folders. Until the first rename every file is as it was.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "model/memory.h"

namespace vantedit::io {

// What a save, or a claim, tells of itself, in the order it happened.
enum class SaveEvent : std::uint8_t {
    KeptOriginal,  // the first original was copied to path
    KeptPrevious,  // the stats file it replaced, which differed, was copied to path
    Saved,         // path holds its new bytes
    Failed,        // path was not saved, for the reason in error
};

enum class SaveError : std::uint8_t {
    None,
    System,         // a file call failed: reason holds the system's words, if it gave any
    InUse,          // another run of ours holds the target
    Changed,        // another program wrote or replaced the target since it was claimed
    NotRegular,     // a kept copy's name is taken by a link, a pipe or a device
    NotAnOriginal,  // other, the kept first original, is no original of path
    ReadOnly,       // the target's permission bits forbid writing it
    CannotCreate,   // no file could be begun where none stood
};

struct SaveFact {
    SaveEvent event = SaveEvent::Saved;
    std::string path;
    SaveError error = SaveError::None;
    std::string reason;
    std::string other;
    std::size_t job = 0;  // the job it is about, in the order given
};

using SaveFacts = std::vector<SaveFact>;

// Which copy a target keeps of what it held before.
enum class KeptCopy : std::uint8_t {
    None,
    FirstOriginal,  // <file>.orig, made once and never touched after (through links, beside the target)
    PreviousStats,  // <file>.bak, made whenever the old file differs from the new bytes
};

// An existing first original must pass this before anything is written: it is handed the path
// of the file the copy names (through its links).
using OriginalTest = std::function<bool(const std::string& path)>;

inline constexpr std::int64_t kWholeFile = -1;

// A stretch of a job's bytes, by where it starts in them.
struct ByteRange {
    std::size_t offset = 0;
    std::size_t size = 0;
};

struct SaveJob {
    std::string target;
    std::span<const std::uint8_t> bytes;
    // kWholeFile: the bytes are the new file. Otherwise they are laid over a copy of the
    // current file (or of from) from this offset on; the file keeps its length.
    std::int64_t offset = kWholeFile;
    std::string from;  // the file copied, when it is not the target itself
    KeptCopy kept = KeptCopy::None;
    OriginalTest isOriginal;  // with FirstOriginal
    // With an offset, the stretches of bytes that differ from the file, in order: only they
    // are written over the copy. None given: all of bytes.
    std::optional<std::span<const ByteRange>> changed;
};

// The files a run will save, held from the claim to the end of the run.
class Claim {
public:
    Claim();
    Claim(const Claim&) = delete;
    Claim& operator=(const Claim&) = delete;
    ~Claim();  // gives the locks up; the lock files of new targets go with them

    struct Held;

private:
    friend SaveFacts claimFiles(Claim&, std::span<const std::string>);
    friend SaveFacts saveFiles(Claim&, std::span<const SaveJob>, Faults&);
    friend void beginCopy(Claim&, const std::string&, Faults&);
    std::vector<std::unique_ptr<Held>> held_;
};

// Claims each path; a failure for the first one another run holds (InUse) or that names a file
// claimed under another name, else nothing. A path that is standard output, a device or a pipe
// takes no lock. A path may be claimed again by a later call: it keeps its first state.
SaveFacts claimFiles(Claim& claim, std::span<const std::string> paths);

// Makes the copy of the claimed path that its save will lay the new bytes over, and begins its
// sync, so that the disk writes it while the run reads. A copy not begun is made by the save,
// which alone tells of failures; a run that saves nothing removes it.
void beginCopy(Claim& claim, const std::string& path, Faults& faults);

// Saves the jobs, all or, past the first rename, as many as could be; a target not claimed
// before is claimed here. Ends with a Saved fact per job, or at the first Failed fact.
SaveFacts saveFiles(Claim& claim, std::span<const SaveJob> jobs, Faults& faults);

// Where a file's first original is kept: its name with ".orig" added, beside it; for a
// symbolic link, beside its target, after the target's name.
std::string firstOriginalPath(const std::string& path);

}  // namespace vantedit::io
