#include "io/file.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <string_view>
#include <system_error>

#include "io/names.h"

#include <fcntl.h>
#include <sys/stat.h>
#if defined(_WIN32)
#include <io.h>
#include <windows.h>
#else
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace vantedit::io {

namespace fs = std::filesystem;

namespace {

// The system's reason for the last call that failed, 0 when it gave none.
thread_local int lastFailure = 0;

// A failed call: its reason kept while errno still holds it.
bool failedWithReason(int error = errno) {
    lastFailure = error;
    return false;
}

// As much as a copy or a compare holds at once: the page cache streams it as fast as one big
// block. One at a time, so no memory is asked for while saving. Kept small enough that the
// program still starts, and fails cleanly, in the least address space the loader itself needs.
constexpr std::size_t kChunk = std::size_t{64} << 10;
std::array<char, kChunk> chunk;

std::FILE* openStream(const std::string& path, const char* mode) {
#if defined(_WIN32)
    return _wfopen(wideName(path).c_str(), wideName(mode).c_str());
#else
    return std::fopen(path.c_str(), mode);
#endif
}

// The path with every symbolic link on its way followed, also a last one whose target does
// not exist yet: a save writes what the link names and keeps the link.
fs::path resolvedPath(const std::string& path, std::error_code& ec) {
    fs::path p = fsPath(path);
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code linkError;
        if (!fs::is_symlink(fs::symlink_status(p, linkError))) break;
        const fs::path to = fs::read_symlink(p, linkError);
        if (linkError) break;
        p = to.is_absolute() ? to : p.parent_path() / to;
    }
    return fs::weakly_canonical(p, ec);
}

#if !defined(_WIN32)
// The kernel copies nothing between these two files: the bytes go through the program.
bool copyRefused(int error) {
    return error == EXDEV || error == ENOSYS || error == EOPNOTSUPP || error == ENOTSUP || error == EINVAL ||
           error == EBADF || error == ETXTBSY;
}

// The kernel copies this much at a time, and the disk begins writing each piece while the
// next is copied: a sync after the copy then waits for less.
constexpr std::size_t kKernelCopyPiece = std::size_t{1} << 20;
#endif

}  // namespace

void forgetLastFailure() { lastFailure = 0; }

std::string lastFailureReason() { return lastFailure == 0 ? std::string() : std::strerror(lastFailure); }

File::~File() {
    awaitSyncAhead();
    if (stream_ != nullptr && !standard_) std::fclose(stream_);
}

bool File::open(const std::string& path, const char* mode) {
    lastFailure = 0;
    readFailed_ = false;
    if (faults_->failFileCall()) return false;
    const bool reading = mode[0] == 'r';
    // Standard input or output: never closed, only flushed.
    standard_ = reading ? path == "-" : isStandardOutput(path);
    if (standard_) {
        stream_ = reading ? stdin : stdout;
#if defined(_WIN32)
        _setmode(_fileno(stream_), _O_BINARY);
#endif
    } else {
        stream_ = openStream(path, mode);
    }
    writable_ = std::string_view(mode).find_first_of("wa+") != std::string_view::npos;
    return stream_ != nullptr || failedWithReason();
}

bool File::openRegular(const std::string& path, bool& notRegular) {
    lastFailure = 0;
    readFailed_ = false;
    notRegular = false;
    if (faults_->failFileCall()) return false;
#if defined(_WIN32)
    stream_ = openStream(path, "rb");
    if (stream_ == nullptr) return failedWithReason();
    notRegular = GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream_)))) != FILE_TYPE_DISK;
    if (notRegular) {
        std::fclose(stream_);
        stream_ = nullptr;
    }
#else
    // Not waiting for a writer to a pipe, nor for a device: a regular file never waits anyway.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return failedWithReason();
    struct stat st{};
    const bool measured = ::fstat(fd, &st) == 0;
    notRegular = measured && !S_ISREG(st.st_mode);
    if (measured && !notRegular) stream_ = ::fdopen(fd, "rb");
    if (stream_ == nullptr) {
        if (!notRegular) failedWithReason();
        ::close(fd);
    }
