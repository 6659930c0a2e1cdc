// What the windows of one run share: the data folder with its owner store, the clock that draws
// new owners' keys, the current owner and the place of the unwrapped picture.
#pragma once

#include "core/clock.h"
#include "core/file_io.h"
#include "core/owner_store.h"
#include "core/picture_folder.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <utility>

namespace pixa {

class Session {
public:
    // This copy's unwrapped picture goes to a folder of its own under `pictureBase`, or under the
    // data folder when it is empty.
    Session(std::filesystem::path dataFolder, const Clock& clock,
            const std::filesystem::path& pictureBase = {})
        : m_dataFolder(std::move(dataFolder)), m_store(m_dataFolder / kStoreFileName),
          m_clock(clock), m_picture(pictureBase.empty() ? m_dataFolder : pictureBase) {}

    // The session of the running application: the unwrapped picture in the user's private
    // runtime folder when the system offers one, with unfinished writes that a crashed run left
    // there removed.
    static std::unique_ptr<Session> forRun(std::filesystem::path dataFolder, const Clock& clock) {
        auto pictures = temporaryPictureFolder(std::getenv("XDG_RUNTIME_DIR"), dataFolder);
        if (pictures != dataFolder) removeStaleTemporaries(pictures);
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
