#include "io/file.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string_view>
#include <system_error>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
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

}  // namespace

std::string lastFailureReason() {
    if (lastFailure == 0) return {};
    return std::strerror(lastFailure);
}

File::~File() {
    if (stream_ != nullptr && !standard_) std::fclose(stream_);
}

bool File::open(const std::string& path, const char* mode) {
    lastFailure = 0;
    if (faults_->failFileCall()) return false;
    // "-": standard input to read, standard output to write; never closed, only flushed.
    standard_ = path == "-";
    if (standard_) {
        const bool reading = std::string_view(mode).find('r') != std::string_view::npos;
        stream_ = reading ? stdin : stdout;
#if defined(_WIN32)
        _setmode(_fileno(stream_), _O_BINARY);
#endif
    } else {
        stream_ = std::fopen(path.c_str(), mode);
    }
    writable_ = std::string_view(mode).find_first_of("wa+") != std::string_view::npos;
    return stream_ != nullptr || failedWithReason();
}

bool File::create(const std::string& path, bool& taken) {
    taken = false;
    if (faults_->failFileCall()) return false;
#if defined(_WIN32)
    const int fd = ::_open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
#else
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
#endif
    if (fd < 0) {
        taken = errno == EEXIST;
        return failedWithReason();
    }
#if defined(_WIN32)
    stream_ = ::_fdopen(fd, "wb");
    if (stream_ == nullptr) ::_close(fd);
#else
    stream_ = ::fdopen(fd, "wb");
    if (stream_ == nullptr) ::close(fd);
#endif
    writable_ = true;
    if (stream_ == nullptr) removeQuietly(path);
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
    if (faults_->failFileCall()) return 0;
    return std::fread(buffer, 1, size, stream_);
}

std::size_t File::readAt(long offset, void* buffer, std::size_t size) {
    if (faults_->failFileCall()) return 0;
    if (std::fseek(stream_, offset, SEEK_SET) != 0) return 0;
    return std::fread(buffer, 1, size, stream_);
}

bool File::write(const void* buffer, std::size_t size) {
    if (faults_->failFileCall()) return failedWithReason(0);
    return (std::fwrite(buffer, 1, size, stream_) == size && std::ferror(stream_) == 0) || failedWithReason();
}

bool File::flush() {
    if (faults_->failFileCall()) return failedWithReason(0);
    return std::fflush(stream_) == 0 || failedWithReason();
}

bool File::sync() {
    if (faults_->failFileCall()) return false;
#if defined(_WIN32)
    return _commit(_fileno(stream_)) == 0;
#else
    return fsync(fileno(stream_)) == 0;
#endif
}

bool File::close() {
    const bool failed = writable_ && faults_->failFileCall();
    std::FILE* stream = stream_;
    stream_ = nullptr;
    const bool closed = standard_ ? std::fflush(stream) == 0 : std::fclose(stream) == 0;
    if (!closed) return failedWithReason();
    return !failed || failedWithReason(0);
}

std::string besideFile(const std::string& file, std::string_view relative) {
    const fs::path folder = fs::path(file).parent_path();
    if (folder.empty()) return std::string(relative);
    return (folder / fs::path(relative)).string();
}

bool isFolder(const std::string& path) {
    std::error_code ec;
    return fs::is_directory(path, ec);
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

void removeQuietly(const std::string& path) { std::remove(path.c_str()); }

WholeRead readWholeFileUpTo(Faults& faults, const std::string& path, std::size_t maxSize, std::string& bytes,
                            std::size_t& unallocated) {
    unallocated = 0;
    File file(faults);
    if (!file.open(path, "rb")) return WholeRead::NotOpened;
    std::error_code ec;
    if (path != "-" && fs::is_regular_file(path, ec) && fs::file_size(path, ec) > maxSize && !ec) {
        return WholeRead::TooLarge;
    }
    // Read to the end in chunks, never measuring or seeking: a pipe has no size, and a folder
    // or a device can report any. A read error ends the bytes where it happens.
    std::string read;
    char chunk[65536];
    for (;;) {
        const std::size_t got = file.read(chunk, sizeof chunk);
        if (got > maxSize - std::min(maxSize, read.size())) return WholeRead::TooLarge;
        if (read.size() + got > read.capacity()) {
            const std::size_t room =
                std::min(std::max(2 * read.capacity(), read.size() + sizeof chunk), std::max(maxSize, sizeof chunk));
            if (!tryReserve(faults, read, room)) {
                unallocated = room;
                return WholeRead::NoMemory;
            }
        }
        read.append(chunk, got);
        if (got < sizeof chunk) break;
    }
    file.close();  // read-only: a failing close loses nothing
    bytes = std::move(read);
    return WholeRead::Read;
}

bool readWholeFile(Faults& faults, const std::string& path, std::string& bytes, std::size_t* unallocated) {
    std::size_t asked = 0;
    const WholeRead read = readWholeFileUpTo(faults, path, SIZE_MAX, bytes, asked);
    if (unallocated != nullptr) *unallocated = asked;
    return read == WholeRead::Read;
}

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return fs::equivalent(a, b, ec) && !ec;
}

