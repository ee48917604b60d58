#include "io/save.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <new>
#include <optional>
#include <string_view>
#include <system_error>

#include "io/file.h"
#include "io/names.h"

#if defined(_WIN32)
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

// What a path names on disk: which file (device and number), its size and when it was last
// written. Two states are equal only when both are known.
struct FileState {
    enum class Kind : std::uint8_t { Unknown, Missing, Regular, Other };
    Kind kind = Kind::Unknown;
    std::uint64_t device = 0;
    std::uint64_t number = 0;
    std::int64_t size = 0;
    std::int64_t modified = 0;  // in the system's own ticks

    bool sameFileAs(const FileState& other) const {
        return kind == other.kind && kind != Kind::Unknown && device == other.device && number == other.number;
    }
    bool operator==(const FileState& other) const {
        return sameFileAs(other) && size == other.size && modified == other.modified;
    }
};

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

FileState stateOf(const std::string& path) {
    const HANDLE handle = CreateFileW(wideName(path).c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return {error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FileState::Kind::Missing
                                                                               : FileState::Kind::Unknown};
    }
    FileState state = stateOfHandle(handle);
    if (state.kind == FileState::Kind::Regular && GetFileType(handle) != FILE_TYPE_DISK)
        state.kind = FileState::Kind::Other;
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

FileState stateOf(const std::string& path) {
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0)
        return {errno == ENOENT || errno == ENOTDIR ? FileState::Kind::Missing : FileState::Kind::Unknown};
    return stateOfStat(st);
}

#endif

std::string reasonOf(int error) { return error == 0 ? std::string() : std::strerror(error); }

fs::path folderOf(const fs::path& file) { return file.parent_path().empty() ? fs::path(".") : file.parent_path(); }

constexpr std::string_view kTemporaryMark = ".vantedit-";
constexpr std::string_view kTemporaryEnd = ".tmp";
// Beside a target that does not exist yet, the file its lock is taken on: the folder's own
// lock would keep out every other run saving a new file there.
constexpr std::string_view kLockEnd = ".vantedit-lock";

