#include "io/file.h"

#include "model/memory.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string_view>
#include <system_error>

#if defined(_WIN32)
#include <io.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace vantedit::io {

namespace {

long failAt = 0;
long calls = 0;

// Counts one call and says whether the test seam wants it to fail.
bool injectedFailure() {
    ++calls;
    return failAt != 0 && calls == failAt;
}

}  // namespace

void failAtCall(long n) {
    failAt = n;
    calls = 0;
}

long callCount() { return calls; }

File::~File() {
    if (stream_ != nullptr) std::fclose(stream_);
}

bool File::open(const std::string& path, const char* mode) {
    if (injectedFailure()) return false;
    stream_ = std::fopen(path.c_str(), mode);
    writable_ = std::string_view(mode).find_first_of("wa+") != std::string_view::npos;
    return stream_ != nullptr;
}

bool File::seek(long offset, int origin) {
    if (injectedFailure()) return false;
    return std::fseek(stream_, offset, origin) == 0;
}

bool File::tell(long& position) {
    if (injectedFailure()) return false;
    position = std::ftell(stream_);
    return position >= 0;
}

std::size_t File::read(void* buffer, std::size_t size) {
    if (injectedFailure()) return 0;
    return std::fread(buffer, 1, size, stream_);
}

std::size_t File::readAt(long offset, void* buffer, std::size_t size) {
    if (injectedFailure()) return 0;
    if (std::fseek(stream_, offset, SEEK_SET) != 0) return 0;
    return std::fread(buffer, 1, size, stream_);
}

bool File::write(const void* buffer, std::size_t size) {
    if (injectedFailure()) return false;
    return std::fwrite(buffer, 1, size, stream_) == size && std::ferror(stream_) == 0;
}

bool File::flush() {
    if (injectedFailure()) return false;
    return std::fflush(stream_) == 0;
}

bool File::sync() {
    if (injectedFailure()) return false;
#if defined(_WIN32)
    return _commit(_fileno(stream_)) == 0;
#else
    return fsync(fileno(stream_)) == 0;
#endif
}

bool File::close() {
    std::FILE* stream = stream_;
    stream_ = nullptr;
    const bool failed = writable_ && injectedFailure();
    const bool closed = std::fclose(stream) == 0;
    return closed && !failed;
}

bool renameReplacing(const std::string& from, const std::string& to) {
    if (injectedFailure()) return false;
    std::error_code ec;
    std::filesystem::rename(from, to, ec);
    return !ec;
}

bool copyPermissions(const std::string& from, const std::string& to) {
    if (injectedFailure()) return false;
    std::error_code ec;
    const auto status = std::filesystem::status(from, ec);
    if (ec) return false;
    std::filesystem::permissions(to, status.permissions(), std::filesystem::perm_options::replace, ec);
    return !ec;
}

void removeQuietly(const std::string& path) {
    std::error_code ec;
    std::filesystem::remove(path, ec);
}

bool readWholeFile(const std::string& path, std::string& bytes, std::size_t* unallocated) {
    if (unallocated != nullptr) *unallocated = 0;
    File file;
    if (!file.open(path, "rb")) return false;
    // Read to the end in chunks, never measuring or seeking: a pipe has no size, and a folder
    // or a device can report any. A read error ends the bytes where it happens.
    std::string read;
    char chunk[65536];
    for (;;) {
        const std::size_t got = file.read(chunk, sizeof chunk);
        if (read.size() + got > read.capacity()) {
            const std::size_t room = std::max(2 * read.capacity(), read.size() + sizeof chunk);
            if (!tryReserve(read, room)) {
                if (unallocated != nullptr) *unallocated = room;
                return false;
            }
        }
        read.append(chunk, got);
        if (got < sizeof chunk) break;
    }
    file.close();  // read-only: a failing close loses nothing
    bytes = std::move(read);
    return true;
}

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec) && !ec;
}

bool canWriteOver(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(std::filesystem::status(path, ec))) return true;
    File file;
    return file.open(path, "ab") && file.close();  // appending nothing changes nothing
}

