#include "core/picture_folder.h"

#include "core/error.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <ctime>
#include <string>

namespace pixa {

namespace fs = std::filesystem;

namespace {

bool ownedFolder(const struct stat& st) {
    return S_ISDIR(st.st_mode) && st.st_uid == ::geteuid();
}

int lockRetrying(int fd, int operation) {
    int result;
    do {
        result = ::flock(fd, operation);
    } while (result != 0 && errno == EINTR);
    return result;
}

} // namespace

std::optional<fs::path> privateRuntimeFolder(std::string_view runtimeDir) {
    const fs::path base(runtimeDir);
    struct stat st {};
    if (runtimeDir.empty() || !base.is_absolute() || ::stat(base.c_str(), &st) != 0 ||
        !ownedFolder(st))
        return std::nullopt;

    const fs::path folder = base / "pixamantler";
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return std::nullopt;
    // Opened without following a link, so that the checks and the repair apply to the folder
    // itself and not to whatever a link points at.
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    const bool usable = ::fstat(fd, &st) == 0 && ownedFolder(st) &&
                        ((st.st_mode & 077) == 0 || ::fchmod(fd, 0700) == 0);
    ::close(fd);
    if (!usable) return std::nullopt;
    return folder;
}

fs::path temporaryPictureFolder(const char* runtimeDir, const fs::path& dataFolder) {
    if (runtimeDir) {
        if (auto folder = privateRuntimeFolder(runtimeDir)) return *folder;
    }
    return dataFolder;
}

namespace {

constexpr const char* kCopyPrefix = "copy-";

// A copy's folder that nobody locks was left by a copy that ended without its clean-up: when
// that copy's process is gone or, since process ids are reused, when the folder is over a
// minute old. A copy locks its folder right after making it, so a younger folder of a live
// process may be one that is just starting.
bool abandonedCopyFolder(const fs::path& folder) {
    const std::string name = folder.filename().string();
    const auto dash = name.find('-', std::string_view(kCopyPrefix).size());
    if (dash == std::string::npos) return false;
    pid_t pid = 0;
    const char* first = name.data() + std::string_view(kCopyPrefix).size();
    const auto parsed = std::from_chars(first, name.data() + dash, pid);
    if (parsed.ec != std::errc() || parsed.ptr != name.data() + dash || pid <= 0) return false;

    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    const bool ours = ::fstat(fd, &st) == 0 && ownedFolder(st);
    const bool unlocked = ours && lockRetrying(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    if (!unlocked) return false;
    const bool alive = ::kill(pid, 0) == 0 || errno == EPERM;
    return !alive || std::time(nullptr) - st.st_mtime > 60;
}

// Earlier versions kept one picture for all copies in the base folder, under a shared lock.
bool removeSharedPicture(const fs::path& base) {
    const fs::path picture = base / kTemporaryPictureName;
    fs::path lockFile = picture;
    lockFile += ".lock";
    const int fd = ::open(lockFile.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    bool removed = false;
    if (lockRetrying(fd, LOCK_EX | LOCK_NB) == 0) {
        std::error_code ignored;
        removed = fs::remove(picture, ignored);
        fs::remove(lockFile, ignored);
    }
    ::close(fd);
    return removed;
}

} // namespace

UnwrappedPicture::UnwrappedPicture(const fs::path& base) noexcept {
    std::error_code ec;
    if (removeSharedPicture(base)) ++m_removedStale;
    for (fs::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->path().filename().string().starts_with(kCopyPrefix)) continue;
        if (!abandonedCopyFolder(it->path())) continue;
        std::error_code ignored;
        if (fs::remove_all(it->path(), ignored) > 0) ++m_removedStale;
    }

    std::string name = (base / kCopyPrefix).string() + std::to_string(::getpid()) + "-XXXXXX";
    if (!::mkdtemp(name.data())) {
        // Kept as a name, so that writing the picture reports why the folder is not there.
        m_folder = base / (std::string(kCopyPrefix) + "unavailable");
        return;
    }
    m_folder = name;
    m_fd = ::open(m_folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (m_fd >= 0 && lockRetrying(m_fd, LOCK_EX) != 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

UnwrappedPicture::~UnwrappedPicture() {
    if (m_fd < 0) return;
    std::error_code ignored;
    fs::remove_all(m_folder, ignored);
    ::close(m_fd);
}

void UnwrappedPicture::adoptIncoming() {
    if (::rename(incomingPath().c_str(), path().c_str()) != 0)
        throwErrno(errno, "replace", path().string());
}

void UnwrappedPicture::discardIncoming() noexcept {
    ::unlink(incomingPath().c_str());
}

void UnwrappedPicture::remove() noexcept {
    ::unlink(path().c_str());
    discardIncoming();
}

fs::path UnwrappedPicture::preparedPath(int slot) const {
    return m_folder / (std::string(kTemporaryPictureName) + ".ahead" + std::to_string(slot));
}

void UnwrappedPicture::takePrepared(int slot) {
    if (::rename(preparedPath(slot).c_str(), incomingPath().c_str()) != 0)
        throwErrno(errno, "replace", incomingPath().string());
}

void UnwrappedPicture::removePrepared() noexcept {
    for (int slot = 0; slot < kPreparedSlots; ++slot)
        ::unlink(preparedPath(slot).c_str());
}

} // namespace pixa
