// Where the unwrapped picture waits between an unwrap and the end of the run: a private folder
// under the user's runtime folder when the system offers one, and the lock by which running
// instances tell a picture left behind by a crash from one still in use.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace pixa {

inline constexpr const char* kTemporaryPictureName = "~~tmp.bmp";

// `runtimeDir`/pixamantler, created 0700 when missing. Nullopt when `runtimeDir` is not an
// absolute path to a folder of this user, or when the subfolder is not a real folder of this
// user (a link, a file, another user's folder). A folder of this user that others could enter
// is made private again.
std::optional<std::filesystem::path> privateRuntimeFolder(std::string_view runtimeDir);

// The folder of the unwrapped picture: the private runtime folder under `runtimeDir` (the value
// of $XDG_RUNTIME_DIR, null when unset) when there is one, else `dataFolder`.
std::filesystem::path temporaryPictureFolder(const char* runtimeDir,
                                             const std::filesystem::path& dataFolder);

// Held by a running instance for its whole run: a shared lock on a lock file beside the picture.
// Taking it first tries for the lock alone: when no other instance holds it, the picture is a
// leftover of a run that ended without its clean-up, and it is removed. Never throws; without a
// lock file (a folder that cannot be written) nothing is removed.
class PictureLock {
public:
    explicit PictureLock(const std::filesystem::path& picture) noexcept;
    ~PictureLock();
    PictureLock(const PictureLock&) = delete;
    PictureLock& operator=(const PictureLock&) = delete;

    bool held() const { return m_fd >= 0; }
    bool removedStale() const { return m_removedStale; }

private:
    int m_fd = -1;
    bool m_removedStale = false;
};

} // namespace pixa