bool canWriteOver(Faults& faults, const std::string& path) {
    std::error_code ec;
    if (!fs::is_regular_file(fs::status(path, ec))) return true;
    File file(faults);
    return file.open(path, "ab") && file.close();  // appending nothing changes nothing
}

bool isWritableFile(Faults& faults, const std::string& path) {
    lastFailure = 0;
    File file(faults);
    if (!file.open(path, "r+b")) return false;
    file.close();  // nothing was written
    std::error_code ec;
    const fs::perms perms = fs::status(path, ec).permissions();
    if (ec) return false;
    return (perms & (fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write)) != fs::perms::none;
}

namespace {

// The path with every symbolic link on its way followed, also a last one whose target does
// not exist yet: a save writes what the link names and keeps the link.
fs::path resolvedPath(const std::string& path, std::error_code& ec) {
    fs::path p = path;
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code linkError;
        if (!fs::is_symlink(fs::symlink_status(p, linkError))) break;
        const fs::path to = fs::read_symlink(p, linkError);
        if (linkError) break;
        p = to.is_absolute() ? to : p.parent_path() / to;
    }
    return fs::weakly_canonical(p, ec);
}

fs::path folderOf(const fs::path& file) { return file.parent_path().empty() ? fs::path(".") : file.parent_path(); }

#if defined(_WIN32)

FileState stateOfHandle(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle, &info)) return {};
    FileState state;
    state.kind =
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileState::Kind::Other : FileState::Kind::Regular;
    state.device = info.dwVolumeSerialNumber;
    state.number = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    state.size = static_cast<std::int64_t>((std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow);
    state.modified = static_cast<std::int64_t>((std::uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32) |
                                               info.ftLastWriteTime.dwLowDateTime);
    return state;
}

FileState stateOf(const fs::path& path) {
    const HANDLE handle =
        CreateFileA(path.string().c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        FileState state;
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) state.kind = FileState::Kind::Missing;
        return state;
    }
    FileState state = stateOfHandle(handle);
    if (state.kind == FileState::Kind::Regular && GetFileType(handle) != FILE_TYPE_DISK) {
        state.kind = FileState::Kind::Other;
    }
    CloseHandle(handle);
    return state;
}

#else

FileState stateOfStat(const struct stat& st) {
    FileState state;
    state.kind = S_ISREG(st.st_mode) ? FileState::Kind::Regular : FileState::Kind::Other;
    state.device = static_cast<std::uint64_t>(st.st_dev);
    state.number = static_cast<std::uint64_t>(st.st_ino);
    state.size = static_cast<std::int64_t>(st.st_size);
    state.modified = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return state;
}

FileState stateOf(const fs::path& path) {
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0) {
        FileState state;
        if (errno == ENOENT) state.kind = FileState::Kind::Missing;
        return state;
    }
    return stateOfStat(st);
}

#endif

bool sameFileAs(const FileState& a, const FileState& b) {
    return a.kind == b.kind && a.kind != FileState::Kind::Unknown && a.device == b.device && a.number == b.number;
}

}  // namespace

