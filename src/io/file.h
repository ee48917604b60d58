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

// The whole file; false if it cannot be opened, measured or read completely.
bool readWholeFile(const std::string& path, std::string& bytes);

// The same file however it is named: hard links, symbolic links, ../ paths.
bool sameFile(const std::string& a, const std::string& b);

// The file can be opened for update and its permission bits let someone write it: neither a
// rename nor a run as root would respect a read-only mark.
bool isWritableFile(const std::string& path);

// Replaces the file with a copy of itself in which the bytes from offset on are the given ones,
// never in place: the copy goes to a new file beside it (through a symbolic link, beside its
// target), which is renamed over it only once it is completely on disk, with the old file's
// permission bits. The copy streams through a small buffer, so the file is never held whole.
// It fails if the file is no longer size bytes long or the bytes do not fit in it. On any
// failure the file stays as it was and no new file is left behind.
bool replaceBytes(const std::string& path, std::int64_t size, std::int64_t offset, std::span<const std::uint8_t> bytes);

}  // namespace vantedit::io
