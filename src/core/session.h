// What the windows of one run share: the data folder with its owner store, the clock that draws
// new owners' keys, the current owner and the place of the unwrapped picture.
#pragma once

#include "core/clock.h"
#include "core/file_io.h"
#include "core/owner_store.h"
#include "core/picture_folder.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <utility>

namespace pixa {

class Session {
public:
    // This copy's unwrapped picture goes to a folder of its own under the data folder.
    Session(std::filesystem::path dataFolder, const Clock& clock)
        : Session(dataFolder, clock, std::optional(dataFolder)) {}
    // Under `pictureBase` instead; without one, every unwrap is refused (NoMemoryFolder).
    Session(std::filesystem::path dataFolder, const Clock& clock,
            const std::optional<std::filesystem::path>& pictureBase)
        : m_dataFolder(std::move(dataFolder)), m_store(m_dataFolder / kStoreFileName),
          m_clock(clock), m_picture(pictureBase) {}

    // The session of the running application: the unwrapped picture in a private folder in
    // memory, never on a disk, with what ended copies left in any place a copy may have used
    // removed. Says on standard error where the picture goes when it is not the runtime folder.
    static std::unique_ptr<Session> forRun(std::filesystem::path dataFolder, const Clock& clock) {
        const char* runtimeDir = std::getenv("XDG_RUNTIME_DIR");
        auto pictures = temporaryPictureFolder(runtimeDir);
        removeAbandonedPictures(runtimeDir, kSharedMemoryBase, dataFolder);
        if (!pictures) {
            std::fprintf(stderr,
                         "pixamantler: no private folder in memory under $XDG_RUNTIME_DIR "
                         "or %s: photos will not be unwrapped\n",
                         kSharedMemoryBase);
        } else {
            removeStaleTemporaries(*pictures);
            if (pictures->parent_path() == kSharedMemoryBase)
                std::fprintf(stderr, "pixamantler: unwrapped photos are kept in %s (memory)\n",
                             pictures->c_str());
        }
        return std::make_unique<Session>(std::move(dataFolder), clock, pictures);
    }

    const std::filesystem::path& dataFolder() const { return m_dataFolder; }
    const OwnerStore& store() const { return m_store; }
    const Clock& clock() const { return m_clock; }

    // Empty until the first registration or login of the run; there is no log-out.
    const CurrentOwner& currentOwner() const { return m_currentOwner; }
    void setCurrentOwner(CurrentOwner owner) { m_currentOwner = std::move(owner); }

    // How long a registration waits for another one that holds the owner store (LockWait).
    std::chrono::milliseconds storeLockLimit() const { return m_storeLockLimit; }
    void setStoreLockLimit(std::chrono::milliseconds limit) { m_storeLockLimit = limit; }

    // This copy's unwrapped picture, which must not outlive the run. Written 0600.
    UnwrappedPicture& unwrappedPicture() { return m_picture; }
    const UnwrappedPicture& unwrappedPicture() const { return m_picture; }
    std::filesystem::path temporaryPicture() const { return m_picture.path(); }

private:
    std::filesystem::path m_dataFolder;
    OwnerStore m_store;
    const Clock& m_clock;
    CurrentOwner m_currentOwner;
    UnwrappedPicture m_picture;
    std::chrono::milliseconds m_storeLockLimit = LockWait().limit;
};

} // namespace pixa