// <target>.vantedit-<digits>.tmp, as Temporary names them.
bool isTemporaryOf(std::string_view name, std::string_view target) {
    if (!name.starts_with(target)) return false;
    name.remove_prefix(target.size());
    if (!name.starts_with(kTemporaryMark) || !name.ends_with(kTemporaryEnd)) return false;
    const std::string_view digits =
        name.substr(kTemporaryMark.size(), name.size() - kTemporaryMark.size() - kTemporaryEnd.size());
    return !digits.empty() && std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The folder's entry for the new name reaches the disk too, so that the rename survives a
// power loss. Some file systems cannot sync a folder; the file itself is already safe then.
void syncFolderOf([[maybe_unused]] const std::string& file) {
#if !defined(_WIN32)
    const int folder = ::open(folderOf(file).c_str(), O_RDONLY | O_CLOEXEC);
    if (folder < 0) return;
    ::fsync(folder);
    ::close(folder);
#endif
}

// Why the last system call failed, in the system's words.
std::string lastSystemReason() {
#if defined(_WIN32)
    return std::system_category().message(static_cast<int>(GetLastError()));
#else
    return reasonOf(errno);
#endif
}

bool copyPermissions(Faults& faults, const std::string& from, const std::string& to) {
    if (faults.failFileCall()) return false;
    std::error_code ec;
    const auto status = fs::status(fsPath(from), ec);
    if (ec) return false;
    fs::permissions(fsPath(to), status.permissions(), fs::perm_options::replace, ec);
    return !ec;
}

// The owner and group, where the process may give them: as root, or as the file's owner
// (then the group only if it is one of the process's).
bool copyOwner(Faults& faults, [[maybe_unused]] const std::string& from, [[maybe_unused]] const std::string& to) {
    if (faults.failFileCall()) return false;
#if !defined(_WIN32)
    struct stat original{};
    if (::stat(from.c_str(), &original) != 0) return false;
    // Only root may give a file away; an owner may only choose among its own groups.
    if (::geteuid() != 0 && original.st_uid != ::geteuid()) return true;
    if (::chown(to.c_str(), original.st_uid, original.st_gid) == 0) return true;
    return ::geteuid() != 0 && errno == EPERM;  // the group is not one of ours: it stays the process's
#else
    return true;
#endif
}

// Names tried for the new file before giving up: leftovers are removed under the lock, so
// only folders or files of others stand in the way.
constexpr int kTemporaryNames = 100;

// A new file beside the one it will replace, removed unless it was put in place.
class Temporary {
public:
    explicit Temporary(Faults& faults) : faults_(&faults), file_(faults) {}
    ~Temporary() {
        if (file_.isOpen()) file_.close();
        if (!path_.empty()) removeQuietly(path_);
    }

    // A new file, to be put in place as target; or, given existing, another name for that file:
    // nothing is written.
    bool open(const std::string& target, const std::string* existing = nullptr) {
        target_ = target;
        for (int n = 0; n < kTemporaryNames; ++n) {
            const std::string temporary =
                target + std::string(kTemporaryMark) + std::to_string(n) + std::string(kTemporaryEnd);
            bool taken = false;
            if (existing ? linkFile(*faults_, *existing, temporary, taken) : file_.create(temporary, taken)) {
                path_ = temporary;  // made by this call: only such a file is ever removed
                return true;
            }
            if (!taken) return false;
        }
        return false;
    }
    File& file() { return file_; }
    // On disk, with the permission bits (and owner) of the file it copies or replaces.
    bool finish(const std::string& like, bool withOwner) {
        const bool synced = file_.flush() && file_.sync();
        if (!file_.close() || !synced) return false;
        if (like.empty()) return true;
        return copyPermissions(*faults_, like, path_) && (!withOwner || copyOwner(*faults_, like, path_));
    }
    bool putInPlace() {
        if (faults_->failFileCall()) return false;
        std::error_code ec;
        fs::rename(fsPath(path_), fsPath(target_), ec);
        if (ec) {
            reason_ = reasonOf(ec.value());
            return false;
        }
        path_.clear();
        syncFolderOf(target_);
        return true;
    }
    const std::string& renameReason() const { return reason_; }

private:
    Faults* faults_;
    File file_;
    std::string target_;
    std::string path_;  // empty once renamed, or when none was made
    std::string reason_;
};

// The bytes written over a copy of size bytes from offset on: only the changed stretches of
// them, when the job names them.
bool writeChanges(File& out, long size, std::int64_t offset, std::span<const std::uint8_t> bytes,
                  std::optional<std::span<const ByteRange>> changed) {
    if (offset < 0 || offset > size || bytes.size() > static_cast<std::uint64_t>(size - offset)) return false;
    const ByteRange all{0, bytes.size()};
    for (const ByteRange& r : changed.value_or(std::span(&all, 1))) {
        if (r.offset > bytes.size() || r.size > bytes.size() - r.offset) return false;
        if (r.size != 0 &&
            !out.writeAt(static_cast<long>(offset) + static_cast<long>(r.offset), bytes.data() + r.offset, r.size)) {
            return false;
        }
    }
    return true;
}

SaveFact failure(const std::string& path, SaveError error = SaveError::System,
                 std::string reason = lastFailureReason()) {
    return {SaveEvent::Failed, path, error, std::move(reason), {}};
}

// Only regular files: a folder or a link of that name is not ours. The copies a run keeps of
// the file (its first original, an edited stats file) are made under its lock too, and so is
// the lock file of the time before it existed. False, with the path that could not be looked
// at and why, when the folder cannot be listed.
bool removeLeftoversBeside(const std::string& target, bool exists, SaveFacts& facts) {
    std::error_code ec;
    const std::string name = nameOf(fsPath(target).filename());
    const auto ours = [&](std::string_view entry) {
        return isTemporaryOf(entry, name) || isTemporaryOf(entry, name + ".orig") ||
               isTemporaryOf(entry, name + ".bak") || (exists && entry == name + std::string(kLockEnd));
    };
    const fs::path folder = folderOf(fsPath(target));
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string entry = nameOf(it->path());
        if (!ours(nameOf(it->path().filename()))) continue;
        const Presence presence = lookUp(entry);
        if (presence == Presence::Unknown) {
            facts.push_back(failure(entry));
            return false;
        }
        if (presence == Presence::File) removeQuietly(entry);
    }
    if (!ec) return true;
    facts.push_back(failure(nameOf(folder), SaveError::System, reasonOf(ec.value())));
    return false;
}

}  // namespace

// One claimed target.
struct Claim::Held {
    static constexpr std::intptr_t kNone = -1;

