#include "windows/main/photo_collection.h"

#include "core/error.h"
#include "core/file_content.h"
#include "core/photo_sequence.h"
#include "ui/file_browsers.h"
#include "ui/main_window_rules.h"
#include "ui/window_base.h"
#include "ui/yielder.h"

#include <QTimer>

#include <new>

namespace pixa::ui {

namespace fs = std::filesystem;

namespace {

// How long preparing waits for a command of the window to end before it looks again.
constexpr int kRetryMs = 50;

} // namespace

PhotoCollection::PhotoCollection(WindowBase& window, Platform& platform, UnwrappedPicture& pictures,
                                 const ShownPhotoRules& photo, PhotoAhead::Unwrap unwrap)
    : QObject(&window), m_window(window), m_photo(photo), m_unwrap(std::move(unwrap)),
      m_ahead(platform, pictures), m_timer(new QTimer(this)) {
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &PhotoCollection::prepareNext);
}

std::vector<fs::path> PhotoCollection::photos() const {
    if (!m_list.empty()) return m_list;
    return folderPhotos(localPath(m_place).parent_path());
}

void PhotoCollection::walk(bool forward, const std::function<void(const fs::path&)>& show,
                           const std::function<void(const QString&)>& say, std::stop_token stop) {
    m_forward = forward;
    try {
        const std::vector<fs::path> list = photos();
        fs::path place = localPath(m_place);
        QString passedOver;
        while (const auto next = stepFrom(list, place, forward)) {
            place = list[*next];
            // The place moves before the photo decodes: a step pressed meanwhile stops this one
            // and goes on from here rather than starting it again.
            m_place = windowPath(place);
            try {
                show(place);
                if (!passedOver.isEmpty()) say(passedOver);
                return;
            } catch (const Failure& failure) {
                if (failure.number() == err::UserInterrupt) return;
                passedOver = QStringLiteral("Skipped %1: %2")
                                 .arg(QString::fromStdString(place.filename().string()),
                                      QString::fromStdString(failure.description()));
                say(passedOver);
                Yielder().yieldNow();
                // A lock or a new command during the yield ends the walk here.
                if (stop.stop_requested()) return;
            }
        }
        const QString where =
            inList() ? QStringLiteral("in this search") : QStringLiteral("in this folder");
        say((forward ? QStringLiteral("No next photo %1") : QStringLiteral("No previous photo %1"))
                .arg(where));
    } catch (const Failure& failure) {
        say(QString::fromStdString(failure.what()));
    } catch (const std::bad_alloc&) {
        say(QString::fromStdString(Failure(err::OutOfMemory).what()));
    }
}

void PhotoCollection::prepareSoon() {
    m_timer->start(0);
}

void PhotoCollection::prepareNext() {
    // Never inside a command of the window, whose yields would run it to its end first.
    if (m_window.running() || m_ahead.running()) {
        m_timer->start(kRetryMs);
        return;
    }
    if (!m_photo.shown().savable() || m_place.isEmpty()) return;
    try {
        const std::vector<fs::path> list = photos();
        const auto next = stepFrom(list, localPath(m_place), m_forward);
        if (!next) return;
        m_ahead.prepare(windowPath(list[*next]), fileContentOf(list[*next]), m_unwrap);
    } catch (const Failure&) {
        // The step meets the same failure and says so.
    } catch (const std::bad_alloc&) {
    }
}

} // namespace pixa::ui
