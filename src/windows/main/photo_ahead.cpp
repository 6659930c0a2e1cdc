#include "windows/main/photo_ahead.h"

#include "core/error.h"
#include "core/picture_folder.h"
#include "imaging/picture_decode.h"
#include "ui/file_browsers.h"
#include "ui/platform.h"
#include "ui/yielder.h"

#include <QFileInfo>
#include <QScopeGuard>

#include <algorithm>
#include <chrono>
#include <climits>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>

namespace pixa::ui {

namespace {

// The largest photo kept decoded ahead; two of them at four bytes a pixel stay within 400 MB.
constexpr qint64 kMaxPreparedPixels = 50'000'000;

// Waits for `decode`, letting the window's events through; false once a stop is asked.
bool readyYielding(const std::future<void>& decode, Yielder& yielder, std::stop_token stop) {
    while (decode.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready) {
        if (stop.stop_requested()) return false;
        yielder.maybeYield();
    }
    return true;
}

} // namespace

// The photo in `path`, upright: a large one decoded in strips, the others (whose decoders work in
// one call) on a thread of their own; the window's events are let through meanwhile.
QImage PhotoAhead::decodeYielding(const QString& path, Yielder& yielder, std::stop_token stop) {
    const std::unique_ptr<PictureDecode> strips = PictureDecode::open(path);
    if (!strips) {
        // One decode thread at a time: one stopped before keeps the next waiting.
        if (m_abandoned.valid() && !readyYielding(m_abandoned, yielder, stop))
            throw Failure(err::UserInterrupt, path.toStdString());
        m_abandoned = {};
        // The picture is handed over under the lock, so that a decode abandoned meanwhile frees
        // it on its own thread as it ends instead of keeping it for whoever looks next.
        struct Handover {
            std::mutex mutex;
            bool abandoned = false;
            QImage picture;
        };
        const auto handover = std::make_shared<Handover>();
        std::future<void> decode = std::async(std::launch::async, [path, handover] {
            QImage picture = loadPicture(path);
            const std::lock_guard lock(handover->mutex);
            if (!handover->abandoned) handover->picture = std::move(picture);
        });
        if (!readyYielding(decode, yielder, stop)) {
            // Its decode cannot be interrupted: it ends on its own, dropping its picture.
            const std::lock_guard lock(handover->mutex);
            handover->abandoned = true;
            handover->picture = {};
            m_abandoned = std::move(decode);
            throw Failure(err::UserInterrupt, path.toStdString());
        }
        decode.get();
        const std::lock_guard lock(handover->mutex);
        return std::move(handover->picture);
    }
    const QSize size = strips->picture().size();
    if (qint64(size.width()) * size.height() > kMaxPreparedPixels)
        throw Failure(err::OutOfMemory, "too large to prepare");
    while (!strips->whole()) {
        if (stop.stop_requested()) throw Failure(err::UserInterrupt, path.toStdString());
        strips->decode(strips->topFirst() ? kRowsPerStrip : INT_MAX);
        yielder.maybeYield();
    }
    return strips->picture();
}

PhotoAhead::PhotoAhead(Platform& platform, UnwrappedPicture& pictures)
    : m_platform(platform), m_pictures(pictures) {}

PhotoAhead::~PhotoAhead() {
    clear();
    // A decode abandoned on its thread reads the file it was given until it ends: waited for
    // here, before the objects it was started beside go.
    if (m_abandoned.valid()) m_abandoned.wait();
}

bool PhotoAhead::holds(const QString& file) const {
    return std::any_of(m_kept.begin(), m_kept.end(),
                       [&](const Photo& photo) { return photo.file == file; });
}

void PhotoAhead::prepare(const QString& file, FileContent content, const Unwrap& unwrap) {
    if (m_running || m_platform.ending() || holds(file) || content == FileContent::Other) return;
    if (m_kept.size() >= 2) {
        release(m_kept.front());
        m_kept.erase(m_kept.begin());
    }
    m_running = true;
    m_stop = std::stop_source();
    m_platform.work().add(this, m_stop);
    const auto ended = qScopeGuard([this] {
        m_platform.work().remove(this);
        m_running = false;
    });
    const QFileInfo info(file);
    Photo photo{file, {}, std::nullopt, -1, info.lastModified(), info.size()};
    bool prepared = false;
    try {
        prepared = prepareNow(photo, content, unwrap);
    } catch (const Failure&) {
        release(photo);
        return;
    } catch (const std::exception&) {
        // Out of memory, or no thread for a decode.
        release(photo);
        return;
    }
    // A lock or a step may have let the photos go while this one was prepared.
    if (!prepared || m_stop.stop_requested()) {
        release(photo);
        return;
    }
    m_kept.push_back(std::move(photo));
}

bool PhotoAhead::prepareNow(Photo& photo, FileContent content, const Unwrap& unwrap) {
    Yielder yielder;
    const std::stop_token stop = m_stop.get_token();
    QString picture = photo.file;
    if (content == FileContent::WrappedPhoto) {
        photo.slot = freeSlot();
        const Progress progress = [&yielder](uint64_t, uint64_t) { yielder.maybeYield(); };
        photo.unwrapped = unwrap(photo.file, m_pictures.preparedPath(photo.slot), progress, stop);
        // Asked for when stepped to.
        if (!photo.unwrapped) return false;
        picture = photo.unwrapped->picture;
    }
    photo.picture = decodeYielding(picture, yielder, stop);
    return true;
}

std::optional<PhotoAhead::Photo> PhotoAhead::take(const QString& file) {
    const auto it = std::find_if(m_kept.begin(), m_kept.end(),
                                 [&](const Photo& photo) { return photo.file == file; });
    if (it == m_kept.end()) return std::nullopt;
    Photo photo = std::move(*it);
    m_kept.erase(it);
    const QFileInfo now(file);
    if (now.lastModified() != photo.modified || now.size() != photo.size) {
        release(photo);
        return std::nullopt;
    }
    return photo;
}

void PhotoAhead::clear() noexcept {
    stop();
    for (Photo& photo : m_kept)
        release(photo);
    m_kept.clear();
    m_pictures.removePrepared();
}

int PhotoAhead::freeSlot() const {
    for (int slot = 0;; ++slot)
        if (std::none_of(m_kept.begin(), m_kept.end(),
                         [slot](const Photo& photo) { return photo.slot == slot; }))
            return slot;
}

void PhotoAhead::release(Photo& photo) noexcept {
    std::error_code ignored;
    if (photo.slot >= 0) std::filesystem::remove(m_pictures.preparedPath(photo.slot), ignored);
    photo = {};
}

} // namespace pixa::ui
