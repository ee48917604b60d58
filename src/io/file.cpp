#include "io/file.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string_view>
#include <system_error>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
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

bool readWholeFile(const std::string& path, std::string& bytes) {
    File file;
    long size = 0;
    if (!file.open(path, "rb") || !file.seek(0, SEEK_END) || !file.tell(size) || !file.seek(0, SEEK_SET)) return false;

    // Read in chunks rather than trusting the measured size with one allocation: a folder or
    // a device can report any size. What arrives must still match the size, or it is a read error.
    std::string read;
    char chunk[65536];
    for (;;) {
        const std::size_t got = file.read(chunk, sizeof chunk);
        read.append(chunk, got);
        if (got < sizeof chunk || read.size() > static_cast<std::size_t>(size)) break;
    }
    if (read.size() != static_cast<std::size_t>(size)) return false;
    file.close();  // read-only: a failing close loses nothing
    bytes = std::move(read);
    return true;
}

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec) && !ec;
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

// As much as the copy holds at once: the page cache streams it as fast as one big block.
constexpr std::size_t kCopyChunk = std::size_t{128} << 10;

// The source with the bytes laid over it at offset, into a new file, through to the disk.
// created tells whether the new file was made by this call, so that only such a file is ever
// removed.
bool writeSplicedCopy(const std::string& source, const std::string& path, std::int64_t size, std::int64_t offset,
                      std::span<const std::uint8_t> bytes, bool& created) {
    File in;
    long measured = -1;
    if (!in.open(source, "rb") || !in.seek(0, SEEK_END) || !in.tell(measured) || measured != size ||
        !in.seek(0, SEEK_SET)) {
        return false;
    }
    File out;
    created = out.open(path, "wbx");
    if (!created) return false;
    const std::unique_ptr<std::uint8_t[]> chunk(new std::uint8_t[kCopyChunk]);
    const std::int64_t spliceEnd = offset + static_cast<std::int64_t>(bytes.size());
    bool copied = true;
    for (std::int64_t at = 0; copied && at < size;) {
        const auto want = static_cast<std::size_t>(std::min<std::int64_t>(kCopyChunk, size - at));
        copied = in.read(chunk.get(), want) == want;
        const std::int64_t from = std::max(at, offset);
        const std::int64_t to = std::min(at + static_cast<std::int64_t>(want), spliceEnd);
        if (copied && from < to) {
            std::memcpy(chunk.get() + (from - at), bytes.data() + (from - offset), static_cast<std::size_t>(to - from));
        }
        copied = copied && out.write(chunk.get(), want);
        at += static_cast<std::int64_t>(want);
    }
    in.close();  // read-only: a failing close loses nothing
    const bool written = copied && out.flush() && out.sync();
    return out.close() && written;
}

}  // namespace

bool replaceBytes(const std::string& path, std::int64_t size, std::int64_t offset,
                  std::span<const std::uint8_t> bytes) {
    if (offset < 0 || offset > size || bytes.size() > static_cast<std::uint64_t>(size - offset)) return false;
    std::error_code ec;
    const std::filesystem::path target = std::filesystem::canonical(path, ec);
    if (ec) return false;
    const std::string temporary = unusedNameBeside(target);
    bool created = false;
    if (!writeSplicedCopy(target.string(), temporary, size, offset, bytes, created) ||
        !copyPermissions(target.string(), temporary) || !renameReplacing(temporary, target.string())) {
        if (created) removeQuietly(temporary);
        return false;
    }
    return true;
}

}  // namespace vantedit::io
