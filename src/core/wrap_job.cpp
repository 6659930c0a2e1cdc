#include "core/wrap_job.h"

#include "core/read_back.h"

#include <utility>

namespace pixa {

WrapJob::WrapJob(const WrapItem& item, const CurrentOwner& owner, const Clock* clock,
                 Progress progress, std::stop_token stop)
    : m_request(item.request(owner, clock)), m_progress(std::move(progress)),
      m_stop(std::move(stop)) {}

void WrapJob::wrap() const {
    encrypt_pff_file(m_request, m_progress, m_stop);
}

TrashOutcome WrapJob::trashOriginal(Trash& trash) const {
    if (const auto failure =
            verifyWrapped(m_request.target, m_request.source, m_progress, m_stop)) {
        return {false,
                std::string("its wrapped photo did not read back the same (") + failure->what() +
                    ")",
                {}};
    }
    return trash.moveToTrash(m_request.source);
}

} // namespace pixa
