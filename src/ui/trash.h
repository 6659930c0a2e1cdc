// The desktop's trash (the freedesktop trash of a file's volume, or the home trash), where the
// windows' wrap jobs hand the originals they were asked to let go.
#pragma once

#include "core/wrap_job.h"

namespace pixa::ui {

class DesktopTrash final : public Trash {
public:
    // Renamed within its volume; a volume without a trash of its own the user may write refuses
    // the move rather than copying the photo elsewhere.
    TrashOutcome moveToTrash(const std::filesystem::path& original) override;
};

} // namespace pixa::ui