    std::string path;      // as the run names it
    std::string saved;     // the file a save writes: through symbolic links, where they end
    bool direct = false;   // standard output, a device, a pipe: written as it is, unlocked
    FileState state;       // as found when the lock was taken
    std::intptr_t handle = kNone;
    std::string lockFile;  // while the target did not exist
    // A copy of the target begun before the run read it, so that the disk writes it while the
    // run works; begunSize: the target's size then.
    std::unique_ptr<Temporary> begun;
    long begunSize = -1;

    ~Held() {
        begun.reset();  // removed under the lock
        release();
    }

    enum class Result : std::uint8_t { Locked, InUse, Unavailable, Failed };
    Result lock();
    // One try at the lock of the file (or, for a target not there yet, of its lock file); empty
    // when the path names another file by then, for another try.
    std::optional<Result> lockOnce(bool exists);
    void release();
    bool locked() const { return handle != kNone; }
};

Claim::Held::Result Claim::Held::lock() {
    // A few tries: each retry follows a rename over the path that another run just made.
    for (int attempt = 0; attempt < 8; ++attempt) {
        state = stateOf(saved);
        if (state.kind == FileState::Kind::Unknown) return Result::Failed;
        const bool exists = state.kind == FileState::Kind::Regular;
        if (!exists && state.kind != FileState::Kind::Missing) return Result::Unavailable;
        if (const std::optional<Result> result = lockOnce(exists)) return *result;
    }
    state = FileState{};
    return Result::Unavailable;
}

#if defined(_WIN32)
std::optional<Claim::Held::Result> Claim::Held::lockOnce(bool exists) {
    const std::string locking = exists ? saved : saved + std::string(kLockEnd);
    // The lock file goes when its last handle closes, however the run ends.
    const HANDLE h = CreateFileW(wideName(locking).c_str(), exists ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 exists ? OPEN_EXISTING : OPEN_ALWAYS,
                                 exists ? FILE_ATTRIBUTE_NORMAL : FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) return Result::Unavailable;
    // One byte far beyond the end: the lock stops other runs, not reads of the file.
    OVERLAPPED where{};
    where.Offset = 0xFFFFFFFE;
    where.OffsetHigh = 0x7FFFFFFF;
    if (!LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &where)) {
        const DWORD error = GetLastError();
        CloseHandle(h);
        return error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING ? Result::InUse : Result::Unavailable;
    }
    const FileState now = stateOf(saved);
    if (exists ? stateOfHandle(h).sameFileAs(now) : now.kind == FileState::Kind::Missing) {
        handle = reinterpret_cast<std::intptr_t>(h);
        if (exists) state = stateOfHandle(h);
        return Result::Locked;
    }
    CloseHandle(h);
    return std::nullopt;
}
#else
std::optional<Claim::Held::Result> Claim::Held::lockOnce(bool exists) {
    const std::string locking = exists ? saved : saved + std::string(kLockEnd);
    // Not blocking on the open either: the path may have become a pipe meanwhile.
    const int fd = exists ? ::open(locking.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)
                          : ::open(locking.c_str(), O_RDWR | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) return Result::Unavailable;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK;
        ::close(fd);
        return held ? Result::InUse : Result::Unavailable;
    }
    // The file locked must still be the one the path names: a run that ends removes its
    // lock file, and another may have renamed a new target into place.
    struct stat st{};
    const bool open = ::fstat(fd, &st) == 0;
    const FileState now = stateOf(saved);
    const bool current =
        exists ? open && stateOfStat(st).sameFileAs(now)
               : open && now.kind == FileState::Kind::Missing && stateOfStat(st).sameFileAs(stateOf(locking));
    if (current) {
        handle = fd;
        if (exists) state = stateOfStat(st);
        else lockFile = locking;
        return Result::Locked;
    }
    ::close(fd);
    return std::nullopt;
}
#endif

void Claim::Held::release() {
    if (handle == kNone) return;
#if defined(_WIN32)
    CloseHandle(reinterpret_cast<HANDLE>(handle));
#else
    // Removed while still held, and only if it is still ours.
    struct stat st{};
    if (!lockFile.empty() && ::fstat(static_cast<int>(handle), &st) == 0 &&
        stateOfStat(st).sameFileAs(stateOf(lockFile))) {
        removeQuietly(lockFile);
    }
    ::close(static_cast<int>(handle));
#endif
    handle = kNone;
}

