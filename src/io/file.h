// The program's only door to the file system. Every call that can fail is put to the run's
// Faults first, so that tests can make the n-th call fail, or act at it, and watch what is
// left on disk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

#include "model/memory.h"

namespace vantedit::io {

class File {
public:
    explicit File(Faults& faults) : faults_(&faults) {}
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File();  // closes without checking, for paths that already failed

    bool isOpen() const { return stream_ != nullptr; }

    // mode as for fopen; always binary: line ends are translated by the program itself
    bool open(const std::string& path, const char* mode);
    // Makes a new file for writing; false, with taken set, when something of that name exists.
    bool create(const std::string& path, bool& taken);
    bool seek(long offset, int origin);
    bool tell(long& position);
    std::size_t read(void* buffer, std::size_t size);
    // One counted call: a seek to the offset from the start, then the read; 0 if the seek fails.
    std::size_t readAt(long offset, void* buffer, std::size_t size);
    bool write(const void* buffer, std::size_t size);
    bool flush();
    bool sync();  // the data reaches the disk before a rename relies on it
    // Closing a stream that was only read loses nothing, so it is no fault point.
    bool close();

private:
    Faults* faults_;
    std::FILE* stream_ = nullptr;
    bool standard_ = false;
    bool writable_ = false;
};

// Removes the file, if it can; nothing is asked of memory, so that it may run while a
// failure to allocate unwinds.
void removeQuietly(const std::string& path);

// The file read as a stream to its end; false if it cannot be opened or, with unallocated
// set to the size asked for, when the memory for it cannot be had. A read error after the
// opening ends the bytes where it happens, as the end of the file would.
bool readWholeFile(Faults& faults, const std::string& path, std::string& bytes, std::size_t* unallocated = nullptr);

enum class WholeRead : std::uint8_t { Read, NotOpened, NoMemory, TooLarge };

// The same, of at most maxSize bytes: a larger regular file is refused before it is read, a
// stream (standard input, a pipe, a device) once it gives more. unallocated: the size asked
// for, after NoMemory.
WholeRead readWholeFileUpTo(Faults& faults, const std::string& path, std::size_t maxSize, std::string& bytes,
                            std::size_t& unallocated);

// The same file however it is named: hard links, symbolic links, ../ paths.
bool sameFile(const std::string& a, const std::string& b);

// The system's words for why the last failed file call failed ("Permission denied"); empty
// when it gave none, as for a refusal of the test seam or a check of the program's own.
std::string lastFailureReason();

// The relative path taken from the folder of file ("data/x" beside "games/a.exe" is
// "games/data/x"); the path itself for a file in the working folder.
std::string besideFile(const std::string& file, std::string_view relative);

// The path names a folder.
bool isFolder(const std::string& path);

// The path is "-" or names the file or pipe that standard output writes to.
bool isStandardOutput(const std::string& path);

// An existing regular file can be opened for writing; true for anything else, which the
// write itself will try.
bool canWriteOver(Faults& faults, const std::string& path);

// The file can be opened for update and its permission bits let someone write it: neither a
// rename nor a run as root would respect a read-only mark.
bool isWritableFile(Faults& faults, const std::string& path);

// What a path names on disk: which file (device and number), its size and when it was last
// written. Two states are equal only when both are known.
struct FileState {
    enum class Kind : std::uint8_t { Unknown, Missing, Regular, Other };
    Kind kind = Kind::Unknown;
    std::uint64_t device = 0;
    std::uint64_t number = 0;
    std::int64_t size = 0;
    std::int64_t modified = 0;  // in the system's own ticks

    bool operator==(const FileState& other) const {
        return kind != Kind::Unknown && kind == other.kind && device == other.device && number == other.number &&
               size == other.size && modified == other.modified;
    }
};

// The file a save will replace, held for one run at a time: an exclusive flock on the file
// itself, or on its folder while the file does not exist yet (LockFileEx on Windows, on the
// file only, and given up just before the rename: Windows replaces no open file). The system
// releases it when the process ends, however it ends, and it leaves no file behind.
class FileLock {
public:
    enum class Result {
        Locked,
        InUse,        // another process holds it
        Unavailable,  // the file cannot be opened, is no regular file, or its file system keeps no locks
    };

    FileLock() = default;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock() { release(); }

