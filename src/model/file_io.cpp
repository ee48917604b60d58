#include "model/file_io.h"

#include <filesystem>
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

}  // namespace vantedit::io
