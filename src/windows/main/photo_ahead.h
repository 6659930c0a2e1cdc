// Photos prepared ahead of the user, so that a step shows the next one at once: read and decoded,
// a wrapped one that a remembered password opens unwrapped into a prepared picture of this copy.
#pragma once

#include "core/file_content.h"
#include "core/pff_file.h"
#include "ui/main_window_link.h"

#include <QDateTime>
#include <QImage>
#include <QString>

#include <filesystem>
#include <functional>
#include <future>
#include <optional>
#include <stop_token>
#include <vector>

namespace pixa {
class UnwrappedPicture;
}

namespace pixa::ui {

class Platform;
class Yielder;

class PhotoAhead {
public:
    struct Photo {
        QString file;   // the picture or wrapped photo a step lands on
        QImage picture; // decoded, upright
        // For a wrapped photo: what its unwrap restored, `picture` naming the prepared file.
        std::optional<UnwrapResult> unwrapped;
        int slot = -1; // the prepared picture's slot of UnwrappedPicture
        // The file as it was when prepared: one changed since is prepared no longer.
        QDateTime modified;
        qint64 size = -1;
    };
    // Unwraps the wrapped photo into the target when a remembered password opens it.
    using Unwrap = std::function<std::optional<UnwrapResult>(
        const QString& pff, const std::filesystem::path& target, const Progress& progress,
        std::stop_token stop)>;

    PhotoAhead(Platform& platform, UnwrappedPicture& pictures);
    ~PhotoAhead();
    PhotoAhead(const PhotoAhead&) = delete;
    PhotoAhead& operator=(const PhotoAhead&) = delete;

    bool running() const { return m_running; }
    bool holds(const QString& file) const;
    // Prepares `file`, holding `content`, as long work in the application's work list: a JPEG
    // decodes in strips and an unwrap in blocks, with the window's events let through between
    // them, until stop(). Keeps it, letting the older of two kept photos go first. Does nothing
    // while it runs, once the application ends, or for a photo too large to keep; a failure
    // keeps nothing, to be met and reported by the step itself.
    void prepare(const QString& file, FileContent content, const Unwrap& unwrap);
    // The prepared `file`, no longer kept; nothing when it is not prepared or has changed since.
    std::optional<Photo> take(const QString& file);
    // Asks the preparing to stop at its next strip or block.
    void stop() { m_stop.request_stop(); }
    // Stops preparing, and lets every kept photo go, its prepared picture removed.
    void clear() noexcept;

private:
    // False when a wrapped photo opens with no remembered password.
    bool prepareNow(Photo& photo, FileContent content, const Unwrap& unwrap);
    QImage decodeYielding(const QString& path, Yielder& yielder, std::stop_token stop);
    int freeSlot() const;
    void release(Photo& photo) noexcept;

    Platform& m_platform;
    UnwrappedPicture& m_pictures;
    std::vector<Photo> m_kept;
    // A decode stopped while it ran on its thread: it ends on its own, its picture dropped there,
    // before another starts and at the latest when this object goes.
    std::future<void> m_abandoned;
    bool m_running = false;
    std::stop_source m_stop;
};

} // namespace pixa::ui
