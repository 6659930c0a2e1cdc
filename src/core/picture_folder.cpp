#include "core/picture_folder.h"

#include "core/error.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statfs.h>
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

// Whether a missing folder is made: the start-up sweep looks in every place a copy may have used
// and makes none.
enum class Missing { Create, Skip };

// `base`/`name`, a real folder of this user, made private.
std::optional<fs::path> privateSubfolder(const fs::path& base, const std::string& name,
                                         Missing missing) {
    const fs::path folder = base / name;
    if (missing == Missing::Create && ::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return std::nullopt;
    // Opened without following a link, so that the checks and the repair apply to the folder
    // itself and not to whatever a link points at.
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    const bool usable = ::fstat(fd, &st) == 0 && ownedFolder(st) &&
                        ((st.st_mode & 077) == 0 || ::fchmod(fd, 0700) == 0);
    ::close(fd);
    if (!usable) return std::nullopt;
    return folder;
}

std::optional<fs::path> runtimeSubfolder(std::string_view runtimeDir, Missing missing) {
    const fs::path base(runtimeDir);
    struct stat st {};
    if (runtimeDir.empty() || !base.is_absolute() || ::stat(base.c_str(), &st) != 0 ||
        !ownedFolder(st))
        return std::nullopt;
    return privateSubfolder(base, "pixamantler", missing);
}

// Where anyone may rename or remove what others made, this user's folder could be swapped for
// another between its checks and its use.
std::optional<fs::path> sharedSubfolder(const fs::path& sharedBase, Missing missing) {
    struct stat st {};
    if (!sharedBase.is_absolute() || ::stat(sharedBase.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) ||
        (st.st_uid != 0 && st.st_uid != ::geteuid()) ||
        ((st.st_mode & 022) != 0 && (st.st_mode & S_ISVTX) == 0))
        return std::nullopt;
    return privateSubfolder(sharedBase, "pixamantler-" + std::to_string(::geteuid()), missing);
}

} // namespace

bool inMemory(const fs::path& folder) {
    struct statfs st {};
    if (::statfs(folder.c_str(), &st) != 0) return false;
    return st.f_type == static_cast<decltype(st.f_type)>(TMPFS_MAGIC) ||
           st.f_type == static_cast<decltype(st.f_type)>(RAMFS_MAGIC);
}

std::optional<fs::path> privateRuntimeFolder(std::string_view runtimeDir) {
    return runtimeSubfolder(runtimeDir, Missing::Create);
}

std::optional<fs::path> privateSharedFolder(const fs::path& sharedBase) {
    return sharedSubfolder(sharedBase, Missing::Create);
}

std::optional<fs::path> temporaryPictureFolder(const char* runtimeDir, const fs::path& sharedBase) {
    // systemd makes the runtime folder a tmpfs, but anyone may set the variable: containers and
    // some tools point it at a folder under /tmp, which is often on disk.
    if (runtimeDir && inMemory(runtimeDir)) {
        if (auto folder = privateRuntimeFolder(runtimeDir)) return folder;
    }
    if (inMemory(sharedBase)) return privateSharedFolder(sharedBase);
    return std::nullopt;
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

int removeAbandonedCopies(const fs::path& base) noexcept {
    int removed = removeSharedPicture(base) ? 1 : 0;
    std::error_code ec;
    for (fs::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->path().filename().string().starts_with(kCopyPrefix)) continue;
        if (!abandonedCopyFolder(it->path())) continue;
        std::error_code ignored;
        if (fs::remove_all(it->path(), ignored) > 0) ++removed;
    }
    return removed;
}

// A copy without a folder in memory names one under a device, where nothing can be made: a
// photo prepared ahead then fails like any write, while an unwrap is refused by incomingPath().
const fs::path kNoFolder = "/dev/null/pixamantler";

} // namespace

int removeAbandonedPictures(const char* runtimeDir, const fs::path& sharedBase,
                            const fs::path& dataFolder) noexcept {
    int removed = removeAbandonedCopies(dataFolder);
    if (runtimeDir) {
        if (auto folder = runtimeSubfolder(runtimeDir, Missing::Skip))
            removed += removeAbandonedCopies(*folder);
    }
    if (auto folder = sharedSubfolder(sharedBase, Missing::Skip))
        removed += removeAbandonedCopies(*folder);
    return removed;
}

UnwrappedPicture::UnwrappedPicture(const std::optional<fs::path>& base) noexcept {
    if (!base) {
        m_folder = kNoFolder;
        return;
    }
    m_removedStale = removeAbandonedCopies(*base);
    std::string name = (*base / kCopyPrefix).string() + std::to_string(::getpid()) + "-XXXXXX";
    if (!::mkdtemp(name.data())) {
        // Kept as a name, so that writing the picture reports why the folder is not there.
        m_folder = *base / (std::string(kCopyPrefix) + "unavailable");
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

fs::path UnwrappedPicture::incomingPath() const {
    if (m_folder == kNoFolder) {
        throw Failure(err::NoMemoryFolder,
                      "neither $XDG_RUNTIME_DIR nor " + std::string(kSharedMemoryBase) +
                          " is a memory file system with a private folder for this user");
    }
    return m_folder / kIncomingPictureName;
}

void UnwrappedPicture::adoptIncoming() {
    if (::rename(incomingPath().c_str(), path().c_str()) != 0)
        throwErrno(errno, "replace", path().string());
}

void UnwrappedPicture::discardIncoming() noexcept {
    ::unlink((m_folder / kIncomingPictureName).c_str());
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
