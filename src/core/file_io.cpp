#include "core/file_io.h"

#include "core/error.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <ctime>
#include <random>

namespace pixa {

namespace fs = std::filesystem;

namespace {

void refuseUnlessRegular(const struct stat& st, const std::string& path) {
    if (S_ISREG(st.st_mode)) return;
    if (S_ISDIR(st.st_mode)) throw Failure(err::PathFileAccess, path + " is a folder, not a file");
    throw Failure(err::PathFileAccess, path + " is " + fileKindName(st.st_mode) +
                                           ", not a regular file; only regular files can be used");
}

} // namespace

std::string fileKindName(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISFIFO(mode)) return "a pipe or FIFO";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISLNK(mode)) return "a symbolic link";
    return "not a regular file";
}

fs::path followLinks(const fs::path& path) {
    fs::path current = path;
    // The system's own limit on links followed while resolving one name.
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
        std::error_code ec;
        const fs::path link = fs::read_symlink(current, ec);
        if (ec) throwErrno(ec.value(), "read the link", current.string());
        current = link.is_absolute() ? link : current.parent_path() / link;
    }
    throw Failure(err::PathFileAccess, path.string() + " is a loop of symbolic links");
}

InputFile::InputFile(const fs::path& path) : m_path(path.string()) {
    // Looked at before it is opened: see the class comment.
    struct stat st {};
    if (::stat(m_path.c_str(), &st) != 0) throwErrno(errno, "open", m_path);
    refuseUnlessRegular(st, m_path);
    m_fd = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (m_fd < 0) throwErrno(errno, "open", m_path);
    if (::fstat(m_fd, &st) != 0) {
        const int e = errno;
        ::close(m_fd);
        throwErrno(e, "read", m_path);
    }
    // Replaced by something else between the look and the opening.
    if (!S_ISREG(st.st_mode)) {
        ::close(m_fd);
        refuseUnlessRegular(st, m_path);
    }
    m_size = static_cast<uint64_t>(st.st_size);
}

InputFile::~InputFile() {
    if (m_fd >= 0) ::close(m_fd);
}

size_t InputFile::read(void* buffer, size_t count) {
    auto* out = static_cast<char*>(buffer);
    size_t done = 0;
    while (done < count) {
        const ssize_t n = ::read(m_fd, out + done, count - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            throwErrno(errno, "read", m_path);
        }
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    return done;
}

void readExactAt(int fd, void* buffer, size_t count, uint64_t offset, const std::string& path) {
    auto* out = static_cast<char*>(buffer);
    size_t done = 0;
    while (done < count) {
        const ssize_t n = ::pread(fd, out + done, count - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            throwErrno(errno, "read", path);
        }
        if (n == 0) throw Failure(err::InputPastEnd, path + " ends too early");
        done += static_cast<size_t>(n);
    }
}

void InputFile::readExactAt(void* buffer, size_t count, uint64_t offset) {
    pixa::readExactAt(m_fd, buffer, count, offset, m_path);
}

void InputFile::seek(uint64_t offset) {
    if (::lseek(m_fd, static_cast<off_t>(offset), SEEK_SET) < 0) throwErrno(errno, "read", m_path);
}

void InputFile::prefetch(uint64_t offset, size_t count) noexcept {
    ::posix_fadvise(m_fd, static_cast<off_t>(offset), static_cast<off_t>(count),
                    POSIX_FADV_WILLNEED);
}

AtomicFile::AtomicFile(const fs::path& target, mode_t mode, Permissions permissions)
    : m_shownTarget(target), m_target(followLinks(target)) {
    const std::string shown = target.string();
    const std::string through =
        m_target == target ? "" : " (through its link to " + m_target.string() + ")";
    struct stat st {};
    if (::lstat(m_target.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            throw Failure(err::PathFileAccess, shown + " is a folder" + through);
        if (!S_ISREG(st.st_mode)) {
            throw Failure(err::PathFileAccess, shown + through + " is " + fileKindName(st.st_mode) +
                                                   "; only a regular file is replaced");
        }
        // As cp would: a file the user may not write is not replaced, although the folder would
        // allow the rename.
        if (::faccessat(AT_FDCWD, m_target.c_str(), W_OK, AT_EACCESS) != 0) {
            const int e = errno;
            if (e == EACCES || e == EPERM) {
                throw Failure(err::PermissionDenied, shown + through + " is write-protected");
            }
            throwErrno(e, "replace", shown);
        }
        if (permissions == Permissions::KeepExisting) mode = st.st_mode & 07777;
        m_replacing = true;
    } else if (errno != ENOENT) {
        throwErrno(errno, "write", shown);
    } else if (m_target != target) {
        throw Failure(err::PathFileAccess,
                      shown + " is a link to " + m_target.string() + ", which does not exist");
    }
    // A new file gets the usual permissions from the system (the mode less the umask); the others
    // are created private and get theirs below.
    const bool plainNewFile = !m_replacing && permissions == Permissions::KeepExisting;
    std::random_device rd;
    const auto folder = m_target.parent_path();
    for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
        // Keep the name within the file system's limit whatever the target's length.
        std::string name = ".";
        name += m_target.filename().string().substr(0, 120);
        name += '.';
        name += std::to_string(::getpid());
        name += '-';
        name += std::to_string(rd() % 1000000);
        name += kTemporarySuffix;
        m_tempPath = folder.empty() ? fs::path(name) : folder / name;
        m_fd = ::open(m_tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                      plainNewFile ? mode : 0600);
        // Mapped with the target's path, so that a missing folder is "Path not found".
        if (m_fd < 0 && errno != EEXIST) throwErrno(errno, "create", m_target.string());
    }
    // Held until the file is renamed or removed: tells removeStaleTemporaries() it is in use.
    if (m_fd >= 0) ::flock(m_fd, LOCK_EX | LOCK_NB);
    if (m_fd < 0) throw Failure(err::PathFileAccess, "cannot create a temporary file for " + shown);
    if (!plainNewFile && ::fchmod(m_fd, mode) != 0) {
        const int e = errno;
        discard();
        throwErrno(e, "write", m_target.string());
    }
}

AtomicFile::~AtomicFile() {
    if (!m_committed) discard();
}

void AtomicFile::discard() noexcept {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    if (!m_tempPath.empty()) ::unlink(m_tempPath.c_str());
}

void AtomicFile::write(const void* data, size_t count) {
    const auto* in = static_cast<const char*>(data);
    size_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(m_fd, in + done, count - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int e = errno;
            discard();
            throwErrno(e, "write", m_target.string());
        }
        done += static_cast<size_t>(n);
    }
    m_written += count;
#ifdef __linux__
    // Start writing large files to the disk while the rest is still being produced, so that the
    // flush in commit() only waits for the last few megabytes instead of the whole file. This
    // only starts the writing; failures surface in commit()'s flush, so the result is ignored.
    constexpr uint64_t kWritebackStep = 8 << 20;
    if (m_replacing && m_written - m_writebackStart >= kWritebackStep) {
        ::sync_file_range(m_fd, static_cast<off_t>(m_writebackStart),
                          static_cast<off_t>(m_written - m_writebackStart), SYNC_FILE_RANGE_WRITE);
        m_writebackStart = m_written;
    }
#endif
}

