#include "windows/main/photo_collection.h"

#include "core/error.h"
#include "core/file_content.h"
#include "core/photo_sequence.h"
#include "ui/file_browsers.h"
#include "ui/main_window_rules.h"
#include "ui/window_base.h"

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
