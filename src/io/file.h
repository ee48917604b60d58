// The program's only door to the file system. Every call that can fail goes through
// here, counted, so that tests can make the n-th call fail and watch what is left on disk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

namespace vantedit::io {

// Test seam: the n-th counted call from now on (1 = the next one) fails; 0 turns it off.
void failAtCall(long n);
// Calls counted since the last failAtCall.
long callCount();

class File {
public:
    File() = default;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File();  // closes without checking, for paths that already failed

    bool isOpen() const { return stream_ != nullptr; }

    // mode as for fopen; always binary: line ends are translated by the program itself
    bool open(const std::string& path, const char* mode);
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
    std::FILE* stream_ = nullptr;
    bool writable_ = false;
};

bool renameReplacing(const std::string& from, const std::string& to);
bool copyPermissions(const std::string& from, const std::string& to);
void removeQuietly(const std::string& path);

// The file read as a stream to its end; false if it cannot be opened or, with unallocated
// set to the size asked for, when the memory for it cannot be had. A read error after the
// opening ends the bytes where it happens, as the end of the file would.
bool readWholeFile(const std::string& path, std::string& bytes, std::size_t* unallocated = nullptr);

// The same file however it is named: hard links, symbolic links, ../ paths.
bool sameFile(const std::string& a, const std::string& b);

// An existing regular file can be opened for writing; true for anything else, which the
// write itself will try.
bool canWriteOver(const std::string& path);

// The file can be opened for update and its permission bits let someone write it: neither a
// rename nor a run as root would respect a read-only mark.
bool isWritableFile(const std::string& path);

// The owner and group, where the process may give them: as root, or as the file's owner
// (then the group only if it is one of the process's).
bool copyOwner(const std::string& from, const std::string& to);

// A file written whole or not at all. The bytes go to a new file beside the target (through a
// symbolic link, beside its target), which is renamed over it only once it is completely on
// disk, with an existing target's permission bits and, where the process may, its owner and
// group; then the folder is synced. Until commit succeeds the target stays as it was, and the
// new file is removed on any failure. A target that exists and is not a regular file (a
// device, a pipe) is written directly.
class ReplacingFile {
public:
    ReplacingFile() = default;
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;
    ~ReplacingFile();  // removes an uncommitted new file

    // False when no new file can be made beside the target, or a device or pipe cannot be
    // opened for writing.
    bool open(const std::string& path);
    bool write(std::span<const std::uint8_t> bytes);
    // Every step checked: the flush, the sync, the close, the permissions, the rename.
    bool commit();
    // After open: a regular file stands at the target, to be replaced.
    bool replacesAFile() const { return targetExists_; }

    // commit in two steps, so that several files can all be made ready before any of them is
    // replaced: finish does all but the rename (the flush, the sync, the close, the
    // permissions, the owner), putInPlace the rename and the folder's sync.
    bool finish();
    bool putInPlace();
    // The new file beside the target, until it is put in place.
    const std::string& temporaryPath() const { return temporary_; }

private:
    File file_;
    std::string target_;
    std::string temporary_;  // empty once renamed, or when none was made
    bool targetExists_ = false;
    bool direct_ = false;
};

// The whole file replaced with the bytes through a ReplacingFile.
bool replaceFile(const std::string& path, std::span<const std::uint8_t> bytes);

// Replaces the file with a copy of itself in which the bytes from offset on are the given ones,
// through a ReplacingFile. The copy streams through a small buffer, so the file is never held
// whole. It fails if the file is no longer size bytes long or the bytes do not fit in it.
bool replaceBytes(const std::string& path, std::int64_t size, std::int64_t offset, std::span<const std::uint8_t> bytes);

// The file with its first bytes replaced by the given ones, written through out up to
// ReplacingFile::finish: ready to be put in place. A file longer than the bytes keeps the rest;
// a shorter one is not written.
bool prepareReplacedStart(ReplacingFile& out, const std::string& path, std::span<const std::uint8_t> bytes);

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
FirstOriginal keepFirstOriginal(const std::string& path, std::string& originalPath);

}  // namespace vantedit::io
