// The program's only door to the file system. Every call that can fail is put to the run's
// Faults first, so that tests can make the n-th call fail, or act at it, and watch what is
// left on disk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#if !defined(_WIN32)
#include <thread>
#endif

#include "model/memory.h"

namespace vantedit::io {

class File {
public:
    explicit File(Faults& faults) : faults_(&faults) {}
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File();  // closes without checking, for paths that already failed

    bool isOpen() const { return stream_ != nullptr; }

    // mode as for fopen; always binary: line ends are translated by the program itself. "-" is
    // standard input to read, standard output to write; so is, to write, any name of what
    // standard output writes to, which opening it anew would truncate.
    bool open(const std::string& path, const char* mode);
    // Opens for reading a file that must be a regular one, without waiting on a pipe or a
    // device: false, with notRegular set, when the path names anything else.
    bool openRegular(const std::string& path, bool& notRegular);
    // Makes a new file for writing; false, with taken set, when something of that name exists.
    bool create(const std::string& path, bool& taken);
    bool seek(long offset, int origin);
    bool tell(long& position);
    std::size_t read(void* buffer, std::size_t size);
    // The last read stopped at an error, not at the end of the file.
    bool readFailed() const { return readFailed_; }
    // One counted call: a seek to the offset from the start, then the read; 0 if the seek fails.
    std::size_t readAt(long offset, void* buffer, std::size_t size);
    bool write(const void* buffer, std::size_t size);
    // One counted call: a seek to the offset from the start, then the write.
    bool writeAt(long offset, const void* buffer, std::size_t size);

    // This file, created and still empty, made a copy of the file source, size set to its size:
    // by the system where it can, so that no byte passes through the program.
    bool copyWhole(const std::string& source, long& size);
    bool flush();
    bool sync();  // the data reaches the disk before a rename relies on it
    // The disk begins taking what the file holds while the run goes on with other work: a
    // sync of its own, whose outcome counts for nothing. The file's next call waits for it,
    // and the sync after the last write is the one that tells.
    void syncAhead();
    // Closing a stream that was only read loses nothing, so it is no fault point.
    bool close();

private:
    Faults* faults_;
    std::FILE* stream_ = nullptr;
    bool standard_ = false;
    bool writable_ = false;
    bool readFailed_ = false;
    // The system's copy of the first size bytes of source (open for reading, named sourcePath):
    // a clone that shares its blocks where the file system can, else a copy in the kernel, which
    // the disk begins writing at once (on Windows the system's CopyFile, which copies by name).
    // Refused, with this file as it may be, where the system offers neither (another file
    // system, an old kernel). Failed: the disk is full, or the bytes cannot be had.
    enum class Copy : std::uint8_t { Done, Refused, Failed };
    Copy systemCopy(File& source, const std::string& sourcePath, long size);
#if defined(_WIN32)
    std::string path_;  // of a file made by create, which CopyFile writes by name
    void awaitSyncAhead() {}
#else
    std::thread ahead_;  // of syncAhead
    void awaitSyncAhead() {
        if (ahead_.joinable()) ahead_.join();
    }
#endif
};

// Removes the file, if it can; it throws nothing, so that it may run while a failure to
// allocate unwinds (on Linux it asks for no memory at all).
void removeQuietly(const std::string& path);

// A second name, path, for the existing file: no byte is copied. False, with taken set when
// something of that name exists, where the system refuses (another file system, one without
// links, Windows here).
bool linkFile(Faults& faults, const std::string& existing, const std::string& path, bool& taken);

// The two regular files hold the same bytes; false also when either cannot be read.
bool sameContents(const std::string& a, const std::string& b);
// The file holds other bytes than these, streamed, never read whole; nullopt when it cannot be opened.
std::optional<bool> differsFrom(Faults& faults, const std::string& path, std::span<const std::uint8_t> bytes);

// Unreadable: it could not be opened, or a read failed before its end (the reason is kept).
enum class WholeRead : std::uint8_t { Read, Unreadable, NoMemory, TooLarge };

// The file read as a stream to its end, of at most maxSize bytes: a larger regular file is
// refused before it is read, a stream (standard input, a pipe, a device) once it gives more.
// unallocated: the size asked for, after NoMemory.
WholeRead readWholeFileUpTo(Faults& faults, const std::string& path, std::size_t maxSize, std::string& bytes,
                            std::size_t& unallocated);

// The same file however it is named: hard links, symbolic links, ../ paths; for a file that
// does not exist yet, the same place.
bool sameFile(const std::string& a, const std::string& b);

// The system's words for why the last failed file call failed ("Permission denied"); empty
// when it gave none, as for a refusal of the test seam or a check of the program's own.
std::string lastFailureReason();
// The next failure's reason is its own, not an earlier call's.
void forgetLastFailure();

// The relative path taken from the folder of file ("data/x" beside "games/a.exe" is
// "games/data/x"); the path itself for a file in the working folder.
std::string besideFile(const std::string& file, std::string_view relative);

bool isFolder(const std::string& path);

// The path is "-" or names the file or pipe that standard output writes to.
bool isStandardOutput(const std::string& path);

// An existing regular file can be opened for writing; true for anything else, which the
// write itself will try.
bool canWriteOver(Faults& faults, const std::string& path);

bool isWritableFile(Faults& faults, const std::string& path);

// What stands at the path itself; a symbolic link, even one that names nothing, is Other.
// Only "no such file" (or a file where a folder belongs) is Absent: any other failure of the
// lookup is Unknown, with its reason kept for lastFailureReason.
enum class Presence : std::uint8_t { Absent, File, Folder, Other, Unknown };
Presence lookUp(const std::string& path);

// No one may write the file, by its permission bits: neither a rename nor a run as root would
// respect that.
bool isReadOnly(const std::string& path);

// What the stream (which writes to standard output) and standard output hold reaches its file;
// false, with the reason, when it cannot.
bool flushStandardOutput(std::ostream& out);
// The file a save of the path writes: through symbolic links, the file they end at.
std::string savedPath(const std::string& path);

}  // namespace vantedit::io
