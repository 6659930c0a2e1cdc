// Where the unwrapped picture waits between an unwrap and the end of the run: a private folder on
// a memory file system, never on a disk, and the lock by which running copies tell a picture
// left behind by a crash from one still in use.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace pixa {

inline constexpr const char* kTemporaryPictureName = "~~tmp.bmp";

// The memory file system that every user may make folders in.
inline constexpr const char* kSharedMemoryBase = "/dev/shm";

// Whether `folder` is on a file system held in memory (tmpfs, ramfs): what is written there
// never reaches a disk, a backup or the next boot.
bool inMemory(const std::filesystem::path& folder);

// `runtimeDir`/pixamantler, created 0700 when missing. Nullopt when `runtimeDir` is not an
// absolute path to a folder of this user, or when the subfolder is not a real folder of this
// user (a link, a file, another user's folder). A folder of this user that others could enter
// is made private again.
std::optional<std::filesystem::path> privateRuntimeFolder(std::string_view runtimeDir);

// `sharedBase`/pixamantler-<uid>, with the same checks and repair, for a base that all users
// share: it must belong to the super-user or to this user, and others may not remove what is in
// it (it is sticky or closed to them).
std::optional<std::filesystem::path> privateSharedFolder(const std::filesystem::path& sharedBase);

// The folder of the unwrapped picture: the private runtime folder under `runtimeDir` (the value
// of $XDG_RUNTIME_DIR, null when unset) when it is in memory, else this user's folder under
// `sharedBase` when that is in memory. Nullopt when neither is: the picture is then never
// written.
std::optional<std::filesystem::path> temporaryPictureFolder(
    const char* runtimeDir, const std::filesystem::path& sharedBase = kSharedMemoryBase);

// Removes the folders of copies that ended without their clean-up from every place a copy may
// have used: both folders above, whichever this run chooses (a run with another environment may
// have chosen the other), and `dataFolder`, where earlier versions kept the picture. Creates
// neither folder. Returns how many went.
int removeAbandonedPictures(const char* runtimeDir, const std::filesystem::path& sharedBase,
                            const std::filesystem::path& dataFolder) noexcept;

// This running copy's own unwrapped picture: `~~tmp.bmp` in a folder of the copy's own under a
// base folder, so that copies on one data folder never show, save or remove each other's
// picture. The folder is locked for the copy's life and removed, with what it holds, when the
// object goes; a copy that ended without its clean-up leaves a folder that nobody locks, which
// the next copy to start removes. Only the main window replaces and removes the picture; an
// unwrap writes the incoming picture beside it, which the main window adopts once it shows it.
class UnwrappedPicture {
public:
    // Makes the folder (0700) under `base`, after removing the folders of copies that no longer
    // run there and the shared picture that earlier versions kept in `base` itself. Never
    // throws: when the folder cannot be made, writing the picture fails with the folder's error.
    // Without a base, incomingPath() refuses every unwrap (NoMemoryFolder).
    explicit UnwrappedPicture(const std::optional<std::filesystem::path>& base) noexcept;
    ~UnwrappedPicture();
    UnwrappedPicture(const UnwrappedPicture&) = delete;
    UnwrappedPicture& operator=(const UnwrappedPicture&) = delete;

    // `~~tmp.bmp`: the unwrapped photo the main window shows.
    std::filesystem::path path() const { return m_folder / kTemporaryPictureName; }
    // Where an unwrap writes the picture before it is shown. Throws NoMemoryFolder when this
    // copy has no folder in memory.
    std::filesystem::path incomingPath() const;
    // The incoming picture becomes the unwrapped picture, replacing the one before in one step.
    void adoptIncoming();
    void discardIncoming() noexcept;
    // Removes the unwrapped picture (and an incoming one).
    void remove() noexcept;

    // Where a photo prepared ahead of the user is unwrapped: slot 0 or 1, never more.
    std::filesystem::path preparedPath(int slot) const;
    // The prepared picture in `slot` becomes the incoming picture (one rename).
    void takePrepared(int slot);
    // Removes every prepared picture.
    void removePrepared() noexcept;
    static constexpr int kPreparedSlots = 2;

    const std::filesystem::path& folder() const { return m_folder; }
    bool held() const { return m_fd >= 0; }
    // How many folders of ended copies (and old shared pictures) the start removed.
    int removedStale() const { return m_removedStale; }

    static constexpr const char* kIncomingPictureName = "~~tmp.bmp.incoming";

private:
    std::filesystem::path m_folder;
    int m_fd = -1;
    int m_removedStale = 0;
};

} // namespace pixa
