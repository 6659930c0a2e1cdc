#include "core/picture_folder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

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

PictureLock::PictureLock(const fs::path& picture) noexcept {
    fs::path lockFile = picture;
    lockFile += ".lock";
    m_fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (m_fd < 0) return;
    if (lockRetrying(m_fd, LOCK_EX | LOCK_NB) == 0) {
        std::error_code ignored;
        m_removedStale = fs::remove(picture, ignored);
    }
    // From here on, other instances see this one running. Going from the lone lock to the shared
    // one may briefly let another instance's start-up take the lone lock, which is harmless: this
    // instance has no picture yet.
    if (lockRetrying(m_fd, LOCK_SH) != 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

PictureLock::~PictureLock() {
    if (m_fd >= 0) ::close(m_fd);
}

} // namespace pixa