#endif
    writable_ = false;
    return stream_ != nullptr;
}

bool File::create(const std::string& path, bool& taken) {
    taken = false;
    if (faults_->failFileCall()) return false;
#if defined(_WIN32)
    const int fd = ::_wopen(wideName(path).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
#endif
    if (fd < 0) {
        taken = errno == EEXIST;
        return failedWithReason();
    }
    stream_ = ::fdopen(fd, "wb");
    if (stream_ == nullptr) ::close(fd);
    writable_ = true;
    if (stream_ == nullptr) removeQuietly(path);
#if defined(_WIN32)
    path_ = path;
#endif
    return stream_ != nullptr;
}

bool File::seek(long offset, int origin) {
    if (faults_->failFileCall()) return false;
    return std::fseek(stream_, offset, origin) == 0;
}

bool File::tell(long& position) {
    if (faults_->failFileCall()) return false;
    position = std::ftell(stream_);
    return position >= 0;
}

std::size_t File::read(void* buffer, std::size_t size) {
    readFailed_ = faults_->failFileCall();
    if (readFailed_) {
        lastFailure = 0;  // the test seam's refusal gives no reason
        return 0;
    }
    const std::size_t got = std::fread(buffer, 1, size, stream_);
    readFailed_ = got < size && std::ferror(stream_) != 0;
    if (readFailed_) failedWithReason();
    return got;
}

std::size_t File::readAt(long offset, void* buffer, std::size_t size) {
    if (faults_->failFileCall() || std::fseek(stream_, offset, SEEK_SET) != 0) return 0;
    return std::fread(buffer, 1, size, stream_);
}

bool File::write(const void* buffer, std::size_t size) { return writeAt(-1, buffer, size); }

bool File::writeAt(long offset, const void* buffer, std::size_t size) {
    awaitSyncAhead();
    if (faults_->failFileCall()) return failedWithReason(0);
    return ((offset < 0 || std::fseek(stream_, offset, SEEK_SET) == 0) &&
            std::fwrite(buffer, 1, size, stream_) == size && std::ferror(stream_) == 0) ||
           failedWithReason();
}

#if defined(_WIN32)

File::Copy File::systemCopy(File& /*source*/, const std::string& sourcePath, long /*size*/) {
    if (faults_->failFileCall()) return Copy::Refused;
    // The system's copy writes by name: the new file is closed for it, then opened again for update.
    std::fclose(stream_);
    stream_ = nullptr;
    const std::wstring name = wideName(path_);
    // CopyFileW rather than CopyFile2: the same copy of the system's, and Wine has it.
    const bool copied = CopyFileW(wideName(sourcePath).c_str(), name.c_str(), FALSE) != 0;
    // The copy takes the source's attributes: a read-only one would forbid the writes after it.
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (copied && attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        SetFileAttributesW(name.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
    }
    stream_ = openStream(path_, copied ? "r+b" : "wb");
    if (stream_ == nullptr) return failedWithReason(), Copy::Failed;
    return copied ? Copy::Done : Copy::Refused;
}

#else

File::Copy File::systemCopy(File& source, const std::string& /*sourcePath*/, long size) {
    const int in = fileno(source.stream_);
    const int out = fileno(stream_);
    // A clone shares the blocks and copies nothing; file systems without shared blocks refuse it.
    if (!faults_->failFileCall() && ::ioctl(out, FICLONE, in) == 0) return Copy::Done;
    if (faults_->failFileCall()) return Copy::Refused;
    for (off_t at = 0; at < size;) {
        off_t from = at;
        off_t to = at;
        const auto piece = static_cast<std::size_t>(std::min<off_t>(kKernelCopyPiece, size - at));
        const ssize_t copied = ::copy_file_range(in, &from, out, &to, piece, 0);
        if (copied < 0 && !copyRefused(errno)) return failedWithReason(), Copy::Failed;
        if (copied <= 0) return Copy::Refused;  // at 0, the source ended early: the plain copy tells
        ::sync_file_range(out, at, copied, SYNC_FILE_RANGE_WRITE);  // a hint: nothing fails
        at += copied;
    }
    return Copy::Done;
}

#endif

bool File::copyWhole(const std::string& source, long& size) {
    File in(*faults_);
    if (!in.open(source, "rb") || !in.seek(0, SEEK_END) || !in.tell(size) || !in.seek(0, SEEK_SET)) return false;
    const Copy copy = systemCopy(in, source, size);
    if (copy == Copy::Failed) return false;
    for (long at = 0; copy == Copy::Refused && at < size;) {  // through the program
        const auto want = static_cast<std::size_t>(std::min<long>(kChunk, size - at));
        if (in.read(chunk.data(), want) != want || !write(chunk.data(), want)) return false;
        at += static_cast<long>(want);
    }
    in.close();  // read-only: a failing close loses nothing
    return true;
}

void File::syncAhead() {
#if !defined(_WIN32)
    awaitSyncAhead();
    const int fd = fileno(stream_);
    try {
        ahead_ = std::thread([fd] { ::fsync(fd); });
    } catch (...) {  // no thread to be had: the later sync does it all
    }
#endif
}

bool File::flush() {
    awaitSyncAhead();
    if (faults_->failFileCall()) return failedWithReason(0);
    return std::fflush(stream_) == 0 || failedWithReason();
}

bool File::sync() {
    awaitSyncAhead();
    if (faults_->failFileCall()) return false;
#if defined(_WIN32)
    return _commit(_fileno(stream_)) == 0 || failedWithReason();
#else
    return fsync(fileno(stream_)) == 0 || failedWithReason();
#endif
}

bool File::close() {
    awaitSyncAhead();
    const bool failed = writable_ && faults_->failFileCall();
    std::FILE* stream = stream_;
    stream_ = nullptr;
    const bool closed = standard_ ? std::fflush(stream) == 0 : std::fclose(stream) == 0;
    if (!closed) return failedWithReason();
    return !failed || failedWithReason(0);
}

std::string besideFile(const std::string& file, std::string_view relative) {
    const fs::path folder = fsPath(file).parent_path();
    if (folder.empty()) return std::string(relative);
    return nameOf(folder / fsPath(relative));
}

bool isFolder(const std::string& path) {
    std::error_code ec;
    return fs::is_directory(fsPath(path), ec);
}

bool isStandardOutput(const std::string& path) {
    if (path == "-") return true;
#if defined(_WIN32)
    return false;
#else
    struct stat target{};
    struct stat standardOutput{};
    return ::stat(path.c_str(), &target) == 0 && ::fstat(STDOUT_FILENO, &standardOutput) == 0 &&
           target.st_dev == standardOutput.st_dev && target.st_ino == standardOutput.st_ino;
#endif
}

void removeQuietly(const std::string& path) {
#if defined(_WIN32)
    // Without the memory for its wide name the file stays: a leftover the next save beside it removes.
    tryAllocating(noFaults(), [&] { _wremove(wideName(path).c_str()); });
#else
    std::remove(path.c_str());
#endif
}

WholeRead readWholeFileUpTo(Faults& faults, const std::string& path, std::size_t maxSize, std::string& bytes,
                            std::size_t& unallocated) {
    unallocated = 0;
    File file(faults);
    if (!file.open(path, "rb")) return WholeRead::Unreadable;
    std::error_code ec;
    const fs::path name = fsPath(path);
    if (path != "-" && fs::is_regular_file(name, ec) && fs::file_size(name, ec) > maxSize && !ec) {
        return WholeRead::TooLarge;
    }
    // Read to the end in chunks, never measuring or seeking: a pipe has no size, and a folder
    // or a device can report any. Only the end is the end: a read error is a failure.
    std::string read;
    for (;;) {
        const std::size_t got = file.read(chunk.data(), kChunk);
        if (file.readFailed()) return WholeRead::Unreadable;
        if (got > maxSize - std::min(maxSize, read.size())) return WholeRead::TooLarge;
        if (read.size() + got > read.capacity()) {
            const std::size_t room =
                std::min(std::max(2 * read.capacity(), read.size() + kChunk), std::max(maxSize, kChunk));
            if (!tryReserve(faults, read, room)) {
                unallocated = room;
                return WholeRead::NoMemory;
            }
        }
        read.append(chunk.data(), got);
        if (got < kChunk) break;
    }
    file.close();  // read-only: a failing close loses nothing
    bytes = std::move(read);
    return WholeRead::Read;
}

bool linkFile([[maybe_unused]] Faults& faults, [[maybe_unused]] const std::string& existing,
              [[maybe_unused]] const std::string& path, bool& taken) {
    taken = false;
#if defined(_WIN32)
    return false;
#else
    if (faults.failFileCall()) return false;
    if (::link(existing.c_str(), path.c_str()) == 0) return true;
    taken = errno == EEXIST;
    return false;
#endif
}

bool sameContents(const std::string& a, const std::string& b) {
    File first(noFaults()), second(noFaults());
    bool notRegular = false;
    if (!first.openRegular(a, notRegular) || !second.openRegular(b, notRegular)) return false;
    char* const x = chunk.data();
    char* const y = x + kChunk / 2;
    for (;;) {
        const std::size_t got = first.read(x, kChunk / 2);
        if (second.read(y, kChunk / 2) != got || std::memcmp(x, y, got) != 0) return false;
        if (first.readFailed() || second.readFailed()) return false;
        if (got < kChunk / 2) return true;
    }
}

std::optional<bool> differsFrom(Faults& faults, const std::string& path, std::span<const std::uint8_t> bytes) {
    File in(faults);
    if (!in.open(path, "rb")) return std::nullopt;
    std::size_t at = 0;
    for (;;) {
        const std::size_t got = in.read(chunk.data(), kChunk);
        if (got > bytes.size() - at || std::memcmp(chunk.data(), bytes.data() + at, got) != 0) return true;
        at += got;
        if (got < kChunk) break;
    }
    in.close();  // read-only: a failing close loses nothing
    return at != bytes.size();
}

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    if (fs::equivalent(fsPath(a), fsPath(b), ec) && !ec) return true;
    // Two files that exist are one only as the system tells: no need to follow their links.
    if (fs::exists(fsPath(a), ec) && fs::exists(fsPath(b), ec)) return false;
    // A file not made yet: the same place, once every link on the way is followed.
    std::error_code errorA, errorB;
    const fs::path resolvedA = resolvedPath(a, errorA);
    return !errorA && resolvedA == resolvedPath(b, errorB) && !errorB;
}

bool canWriteOver(Faults& faults, const std::string& path) {
    std::error_code ec;
    if (!fs::is_regular_file(fs::status(fsPath(path), ec))) return true;
    File file(faults);
    return file.open(path, "ab") && file.close();  // appending nothing changes nothing
}

bool isWritableFile(Faults& faults, const std::string& path) {
    File file(faults);
    if (!file.open(path, "r+b")) return false;
    file.close();  // nothing was written
    return true;
}

Presence lookUp(const std::string& path) {
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(fsPath(path), ec);
    if (ec) {
        if (ec == std::errc::no_such_file_or_directory || ec == std::errc::not_a_directory) return Presence::Absent;
        failedWithReason(ec.default_error_condition().value());
        return Presence::Unknown;
    }
    switch (status.type()) {
        case fs::file_type::not_found: return Presence::Absent;
        case fs::file_type::regular: return Presence::File;
        case fs::file_type::directory: return Presence::Folder;
        default: return Presence::Other;
    }
}

bool isReadOnly(const std::string& path) {
    std::error_code ec;
    const fs::perms perms = fs::status(fsPath(path), ec).permissions();
    return !ec &&
           (perms & (fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write)) == fs::perms::none;
}

bool flushStandardOutput(std::ostream& out) {
    errno = 0;
    const bool flushed = static_cast<bool>(out.flush());
    const int error = errno;
    // A second try of bytes that did not go gives the reason afresh.
    if (std::fflush(stdout) == 0 && std::ferror(stdout) == 0 && flushed) return true;
    return failedWithReason(errno != 0 ? errno : error);
}

std::string savedPath(const std::string& path) {
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(fsPath(path), ec))) return path;
    const fs::path resolved = resolvedPath(path, ec);
    return ec ? path : nameOf(resolved);
}

}  // namespace vantedit::io