Claim::Claim() = default;
Claim::~Claim() = default;

namespace {

Claim::Held* claimOne(std::vector<std::unique_ptr<Claim::Held>>& held, const std::string& path, SaveFacts& facts) {
    for (const auto& h : held) {
        if (h->path == path) return h.get();
        // One file under two names would keep only the second save.
        if (sameFile(h->path, path)) {
            facts.push_back(failure(path, SaveError::System, {}));
            return nullptr;
        }
    }
    // A path that cannot even be looked up (is it a link?) is not saved blindly.
    if (path != "-" && lookUp(path) == Presence::Unknown) {
        facts.push_back(failure(path));
        return nullptr;
    }
    auto h = std::make_unique<Claim::Held>();
    h->path = path;
    h->saved = savedPath(path);
    std::error_code ec;
    const fs::file_status status = fs::status(fsPath(path), ec);
    h->direct = isStandardOutput(path) || (fs::exists(status) && !fs::is_regular_file(status));
    if (!h->direct) {
        switch (h->lock()) {
            case Claim::Held::Result::InUse: facts.push_back(failure(path, SaveError::InUse, {})); return nullptr;
            case Claim::Held::Result::Failed:  // its state's lookup was the last system call
                facts.push_back(failure(h->saved, SaveError::System, lastSystemReason()));
                return nullptr;
            case Claim::Held::Result::Locked:
                // No run of ours is writing beside the target while we hold it. A link's .bak
                // stands beside the link.
                if (!removeLeftoversBeside(h->saved, h->state.kind == FileState::Kind::Regular, facts) ||
                    (h->saved != path && !removeLeftoversBeside(path, false, facts))) {
                    return nullptr;
                }
                break;
            case Claim::Held::Result::Unavailable: break;  // saved without: the state check still guards it
        }
    }
    held.push_back(std::move(h));
    return held.back().get();
}

// A job on its way: its target, its new file and its kept copy's.
struct Step {
    const SaveJob* job = nullptr;
    Claim::Held* held = nullptr;
    std::string keptPath;  // empty: no copy is made
    std::optional<Temporary> file;
    Temporary* out = nullptr;  // the new file: file, or the copy begun at the claim
    std::optional<Temporary> kept;
};

// The first originals this save put in place, removed again and no longer told: no target was
// replaced. A .bak put in place stays, and is told.
void takeBackOriginals(std::span<const Step> steps, SaveFacts& facts) {
    for (const Step& s : steps) {
        if (s.kept && s.job->kept == KeptCopy::FirstOriginal) removeQuietly(savedPath(s.keptPath));
    }
    std::erase_if(facts, [](const SaveFact& f) { return f.event == SaveEvent::KeptOriginal; });
}

// What the job's kept copy will be, checked before anything is written; the failure, if any.
std::optional<SaveFact> planKeptCopy(Step& s, Faults& faults) {
    const SaveJob& job = *s.job;
    const std::string& target = s.held->path;
    std::error_code ec;
    const bool exists =
        s.held->state.kind == FileState::Kind::Regular || fs::is_regular_file(fsPath(s.held->saved), ec);
    if (job.kept == KeptCopy::None || s.held->direct || !exists) return std::nullopt;
    if (job.kept == KeptCopy::FirstOriginal) {
        const std::string original = firstOriginalPath(target);
        const Presence presence = lookUp(original);
        if (presence == Presence::Unknown) return failure(original);
        if (presence == Presence::Absent) {
            s.keptPath = original;
            return std::nullopt;
        }
        // The undo is copying it back: it must hold what its name claims.
        const std::string named = savedPath(original);
        if (!fs::is_regular_file(fsPath(named), ec) || !job.isOriginal || !job.isOriginal(named))
            return SaveFact{SaveEvent::Failed, target, SaveError::NotAnOriginal, lastFailureReason(), original};
        return std::nullopt;
    }
    const std::string backup = target + ".bak";
    // Of another length, it differs: no need to read it.
    const bool otherLength = s.held->state.kind == FileState::Kind::Regular &&
                             s.held->state.size != static_cast<std::int64_t>(job.bytes.size());
    const std::optional<bool> differs = otherLength ? true : differsFrom(faults, target, job.bytes);
    if (!differs) return failure(backup);  // unread, it cannot be kept, and so it is not replaced
    if (!*differs) return std::nullopt;
    switch (lookUp(backup)) {
        case Presence::Unknown: return failure(backup);
        case Presence::Folder: return failure(backup, SaveError::System, reasonOf(EISDIR));
        case Presence::Other: return failure(backup, SaveError::NotRegular);
        case Presence::Absent:
        case Presence::File: break;
    }
    s.keptPath = backup;
    return std::nullopt;
}

// The job's new file, complete on disk beside its target (or, direct, written as it is); the
// error when it is not. A file that cannot even be begun is CannotCreate where no file of that
// name stood.
SaveError writeNewFile(Step& s, Faults& faults) {
    const SaveJob& job = *s.job;
    if (s.held->direct) {
        File out(faults);
        if (!out.open(s.held->path, "wb")) return SaveError::CannotCreate;
        const bool written = out.write(job.bytes.data(), job.bytes.size()) && out.flush();
        return out.close() && written ? SaveError::None : SaveError::System;
    }
    std::error_code ec;
    const bool exists = fs::is_regular_file(fsPath(s.held->path), ec);
    bool written = false;
    if (s.held->begun && job.from.empty() && job.offset != kWholeFile) {
        s.out = s.held->begun.get();
        written = writeChanges(s.out->file(), s.held->begunSize, job.offset, job.bytes, job.changed);
    } else {
        s.out = &s.file.emplace(faults);
        if (!s.file->open(s.held->saved)) return exists ? SaveError::System : SaveError::CannotCreate;
        long size = -1;
        written = job.offset == kWholeFile
                      ? s.file->file().write(job.bytes.data(), job.bytes.size())
                      : s.file->file().copyWhole(job.from.empty() ? s.held->saved : job.from, size) &&
                            writeChanges(s.file->file(), size, job.offset, job.bytes, job.changed);
    }
    // A new file takes the bits of the file it copies; a replaced one keeps its own.
    const std::string like = exists ? s.held->saved : job.from;
    return written && s.out->finish(like, exists) ? SaveError::None : SaveError::System;
}

// No other name stands for the file.
bool soleName([[maybe_unused]] const std::string& path) {
#if defined(_WIN32)
    return false;  // no link is made there
#else
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 && st.st_nlink == 1;
#endif
}

bool writeKeptCopy(Step& s, Faults& faults) {
    if (s.keptPath.empty()) return true;
    s.kept.emplace(faults);
    const std::string keptFile = savedPath(s.keptPath);
    // The stats file replaced lives on under its .bak name: its bytes are on disk already, so
    // nothing is copied or synced. Where links are refused, a copy; and so for a file with
    // another name (the .bak itself, left by a run that failed after keeping it, or a name
    // someone may write the file through).
    if (s.job->kept == KeptCopy::PreviousStats && soleName(s.held->saved) && s.kept->open(keptFile, &s.held->saved)) {
        return true;
    }
    long size = -1;
    return s.kept->open(keptFile) && s.kept->file().copyWhole(s.held->saved, size) &&
           s.kept->finish(s.held->saved, false);
}

// The fact that stops a save, about the job; false, for the caller to return.
bool stopped(SaveFacts& facts, std::size_t job, SaveFact f) {
    f.job = job;
    facts.push_back(std::move(f));
    return false;
}

// Everything that can refuse the save, looked at before anything is written: the claim of
// each target, its place, its read-only mark, and its kept copy. False with the refusal told.
bool planSteps(std::vector<std::unique_ptr<Claim::Held>>& held, std::span<Step> steps, std::span<const SaveJob> jobs,
               Faults& faults, SaveFacts& facts) {
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        Step& s = steps[i];
        s.job = &jobs[i];
        s.held = claimOne(held, jobs[i].target, facts);
        if (s.held == nullptr) {
            facts.back().job = i;
            return false;
        }
        // A path that names nothing a file can be made at (a loop of links, a file as a folder).
        std::error_code ec;
        const bool there = fs::exists(fs::status(fsPath(s.held->path), ec));
        if (ec && ec != std::errc::no_such_file_or_directory) {
            return stopped(facts, i, failure(s.held->path, SaveError::CannotCreate, reasonOf(ec.value())));
        }
        // A read-only mark would be ignored by a rename, and by a run as root.
        const bool replaced = !s.held->direct && there;
        if (replaced && isReadOnly(s.held->path)) return stopped(facts, i, failure(s.held->path, SaveError::ReadOnly));
        const bool spliced = jobs[i].offset != kWholeFile;
        // A device or a pipe cannot be copied, nor waited on.
        if (spliced && s.held->direct) return stopped(facts, i, failure(s.held->path, SaveError::NotRegular));
        if (spliced && replaced && !isWritableFile(faults, s.held->path))
            return stopped(facts, i, failure(s.held->path));
        if (std::optional<SaveFact> refused = planKeptCopy(s, faults)) return stopped(facts, i, std::move(*refused));
    }
    return true;
}