    // Takes the lock for the file the path names (through symbolic links) without waiting,
    // and notes the file's state. Having it, checks that the path still names the file
    // locked: another run may have renamed a new one over it meanwhile.
    Result lock(const std::string& path);
    void release();
    bool locked() const { return handle_ != kNone; }
    // The file as it was when the lock was taken (or found unavailable): a save replaces it
    // only while it is still so.
    const FileState& state() const { return state_; }

private:
    static constexpr std::intptr_t kNone = -1;
    std::intptr_t handle_ = kNone;  // a descriptor, or a Windows handle
    FileState state_;
};

// What became of a save.
enum class SaveResult {
    Saved,
    Failed,
    Changed,  // the target is no longer the file the lock found: left as it is
};

// A file written whole or not at all. The bytes go to a new file beside the target (through a
// symbolic link, beside its target, which is made if it does not exist yet), which is renamed
// over it only once it is completely on disk, with an existing target's permission bits and,
// where the process may, its owner and group; then the folder is synced. Until commit
// succeeds the target stays as it was, and the new file is removed on any failure. A target
// that exists and is not a regular file (a device, a pipe) is written directly.
//
// The new file is named <target>.vantedit-<n>.tmp, n from 0 on, the first name that is free.
// Given the lock of the target, open first removes such files that a killed run left behind
// (no run of ours is writing one while we hold the lock), and commit renames only while the
// target is still in the state the lock found.
class ReplacingFile {
public:
    explicit ReplacingFile(Faults& faults) : faults_(&faults), file_(faults) {}
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;
    ~ReplacingFile();  // removes an uncommitted new file

    // False when no new file can be made beside the target, or a device or pipe cannot be
    // opened for writing. lock may be nullptr: nothing is then removed or checked.
    bool open(const std::string& path, FileLock* lock);
    bool write(std::span<const std::uint8_t> bytes);
    // Every step checked: the flush, the sync, the close, the permissions, the target's state,
    // the rename.
    SaveResult commit();
    // After open: a regular file stands at the target, to be replaced.
    bool replacesAFile() const { return targetExists_; }
    // A new target takes the permission bits of this file (an existing one keeps its own).
    void takePermissionsFrom(const std::string& path) { permissionsFrom_ = path; }

    // commit in two steps, so that several files can all be made ready before any of them is
    // replaced: finish does all but the rename (the flush, the sync, the close, the
    // permissions, the owner), putInPlace the rename and the folder's sync.
    bool finish();
    bool putInPlace();
    // The new file beside the target, until it is put in place.
    const std::string& temporaryPath() const { return temporary_; }

private:
    Faults* faults_;
    File file_;
    FileLock* lock_ = nullptr;
    std::string target_;
    std::string temporary_;  // empty once renamed, or when none was made
    bool targetExists_ = false;
    bool direct_ = false;
    std::string permissionsFrom_;
};

// A file or a symbolic link, even one that names nothing, stands at the path.
bool pathTaken(const std::string& path);
// The file a save of the path writes: through symbolic links, the file they end at.
std::string savedPath(const std::string& path);

// Writes a copy of the file, size bytes long, as the file to, through a ReplacingFile (an older
// file of that name is replaced); a new file takes the permission bits of from.
SaveResult copyFile(Faults& faults, const std::string& from, std::int64_t size, const std::string& to);

// Replaces the file with a copy of itself in which the bytes from offset on are the given ones,
// through a ReplacingFile. The copy streams through a small buffer, so the file is never held
// whole. It fails if the file is no longer size bytes long or the bytes do not fit in it.
SaveResult replaceBytes(Faults& faults, const std::string& path, std::int64_t size, std::int64_t offset,
                        std::span<const std::uint8_t> bytes, FileLock* lock);

// The file with its first bytes replaced by the given ones, written through out up to
// ReplacingFile::finish: ready to be put in place. A file longer than the bytes keeps the rest;
// a shorter one is not written.
bool prepareReplacedStart(Faults& faults, ReplacingFile& out, const std::string& path,
                          std::span<const std::uint8_t> bytes);

// Where the first original of a file is kept: its name with ".orig" added, beside it; for a
// symbolic link, beside its target, after the target's name.
std::string firstOriginalPath(const std::string& path);

enum class FirstOriginal : std::uint8_t {
    Kept,         // this call made the copy
    KeptBefore,   // a file or link of that name was there, and is left exactly as it is
    Failed,       // nothing was made
};

// Keeps the file as it is now under firstOriginalPath, written as every save is (a new file
// renamed into place once it is on disk) with the file's permission bits, unless something of
// that name exists: it holds the original from before the first save. originalPath receives
// the name.
FirstOriginal keepFirstOriginal(Faults& faults, const std::string& path, std::string& originalPath);

}  // namespace vantedit::io