void AtomicFile::commit() {
    // A replacement reaches the disk before the rename, so that a crash of the machine cannot
    // lose the old content without the new. A new file puts nothing at risk (its source is still
    // there), so it is left to the system's own write-back, as a copy would be.
    int failure = 0;
    if (m_replacing && ::fdatasync(m_fd) != 0) failure = errno;
    // Closed even after a failed flush; a failed close can also mean lost data.
    if (::close(m_fd) != 0 && failure == 0) failure = errno;
    m_fd = -1;
    if (failure != 0) {
        discard();
        throwErrno(failure, "write", m_target.string());
    }
    // Looked at once more just before the rename: a device or FIFO put under the name meanwhile
    // is not replaced. (A link put there is replaced itself; nothing is written through it.)
    struct stat st {};
    if (::lstat(m_target.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode)) {
        discard();
        throw Failure(err::PathFileAccess, m_shownTarget.string() + " became " +
                                               fileKindName(st.st_mode) +
                                               " while it was written; it was not replaced");
    }
    if (::rename(m_tempPath.c_str(), m_target.c_str()) != 0) {
        const int e = errno;
        discard();
        throwErrno(e, "replace", m_target.string());
    }
    m_committed = true;
}

void flushToDisk(const fs::path& path) {
    const std::string name = path.string();
    struct stat st {};
    if (::stat(name.c_str(), &st) != 0) throwErrno(errno, "open", name);
    refuseUnlessRegular(st, name);
    const auto flush = [](const std::string& what, int flags, bool folder) {
        const int fd = ::open(what.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | flags);
        if (fd < 0) throwErrno(errno, "open", what);
        // Some file systems cannot flush a folder, and have nothing to flush there.
        int failure = (folder ? ::fsync(fd) : ::fdatasync(fd)) == 0 ? 0 : errno;
        if (failure == EINVAL) failure = 0;
        ::close(fd);
        if (failure != 0) throwErrno(failure, "write", what);
    };
    flush(name, O_NONBLOCK, false);
    const fs::path parent = fs::absolute(followLinks(path)).parent_path();
    flush(parent.string(), O_DIRECTORY, true);
}

namespace {

// A writer holds a lock on its temporary file for as long as it writes. A file nobody holds is
// abandoned when its writer's process is gone, or, since process ids are reused, when it has not
// been touched for a minute (a live writer takes its lock right after creating the file).
bool isAbandoned(const fs::path& path, pid_t writer) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st {};
    // Only this user's own files: in a shared folder another user's writer may be alive, and
    // its process is not ours to judge.
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        ::close(fd);
        return false;
    }
    const bool unlocked = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    const bool old = std::time(nullptr) - st.st_mtime > 60;
    ::close(fd);
    if (!unlocked) return false;
    const bool alive = ::kill(writer, 0) == 0 || errno == EPERM;
    return !alive || old;
}

} // namespace

int removeStaleTemporaries(const fs::path& folder) noexcept {
    int removed = 0;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const std::string suffix = kTemporarySuffix;
        if (name.size() <= suffix.size() || name[0] != '.' ||
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
            continue;
        // The name is .<target>.<pid>-<random>.pixatmp: find the writer's process id.
        const auto stem = name.substr(0, name.size() - suffix.size());
        const auto dash = stem.rfind('-');
        const auto dot = stem.rfind('.', dash);
        if (dash == std::string::npos || dot == std::string::npos) continue;
        const std::string pidText = stem.substr(dot + 1, dash - dot - 1);
        // A number that is no process id is not a name this writer made: leave the file.
        pid_t pid = 0;
        const char* last = pidText.data() + pidText.size();
        const auto parsed = std::from_chars(pidText.data(), last, pid);
        if (pidText.empty() || parsed.ec != std::errc() || parsed.ptr != last || pid <= 0) continue;
        if (!isAbandoned(it->path(), pid)) continue;
        std::error_code removeError;
        if (fs::remove(it->path(), removeError)) ++removed;
    }
    return removed;
}

} // namespace pixa