// The new files and the kept copies written, and every target checked against another
// program's writes since the run read it. False with the failure told.
bool writeSteps(std::span<Step> steps, Faults& faults, SaveFacts& facts) {
    for (std::size_t i = 0; i < steps.size(); ++i) {
        forgetLastFailure();
        if (const SaveError error = writeNewFile(steps[i], faults); error != SaveError::None)
            return stopped(facts, i, failure(steps[i].held->path, error));
    }
    for (std::size_t i = 0; i < steps.size(); ++i) {
        forgetLastFailure();
        if (!writeKeptCopy(steps[i], faults)) return stopped(facts, i, failure(steps[i].keptPath));
    }
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const Claim::Held& h = *steps[i].held;
        if (h.direct || h.state.kind == FileState::Kind::Unknown) continue;
        if (faults.failFileCall() || stateOf(h.saved) != h.state)
            return stopped(facts, i, failure(h.path, SaveError::Changed));
    }
    return true;
}

// The kept copies put in place first: a first original that cannot be put in place is taken
// back, so that until a target is replaced every file is as it was. Then the new files.
bool renameSteps(std::span<Step> steps, SaveFacts& facts) {
    for (std::size_t i = 0; i < steps.size(); ++i) {
        Step& s = steps[i];
        if (!s.kept) continue;
        if (!s.kept->putInPlace()) {
            takeBackOriginals(steps.first(i), facts);
            return stopped(facts, i, failure(s.keptPath, SaveError::System, s.kept->renameReason()));
        }
        const bool original = s.job->kept == KeptCopy::FirstOriginal;
        facts.push_back(
            {original ? SaveEvent::KeptOriginal : SaveEvent::KeptPrevious, s.keptPath, SaveError::None, {}, {}, i});
    }
    for (std::size_t i = 0; i < steps.size(); ++i) {
        Step& s = steps[i];
        if (s.out != nullptr) {
#if defined(_WIN32)
            // Windows replaces no file that is open: the lock ends here. A run that takes it now
            // reads the old file and will find it replaced at its own check.
            s.held->release();
#endif
            if (!s.out->putInPlace()) {
                if (i == 0) takeBackOriginals(steps, facts);  // nothing replaced yet
                return stopped(facts, i, failure(s.held->path, SaveError::System, s.out->renameReason()));
            }
        }
        facts.push_back({SaveEvent::Saved, s.held->path, SaveError::None, {}, {}, i});
    }
    return true;
}

}  // namespace

SaveFacts claimFiles(Claim& claim, std::span<const std::string> paths) {
    SaveFacts facts;
    for (const std::string& path : paths) {
        if (claimOne(claim.held_, path, facts) == nullptr) break;
    }
    return facts;
}

void beginCopy(Claim& claim, const std::string& path, Faults& faults) {
    for (const auto& h : claim.held_) {
        if (h->path != path || h->begun || !h->locked() || h->state.kind != FileState::Kind::Regular) continue;
        std::unique_ptr<Temporary> out(new (std::nothrow) Temporary(faults));
        long size = -1;
        if (!out || !out->open(h->saved) || !out->file().copyWhole(h->saved, size)) return;
        out->file().syncAhead();
        h->begun = std::move(out);
        h->begunSize = size;
    }
}

SaveFacts saveFiles(Claim& claim, std::span<const SaveJob> jobs, Faults& faults) {
    SaveFacts facts;
    forgetLastFailure();
    std::vector<Step> steps(jobs.size());
    if (planSteps(claim.held_, steps, jobs, faults, facts) && writeSteps(steps, faults, facts))
        renameSteps(steps, facts);
    return facts;
}

std::string firstOriginalPath(const std::string& path) { return savedPath(path) + ".orig"; }

}  // namespace vantedit::io