FileLock::Result FileLock::lock(const std::string& path) {
    release();
    // A few tries: each retry follows a rename over the path that another run just made.
    for (int attempt = 0; attempt < 8; ++attempt) {
        std::error_code ec;
        const fs::path target = resolvedPath(path, ec);
        state_ = ec ? FileState{} : stateOf(target);
        const bool exists = state_.kind == FileState::Kind::Regular;
        if (!exists && state_.kind != FileState::Kind::Missing) return Result::Unavailable;  // written directly
#if defined(_WIN32)
        if (!exists) return Result::Unavailable;  // a folder takes no lock here
        const HANDLE handle =
            CreateFileA(target.string().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return Result::Unavailable;
        // One byte far beyond the end: the lock stops other runs, not reads of the file.
        OVERLAPPED where{};
        where.Offset = 0xFFFFFFFE;
        where.OffsetHigh = 0x7FFFFFFF;
        if (!LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &where)) {
            const DWORD error = GetLastError();
            CloseHandle(handle);
            return error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING ? Result::InUse : Result::Unavailable;
        }
        const FileState locked = stateOfHandle(handle);
        if (sameFileAs(locked, stateOf(target))) {
            handle_ = reinterpret_cast<std::intptr_t>(handle);
            state_ = locked;
            return Result::Locked;
        }
        CloseHandle(handle);
#else
        const fs::path locking = exists ? target : folderOf(target);
        // Not blocking on the open either: the path may have become a pipe meanwhile.
        const int fd = ::open(locking.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) return Result::Unavailable;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const bool held = errno == EWOULDBLOCK;
            ::close(fd);
            return held ? Result::InUse : Result::Unavailable;
        }
        struct stat st{};
        const FileState now = stateOf(target);
        if (exists ? (::fstat(fd, &st) == 0 && sameFileAs(stateOfStat(st), now))
                   : now.kind == FileState::Kind::Missing) {
            handle_ = fd;
            if (exists) state_ = stateOfStat(st);
            return Result::Locked;
        }
        ::close(fd);
#endif
    }
    state_ = FileState{};
    return Result::Unavailable;
}

void FileLock::release() {
    if (handle_ == kNone) return;
#if defined(_WIN32)
    CloseHandle(reinterpret_cast<HANDLE>(handle_));
#else
    ::close(static_cast<int>(handle_));
#endif
    handle_ = kNone;
}

