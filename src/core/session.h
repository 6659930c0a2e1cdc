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
#include <optional>
#include <utility>

namespace pixa {

class Session {
public:
    // The unwrapped picture goes to `pictureFolder`, or to the data folder when it is empty.
    Session(std::filesystem::path dataFolder, const Clock& clock,
            std::filesystem::path pictureFolder = {})
        : m_dataFolder(std::move(dataFolder)), m_store(m_dataFolder / kStoreFileName),
          m_clock(clock),
          m_pictureFolder(pictureFolder.empty() ? m_dataFolder : std::move(pictureFolder)) {}

    // The session of the running application: the unwrapped picture in the user's private
    // runtime folder when the system offers one, under this instance's lock, with a picture and
    // unfinished writes that a crashed run left there removed.
    static std::unique_ptr<Session> forRun(std::filesystem::path dataFolder, const Clock& clock) {
        auto pictures = temporaryPictureFolder(std::getenv("XDG_RUNTIME_DIR"), dataFolder);
        if (pictures != dataFolder) removeStaleTemporaries(pictures);
        auto session = std::make_unique<Session>(std::move(dataFolder), clock, std::move(pictures));
        session->m_pictureLock.emplace(session->temporaryPicture());
        return session;
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

    // The last unwrapped picture, which must not outlive the run. Written 0600.
    std::filesystem::path temporaryPicture() const {
        return m_pictureFolder / kTemporaryPictureName;
    }

private:
    std::filesystem::path m_dataFolder;
    OwnerStore m_store;
    const Clock& m_clock;
    CurrentOwner m_currentOwner;
    std::filesystem::path m_pictureFolder;
    std::optional<PictureLock> m_pictureLock;
    std::chrono::milliseconds m_storeLockLimit = LockWait().limit;
};

} // namespace pixa