bool isWritableFile(const std::string& path) {
    namespace fs = std::filesystem;
    File file;
    if (!file.open(path, "r+b")) return false;
    file.close();  // nothing was written
    std::error_code ec;
    const fs::perms perms = fs::status(path, ec).permissions();
    if (ec) return false;
    return (perms & (fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write)) != fs::perms::none;
}

namespace {

// A name beside the target that nothing holds yet; the exclusive open still guards the race.
std::string unusedNameBeside(const std::filesystem::path& target) {
    for (int n = 0;; ++n) {
        std::filesystem::path candidate = target;
        candidate += ".vantedit-" + std::to_string(n) + ".tmp";
        std::error_code ec;
        if (!std::filesystem::exists(std::filesystem::symlink_status(candidate, ec)) && !ec) return candidate.string();
        if (n == 999) return candidate.string();  // the exclusive open will refuse it
    }
}

// The folder's entry for the new name reaches the disk too, so that the rename survives a
// power loss. Some file systems cannot sync a folder; the file itself is already safe then.
void syncFolderOf(const std::filesystem::path& file) {
#if !defined(_WIN32)
    const int folder = ::open(file.parent_path().empty() ? "." : file.parent_path().c_str(), O_RDONLY);
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

}  // namespace

bool copyOwner(const std::string& from, const std::string& to) {
    if (injectedFailure()) return false;
#if !defined(_WIN32)
    struct stat original {};
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

ReplacingFile::~ReplacingFile() {
    if (file_.isOpen()) file_.close();
    if (!temporary_.empty()) removeQuietly(temporary_);
}

bool ReplacingFile::open(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    const bool exists = fs::exists(status);
    if (exists && !fs::is_regular_file(status)) {
        direct_ = true;  // a device or a pipe: there is nothing to replace
        return file_.open(path, "wb");
    }
    targetExists_ = exists;
    const fs::path target = exists ? fs::canonical(path, ec) : fs::weakly_canonical(path, ec);
    if (ec) return false;
    target_ = target.string();
    const std::string temporary = unusedNameBeside(target);
    if (!file_.open(temporary, "wbx")) return false;
    temporary_ = temporary;  // made by this call: only such a file is ever removed
    return true;
}

bool ReplacingFile::write(std::span<const std::uint8_t> bytes) { return file_.write(bytes.data(), bytes.size()); }

bool ReplacingFile::commit() {
    if (direct_) {
        const bool flushed = file_.flush();
        return file_.close() && flushed;
    }
    const bool synced = file_.flush() && file_.sync();
    if (!file_.close() || !synced) return false;
    if (targetExists_ && (!copyPermissions(target_, temporary_) || !copyOwner(target_, temporary_))) return false;
    if (!renameReplacing(temporary_, target_)) return false;
    temporary_.clear();
    syncFolderOf(target_);
    return true;
}

bool ReplacingFile::finish() {
    if (direct_) {
        const bool flushed = file_.flush();
        return file_.close() && flushed;
    }
    const bool synced = file_.flush() && file_.sync();
    if (!file_.close() || !synced) return false;
    return !targetExists_ || (copyPermissions(target_, temporary_) && copyOwner(target_, temporary_));
}

bool ReplacingFile::putInPlace() {
    if (direct_) return true;
    if (!renameReplacing(temporary_, target_)) return false;
    temporary_.clear();
    syncFolderOf(target_);
    return true;
}

bool replaceFile(const std::string& path, std::span<const std::uint8_t> bytes) {
    ReplacingFile file;
    return file.open(path) && file.write(bytes) && file.commit();
}

bool replaceBytes(const std::string& path, std::int64_t size, std::int64_t offset,
                  std::span<const std::uint8_t> bytes) {
    if (offset < 0 || offset > size || bytes.size() > static_cast<std::uint64_t>(size - offset)) return false;
    File in;
    long measured = -1;
    if (!in.open(path, "rb") || !in.seek(0, SEEK_END) || !in.tell(measured) || measured != size ||
        !in.seek(0, SEEK_SET)) {
        return false;
    }
    static std::array<std::uint8_t, kCopyChunk> chunk;  // one save per run: no memory to ask for
    ReplacingFile out;
    if (!out.open(path)) return false;
    const std::int64_t spliceEnd = offset + static_cast<std::int64_t>(bytes.size());
    for (std::int64_t at = 0; at < size;) {
        const auto want = static_cast<std::size_t>(std::min<std::int64_t>(kCopyChunk, size - at));
        if (in.read(chunk.data(), want) != want) return false;
        const std::int64_t from = std::max(at, offset);
        const std::int64_t to = std::min(at + static_cast<std::int64_t>(want), spliceEnd);
        if (from < to) {
            std::memcpy(chunk.data() + (from - at), bytes.data() + (from - offset), static_cast<std::size_t>(to - from));
        }
        if (!out.write(std::span<const std::uint8_t>(chunk.data(), want))) return false;
        at += static_cast<std::int64_t>(want);
    }
    in.close();  // read-only: a failing close loses nothing
    return out.commit();
}

namespace {

// The file's size, and the file back at its start.
bool measure(File& in, long& size) { return in.seek(0, SEEK_END) && in.tell(size) && in.seek(0, SEEK_SET); }

// Copies size bytes from in to out, with the given bytes laid over the start of the copy.
bool copyWithStart(File& in, long size, ReplacingFile& out, std::span<const std::uint8_t> start) {
    static std::array<std::uint8_t, 65536> chunk;  // no memory to ask for while saving
    for (long at = 0; at < size;) {
        const auto want = static_cast<std::size_t>(std::min<long>(static_cast<long>(chunk.size()), size - at));
        if (in.read(chunk.data(), want) != want) return false;
        const auto from = static_cast<std::size_t>(at);
        if (from < start.size()) {
            const std::size_t laid = std::min(want, start.size() - from);
            std::memcpy(chunk.data(), start.data() + from, laid);
        }
        if (!out.write(std::span<const std::uint8_t>(chunk.data(), want))) return false;
        at += static_cast<long>(want);
    }
    return true;
}

}  // namespace

bool prepareReplacedStart(ReplacingFile& out, const std::string& path, std::span<const std::uint8_t> bytes) {
    File in;
    long size = -1;
    if (!in.open(path, "rb") || !measure(in, size) || static_cast<std::uint64_t>(size) < bytes.size()) return false;
    if (!out.open(path) || !copyWithStart(in, size, out, bytes)) return false;
    in.close();  // read-only: a failing close loses nothing
    return out.finish();
}

std::string firstOriginalPath(const std::string& path) {
    namespace fs = std::filesystem;
    fs::path file = path;
    std::error_code ec;
    // A link to a link is followed to the end, as the save itself follows it.
    for (int hops = 0; hops < 40 && fs::is_symlink(fs::symlink_status(file, ec)); ++hops) {
        const fs::path target = fs::read_symlink(file, ec);
        if (ec) break;
        file = target.is_absolute() ? target : file.parent_path() / target;
    }
    return file.string() + ".orig";
}

FirstOriginal keepFirstOriginal(const std::string& path, std::string& originalPath) {
    namespace fs = std::filesystem;
    originalPath = firstOriginalPath(path);
    std::error_code ec;
    const fs::file_status there = fs::symlink_status(originalPath, ec);
    if (fs::exists(there)) return FirstOriginal::KeptBefore;
    if (there.type() != fs::file_type::not_found) return FirstOriginal::Failed;  // cannot tell
    File in;
    long size = -1;
    ReplacingFile out;
    if (!in.open(path, "rb") || !measure(in, size) || !out.open(originalPath) || !copyWithStart(in, size, out, {}) ||
        !out.finish() || !copyPermissions(path, out.temporaryPath()) || !out.putInPlace()) {
        return FirstOriginal::Failed;
    }
    in.close();  // read-only: a failing close loses nothing
    return FirstOriginal::Kept;
}

}  // namespace vantedit::io