namespace {

bool renameReplacing(Faults& faults, const std::string& from, const std::string& to) {
    if (faults.failFileCall()) return failedWithReason(0);
    std::error_code ec;
    fs::rename(from, to, ec);
    return !ec || failedWithReason(ec.value());
}

bool copyPermissions(Faults& faults, const std::string& from, const std::string& to) {
    if (faults.failFileCall()) return false;
    std::error_code ec;
    const auto status = fs::status(from, ec);
    if (ec) return false;
    fs::permissions(to, status.permissions(), fs::perm_options::replace, ec);
    return !ec;
}

// The owner and group, where the process may give them: as root, or as the file's owner
// (then the group only if it is one of the process's).
bool copyOwner(Faults& faults, const std::string& from, const std::string& to) {
    if (faults.failFileCall()) return false;
#if !defined(_WIN32)
    struct stat original{};
    if (::stat(from.c_str(), &original) != 0) return false;
    // Only root may give a file away; an owner may only choose among its own groups.
    if (::geteuid() != 0 && original.st_uid != ::geteuid()) return true;
    if (::chown(to.c_str(), original.st_uid, original.st_gid) == 0) return true;
    return ::geteuid() != 0 && errno == EPERM;  // the group is not one of ours: it stays the process's
#else
    (void)from;
    (void)to;
    return true;
#endif
}

constexpr std::string_view kTemporaryMark = ".vantedit-";
constexpr std::string_view kTemporaryEnd = ".tmp";

std::string temporaryName(const fs::path& target, int n) {
    return target.string() + std::string(kTemporaryMark) + std::to_string(n) + std::string(kTemporaryEnd);
}

// <target>.vantedit-<digits>.tmp, as temporaryName makes them.
bool isTemporaryOf(std::string_view name, std::string_view target) {
    if (!name.starts_with(target)) return false;
    name.remove_prefix(target.size());
    if (!name.starts_with(kTemporaryMark) || !name.ends_with(kTemporaryEnd)) return false;
    const std::string_view digits =
        name.substr(kTemporaryMark.size(), name.size() - kTemporaryMark.size() - kTemporaryEnd.size());
    return !digits.empty() && std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Only regular files: a folder or a link of that name is not ours. The copies a run keeps of
// the file (its first original, an edited stats file) are made under its lock too.
void removeLeftoversBeside(const fs::path& target) {
    std::error_code ec;
    const std::string name = target.filename().string();
    const auto ours = [&](std::string_view entry) {
        return isTemporaryOf(entry, name) || isTemporaryOf(entry, name + ".orig") ||
               isTemporaryOf(entry, name + ".bak");
    };
    for (fs::directory_iterator it(folderOf(target), ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (ours(it->path().filename().string()) && it->symlink_status(typeError).type() == fs::file_type::regular) {
            removeQuietly(it->path().string());
        }
    }
}

// The folder's entry for the new name reaches the disk too, so that the rename survives a
// power loss. Some file systems cannot sync a folder; the file itself is already safe then.
void syncFolderOf(const fs::path& file) {
#if !defined(_WIN32)
    const int folder = ::open(folderOf(file).c_str(), O_RDONLY | O_CLOEXEC);
    if (folder < 0) return;
    ::fsync(folder);
    ::close(folder);
#else
    (void)file;
#endif
}

// As much as the copy of an executable holds at once: the page cache streams it as fast as one
// big block.
constexpr std::size_t kCopyChunk = std::size_t{128} << 10;

// Names tried for the new file before giving up: leftovers are removed under the lock, so
// only folders or files of others stand in the way.
constexpr int kTemporaryNames = 100;

}  // namespace

ReplacingFile::~ReplacingFile() {
    if (file_.isOpen()) file_.close();
    if (!temporary_.empty()) removeQuietly(temporary_);
}

bool ReplacingFile::open(const std::string& path, FileLock* lock) {
    lastFailure = 0;
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    const bool exists = fs::exists(status);
    if (path == "-" || (exists && !fs::is_regular_file(status))) {
        direct_ = true;  // a device or a pipe: there is nothing to replace
        return file_.open(path, "wb");
    }
    targetExists_ = exists;
    const fs::path target = resolvedPath(path, ec);
    if (ec) return false;
    target_ = target.string();
    lock_ = lock;
    if (lock_ != nullptr && lock_->locked()) removeLeftoversBeside(target);
    for (int n = 0; n < kTemporaryNames; ++n) {
        const std::string temporary = temporaryName(target, n);
        bool taken = false;
        if (file_.create(temporary, taken)) {
            temporary_ = temporary;  // made by this call: only such a file is ever removed
            return true;
        }
        if (!taken) return false;
    }
    return false;
}

bool ReplacingFile::write(std::span<const std::uint8_t> bytes) { return file_.write(bytes.data(), bytes.size()); }

bool ReplacingFile::finish() {
    if (direct_) {
        const bool flushed = file_.flush();
        return file_.close() && flushed;
    }
    const bool synced = file_.flush() && file_.sync();
    if (!file_.close() || !synced) return false;
    if (targetExists_ &&
        (!copyPermissions(*faults_, target_, temporary_) || !copyOwner(*faults_, target_, temporary_))) {
        return false;
    }
    return targetExists_ || permissionsFrom_.empty() || copyPermissions(*faults_, permissionsFrom_, temporary_);
}

bool ReplacingFile::putInPlace() {
    if (direct_) return true;
    if (!renameReplacing(*faults_, temporary_, target_)) return false;
    temporary_.clear();
    syncFolderOf(target_);
    return true;
}

SaveResult ReplacingFile::commit() {
    if (!finish()) return SaveResult::Failed;
    if (direct_) return SaveResult::Saved;
    // Another program may have written or replaced the target since the run read it.
    if (lock_ != nullptr && lock_->state().kind != FileState::Kind::Unknown &&
        (faults_->failFileCall() || stateOf(target_) != lock_->state())) {
        return SaveResult::Changed;
    }
#if defined(_WIN32)
    // Windows replaces no file that is open: the lock ends here. A run that takes it now
    // reads the old file and will find it replaced at its own check.
    if (lock_ != nullptr) lock_->release();
#endif
    return putInPlace() ? SaveResult::Saved : SaveResult::Failed;
}

namespace {

// The file from, size bytes long, saved as to with the bytes laid over it from offset on.
SaveResult saveSpliced(Faults& faults, const std::string& source, std::int64_t size, std::int64_t offset,
                       std::span<const std::uint8_t> bytes, const std::string& target, FileLock* lock) {
    if (offset < 0 || offset > size || bytes.size() > static_cast<std::uint64_t>(size - offset)) {
        return SaveResult::Failed;
    }
    File in(faults);
    long measured = -1;
    if (!in.open(source, "rb") || !in.seek(0, SEEK_END) || !in.tell(measured) || measured != size ||
        !in.seek(0, SEEK_SET)) {
        return SaveResult::Failed;
    }
    static std::array<std::uint8_t, kCopyChunk> chunk;  // a save at a time: no memory to ask for
    ReplacingFile out(faults);
    out.takePermissionsFrom(source);
    if (!out.open(target, lock)) return SaveResult::Failed;
    const std::int64_t spliceEnd = offset + static_cast<std::int64_t>(bytes.size());
    for (std::int64_t at = 0; at < size;) {
        const auto want = static_cast<std::size_t>(std::min<std::int64_t>(kCopyChunk, size - at));
        if (in.read(chunk.data(), want) != want) return SaveResult::Failed;
        const std::int64_t from = std::max(at, offset);
        const std::int64_t to = std::min(at + static_cast<std::int64_t>(want), spliceEnd);
        if (from < to) {
            std::memcpy(chunk.data() + (from - at), bytes.data() + (from - offset),
                        static_cast<std::size_t>(to - from));
        }
        if (!out.write(std::span<const std::uint8_t>(chunk.data(), want))) return SaveResult::Failed;
        at += static_cast<std::int64_t>(want);
    }
    in.close();  // read-only: a failing close loses nothing
    return out.commit();
}

}  // namespace

SaveResult replaceBytes(Faults& faults, const std::string& path, std::int64_t size, std::int64_t offset,
                        std::span<const std::uint8_t> bytes, FileLock* lock) {
    return saveSpliced(faults, path, size, offset, bytes, path, lock);
}

SaveResult copyFile(Faults& faults, const std::string& from, std::int64_t size, const std::string& to) {
    return saveSpliced(faults, from, size, 0, {}, to, nullptr);
}

bool prepareReplacedStart(Faults& faults, ReplacingFile& out, const std::string& path,
                          std::span<const std::uint8_t> bytes) {
    File in(faults);
    long size = -1;
    if (!in.open(path, "rb") || !in.seek(0, SEEK_END) || !in.tell(size) || !in.seek(0, SEEK_SET) ||
        static_cast<std::uint64_t>(size) < bytes.size()) {
        return false;
    }
    static std::array<std::uint8_t, kCopyChunk> chunk;  // no memory to ask for while saving
    if (!out.open(path, nullptr)) return false;
    for (long at = 0; at < size;) {
        const auto want = static_cast<std::size_t>(std::min<long>(static_cast<long>(chunk.size()), size - at));
        if (in.read(chunk.data(), want) != want) return false;
        const auto from = static_cast<std::size_t>(at);
        if (from < bytes.size()) std::memcpy(chunk.data(), bytes.data() + from, std::min(want, bytes.size() - from));
        if (!out.write(std::span<const std::uint8_t>(chunk.data(), want))) return false;
        at += static_cast<long>(want);
    }
    in.close();  // read-only: a failing close loses nothing
    return out.finish();
}

std::string firstOriginalPath(const std::string& path) { return savedPath(path) + ".orig"; }

FirstOriginal keepFirstOriginal(Faults& faults, const std::string& path, std::string& originalPath) {
    originalPath = firstOriginalPath(path);
    if (pathTaken(originalPath)) return FirstOriginal::KeptBefore;
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    if (ec) return FirstOriginal::Failed;
    return copyFile(faults, path, static_cast<std::int64_t>(size), originalPath) == SaveResult::Saved
               ? FirstOriginal::Kept
               : FirstOriginal::Failed;
}

bool pathTaken(const std::string& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

std::string savedPath(const std::string& path) {
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(path, ec))) return path;
    const fs::path resolved = resolvedPath(path, ec);
    return ec ? path : resolved.string();
}

}  // namespace vantedit::io
