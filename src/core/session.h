// What the windows of one run share: the data folder with its owner store, the clock that draws
// new owners' keys, and the current owner.
#pragma once

#include "core/clock.h"
#include "core/owner_store.h"

#include <filesystem>
#include <utility>

namespace pixa {

class Session {
public:
    Session(std::filesystem::path dataFolder, const Clock& clock)
        : m_dataFolder(std::move(dataFolder)), m_store(m_dataFolder / kStoreFileName),
          m_clock(clock) {}

    const std::filesystem::path& dataFolder() const { return m_dataFolder; }
    const OwnerStore& store() const { return m_store; }
    const Clock& clock() const { return m_clock; }

    // Empty until the first registration or login of the run; there is no log-out.
    const CurrentOwner& currentOwner() const { return m_currentOwner; }
    void setCurrentOwner(CurrentOwner owner) { m_currentOwner = std::move(owner); }

    // The last unwrapped picture, which must not outlive the run.
    std::filesystem::path temporaryPicture() const { return m_dataFolder / "~~tmp.bmp"; }

private:
    std::filesystem::path m_dataFolder;
    OwnerStore m_store;
    const Clock& m_clock;
    CurrentOwner m_currentOwner;
};

} // namespace pixa
