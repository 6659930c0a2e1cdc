// One planned wrap carried out the same way by the save command, the batch window and the tool:
// the .pff is written all or nothing, and, when asked, read back against its picture before the
// picture is handed to the trash.
#pragma once

#include "core/clock.h"
#include "core/owner_store.h"
#include "core/pff_file.h"
#include "core/wrap_plan.h"

#include <filesystem>
#include <stop_token>
#include <string>

namespace pixa {

// What became of one original.
struct TrashOutcome {
    bool moved = false;
    std::string reason;            // why the original stayed, for people; empty when moved
    std::filesystem::path inTrash; // where the original lies now, when moved
};

// Where originals go once their wrapped photos give them back whole: the desktop's trash in the
// windows. Never deletes a file.
class Trash {
public:
    virtual ~Trash() = default;
    // Moves `original` to the trash; when it stays where it is, the outcome says why.
    virtual TrashOutcome moveToTrash(const std::filesystem::path& original) = 0;
};

class WrapJob {
public:
    // `progress` is called per block written or read back; `stop` ends either step with "User
    // interrupt occurred" (the system clock when `clock` is null).
    WrapJob(const WrapItem& item, const CurrentOwner& owner, const Clock* clock,
            Progress progress = {}, std::stop_token stop = {});

    const WrapRequest& request() const { return m_request; }

    // Writes the .pff; throws pixa::Failure as encrypt_pff_file does, leaving no file.
    void wrap() const;
    // Once wrap() has written the .pff: hands the source to `trash` when the .pff reads back
    // every byte of it. The source stays when the read-back or the move fails, and the outcome
    // says why; a stop throws "User interrupt occurred", the source staying.
    TrashOutcome trashOriginal(Trash& trash) const;

private:
    WrapRequest m_request;
    Progress m_progress;
    std::stop_token m_stop;
};

} // namespace pixa
